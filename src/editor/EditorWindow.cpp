#include "editor/EditorWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScopeGuard>
#include <QVBoxLayout>

#include "controls/cFlatCtl.h"
#include "editor/SyntaxLexer.h"
#include "settings/ProgramFolder.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"

namespace {
using Base = QsciScintillaBase;

const QString CaptionPrefix = QStringLiteral("Module :   ");
const QColor SurfaceColor(212, 208, 200);  // margins
const QColor DividerColor(64, 64, 64);     // between margins and text
constexpr int DividerMargin = 3;

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// The file part of a module path, whichever separator it uses.
QString FilePart(const QString& path) {
    QString normalised = path;
    return normalised.replace(QLatin1Char('\\'), QLatin1Char('/')).section(QLatin1Char('/'), -1);
}

// A small sheet of text: the module mark in the top bar.
QPixmap ModulePixmap() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(Qt::white);
    p.drawPolygon(
        QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QColor(0, 0, 160));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(5, y, y == 12 ? 8 : 11, y);
    return pixmap;
}

// The mark before every entry of the code list.
QPixmap KeywordPixmap() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0, 0, 128));
    p.setBrush(QColor(64, 128, 220));
    p.drawPolygon(QPolygon({QPoint(8, 2), QPoint(14, 8), QPoint(8, 14), QPoint(2, 8)}));
    return pixmap;
}
}  // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QWidget(parent),
      Picture1(Named(new QFrame, "Picture1")),
      Image1(Named(new QLabel, "Image1")),
      Label1(Named(new QLabel(QStringLiteral("Module : ")), "Label1")),
      Combo1(Named(new QComboBox, "Combo1")),
      Combo2(Named(new QComboBox, "Combo2")),
      Shape1(Named(new QFrame, "Shape1")),
      cmaxEdit(new CodeEditor),
      picicon(Named(new QLabel(this), "picicon")) {
    setObjectName(QStringLiteral("Form2"));
    Combo1->addItem(QStringLiteral("(General)"));
    Combo2->addItem(QStringLiteral("(Declarations)"));

    QFont face = Picture1->font();
    face.setFamilies({QStringLiteral("Tahoma"), face.family()});
    Picture1->setFont(face);
    Image1->setPixmap(ModulePixmap());
    picicon->setPixmap(KeywordPixmap());
    picicon->hide();
    Label1->setMinimumWidth(Label1->fontMetrics().horizontalAdvance(CaptionPrefix) + 8);
    Combo1->setMinimumWidth(80);
    Combo2->setMinimumWidth(80);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo2->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto* bar = new QHBoxLayout(Picture1);
    bar->setContentsMargins(6, 3, 6, 3);
    bar->setSpacing(6);
    bar->addWidget(Image1);
    bar->addWidget(Label1);
    bar->addWidget(Combo1, 1);
    bar->addWidget(Combo2, 1);
    Picture1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    Picture1->setAutoFillBackground(true);
    Shape1->setFrameShape(QFrame::HLine);
    Shape1->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Picture1);
    layout->addWidget(Shape1);
    layout->addWidget(cmaxEdit, 1);
    setFocusProxy(cmaxEdit);

    // The flat look is decoration: a control it cannot take stays as it is.
    flatBar = new cFlatCtl(this);
    flatCombo = new cFlatCtl(this);
    try {
        flatBar->Attach(Picture1);
        flatCombo->Attach(Combo2);
    } catch (...) {
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    navigator = new ProcedureNavigator(cmaxEdit, Combo1, Combo2, this);
    completion = new CodeCompletion(cmaxEdit, this);

    connect(cmaxEdit, &CodeEditor::TextChanged, this, &EditorWindow::OnTextChanged);
    connect(cmaxEdit, &CodeEditor::SelectionChanged, this, &EditorWindow::OnSelectionChanged);
    connect(cmaxEdit, &CodeEditor::KeyDown, this, &EditorWindow::OnKeyDown);
    connect(cmaxEdit, &CodeEditor::KeyPress, this, &EditorWindow::OnKeyPress);
    connect(cmaxEdit, &CodeEditor::KeyUp, this, &EditorWindow::OnKeyUp);
    connect(cmaxEdit, &CodeEditor::MouseDown, this, &EditorWindow::OnMouseDown);
    connect(cmaxEdit, &CodeEditor::MouseUp, this, &EditorWindow::OnMouseUp);
    connect(cmaxEdit, &CodeEditor::CommandFailed, this, &EditorWindow::OnCommandFailed);
    connect(cmaxEdit, &QsciScintillaBase::SCN_CHARADDED, this, &EditorWindow::OnCharAdded);
    // The command states follow every key, click and selection change at
    // once, not at the next one.
    connect(cmaxEdit, &CodeEditor::KeyHandled, this, &EditorWindow::UpdateUIRequested);
}

// The attachers go before the controls they frame, and the navigator and the
// typing aids, which watch the editor and the lists, before them too: nothing
// may look at a control that is half destroyed.
EditorWindow::~EditorWindow() {
    cmaxEdit->disconnect(this);
    delete completion;
    delete navigator;
    delete flatCombo;
    delete flatBar;
}

