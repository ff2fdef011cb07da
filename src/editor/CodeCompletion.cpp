#include "editor/CodeCompletion.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolTip>

#include "editor/CodeEditor.h"
#include "solution/IniControl.h"

namespace {
using Sci = QsciScintillaBase;

const QString ListFont = QStringLiteral("Tahoma");
const QString ArgumentsSection = QStringLiteral("ArgumentsList");
// Between an entry and its image number; a character no keyword holds.
constexpr char TypeSeparator = '\x1e';

// Columns as the editor counts them (characters) and places in a QString
// (UTF-16 units) differ only past characters outside the basic plane.
qsizetype Utf16Index(const QString& text, int column) {
    qsizetype i = 0;
    for (int c = 0; c < column && i < text.size(); ++c)
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    return i;
}

int ColumnOf(const QString& text, qsizetype index) {
    int column = 0;
    for (qsizetype i = 0; i < index && i < text.size(); ++column)
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    return column;
}

qsizetype Utf8Length(QStringView text) {
    return text.toUtf8().size();
}

// The small icon before every entry of the code list.
QPixmap KeywordIcon() {
    const int size = QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal edge = size / 8.0;
    QPainterPath block;
    block.addRoundedRect(QRectF(edge, edge * 2, size - edge * 2, size - edge * 4), edge, edge);
    painter.fillPath(block, QColor(0x5b, 0x6b, 0xc0));
    painter.setPen(QPen(QColor(0x2e, 0x35, 0x6e), 1));
    painter.drawPath(block);
    painter.setPen(QPen(Qt::white, 1.5));
    const qreal mid = size / 2.0;
    painter.drawLine(QPointF(edge * 2.5, mid), QPointF(size - edge * 2.5, mid));
    return pixmap;
}

bool IsWordCharacter(int c) {
    return c >= 0x80 || c == '_' || (c >= '0' && c <= '9') ||
           ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}
}  // namespace

std::pair<qsizetype, qsizetype> ArgumentSpan(QStringView tip, int argument) {
    if (argument < 0)
        return {-1, -1};
    const qsizetype open = tip.indexOf(u'(');
    qsizetype start = open < 0 ? 0 : open + 1;
    int index = 0;
    int depth = 0;
    for (qsizetype p = start;; ++p) {
        const bool atEnd = p >= tip.size();
        const QChar c = atEnd ? QChar() : tip[p];
        const bool closes = atEnd || (depth == 0 && (c == u',' || c == u')'));
        if (!closes) {
            if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            continue;
        }
        if (index == argument) {
            qsizetype first = start;
            qsizetype last = p;
            while (first < last && tip[first].isSpace())
                ++first;
            while (last > first && tip[last - 1].isSpace())
                --last;
            if (first == last)
                return {-1, -1};
            return {first, last};
        }
        if (atEnd || c == u')')
            return {-1, -1};
        ++index;
        start = p + 1;
    }
}

CodeCompletion::CodeCompletion(CodeEditor* editor, QObject* parent)
    : QObject(parent), editor(editor) {
    if (!editor)
        return;
    editor->installEventFilter(this);
    connect(editor, &QsciScintilla::userListActivated, this, &CodeCompletion::OnUserListActivated);
    connect(editor, &QsciScintillaBase::SCN_AUTOCCANCELLED, this, &CodeCompletion::OnListCancelled);
    // The editor moves the list's selection by what was typed since the list
    // opened; once it is done, the whole word at the caret decides instead.
    connect(editor, &QsciScintillaBase::SCN_CHARADDED, this, &CodeCompletion::OnCharAdded,
            Qt::QueuedConnection);
    connect(editor, &QsciScintillaBase::SCN_AUTOCCHARDELETED, this,
            &CodeCompletion::FollowTypedWord, Qt::QueuedConnection);
}

CodeCompletion::~CodeCompletion() {
    if (editor)
        editor->removeEventFilter(this);
}

