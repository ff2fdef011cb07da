#include "shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "build/MessageLocator.h"
#include "build/OutputPane.h"
#include "editor/EditorWindow.h"
#include "settings/LayoutStore.h"
#include "settings/PathHelpers.h"
#include "settings/ProgramFolder.h"
#include "settings/Registry.h"
#include "settings/UserFiles.h"
#include "shell/DockHost.h"
#include "shell/ModuleBackup.h"
#include "shell/ScreenFit.h"
#include "shell/Session.h"
#include "shell/SingleInstance.h"
#include "shell/StartPage.h"
#include "solution/SolutionState.h"
#include "tasks/TaskListPane.h"

using namespace mdlRegistry;

namespace {
constexpr int TwipsPerPixel = 15;

QString Setting(const QString& key, const QString& name) {
    return GetRegString(RegRoot::LocalMachine, key, name);
}

// A pane form that later parts of the IDE fill: named as the form it stands for.
QWidget* PaneForm(const char* formName, QWidget* content = nullptr) {
    auto* form = new QWidget;
    form->setObjectName(QString::fromLatin1(formName));
    auto* layout = new QHBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content)
        layout->addWidget(content);
    return form;
}
}  // namespace

MainWindow::MainWindow() {
    // The shell's images live in the static library and need asking for.
    Q_INIT_RESOURCE(shell);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zorbel Builder"));
    setWindowIcon(QIcon(QStringLiteral(":/shell/ICON_00.png")));
    dsMain = new DockHost(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(350);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(250);
    connect(Timer2, &QTimer::timeout, this, &MainWindow::PollHandOver);

    auto addLabel = [this](int panel, const char* name, const QString& text) {
        auto* label = new QLabel(text, dsMain->StatusPanel(panel));
        label->setObjectName(QString::fromLatin1(name));
        dsMain->StatusPanel(panel)->layout()->addWidget(label);
        return label;
    };
    lblStatus1 = addLabel(1, "lblStatus1", QStringLiteral("Ready"));
    lblStatus2 = addLabel(2, "lblStatus2", QString());
    lblStatus3 = addLabel(3, "lblStatus3", QString());

    // The panes exist from the start, so that every command can reach them;
    // start-up docks them.
    explorer = new ProjectExplorer(this);
    explorer->SetHost(this);
    tasks = new TaskListPane(this);
    output = new OutputPane(this);
    connect(output, &OutputPane::OpenLocation, this, &MainWindow::OpenLocation);
    // A message about a module's copy in "Release" opens the module itself:
    // an edit to the copy would be lost at the next build.
    output->SetSourceMap([this](const QString& path) {
        return SolutionState.SolutionPath.trimmed().isEmpty()
                   ? QString()
                   : MessageLocator::SourceOfReleaseCopy(
                         path, FolderOf(SolutionState.SolutionPath),
                         mdlSolutionFile::ModulePaths(explorer->Items()));
    });

    // Paste follows the clipboard at once, whoever filled it.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &MainWindow::UpdateUI);
    connect(dsMain, &DockHost::ToolClick, this, &MainWindow::ToolClick);
    connect(dsMain, &DockHost::WindowActivated, this, &MainWindow::WindowActivated);
    connect(dsMain, &DockHost::WindowClosing, this, &MainWindow::WindowClosing);

    backups = new ModuleBackup(ProgramFolder::DataFile(QStringLiteral("backup")), this);
    connect(backups, &ModuleBackup::WriteFailed, this, &MainWindow::DataFolderFailed);
}

QString MainWindow::ResolveSyntaxFile(const QString& setting) {
    const QString fallback = ProgramFolder::File(QStringLiteral("zbl.syn"));
    QString path = setting.trimmed();
    if (path.isEmpty())
        return fallback;
    // A relative value names a file in the program folder.
    if (!QFileInfo(path).isAbsolute())
        path = ProgramFolder::File(path);
    return QFileInfo::exists(path) ? path : fallback;
}

void MainWindow::Startup(const QString& commandLine) {
    SolutionState.Reset();

    defaultSyntaxFile = ResolveSyntaxFile(Setting(SettingsKey, "SyntaxFile"));

    clsLayout layout;
    layout.Load(UserFiles::LayoutFile());
    if (!layout.Layout().isEmpty())
        dsMain->RestoreLayout(layout.Layout());

    RestorePlacement();

    auto* start = new StartPage;
    dsMain->CreateWindow(QStringLiteral(" Start Page "), QStringLiteral("Startup"), start);

    dsMain->AttachForm(QStringLiteral("frmOutput"), output);
    dsMain->AttachForm(QStringLiteral("frmProject"), explorer);
    dsMain->AttachForm(QStringLiteral("frmHelp"), PaneForm("Form7", new ContentPanel));
    dsMain->AttachForm(QStringLiteral("frmTask"), tasks);

    QCoreApplication::processEvents();
    show();
    for (int i = 0; i < 6; ++i)
        QCoreApplication::processEvents();

    pathToOpenNext = UserFiles::DefaultSolution();
    RunTool(QStringLiteral("FileOpen"));
    SolutionState.SolutionPath.clear();

    RestoreSession();
    OfferBackups();

    // The file this start was given opens now, straight from the command
    // line: a full disk or a settings file that cannot be written must not
    // lose it. Only later starts hand over through the settings.
    const QString startFile = commandLine.trimmed();
    if (!startFile.isEmpty()) {
        pathToOpenNext = SingleInstance::AbsolutePath(startFile, QDir::currentPath());
        OpenFile(nullptr, QString());
    }

    dsMain->SetToolEnabled(QStringLiteral("BuildStop"), false);
    Timer2->start();
    UpdateUI();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    Q_EMIT Ready();
}

void MainWindow::PollHandOver() {
    if (opening)
        return;
    // One file per tick, first come first; opening takes it off the queue.
    const QStringList waiting = SingleInstance::Waiting();
    if (waiting.isEmpty() || waiting == unclearedHandOver)
        return;
    pathToOpenNext = waiting.first();
    QCoreApplication::processEvents();
    if (!pathToOpenNext.trimmed().isEmpty())
        OpenFile(nullptr, QString());
    // A queue that could not be shortened (settings that cannot be written)
    // is not opened again on every tick.
    unclearedHandOver = SingleInstance::Waiting() == waiting ? waiting : QStringList();
}

namespace {
// A placement value in pixels; text that is no number, or one beyond any
// screen, is no placement.
int PlacementPixels(const QString& name) {
    bool ok = false;
    const qint64 twips = Setting(FormsKey, name).trimmed().toLongLong(&ok);
    const qint64 pixels = ok ? twips / TwipsPerPixel : 0;
    const qint64 limit = ScreenFit::CoordinateLimit;
    return static_cast<int>(std::clamp(pixels, -limit, limit));
}
}  // namespace

void MainWindow::RestorePlacement() {
    const int state = Setting(FormsKey, "Main.State").trimmed().toInt();
    const int top = PlacementPixels("Main.Top");
    const int left = PlacementPixels("Main.Left");
    const int width = PlacementPixels("Main.Width");
    const int height = PlacementPixels("Main.Height");
    // The normal placement is restored in every state, so un-maximising
    // later returns to where the user had the window. It is fitted to the
    // screens there are now: a screen may be gone, or the values damaged.
    if (width >= 200 && height >= 150) {
        setGeometry(ScreenFit::FitOnScreens(QRect(left, top, width, height), QSize(200, 150)));
    } else {
        // First start: three quarters of the screen, centred.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        resize(screen.width() * 3 / 4, screen.height() * 3 / 4);
        move(screen.center() - rect().center());
    }
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (state == 1)
        setWindowState(Qt::WindowMinimized);
}

void MainWindow::SavePlacement() {
    const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    SetRegString(RegRoot::LocalMachine, FormsKey, "Main.State", QString::number(state));
    if (state != 0)
        return;
    const QRect placement = geometry();
    SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Top",
                 QString::number(placement.top() * TwipsPerPixel));
    SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Left",
                 QString::number(placement.left() * TwipsPerPixel));
    SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Width",
                 QString::number(placement.width() * TwipsPerPixel));
    SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Height",
                 QString::number(placement.height() * TwipsPerPixel));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (shutDown) {
        event->accept();
        return;
    }
    // A build running when the window closes ends with it.
    pipeline.Stop();
    QCoreApplication::processEvents();
    const Session::State session = CurrentSession();
    for (DocWindow* window : dsMain->Windows()) {
        if (!dsMain->CloseWindow(window)) {
            event->ignore();
            return;
        }
    }
    if (!Session::Write(Session::FilePath(), session))
        DataFolderFailed(ProgramFolder::DataPath());
    ShutDown();
    event->accept();
}

