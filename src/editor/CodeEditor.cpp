#include "editor/CodeEditor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinterInfo>

#include <algorithm>
#include <cstring>
#include <utility>

#include "editor/GoToLineDialog.h"
#include "editor/Windows1252.h"
#include "settings/AtomicFile.h"
#include "settings/Prompt.h"

namespace {
const QByteArray Utf8Bom("\xEF\xBB\xBF");

// Rewrites every CR LF, CR and LF of `text` as `eol`.
QString ConvertLineEnds(QString text, QStringView eol) {
    if (text.contains(QLatin1Char('\r'))) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    if (eol != u"\n")
        text.replace(QLatin1Char('\n'), eol.toString());
    return text;
}

// The style of the first line end, from where the first LF and the first CR
// are (-1 for none); LF when there is none.
CodeEditor::LineEnd LineEndAt(qsizetype lf, qsizetype cr) {
    if (cr < 0 || (lf >= 0 && lf < cr))
        return CodeEditor::LineEnd::Lf;
    return cr + 1 == lf ? CodeEditor::LineEnd::CrLf : CodeEditor::LineEnd::Cr;
}

QStringView LineEndText(CodeEditor::LineEnd lineEnd) {
    using enum CodeEditor::LineEnd;
    return lineEnd == CrLf ? u"\r\n" : lineEnd == Cr ? u"\r" : u"\n";
}

int ButtonOf(Qt::MouseButton button) {
    return button == Qt::LeftButton     ? CodeEditor::ButtonLeft
           : button == Qt::RightButton  ? CodeEditor::ButtonRight
           : button == Qt::MiddleButton ? CodeEditor::ButtonMiddle
                                        : 0;
}

// The character code a key press delivers, 0 for keys that type nothing.
int CharCodeOf(const QKeyEvent& event) {
    const int code = CodeEditor::KeyCodeOf(event.key());
    if (code == CodeEditor::VkReturn || code == CodeEditor::VkEscape || code == CodeEditor::VkTab ||
        code == CodeEditor::VkBack)
        return code;
    if (event.key() == Qt::Key_Delete || event.text().isEmpty())
        return 0;
    return event.text().at(0).unicode();
}

// Qt keys and the key codes the editor reports for them.
constexpr std::pair<int, int> KeyCodes[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},  {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},     {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},     {Qt::Key_Up, 38},       {Qt::Key_Right, 39},   {Qt::Key_Down, 40},
    {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},   {Qt::Key_Menu, 93},
};

// QScintilla's own accessible text counts the characters from the start of
// the text to the caret on every caret move, which makes typing at the end
// of a long module slow. The editor is offered as a plain editable widget.
QAccessibleInterface* PlainAccessible(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String("CodeEditor") || !widget)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::EditableText);
}

// The same counting happens for every insertion and deletion that is
// reported with its text. While a key is handled or a module loads only the
// notices that come before a change are asked for; the change signals follow.
constexpr unsigned long KeyModEvents =
    QsciScintillaBase::SC_MODEVENTMASKALL &
    ~(QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT |
      QsciScintillaBase::SC_PERFORMED_USER | QsciScintillaBase::SC_PERFORMED_UNDO |
      QsciScintillaBase::SC_PERFORMED_REDO | QsciScintillaBase::SC_MULTISTEPUNDOREDO |
      QsciScintillaBase::SC_LASTSTEPINUNDOREDO | QsciScintillaBase::SC_MULTILINEUNDOREDO |
      QsciScintillaBase::SC_STARTACTION);