QString EditorWindow::SyntaxPathFor(const QString& name) {
    const QString file = FilePart(name);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    const QString extension = (dot < 0 ? file : file.mid(dot + 1)).trimmed();
    const QString value = mdlRegistry::GetRegString(mdlRegistry::RegRoot::LocalMachine,
                                                    mdlRegistry::SyntaxKey, extension);
    return ProgramFolder::File(QStringLiteral("syntax/")) + value;
}

bool EditorWindow::LoadFile(const QString& name) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    LoadSettings(name.isEmpty() ? ProgramFolder::File(QStringLiteral("syntax/zbl.syn"))
                                : SyntaxPathFor(name));
    QString caption = CaptionPrefix;
    fileName = name;
    cmaxEdit->SetDocumentPath(name);
    // The passes that let pending events run keep keys and clicks out, but a
    // close can still come (from the window system, or queued): the window
    // may be gone after each, and then the load ends at once.
    const QPointer<EditorWindow> alive(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!alive)
        return false;
    bool whole = true;
    if (!name.trimmed().isEmpty()) {
        whole = cmaxEdit->OpenFile(name);
        ScanProcedures();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!alive)
            return false;
        moduleName = FilePart(name);
        caption += moduleName;
    }
    Label1->setText(caption);
    return whole;
}

void EditorWindow::LoadSettings(const QString& syntaxPath) {
    syntax = SyntaxDefinition::Parse(syntaxPath);
    completion->SetSyntax({syntax.KeywordList(), syntax.ArgumentFilePath(), syntax.escapeChar,
                           syntax.stringDelimiters, syntax.caseSensitive});
    SyntaxLexer* previous = lexer;
    lexer = new SyntaxLexer(syntax, this);
    cmaxEdit->setLexer(lexer);
    delete previous;

    const QFont font = SyntaxLexer::EditorFont();
    cmaxEdit->setFont(font);
    cmaxEdit->setMarginsFont(font);
    cmaxEdit->setMarginsBackgroundColor(SurfaceColor);
    cmaxEdit->setMarginsForegroundColor(QColor(80, 80, 80));
    cmaxEdit->SendScintilla(Base::SCI_SETMARGINTYPEN, DividerMargin, Base::SC_MARGIN_COLOUR);
    cmaxEdit->SendScintilla(Base::SCI_SETMARGINBACKN, DividerMargin, DividerColor);
    cmaxEdit->setMarginWidth(DividerMargin, 1);

    if (BlockEntries(syntax.syntaxStart).isEmpty()) {
        cmaxEdit->setFolding(QsciScintilla::NoFoldStyle);
    } else {
        cmaxEdit->setFolding(QsciScintilla::BoxedTreeFoldStyle, 2);
        cmaxEdit->setFoldMarginColors(SurfaceColor, SurfaceColor);
    }

    cmaxEdit->setAutoIndent(syntax.autoIndent);
    cmaxEdit->setIndentationWidth(syntax.indentSize);
}

void EditorWindow::NewText(const QString& text) {
    QString syntaxPath = SyntaxPathFor(QStringLiteral(".zbl"));
    if (!QFileInfo(syntaxPath).isFile())
        syntaxPath = ProgramFolder::File(QStringLiteral("syntax/zbl.syn"));
    LoadSettings(syntaxPath);
    cmaxEdit->SetText(text);
}

void EditorWindow::SetFileName(const QString& name) {
    if (fileName.isEmpty())
        LoadSettings(SyntaxPathFor(name));
    fileName = name;
    cmaxEdit->SetDocumentPath(name);
}

bool EditorWindow::CanUndo() const {
    return cmaxEdit->CanUndo();
}
bool EditorWindow::CanRedo() const {
    return cmaxEdit->CanRedo();
}
bool EditorWindow::CanCopy() const {
    return cmaxEdit->CanCopy();
}
bool EditorWindow::CanCut() const {
    return cmaxEdit->CanCut();
}
bool EditorWindow::CanPaste() const {
    return cmaxEdit->CanPaste();
}
bool EditorWindow::CanDelete() const {
    return cmaxEdit->CanUndo();
}

QString EditorWindow::CurrentPosition() const {
    const EditorRange range = cmaxEdit->GetSel(false);
    return QStringLiteral("%1/%2").arg(range.endLine + 1).arg(range.endColumn + 1);
}

QString EditorWindow::CurrentLine() const {
    return QStringLiteral("%1/%2").arg(CaretLine() + 1).arg(cmaxEdit->LineCount());
}

int EditorWindow::CaretLine() const {
    return cmaxEdit->CaretLine();
}

// While the scan runs, selection changes look up no argument tips.
void EditorWindow::ScanProcedures() {
    navigator->Scan();
}

void EditorWindow::AnalyseArgumentTip() {
    completion->OnSelectionChanged();
}

bool EditorWindow::AcceptCodeListEntry(int shift) {
    return completion->HandleKeyPress(CodeEditor::VkSpace, shift);
}