void CodeCompletion::SetSyntax(const CompletionSyntax& newSyntax) {
    syntax = newSyntax;
    if (!HasKeywords()) {
        if (ListOpen())
            editor->SendScintilla(Sci::SCI_AUTOCCANCEL);
        tipArgument = -1;
        if (editor)
            editor->SendScintilla(Sci::SCI_CALLTIPCANCEL);
    }
}

bool CodeCompletion::HasKeywords() const {
    for (const QString& word : syntax.keywords)
        if (!word.isEmpty())
            return true;
    return false;
}

QString CodeCompletion::ArgumentDescription(const QString& function) const {
    if (syntax.argumentFile.isEmpty() || function.isEmpty())
        return QString();
    return mdlIniControl::ReadIniValue(syntax.argumentFile, ArgumentsSection, function);
}

bool CodeCompletion::ShowList() {
    if (!editor || !HasKeywords())
        return false;
    // The list and the argument tip never show together.
    editor->SendScintilla(Sci::SCI_CALLTIPCANCEL);

    // A fresh image for every list, at the current small-icon size.
    editor->SendScintilla(Sci::SCI_CLEARREGISTEREDIMAGES);
    editor->registerImage(KeywordImage, KeywordIcon());
    editor->SendScintilla(Sci::SCI_AUTOCSETTYPESEPARATOR,
                          static_cast<unsigned long>(TypeSeparator));
    editor->SendScintilla(Sci::SCI_AUTOCSETORDER, static_cast<unsigned long>(Sci::SC_ORDER_CUSTOM));
    editor->SendScintilla(Sci::SCI_AUTOCSETIGNORECASE,
                          static_cast<unsigned long>(!syntax.caseSensitive));
    editor->SendScintilla(Sci::SCI_AUTOCSETAUTOHIDE, 0UL);
    editor->SendScintilla(Sci::SCI_AUTOCSETMAXHEIGHT, 10UL);

    QStringList entries;
    entries.reserve(syntax.keywords.size());
    const QString image = QLatin1Char(TypeSeparator) + QString::number(KeywordImage);
    for (const QString& word : syntax.keywords)
        if (!word.isEmpty())
            entries.append(word + image);
    editor->showUserList(ListId, entries);
    if (!editor->SendScintilla(Sci::SCI_AUTOCACTIVE))
        return false;
    listOpen = true;

    list = ListWidget();
    if (list) {
        list->setFont(QFont(ListFont, 8));
        connect(list, &QListWidget::currentRowChanged, this, &CodeCompletion::OnListRowChanged);
    }
    SelectFor(editor->CurrentWord());
    OnListRowChanged(list ? list->currentRow() : -1);
    return true;
}

void CodeCompletion::SelectFor(const QString& word) {
    // The first entry in file order that begins with the word; the editor's
    // own search would go by alphabet.
    const Qt::CaseSensitivity cs = syntax.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int row = -1;
    int index = 0;
    for (const QString& entry : syntax.keywords) {
        if (entry.isEmpty())
            continue;
        if (entry.startsWith(word, cs)) {
            row = index;
            break;
        }
        ++index;
    }
    if (list)
        list->setCurrentRow(row);
    else if (row >= 0)
        editor->SendScintilla(Sci::SCI_AUTOCSELECT, 0UL, word.toUtf8().constData());
}

bool CodeCompletion::ListOpen() const {
    return listOpen && editor && editor->SendScintilla(Sci::SCI_AUTOCACTIVE);
}

QListWidget* CodeCompletion::ListWidget() const {
    // The editor's list is a list widget the editor owns; the newest one is
    // the open list.
    const auto lists = editor->findChildren<QListWidget*>(Qt::FindDirectChildrenOnly);
    return lists.isEmpty() ? nullptr : lists.last();
}

