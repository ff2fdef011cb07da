// The file dialogs' start folder and proposed name, File -> Close, the Tools
// and Help commands that cannot work here, the About box, and a relative
// path handed over from another folder.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/FileLock.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include "solution/SolutionState.h"

namespace {
const QByteArray EmptySolution =
    "[Solution]\r\nName=Demo\r\nStartup=\r\nBuildBatch=\r\n"
    "FilesCount=0\r\n";

// Puts the working folder back however the test ends.
struct CurrentFolder {
    QString before = QDir::currentPath();
    explicit CurrentFolder(const QString& folder) { QDir::setCurrent(folder); }
    ~CurrentFolder() { QDir::setCurrent(before); }
};
}  // namespace

class ShellCommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void DialogsStartWhereTheUserWorks() {
        Ide ide;
        // Nothing open: the projects folder.
        ide.window->RunTool("FileOpen");
        QCOMPARE(ide.prompt.asked.back().kind, "open");
        QCOMPARE(ide.prompt.asked.back().start, ide.home.File("projects"));

        // A solution open: its folder.
        ide.Open(ide.Write("Demo/Demo.zsl", EmptySolution));
        QCOMPARE(SolutionState.SolutionPath, ide.home.File("Demo/Demo.zsl"));
        ide.window->RunTool("ProjectOpen");
        QCOMPARE(ide.prompt.asked.back().start, ide.home.File("Demo"));

        // A module active: the module's folder, for opening and for saving
        // a new module.
        const QString module = ide.Write("Other/code/m.zbl");
        ide.Open(module);
        ide.window->RunTool("FileOpen");
        QCOMPARE(ide.prompt.asked.back().start, ide.home.File("Other/code"));
        ide.window->RunTool("FileFile");
        ide.window->RunTool("FileSave");
        QCOMPARE(ide.prompt.asked.back().kind, "save");
        QCOMPARE(ide.prompt.asked.back().start, ide.home.File("Demo"));

        // Save As proposes the module's own name.
        ide.Open(module);
        ide.window->RunTool("FileSaveAs");
        QCOMPARE(ide.prompt.asked.back().kind, "save");
        QCOMPARE(ide.prompt.asked.back().start, module);
        QCOMPARE(ide.prompt.asked.back().text, "Zorbel Files (*.zbl);;All Files (*)");
    }

    void FileCloseClosesTheActiveModule() {
        Ide ide;
        const QString a = ide.Write("a.zbl"), b = ide.Write("b.zbl");
        ide.Open(a);
        ide.Open(b);
        QCOMPARE(ide.window->ActiveEditor()->FileName(), b);
        ide.window->RunTool("FileClose");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(ide.OpenFiles(), QStringList{a});

        // A changed module asks first; Cancel keeps it and its text.
        ide.host()->Activate(ide.WindowFor(a));
        QVERIFY(ide.window->ActiveEditor());
        ide.window->ActiveEditor()->Editor()->SetText("Sub Main\r\n' edited\r\nEnd Sub\r\n");
        ide.prompt.buttons << QMessageBox::Cancel;
        ide.window->RunTool("FileClose");
        QCOMPARE(ide.prompt.asked.back().text, "Save changes to this file ?");
        QCOMPARE(ide.OpenFiles(), QStringList{a});
        QCOMPARE(ReadAll(a), QByteArray("Sub Main\r\nEnd Sub\r\n"));
    }

    void ToolsThatCannotWorkHereSaySo_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("says");
        QTest::newRow("Resource Editor") << "ToolRes"
                                         << "Windows tool";
        QTest::newRow("Windows API help") << "HelpApi"
                                          << "not installed";
        QTest::newRow("settings never saved") << "ToolReg"
                                              << "No setting has been saved";
    }
    void ToolsThatCannotWorkHereSaySo() {
        QFETCH(QString, tool);
        QFETCH(QString, says);
        Ide ide;
        QFile::remove(ide.home.RegistryFile());
        const size_t before = ide.prompt.asked.size();
        ide.window->RunTool(tool);
        QCOMPARE(ide.prompt.asked.size(), before + 1);
        QCOMPARE(ide.prompt.asked.back().kind, "message");
        QVERIFY2(ide.prompt.asked.back().text.contains(says),
                 qPrintable(ide.prompt.asked.back().text));
    }

    void AboutBoxFitsItsContent() {
        Ide ide;
        QSize size, hint;
        bool seen = false, resizable = true;
        QTimer::singleShot(0, [&] {
            if (auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen = true;
                size = about->size();
                hint = about->sizeHint();
                resizable = about->minimumSize() != about->maximumSize();
                about->reject();
            }
        });
        ide.window->RunTool("HelpAbout");
        QVERIFY(seen);
        QCOMPARE(size, hint);
        QVERIFY(!resizable);
    }

    // "cd ~/work; zide hello.zbl" with an IDE running elsewhere opens
    // ~/work/hello.zbl, not a file of the IDE's own folder.
    void HandedOverRelativePathOpensTheRightFile() {
        Ide ide;
        const SingleInstance::Claim claim = SingleInstance::Acquire();
        QVERIFY(claim.lock);
        const QString meant = ide.Write("work/hello.zbl", "' the one meant\r\n");
        ide.Write("hello.zbl", "' a decoy in the IDE's folder\r\n");
        const CurrentFolder idesFolder(ide.home.Path());
        QProcess start;
        start.setWorkingDirectory(ide.home.File("work/sub"));
        QDir().mkpath(ide.home.File("work/sub"));
        start.start(ZIDE_PROGRAM, {"../hello.zbl"});
        QVERIFY(start.waitForFinished(20000));
        QCOMPARE(start.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ide.OpenFiles(), QStringList{meant}, 5000);
        QVERIFY(ide.window->ActiveEditor()->Editor()->Text().startsWith("' the one meant"));
    }
};

ZIDE_TEST(ShellCommandsTest)
#include "ShellCommandsTest.moc"
