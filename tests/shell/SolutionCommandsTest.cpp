// Solutions in the running IDE: opening one with its modules, tree and tasks,
// saving it (never over the default solution), the explorer's clicks and
// removal, build copies of open modules, and the window title.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "controls/Tree.h"
#include "controls/TreeView.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/ProgramFolder.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include "solution/ProjectExplorer.h"
#include "solution/SolutionState.h"
#include "tasks/TaskListPane.h"

namespace {

// The IDE with the Project Explorer showing, so its items can be clicked.
struct SolutionIde : Ide {
    SolutionIde() { host()->SetPaneVisible("frmProject", true); }
    ProjectExplorer* explorer() const { return window->Explorer(); }
    // The modules under "Sources": key, text and path of each.
    QStringList Sources() const {
        QStringList rows;
        for (const auto& item : explorer()->Items())
            if (item.key.startsWith("file"))
                rows << item.key + "|" +
                            explorer()->Tree1->GetItemNode(IndexOf(item.key)).value(3).toString() +
                            "|" + item.tag;
        return rows;
    }
    int IndexOf(const QString& key) const {
        const auto items = explorer()->Items();
        for (int i = 0; i < items.size(); ++i)
            if (items[i].key == key)
                return i;
        return -1;
    }
    QWidget* Viewport() const { return explorer()->Tree1->View()->viewport(); }
    QPoint At(const QString& key) const {
        return explorer()
            ->Tree1->View()
            ->visualItemRect(explorer()->Tree1->NativeItem(key))
            .center();
    }
    void Click(const QString& key, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Viewport(), button, {}, At(key));
    }
    void DoubleClick(const QString& key) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(key));
        QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, At(key));
        QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(key));
    }
};

// A solution as the Windows program wrote it: "\" in paths, CR LF, a module
// in a subfolder, one missing, one listed twice, a gap and a count beyond
// the keys present, and two tasks.
QString WindowsSolution(const SolutionIde& ide) {
    ide.Write("Demo/src/a.zbl");
    ide.Write("Demo/b.zbl");
    return ide.Write("Demo/Demo.zsl",
                     "[Solution]\r\nName=Demo\r\nStartup=src\\a.zbl\r\nBuildBatch=\r\n"
                     "FilesCount=7\r\n\r\n[Files]\r\nFile1=src\\a.zbl\r\nFile2=b.zbl\r\n"
                     "File3=missing.zbl\r\nFile5=b.zbl\r\n\r\n[Tasks]\r\nCount=2\r\n"
                     "Item0= Check the output \r\nItem1=Write the help\r\n");
}

}  // namespace

class SolutionCommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void OpeningASolutionShowsItWhole() {
        SolutionIde ide;
        const QString zsl = WindowsSolution(ide);
        const QByteArray before = ReadAll(zsl);
        const QString a = ide.home.File("Demo/src/a.zbl");
        const QString b = ide.home.File("Demo/b.zbl");
        ide.Open(zsl);

        QCOMPARE(ide.OpenFiles(), (QStringList{a, b}));
        QCOMPARE(ide.Sources(), (QStringList{"file8|a|" + a, "file9|b|" + b}));
        QCOMPARE(ide.WindowFor(a)->Key(), "file8");
        QCOMPARE(ide.WindowFor(b)->Key(), "file9");
        QCOMPARE(SolutionState.Name, "Demo");
        QCOMPARE(SolutionState.Startup, a);
        QCOMPARE(ide.explorer()->Tree1->GetItemNode(0).value(3).toString(), "Demo");
        QCOMPARE(ide.window->Tasks()->Tasks(), (QStringList{"Check the output", "Write the help"}));
        QCOMPARE(ide.host()->Recent("ProjectList"), QStringList{zsl});
        QCOMPARE(ide.window->windowTitle(), QString("b.zbl \u2014 Demo \u2014 Zorbel Builder"));
        QVERIFY(ide.prompt.asked.empty());
        QCOMPARE(ReadAll(zsl), before);  // opening writes nothing

