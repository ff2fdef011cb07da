// Reading one setting from a registry file of realistic size: every read
// parses the file, so this is the price of each settings look-up.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "settings/Registry.h"

namespace {

void ReadOneOf200(benchmark::State& state) {
    QTemporaryDir dir;
    const QByteArray oldRegistry = qgetenv("ZIDE_REGISTRY");
    qputenv("ZIDE_REGISTRY", dir.filePath(QStringLiteral("bench.reg")).toLocal8Bit());
    using namespace mdlRegistry;
    for (int i = 0; i < 200; ++i) {
        const QString key = i % 2 ? SettingsKey : FormsKey;
        SetRegString(RegRoot::LocalMachine, key, QStringLiteral("Value%1").arg(i),
                     QStringLiteral("C:\\Borland\\BCC55\\Bin\\tool%1.exe -switch %1").arg(i));
    }
    int i = 0;
    for (auto _ : state) {
        const int n = (i++ * 37) % 200;
        const QString key = n % 2 ? SettingsKey : FormsKey;
        benchmark::DoNotOptimize(
            GetRegString(RegRoot::LocalMachine, key, QStringLiteral("Value%1").arg(n)));
    }
    qputenv("ZIDE_REGISTRY", oldRegistry);
}
BENCHMARK(ReadOneOf200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
