#include "solution/ProjectProperties.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/Tree.h"
#include "settings/CommonDialogs.h"
#include "settings/PathHelpers.h"
#include "settings/Prompt.h"
#include "solution/ProjectExplorer.h"
#include "solution/PropertyList.h"
#include "solution/SolutionProperties.h"
#include "solution/SolutionState.h"

namespace {

const QString GeneralPage = QStringLiteral("prGeneral");
const QString DebuggingPage = QStringLiteral("prDebugging");
const QString NoneEntry = QStringLiteral("[None]");
const QString BatchFilter = QStringLiteral(
    "Executable Files (*.exe, *.com, *.bat)|*.exe; *.com; *.bat|All Files (*.*)|*.*");

struct PageItem {
    const char* key;
    const char* text;
    const char* parent;  // null for the root
    int image;
    int selectedImage;
};

const PageItem PageItems[] = {
    {"root", "Configuration", nullptr, 0, -1},
    {"prGeneral", "General", "root", 3, 2},
    {"prDebugging", "Debugging", "root", 3, 2},
    {"prCompiler", "Compiler", "root", 1, 0},
    {"coGeneral", "General", "prCompiler", 3, 2},
    {"coVersion", "Version Information", "prCompiler", 3, 2},
    {"coCommand", "Command Line", "prCompiler", 3, 2},
    {"prResources", "Resources", "root", 1, 0},
    {"rcGeneral", "General", "prResources", 3, 2},
    {"prSteps", "Custom Buils Steps", "root", 1, 0},
    {"csGeneral", "General", "prSteps", 3, 2},
};

struct PropertyDef {
    QString name;
    int kind;
    QString description;
    QStringList choices;
    const char* key;  // in the solution file's [Properties]
};

const QList<PropertyDef>& GeneralProperties() {
    static const QList<PropertyDef> list = {
        {"Configuration Type",
         PropertyList::Choice,
         "Define Type of the compiled aplication. This property can by owerwriten by Option "
         "Console ON/OFF.",
         {"Console Aplication", "Win32 Aplication", "Dynamic Library (.dll)",
          "Zorbel Library (.zlm)"},
         SolutionProperties::ConfigurationType},
        {"Use of COM",
         PropertyList::Check,
         "Define switch to add COM libraries to project.    (-c)",
         {},
         SolutionProperties::UseCOM},
        {"Use of ActiveX",
         PropertyList::Check,
         "Define switch to add ActiveX libraries to project.    (-o)",
         {},
         SolutionProperties::UseActiveX},
        {"Use Exception Handling",
         PropertyList::Choice,
         "Define, if you can use C++ exception handling support.    (-x)",
         {"Don't Use Exception Handling", "Allow Exception Handling"},
         SolutionProperties::ExceptionHandling},
        {"Generate C++ header",
         PropertyList::Check,
         "Zorbel generate header [.h] file.    (-h)",
         {},
         SolutionProperties::GenerateHeader},
        {"Dump C++ output only",
         PropertyList::Check,
         "Zorbel generate only C++ source code, don't compile output.    (-p)",
         {},
         SolutionProperties::DumpCppOnly},
        {"Redirect Outputs",
         PropertyList::Check,
         "Redirect C++ compiler and linker output to .err file.    (-e)",
         {},
         SolutionProperties::RedirectOutputs},
        {"Use Make File",
         PropertyList::Check,
         "Define, if use MAKE.BAT file to compile output.",
         {},
         SolutionProperties::UseMakeFile},
        {"Description",
         PropertyList::Text,
         "Small description to project.",
         {},
         SolutionProperties::Description},
    };
    return list;
}

const QList<PropertyDef>& DebuggingProperties() {
    static const QList<PropertyDef> list = {
        {"Command",
         PropertyList::Path,
         "Define debug application.",
         {},
         SolutionProperties::Command},
        {"Command Arguments",
         PropertyList::Text,
         "Define command switch for debug application.",
         {},
         SolutionProperties::CommandArguments},
        {"Working Directory",
         PropertyList::Path,
         "Define working directory for debug application.",
         {},
         SolutionProperties::WorkingDirectory},
    };
    return list;
}

// The properties of a page; none for the pages without any.
const QList<PropertyDef>& PropertiesOf(const QString& pageKey) {
    static const QList<PropertyDef> none;
    if (pageKey == GeneralPage)
        return GeneralProperties();
    if (pageKey == DebuggingPage)
        return DebuggingProperties();
    return none;
}

using mdlSolutionFile::IsDefaultSolution;
using mdlSolutionFile::IsModuleKey;

}  // namespace

