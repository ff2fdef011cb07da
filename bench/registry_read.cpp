// Reading one setting from a registry file of realistic size: every read
// parses the user's file, so this is the price of each settings look-up. The
// installation's defaults.reg lies beneath, as in an installed IDE.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "settings/InstallDefaults.h"
#include "settings/Registry.h"

namespace {

// A program folder with its defaults and a user's file of 200 values.
class Installation {
public:
    Installation() : oldHome(qgetenv("ZIDE_HOME")), oldRegistry(qgetenv("ZIDE_REGISTRY")) {
        qputenv("ZIDE_HOME", dir.path().toLocal8Bit());
        qputenv("ZIDE_REGISTRY", dir.filePath(QStringLiteral("bench.reg")).toLocal8Bit());
        InstallDefaults::Write();
        using namespace mdlRegistry;
        for (int i = 0; i < 200; ++i) {
            const QString key = i % 2 ? SettingsKey : FormsKey;
            SetRegString(RegRoot::LocalMachine, key, QStringLiteral("Value%1").arg(i),
                         QStringLiteral("C:\\Borland\\BCC55\\Bin\\tool%1.exe -switch %1").arg(i));
        }
    }
    ~Installation() {
        qputenv("ZIDE_HOME", oldHome);
        qputenv("ZIDE_REGISTRY", oldRegistry);
    }

private:
    QTemporaryDir dir;
    QByteArray oldHome, oldRegistry;
};

// A value the user's file holds.
void ReadOneOf200(benchmark::State& state) {
    Installation installation;
    using namespace mdlRegistry;
    int i = 0;
    for (auto _ : state) {
        const int n = (i++ * 37) % 200;
        const QString key = n % 2 ? SettingsKey : FormsKey;
        benchmark::DoNotOptimize(
            GetRegString(RegRoot::LocalMachine, key, QStringLiteral("Value%1").arg(n)));
    }
}
BENCHMARK(ReadOneOf200)->Unit(benchmark::kMicrosecond);

// A value only the defaults hold: the user's file is read, then the defaults.
void ReadDefaultBeneath200(benchmark::State& state) {
    Installation installation;
    using namespace mdlRegistry;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            GetRegString(RegRoot::LocalMachine, SettingsKey, QStringLiteral("LinkerPath")));
}
BENCHMARK(ReadDefaultBeneath200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
