#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestSupport.h"
#include "build/BuildPipeline.h"
#include "build/OutputTarget.h"
#include "settings/Registry.h"
#include "solution/SolutionState.h"

namespace {

const QString Tool = QStringLiteral(ZIDE_FAKETOOL);

// The window's side of a build, recording what the build asked of it.
class FakeHost : public BuildHost {
public:
    QList<mdlSolutionFile::SolutionItem> items;
    QStringList inEditors;  // modules whose editor writes the build copy
    bool hasActive = false;
    QString activeFile;
    QString activeText;
    QString configuration = QStringLiteral("Win32 Debug");
    StringTarget output;
    QStringList messages;
    QStringList folderAtTool;  // the current folder's files as each tool starts
    QList<bool> runningChanges;
    std::function<void()> onTool;

    QList<mdlSolutionFile::SolutionItem> SolutionItems() const override { return items; }
    bool SaveBuildFile(const QString& path) override {
        if (!inEditors.contains(path))
            return false;
        WriteAll(
            QFileInfo(SolutionState.SolutionPath).path() + "/Release/" + QFileInfo(path).fileName(),
            "Option Console OFF\n' from the editor\n");
        return true;
    }
    bool HasActiveDocument() const override { return hasActive; }
    QString ActiveFileName() const override { return activeFile; }
    QString ActiveText() const override { return activeText; }
    bool SaveActiveCopy(const QString& path) override {
        WriteAll(path, activeText.toUtf8());
        return true;
    }
    QString Configuration() const override { return configuration; }
    OutputTarget* Output() override { return &output; }
    void ShowOutputView() override {
        folderAtTool << QDir::current().entryList(QDir::Files).join(QLatin1Char(' '));
        if (onTool)
            onTool();
    }
    void ShowMessage(const QString& text, const QString& title, QMessageBox::Icon) override {
        messages << title + QLatin1Char('|') + text;
    }
    void RunningChanged(bool running) override { runningChanges << running; }
};

void Set(const QString& name, const QString& value) {
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey, name,
                              value);
}

// Tools off and empty, then the fake tool as every tool whose script is given.
void SetTools(const QString& processor, const QString& compiler, const QString& linker) {
    const auto set = [](const char* use, const char* path, const char* param,
                        const QString& script) {
        Set(QLatin1String(use), script.isEmpty() ? "False" : "True");
        Set(QLatin1String(path), Tool);
        Set(QLatin1String(param), script);
    };
    set("UseProcessor", "ProcPath", "ProcParam", processor);
    set("UseCompiler", "CompilerPath", "Param1", compiler);
    set("UseLinker", "LinkerPath", "LinkParam1", linker);
}

QString Q(const QString& word) {
    return QLatin1Char('"') + word + QLatin1Char('"');
}

