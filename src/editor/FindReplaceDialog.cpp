#include "editor/FindReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
}  // namespace

FindReplaceDialog::FindReplaceDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindReplaceDialog"));
    setModal(false);

    txtFind = Named(new QLineEdit, "txtFind");
    txtReplace = Named(new QLineEdit, "txtReplace");
    lblReplace = new QLabel(tr("Re&place with:"));
    lblReplace->setBuddy(txtReplace);
    auto* lblFind = new QLabel(tr("Fi&nd what:"));
    lblFind->setBuddy(txtFind);
    chkMatchCase = Named(new QCheckBox(tr("Match &case")), "chkMatchCase");
    chkWholeWord = Named(new QCheckBox(tr("Match &whole word only")), "chkWholeWord");
    optUp = Named(new QRadioButton(tr("&Up")), "optUp");
    optDown = Named(new QRadioButton(tr("&Down")), "optDown");
    optDown->setChecked(true);
    cmdFindNext = Named(new QPushButton(tr("&Find Next")), "cmdFindNext");
    cmdReplace = Named(new QPushButton(tr("&Replace")), "cmdReplace");
    cmdReplaceAll = Named(new QPushButton(tr("Replace &All")), "cmdReplaceAll");
    cmdClose = Named(new QPushButton(tr("Close")), "cmdClose");
    lblStatus = Named(new QLabel, "lblStatus");
    cmdFindNext->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(lblFind, 0, 0);
    fields->addWidget(txtFind, 0, 1);
    fields->addWidget(lblReplace, 1, 0);
    fields->addWidget(txtReplace, 1, 1);

    auto* direction = new QGroupBox(tr("Direction"));
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(optUp);
    directionLayout->addWidget(optDown);

    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(chkMatchCase);
    checks->addWidget(chkWholeWord);
    checks->addStretch();
    options->addLayout(checks);
    options->addWidget(direction);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addWidget(lblStatus);
    left->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdFindNext);
    buttons->addWidget(cmdReplace);
    buttons->addWidget(cmdReplaceAll);
    buttons->addWidget(cmdClose);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(cmdFindNext, &QPushButton::clicked, this, [this] {
        SetStatus(QString());
        Q_EMIT FindNextClicked();
    });
    connect(cmdReplace, &QPushButton::clicked, this, [this] {
        SetStatus(QString());
        Q_EMIT ReplaceClicked();
    });
    connect(cmdReplaceAll, &QPushButton::clicked, this, &FindReplaceDialog::ReplaceAllClicked);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(txtFind, &QLineEdit::textChanged, this, &FindReplaceDialog::UpdateButtons);
}

void FindReplaceDialog::ShowFind(const SearchOptions& options) {
    Present(false, options);
}

void FindReplaceDialog::ShowReplace(const SearchOptions& options) {
    Present(true, options);
}

void FindReplaceDialog::Present(bool replace, const SearchOptions& options) {
    replaceMode = replace;
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    txtFind->setText(options.text);
    chkMatchCase->setChecked(options.matchCase);
    chkWholeWord->setChecked(options.wholeWord);
    (options.forward ? optDown : optUp)->setChecked(true);
    lblReplace->setVisible(replace);
    txtReplace->setVisible(replace);
    cmdReplace->setVisible(replace);
    cmdReplaceAll->setVisible(replace);
    SetStatus(QString());
    UpdateButtons();
    adjustSize();
    show();
    raise();
    activateWindow();
    txtFind->setFocus();
    txtFind->selectAll();
}

SearchOptions FindReplaceDialog::Options() const {
    return {txtFind->text(), chkMatchCase->isChecked(), chkWholeWord->isChecked(),
            !optUp->isChecked()};
}

QString FindReplaceDialog::ReplaceText() const {
    return txtReplace->text();
}

void FindReplaceDialog::SetStatus(const QString& text) {
    lblStatus->setText(text);
    lblStatus->setVisible(!text.isEmpty());
}

void FindReplaceDialog::UpdateButtons() {
    const bool any = !txtFind->text().isEmpty();
    cmdFindNext->setEnabled(any);
    cmdReplace->setEnabled(any);
    cmdReplaceAll->setEnabled(any);
}
