#pragma once
#include <QMessageBox>
#include <QString>

class QWidget;

// The one seam through which the IDE asks the user something: message boxes,
// file and folder pickers. The default implementation shows the real Qt
// dialogs; tests install their own to answer without a display.
class Prompt {
public:
    virtual ~Prompt() = default;

    // A message box; returns the button the user pressed (Escape gives the
    // escape button, as QMessageBox does).
    virtual QMessageBox::StandardButton Message(
        QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // File pickers: a full path, or "" when cancelled. `filter` is a Qt filter
    // ("Zorbel Files (*.zbl);;All Files (*)"). `start` is the folder the
    // picker opens in, or a file there to propose ("" lets the picker choose).
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& start = QString());
    virtual QString SaveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& defaultSuffix, const QString& start = QString());
    // A folder picker: the folder's path, or "" when cancelled.
    virtual QString Folder(QWidget* parent, const QString& title);

    // The prompt in force. Install(nullptr) brings back the default; the
    // caller keeps ownership of what it installs.
    static Prompt& Current();
    static void Install(Prompt* prompt);
};
