// The argument-tip analysis that runs on every caret move inside a call: a
// 10,000-character line, analysed up to its end.
#include <benchmark/benchmark.h>

#include <QString>

#include "editor/ParseLine.h"

namespace {
QString LongLine() {
    QString line = QStringLiteral("    result = ");
    while (line.size() < 9980)
        line += QStringLiteral(
            "Combine(a, Mid$(\"x, (y) \\\"z\\\"\", 2, 3), obj.Method(b, 'c(d'), x >= 1) + ");
    line.truncate(9980);
    line += QStringLiteral(" + Final(p, q, ");
    return line;
}

void BM_ParseLine(benchmark::State& state) {
    const QString line = LongLine();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseLine(line, line.size(), u"\\", u"\"'"));
    state.counters["chars"] = static_cast<double>(line.size());
}
BENCHMARK(BM_ParseLine)->Unit(benchmark::kMicrosecond);

// Every character opens a call: the stack at its deepest.
void BM_ParseLineNested(benchmark::State& state) {
    const QString line(10000, QLatin1Char('('));
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseLine(line, line.size(), u"\\", u"\"'"));
}
BENCHMARK(BM_ParseLineNested)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
