#pragma once
// QScintilla's headers still spell the Qt keywords this project switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qsciprinter.h>
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots

#include <QIODevice>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <optional>
#include <vector>

#include "editor/FindReplaceDialog.h"

// A selection as the IDE numbers it: lines and columns (characters) from 0.
// Not normalised, start is the anchor and end the caret.
struct EditorRange {
    int startLine = 0;
    int startColumn = 0;
    int endLine = 0;
    int endColumn = 0;
    bool operator==(const EditorRange&) const = default;
};

// The editor control of a module window (`cmaxEdit`). Inside, the text always
// uses LF; a file's own line ends and encoding are remembered on open and put
// back on save. Callers see the text as CR LF lines and drive the editor through
// numbered commands, as the rest of the IDE expects.
class CodeEditor : public QsciScintilla {
    Q_OBJECT
public:
    enum Command {
        Undo = 129,
        Redo = 139,
        Cut = 197,
        Copy = 198,
        Paste = 140,
        Delete = 195,
        Find = 178,
        FindNext = 176,
        Replace = 169,
        GoToLine = 168,
        SelectAll = 137,
        ShowArgumentTip = 243,
        // Issued around inserting a chosen code-list entry; nothing to do here.
        ListInsertBegin = 112,
        ListInsertEnd = 104,
    };
    enum HitCode { HitText = 4, HitOutside = 8 };
    enum FailureCode { NotFound = 4 };
    // Key codes, shift bits and buttons as the editor's events report them.
    enum KeyCode {
        VkBack = 8,
        VkTab = 9,
        VkReturn = 13,
        VkEscape = 27,
        VkSpace = 32,
        VkLeft = 37,
        VkUp = 38,
        VkRight = 39,
        VkDown = 40,
    };
    enum ShiftBit { ShiftBitShift = 1, ShiftBitCtrl = 2, ShiftBitAlt = 4 };
    enum MouseButton { ButtonLeft = 1, ButtonRight = 2, ButtonMiddle = 4 };
    enum class LineEnd { CrLf, Lf, Cr };
    enum class Encoding { Utf8, Windows1252 };

    // A module with a line longer than SplitLineBytes (minified or generated
    // code) opens read only, each such line shown in pieces of at most
    // PieceBytes, one piece per editor line: the editor lays out a whole line
    // at every paint and key, which for a line of megabytes takes seconds.
    // The pieces are the editor's own; Text and SaveFile give the module back
    // as it was read.
    static constexpr qsizetype SplitLineBytes = 16 * 1024;
    static constexpr qsizetype PieceBytes = 4 * 1024;

    explicit CodeEditor(QWidget* parent = nullptr);
    ~CodeEditor() override;

    // The whole file becomes the text; false (and an empty editor) when it
    // cannot be read whole. Loading is not a change: TextChanged stays quiet.
    bool OpenFile(const QString& path);
    // The bytes of a module file: false, and no bytes, for anything but a
    // regular file read to its end without an error.
    static bool ReadModule(const QString& path, QByteArray& bytes);
    // Whether ReadModule can open the file, without reading it.
    static bool IsReadableModule(const QString& path);
    // Everything `device` gives until its end; false, and no bytes, when a
    // read fails on the way.
    static bool ReadAll(QIODevice& device, QByteArray& bytes);
    // Writes the whole text with the loaded line ends and encoding, replacing
    // the file only once everything is written; the text is then saved. A
    // Windows-1252 module holding a character the code page lacks is written
    // as UTF-8, and is UTF-8 from then on (FileEncoding tells).
    bool SaveFile(const QString& path);
    // Writes the text to `path` as SaveFile does, but as a copy: the document
    // keeps its unsaved state (a build copy is not a save).
    bool SaveCopy(const QString& path);
    LineEnd FileLineEnd() const { return lineEnd; }
    Encoding FileEncoding() const { return encoding; }
    // Whether the text differs from the file: changed since it was read or
    // saved, and not undone back to that point. Text set by SetText is never
    // on disk until saved.
    bool Unsaved() const;
    // Whether a module's indented lines mostly start with a tab (true) or a
    // space (false); none when they do not tell (no indented lines, a tie).
    static std::optional<bool> IndentsWithTabs(QByteArrayView text);
    // True while the text is a module shown in pieces.
    bool ShownInPieces() const { return !pieceBreaks.empty(); }

    // The module the text belongs to (set by OpenFile); printing names its PDF after it.
    QString DocumentPath() const { return documentPath; }
    void SetDocumentPath(const QString& path) { documentPath = path; }