QString PdfPathFor(const QString& documentPath) {
    if (documentPath.trimmed().isEmpty())
        return QDir::home().filePath(QStringLiteral("Untitled.pdf"));
    const QFileInfo info(documentPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
}
}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QsciScintilla(parent) {
    static const bool plainAccessible = (QAccessible::installFactory(PlainAccessible), true);
    Q_UNUSED(plainAccessible);
    setObjectName(QStringLiteral("cmaxEdit"));
    setUtf8(true);
    setEolMode(EolUnix);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    setFont(font);
    setMarginsFont(font);
    setMarginType(0, NumberMargin);
    setMarginLineNumbers(0, true);
    setMarginWidth(1, 0);
    setMarginType(1, SymbolMargin);
    setMarginMarkerMask(1, 1 << MessageMarker);
    markerDefine(RightTriangle, MessageMarker);
    setMarkerBackgroundColor(QColor(0xc0, 0x20, 0x20), MessageMarker);
    setMarkerForegroundColor(QColor(0x80, 0x00, 0x00), MessageMarker);
    SendScintilla(SCI_SETMARGINLEFT, 0UL, 4L);
    setCaretLineVisible(true);
    setCaretLineBackgroundColor(QColor(0xff, 0xf8, 0xdc));
    setTabWidth(4);
    setAutoIndent(true);
    setBraceMatching(SloppyBraceMatch);
    // The lines in view keep their layout between paints: measuring text is
    // most of what a paint costs.
    SendScintilla(SCI_SETLAYOUTCACHE, static_cast<unsigned long>(SC_CACHE_PAGE));
    // Size the horizontal scroll bar to the longest line seen, not a fixed width.
    setScrollWidth(1);
    setScrollWidthTracking(true);

    connect(this, &QsciScintilla::textChanged, this, [this] {
        if (!loading)
            Q_EMIT TextChanged();
    });
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int type) {
        if (type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE))
            changedByKey = true;
    });
    // Typing moves the caret without a selection notification; both paths
    // report a move once.
    connect(this, &QsciScintilla::selectionChanged, this, &CodeEditor::ReportSelection);
    connect(this, &QsciScintilla::cursorPositionChanged, this, &CodeEditor::ReportSelection);
    connect(this, &QsciScintilla::linesChanged, this, &CodeEditor::UpdateMarginWidth);
    connect(this, &QsciScintilla::modificationChanged, this, &CodeEditor::NoteUnsaved);
    UpdateMarginWidth();
}

CodeEditor::~CodeEditor() = default;

void CodeEditor::ReportSelection() {
    const long anchor = SendScintilla(SCI_GETANCHOR);
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    if (anchor == reportedAnchor && caret == reportedCaret)
        return;
    reportedAnchor = anchor;
    reportedCaret = caret;
    Q_EMIT SelectionChanged();
}

bool CodeEditor::OpenFile(const QString& path) {
    documentPath = path;
    lineEnd = LineEnd::Lf;
    encoding = Encoding::Utf8;
    byteOrderMark = false;
    lineEndFromFile = true;
    textNotOnDisk = false;

    QByteArray bytes;
    if (!ReadModule(path, bytes)) {
        LoadBytes(QByteArray(), true);
        NoteUnsaved();
        return false;
    }

    // Everything happens on the bytes, in place: CR and LF never occur inside
    // a UTF-8 sequence nor stand for anything else in Windows-1252.
    lineEnd = LineEndAt(bytes.indexOf('\n'), bytes.indexOf('\r'));
    if (bytes.contains('\r')) {
        bytes.replace("\r\n", "\n");
        bytes.replace('\r', '\n');
    }
    // A file that is not UTF-8 throughout is the Windows program's: a part
    // that happens to look like UTF-8 is read in the same code page, so that
    // every byte comes back on save. Valid UTF-8 goes to the control as it is.
    const bool bom = bytes.startsWith(Utf8Bom);
    if (Windows1252::IsValidUtf8(QByteArrayView(bytes).sliced(bom ? Utf8Bom.size() : 0))) {
        byteOrderMark = bom;
        if (bom)
            bytes.remove(0, Utf8Bom.size());
    } else {
        encoding = Encoding::Windows1252;
        bytes = Windows1252::Decode(bytes).toUtf8();
    }
    setIndentationsUseTabs(IndentsWithTabs(bytes).value_or(true));
    LoadBytes(bytes, true, PieceCuts(bytes));
    NoteUnsaved();
    return true;
}

