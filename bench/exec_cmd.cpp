// Capturing a tool's output into the Output pane's text box: the cost must
// grow with the size of the output, not its square.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "QtBenchMain.h"
#include "build/ExecCmd.h"
#include "build/OutputTarget.h"

namespace {

void CaptureOutput(benchmark::State& state) {
    const qint64 size = state.range(0);
    qputenv("ZIDE_FAKETOOL", "out:" + QByteArray::number(size));
    const QString tool = QStringLiteral("\"" ZIDE_FAKETOOL "\"");
    QPlainTextEdit edit;
    edit.resize(700, 300);
    edit.show();
    TextBoxTarget target(&edit);
    for (auto _ : state)
        ExecCmd(tool, &target);
    if (edit.document()->characterCount() - 1 != size)
        state.SkipWithError("output incomplete");
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(size) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(CaptureOutput)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
