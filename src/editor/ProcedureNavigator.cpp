#include "editor/ProcedureNavigator.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QStandardItemModel>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "editor/CodeEditor.h"

namespace {
const QString General = QStringLiteral("(General)");
const QString Declarations = QStringLiteral("(Declarations)");

// Header prefixes in the order they are tried, each with its trailing blank,
// and what a match appends to the name.
struct Prefix {
    std::string_view text;
    QLatin1StringView suffix;
};
constexpr Prefix Prefixes[] = {
    {"function ", {}},
    {"public function ", {}},
    {"sub ", {}},
    {"public sub ", {}},
    {"private function ", {}},
    {"private sub ", {}},
    {"property let ", QLatin1StringView("(PropertyLet)")},
    {"property get ", QLatin1StringView("(PropertyGet)")},
    {"private property let ", QLatin1StringView("(PropertyLet)")},
    {"private property get ", QLatin1StringView("(PropertyGet)")},
    {"public property let ", QLatin1StringView("(PropertyLet)")},
    {"public property get ", QLatin1StringView("(PropertyGet)")},
};

// The text as UTF-16 or as UTF-8 bytes. Both give the same lines and entries:
// blanks are what QString::trimmed removes, and a prefix matches
// case-insensitively in ASCII, which is what lower-casing the whole head and
// comparing with the lower-case prefix comes to.
struct Utf16 {
    const char16_t* data;
    qsizetype size;

    qsizetype Find(char16_t c, qsizetype from) const {
        const qsizetype at = QStringView(data + from, size - from).indexOf(QChar(c));
        return at < 0 ? size : from + at;
    }
    qsizetype Find(char16_t c, qsizetype from, qsizetype to) const {
        const qsizetype at = QStringView(data + from, to - from).indexOf(QChar(c));
        return at < 0 ? to : from + at;
    }
    // First position in [from, to) that is no blank; `to` when all are.
    qsizetype SkipBlanks(qsizetype from, qsizetype to) const {
        while (from < to && QChar::isSpace(data[from]))
            ++from;
        return from;
    }
    // End of [from, to) without its trailing blanks.
    qsizetype TrimEnd(qsizetype from, qsizetype to) const {
        while (to > from && QChar::isSpace(data[to - 1]))
            --to;
        return to;
    }
    char16_t At(qsizetype i) const { return data[i]; }
    QString Make(qsizetype from, qsizetype to) const {
        return QString(reinterpret_cast<const QChar*>(data + from), to - from);
    }
};

struct Utf8 {
    const unsigned char* data;
    qsizetype size;

    qsizetype Find(char c, qsizetype from) const { return Find(c, from, size); }
    qsizetype Find(char c, qsizetype from, qsizetype to) const {
        const void* at = std::memchr(data + from, c, static_cast<size_t>(to - from));
        return at ? static_cast<const unsigned char*>(at) - data : to;
    }
    static bool AsciiBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    // The code point of the sequence at [at, to), or Invalid (length 1) when it
    // is not well-formed UTF-8; such bytes are never blanks.
    static constexpr char32_t Invalid = 0xFFFFFFFF;
    char32_t Decode(qsizetype at, qsizetype to, int& length) const {
        const unsigned char lead = data[at];
        length = 1;
        int more = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            more = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            more = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            more = 3;
        else
            return Invalid;
        if (to - at <= more)
            return Invalid;
        char32_t code = lead & (0x3F >> more);
        for (int i = 1; i <= more; ++i) {
            const unsigned char next = data[at + i];
            if ((next & 0xC0) != 0x80)
                return Invalid;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < Smallest[more])
            return Invalid;
        length = more + 1;
        return code;
    }
    qsizetype SkipBlanks(qsizetype from, qsizetype to) const {
        while (from < to) {
            const unsigned char c = data[from];
            if (c < 0x80) {
                if (!AsciiBlank(c))
                    return from;
                ++from;
                continue;
            }
            int length = 1;
            const char32_t code = Decode(from, to, length);
            if (code == Invalid || !QChar::isSpace(code))
                return from;
            from += length;
        }
        return from;
    }
    qsizetype TrimEnd(qsizetype from, qsizetype to) const {
        while (to > from) {
            const unsigned char c = data[to - 1];
            if (c < 0x80) {
                if (!AsciiBlank(c))
                    return to;
                --to;
                continue;
            }
            // Back to the lead byte of the last sequence.
            qsizetype lead = to - 1;
            while (lead > from && lead > to - 4 && (data[lead] & 0xC0) == 0x80)
                --lead;
            int length = 1;
            const char32_t code = Decode(lead, to, length);
            if (code == Invalid || lead + length != to || !QChar::isSpace(code))
                return to;
            to = lead;
        }
        return to;
    }
    unsigned char At(qsizetype i) const { return data[i]; }
    QString Make(qsizetype from, qsizetype to) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(data + from), to - from);
    }
};

// The entry of the line [from, to), or a null string.
template <class Text>
QString EntryOf(const Text& text, qsizetype from, qsizetype to) {
    const qsizetype start = text.SkipBlanks(from, to);
    if (start == to)
        return QString();
    // Every prefix starts with f, s or p; most lines stop here.
    const auto first = text.At(start) | 0x20;
    if (first != 'f' && first != 's' && first != 'p')
        return QString();
    const qsizetype headEnd = text.TrimEnd(start, text.Find('(', start, to));
    const qsizetype length = headEnd - start;
    for (const Prefix& prefix : Prefixes) {
        const auto size = static_cast<qsizetype>(prefix.text.size());
        if (length < size)
            continue;
        bool match = true;
        for (qsizetype i = 0; i < size && match; ++i) {
            const auto want = static_cast<unsigned char>(prefix.text[i]);
            const auto have = text.At(start + i);
            match = want == ' ' ? have == ' ' : (have | 0x20) == want;
        }
        if (match)
            return text.Make(text.SkipBlanks(start + size, headEnd), headEnd) + prefix.suffix;
    }
    return QString();
}

