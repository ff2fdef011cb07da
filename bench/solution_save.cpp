// Saving a solution of 500 modules over its existing file: the save made on
// every module save, so it must not be felt.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include "solution/IniControl.h"
#include "solution/SolutionFile.h"

namespace {

void Save500Modules(benchmark::State& state) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Demo"));
    QDir().mkpath(folder);
    SolutionRecord record;
    record.Name = QStringLiteral("Demo");
    record.Startup = folder + QStringLiteral("/src/module0.zbl");
    record.BuildBatch = folder + QStringLiteral("/make.sh");
    QList<mdlSolutionFile::SolutionItem> items = {
        {QStringLiteral("root"), {}}, {QStringLiteral("source"), {}}, {QStringLiteral("libs"), {}}};
    for (int i = 0; i < 500; ++i) {
        const QString where = i % 5 ? QStringLiteral("/src/") : QStringLiteral("/../Shared/");
        items.append({QStringLiteral("file%1").arg(i + 1),
                      folder + where + QStringLiteral("module%1.zbl").arg(i)});
    }
    const QString file = folder + QStringLiteral("/Demo.zsl");
    // A task list the save leaves alone.
    for (int i = 0; i < 20; ++i)
        mdlIniControl::WriteIniValue(file, QStringLiteral("Tasks"), QStringLiteral("Item%1").arg(i),
                                     QStringLiteral("task number %1").arg(i));
    mdlSolutionFile::SaveSolution(file, record, items);
    int round = 0;
    for (auto _ : state) {
        // A changed name, so that every round replaces the file.
        record.Name = QStringLiteral("Demo %1").arg(++round % 2);
        if (!mdlSolutionFile::SaveSolution(file, record, items))
            state.SkipWithError("the save failed");
    }
}
BENCHMARK(Save500Modules)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