QString CodeCompletion::CurrentEntry() const {
    if (!ListOpen() || editor->SendScintilla(Sci::SCI_AUTOCGETCURRENT) < 0)
        return QString();
    const long length =
        editor->SendScintilla(Sci::SCI_AUTOCGETCURRENTTEXT, 0UL, static_cast<void*>(nullptr));
    if (length <= 0)
        return QString();
    QByteArray bytes(length + 1, '\0');
    editor->SendScintilla(Sci::SCI_AUTOCGETCURRENTTEXT, 0UL, static_cast<void*>(bytes.data()));
    return QString::fromUtf8(bytes.constData(), length);
}

void CodeCompletion::OnListRowChanged(int row) {
    QListWidgetItem* item = list ? list->item(row) : nullptr;
    listToolTip = item ? ArgumentDescription(item->text()) : QString();
    if (!list)
        return;
    list->setToolTip(listToolTip);
    if (item && !listToolTip.isEmpty() && list->isVisible()) {
        // Beside the entry; tooltips open a little below the point they are given.
        const QRect at = list->visualItemRect(item);
        QToolTip::showText(list->viewport()->mapToGlobal(QPoint(list->width(), at.top() - 16)),
                           listToolTip, list);
    } else {
        QToolTip::hideText();
    }
}

void CodeCompletion::OnListCancelled() {
    CloseList();
}

void CodeCompletion::OnUserListActivated(int id, const QString& text) {
    if (id == ListId)
        ChooseEntry(text);
}

void CodeCompletion::OnCharAdded(int added) {
    // A character that ends the word ends the list.
    if (ListOpen() && added < 0x80 && !IsWordCharacter(added))
        editor->SendScintilla(Sci::SCI_AUTOCCANCEL);
    else
        FollowTypedWord();
}

void CodeCompletion::FollowTypedWord() {
    if (ListOpen())
        SelectFor(editor->CurrentWord());
}

bool CodeCompletion::HandleKeyPress(int key, int shift) {
    if (key != CodeEditor::VkSpace || shift == CodeEditor::ShiftBitCtrl || !ListOpen())
        return false;
    // With nothing selected there is nothing to accept: the blank is typed.
    const QString entry = CurrentEntry();
    if (entry.isEmpty())
        return false;
    remembered = entry;
    editor->SwallowKey();
    editor->SendScintilla(Sci::SCI_AUTOCCANCEL);
    ChooseEntry(remembered);
    return true;
}

void CodeCompletion::ChooseEntry(const QString& entry) {
    if (!editor)
        return;
    if (ListOpen())
        editor->SendScintilla(Sci::SCI_AUTOCCANCEL);
    const QString text = entry.trimmed();
    if (text.isEmpty()) {
        // Nothing to put in: the typed word stays.
        CloseList();
        return;
    }
    editor->beginUndoAction();
    editor->ExecuteCmd(CodeEditor::ListInsertBegin);
    const QString word = editor->CurrentWord();
    if (!word.isEmpty()) {
        const EditorRange caret = editor->GetSel(false);
        const int line = caret.endLine;
        const int column = caret.endColumn;
        const QString lineText = editor->LineText(line);
        // The typed word is the nearest one that starts at or before the caret.
        for (qsizetype i = Utf16Index(lineText, column); i >= 0; --i) {
            if (QStringView(lineText).mid(i).startsWith(word)) {
                editor->SetSel(
                    {line, ColumnOf(lineText, i), line, ColumnOf(lineText, i + word.size())});
                break;
            }
        }
    }
    editor->ReplaceSelection(text);
    editor->ExecuteCmd(CodeEditor::ListInsertEnd);
    editor->endUndoAction();
    CloseList();
}

void CodeCompletion::CloseList() {
    listOpen = false;
    list = nullptr;
    QToolTip::hideText();
    if (editor)
        editor->viewport()->update();
}

