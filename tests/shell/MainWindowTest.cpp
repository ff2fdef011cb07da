#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <memory>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/FileLock.h"
#include "settings/Registry.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include "solution/SolutionState.h"

using namespace mdlRegistry;

namespace {

// Start-up opens the default solution, whose save asks for a file after
// every module save; these tests are about modules alone.
void NoSolution() {
    SolutionState.Name.clear();
}

// Every tool reachable from the menu bar, the tool bars and the pop-up bars.
QStringList BarToolIds(DockHost* host, QMainWindow* window) {
    QStringList ids;
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (action->isSeparator() || action->objectName().isEmpty())
                continue;
            ids << action->objectName();
            if (action->menu())
                walk(action->menu()->actions());
        }
    };
    walk(window->menuBar()->actions());
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        walk(bar->actions());
    walk(host->Menu("ProjectTree")->actions());
    ids.removeDuplicates();
    return ids;
}

// Menu titles, submenus and tools that the dispatcher deliberately ignores.
const QStringList NoActionTools = {"File",       "Edit",       "View",     "Project",  "Build",
                                   "Tools",      "Help",       "FileNew",  "FileNew2", "FileMru",
                                   "MRUProject", "ProjectAdd", "BuildPage"};
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void CommandTableAndBarsMatch() {
        Ide ide;
        QStringList rows;
        for (const auto& row : MainWindow::CommandRows())
            rows << row.id;
        const QStringList order = QString(
                                      "FileProject FileFile ProjectNew FileLib ProjectSave "
                                      "FileOpen FileOpen2 ProjectFile "
                                      "ProjectRemove ProjectOpen FileClose "
                                      "FileSave FileSaveAs FileSaveAll "
                                      "FilePrint FilePage FileMruList "
                                      "ProjectList FileExit EditUndo EditRedo EditCut EditCopy "
                                      "EditPaste EditDelete EditFind "
                                      "EditNext EditReplace EditGoTo EditSelAll ViewOutput "
                                      "ViewProject ViewHelp ViewStatus "
                                      "ViewToolbar ViewTask ViewPrevious ViewNext ProjectOptions "
                                      "BuildBuild BuildAll BuildExecute "
                                      "BuildClean BuildStop BuildNextMessage BuildPrevMessage "
                                      "ToolReg ToolRun ToolRes ToolCmd ToolSetings "
                                      "HelpSupport HelpIndex HelpApi "
                                      "HelpAbout")
                                      .split(' ');
        QCOMPARE(rows, order);
        const QStringList tools = BarToolIds(ide.host(), ide.window.get());
        for (const QString& id : tools)
            if (!NoActionTools.contains(id))
                QVERIFY2(rows.contains(id), qPrintable(id + " has no row"));
        for (const QString& id : rows) {
            if (id == "FileMruList" || id == "ProjectList")
                continue;  // entries come with the lists
            QVERIFY2(tools.contains(id), qPrintable(id + " is in no bar"));
        }
        QCOMPARE(ide.host()->Tool("FileSave")->text(), "&Save");
        QCOMPARE(ide.host()->Tool("FileSave")->shortcut(), QKeySequence(QKeySequence::Save));
        QCOMPARE(ide.host()->ComboText("BuildPage"), "Win32 Debug");
        QCOMPARE(ide.host()->Combo("BuildPage")->count(), 3);
        for (const char* pane : {"frmOutput", "frmProject", "frmHelp", "frmTask"})
            QVERIFY(ide.host()->Pane(pane)->widget());
        QCOMPARE(ide.host()->Pane("frmProject")->windowTitle(), "Project Explorer");
        QCOMPARE(ide.window->findChild<QLabel*>("lblStatus1")->text(), "Ready");
        QVERIFY(ide.window->findChild<QWidget*>("Static5"));
    }

    void StartPageAndEveryCommandWithoutEditor() {
        Ide ide;
        QCOMPARE(ide.host()->Windows().size(), 1);
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " Start Page ");
        QCOMPARE(ide.ActiveKey(), "Startup");
        // Modal dialogs close themselves; nothing may crash or open a window.
        const QStringList skipped = {"FileExit", "FileClose",  "ToolCmd", "HelpSupport",
                                     "FileFile", "ProjectNew", "FileLib", "ToolReg"};
        for (const auto& row : MainWindow::CommandRows()) {
            if (skipped.contains(row.id))
                continue;
            QTimer::singleShot(50, [] {
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            });
            ide.window->RunTool(row.id);
        }
        QCOMPARE(ide.host()->Windows().size(), 1);
        ide.window->ToolClick(nullptr);
        auto unknown = std::make_unique<QAction>();
        unknown->setObjectName("NoSuchCommand");
        ide.window->ToolClick(unknown.get());
        QVERIFY(std::any_of(ide.prompt.asked.begin(), ide.prompt.asked.end(),
                            [](const auto& a) { return a.text == " Not implemented !"; }));
    }

    void NewModuleTemplatesAndKeys() {
        Ide ide;
        ide.window->RunTool("FileFile");
        QCOMPARE(ide.ActiveKey(), "file1");
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " Blank * ");
        const QString app = ide.window->ActiveEditor()->Editor()->Text();
        QVERIFY2(
            QRegularExpression("^Option Explicit\r\n\r\n'Zorbel file for application\r\n'Date : "
                               "[^\r\n]+\r\n\r\nSub Main\r\n\r\nEnd Sub$")
                .match(app)
                .hasMatch(),
            qPrintable(app));
        ide.window->RunTool("FileLib");
        QCOMPARE(ide.ActiveKey(), "file2");
        const QString lib = ide.window->ActiveEditor()->Editor()->Text();
        QVERIFY2(
            QRegularExpression("^Option Explicit\r\nOption DLL ON\r\n\r\n'Zorbel file for dll\r\n"
                               "'Date : [^\r\n]+$")
                .match(lib)
                .hasMatch(),
            qPrintable(lib));
        ide.window->RunTool("ProjectNew");
        QCOMPARE(ide.ActiveKey(), "file3");
        QCOMPARE(ide.host()->Windows().size(), 4);
    }

    void SaveAllSkipsStartPageAndSavesModules() {
        Ide ide;
        NoSolution();
        const QString existing = ide.Write("a.zbl", "Sub A\n");
        ide.Open(existing);
        ide.window->ActiveEditor()->Editor()->SetText("Sub A\r\nEnd Sub");
        ide.window->RunTool("FileFile");
        ide.host()->Windows().first()->SetKey("changed");
        ide.prompt.paths << ide.home.File("new.zbl");
        ide.window->RunTool("FileSaveAll");
        QCOMPARE(ide.host()->Windows().first()->Key(), "Startup");
        QCOMPARE(ReadAll(existing), QByteArray("Sub A\nEnd Sub"));
        QVERIFY(ReadAll(ide.home.File("new.zbl")).startsWith("Option Explicit"));
        QCOMPARE(ide.prompt.asked.size(), size_t(1));  // only the untitled module asked
        QCOMPARE(ide.prompt.asked[0].title, "Save File ...");
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " new.zbl ");  // the active window stays
    }

    void CyclingAndActivationRule() {
        Ide ide;
        DockHost* host = ide.host();
        // One window: both cycling tools off.
        host->Activate(host->Windows().first());
        QCoreApplication::processEvents();
        QVERIFY(!host->Tool("ViewPrevious")->isEnabled());
        QVERIFY(!host->Tool("ViewNext")->isEnabled());

        ide.window->RunTool("FileFile");
        ide.window->RunTool("FileFile");
        const auto windows = host->Windows();
        QCOMPARE(windows.size(), 3);
        ide.window->RunTool("ViewNext");  // on the last window: nothing
        QCOMPARE(host->ActiveWindow(), windows[2]);
        ide.window->RunTool("ViewPrevious");
        QCOMPARE(host->ActiveWindow(), windows[1]);
        QVERIFY(host->Tool("ViewPrevious")->isEnabled());
        QVERIFY(host->Tool("ViewNext")->isEnabled());
        ide.window->RunTool("ViewPrevious");
        QCOMPARE(host->ActiveWindow(), windows[0]);
        QVERIFY(!host->Tool("ViewPrevious")->isEnabled());
        ide.window->RunTool("ViewPrevious");  // on the first: nothing
        QCOMPARE(host->ActiveWindow(), windows[0]);
    }

    void TogglesTwice() {
        Ide ide;
        DockHost* host = ide.host();
        for (const char* id : {"ViewOutput", "ViewProject", "ViewHelp", "ViewTask"}) {
            const QString pane = QString(id) == "ViewOutput"    ? "frmOutput"
                                 : QString(id) == "ViewProject" ? "frmProject"
                                 : QString(id) == "ViewHelp"    ? "frmHelp"
                                                                : "frmTask";
            const bool before = host->PaneVisible(pane);
            ide.window->RunTool(id);
            QCOMPARE(host->PaneVisible(pane), !before);
            ide.window->RunTool(id);
            QCOMPARE(host->PaneVisible(pane), before);
        }
        ide.window->RunTool("ViewToolbar");
        QVERIFY(!host->BarVisible("StandartBar"));
        QVERIFY(!host->Tool("ViewToolbar")->isChecked());
        ide.window->RunTool("ViewToolbar");
        QVERIFY(host->BarVisible("StandartBar"));
        QVERIFY(host->Tool("ViewToolbar")->isChecked());
        ide.window->RunTool("ViewStatus");
        QVERIFY(!host->BarVisible("StatusBar"));
        QVERIFY(!host->Tool("ViewStatus")->isChecked());
    }

    void RecentListsOpenAndDrop() {
        Ide ide;
        DockHost* host = ide.host();
        const QString a = ide.Write("a.zbl", "a\n"), b = ide.Write("b.zbl", "b\n");
        ide.Open(a);
        ide.Open(b);
        ide.Open(a);  // already open: activated, no second window, moved to the front
        QCOMPARE(host->Windows().size(), 3);
        QCOMPARE(host->Recent("FileMruList"), QStringList({b, a}));
        QCOMPARE(host->Recent("ProjectList"), QStringList());  // "!default.zsl" is never listed
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "OpenFile"), QString());

        QFile::remove(b);
        QMenu* menu = host->Menu("FileMru");
        QAction* entryB = menu->actions().first();
        QCOMPARE(DockHost::ToolCaption(entryB), b);
        entryB->trigger();
        QCOMPARE(host->Recent("FileMruList"), QStringList({a}));
        QCOMPARE(host->Windows().size(), 3);

        // A reopened file comes from the recent entry without a dialog.
        host->CloseWindow(host->Windows().at(1));
        host->Menu("FileMru")->actions().first()->trigger();
        QCOMPARE(host->Windows().size(), 3);
        QCOMPARE(ide.window->ActiveEditor()->FileName(), a);
        QVERIFY(ide.prompt.asked.empty());
        for (int i = 0; i < 12; ++i)
            host->AddRecent("FileMruList", QString("/x/%1.zbl").arg(i));
        QCOMPARE(host->Recent("FileMruList").size(), 10);
        QCOMPARE(host->Recent("FileMruList").first(), "/x/11.zbl");
    }

    void UpdateUIRules() {
        Ide ide;
        NoSolution();
        DockHost* host = ide.host();
        QVERIFY(!ide.window->UpdateUI());
        for (const char* id : {"ProjectSave", "ProjectAdd", "ProjectOptions"})
            QVERIFY(!host->Tool(id)->isEnabled());
        QVERIFY(host->Tool("ProjectNew")->isEnabled());
        QVERIFY(host->Tool("ProjectOpen")->isEnabled());
        SolutionState.Name = "Demo";
        QVERIFY(ide.window->UpdateUI());
        for (const char* id : {"ProjectSave", "ProjectAdd", "ProjectOptions"})
            QVERIFY(host->Tool(id)->isEnabled());
        SolutionState.Name.clear();

        ide.window->RunTool("FileFile");
        CodeEditor* first = ide.window->ActiveEditor()->Editor();
        QTest::keyClicks(first, "changed");
        ide.window->UpdateUI();
        QVERIFY(host->Tool("EditUndo")->isEnabled());
        QCOMPARE(host->Tool("EditDelete")->isEnabled(), host->Tool("EditUndo")->isEnabled());
        // Without an active editor (start page) the editing tools keep their state.
        host->Activate(host->Windows().first());
        ide.window->UpdateUI();
        QVERIFY(host->Tool("EditUndo")->isEnabled());
        ide.window->RunTool("FileFile");
        QVERIFY(!host->Tool("EditUndo")->isEnabled());  // the fresh editor's own history
    }

    void StartupResolvesSyntaxFile() {
        TestHome home;
        const QString own = home.File("own.syn");
        WriteAll(own, "x");
        WriteAll(home.File("zbl.syn"), "x");
        QCOMPARE(MainWindow::ResolveSyntaxFile(""), home.File("zbl.syn"));
        QCOMPARE(MainWindow::ResolveSyntaxFile(own), own);
        QCOMPARE(MainWindow::ResolveSyntaxFile("own.syn"), own);
        QCOMPARE(MainWindow::ResolveSyntaxFile(home.File("gone.syn")), home.File("zbl.syn"));
        QCOMPARE(MainWindow::ResolveSyntaxFile("  "), home.File("zbl.syn"));
    }

    void PlacementAndLayoutComeBack() {
        Ide ide(false);
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.State", "0");
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Left", QString::number(40 * 15));
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Top", QString::number(30 * 15));
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Width", QString::number(700 * 15));
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.Height", QString::number(500 * 15));
        ide.Start();
        QCOMPARE(ide.window->geometry(), QRect(40, 30, 700, 500));
        const QString a = ide.Write("a.zbl", "a\n");
        ide.Open(a);
        ide.window->RunTool("ViewTask");  // hide the task pane
        ide.window->RunTool("ViewStatus");
        ide.window->showMaximized();
        QVERIFY(ide.window->close());
        QCOMPARE(GetRegString(RegRoot::LocalMachine, FormsKey, "Main.State"), "2");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, FormsKey, "Main.Width"),
                 QString::number(700 * 15));
        QVERIFY(QFile::exists(ide.home.File("zlay.lay")));

        ide.Start();
        QVERIFY(ide.window->isMaximized());
        QCOMPARE(ide.window->normalGeometry().size(), QSize(700, 500));
        QVERIFY(!ide.host()->PaneVisible("frmTask"));
        QVERIFY(!ide.host()->BarVisible("StatusBar"));
        QCOMPARE(ide.host()->Recent("FileMruList"), QStringList({a}));

        // A layout from another version is ignored: the built-in arrangement stays.
        ide.window->close();
        WriteAll(ide.home.File("zlay.lay"), "garbage");
        ide.Start();
        QVERIFY(ide.host()->PaneVisible("frmTask"));
        QVERIFY(ide.host()->Recent("FileMruList").isEmpty());
    }

    void ShutdownAsksForEveryChangedModule() {
        Ide ide;
        WriteAll(ide.home.File("zqtemp001.zbl"), "x");
        ide.window->RunTool("FileFile");
        ide.window->ActiveEditor()->Editor()->SetText("one");
        const QString b = ide.Write("b.zbl", "b\n");
        ide.Open(b);
        ide.window->ActiveEditor()->Editor()->SetText("two");

        // The second prompt refused: the IDE keeps running, nothing saved.
        ide.prompt.buttons << QMessageBox::No << QMessageBox::Cancel;
        QVERIFY(!ide.window->close());
        QCOMPARE(ide.prompt.asked.size(), size_t(2));
        QCOMPARE(ide.prompt.asked[0].title, "Save changes");
        QCOMPARE(ide.prompt.asked[0].text, "Save changes to this file ?");
        QCOMPARE(ReadAll(b), QByteArray("b\n"));
        QVERIFY(QFile::exists(ide.home.File("zqtemp001.zbl")));
        QVERIFY(!QFile::exists(ide.home.File("zlay.lay")));

        ide.prompt.asked.clear();
        ide.prompt.buttons << QMessageBox::Yes;
        QVERIFY(ide.window->close());
        QCOMPARE(ide.prompt.asked.size(), size_t(1));
        QCOMPARE(ReadAll(b), QByteArray("two"));
        QVERIFY(!QFile::exists(ide.home.File("zqtemp001.zbl")));
        QVERIFY(QFile::exists(ide.home.File("zlay.lay")));
    }

    void SaveAndSaveAsCaptions() {
        Ide ide;
        NoSolution();
        ide.window->RunTool("FileFile");
        ide.prompt.paths << "";  // cancelled: nothing written, caption kept
        ide.window->RunTool("FileSave");
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " Blank * ");
        ide.prompt.paths << ide.home.File("first.zbl");
        ide.window->RunTool("FileSave");
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " first.zbl ");
        QCOMPARE(ide.window->ActiveEditor()->FileName(), ide.home.File("first.zbl"));
        QCOMPARE(ide.window->ActiveEditor()->findChild<QLabel*>("Label1")->text(),
                 "Module :   first.zbl");
        ide.prompt.paths << ide.home.File("second.zbl");
        ide.window->RunTool("FileSaveAs");
        QCOMPARE(ide.prompt.asked.back().title, "Save File As ...");
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " second.zbl ");
        QVERIFY(QFile::exists(ide.home.File("second.zbl")));
        QCOMPARE(ide.host()->Recent("FileMruList").first(), ide.home.File("second.zbl"));
        ide.window->RunTool("FileSave");  // named: no dialog
        QCOMPARE(ide.prompt.asked.size(), size_t(3));
    }

    void FailedSaveKeepsFileAndWindow() {
        Ide ide;
        NoSolution();
        const QString a = ide.Write("a.zbl", "original\n");
        ide.Write("blocker", "a file where a folder should be");
        ide.Open(a);
        ide.window->ActiveEditor()->Editor()->SetText("edited");
        // Saving below a plain file fails even for root; close must not lose the text.
        ide.prompt.paths << ide.home.File("blocker/a.zbl");
        ide.window->RunTool("FileSaveAs");
        QCOMPARE(ide.prompt.asked.size(), size_t(2));
        QCOMPARE(ide.prompt.asked[1].kind, "message");
        QCOMPARE(ide.host()->ActiveWindow()->Caption(), " a.zbl ");
        QCOMPARE(ide.window->ActiveEditor()->FileName(), a);
        QCOMPARE(ReadAll(a), QByteArray("original\n"));
        QVERIFY(ide.window->ActiveEditor()->DocChanged());

        ide.prompt.buttons << QMessageBox::Yes;  // save on close, again into the blocked path
        ide.window->ActiveEditor()->SetFileName(ide.home.File("blocker/a.zbl"));
        QVERIFY(!ide.host()->CloseWindow(ide.host()->ActiveWindow()));
        QCOMPARE(ide.host()->Windows().size(), 2);
    }

    void SecondProcessHandsOverItsFile() {
        Ide ide;
        const auto claim = SingleInstance::Acquire();  // this process is the running IDE
        QVERIFY(claim.lock);
        const QString file = ide.Write("handed.zbl", "Sub Handed\n");
        QProcess second;
        second.start(ZIDE_PROGRAM, {file});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            ide.window->ActiveEditor() && ide.window->ActiveEditor()->FileName() == file, 3000);
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "OpenFile"), QString());
    }

    void SolutionExtensionIgnoresCase() {
        Ide ide;
        const QString solution = ide.Write("DEMO.ZSL", "[Solution]\r\nName=Demo\r\n");
        ide.Open(solution);
        for (DocWindow* window : ide.host()->Windows()) {
            auto* editor = qobject_cast<EditorWindow*>(window->Form());
            QVERIFY(!editor || editor->FileName() != solution);
        }
        QVERIFY(!ide.host()->Recent("FileMruList").contains(solution));
    }
};

ZIDE_TEST(MainWindowTest)
#include "MainWindowTest.moc"
