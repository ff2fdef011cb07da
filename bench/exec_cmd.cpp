// Capturing a tool's output into the Output pane's text box: the cost must
// grow with the size of the output, not its square.
#include <benchmark/benchmark.h>

// QScintilla's headers use the keywords the project turns off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include "QtBenchMain.h"
#include "build/ExecCmd.h"
#include "build/OutputPane.h"
#include "build/OutputTarget.h"

namespace {

void CaptureOutput(benchmark::State& state) {
    const qint64 size = state.range(0);
    qputenv("ZIDE_FAKETOOL", "out:" + QByteArray::number(size));
    const QString tool = QStringLiteral("\"" ZIDE_FAKETOOL "\"");
    // Set up as the Output pane's text box is.
    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.setUndoRedoEnabled(false);
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(700, 300);
    edit.show();
    TextBoxTarget target(&edit);
    // The longest time the window went without running its events.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    for (auto _ : state) {
        // Emptying the last run's text is the text box's cost, not the
        // runner's: done outside the measured run.
        state.PauseTiming();
        edit.clear();
        state.ResumeTiming();
        sinceTick.start();
        ticker.start();
        ExecCmd(tool, &target);
        ticker.stop();
    }
    state.counters["longest gap ms"] = static_cast<double>(longestGap);
    if (edit.document()->characterCount() - 1 != size)
        state.SkipWithError("output incomplete");
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(size) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
// The runner's own speed: the same output into a target that only keeps it.
class StringTarget : public OutputTarget {
public:
    QString text;
    QString Text() const override { return text; }
    void SetSelStart(int) override {}
    void SetSelLength(int) override {}
    void SetSelText(const QString& inserted) override { text = inserted; }
    void Append(const QString& more) override { text += more; }
};

void CaptureToString(benchmark::State& state) {
    const qint64 size = state.range(0);
    qputenv("ZIDE_FAKETOOL", "out:" + QByteArray::number(size));
    const QString tool = QStringLiteral("\"" ZIDE_FAKETOOL "\"");
    StringTarget target;
    for (auto _ : state)
        ExecCmd(tool, &target);
    if (target.text.size() != size)
        state.SkipWithError("output incomplete");
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(size) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(CaptureToString)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The Output pane's own text box.
void CaptureToScintilla(benchmark::State& state) {
    const qint64 size = state.range(0);
    qputenv("ZIDE_FAKETOOL", "out:" + QByteArray::number(size));
    const QString tool = QStringLiteral("\"" ZIDE_FAKETOOL "\"");
    // The Output pane itself, as the build writes into it.
    OutputPane pane;
    pane.resize(700, 300);
    pane.show();
    auto* box = pane.findChild<QsciScintilla*>(QStringLiteral("Text1"));
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    for (auto _ : state) {
        sinceTick.start();
        ticker.start();
        ExecCmd(tool, pane.Target());
        ticker.stop();
    }
    if (!box || box->length() != size)
        state.SkipWithError("output incomplete");
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(size) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["longest gap ms"] = static_cast<double>(longestGap);
}
BENCHMARK(CaptureToScintilla)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

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