std::optional<bool> CodeEditor::IndentsWithTabs(QByteArrayView text) {
    qsizetype tabs = 0;
    qsizetype spaces = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        // A line of blanks alone says nothing about how code is indented.
        const QByteArrayView line = text.sliced(start, end - start);
        if (!line.isEmpty() && !line.trimmed().isEmpty()) {
            if (line.front() == '\t')
                ++tabs;
            else if (line.front() == ' ')
                ++spaces;
        }
        start = end + 1;
    }
    if (tabs == spaces)
        return std::nullopt;
    return tabs > spaces;
}

bool CodeEditor::ReadModule(const QString& path, QByteArray& bytes) {
    bytes.clear();
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return ReadAll(file, bytes);
}

bool CodeEditor::IsReadableModule(const QString& path) {
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool CodeEditor::ReadAll(QIODevice& device, QByteArray& bytes) {
    constexpr qint64 Chunk = 1 << 20;
    bytes.clear();
    // The size is a guess: the file may grow or shrink while it is read. The
    // spare chunk finds its end without growing the buffer.
    bytes.reserve(std::max<qint64>(device.size(), 0) + Chunk);
    for (;;) {
        const qsizetype at = bytes.size();
        if (bytes.capacity() - at < Chunk)
            bytes.reserve(bytes.capacity() * 2);
        const qint64 room = bytes.capacity() - at;
        bytes.resize(at + room);
        const qint64 got = device.read(bytes.data() + at, room);
        if (got < 0) {
            bytes.clear();
            return false;
        }
        bytes.resize(at + got);
        if (got == 0)
            return true;
    }
}

// A module is a regular file. A folder, a device or a pipe is not one, and
// opening a pipe for reading would wait for a writer forever: the file is
// opened without waiting and then looked at.
int CodeEditor::OpenRegularFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return -1;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Where the lines longer than SplitLineBytes are cut into pieces of
// PieceBytes, never inside a character: the offsets of the pieces after the
// first of each such line.
std::vector<qsizetype> CodeEditor::PieceCuts(const QByteArray& utf8) {
    std::vector<qsizetype> cuts;
    const char* text = utf8.constData();
    const qsizetype size = utf8.size();
    for (qsizetype start = 0; start < size;) {
        const void* lf = std::memchr(text + start, '\n', static_cast<size_t>(size - start));
        const qsizetype end = lf ? static_cast<const char*>(lf) - text : size;
        if (end - start > SplitLineBytes) {
            for (qsizetype piece = start;;) {
                qsizetype cut = piece + PieceBytes;
                if (cut >= end)
                    break;
                while (cut > piece + 1 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                    --cut;
                cuts.push_back(cut);
                piece = cut;
            }
        }
        start = end + 1;
    }
    return cuts;
}

void CodeEditor::ShowPieces() {
    setReadOnly(true);
    // A note under the first piece of every cut line says why nothing can be typed.
    const QByteArray note =
        tr(" A line too long to show whole: it is shown in pieces, and this module is read "
           "only here. ")
            .toUtf8();
    long previous = -2;
    for (const long at : pieceBreaks) {
        const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(at));
        if (line != previous + 1) {
            SendScintilla(SCI_ANNOTATIONSETTEXT, static_cast<unsigned long>(line),
                          note.constData());
            SendScintilla(SCI_ANNOTATIONSETSTYLE, static_cast<unsigned long>(line),
                          static_cast<long>(STYLE_DEFAULT));
        }
        previous = line;
    }
}

bool CodeEditor::SaveFile(const QString& path) {
    QByteArray bytes;
    const Encoding written = Encode(bytes);
    // A failed save leaves the old module as it was.
    if (!WriteFileAtomically(path, bytes))
        return false;
    encoding = written;
    textNotOnDisk = false;
    SendScintilla(SCI_SETSAVEPOINT);
    NoteUnsaved();
    return true;
}

bool CodeEditor::SaveCopy(const QString& path) {
    QByteArray bytes;
    Encode(bytes);
    return WriteFileAtomically(path, bytes);
}

CodeEditor::Encoding CodeEditor::Encode(QByteArray& bytes) const {
    const QString content = ConvertLineEnds(AllText(), LineEndText(lineEnd));
    // A Windows-1252 module that now holds characters the code page cannot
    // store becomes UTF-8 rather than losing them.
    if (encoding == Encoding::Windows1252 && Windows1252::Encode(content, bytes))
        return Encoding::Windows1252;
    bytes = content.toUtf8();
    if (encoding == Encoding::Utf8 && byteOrderMark)
        bytes.prepend(Utf8Bom);
    return Encoding::Utf8;
}

bool CodeEditor::Unsaved() const {
    return textNotOnDisk || isModified();
}

void CodeEditor::NoteUnsaved() {
    const bool now = Unsaved();
    if (now == reportedUnsaved)
        return;
    reportedUnsaved = now;
    Q_EMIT UnsavedChanged(now);
}

// One bulk insert with undo collection off: a large module loads in a few
// milliseconds, where an undoable setText copies it all into the undo buffer.
// The insert is not reported with its text (that would copy the module once
// more); the change signals follow it as they follow a key. Nothing lays the
// text out here (the caret is placed, not scrolled to): the first paint does.
// `cuts` are where the pieces of long lines begin (see PieceCuts).
void CodeEditor::LoadBytes(const QByteArray& utf8, bool quiet, const std::vector<qsizetype>& cuts) {
    const bool wasLoading = loading;
    loading = quiet;
    pieceBreaks.clear();
    setReadOnly(false);
    SendScintilla(SCI_ANNOTATIONCLEARALL);
    SendScintilla(SCI_SETMODEVENTMASK, KeyModEvents);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(utf8.size() + cuts.size() + 4096));
    // Each piece goes in with a line break of the editor's own after it.
    qsizetype copied = 0;
    for (const qsizetype cut : cuts) {
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(cut - copied),
                      utf8.constData() + copied);
        pieceBreaks.push_back(SendScintilla(SCI_GETLENGTH));
        SendScintilla(SCI_APPENDTEXT, 1UL, "\n");
        copied = cut;
    }
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size() - copied),
                  utf8.constData() + copied);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(SC_MODEVENTMASKALL));
    SendScintilla(SCI_SETEMPTYSELECTION, 0UL);
    SendScintilla(SCI_SETFIRSTVISIBLELINE, 0UL);
    SendScintilla(SCI_SETXOFFSET, 0UL);
    if (!pieceBreaks.empty())
        ShowPieces();
    Q_EMIT textChanged();
    Q_EMIT linesChanged();
    loading = wasLoading;
}