void EditorWindow::OnTextChanged() {
    changeAnswered = false;
}

void EditorWindow::OnSelectionChanged() {
    if (!syntax.keywords.isEmpty() && !leftButtonDown && !navigator->Busy() &&
        syntax.ArgumentFileExists())
        AnalyseArgumentTip();
    Q_EMIT StatusText(QStringLiteral("Position : ") + CurrentPosition());
    // A selection dragged with the mouse is settled when the button is released.
    if (!leftButtonDown)
        Q_EMIT UpdateUIRequested();
}

void EditorWindow::OnKeyDown(int, int) {
    lineAtDown = CaretLine();
}

void EditorWindow::OnKeyPress(int key, int shift) {
    if (key == CodeEditor::VkSpace && AcceptCodeListEntry(shift))
        cmaxEdit->SwallowKey();
}

void EditorWindow::OnKeyUp(int, int) {
    if (CaretLine() != lineAtDown)
        ScanProcedures();
}

void EditorWindow::OnMouseDown(int button, int, QPoint) {
    leftButtonDown = button == CodeEditor::ButtonLeft;
    lineAtDown = CaretLine();
}

void EditorWindow::OnMouseUp(int button, int, QPoint position) {
    if (leftButtonDown) {
        Q_EMIT UpdateUIRequested();
        leftButtonDown = false;
        OnSelectionChanged();
    }
    if (CaretLine() != lineAtDown)
        ScanProcedures();
    if (button == CodeEditor::ButtonRight && cmaxEdit->HitTest(position) == CodeEditor::HitText)
        Q_EMIT EditMenuRequested();
}

void EditorWindow::OnCommandFailed(int, int code, bool* handled) {
    if (code != CodeEditor::NotFound)
        return;
    Prompt::Current().Message(this, QMessageBox::Warning, QApplication::applicationName(),
                              QStringLiteral("  Search text is not found. "), QMessageBox::Ok);
    if (handled)
        *handled = true;
}

// A keyword takes the letter case of the syntax file once the character after
// it is typed.
void EditorWindow::OnCharAdded(int character) {
    if (!syntax.autoCase || !lexer || character >= 0x80 ||
        SyntaxScanner::IsWordByte(static_cast<unsigned char>(character)))
        return;
    const long caret = cmaxEdit->SendScintilla(Base::SCI_GETCURRENTPOS);
    if (character == '\n' || character == '\r') {
        const long line = cmaxEdit->SendScintilla(Base::SCI_LINEFROMPOSITION, caret) - 1;
        if (line >= 0)
            ApplyAutoCase(cmaxEdit->SendScintilla(Base::SCI_GETLINEENDPOSITION, line));
    } else {
        ApplyAutoCase(caret - 1);
    }
}

void EditorWindow::ApplyAutoCase(long wordEnd) {
    const long lineStart = cmaxEdit->SendScintilla(
        Base::SCI_POSITIONFROMLINE, cmaxEdit->SendScintilla(Base::SCI_LINEFROMPOSITION, wordEnd));
    const long from = std::max(lineStart, wordEnd - 256);
    if (wordEnd <= from)
        return;
    QByteArray head(wordEnd - from + 1, '\0');
    cmaxEdit->SendScintilla(Base::SCI_GETTEXTRANGE, from, wordEnd, head.data());
    head.chop(1);
    auto isWord = [&](qsizetype i) {
        return SyntaxScanner::IsWordByte(static_cast<unsigned char>(head.at(i)));
    };
    // The word before the typed character, with a listed word's trailing
    // "$" or leading "#" when the syntax file has such words.
    qsizetype end = head.size();
    qsizetype stem = end;
    if (stem > 1 && !isWord(stem - 1) && isWord(stem - 2))
        --stem;
    qsizetype start = stem;
    while (start > 0 && isWord(start - 1))
        --start;
    if (start == stem)
        return;
    const SyntaxScanner& scanner = lexer->Scanner();
    const qsizetype starts[] = {start > 0 && head.at(start - 1) != ' ' ? start - 1 : start, start};
    for (const qsizetype first : starts) {
        for (const qsizetype last : {end, stem}) {
            const QByteArray word = head.mid(first, last - first);
            const auto at = static_cast<unsigned long>(from + first);
            const QByteArray listed = scanner.ListedKeyword(word);
            if (listed.isEmpty())
                continue;
            // Comments and strings keep what was typed.
            cmaxEdit->SendScintilla(Base::SCI_COLOURISE, lineStart, wordEnd);
            if (cmaxEdit->SendScintilla(Base::SCI_GETSTYLEAT, at) != SyntaxScanner::Keyword ||
                listed == word)
                return;
            cmaxEdit->SendScintilla(Base::SCI_SETTARGETSTART, at);
            cmaxEdit->SendScintilla(Base::SCI_SETTARGETEND,
                                    static_cast<unsigned long>(from + last));
            cmaxEdit->SendScintilla(Base::SCI_REPLACETARGET, listed.size(), listed.constData());
            return;
        }
    }
}
