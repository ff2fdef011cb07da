// How long Stop() takes to end a running tool and everything it started,
// until the build has returned: a tool that ends on SIGTERM, and one that
// ignores it and has to be killed.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "build/ExecCmd.h"
#include "build/OutputTarget.h"

namespace {

class NullTarget : public OutputTarget {
public:
    QString Text() const override { return QString(); }
    void SetSelStart(int) override {}
    void SetSelLength(int) override {}
    void SetSelText(const QString&) override {}
};

void StopLatency(benchmark::State& state) {
    const QByteArray script =
        state.range(0) ? "noterm,spawn,text:up\n,sleep:60000" : "spawn,text:up\n,sleep:60000";
    qputenv("ZIDE_FAKETOOL", script);
    NullTarget target;
    mdlExecCmd::ExecOptions options;
    options.userInput = true;
    for (auto _ : state) {
        QElapsedTimer sinceStop;
        QTimer::singleShot(50, [&] {
            sinceStop.start();
            mdlExecCmd::Stop();
        });
        mdlExecCmd::Run(QStringLiteral("\"" ZIDE_FAKETOOL "\""), &target, options);
        state.SetIterationTime(static_cast<double>(sinceStop.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(StopLatency)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