QString CodeEditor::Text() const {
    return ConvertLineEnds(AllText(), u"\r\n");
}

// By length, not as a C string as text() reads it: a NUL byte in a module must
// not cut off everything after it.
QString CodeEditor::AllText() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    QByteArray bytes(length + 1, '\0');
    SendScintilla(SCI_GETTEXT, static_cast<unsigned long>(length + 1), bytes.data());
    bytes.truncate(length);
    // A module shown in pieces is what was read, without the pieces' breaks.
    if (!pieceBreaks.empty()) {
        char* out = bytes.data() + pieceBreaks.front();
        for (size_t i = 0; i < pieceBreaks.size(); ++i) {
            const long from = pieceBreaks[i] + 1;
            const long to = i + 1 < pieceBreaks.size() ? pieceBreaks[i + 1] : length;
            std::memmove(out, bytes.constData() + from, static_cast<size_t>(to - from));
            out += to - from;
        }
        bytes.truncate(out - bytes.constData());
    }
    return QString::fromUtf8(bytes);
}

void CodeEditor::SetText(const QString& text) {
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    const qsizetype cr = text.indexOf(QLatin1Char('\r'));
    if (!lineEndFromFile && (lf >= 0 || cr >= 0))
        lineEnd = LineEndAt(lf, cr);
    const QByteArray bytes = ConvertLineEnds(text, u"\n").toUtf8();
    setIndentationsUseTabs(IndentsWithTabs(bytes).value_or(true));
    textNotOnDisk = true;
    LoadBytes(bytes, false);
    NoteUnsaved();
}