template <class Text>
ProcedureScan Scan(const Text& text, int caretLine) {
    ProcedureScan scan;
    qsizetype pos = 0;
    qsizetype nextLf = -1;
    qsizetype nextCr = -1;
    int line = 0;
    for (;;) {
        if (nextLf < pos)
            nextLf = text.Find('\n', pos);
        if (nextCr < pos)
            nextCr = text.Find('\r', pos);
        const qsizetype eol = std::min(nextLf, nextCr);
        QString entry = EntryOf(text, pos, eol);
        if (!entry.isNull())
            scan.entries.append(ProcedureEntry{std::move(entry), line});
        if (eol >= text.size)
            break;
        pos = eol + 1;
        if (text.At(eol) == '\r' && pos < text.size && text.At(pos) == '\n')
            ++pos;
        ++line;
    }
    scan.lineCount = line + 1;

    // The selection falls on the first line at or below the caret that is not
    // line 0, once that line's own header has been added.
    const int at = std::max(caretLine, 1);
    if (at < scan.lineCount) {
        const auto after = std::upper_bound(
            scan.entries.cbegin(), scan.entries.cend(), at,
            [](int line, const ProcedureEntry& entry) { return line < entry.line; });
        scan.selection = static_cast<int>(after - scan.entries.cbegin());
    }
    return scan;
}
}  // namespace

QString ProcedureEntryText(QStringView line) {
    const Utf16 text{line.utf16(), line.size()};
    return EntryOf(text, 0, line.size());
}

ProcedureScan ScanProcedures(QStringView text, int caretLine) {
    return Scan(Utf16{text.utf16(), text.size()}, caretLine);
}

ProcedureScan ScanProceduresUtf8(QByteArrayView text, int caretLine) {
    return Scan(Utf8{reinterpret_cast<const unsigned char*>(text.data()), text.size()}, caretLine);
}

ProcedureNavigator::ProcedureNavigator(CodeEditor* editor, QComboBox* objectList,
                                       QComboBox* procedureList, QObject* parent)
    : QObject(parent), editor(editor), objects(objectList), procedures(procedureList) {
    if (procedures) {
        procedures->installEventFilter(this);
        connect(procedures, &QComboBox::activated, this, &ProcedureNavigator::Navigate);
    }
}

ProcedureNavigator::~ProcedureNavigator() {
    if (procedures)
        procedures->removeEventFilter(this);
}

void ProcedureNavigator::Scan() {
    if (!editor)
        return;
    busy = true;
    // The editor's own buffer, read in place: no copy of the module per scan.
    const long length = editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const auto* bytes = static_cast<const char*>(
        editor->SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    const int caretLine = static_cast<int>(editor->SendScintilla(
        QsciScintillaBase::SCI_LINEFROMPOSITION,
        static_cast<unsigned long>(editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS))));
    Apply(ScanProceduresUtf8(QByteArrayView(bytes, bytes ? length : 0), caretLine));
    busy = false;
}

void ProcedureNavigator::Apply(const ProcedureScan& scan) {
    const bool wasBusy = busy;
    busy = true;
    if (objects) {
        if (objects->count() != 1 || objects->itemText(0) != General) {
            objects->clear();
            objects->addItem(General);
        }
        objects->setCurrentIndex(scan.selection < 0 ? -1 : 0);
    }
    if (procedures) {
        procedures->setUpdatesEnabled(false);
        // An unchanged module keeps its list; only the selection follows the caret.
        if (!filled || shown != scan.entries || procedures->count() != scan.entries.size() + 1) {
            procedures->clear();
            if (auto* model = qobject_cast<QStandardItemModel*>(procedures->model())) {
                QList<QStandardItem*> items;
                items.reserve(scan.entries.size() + 1);
                auto* heading = new QStandardItem(Declarations);
                heading->setData(0, Qt::UserRole);
                items.append(heading);
                for (const ProcedureEntry& entry : scan.entries) {
                    auto* item = new QStandardItem(entry.text);
                    item->setData(entry.line, Qt::UserRole);
                    items.append(item);
                }
                model->invisibleRootItem()->appendRows(items);
            } else {
                procedures->addItem(Declarations, 0);
                for (const ProcedureEntry& entry : scan.entries)
                    procedures->addItem(entry.text, entry.line);
            }
            shown = scan.entries;
            filled = true;
        }
        procedures->setCurrentIndex(scan.selection);
        procedures->setUpdatesEnabled(true);
        procedures->update();
    }
    busy = wasBusy;
}

void ProcedureNavigator::Navigate(int index) {
    if (!armed || !editor || !procedures || index < 0 || index >= procedures->count())
        return;
    bool ok = false;
    const int line = procedures->itemData(index).toInt(&ok);
    if (ok && line >= 0)
        editor->ExecuteCmd(CodeEditor::GoToLine, line);
}

bool ProcedureNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return QObject::eventFilter(watched, event);
    // A list being destroyed still gets its focus taken away, and is no
    // combo box by then: only a whole list is looked at.
    auto* list = qobject_cast<QComboBox*>(watched);
    if (list && list == procedures) {
        // The list's own drop-down taking and returning the focus is no change
        // of focus for the user; a scan then would undo the pick being made.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            if (event->type() == QEvent::FocusIn) {
                Scan();
                armed = true;
            } else {
                armed = false;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
