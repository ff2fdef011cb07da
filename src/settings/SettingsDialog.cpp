#include "settings/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "controls/ButtonXP.h"
#include "controls/List.h"
#include "settings/CommonDialogs.h"
#include "settings/FileAssociations.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"
#include "settings/ValueDialog.h"

using mdlRegistry::RegRoot;

namespace {

const QStringList PageNames{" General", " Processor", " Compiler",
                            " Linker",  " Recources", " Enviroment"};
const QStringList Configurations{"Win32 Release", "Win32 Debug", "Win32 Library"};
const QString ExecutableFilter = QStringLiteral(
    "Executable Files (*.exe, *.com, *.bat)|*.exe; *.com; *.bat|All Files (*.*)|*.*");

QString Setting(const QString& name) {
    return mdlRegistry::GetRegString(RegRoot::LocalMachine, mdlRegistry::SettingsKey, name);
}

// Only what the user changed is stored: a value that still reads as the
// installation's default stays out of the user's file and follows it.
void Store(const QString& name, const QString& text) {
    if (Setting(name) != text)
        mdlRegistry::SetRegString(RegRoot::LocalMachine, mdlRegistry::SettingsKey, name, text);
}

QString Switch(bool on) {
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

bool IsOn(const QString& name) {
    return Setting(name).toLower() == QLatin1String("true");
}

QLabel* Label(const QString& text, const QString& name) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

QLineEdit* TextBox(const QString& name) {
    auto* box = new QLineEdit;
    box->setObjectName(name);
    // Stored texts of any length come back unchanged on OK.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QPushButton* BrowseButton(const QString& name) {
    auto* button = new QPushButton(QStringLiteral("..."));
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setFixedWidth(32);
    return button;
}

QComboBox* ConfigurationBox(const QString& name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->addItems(Configurations);
    return combo;
}

QLabel* Legend(int page) {
    auto* legend =
        new QLabel(QStringLiteral("%FILE%  -  name of opened file without extension\n"
                                  "%PATH%  -  path to opened file\n"
                                  "%FULL%  -  full path with filename"));
    legend->setObjectName(QStringLiteral("lblLegend%1").arg(page));
    legend->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return legend;
}

// A text box with its browse button on one row.
QHBoxLayout* PathRow(QLineEdit* box, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(button);
    return row;
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral(" Settings"));

    auto* pages = new QGridLayout;
    pages->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < PageCount; ++i) {
        Picture2[i] = MakePage(i);
        pages->addWidget(Picture2[i], 0, 0);
        Picture2[i]->setVisible(i == 0);
    }
    BuildGeneralPage();
    BuildProcessorPage();
    BuildCompilerPage();
    BuildLinkerPage();
    BuildResourcesPage();
    BuildEnvironmentPage();

