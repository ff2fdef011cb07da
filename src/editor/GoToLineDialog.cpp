#include "editor/GoToLineDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

GoToLineDialog::GoToLineDialog(int lineCount, int currentLine, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GoToLineDialog"));
    setWindowTitle(tr("Go To Line"));
    lineCount = std::max(1, lineCount);

    txtLine = new QSpinBox;
    txtLine->setObjectName(QStringLiteral("txtLine"));
    txtLine->setRange(1, lineCount);
    txtLine->setValue(std::clamp(currentLine + 1, 1, lineCount));
    txtLine->selectAll();
    auto* label = new QLabel(tr("&Line number (1 - %1):").arg(lineCount));
    label->setObjectName(QStringLiteral("lblRange"));
    label->setBuddy(txtLine);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(txtLine);
    layout->addWidget(buttons);
}

int GoToLineDialog::Line() const {
    return txtLine->value() - 1;
}

int GoToLineDialog::Ask(QWidget* parent, int lineCount, int currentLine) {
    GoToLineDialog dialog(lineCount, currentLine, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Line() : -1;
}
