#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <utility>

#include "editor/ParseLine.h"

class CodeEditor;
class QListWidget;

// What the typing aids need of a module's syntax definition.
struct CompletionSyntax {
    QStringList keywords;      // the code list, in file order; empty words are skipped
    QString argumentFile;      // full path of the argument file, "" for none
    QString escapeChar;        // escape character inside strings
    QString stringDelimiters;  // the raw "stringdelimeters" value: one character each
    bool caseSensitive = false;
};

// Where argument `argument` (zero-based) stands in an argument description,
// as [first, last) in `tip`: the arguments follow its first "(" (or start at
// the beginning without one), are separated by commas outside inner
// parentheses and end at the closing ")". {-1, -1} when there is no such
// argument.
std::pair<qsizetype, qsizetype> ArgumentSpan(QStringView tip, int argument);

// The keyword list and the argument tip of one editor (`cmaxEdit`).
//
// The code list opens on Ctrl+Space with every keyword, the one that begins
// with the word at the caret selected, and shows the selected keyword's
// argument description as its tooltip. Enter, Tab, a double click or Space
// (unless with Ctrl alone) puts the keyword in place of the word at the caret.
//
// The argument tip follows the caret: inside the parentheses of a call it
// shows the function's description from the argument file with the argument
// at the caret highlighted. Neither appears when the syntax has no keywords.
class CodeCompletion : public QObject {
    Q_OBJECT
public:
    static constexpr int ListId = 1;        // the code list among the editor's user lists
    static constexpr int KeywordImage = 0;  // the icon before every entry

    explicit CodeCompletion(CodeEditor* editor, QObject* parent = nullptr);
    ~CodeCompletion() override;

    void SetSyntax(const CompletionSyntax& syntax);
    const CompletionSyntax& Syntax() const { return syntax; }
    bool HasKeywords() const;

    // The description of `function` in the argument file (section
    // "ArgumentsList"), "" when there is none.
    QString ArgumentDescription(const QString& function) const;

    // Opens the code list; false (and no list) without keywords.
    bool ShowList();
    bool ListOpen() const;
    // The selected entry's description, as the list shows it as its tooltip.
    QString ListToolTip() const { return listToolTip; }
    // The entry Space accepted last.
    QString RememberedEntry() const { return remembered; }
    // Replaces the word at the caret by `entry` (trimmed) and closes the list.
    void ChooseEntry(const QString& entry);

    // Key pressed in the editor (codes and shift bits as CodeEditor reports
    // them). Space while the list is open accepts its entry; then the key is
    // swallowed and the result is true.
    bool HandleKeyPress(int key, int shift);

    // Selection change in the editor: with keywords and an argument file,
    // analyses the caret line and shows or hides the argument tip.
    void OnSelectionChanged();
    // Finds the call open at `caretColumn` of `line` (the caret line's text,
    // column in QString units) and shows its tip or none.
    void ParseLine(const QString& line, int caretColumn, const QString& escapeChar);

    QString TipFunction() const { return tipFunction; }
    int TipArgument() const { return tipArgument; }  // -1: no tip
    QString TipText() const { return tipText; }
    bool TipShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnUserListActivated(int id, const QString& text);
    void OnListCancelled();
    void OnListRowChanged(int row);
    void OnCharAdded(int added);
    void FollowTypedWord();
    void SelectFor(const QString& word);
    void ShowTip(qsizetype nameStart, const QString& lineText);
    void CloseList();
    QListWidget* ListWidget() const;
    QString CurrentEntry() const;

    QPointer<CodeEditor> editor;
    CompletionSyntax syntax;
    bool listOpen = false;
    QPointer<QListWidget> list;
    QString listToolTip;
    QString remembered;
    QString tipFunction;
    int tipArgument = -1;
    QString tipText;
    QString shownTip;  // what the editor's tip shows, and where
    long shownTipPosition = -1;
};
