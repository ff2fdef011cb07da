// Tool output arriving at the Output pane through its target: 10 MB in
// pieces of 16 KB must go in at 20 MB/s or more, all of it, in order.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "QtBenchMain.h"
#include "build/OutputPane.h"

namespace {

constexpr qsizetype TotalSize = 10 << 20;

// Compiler-like output: mostly progress lines, every tenth one a message.
QString ToolOutput() {
    QString text;
    text.reserve(TotalSize + 200);
    for (int line = 1; text.size() < TotalSize; ++line) {
        if (line % 10 == 0)
            text += QStringLiteral("src/module%1.zbl:%2:5: error: Undefined name 'x%2'\n")
                        .arg(line % 7)
                        .arg(line);
        else
            text += QStringLiteral("Compiling unit %1 of the project, pass two\n").arg(line);
    }
    text.truncate(TotalSize);
    return text;
}

// `eventsEvery`: let pending events run (repaint, message marks) after that
// many pieces, as the process runner does between reads; 0 for never.
void AppendOutput(benchmark::State& state, int eventsEvery) {
    const qsizetype piece = state.range(0);
    const QString output = ToolOutput();
    OutputPane pane;
    pane.resize(800, 300);
    pane.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        pane.Target()->ReplaceAll(QString());
        int pieces = 0;
        for (qsizetype at = 0; at < output.size(); at += piece) {
            pane.Target()->Append(output.mid(at, piece));
            if (eventsEvery > 0 && ++pieces % eventsEvery == 0)
                QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
    }
    if (pane.Target()->Text() != output)
        state.SkipWithError("output incomplete or out of order");
    state.counters["messages"] = static_cast<double>(pane.Messages().size());
    state.SetBytesProcessed(state.iterations() * output.size());
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(output.size()) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void AppendOnly(benchmark::State& state) {
    AppendOutput(state, 0);
}
void AppendWithEvents(benchmark::State& state) {
    AppendOutput(state, 4);
}

BENCHMARK(AppendOnly)
    ->Arg(4 << 10)
    ->Arg(16 << 10)
    ->Arg(64 << 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(AppendWithEvents)->Arg(16 << 10)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