void MainWindow::ShutDown() {
    shutDown = true;
    Timer2->stop();
    backups->Finish();
    clsLayout layout;
    layout.SetLayout(dsMain->SaveLayout());
    layout.Save(UserFiles::LayoutFile());
    SavePlacement();
    BuildPipeline::RemoveScratchFiles();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

EditorWindow* MainWindow::ActiveEditor() const {
    DocWindow* window = dsMain->ActiveWindow();
    return window ? qobject_cast<EditorWindow*>(window->Form()) : nullptr;
}

bool MainWindow::UpdateUI() {
    EditorWindow* editor = ActiveEditor();
    const bool loaded = !SolutionState.Name.trimmed().isEmpty();
    dsMain->SetToolEnabled(QStringLiteral("ProjectNew"), true);
    dsMain->SetToolEnabled(QStringLiteral("ProjectOpen"), true);
    for (const char* id : {"ProjectSave", "ProjectAdd", "ProjectOptions"})
        dsMain->SetToolEnabled(QString::fromLatin1(id), loaded);
    if (editor) {
        dsMain->SetToolEnabled(QStringLiteral("EditUndo"), editor->CanUndo());
        dsMain->SetToolEnabled(QStringLiteral("EditRedo"), editor->CanRedo());
        dsMain->SetToolEnabled(QStringLiteral("EditCut"), editor->CanCut());
        dsMain->SetToolEnabled(QStringLiteral("EditCopy"), editor->CanCopy());
        dsMain->SetToolEnabled(QStringLiteral("EditPaste"), editor->CanPaste());
        dsMain->SetToolEnabled(QStringLiteral("EditDelete"), editor->CanDelete());
    }
    UpdateTitle();
    return loaded;
}

void MainWindow::WindowActivated(DocWindow* window) {
    if (window && window->Form()) {
        window->Form()->setFocus();
        // The caret shown is the active module's, not the one left.
        if (auto* editor = qobject_cast<EditorWindow*>(window->Form()))
            lblStatus1->setText(QStringLiteral("Position : ") + editor->CurrentPosition());
        UpdateUI();
    } else {
        UpdateTitle();
    }
    if (!loadingSolution)
        QCoreApplication::processEvents();
    const QList<DocWindow*> windows = dsMain->Windows();
    if (windows.isEmpty())
        return;
    const int index = windows.indexOf(window) + 1;  // the first window is 1
    const int count = windows.size();
    if (index > 1)
        dsMain->SetToolEnabled(QStringLiteral("ViewPrevious"), true);
    if (index != count)
        dsMain->SetToolEnabled(QStringLiteral("ViewNext"), true);
    if (index == 1)
        dsMain->SetToolEnabled(QStringLiteral("ViewPrevious"), false);
    if (index == count)
        dsMain->SetToolEnabled(QStringLiteral("ViewNext"), false);
}
