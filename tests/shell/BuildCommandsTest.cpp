// Builds from the main window: F7 over a solution with fake tools, messages
// that lead back to the solution's module, marks in its margin, and the
// build commands while a build runs.
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "build/OutputPane.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/Registry.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"

namespace {
void Set(const QString& name, const QString& value) {
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey, name,
                              value);
}

// Only the compiler runs, as the fake tool with `script`.
void CompilerOnly(const QString& script) {
    Set("UseProcessor", "False");
    Set("UseLinker", "False");
    Set("UseCompiler", "True");
    Set("CompilerPath", ZIDE_FAKETOOL);
    Set("Param1", "\"script=" + script + "\"");
}

// A solution "Demo" whose start-up module is hello.zbl.
QString DemoSolution(const Ide& ide) {
    ide.Write("Demo/hello.zbl", "Sub Main\r\n    Prnt \"x\"\r\nEnd Sub\r\n");
    return ide.Write(
        "Demo/Demo.zsl",
        "[Solution]\r\nName=Demo\r\nStartup=hello.zbl\r\nBuildBatch=\r\nFilesCount=1\r\n"
        "\r\n[Files]\r\nFile1=hello.zbl\r\n");
}
}  // namespace

class BuildCommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ACompilerErrorLeadsBackToTheModule() {
        Ide ide;
        ide.Open(DemoSolution(ide));
        const QString hello = ide.home.File("Demo/hello.zbl");
        // The message names the build copy in Release, as a translator would.
        CompilerOnly(
            "text:%PATH%/%FILE%.zbl:2:5: error: Prnt is not known\\n,"
            "write:bcc32.err=Banner\\r\\nError E2451 hello.cpp 2: Undefined symbol\\r\\n");
        ide.window->RunTool("BuildBuild");

        QCOMPARE(ide.prompt.asked.size(), size_t(1));
        QCOMPARE(ide.prompt.asked[0].title, "Build");
        QCOMPARE(ide.prompt.asked[0].text,
                 "  C++ compiler occurred some errors, see Output from compiler !   ");
        OutputPane* pane = ide.window->OutputForm();
        const auto* text = pane->findChild<QsciScintilla*>("Text1");
        QVERIFY(text->text().contains("error: Prnt is not known"));
        QVERIFY(text->text().contains("Build failed"));
        QCOMPARE(pane->Messages().size(), 1);
        QCOMPARE(pane->Messages()[0].file, hello);  // the module, not its copy
        auto* editor = qobject_cast<EditorWindow*>(ide.WindowFor(hello)->Form());
        QCOMPARE(editor->Editor()->MessageLines(), QList<int>{1});
        QVERIFY(ide.window->findChild<QLabel*>("lblStatus2")->text().contains("failed"));

        // F4 opens the module at the message: line 2 selected from column 5.
        ide.host()->Activate(ide.host()->Windows().first());
        ide.window->RunTool("BuildNextMessage");
        QCOMPARE(ide.window->ActiveEditor(), editor);
        int fromLine = 0, fromIndex = 0, toLine = 0, toIndex = 0;
        editor->Editor()->getSelection(&fromLine, &fromIndex, &toLine, &toIndex);
        QCOMPARE(QList<int>({fromLine, fromIndex, toLine}), QList<int>({1, 4, 1}));
        QCOMPARE(editor->Editor()->selectedText(), QString("Prnt \"x\""));

        // The next build starts with clean margins.
        CompilerOnly("text:fine\\n");
        ide.window->RunTool("BuildBuild");
        QVERIFY(editor->Editor()->MessageLines().isEmpty());
    }

    void OneBuildAtATimeAndStop() {
        Ide ide;
        ide.Open(DemoSolution(ide));
        CompilerOnly("sleep:5000");
        DockHost* host = ide.host();
        QVERIFY(!host->Tool("BuildStop")->isEnabled());
        QStringList during;
        QTimer::singleShot(300, ide.window.get(), [&] {
            during << QString::number(host->Tool("BuildBuild")->isEnabled())
                   << QString::number(host->Tool("BuildStop")->isEnabled());
            ide.window->RunTool("BuildBuild");  // F7 again: nothing happens
            during << QString::number(ide.window->Builds().Running());
            ide.window->RunTool("BuildStop");
        });
        QElapsedTimer took;
        took.start();
        ide.window->RunTool("BuildBuild");
        QVERIFY(took.elapsed() < 4000);
        QCOMPARE(during, (QStringList{"0", "1", "1"}));
        QVERIFY(!ide.window->Builds().Running());
        QVERIFY(host->Tool("BuildBuild")->isEnabled());
        QVERIFY(!host->Tool("BuildStop")->isEnabled());
        QVERIFY(ide.window->findChild<QLabel*>("lblStatus2")->text().contains("stopped"));
    }
};

ZIDE_TEST(BuildCommandsTest)
#include "BuildCommandsTest.moc"
