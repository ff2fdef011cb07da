// The Project Explorer's own share of opening a solution: the reset with the
// library listing (a lib folder of 10,000 files lists its first 2049), and
// listing the modules of a 200-module solution in the tree.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "QtBenchMain.h"
#include "controls/Tree.h"
#include "solution/ProjectExplorer.h"
#include "solution/SolutionState.h"

namespace {

void Touch(const QString& path, const QByteArray& bytes = {}) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A program folder of its own for the run.
struct BenchHome {
    QTemporaryDir dir;
    QByteArray old = qgetenv("ZIDE_HOME");
    BenchHome() { qputenv("ZIDE_HOME", dir.path().toLocal8Bit()); }
    ~BenchHome() { qputenv("ZIDE_HOME", old); }
    QString File(const QString& name) const { return dir.filePath(name); }
};

void ResetWith10000Libraries(benchmark::State& state) {
    BenchHome home;
    QDir().mkpath(home.File(QStringLiteral("lib")));
    for (int i = 0; i < 10000; ++i)
        Touch(home.File(QStringLiteral("lib/library%1.zlm").arg(i)));
    ProjectExplorer pane;
    for (auto _ : state) {
        pane.InitializeProject();
        if (pane.Tree1->ItemCount() != 3 + 2049)
            state.SkipWithError("2049 libraries expected");
    }
}
BENCHMARK(ResetWith10000Libraries)->Unit(benchmark::kMillisecond);

void List200Modules(benchmark::State& state) {
    BenchHome home;
    QDir().mkpath(home.File(QStringLiteral("Big/src")));
    QByteArray solution = "[Solution]\r\nName=Big\r\nFilesCount=200\r\n\r\n[Files]\r\n";
    for (int i = 1; i <= 200; ++i) {
        Touch(home.File(QStringLiteral("Big/src/module%1.zbl").arg(i)), "Sub Main()\r\n");
        solution +=
            "File" + QByteArray::number(i) + "=src\\module" + QByteArray::number(i) + ".zbl\r\n";
    }
    const QString file = home.File(QStringLiteral("Big/Big.zsl"));
    Touch(file, solution);
    ProjectExplorer pane;
    for (auto _ : state) {
        // What the main window does per module, its windows left out.
        for (const QString& path : pane.LoadSolution(file))
            if (!pane.CheckFile(path))
                pane.AddProjectFile(path);
    }
    SolutionState.Reset();
}
BENCHMARK(List200Modules)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