QStringList Lines(const QString& path) {
    return QString::fromUtf8(ReadAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A process that has ended: gone, or a zombie nobody has collected yet.
bool Ended(const QString& pid) {
    const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

}  // namespace

class BuildPipelineTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<QTemporaryDir> work;
    QString runLog;  // what the started program writes
    QByteArray oldScript;

    QString W(const QString& name) const { return work->filePath(name); }
    // A program file that logs its start to runLog.
    void MakeProgram(const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile::remove(path);
        QVERIFY(QFile::copy(Tool, path));
    }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>(false);
        work = std::make_unique<QTemporaryDir>();
        runLog = W("run.log");
        oldScript = qgetenv("ZIDE_FAKETOOL");
        qputenv("ZIDE_FAKETOOL", "log:" + runLog.toUtf8());
        SolutionState.Reset();
        Set("ResPath", QString());
        Set("ResParam0", QString());
    }
    void cleanup() {
        QDir::setCurrent(QDir::tempPath());
        qputenv("ZIDE_FAKETOOL", oldScript);
        SolutionState.Reset();
        work.reset();
        home.reset();
    }

    void solutionBuildsCopiesInItsReleaseFolder() {
        const QString log = W("tools.log");
        WriteAll(W("s/app.zsl"), "[Solution]\n");
        WriteAll(W("p/main.zbl"), "on disk\n");
        WriteAll(W("p/util.zbl"), "Sub util\n");
        WriteAll(W("s/Release/stale.zbl"), "old copy\n");
        SolutionState.SolutionPath = W("s/app.zsl");
        SolutionState.Startup = W("p/main.zbl");
        FakeHost host;
        host.items = {{"source", ""}, {"file1", W("p/main.zbl")}, {"file2", W("p/util.zbl")}};
        host.inEditors = {W("p/main.zbl")};
        SetTools(Q("script=log:" + log) + " %FILE% \"%PATH%\" \"%FULL%\"", QString(),
                 Q("script=log:" + log + ",copyself:%PATH%/%FILE%.exe"));

        BuildPipeline pipeline(host);
        const BuildResult result = pipeline.BuildBuild();

        qDebug() << host.output.text << host.folderAtTool << ReadAll(home->RegistryFile());
        QCOMPARE(result.outcome, BuildResult::Outcome::Succeeded);
        const QString release = W("s/Release");
        QCOMPARE(Lines(log),
                 (QStringList{release + "|main " + release + " " + release + "/main.zbl",
                              release + "|"}));
        // Both modules were there for the tools: one from its editor, one from disk.
        QCOMPARE(host.folderAtTool.value(0), QStringLiteral("main.zbl stale.zbl util.zbl"));
        QVERIFY(QDir(release).entryList({"*.zbl"}).isEmpty());
        QCOMPARE(ReadAll(W("p/main.zbl")), QByteArray("on disk\n"));
        QVERIFY(host.messages.isEmpty());
        QTRY_COMPARE(Lines(runLog), QStringList{release + "|"});
        QVERIFY(host.output.text.endsWith(result.text + "\n"));
        QVERIFY(result.text.startsWith("Build succeeded in "));
        QCOMPARE(host.runningChanges, (QList<bool>{true, false}));
    }

    void neverSavedDocumentBuildsThroughScratchFiles() {
        const QString log = W("tools.log");
        FakeHost host;
        host.hasActive = true;
        host.activeText = "option  console off\nPrint 1\n";
        WriteAll(home->File("zqtemp001.exe"), "left from before");
        SetTools(QString(), Q("script=log:" + log) + " \"%FULL%\"",
                 Q("script=copyself:%PATH%/%FILE%.exe"));

        BuildPipeline pipeline(host);
        QVERIFY(pipeline.BuildBuild().Succeeded());

        const QString scratch = QFileInfo(home->File("zqtemp001.zbl")).absoluteFilePath();
        QCOMPARE(Lines(log), QStringList{home->Path() + "|" + scratch});
        QVERIFY(host.folderAtTool.value(0).split(' ').contains("zqtemp001.zbl"));
        QVERIFY(!QFile::exists(scratch));
        QTRY_COMPARE(Lines(runLog), QStringList{home->Path() + "|"});
    }

    void switchesCountOnlyWhenTrue_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("runs");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("tRUE") << "tRUE" << true;
        QTest::newRow("1") << "1" << false;
        QTest::newRow("yes") << "yes" << false;
        QTest::newRow("absent") << QString() << false;
    }
    void switchesCountOnlyWhenTrue() {
        QFETCH(QString, stored);
        QFETCH(bool, runs);
        const QString log = W("tools.log");
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        SetTools(QString(), Q("script=log:" + log), QString());
        Set("UseCompiler", stored);
        BuildPipeline pipeline(host);
        pipeline.SetStartPolicy(BuildPipeline::StartPolicy::Never);
        pipeline.BuildBuild();
        QCOMPARE(QFile::exists(log), runs);
        // Built in place: the module stays.
        QVERIFY(QFile::exists(W("m/x.zbl")));
    }

    void resourceStepOnlyWithScriptBeside() {
        const QString log = W("tools.log");
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        SetTools(QString(), QString(), QString());
        Set("ResPath", Tool);
        Set("ResParam0", Q("script=log:" + log) + " %FILE% \"%FULL%\"");
        BuildPipeline pipeline(host);
        pipeline.SetStartPolicy(BuildPipeline::StartPolicy::Never);

        pipeline.BuildBuild();
        QVERIFY(!QFile::exists(log));
        WriteAll(W("m/x.rc"), "1 ICON x.ico\n");
        pipeline.BuildBuild();
        QCOMPARE(Lines(log), QStringList{W("m") + "|x " + W("m/x.rc")});
    }

    void errorFilesStopTheBuild_data() {
        QTest::addColumn<QString>("compilerErr");
        QTest::addColumn<QString>("linkerErr");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("started");
        const QString compiler =
            "Build|  C++ compiler occurred some errors, see Output from "
            "compiler !   ";
        const QString linker =
            "Build|  C++ linker occurred some errors, see Output from linker !   ";
        QTest::newRow("first line only") << "Error E2209 x.cpp 1"
                                         << ""
                                         << "" << true;
        QTest::newRow("after CR LF") << "Borland C++ 5.5\\r\\nError E2209 x.cpp 1\\r\\n"
                                     << "Error: also\\nError here" << compiler << false;
        QTest::newRow("after LF") << "banner\\nError E2451 x.cpp 3"
                                  << "" << compiler << false;
        QTest::newRow("no blank after Error") << "banner\\nError:x"
                                              << ""
                                              << "" << true;
        QTest::newRow("linker") << "banner\\n"
                                << "Turbo Link\\r\\nError E2000 Unresolved" << linker << false;
    }
    void errorFilesStopTheBuild() {
        QFETCH(QString, compilerErr);
        QFETCH(QString, linkerErr);
        QFETCH(QString, message);
        QFETCH(bool, started);
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        MakeProgram(W("m/x.exe"));
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        // The linker's error file is written by the compiler, so a build that
        // read it after a compiler error would report the linker too.
        SetTools(
            QString(),
            "\"script=write:bcc32.err=" + compilerErr + ",write:ilink32.err=" + linkerErr + "\"",
            QString());
        BuildPipeline pipeline(host);
        const BuildResult result = pipeline.BuildBuild();
        QCOMPARE(host.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(result.Succeeded(), started);
        if (started) {
            QTRY_VERIFY(QFile::exists(runLog));
        } else {
            QVERIFY(result.text.startsWith("Build failed: "));
            QTest::qWait(200);
            QVERIFY(!QFile::exists(runLog));
        }
    }

    void unknownConfigurationEndsAtTheCompiler() {
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        MakeProgram(W("m/x.exe"));
        const QString log = W("tools.log");
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        host.configuration = "Win64 Debug";
        SetTools(Q("script=log:" + log), Q("script=log:" + log), QString());
        BuildPipeline pipeline(host);
        QCOMPARE(pipeline.BuildBuild().outcome, BuildResult::Outcome::Failed);
        QCOMPARE(Lines(log).size(), 1);  // the translator only
        QVERIFY(host.messages.isEmpty());
        QTest::qWait(200);
        QVERIFY(!QFile::exists(runLog));
    }

    void toolsThatCannotStartAreSkipped_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "no/such/bcc32";
        QTest::newRow("folder") << "m";
        QTest::newRow("not executable") << "bin/bcc32";
    }
    void toolsThatCannotStartAreSkipped() {
        QFETCH(QString, name);
        const QString compiler = W(name);
        const QString log = W("tools.log");
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        QDir().mkpath(W("bin"));
        QVERIFY(QFile::copy(Tool, W("bin/bcc32")));
        QFile::setPermissions(W("bin/bcc32"), QFile::ReadOwner | QFile::WriteOwner);
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        SetTools(QString(), "x", Q("script=log:" + log));
        Set("CompilerPath", compiler);
        BuildPipeline pipeline(host);
        pipeline.SetStartPolicy(BuildPipeline::StartPolicy::Never);
        const BuildResult result = pipeline.BuildBuild();
        QCOMPARE(result.outcome, BuildResult::Outcome::Failed);
        QVERIFY2(result.text.startsWith("Build failed: could not start " + compiler),
                 qPrintable(result.text));
        QVERIFY(host.messages.isEmpty());
        QCOMPARE(Lines(log).size(), 1);  // the linker still ran
    }

    void emptyToolCommandIsRefused() {
        FakeHost host;
        BuildPipeline pipeline(host);
        pipeline.RunTool(" ", W("x.zbl"));
        QCOMPARE(host.messages,
                 QStringList{"Build ...|  Error in compiling file !   \r\n  Please, check your "
                             "setting to path for compiler.  \r\n  You can compile only saved "
                             "file.   "});
    }

    void placeholders() {
        QCOMPARE(BuildPipeline::ExpandPlaceholders("-o %FILE%.exe %PATH%/%FILE% %FULL% %file%",
                                                   " /s/Release/my.app.zbl "),
                 QStringLiteral("-o my.app.exe /s/Release/my.app /s/Release/my.app.zbl %file%"));
        // Three replacements in turn: a later placeholder is expanded in
        // what an earlier one put in.
        QCOMPARE(BuildPipeline::ExpandPlaceholders("%FILE%", "/a/%PATH%.zbl"),
                 QStringLiteral("/a"));
    }

    void stopEndsTheToolAndItsChildren_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("ends on SIGTERM") << "spawn,pid,sleep:60000";
        QTest::newRow("ignores SIGTERM") << "noterm,spawn,pid,sleep:60000";
    }
    void stopEndsTheToolAndItsChildren() {
        QFETCH(QString, script);
        const QString log = W("tools.log");
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        MakeProgram(W("m/x.exe"));
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        SetTools(QString(), "script=" + script, Q("script=log:" + log));
        BuildPipeline pipeline(host);
        BuildResult second;
        bool runningMeanwhile = false;
        QTimer::singleShot(500, [&] {
            runningMeanwhile = pipeline.Running();
            second = pipeline.BuildBuild();  // asked again while a build runs
            pipeline.Stop();
        });
        const BuildResult result = pipeline.BuildBuild();

        QVERIFY(runningMeanwhile);
        QCOMPARE(second.outcome, BuildResult::Outcome::Busy);
        QCOMPARE(result.outcome, BuildResult::Outcome::Stopped);
        QVERIFY(!pipeline.Running());
        const QStringList pids = host.output.text.split('\n', Qt::SkipEmptyParts).mid(0, 2);
        QCOMPARE(pids.size(), 2);
        for (const QString& pid : pids)
            QTRY_VERIFY2(Ended(pid), qPrintable(pid));
        QVERIFY(host.output.text.endsWith(result.text + "\n"));
        QVERIFY(result.text.startsWith("Build stopped"));
        // Nothing after the stop: no linker, no program.
        QTest::qWait(200);
        QVERIFY(!QFile::exists(log));
        QVERIFY(!QFile::exists(runLog));
        QCOMPARE(host.runningChanges, (QList<bool>{true, false}));
    }

    void executeWithSolutionStartsBesideStartupModule() {
        WriteAll(W("s/app.zsl"), "[Solution]\n");
        WriteAll(W("p/main.zbl"), "Option Console OFF\n");
        MakeProgram(W("p/main.exe"));
        MakeProgram(W("s/Release/main.exe"));
        WriteAll(home->File("zqtemp001.zbl"), "scratch");
        SolutionState.SolutionPath = W("s/app.zsl");
        SolutionState.Startup = W("p/main.zbl");
        FakeHost host;
        BuildPipeline pipeline(host);
        pipeline.BuildExecute();
        QTRY_COMPARE(Lines(runLog), QStringList{W("p") + "|"});
        QVERIFY(!QFile::exists(home->File("zqtemp001.zbl")));
    }

    void runSettingsCommandStartsInstead() {
        WriteAll(W("s/app.zsl"),
                 "[Solution]\nName=app\n[Properties]\nCommand=tools/dbg\n"
                 "CommandArguments=-x \"two words\"\nWorkingDirectory=wd\n");
        QDir().mkpath(W("s/wd"));
        MakeProgram(W("s/tools/dbg"));
        WriteAll(W("p/main.zbl"), "Option Console OFF\n");
        MakeProgram(W("p/main.exe"));
        SolutionState.SolutionPath = W("s/app.zsl");
        SolutionState.Startup = W("p/main.zbl");
        FakeHost host;
        BuildPipeline pipeline(host);
        pipeline.BuildExecute();
        QTRY_COMPARE(Lines(runLog), QStringList{W("s/wd") + "|-x two words"});
    }

    void batchBuildRunsTheBatchFile() {
        WriteAll(W("m/x.zbl"), "Option Console OFF\n");
        WriteAll(W("m/make.bat"), "pwd > batch.log\n");
        MakeProgram(W("m/x.exe"));
        FakeHost host;
        host.hasActive = true;
        host.activeFile = W("m/x.zbl");
        BuildPipeline pipeline(host);
        QVERIFY(pipeline.BuildAll().Succeeded());
        QCOMPARE(ReadAll(W("m/batch.log")).trimmed(), W("m").toUtf8());
        QTRY_COMPARE(Lines(runLog), QStringList{W("m") + "|"});
    }

    void cleanRemovesLibraryProducts() {
        WriteAll(W("s/app.zsl"), "[Solution]\n");
        for (const char* name : {"a.zlm", "b.lib", "c.zbl", "d.exe"})
            WriteAll(W("s/") + name, "x");
        WriteAll(home->File("zqtemp001.exe"), "x");
        FakeHost host;
        BuildPipeline pipeline(host);
        pipeline.BuildClean();  // no solution open: nothing
        QVERIFY(QFile::exists(W("s/a.zlm")));
        SolutionState.SolutionPath = W("s/app.zsl");
        pipeline.BuildClean();
        QCOMPARE(QDir(W("s")).entryList(QDir::Files), (QStringList{"app.zsl", "c.zbl", "d.exe"}));
        QVERIFY(!QFile::exists(home->File("zqtemp001.exe")));
    }
};