        // A module of the solution opened again is activated, not doubled.
        ide.Open(a);
        QCOMPARE(ide.OpenFiles().size(), 2);
        QCOMPARE(ide.host()->ActiveWindow(), ide.WindowFor(a));
        // Opening the solution again shows it once.
        ide.Open(zsl);
        QCOMPARE(ide.OpenFiles(), (QStringList{a, b}));
        QCOMPARE(ide.Sources().size(), 2);
    }

    void ExplorerOpensRemovesAndSaves() {
        SolutionIde ide;
        const QString zsl = WindowsSolution(ide);
        const QString a = ide.home.File("Demo/src/a.zbl");
        ide.Open(zsl);
        QTest::qWait(50);

        // A closed module stays in the solution; double-click opens it under
        // its item's key, a second double-click activates it.
        QVERIFY(ide.host()->CloseWindow(ide.WindowFor(a)));
        QCOMPARE(ide.Sources().size(), 2);
        ide.DoubleClick("file8");
        QVERIFY(ide.WindowFor(a));
        QCOMPARE(ide.WindowFor(a)->Key(), "file8");
        ide.DoubleClick("file8");
        QCOMPARE(ide.OpenFiles().size(), 2);
        QCOMPARE(ide.explorer()->Label1->text(), a);

        // Right-click decides whether "Remove" applies.
        ide.Click("source", Qt::RightButton);
        QVERIFY(!ide.host()->Tool("ProjectRemove")->isEnabled());
        ide.Click("file8", Qt::RightButton);
        QVERIFY(ide.host()->Tool("ProjectRemove")->isEnabled());
        QTest::qWait(ProjectExplorer::MenuDelayMs + 50);
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        ide.window->RunTool("ProjectRemove");
        QCOMPARE(ide.Sources().size(), 1);
        QCOMPARE(SolutionState.Startup, QString());  // it was the start-up module
        QCOMPARE(ide.OpenFiles().size(), 2);         // the file and its window stay

        ide.window->RunTool("ProjectSave");
        const QByteArray saved = ReadAll(zsl);
        QVERIFY2(saved.contains("FilesCount=1\r\n") && saved.contains("File1=b.zbl\r\n") &&
                     !saved.contains("File2") && saved.contains("Startup=\r\n"),
                 saved.constData());
        QVERIFY(saved.contains("Item0= Check the output \r\n"));  // tasks untouched
        QVERIFY(ide.prompt.asked.empty());
    }

    void LibrariesOpenTheirSource() {
        SolutionIde ide;
        QDir().mkpath(ide.home.File("lib"));
        ide.Write("lib/text.zlm", "");
        const QString source = ide.Write("lib/text.zbl");
        ide.Write("lib/lost.zlm", "");
        ide.Open(WindowsSolution(ide));
        QTest::qWait(50);
        ide.explorer()->Tree1->View()->expandAll();

        ide.DoubleClick("libs::text");
        QVERIFY(ide.WindowFor(source));
        QCOMPARE(ide.WindowFor(source)->Key(), QString());  // not a module of the solution
        const int windows = ide.OpenFiles().size();
        ide.DoubleClick("libs::lost");  // its source is missing
        QCOMPARE(ide.OpenFiles().size(), windows);
        QCOMPARE(ide.prompt.asked.size(), size_t(1));
        QCOMPARE(ide.prompt.asked[0].text,
                 " Could not open " + ide.home.File("lib/lost.zbl") + " ");
    }

    void ChangedModulesAreAskedForFirst() {
        SolutionIde ide;
        const QString zsl = WindowsSolution(ide);
        const QString x = ide.Write("x.zbl", "original\n");
        const QString y = ide.Write("y.zbl", "original\n");
        ide.Open(x);
        ide.window->ActiveEditor()->Editor()->SetText("kept\n");
        ide.Open(y);
        ide.window->ActiveEditor()->Editor()->SetText("dropped\n");
        // x: Yes (the default solution's save then asks for a file: cancelled); y: No.
        ide.prompt.buttons << QMessageBox::Yes << QMessageBox::No;
        ide.Open(zsl);

        QStringList titles;
        for (const auto& asked : ide.prompt.asked)
            titles << asked.title;
        QCOMPARE(titles, (QStringList{"Save changes", "Save Solution ...", "Save changes"}));
        QCOMPARE(ide.prompt.asked[0].text, "Save changes to this file ?");
        QCOMPARE(ReadAll(x), QByteArray("kept\n"));
        QCOMPARE(ReadAll(y), QByteArray("original\n"));
        QCOMPARE(ide.OpenFiles().size(), 2);  // only the solution's modules
        QVERIFY(!ide.OpenFiles().contains(x) && !ide.OpenFiles().contains(y));
    }

    void TheDefaultSolutionIsNeverOverwritten() {
        SolutionIde ide;
        const QString defaultSolution = ProgramFolder::File("!default.zsl");
        const QByteArray shipped = ReadAll(defaultSolution);
        QCOMPARE(SolutionState.Name, "Solution1");
        QVERIFY(ide.host()->Recent("ProjectList").isEmpty());

        // A new module saved: the solution asks for a file, a bare name gets
        // the extension, and the new solution lists the module.
        ide.window->RunTool("ProjectNew");
        QCOMPARE(ide.Sources(), QStringList{"file1|blank|"});
        const QString module = ide.home.File("work/first.zbl");
        QDir().mkpath(ide.home.File("work"));
        ide.prompt.paths << module << ide.home.File("work/proj");
        ide.window->RunTool("FileSave");
        QCOMPARE(ide.prompt.asked.size(), size_t(2));
        QCOMPARE(ide.prompt.asked[1].title, "Save Solution ...");
        const QString proj = ide.home.File("work/proj.zsl");
        QCOMPARE(SolutionState.SolutionPath, proj);
        QCOMPARE(ide.Sources(), QStringList{"file1|first|" + module});
        QVERIFY2(ReadAll(proj).contains("File1=first.zbl"), ReadAll(proj).constData());
        QCOMPARE(ReadAll(defaultSolution), shipped);
        QCOMPARE(ide.host()->Recent("ProjectList"), QStringList{proj});
        QCOMPARE(ide.window->windowTitle(),
                 QString("first.zbl \u2014 Solution1 \u2014 Zorbel Builder"));

        // From now on a module save writes the solution without asking.
        const QString second = ide.Write("work/second.zbl");
        ide.window->SetPathToOpenNext(second);
        ide.window->RunTool("ProjectFile");
        ide.window->RunTool("FileSave");
        QCOMPARE(ide.prompt.asked.size(), size_t(2));
        QVERIFY(ReadAll(proj).contains("File2=second.zbl"));

        // The default solution as the open file is never written either.
        SolutionState.SolutionPath = defaultSolution;
        ide.window->RunTool("ProjectSave");
        QCOMPARE(ide.prompt.asked.back().title, "Save Solution ...");
        QCOMPARE(ReadAll(defaultSolution), shipped);
        // Its tasks live in the default solution while no file is set.
        QCOMPARE(SolutionState.SolutionPath, QString());
    }

    void AFailedSaveIsReported() {
        SolutionIde ide;
        ide.Open(WindowsSolution(ide));
        ide.Write("blocker", "a file where a folder should be");
        SolutionState.SolutionPath = ide.home.File("blocker/Demo.zsl");
        ide.window->RunTool("ProjectSave");
        QCOMPARE(ide.prompt.asked.size(), size_t(1));
        QCOMPARE(ide.prompt.asked[0].text,
                 " Could not save " + ide.home.File("blocker/Demo.zsl") + " ");
    }

    void UnsavedModulesLeaveWithTheirWindow() {
        SolutionIde ide;
        ide.window->RunTool("ProjectNew");
        ide.window->RunTool("ProjectNew");
        QCOMPARE(ide.Sources().size(), 2);
        ide.prompt.buttons << QMessageBox::No;
        QVERIFY(ide.host()->CloseWindow(ide.host()->ActiveWindow()));
        QCOMPARE(ide.Sources(), QStringList{"file1|blank|"});
        ide.host()->Activate(ide.host()->Windows().last());
        QCOMPARE(ide.window->windowTitle(),
                 QString("Blank* \u2014 Solution1 \u2014 Zorbel Builder"));
        ide.prompt.buttons << QMessageBox::No;
        QVERIFY(ide.host()->CloseWindow(ide.host()->ActiveWindow()));
        QCOMPARE(ide.window->windowTitle(), QString("Zorbel Builder"));  // the start page
    }

    void BuildCopiesTakeTheOpenText() {
        SolutionIde ide;
        const QString zsl = WindowsSolution(ide);
        ide.Open(zsl);
        const QString a = ide.home.File("Demo/src/a.zbl");
        const QString b = ide.home.File("Demo/b.zbl");
        QDir().mkpath(ide.home.File("Demo/Release"));
        ide.host()->Activate(ide.WindowFor(a));
        ide.window->ActiveEditor()->Editor()->insertAt("    Print 1\r\n", 1, 0);  // typed
        ide.host()->Activate(ide.WindowFor(b));  // not the active one

        QVERIFY(ide.window->SaveBuildFile(a));
        QCOMPARE(ReadAll(ide.home.File("Demo/Release/a.zbl")),
                 QByteArray("Sub Main\r\n    Print 1\r\nEnd Sub\r\n"));
        QCOMPARE(ReadAll(a), QByteArray("Sub Main\r\nEnd Sub\r\n"));  // the module is not saved
        ide.host()->Activate(ide.WindowFor(a));
        QCOMPARE(ide.window->windowTitle(), QString("a.zbl* \u2014 Demo \u2014 Zorbel Builder"));
        QVERIFY(!ide.window->SaveBuildFile(ide.home.File("Demo/other.zbl")));
    }

    void NewProjectReplacesTheSolution() {
        SolutionIde ide;
        const QString old = ide.Write("old.zbl", "original\n");
        ide.Open(old);
        ide.window->ActiveEditor()->Editor()->insertAt("' typed\r\n", 0, 0);
        ide.prompt.buttons << QMessageBox::No;  // the changed module is not saved
        QTimer::singleShot(0, ide.window.get(), [&] {
            auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(form && form->objectName() == "Form12");
            form->findChild<QLineEdit*>("Text2")->setText("Hello");
            form->findChild<QLineEdit*>("Text1")->setText(ide.home.File("work"));
            form->findChild<QComboBox*>("Combo1")->setCurrentText("Console");
            form->findChild<QPushButton*>("Command1")->click();
        });
        ide.window->RunTool("FileProject");

        const QString module = ide.home.File("work/Hello/Hello.zbl");
        const QString solution = ide.home.File("work/Hello/Hello.zsl");
        QCOMPARE(ide.OpenFiles(), QStringList{module});
        QCOMPARE(ReadAll(old), QByteArray("original\n"));
        QCOMPARE(ide.Sources(), QStringList{"file1|Hello|" + module});
        QCOMPARE(SolutionState.SolutionPath, solution);
        QCOMPARE(SolutionState.Startup, module);
        QCOMPARE(ide.host()->Recent("ProjectList").first(), solution);
        QVERIFY(ReadAll(module).contains("Sub Main"));
        QCOMPARE(ide.window->windowTitle(),
                 QString("Hello.zbl \u2014 Hello \u2014 Zorbel Builder"));
    }

    void ASolutionHandedOverOpens() {
        SolutionIde ide;
        const QString zsl = WindowsSolution(ide);
        SingleInstance::HandOver(zsl);
        QTRY_COMPARE_WITH_TIMEOUT(SolutionState.Name, QString("Demo"), 5000);
        QCOMPARE(ide.OpenFiles().size(), 2);
        QVERIFY(SingleInstance::Waiting().isEmpty());
    }
};

ZIDE_TEST(SolutionCommandsTest)
#include "SolutionCommandsTest.moc"