// Columns count characters as the editor steps over them. Plain ASCII, the
// usual case, is counted by bytes straight from the editor's buffer; only
// other text is left to the editor's own, slower, character walk. Either way
// no column costs a message per character, which at the end of a line of
// megabytes would take seconds.
bool CodeEditor::AsciiRange(long from, long to) const {
    if (to <= from)
        return true;
    const auto* p = reinterpret_cast<const unsigned char*>(
        SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
    if (!p)
        return false;
    const unsigned char* end = p + (to - from);
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; p < end; ++p)
        if (*p & 0x80)
            return false;
    return true;
}

void CodeEditor::LineIndexOf(long position, int& line, int& index) const {
    line =
        static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position)));
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    index = static_cast<int>(
        AsciiRange(start, position)
            ? position - start
            : SendScintilla(SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), position));
}

long CodeEditor::PositionOf(int line, int index) const {
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    if (index <= 0 || start < 0)
        return std::max(start, 0L);
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    if (index <= end - start && AsciiRange(start, start + index))
        return start + index;
    // Past the end of the text the walk stops there.
    const long position =
        SendScintilla(SCI_POSITIONRELATIVE, static_cast<unsigned long>(start), index);
    return position > 0 ? position : SendScintilla(SCI_GETLENGTH);
}

int CodeEditor::CaretLine() const {
    return static_cast<int>(SendScintilla(
        SCI_LINEFROMPOSITION, static_cast<unsigned long>(SendScintilla(SCI_GETCURRENTPOS))));
}

EditorRange CodeEditor::GetSel(bool normalise) const {
    long anchor = SendScintilla(SCI_GETANCHOR);
    long caret = SendScintilla(SCI_GETCURRENTPOS);
    if (normalise && anchor > caret)
        std::swap(anchor, caret);
    EditorRange range;
    LineIndexOf(anchor, range.startLine, range.startColumn);
    LineIndexOf(caret, range.endLine, range.endColumn);
    return range;
}

void CodeEditor::SetSel(const EditorRange& range, bool makeVisible) {
    const long anchor = PositionOf(range.startLine, range.startColumn);
    const long caret = PositionOf(range.endLine, range.endColumn);
    if (makeVisible) {
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(anchor), static_cast<long>(caret));
        ensureLineVisible(range.endLine);
    } else {
        SendScintilla(SCI_SETCURRENTPOS, static_cast<unsigned long>(caret));
        SendScintilla(SCI_SETANCHOR, static_cast<unsigned long>(anchor));
    }
}

QString CodeEditor::LineText(int line) const {
    if (line < 0 || line >= lines())
        return QString();
    const long length = SendScintilla(SCI_LINELENGTH, static_cast<unsigned long>(line));
    QByteArray bytes(length + 1, '\0');
    SendScintilla(SCI_GETLINE, static_cast<unsigned long>(line), bytes.data());
    QString result = QString::fromUtf8(bytes.constData(), length);
    while (result.endsWith(QLatin1Char('\n')) || result.endsWith(QLatin1Char('\r')))
        result.chop(1);
    return result;
}

int CodeEditor::LineCount() const {
    return lines();
}

QString CodeEditor::CurrentWord() const {
    const auto caret = static_cast<unsigned long>(SendScintilla(SCI_GETCURRENTPOS));
    const long start = SendScintilla(SCI_WORDSTARTPOSITION, caret, 1L);
    const long end = SendScintilla(SCI_WORDENDPOSITION, caret, 1L);
    return start < end ? text(static_cast<int>(start), static_cast<int>(end)) : QString();
}

void CodeEditor::ReplaceSelection(const QString& text) {
    replaceSelectedText(ConvertLineEnds(text, u"\n"));
}

bool CodeEditor::CanUndo() const {
    return isUndoAvailable();
}
bool CodeEditor::CanRedo() const {
    return isRedoAvailable();
}
bool CodeEditor::CanCut() const {
    return hasSelectedText() && !isReadOnly();
}
bool CodeEditor::CanCopy() const {
    return hasSelectedText();
}
bool CodeEditor::CanPaste() const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return !isReadOnly() && data && data->hasText();
}

