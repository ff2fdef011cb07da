// MsgBox and InputBox as dialogs, for programs without a console. The only
// part of the run-time library that uses Qt; a program links it only when
// it needs it.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

#include "zbl_runtime.h"

namespace zbl {

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "zorbel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString text(const String& s) {
    return QString::fromUtf8(s.str().data(), qsizetype(s.size()));
}

// ZBL_DIALOG_AUTOCLOSE_MS closes each dialog with its default choice after
// that long, so a program's dialogs can run unattended (tests, scripts).
void autoClose(QDialog& dialog) {
    if (const char* ms = std::getenv("ZBL_DIALOG_AUTOCLOSE_MS"))
        QTimer::singleShot(std::atoi(ms), &dialog, [&dialog] {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog); box && box->defaultButton())
                box->defaultButton()->click();
            else
                dialog.accept();
        });
}

Integer showMsgBox(const String& prompt, Long buttons, const String& title) {
    application();
    flush();
    struct Choice {
        QMessageBox::StandardButton button;
        Integer value;
    };
    static const std::vector<Choice> sets[] = {
        {{QMessageBox::Ok, vbOK}},
        {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}},
        {{QMessageBox::Abort, vbAbort},
         {QMessageBox::Retry, vbRetry},
         {QMessageBox::Ignore, vbIgnore}},
        {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}},
        {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}},
        {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}},
    };
    const Long set = buttons & 0xF;
    const std::vector<Choice>& choices = set <= 5 ? sets[set] : sets[0];
    QMessageBox box;
    box.setWindowTitle(title.size() ? text(title) : QStringLiteral("zorbel"));
    box.setText(text(prompt));
    switch (buttons & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    for (const Choice& c : choices)
        box.addButton(c.button);
    const std::size_t preferred = std::size_t((buttons & 0x300) >> 8);
    box.setDefaultButton(choices[preferred < choices.size() ? preferred : 0].button);
    autoClose(box);
    box.exec();
    for (const Choice& c : choices)
        if (box.clickedButton() == box.button(c.button))
            return c.value;
    // Closed by the window's own button: Cancel where there is one.
    for (const Choice& c : choices)
        if (c.value == vbCancel)
            return c.value;
    return choices.front().value;
}

String showInputBox(const String& prompt, const String& title, const String& deflt) {
    application();
    flush();
    QInputDialog dialog;
    dialog.setWindowTitle(title.size() ? text(title) : QStringLiteral("zorbel"));
    dialog.setLabelText(text(prompt));
    dialog.setTextValue(text(deflt));
    autoClose(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return String();  // Cancel gives an empty string, as the language has it
    return String(dialog.textValue().toStdString());
}

}  // namespace

void use_dialogs() {
    detail::dialogs.msgbox = &showMsgBox;
    detail::dialogs.inputbox = &showInputBox;
}

}  // namespace zbl
