// From a new console project to its output: the "Console" template with
// one Print in Sub Main, built by the headless build and run.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "QtBenchMain.h"
#include "settings/InstallDefaults.h"
#include "solution/ProjectTemplates.h"

namespace {

// A program folder holding the built tool chain and the installation's
// defaults, with a settings file of its own.
bool MakeProgramFolder(const QString& home) {
    for (const char* folder : {"bin", "runtime"})
        if (!QFile::link(QStringLiteral(ZIDE_BINARY_DIR "/") + folder, home + "/" + folder))
            return false;
    qputenv("ZIDE_HOME", home.toUtf8());
    qputenv("ZIDE_REGISTRY", (home + QStringLiteral("/registry.reg")).toUtf8());
    const QString defaults = QStringLiteral(ZIDE_BINARY_DIR "/defaults.reg");
    if (QFile::exists(defaults))
        return QFile::link(defaults, home + QStringLiteral("/defaults.reg"));
    InstallDefaults::Write();
    return true;
}

void NewProjectRun(benchmark::State& state) {
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/zide-bench-XXXXXX"));
    if (!MakeProgramFolder(home.path())) {
        state.SkipWithError("no program folder");
        return;
    }
    QString text = ProjectTemplates::ConsoleTemplate(ProjectTemplates::Today());
    const QString main = QStringLiteral("start program from here\r\n");
    text.replace(main, main + QStringLiteral("    Print \"Hello, world\"\r\n"));
    int project = 0;
    for (auto _ : state) {
        const QString folder = home.filePath(QStringLiteral("Hello%1").arg(++project));
        QDir().mkpath(folder);
        QFile module(folder + QStringLiteral("/Hello.zbl"));
        module.open(QIODevice::WriteOnly);
        module.write(text.toUtf8());
        module.close();

        QProcess build;
        build.setProcessChannelMode(QProcess::MergedChannels);
        build.start(QStringLiteral(ZIDE_PROGRAM), {"--build", module.fileName()});
        if (!build.waitForFinished(60000) || build.exitCode() != 0 ||
            !QFile::exists(folder + QStringLiteral("/Hello.exe"))) {
            state.SkipWithError(("build failed: " + build.readAll()).constData());
            break;
        }
        QProcess program;
        program.setWorkingDirectory(folder);
        program.start(folder + QStringLiteral("/Hello.exe"), {});
        const bool finished = program.waitForFinished(10000);
        const QByteArray output = program.readAllStandardOutput();
        if (!finished || output != QByteArray("Hello, world\n")) {
            state.SkipWithError(("the program did not say hello: " + output).constData());
            break;
        }
    }
}
BENCHMARK(NewProjectRun)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
