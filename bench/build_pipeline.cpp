// The build pipeline's own work for a solution of 200 modules: copying them
// into the "Release" folder, the error-file checks and the clean-up, with
// the tools switched off or doing nothing.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "build/BuildPipeline.h"
#include "build/OutputTarget.h"
#include "settings/Registry.h"
#include "solution/SolutionState.h"

namespace {

class NullTarget : public OutputTarget {
public:
    QString Text() const override { return QString(); }
    void SetSelStart(int) override {}
    void SetSelLength(int) override {}
    void SetSelText(const QString&) override {}
};

class Host : public BuildHost {
public:
    QList<mdlSolutionFile::SolutionItem> items;
    NullTarget output;
    QList<mdlSolutionFile::SolutionItem> SolutionItems() const override { return items; }
    bool SaveBuildFile(const QString&) override { return false; }
    bool HasActiveDocument() const override { return false; }
    QString ActiveFileName() const override { return QString(); }
    QString ActiveText() const override { return QString(); }
    bool SaveActiveCopy(const QString&) override { return false; }
    QString Configuration() const override { return QStringLiteral("Win32 Debug"); }
    OutputTarget* Output() override { return &output; }
    void ShowOutputView() override {}
    void ShowMessage(const QString&, const QString&, QMessageBox::Icon) override {}
};

void Set(const char* name, const QString& value) {
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                              QLatin1String(name), value);
}

void SolutionBuild(benchmark::State& state) {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zide-bench-XXXXXX"));
    qputenv("ZIDE_HOME", dir.path().toUtf8());
    qputenv("ZIDE_REGISTRY", (dir.path() + QStringLiteral("/registry.reg")).toUtf8());
    const bool tools = state.range(0) != 0;
    for (const char* use : {"UseProcessor", "UseCompiler", "UseLinker"})
        Set(use, tools ? QStringLiteral("True") : QStringLiteral("False"));
    for (const char* path : {"ProcPath", "CompilerPath", "LinkerPath"})
        Set(path, QStringLiteral(ZIDE_FAKETOOL));
    qputenv("ZIDE_FAKETOOL", "");

    QDir().mkpath(dir.path() + QStringLiteral("/s"));
    QDir().mkpath(dir.path() + QStringLiteral("/src"));
    QFile(dir.path() + QStringLiteral("/s/app.zsl")).open(QIODevice::WriteOnly);
    Host host;
    const QByteArray text = QByteArray("Sub Work()\n    Print \"module\"\nEnd Sub\n").repeated(60);
    for (int i = 1; i <= 200; ++i) {
        const QString module = dir.path() + QStringLiteral("/src/m%1.zbl").arg(i);
        QFile file(module);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        host.items.append({QStringLiteral("file%1").arg(i), module});
    }
    SolutionState.SolutionPath = dir.path() + QStringLiteral("/s/app.zsl");
    SolutionState.Startup = host.items.first().tag;
    BuildPipeline pipeline(host);
    pipeline.SetStartPolicy(BuildPipeline::StartPolicy::Never);
    for (auto _ : state)
        if (!pipeline.BuildBuild().Succeeded())
            state.SkipWithError("build failed");
    SolutionState.Reset();
    QDir::setCurrent(QDir::tempPath());
}
BENCHMARK(SolutionBuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