bool CodeEditor::ExecuteCmd(int command, int datum) {
    switch (command) {
        case Undo:
            return CanUndo() && (undo(), true);
        case Redo:
            return CanRedo() && (redo(), true);
        case Cut:
            return CanCut() && (cut(), true);
        case Copy:
            return CanCopy() && (copy(), true);
        case Paste:
            return CanPaste() && (paste(), true);
        case Delete:
            return !isReadOnly() && (SendScintilla(SCI_CLEAR), true);
        case SelectAll:
            selectAll(true);
            return true;
        case Find:
            Dialog()->ShowFind(SearchSeed());
            return true;
        case Replace:
            Dialog()->ShowReplace(SearchSeed());
            return true;
        case FindNext:
            // What the open box shows is what the user means to find next.
            if (dialog && dialog->isVisible())
                lastSearch = dialog->Options();
            if (lastSearch.text.isEmpty()) {
                Dialog()->ShowFind(SearchSeed());
                return true;
            }
            return FindFromCaret(FindNext);
        case GoToLine: {
            int line = datum;
            if (line < 0) {
                line = GoToLineDialog::Ask(this, lines(), CaretLine());
                if (line < 0)
                    return false;
            }
            GoTo(line);
            return true;
        }
        case ShowArgumentTip:
        case ListInsertBegin:
        case ListInsertEnd:
            return true;
        default:
            return false;
    }
}

void CodeEditor::GoTo(int line) {
    line = std::clamp(line, 0, std::max(0, lines() - 1));
    setCursorPosition(line, 0);
    ensureLineVisible(line);
}

int CodeEditor::HitTest(const QPoint& point) const {
    const QRect area = viewport()->geometry();
    if (!area.contains(point))
        return HitOutside;
    int marginsWidth = 0;
    for (int margin = 0; margin < margins(); ++margin)
        marginsWidth += marginWidth(margin);
    return point.x() - area.left() < marginsWidth ? HitOutside : HitText;
}

QString CodeEditor::PrintContents() {
    QsciPrinter printer(QPrinter::HighResolution);
    QString pdf;
    if (QPrinterInfo::defaultPrinter().isNull()) {
        pdf = PdfPathFor(documentPath);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    }
    printer.setDocName(documentPath.isEmpty() ? QStringLiteral("Untitled")
                                              : QFileInfo(documentPath).fileName());
    printer.setWrapMode(WrapWord);
    if (!printer.printRange(this))
        return QString();
    return pdf.isEmpty() || QFileInfo(pdf).size() > 0 ? pdf : QString();
}

FindReplaceDialog* CodeEditor::Dialog() {
    if (dialog)
        return dialog;
    dialog = new FindReplaceDialog(this);
    connect(dialog, &FindReplaceDialog::FindNextClicked, this, [this] {
        lastSearch = dialog->Options();
        FindFromCaret(dialog->ReplaceMode() ? Replace : Find);
    });
    connect(dialog, &FindReplaceDialog::ReplaceClicked, this, [this] {
        lastSearch = dialog->Options();
        ReplaceNext(dialog->ReplaceText());
    });
    connect(dialog, &FindReplaceDialog::ReplaceAllClicked, this, [this] {
        lastSearch = dialog->Options();
        if (const int count = ReplaceAll(dialog->ReplaceText()); count > 0)
            dialog->SetStatus(tr("Replaced %1 occurrence(s).").arg(count));
    });
    return dialog;
}

// The dialog opens on the selected text when it is part of one line, else on
// the last search, else on the word at the caret.
SearchOptions CodeEditor::SearchSeed() const {
    SearchOptions options = lastSearch;
    const EditorRange range = GetSel(true);
    if (hasSelectedText() && range.startLine == range.endLine)
        options.text = selectedText();
    else if (options.text.isEmpty())
        options.text = CurrentWord();
    return options;
}

