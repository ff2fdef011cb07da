// Opening a large module: 100,000 lines (about 4 MB) into an editor window,
// and into the bare editor control.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "QtBenchMain.h"
#include "editor/EditorWindow.h"

namespace {
QString BigModule(const QTemporaryDir& dir, const QByteArray& eol) {
    const QString path = dir.filePath("big.zbl");
    QByteArray bytes;
    bytes.reserve(4200000);
    for (int i = 0; i < 100000; ++i)
        bytes += "    Dim value" + QByteArray::number(i) + " As Long ' running total" + eol;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void BM_EditorWindowLoadFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = BigModule(dir, state.range(0) ? "\r\n" : "\n");
    for (auto _ : state) {
        state.PauseTiming();
        auto* window = new EditorWindow;
        window->resize(900, 700);
        window->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        window->LoadFile(path);
        QCoreApplication::processEvents();  // first paint of the loaded text

        state.PauseTiming();
        if (window->Editor()->LineCount() != 100001)
            state.SkipWithError("module not loaded");
        delete window;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorWindowLoadFile)->Arg(0)->Arg(1)->ArgName("crlf")->Unit(benchmark::kMillisecond);

void BM_CodeEditorOpenFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = BigModule(dir, "\r\n");
    CodeEditor editor;
    for (auto _ : state)
        benchmark::DoNotOptimize(editor.OpenFile(path));
}
BENCHMARK(BM_CodeEditorOpenFile)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
