// Reading what a solution file asks to open: a file claiming the largest
// count with three keys present, and a solution of 200 modules on disk.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "solution/SolutionFile.h"

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void HugeCountThreeKeys(benchmark::State& state) {
    QTemporaryDir dir;
    for (const char* name : {"a.zbl", "b.zbl", "c.zbl"})
        Write(dir.filePath(QString::fromLatin1(name)), "Sub Main()\r\nEnd Sub\r\n");
    const QString file = dir.filePath(QStringLiteral("Huge.zsl"));
    Write(file,
          "[Solution]\r\nName=Huge\r\nFilesCount=2147483647\r\n\r\n"
          "[Files]\r\nFile1=a.zbl\r\nFile2=b.zbl\r\nFile3=c.zbl\r\n");
    for (auto _ : state) {
        const auto load = mdlSolutionFile::LoadSolution(file);
        if (load.Modules.size() != 3)
            state.SkipWithError("three modules expected");
    }
}
BENCHMARK(HugeCountThreeKeys)->Unit(benchmark::kMillisecond);

void Read200Modules(benchmark::State& state) {
    QTemporaryDir dir;
    QByteArray solution = "[Solution]\r\nName=Big\r\nFilesCount=200\r\n\r\n[Files]\r\n";
    for (int i = 1; i <= 200; ++i) {
        const QByteArray name = "src\\module" + QByteArray::number(i) + ".zbl";
        Write(dir.filePath(QStringLiteral("src/module%1.zbl").arg(i)), "Sub Main()\r\nEnd Sub\r\n");
        solution += "File" + QByteArray::number(i) + "=" + name + "\r\n";
    }
    const QString file = dir.filePath(QStringLiteral("Big.zsl"));
    Write(file, solution);
    for (auto _ : state) {
        const auto load = mdlSolutionFile::LoadSolution(file);
        if (load.Modules.size() != 200)
            state.SkipWithError("200 modules expected");
    }
}
BENCHMARK(Read200Modules)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