int CodeEditor::SearchFlags(const SearchOptions& options) const {
    return (options.matchCase ? SCFIND_MATCHCASE : 0) | (options.wholeWord ? SCFIND_WHOLEWORD : 0);
}

// Searches from `from` towards `to` (backwards when to < from).
bool CodeEditor::FindRange(long from, long to, long& start, long& end) const {
    const QByteArray needle = lastSearch.text.toUtf8();
    if (needle.isEmpty())
        return false;
    SendScintilla(SCI_SETSEARCHFLAGS, static_cast<unsigned long>(SearchFlags(lastSearch)));
    SendScintilla(SCI_SETTARGETSTART, static_cast<unsigned long>(from));
    SendScintilla(SCI_SETTARGETEND, static_cast<unsigned long>(to));
    const long found = SendScintilla(SCI_SEARCHINTARGET, static_cast<unsigned long>(needle.size()),
                                     needle.constData());
    if (found < 0)
        return false;
    start = found;
    end = SendScintilla(SCI_GETTARGETEND);
    return true;
}

bool CodeEditor::FindFromCaret(int command) {
    if (lastSearch.text.isEmpty())
        return false;
    const long length = SendScintilla(SCI_GETLENGTH);
    const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
    const long selEnd = SendScintilla(SCI_GETSELECTIONEND);
    long start = 0;
    long end = 0;
    // Past the end of the text the search wraps round to the other end.
    const bool found =
        lastSearch.forward
            ? FindRange(selEnd, length, start, end) || FindRange(0, length, start, end)
            : FindRange(selStart, 0, start, end) || FindRange(length, 0, start, end);
    if (!found) {
        ReportNotFound(command);
        return false;
    }
    if (lastSearch.forward)
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(start), end);
    else
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(end), start);
    ensureLineVisible(
        static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(start))));
    return true;
}

bool CodeEditor::SelectionIsMatch() const {
    const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
    const long selEnd = SendScintilla(SCI_GETSELECTIONEND);
    long start = 0;
    long end = 0;
    return selStart < selEnd && FindRange(selStart, selEnd, start, end) && start == selStart &&
           end == selEnd;
}

bool CodeEditor::ReplaceNext(const QString& with) {
    if (lastSearch.text.isEmpty() || isReadOnly())
        return false;
    bool replaced = false;
    if (SelectionIsMatch()) {
        const QByteArray bytes = with.toUtf8();
        SendScintilla(SCI_TARGETFROMSELECTION);
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()),
                      bytes.constData());
        const long after = lastSearch.forward ? SendScintilla(SCI_GETTARGETEND)
                                              : SendScintilla(SCI_GETTARGETSTART);
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(after), after);
        replaced = true;
    }
    return FindFromCaret(Replace) || replaced;
}

int CodeEditor::ReplaceAll(const QString& with) {
    if (lastSearch.text.isEmpty() || isReadOnly())
        return 0;
    const QByteArray bytes = with.toUtf8();
    int count = 0;
    long from = 0;
    long start = 0;
    long end = 0;
    beginUndoAction();
    while (FindRange(from, SendScintilla(SCI_GETLENGTH), start, end)) {
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()),
                      bytes.constData());
        from = SendScintilla(SCI_GETTARGETEND);
        ++count;
    }
    endUndoAction();
    if (count == 0)
        ReportNotFound(Replace);
    return count;
}

void CodeEditor::ReportNotFound(int command) {
    bool handled = false;
    Q_EMIT CommandFailed(command, NotFound, &handled);
    if (handled)
        return;
    QWidget* owner = dialog && dialog->isVisible() ? static_cast<QWidget*>(dialog) : this;
    Prompt::Current().Message(owner, QMessageBox::Information, tr("Find"),
                              tr("Cannot find \"%1\".").arg(lastSearch.text));
}

void CodeEditor::UpdateMarginWidth() {
    int digits = 1;
    for (int n = lines(); n >= 10; n /= 10)
        ++digits;
    digits = std::max(digits, 3);
    if (digits == numberDigits)
        return;
    numberDigits = digits;
    // One spare digit keeps the numbers off the text.
    setMarginWidth(0, QString(digits + 1, QLatin1Char('9')));
}