ProjectProperties::ProjectProperties(ProjectExplorer* explorer, QWidget* parent)
    : QDialog(parent),
      Tree1(new Tree(this)),
      Label5(new QLabel(QStringLiteral("Settings"), this)),
      Prop(new PropertyList(this)),
      Label2(new QLabel(QStringLiteral("Description"), this)),
      Label3(new QLabel(this)),
      Combo1(new QComboBox(this)),
      Combo2(new QComboBox(this)),
      Text2(new QLineEdit(this)),
      Command6(new QPushButton(QStringLiteral("..."), this)),
      Command3(new QPushButton(QStringLiteral("OK"), this)),
      Command1(new QPushButton(QStringLiteral("Cancel"), this)),
      Command2(new QPushButton(QStringLiteral("Help"), this)),
      Text1(new QLineEdit(QStringLiteral("Project1"), this)),
      explorer(explorer) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral(" Project Properties"));
    Tree1->setObjectName(QStringLiteral("Tree1"));
    Label5->setObjectName(QStringLiteral("Label5"));
    Prop->setObjectName(QStringLiteral("Prop"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Text2->setObjectName(QStringLiteral("Text2"));
    Command6->setObjectName(QStringLiteral("Command6"));
    Command3->setObjectName(QStringLiteral("Command3"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Text1->setObjectName(QStringLiteral("Text1"));
    BuildLayout();

    connect(Tree1, &Tree::AfterSelChanged, this,
            [this](const QString& text, const QString& key, int) { PageChanged(text, key); });
    connect(Prop, &PropertyList::PropertySelected, this, &ProjectProperties::PropertySelected);
    connect(Prop, &PropertyList::ValueChanged, this, &ProjectProperties::PropertyValueChanged);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &ProjectProperties::StartupChosen);
    connect(Command6, &QPushButton::clicked, this, &ProjectProperties::BrowseBatch);
    connect(Command3, &QPushButton::clicked, this, &ProjectProperties::Commit);
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
    // Help has nothing to show.

    loading = true;
    PlaceForm(this, 3);
    // What the pages held when the solution was last confirmed with OK.
    if (!IsDefaultSolution(SolutionState.SolutionPath))
        values = SolutionProperties::ReadProperties(SolutionState.SolutionPath);
    FillTree();
    FillStartup();
    Combo2->setCurrentIndex(0);
    Text2->setText(SolutionState.BuildBatch);
    loading = false;
}

bool ProjectProperties::Ask(ProjectExplorer* explorer, QWidget* parent) {
    ProjectProperties dialog(explorer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void ProjectProperties::BuildLayout() {
    Combo2->addItems({QStringLiteral("Debug"), QStringLiteral("Release")});
    Text1->hide();  // a leftover of the form's design, without a use
    Tree1->setFixedWidth(200);
    Command6->setFixedWidth(28);
    Command3->setDefault(true);
    QFont bold = Label5->font();
    bold.setBold(true);
    Label5->setFont(bold);
    Label2->setFont(bold);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setMinimumHeight(3 * fontMetrics().height());

    auto* top = new QHBoxLayout;
    auto* configurationLabel = new QLabel(QStringLiteral("Configuration:"), this);
    configurationLabel->setBuddy(Combo2);
    auto* startupLabel = new QLabel(QStringLiteral("Startup:"), this);
    startupLabel->setBuddy(Combo1);
    top->addWidget(configurationLabel);
    top->addWidget(Combo2, 1);
    top->addSpacing(12);
    top->addWidget(startupLabel);
    top->addWidget(Combo1, 2);

    auto* description = new QFrame(this);
    description->setFrameShape(QFrame::StyledPanel);
    auto* descriptionLayout = new QVBoxLayout(description);
    descriptionLayout->setContentsMargins(6, 4, 6, 4);
    descriptionLayout->addWidget(Label2);
    descriptionLayout->addWidget(Label3, 1);

    auto* page = new QVBoxLayout;
    page->addWidget(Label5);
    page->addWidget(Prop, 1);
    page->addWidget(description);

    auto* middle = new QHBoxLayout;
    middle->addWidget(Tree1);
    middle->addLayout(page, 1);

    auto* batch = new QHBoxLayout;
    auto* batchLabel = new QLabel(QStringLiteral("Batch file:"), this);
    batchLabel->setBuddy(Text2);
    batch->addWidget(batchLabel);
    batch->addWidget(Text2, 1);
    batch->addWidget(Command6);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Text1);
    buttons->addStretch(1);
    buttons->addWidget(Command3);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addLayout(batch);
    layout->addLayout(buttons);
    resize(640, 460);
}

void ProjectProperties::FillTree() {
    Tree1->SethImageList(Tree::LoadList(QStringLiteral("tree1")));
    Tree1->DeleteAllItems();
    Tree1->SetSingleSel(true);
    Tree1->SetLines(0x50000000);
    for (const PageItem& item : PageItems) {
        const TreeRef parent = item.parent ? TreeRef(item.parent) : TreeRef();
        Tree1->AddItem(parent, 0, QLatin1String(item.key), QLatin1String(item.text), item.image,
                       item.selectedImage);
        if (GeneralPage == QLatin1String(item.key))
            FillGrid(GeneralPage);
    }
    for (const char* group : {"root", "prCompiler", "prResources", "prSteps"})
        Tree1->Expand(group, Tree::ExpandItem);
    Tree1->SelectItem(GeneralPage);
}

void ProjectProperties::FillStartup() {
    Combo1->clear();
    Combo1->addItem(NoneEntry, -1);
    int startupEntry = 0;
    const QString startup = SolutionState.Startup.trimmed();
    Tree* tree = explorer ? explorer->Tree1 : nullptr;
    for (int i = 0; tree && i < tree->ItemCount(); ++i) {
        const QVariantList node = tree->GetItemNode(i);
        if (node.size() < 5 || !IsModuleKey(node[2].toString()))
            continue;
        Combo1->addItem(node[3].toString(), i);
        // A module never saved has no path and is never the start-up module.
        if (startupEntry == 0 && !startup.isEmpty() && node[4].toString().trimmed() == startup)
            startupEntry = Combo1->count() - 1;
    }
    Combo1->setCurrentIndex(startupEntry);
}

void ProjectProperties::FillGrid(const QString& pageKey) {
    page = pageKey;
    Prop->Clear();
    Label2->setText(QStringLiteral("Description"));
    Label3->clear();
    for (const PropertyDef& def : PropertiesOf(pageKey)) {
        const int index = Prop->AddProperty(def.name, def.kind);
        Prop->SetDescription(index, def.description);
        for (const QString& choice : def.choices)
            Prop->AddChoice(index, choice);
        Prop->SetValue(index, values.value(QLatin1String(def.key)));
    }
}

void ProjectProperties::PageChanged(const QString& text, const QString& key) {
    Label5->setText(text);
    FillGrid(key);
}

void ProjectProperties::PropertySelected(int index) {
    Label2->setText(Prop->Name(index));
    Label3->setText(Prop->Description(index));
}

void ProjectProperties::PropertyValueChanged(int index, const QString& value) {
    const QList<PropertyDef>& defs = PropertiesOf(page);
    if (index >= 0 && index < defs.size())
        values.insert(QLatin1String(defs[index].key), value);
}

QVariantList ProjectProperties::ItemOfEntry(int entry) const {
    if (entry < 0 || entry >= Combo1->count() || !explorer)
        return {};
    bool isNumber = false;
    const int index = Combo1->itemData(entry).toInt(&isNumber);
    if (!isNumber || index < 0)
        return {};
    const QVariantList node = explorer->Tree1->GetItemNode(index);
    return node.size() < 5 ? QVariantList() : node;
}

void ProjectProperties::StartupChosen(int entry) {
    if (loading)
        return;
    const QVariantList node = ItemOfEntry(entry);
    if (node.isEmpty() || !IsModuleKey(node[2].toString()) ||
        !node[4].toString().trimmed().isEmpty())
        return;
    Prompt::Current().Message(this, QMessageBox::Critical, QStringLiteral("Warning !"),
                              QStringLiteral(" File must be saved before select it !    "));
    Combo1->setCurrentIndex(-1);
}

void ProjectProperties::BrowseBatch() {
    const QString chosen = mdlCommonDialog::ShowOpenDialog(
        this, BatchFilter, QStringLiteral("Open File ..."), mdlCommonDialog::OFN_EXPLORER);
    if (!chosen.trimmed().isEmpty())
        Text2->setText(chosen.trimmed());
}

void ProjectProperties::Commit() {
    SolutionState.BuildBatch = Text2->text().trimmed();
    if (explorer)
        explorer->RenameRoot(SolutionState.Name);
    const QVariantList node = ItemOfEntry(Combo1->currentIndex());
    SolutionState.Startup = node.isEmpty() ? QString() : node[4].toString().trimmed();

    const QString file = SolutionState.SolutionPath;
    if (!file.trimmed().isEmpty() && !IsDefaultSolution(file))
        SolutionProperties::WriteProperties(file, values);
    accept();
}
