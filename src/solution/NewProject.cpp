#include "solution/NewProject.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "controls/ButtonXP.h"
#include "controls/cFlatCtl.h"
#include "settings/AtomicFile.h"
#include "settings/CommonDialogs.h"
#include "settings/ProgramFolder.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"
#include "solution/ProjectExplorer.h"
#include "solution/ProjectTemplates.h"
#include "solution/SolutionFile.h"
#include "solution/SolutionState.h"

namespace {

const QString ErrorTitle = QStringLiteral("Error !");
// The setting that remembers where the user last created a project.
const QString LastLocationName = QStringLiteral("ProjectLocation");

// The location as a clean absolute path: "~" stands for the home folder and
// a relative location is taken from the current folder.
QString AbsoluteLocation(const QString& location) {
    QString path = location;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    // A relative location starts at the home folder, not at whatever folder
    // the last build left current.
    return QDir::cleanPath(QDir::home().absoluteFilePath(path));
}

// A name that would not make exactly one folder inside the location. "\"
// too: the solution file writes paths with it, and reads it back as "/".
bool IsUnusableName(const QString& name) {
    return name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
           name.contains(QChar(0));
}

}  // namespace

NewProject::NewProject(ProjectExplorer* explorer, NewProjectHost* host, QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(QStringLiteral("Create new Zorbel project."), this)),
      Label2(new QLabel(QStringLiteral("Enter name of new project and select location, where new "
                                       "project will be created."),
                        this)),
      Label3(new QLabel(
          QStringLiteral("The new folder will be automaticaly created in defined location."),
          this)),
      Label4(new QLabel(QStringLiteral("Name :"), this)),
      Text2(new QLineEdit(QStringLiteral("Project1"), this)),
      Label5(new QLabel(QStringLiteral("Location :"), this)),
      Text1(new QLineEdit(this)),
      ButtonXP1(new ButtonXP(this)),
      Label6(new QLabel(QStringLiteral("Type :"), this)),
      Combo1(new QComboBox(this)),
      Command1(new QPushButton(QStringLiteral("Create"), this)),
      Command2(new QPushButton(QStringLiteral("Cancel"), this)),
      explorer(explorer),
      host(host),
      flatCombo(new cFlatCtl(this)) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral(" New Project ..."));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4->setObjectName(QStringLiteral("Label4"));
    Text2->setObjectName(QStringLiteral("Text2"));
    Label5->setObjectName(QStringLiteral("Label5"));
    Text1->setObjectName(QStringLiteral("Text1"));
    ButtonXP1->setObjectName(QStringLiteral("ButtonXP1"));
    Label6->setObjectName(QStringLiteral("Label6"));
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));

    Combo1->addItems({QStringLiteral("GUI"), QStringLiteral("DLL"), QStringLiteral("Console"),
                      QStringLiteral("Interface")});
    Combo1->setCurrentIndex(ProjectTemplates::Gui);
    Text1->setText(ProjectsFolder());
    ButtonXP1->SetCaption(QStringLiteral("..."));
    ButtonXP1->setToolTip(QStringLiteral("Browse"));
    ButtonXP1->SetButtonIcon(style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16));
    Command1->setDefault(true);
    BuildLayout();

    // The flat look is decoration: a combo it cannot take keeps its own.
    try {
        flatCombo->Attach(Combo1);
    } catch (...) {
    }

    connect(ButtonXP1, &ButtonXP::Click, this, &NewProject::Browse);
    connect(Command1, &QPushButton::clicked, this, [this] { Create(); });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    PlaceForm(this, 3);
}

NewProject::~NewProject() {
    flatCombo->Detach();
}

