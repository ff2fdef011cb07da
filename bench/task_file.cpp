// The task list's file: reading a section that claims far more tasks than it
// holds, and rewriting the section after every change in a solution of
// realistic size.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "tasks/TaskFile.h"

namespace {

QByteArray Solution(int modules, const QByteArray& tasks) {
    QByteArray bytes = "[Solution]\r\nName=Demo\r\nStartup=Demo.zbl\r\nBuildBatch=\r\nFilesCount=" +
                       QByteArray::number(modules) + "\r\n\r\n[Files]\r\n";
    for (int i = 1; i <= modules; ++i)
        bytes +=
            "File" + QByteArray::number(i) + "=src\\module" + QByteArray::number(i) + ".zbl\r\n";
    return bytes + "\r\n" + tasks;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void ReadHugeCount(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.zsl"));
    Write(path, Solution(200,
                         "[Tasks]\r\nCount=99999999\r\nItem0=one\r\nItem1=two\r\n"
                         "Item99999998=last\r\n"));
    for (auto _ : state)
        benchmark::DoNotOptimize(TaskFile::Read(path));
}
BENCHMARK(ReadHugeCount)->Unit(benchmark::kMillisecond);

void SaveHundredTasks(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("demo.zsl"));
    Write(path, Solution(200, "[Tasks]\r\nCount=0\r\n"));
    QStringList tasks;
    for (int i = 0; i < 100; ++i)
        tasks << QStringLiteral("Check the linker settings of module %1").arg(i);
    for (auto _ : state)
        TaskFile::Write(path, tasks);
}
BENCHMARK(SaveHundredTasks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
