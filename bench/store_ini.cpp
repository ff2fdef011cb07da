// Saving a solution of 500 modules: every key of [Solution], the [Files]
// section deleted and written again, as one batch (one read, one lock, one
// flushed replace) and, for scale, the cost of one single write to that file.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "solution/IniControl.h"

namespace {

constexpr int Modules = 500;

QString ModulePath(int i) {
    return QStringLiteral("src/module%1.zbl").arg(i);
}

// A solution file as a save leaves it, with a task list after the files.
QString MakeSolution(const QTemporaryDir& dir) {
    const QString file = dir.filePath(QStringLiteral("Demo.zsl"));
    QByteArray text =
        "[Solution]\r\nName=Demo\r\nStartup=src/module0.zbl\r\nBuildBatch=\r\n"
        "FilesCount=" +
        QByteArray::number(Modules) + "\r\n[Files]\r\n";
    for (int i = 0; i < Modules; ++i)
        text += "File" + QByteArray::number(i + 1) + "=" + ModulePath(i).toUtf8() + "\r\n";
    text += "[Tasks]\r\nCount=2\r\nItem0=first task\r\nItem1=second task\r\n";
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(text);
    return file;
}

void SaveSolution500(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = MakeSolution(dir);
    int round = 0;
    for (auto _ : state) {
        // A name that changes each time, so every save really replaces the file.
        mdlIniControl::IniBatch batch(file);
        batch.WriteValue(QStringLiteral("Solution"), QStringLiteral("Name"),
                         QStringLiteral("Demo%1").arg(round++ % 2));
        batch.WriteValue(QStringLiteral("Solution"), QStringLiteral("Startup"), ModulePath(0));
        batch.WriteValue(QStringLiteral("Solution"), QStringLiteral("BuildBatch"), QString());
        batch.WriteValue(QStringLiteral("Solution"), QStringLiteral("FilesCount"),
                         QStringLiteral("0"));
        batch.DeleteSection(QStringLiteral("Files"));
        for (int i = 0; i < Modules; ++i)
            batch.WriteValue(QStringLiteral("Files"), QStringLiteral("File%1").arg(i + 1),
                             ModulePath(i));
        batch.WriteValue(QStringLiteral("Solution"), QStringLiteral("FilesCount"),
                         QString::number(Modules));
        if (!batch.Commit())
            state.SkipWithError("the save failed");
    }
}
BENCHMARK(SaveSolution500)->Unit(benchmark::kMillisecond);

// One key of that file written alone: a save made of single writes pays this
// about 500 times.
void SingleWriteTo500(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = MakeSolution(dir);
    int round = 0;
    for (auto _ : state) {
        if (!mdlIniControl::WriteIniValue(file, QStringLiteral("Solution"), QStringLiteral("Name"),
                                          QStringLiteral("Demo%1").arg(round++ % 2)))
            state.SkipWithError("the write failed");
    }
}
BENCHMARK(SingleWriteTo500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
