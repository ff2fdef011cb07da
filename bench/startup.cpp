// Start-up to ready: the real program, started offscreen with an empty
// program folder and registry, quitting as soon as start-up has ended.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

static void BM_StartupToReady(benchmark::State& state) {
    QTemporaryDir home;
    QFile::copy(QStringLiteral(ZIDE_BINARY_DIR "/!default.zsl"), home.filePath("!default.zsl"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZIDE_QUIT_WHEN_READY", "1");
    env.insert("ZIDE_HOME", home.path());
    env.insert("ZIDE_REGISTRY", home.filePath("registry.reg"));
    for (auto _ : state) {
        QProcess ide;
        ide.setProcessEnvironment(env);
        ide.start(QStringLiteral(ZIDE_PROGRAM), {});
        if (!ide.waitForFinished(30000) || ide.exitCode() != 0)
            state.SkipWithError("the IDE did not quit");
    }
}
BENCHMARK(BM_StartupToReady)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
