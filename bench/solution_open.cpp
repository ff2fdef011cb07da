// Opening a solution in the IDE, windows included: 200 modules of 1,000 lines
// each, every one in its own editor window, the tree and the task list.
#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "settings/ProgramFolder.h"
#include "settings/Registry.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"

namespace {
void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QString BigSolution(const QTemporaryDir& dir) {
    QByteArray module;
    for (int line = 0; line < 1000; line += 4)
        module +=
            "Sub Work" + QByteArray::number(line) +
            "(ByVal count As Long)\r\n    Dim total As Long\r\n    total = count * 2 ' twice\r\n"
            "End Sub\r\n";
    QByteArray solution = "[Solution]\r\nName=Big\r\nFilesCount=200\r\n\r\n[Files]\r\n";
    for (int i = 1; i <= 200; ++i) {
        Write(dir.filePath(QStringLiteral("src/module%1.zbl").arg(i)), module);
        solution +=
            "File" + QByteArray::number(i) + "=src\\module" + QByteArray::number(i) + ".zbl\r\n";
    }
    solution += "\r\n[Tasks]\r\nCount=1\r\nItem0=Check the output\r\n";
    Write(dir.filePath("Big.zsl"), solution);
    Write(dir.filePath("Empty.zsl"), "[Solution]\r\nName=Empty\r\nFilesCount=0\r\n");
    return dir.filePath("Big.zsl");
}

void Open200ModuleSolution(benchmark::State& state) {
    QTemporaryDir dir;
    const QString solution = BigSolution(dir);
    MainWindow window;
    window.Startup(QString());
    for (auto _ : state) {
        window.SetPathToOpenNext(solution);
        window.OpenFile(nullptr, QString());
        QCoreApplication::processEvents();  // the first paint of the last window

        state.PauseTiming();
        if (window.Host()->Windows().size() != 201)
            state.SkipWithError("200 module windows and the start page expected");
        window.SetPathToOpenNext(dir.filePath("Empty.zsl"));
        window.OpenFile(nullptr, QString());
        state.ResumeTiming();
    }
}
BENCHMARK(Open200ModuleSolution)->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace

int main(int argc, char** argv) {
    return RunIdeBenchmarks(argc, argv);
}
