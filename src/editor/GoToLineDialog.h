#pragma once
#include <QDialog>

class QSpinBox;

// Asks for a line number within the document, numbered from 1 as users count.
class GoToLineDialog : public QDialog {
    Q_OBJECT
public:
    GoToLineDialog(int lineCount, int currentLine, QWidget* parent = nullptr);

    // The chosen line, zero-based.
    int Line() const;

    // Shows the dialog modally; the chosen zero-based line, or -1 when cancelled.
    static int Ask(QWidget* parent, int lineCount, int currentLine);

private:
    QSpinBox* txtLine;
};
