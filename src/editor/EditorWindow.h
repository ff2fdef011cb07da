#pragma once
#include <QString>
#include <QWidget>

#include "editor/CodeCompletion.h"
#include "editor/CodeEditor.h"
#include "editor/ProcedureNavigator.h"
#include "editor/SyntaxDefinition.h"

class QComboBox;
class QFrame;
class QLabel;
class SyntaxLexer;
class cFlatCtl;

// The document window of one module (`Form2`): a top bar with the module
// caption and the two navigation lists above the editor. It keeps the module's
// file name, changed flag and syntax definition, and talks to the main window
// only by signals.
class EditorWindow : public QWidget {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // Loads a module into the editor, coloured by the syntax file of its
    // extension, and shows its name in the caption. An empty name loads no
    // text and takes the Zorbel syntax. False when the module could not be
    // read whole (the editor is then empty) or when the window was closed
    // while it loaded: then nothing of it may be touched any more.
    bool LoadFile(const QString& fileName);
    // The argument-tip analysis of a line with the caret at `caretColumn`.
    void ParseLine(const QString& line, int caretColumn, const QString& escapeChar) {
        completion->ParseLine(line, caretColumn, escapeChar);
    }
    // Parses a syntax file and gives its language, colours and options to the
    // editor. A file that cannot be read leaves the editor uncoloured.
    void LoadSettings(const QString& syntaxPath);
    // The syntax file for a module name: the value of its extension (the whole
    // file part when it has no ".") in SyntaxKey, inside the "syntax" folder.
    static QString SyntaxPathFor(const QString& fileName);
    const SyntaxDefinition& Syntax() const { return syntax; }

    QString FileName() const { return fileName; }
    // An untitled document that receives its first name takes the syntax of
    // that name; renaming a named one keeps the syntax it has.
    void SetFileName(const QString& name);
    QString ModuleName() const { return moduleName; }
    // Whether closing should offer to save: the text is unsaved, and the
    // user has not answered for it since it last changed.
    bool DocChanged() const { return !changeAnswered && cmaxEdit->Unsaved(); }
    // False: the user answered for the text as it is now (not saving it).
    void SetDocChanged(bool changed) { changeAnswered = !changed; }
    // A new, untitled module holding `text`, coloured and completed by the
    // Zorbel syntax file the settings give.
    void NewText(const QString& text);

    bool CanUndo() const;
    bool CanRedo() const;
    bool CanCopy() const;
    bool CanCut() const;
    bool CanPaste() const;
    // The editor has no delete query; undo availability stands in for it.
    bool CanDelete() const;

    // "line/column" of the caret and "line/linecount", lines and columns from
    // 1, as the line numbers and Go To count them.
    QString CurrentPosition() const;
    QString CurrentLine() const;

    CodeEditor* Editor() const { return cmaxEdit; }

    // The window's controls, under their own names.
    QFrame* const Picture1;
    QLabel* const Image1;
    QLabel* const Label1;
    QComboBox* const Combo1;
    QComboBox* const Combo2;
    QFrame* const Shape1;
    CodeEditor* const cmaxEdit;
    QLabel* const picicon;  // hidden; holds the code list's entry icon

Q_SIGNALS:
    // The main window should refresh its command states.
    void UpdateUIRequested();
    // Text for the main window's status label.
    void StatusText(const QString& text);
    // A right click over the text: the main window shows its Edit menu.
    void EditMenuRequested();

private:
    void OnTextChanged();
    void OnSelectionChanged();
    void OnKeyDown(int key, int shift);
    void OnKeyPress(int key, int shift);
    void OnKeyUp(int key, int shift);
    void OnMouseDown(int button, int shift, QPoint position);
    void OnMouseUp(int button, int shift, QPoint position);
    void OnCommandFailed(int command, int code, bool* handled);
    void OnCharAdded(int character);

    // Rebuilds the procedure lists from the text; runs when the caret has
    // moved to another line and after a module loads.
    void ScanProcedures();
    // The argument tip's look at the caret line, on a selection change.
    void AnalyseArgumentTip();
    // Space while the code list is open: true when it took the list's entry
    // and the key must not reach the text.
    bool AcceptCodeListEntry(int shift);

    void ApplyAutoCase(long wordEnd);
    int CaretLine() const;

    QString fileName;
    QString moduleName;
    SyntaxDefinition syntax;
    SyntaxLexer* lexer = nullptr;
    cFlatCtl* flatBar;  // the flat look of Picture1 and Combo2
    cFlatCtl* flatCombo;
    bool changeAnswered = false;
    ProcedureNavigator* navigator;  // Combo2: the scan, picks and arming
    CodeCompletion* completion;     // the keyword list and the argument tip
    bool leftButtonDown = false;
    int lineAtDown = 0;  // caret line at key or mouse down, for the procedure scan
};
