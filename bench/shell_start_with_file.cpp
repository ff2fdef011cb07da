// Start-up to ready with a module on the command line: the real program,
// offscreen, quitting once the module is open and shown. Also the layout's
// part of it: restoring a saved arrangement of bars and panes.
#include <benchmark/benchmark.h>

#include <QDockWidget>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>

#include "QtBenchMain.h"
#include "shell/DockHost.h"

namespace {
void BM_StartWithFileToReady(benchmark::State& state) {
    QTemporaryDir home;
    QFile::copy(QStringLiteral(ZIDE_BINARY_DIR "/!default.zsl"), home.filePath("!default.zsl"));
    const QString module = home.filePath("start.zbl");
    QFile file(module);
    if (file.open(QIODevice::WriteOnly)) {
        for (int i = 0; i < 2000; ++i)
            file.write("Sub Step" + QByteArray::number(i) +
                       "()\r\n    Dim n As Long\r\nEnd Sub\r\n");
        file.close();
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZIDE_QUIT_WHEN_READY", "1");
    env.insert("ZIDE_HOME", home.path());
    env.insert("ZIDE_REGISTRY", home.filePath("registry.reg"));
    for (auto _ : state) {
        QProcess ide;
        ide.setProcessEnvironment(env);
        ide.start(QStringLiteral(ZIDE_PROGRAM), {module});
        if (!ide.waitForFinished(30000) || ide.exitCode() != 0)
            state.SkipWithError("the IDE did not quit");
    }
}
BENCHMARK(BM_StartWithFileToReady)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_RestoreLayout(benchmark::State& state) {
    QMainWindow saved;
    auto* source = new DockHost(&saved);
    saved.resize(1000, 700);
    saved.show();
    saved.tabifyDockWidget(source->Pane("frmOutput"), source->Pane("frmProject"));
    source->Pane("frmHelp")->setFloating(true);
    source->AddRecent("FileMruList", "/work/a.zbl");
    QApplication::processEvents();
    const QByteArray layout = source->SaveLayout();

    QMainWindow window;
    auto* host = new DockHost(&window);
    window.resize(1000, 700);
    window.show();
    for (auto _ : state) {
        if (!host->RestoreLayout(layout))
            state.SkipWithError("the layout was refused");
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_RestoreLayout)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