    // The whole text, lines joined by CR LF. SetText accepts any line ends,
    // starts a fresh undo history and, unlike loading, counts as a change. A
    // text no file was read into takes the line ends SetText gives it.
    QString Text() const;
    void SetText(const QString& text);

    EditorRange GetSel(bool normalise) const;
    void SetSel(const EditorRange& range, bool makeVisible = true);
    // The caret's line alone, without counting its column.
    int CaretLine() const;
    // A position as line and column, and back; columns count characters.
    void LineIndexOf(long position, int& line, int& index) const;
    long PositionOf(int line, int index) const;
    QString LineText(int line) const;
    int LineCount() const;
    QString CurrentWord() const;
    void ReplaceSelection(const QString& text);

    bool CanUndo() const;
    bool CanRedo() const;
    bool CanCut() const;
    bool CanCopy() const;
    bool CanPaste() const;

    // Runs a numbered command. For GoToLine, `datum` is the zero-based line, or
    // -1 to ask the user. False for an unknown number or a command that could
    // not act (nothing to undo, nothing found, a cancelled prompt).
    bool ExecuteCmd(int command, int datum = -1);

    // HitText over the text, HitOutside over margins, scroll bars and frame.
    // `point` is in this widget's coordinates, as the mouse events give it.
    int HitTest(const QPoint& point) const;

    // Prints the text on the default printer. Without a printer the pages go
    // to "<module path without extension>.pdf" (home folder for an untitled
    // text) and that path is returned; otherwise, or on failure, "".
    QString PrintContents();

    // The search that find next repeats, and the search itself from the caret.
    // A miss is reported as a failure of `command` (Find, FindNext or Replace).
    SearchOptions LastSearch() const { return lastSearch; }
    void SetLastSearch(const SearchOptions& options) { lastSearch = options; }
    bool FindFromCaret(int command);
    // Replaces the selection when it is a match, then finds the next one.
    bool ReplaceNext(const QString& with);
    // Replaces every match as one undo step; the number replaced.
    int ReplaceAll(const QString& with);

    // Called from a KeyPress handler: the key does not reach the text.
    void SwallowKey() { keySwallowed = true; }

    // Marks in the symbol margin for the lines a build message names, lines
    // of the module from 0. The marks move with edits; the margin shows only
    // while there are marks. SetMessageLines replaces the previous marks.
    static constexpr int MessageMarker = 1;
    void SetMessageLines(const QList<int>& lines);
    void ClearMessageLines();
    QList<int> MessageLines() const;

    static int KeyCodeOf(int qtKey);
    static int ShiftStateOf(Qt::KeyboardModifiers modifiers);

Q_SIGNALS:
    void TextChanged();
    void SelectionChanged();
    void KeyDown(int key, int shift);
    void KeyPress(int key, int shift);
    void KeyUp(int key, int shift);
    void MouseDown(int button, int shift, QPoint position);
    void MouseUp(int button, int shift, QPoint position);
    // Set *handled to keep the editor from showing its own message.
    void CommandFailed(int command, int code, bool* handled);
    // A key press has been handled, its change and caret move made.
    void KeyHandled();
    // Unsaved() turned to `unsaved`.
    void UnsavedChanged(bool unsaved);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ReportSelection();
    void NoteUnsaved();
    // The bytes a save writes, and the encoding they are in.
    Encoding Encode(QByteArray& bytes) const;
    bool AsciiRange(long from, long to) const;
    QString AllText() const;
    void LoadBytes(const QByteArray& utf8, bool quiet, const std::vector<qsizetype>& cuts = {});
    static int OpenRegularFile(const QString& path);
    static std::vector<qsizetype> PieceCuts(const QByteArray& utf8);
    void ShowPieces();
    void UpdateMarginWidth();
    int EditorLineOf(int moduleLine) const;
    int ModuleLineOf(int editorLine) const;
    void GoTo(int line);
    FindReplaceDialog* Dialog();
    SearchOptions SearchSeed() const;
    int SearchFlags(const SearchOptions& options) const;
    bool FindRange(long from, long to, long& start, long& end) const;
    bool SelectionIsMatch() const;
    void ReportNotFound(int command);

    LineEnd lineEnd = LineEnd::Lf;
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false;
    bool lineEndFromFile = false;
    bool textNotOnDisk = false;
    bool reportedUnsaved = false;
    QString documentPath;
    bool loading = false;
    bool keySwallowed = false;
    bool changedByKey = false;
    int numberDigits = 0;
    SearchOptions lastSearch;
    QPointer<FindReplaceDialog> dialog;
    long reportedAnchor = -1;  // the selection last reported by SelectionChanged
    long reportedCaret = -1;
    std::vector<long> pieceBreaks;  // line breaks of the editor's own, by position
};