void CodeCompletion::OnSelectionChanged() {
    // The window calls this only when the argument file exists; a file gone
    // since then simply describes nothing.
    if (!editor || !HasKeywords())
        return;
    // Only the text before the caret matters, taken straight from the editor.
    const long caret = editor->SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long line =
        editor->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
    const long lineStart =
        editor->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    QByteArray bytes(caret - lineStart + 1, '\0');
    editor->SendScintilla(Sci::SCI_GETTEXTRANGE, lineStart, caret, bytes.data());
    const QString before = QString::fromUtf8(bytes.constData(), caret - lineStart);
    ParseLine(before, static_cast<int>(before.size()), syntax.escapeChar);
}

void CodeCompletion::ParseLine(const QString& line, int caretColumn, const QString& escapeChar) {
    const OpenCall call = ::ParseLine(line, caretColumn, escapeChar, syntax.stringDelimiters);
    if (!call.open) {
        tipArgument = -1;
    } else {
        tipFunction = call.function;
        tipArgument = call.argument;
        tipText = QLatin1Char(' ') + ArgumentDescription(tipFunction) + QLatin1Char(' ');
        if (tipText.trimmed().isEmpty())
            tipArgument = -1;
    }
    ShowTip(call.nameStart, line);
}

bool CodeCompletion::TipShown() const {
    return editor && editor->SendScintilla(Sci::SCI_CALLTIPACTIVE);
}

void CodeCompletion::ShowTip(qsizetype nameStart, const QString& lineText) {
    if (!editor)
        return;
    if (ListOpen() || tipArgument == -1 || !HasKeywords()) {
        editor->SendScintilla(Sci::SCI_CALLTIPCANCEL);
        return;
    }
    // The tip hangs below the called name on the caret's line.
    const long line = editor->SendScintilla(
        Sci::SCI_LINEFROMPOSITION,
        static_cast<unsigned long>(editor->SendScintilla(Sci::SCI_GETSELECTIONSTART)));
    const long position =
        editor->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)) +
        static_cast<long>(Utf8Length(QStringView(lineText).left(nameStart)));

    // Moving within the same call only moves the highlight.
    if (!TipShown() || shownTip != tipText || shownTipPosition != position) {
        // A lexer resets every style, so the tip's look is set each time it opens.
        const QPalette palette = QToolTip::palette();
        const auto style = static_cast<unsigned long>(Sci::STYLE_CALLTIP);
        editor->SendScintilla(Sci::SCI_STYLESETFONT, style, ListFont.toUtf8().constData());
        editor->SendScintilla(Sci::SCI_STYLESETSIZE, style, 9L);
        editor->SendScintilla(Sci::SCI_STYLESETFORE, style, palette.color(QPalette::ToolTipText));
        editor->SendScintilla(Sci::SCI_STYLESETBACK, style, palette.color(QPalette::ToolTipBase));
        editor->SendScintilla(Sci::SCI_CALLTIPUSESTYLE, 0UL);
        editor->SendScintilla(Sci::SCI_CALLTIPSETFOREHLT, QColor(0, 0, 0xc0));

        const QByteArray bytes = tipText.toUtf8();
        editor->SendScintilla(Sci::SCI_CALLTIPSHOW, static_cast<uintptr_t>(position),
                              bytes.constData());
        shownTip = tipText;
        shownTipPosition = position;
    }
    const auto [first, last] = ArgumentSpan(tipText, tipArgument);
    if (first >= 0) {
        const auto from = Utf8Length(QStringView(tipText).left(first));
        const auto to = from + Utf8Length(QStringView(tipText).mid(first, last - first));
        editor->SendScintilla(Sci::SCI_CALLTIPSETHLT, static_cast<unsigned long>(from),
                              static_cast<long>(to));
    } else {
        editor->SendScintilla(Sci::SCI_CALLTIPSETHLT, 0UL, 0L);
    }
}

bool CodeCompletion::eventFilter(QObject* watched, QEvent* event) {
    // Only a whole editor is looked at, never one that is being destroyed.
    if (event->type() == QEvent::KeyPress && qobject_cast<CodeEditor*>(watched) &&
        watched == editor) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::ControlModifier) {
            ShowList();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
