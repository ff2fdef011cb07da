#include "settings/ValueDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "controls/cFlatCtl.h"

ValueDialog::ValueDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral(" Add Value ... "));

    Label1 = new QLabel(QStringLiteral("New Value"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit;
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(360);
    Label1->setBuddy(Text1);
    Label2 = new QLabel(
        QStringLiteral("Add new value or edit existing. To save changes click OK, if you don't "
                       "want chanches, click Storno."));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);

    Command2 = new QPushButton(QStringLiteral("OK"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("Cancel"));
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command2, &QPushButton::clicked, this, &ValueDialog::accept);
    connect(Command1, &QPushButton::clicked, this, &ValueDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Text1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);

    // The flat look is decoration: a refused attach leaves the plain box.
    flat = new cFlatCtl(this);
    try {
        flat->Attach(Text1);
    } catch (...) {
    }
    Text1->installEventFilter(this);
}

ValueDialog::~ValueDialog() {
    Text1->removeEventFilter(this);
    if (flat)
        flat->Detach();
}

void ValueDialog::SetValue(const QString& text) {
    value = text;
    Text1->setText(text);
}

QString ValueDialog::Ask(QWidget* parent, const QString& value) {
    ValueDialog dialog(parent);
    dialog.SetValue(value);
    dialog.exec();
    return dialog.Value();
}

void ValueDialog::accept() {
    value = Text1->text();
    QDialog::accept();
}

void ValueDialog::reject() {
    value.clear();
    QDialog::reject();
}

bool ValueDialog::eventFilter(QObject* watched, QEvent* event) {
    // Selecting at once would be undone by the click that gave the focus.
    if (watched == Text1 && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, Text1, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}