// The per-user PATH setting reaching the tools.
class ToolPathTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void userEntriesComeFirst() {
        TestHome home(false);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("bin"));
        QVERIFY(QFile::copy(Tool, dir.filePath("bin/zide-tool")));
        const QByteArray inherited = qgetenv("PATH");
        mdlRegistry::SetUserEnvVar("PATH", " " + dir.filePath("bin") + " ; ;/opt/z bin ;");
        qputenv("ZIDE_FAKETOOL", "env:PATH");
        StringTarget target;
        // Found by name through the user's entries.
        const mdlExecCmd::ExecStatus status = mdlExecCmd::Run("zide-tool", &target);
        qputenv("ZIDE_FAKETOOL", "");
        QVERIFY(status.started);
        QCOMPARE(target.text, dir.filePath("bin") + ":/opt/z bin:" + inherited + "\n");
    }
};

// zide --build: the same build with no window, for scripts.
class HeadlessBuildTest : public QObject {
    Q_OBJECT

    int Build(const QStringList& arguments, QByteArray* out = nullptr, QByteArray* err = nullptr) {
        QProcess zide;
        zide.start(QStringLiteral(ZIDE_PROGRAM), QStringList{"--build"} + arguments);
        if (!zide.waitForFinished(30000))
            return -1;
        if (out)
            *out = zide.readAllStandardOutput();
        if (err)
            *err = zide.readAllStandardError();
        return zide.exitCode();
    }

private Q_SLOTS:
    void exitStatusTellsHowTheBuildEnded() {
        TestHome home(false);
        QTemporaryDir dir;
        WriteAll(dir.filePath("app.zsl"),
                 "[Solution]\nName=app\nStartup=src/main.zbl\nFilesCount=1\n[Files]\n"
                 "File1=src/main.zbl\n");
        WriteAll(dir.filePath("src/main.zbl"), "Print 1\n");
        SetTools("script=text:translated\\n", "script=write:bcc32.err=banner\\n",
                 Q("script=copyself:%PATH%/%FILE%.exe"));

        QByteArray out, err;
        QCOMPARE(Build({dir.filePath("app.zsl"), "--config", "Win32 Debug"}, &out, &err), 0);
        QVERIFY(QFile::exists(dir.filePath("Release/main.exe")));
        QVERIFY(out.startsWith("translated\n"));
        QVERIFY(out.contains("Build succeeded in "));
        QVERIFY(err.isEmpty());

        Set("Param1", Q("script=write:bcc32.err=banner\\nError E2209 main.cpp 1"));
        QCOMPARE(Build({dir.filePath("app.zsl")}, &out, &err), 1);
        QCOMPARE(err,
                 QByteArray("  C++ compiler occurred some errors, see Output from compiler !   "
                            "\n"));

        Set("Param1", "script=write:bcc32.err=banner\\n");
        Set("CompilerPath", dir.filePath("no-such-bcc32"));
        QCOMPARE(Build({dir.filePath("src/main.zbl")}, &out, &err), 1);
        QVERIFY(out.contains("Build failed: could not start"));

        QCOMPARE(Build({}, &out, &err), 2);
        QCOMPARE(Build({dir.filePath("none.zsl")}, &out, &err), 2);
    }
};

ZIDE_TEST(BuildPipelineTest)
ZIDE_TEST(ToolPathTest)
ZIDE_TEST(HeadlessBuildTest)
#include "BuildPipelineTest.moc"
