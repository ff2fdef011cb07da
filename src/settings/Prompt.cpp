#include "settings/Prompt.h"

#include <QFileDialog>

namespace {
Prompt defaultPrompt;
Prompt* current = nullptr;
}  // namespace

Prompt& Prompt::Current() {
    return current ? *current : defaultPrompt;
}

void Prompt::Install(Prompt* prompt) {
    current = prompt;
}

QMessageBox::StandardButton Prompt::Message(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString Prompt::OpenFile(QWidget* parent, const QString& title, const QString& filter,
                         const QString& start) {
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString Prompt::SaveFile(QWidget* parent, const QString& title, const QString& filter,
                         const QString& defaultSuffix, const QString& start) {
    QFileDialog dialog(parent, title, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().first()
               : QString();
}

QString Prompt::Folder(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title);
}