void NewProject::BuildLayout() {
    Label1->setStyleSheet(QStringLiteral("font-weight: bold"));
    Label2->setWordWrap(true);
    Label3->setWordWrap(true);
    Combo1->setEditable(false);
    ButtonXP1->setFixedSize(28, Text1->sizeHint().height());

    auto* fields = new QGridLayout;
    fields->addWidget(Label4, 0, 0);
    fields->addWidget(Text2, 0, 1, 1, 2);
    fields->addWidget(Label5, 1, 0);
    fields->addWidget(Text1, 1, 1);
    fields->addWidget(ButtonXP1, 1, 2);
    fields->addWidget(Label6, 2, 0);
    fields->addWidget(Combo1, 2, 1, 1, 2);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addWidget(Label3);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(440);
}

bool NewProject::Ask(ProjectExplorer* explorer, NewProjectHost* host, QWidget* parent) {
    NewProject dialog(explorer, host, parent);
    return dialog.exec() == QDialog::Accepted;
}

QString NewProject::DefaultLocation() {
    if (!qEnvironmentVariableIsEmpty("ZIDE_HOME"))
        return ProgramFolder::File(QStringLiteral("projects"));
    return QDir::homePath() + QStringLiteral("/Zorbel Projects");
}

QString NewProject::ProjectsFolder() {
    const QString last = mdlRegistry::GetRegString(mdlRegistry::RegRoot::LocalMachine,
                                                   mdlRegistry::SettingsKey, LastLocationName);
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : DefaultLocation();
}

void NewProject::Browse() {
    Text1->setText(BrowseForFolder(this).trimmed());
}

void NewProject::Fail(const QString& text) {
    Prompt::Current().Message(this, QMessageBox::Critical, ErrorTitle, text);
}

bool NewProject::Create() {
    const QString typedLocation = Text1->text().trimmed();
    const QString name = Text2->text().trimmed();
    if (typedLocation.isEmpty() || name.isEmpty()) {
        Fail(QStringLiteral("Type all information !"));
        return false;
    }
    const QString location = AbsoluteLocation(typedLocation);
    const QString folder = QDir(location).filePath(name);
    const QFileInfo existing(folder);
    if (existing.exists() || existing.isSymLink()) {
        Fail(QStringLiteral("Project \"") + name +
             QStringLiteral("\" exist in specified location !"));
        return false;
    }
    // A location that does not exist yet is made along with the project's
    // folder (the default one, in particular, on first use).
    if (IsUnusableName(name) || !QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        Fail(QStringLiteral("Error creating project folder !"));
        return false;
    }

    const SolutionRecord previous = SolutionState;
    SolutionState.Name = name;
    SolutionState.SolutionPath = folder + QLatin1Char('/') + name + QStringLiteral(".zsl");
    SolutionState.Startup = folder + QLatin1Char('/') + name + QStringLiteral(".zbl");

    hide();
    if (host && !host->CloseDocuments()) {
        // The user kept a document open: the old solution stays, and so
        // does nothing of the new one.
        SolutionState = previous;
        QDir().rmdir(folder);
        reject();
        return false;
    }

    SolutionState.FilesCount = 0;
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                              LastLocationName, location);
    const QString text = ProjectTemplates::TemplateFor(
        Combo1->currentIndex(), date.isNull() ? ProjectTemplates::Today() : date);
    // Written here, byte for byte, so the module exists before any window
    // shows it; a failed write is not reported (the window keeps the text).
    WriteFileAtomically(SolutionState.Startup, text.toUtf8());
    const QString key = SolutionState.NextFileKey();

    if (explorer) {
        explorer->InitializeProject();
        explorer->AddNewModule(key);
    }
    if (host)
        host->OpenProjectModule(SolutionState.Startup, key, text);
    if (explorer) {
        explorer->UpdateFile(key, SolutionState.Startup);
        explorer->SaveSolution(SolutionState.SolutionPath);
    } else {
        mdlSolutionFile::SaveSolution(SolutionState.SolutionPath, SolutionState,
                                      {{key, SolutionState.Startup}});
    }
    if (host)
        host->RefreshCommands();
    accept();
    return true;
}
