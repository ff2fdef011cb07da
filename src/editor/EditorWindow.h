#pragma once
#include <QString>
#include <QWidget>

#include "editor/CodeEditor.h"

class QComboBox;
class QFrame;
class QLabel;

// The document window of one module (`Form2`): a top bar with the module
// caption and the two navigation lists above the editor. It keeps the module's
// file name and changed flag and talks to the main window only by signals.
class EditorWindow : public QWidget {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);

    // Loads a module into the editor and shows its name in the caption; an
    // empty name loads nothing.
    void LoadFile(const QString& fileName);

    QString FileName() const { return fileName; }
    void SetFileName(const QString& name);
    QString ModuleName() const { return moduleName; }
    bool DocChanged() const { return docChanged; }
    void SetDocChanged(bool changed) { docChanged = changed; }

    bool CanUndo() const;
    bool CanRedo() const;
    bool CanCopy() const;
    bool CanCut() const;
    bool CanPaste() const;
    // The editor has no delete query; undo availability stands in for it.
    bool CanDelete() const;

    // "line/column" of the caret and "line/linecount", lines and columns from 0.
    QString CurrentPosition() const;
    QString CurrentLine() const;

    CodeEditor* Editor() const { return cmaxEdit; }

    // The window's controls, under their own names.
    QFrame* const Picture1;
    QLabel* const Label1;
    QComboBox* const Combo1;
    QComboBox* const Combo2;
    CodeEditor* const cmaxEdit;

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
    void OnMouseDown(int button, int shift, QPoint position);
    void OnMouseUp(int button, int shift, QPoint position);
    void OnCommandFailed(int command, int code, bool* handled);
    int CaretLine() const;

    QString fileName;
    QString moduleName;
    bool docChanged = false;
    bool leftButtonDown = false;
    int lineAtDown = 0;  // caret line at key or mouse down, for the procedure scan
};