    // Created after the pages, so that a search for a page's "Text1" meets
    // the page's box before the page list's own edit box.
    List1 = new List(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setFixedWidth(130);
    for (const QString& name : PageNames)
        List1->AddItem(name);

    Command2 = new QPushButton(QStringLiteral("OK"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("Cancel"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(Command1, &QPushButton::clicked, this, &SettingsDialog::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(List1);
    body->addLayout(pages, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(560, 340);

    connect(List1->List1Widget(), &QListWidget::currentRowChanged, this,
            &SettingsDialog::SelectPage);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &SettingsDialog::CompilerConfigChanged);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &SettingsDialog::LinkerConfigChanged);
    // The two switches take effect at once; Cancel keeps them.
    connect(Check3, &QCheckBox::clicked, this, [](bool on) { Store("UseLinker", Switch(on)); });
    connect(Check4, &QCheckBox::clicked, this, [](bool on) { Store("UseCompiler", Switch(on)); });
    connect(Command3, &QPushButton::clicked, this, [this] { Browse(Text1); });
    connect(Command4, &QPushButton::clicked, this, [this] { Browse(Text4); });
    connect(Command5, &QPushButton::clicked, this, [this] { Browse(Text6); });
    connect(Command7, &QPushButton::clicked, this, [this] { Browse(Text8); });
    connect(Command9, &QPushButton::clicked, this, [this] { Browse(Text10); });
    connect(xp1, &ButtonXP::Click, this, &SettingsDialog::NewItem);
    connect(xp2, &ButtonXP::Click, this, &SettingsDialog::RemoveItem);
    connect(List2, &List::DblClick, this, &SettingsDialog::EditItem);

    Load();
}

QFrame* SettingsDialog::MakePage(int index) {
    auto* page = new QFrame(this);
    page->setObjectName(QStringLiteral("Picture2_%1").arg(index));
    page->setFrameShape(QFrame::StyledPanel);
    new QVBoxLayout(page);
    return page;
}

void SettingsDialog::BuildGeneralPage() {
    auto* layout = static_cast<QVBoxLayout*>(Picture2[0]->layout());
    Text8 = TextBox(QStringLiteral("Text8"));
    Command7 = BrowseButton(QStringLiteral("Command7"));
    layout->addWidget(Label(QStringLiteral("Default Syntax File :"), QStringLiteral("Label8")));
    layout->addLayout(PathRow(Text8, Command7));

    auto* group = new QGroupBox(QStringLiteral("Associating Files"));
    group->setObjectName(QStringLiteral("Frame1"));
    Check1 = new QCheckBox(
        QStringLiteral("Open Zorbel modules and solutions (*.zbl, *.zsl, *.zlm) with Zorbel "
                       "Builder"));
    Check1->setObjectName(QStringLiteral("Check1"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(Check1);
    layout->addWidget(group);
    layout->addStretch();
}

void SettingsDialog::BuildProcessorPage() {
    auto* layout = static_cast<QVBoxLayout*>(Picture2[1]->layout());
    Check2 = new QCheckBox(QStringLiteral(" Use compiler preprocesor :"));
    Check2->setObjectName(QStringLiteral("Check2"));
    Text10 = TextBox(QStringLiteral("Text10"));
    Command9 = BrowseButton(QStringLiteral("Command9"));
    Text11 = TextBox(QStringLiteral("Text11"));
    layout->addWidget(Check2);
    layout->addLayout(PathRow(Text10, Command9));
    layout->addWidget(
        Label(QStringLiteral("Preprocessor parameters :"), QStringLiteral("Label11")));
    layout->addWidget(Text11);
    layout->addStretch();
    layout->addWidget(Legend(1));
}

void SettingsDialog::BuildCompilerPage() {
    auto* layout = static_cast<QVBoxLayout*>(Picture2[2]->layout());
    Check4 = new QCheckBox(QStringLiteral(" Use Compiler"));
    Check4->setObjectName(QStringLiteral("Check4"));
    Text1 = TextBox(QStringLiteral("Text1"));
    Command3 = BrowseButton(QStringLiteral("Command3"));
    Combo1 = ConfigurationBox(QStringLiteral("Combo1"));
    Text2 = TextBox(QStringLiteral("Text2"));
    layout->addWidget(Check4);
    layout->addWidget(Label(QStringLiteral("Path to compiler :"), QStringLiteral("Label1")));
    layout->addLayout(PathRow(Text1, Command3));
    layout->addWidget(Combo1);
    layout->addWidget(Label(QStringLiteral("Compiler parameters :"), QStringLiteral("Label2")));
    layout->addWidget(Text2);
    layout->addStretch();
    layout->addWidget(Legend(2));
}

void SettingsDialog::BuildLinkerPage() {
    auto* layout = static_cast<QVBoxLayout*>(Picture2[3]->layout());
    Check3 = new QCheckBox(QStringLiteral(" Use Linker"));
    Check3->setObjectName(QStringLiteral("Check3"));
    Text4 = TextBox(QStringLiteral("Text4"));
    Command4 = BrowseButton(QStringLiteral("Command4"));
    Combo2 = ConfigurationBox(QStringLiteral("Combo2"));
    Text3 = TextBox(QStringLiteral("Text3"));
    layout->addWidget(Check3);
    layout->addWidget(Label(QStringLiteral("Path to linker :"), QStringLiteral("Label4")));
    layout->addLayout(PathRow(Text4, Command4));
    layout->addWidget(Combo2);
    layout->addWidget(Label(QStringLiteral("Linker parameters :"), QStringLiteral("Label3")));
    layout->addWidget(Text3);
    layout->addStretch();
    layout->addWidget(Legend(3));
}

void SettingsDialog::BuildResourcesPage() {
    auto* layout = static_cast<QVBoxLayout*>(Picture2[4]->layout());
    Text6 = TextBox(QStringLiteral("Text6"));
    Command5 = BrowseButton(QStringLiteral("Command5"));
    // One parameter set serves every configuration: the selector is there
    // for symmetry with the other pages and changes nothing.
    Combo3 = ConfigurationBox(QStringLiteral("Combo3"));
    Text5 = TextBox(QStringLiteral("Text5"));
    layout->addWidget(
        Label(QStringLiteral("Path to resource compiler :"), QStringLiteral("Label6")));
    layout->addLayout(PathRow(Text6, Command5));
    layout->addWidget(Combo3);
    layout->addWidget(Label(QStringLiteral("Compiler parameters :"), QStringLiteral("Label5")));
    layout->addWidget(Text5);
    layout->addStretch();
    layout->addWidget(Legend(4));
}

void SettingsDialog::BuildEnvironmentPage() {
    auto* layout = static_cast<QVBoxLayout*>(Picture2[5]->layout());
    List2 = new List;
    List2->setObjectName(QStringLiteral("List2"));
    xp1 = new ButtonXP;
    xp1->setObjectName(QStringLiteral("xp1"));
    xp1->SetCaption(QStringLiteral("New Item"));
    xp2 = new ButtonXP;
    xp2->setObjectName(QStringLiteral("xp2"));
    xp2->SetCaption(QStringLiteral("Remove Item"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(xp1);
    buttons->addWidget(xp2);
    buttons->addStretch();
    layout->addWidget(Label(QStringLiteral("Environment - PATH"), QStringLiteral("Label7")));
    layout->addWidget(List2, 1);
    layout->addLayout(buttons);
}

void SettingsDialog::Load() {
    LoadingFlag = true;
    Combo1->setCurrentIndex(0);
    Combo2->setCurrentIndex(0);
    Combo3->setCurrentIndex(0);
    PrevCompilerConfig = 0;
    PrevLinkerConfig = 0;

    Check1->setChecked(FileAssociations::IsRegistered());
    Check2->setChecked(IsOn("UseProcessor"));
    Check3->setChecked(IsOn("UseLinker"));
    Check4->setChecked(IsOn("UseCompiler"));

    Text1->setText(Setting("CompilerPath"));
    Text2->setText(Setting("Param0"));
    Text4->setText(Setting("LinkerPath"));
    Text3->setText(Setting("LinkParam0"));
    Text6->setText(Setting("ResPath"));
    Text5->setText(Setting("ResParam0"));
    Text10->setText(Setting("ProcPath"));
    Text11->setText(Setting("ProcParam"));
    Text8->setText(Setting("SyntaxFile"));

    pathText = mdlRegistry::GetUserEnvVar(QStringLiteral("PATH"));
    for (const QString& entry : SplitPath(pathText))
        List2->AddItem(entry);

    List1->SetListIndex(0);
    LoadingFlag = false;
}

bool SettingsDialog::Show(QWidget* owner) {
    SettingsDialog dialog(owner);
    return dialog.exec() == QDialog::Accepted;
}

QStringList SettingsDialog::SplitPath(const QString& text) {
    QStringList entries;
    for (const QString& piece : text.split(';')) {
        const QString entry = piece.trimmed();
        if (!entry.isEmpty())
            entries << entry;
    }
    return entries;
}

QString SettingsDialog::JoinPath(const QStringList& entries) {
    QString text;
    for (const QString& entry : entries) {
        if (!text.trimmed().isEmpty())
            text += ';';
        text += entry;
    }
    return text.trimmed();
}

void SettingsDialog::showEvent(QShowEvent* event) {
    if (!placed) {
        placed = true;
        PlaceForm(this, 3);
    }
    QDialog::showEvent(event);
}

void SettingsDialog::SelectPage(int row) {
    if (row < 0 || row >= PageCount || row == currentPage)
        return;
    currentPage = row;
    for (int i = 0; i < PageCount; ++i)
        Picture2[i]->setVisible(i == row);
}

void SettingsDialog::CompilerConfigChanged(int index) {
    if (LoadingFlag || index < 0)
        return;
    Store("CompilerPath", Text1->text().trimmed());
    Store("Param" + QString::number(PrevCompilerConfig), Text2->text().trimmed());
    Text1->setText(Setting("CompilerPath"));
    Text2->setText(Setting("Param" + QString::number(index)));
    PrevCompilerConfig = index;
}

void SettingsDialog::LinkerConfigChanged(int index) {
    if (LoadingFlag || index < 0)
        return;
    Store("LinkerPath", Text4->text().trimmed());
    Store("LinkParam" + QString::number(PrevLinkerConfig), Text3->text().trimmed());
    Text4->setText(Setting("LinkerPath"));
    Text3->setText(Setting("LinkParam" + QString::number(index)));
    PrevLinkerConfig = index;
}

void SettingsDialog::Browse(QLineEdit* target) {
    const QString file =
        mdlCommonDialog::ShowOpenDialog(this, ExecutableFilter, QStringLiteral("Open File ..."),
                                        mdlCommonDialog::OFN_EXPLORER)
            .trimmed();
    if (!file.isEmpty())
        target->setText(file);
}

void SettingsDialog::NewItem() {
    const QString value = ValueDialog::Ask(this, QString()).trimmed();
    if (!value.isEmpty())
        List2->AddItem(value);
}

void SettingsDialog::EditItem() {
    const int row = List2->ListIndex();
    if (row < 0)
        return;
    const QString value = ValueDialog::Ask(this, List2->ListText(row)).trimmed();
    if (!value.isEmpty())
        List2->SetListText(row, value);
}

void SettingsDialog::RemoveItem() {
    // Nothing to remove: no question either.
    const int row = List2->ListIndex();
    if (row < 0)
        return;
    const auto answer =
        Prompt::Current().Message(this, QMessageBox::Warning, QStringLiteral("Remove"),
                                  QStringLiteral(" Are you sure to remove this item ?!   "),
                                  QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes && row < List2->ListCount())
        List2->RemoveItem(row);
}

void SettingsDialog::accept() {
    if (Check1->isChecked())
        FileAssociations::Register(FileAssociations::ProgramPath());
    else
        FileAssociations::Unregister();

    Store("CompilerPath", Text1->text().trimmed());
    Store("Param" + QString::number(Combo1->currentIndex()), Text2->text().trimmed());
    Store("LinkerPath", Text4->text().trimmed());
    Store("LinkParam" + QString::number(Combo2->currentIndex()), Text3->text().trimmed());
    Store("ResPath", Text6->text().trimmed());
    Store("ResParam0", Text5->text().trimmed());
    Store("UseProcessor", Switch(Check2->isChecked()));
    Store("ProcPath", Text10->text().trimmed());
    Store("ProcParam", Text11->text().trimmed());
    Store("SyntaxFile", Text8->text().trimmed());

    QStringList entries;
    for (int i = 0; i < List2->ListCount(); ++i)
        entries << List2->ListText(i);
    pathText = JoinPath(entries);
    mdlRegistry::SetUserEnvVar(QStringLiteral("PATH"), pathText);
    mdlRegistry::BroadcastEnvChange();
    QDialog::accept();
}