int CodeEditor::KeyCodeOf(int qtKey) {
    for (const auto& [key, code] : KeyCodes)
        if (key == qtKey)
            return code;
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    return 0;
}

int CodeEditor::ShiftStateOf(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? ShiftBitShift : 0) |
           (modifiers & Qt::ControlModifier ? ShiftBitCtrl : 0) |
           (modifiers & Qt::AltModifier ? ShiftBitAlt : 0);
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
    const int shift = ShiftStateOf(event->modifiers());
    Q_EMIT KeyDown(KeyCodeOf(event->key()), shift);
    if (const int code = CharCodeOf(*event)) {
        keySwallowed = false;
        Q_EMIT KeyPress(code, shift);
        if (keySwallowed) {
            keySwallowed = false;
            event->accept();
            Q_EMIT KeyHandled();
            return;
        }
    }
    const long linesBefore = SendScintilla(SCI_GETLINECOUNT);
    changedByKey = false;
    SendScintilla(SCI_SETMODEVENTMASK, KeyModEvents);
    QsciScintilla::keyPressEvent(event);
    SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(SC_MODEVENTMASKALL));
    if (changedByKey) {
        changedByKey = false;
        Q_EMIT textChanged();
        if (SendScintilla(SCI_GETLINECOUNT) != linesBefore)
            Q_EMIT linesChanged();
    }
    // Scintilla reports a caret moved by typing only when it next paints.
    ReportSelection();
    Q_EMIT KeyHandled();
}

void CodeEditor::keyReleaseEvent(QKeyEvent* event) {
    QsciScintilla::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT KeyUp(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
}

// Mouse events arrive from the viewport; callers get positions in this
// widget's coordinates so that HitTest can classify them.
void CodeEditor::mousePressEvent(QMouseEvent* event) {
    const QPoint at = viewport()->mapTo(this, event->position().toPoint());
    Q_EMIT MouseDown(ButtonOf(event->button()), ShiftStateOf(event->modifiers()), at);
    QsciScintilla::mousePressEvent(event);
}

void CodeEditor::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = viewport()->mapTo(this, event->position().toPoint());
    QsciScintilla::mouseReleaseEvent(event);
    Q_EMIT MouseUp(ButtonOf(event->button()), ShiftStateOf(event->modifiers()), at);
}

// The window decides what a right click shows; the built-in menu stays away.
void CodeEditor::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

int CodeEditor::EditorLineOf(int moduleLine) const {
    // Every cut before the module line's first piece adds an editor line.
    int line = moduleLine;
    for (size_t i = 0; i < pieceBreaks.size(); ++i) {
        const long cutLine =
            SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(pieceBreaks[i]));
        if (cutLine - static_cast<long>(i) >= moduleLine)
            break;
        ++line;
    }
    return line;
}

int CodeEditor::ModuleLineOf(int editorLine) const {
    int cuts = 0;
    for (const long at : pieceBreaks) {
        if (SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(at)) >= editorLine)
            break;
        ++cuts;
    }
    return editorLine - cuts;
}

void CodeEditor::SetMessageLines(const QList<int>& lines) {
    markerDeleteAll(MessageMarker);
    bool any = false;
    for (const int line : lines) {
        const int shown = EditorLineOf(line);
        if (line >= 0 && shown < this->lines()) {
            markerAdd(shown, MessageMarker);
            any = true;
        }
    }
    setMarginWidth(1, any ? QFontMetrics(font()).height() : 0);
}

void CodeEditor::ClearMessageLines() {
    SetMessageLines({});
}

QList<int> CodeEditor::MessageLines() const {
    QList<int> marked;
    const unsigned long mask = 1u << MessageMarker;
    for (long line = SendScintilla(SCI_MARKERNEXT, 0UL, mask); line >= 0;
         line = SendScintilla(SCI_MARKERNEXT, static_cast<unsigned long>(line + 1), mask))
        marked.append(ModuleLineOf(static_cast<int>(line)));
    return marked;
}
