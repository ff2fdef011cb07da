// Writes the settings store and INI files from a process of its own, so tests
// can run writers side by side, kill them mid-write or limit their file size.
// Usage:
//   zide-regwriter [--limit BYTES] PREFIX COUNT
//       sets the settings values PREFIX0.. under the key "Stress"
//   zide-regwriter [--limit BYTES] ini FILE PREFIX COUNT
//       sets the keys PREFIX0.. in the section [Stress] of FILE
//   zide-regwriter hold LOCKFILE
//       takes the lock, prints "locked" and keeps it until killed
//   zide-regwriter loop FILE
//       prints "writing", then rewrites the settings values K0..K19 and the
//       keys K0..K19 of the sections [S0]..[S2] of FILE until killed
// --limit runs the writes with RLIMIT_FSIZE set and SIGXFSZ ignored, so a
// write past the limit fails as on a full disk, even for root. The exit
// status is 0 when every write succeeded.
#include <sys/resource.h>
#include <QString>
#include <QThread>
#include <csignal>
#include <cstdio>

#include "settings/FileLock.h"
#include "settings/Registry.h"
#include "solution/IniControl.h"

namespace {

QString Arg(char** argv, int i) {
    return QString::fromLocal8Bit(argv[i]);
}

void Say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// A value whose whole can be checked: "gen<n>:" and 100 to 149 "x" and ":end".
QString Payload(int n) {
    return QStringLiteral("gen%1:%2:end").arg(n).arg(QString(100 + n % 50, QLatin1Char('x')));
}

}  // namespace

int main(int argc, char** argv) {
    using namespace mdlRegistry;
    int at = 1;
    if (argc > 3 && Arg(argv, 1) == QLatin1String("--limit")) {
        const rlimit limit{Arg(argv, 2).toULong(), Arg(argv, 2).toULong()};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        at = 3;
    }
    if (argc < at + 2)
        return 2;
    const QString mode = Arg(argv, at);
    if (mode == QLatin1String("hold")) {
        FileLock lock(Arg(argv, at + 1));
        if (lock.TryLock(-1) != FileLock::Result::Locked)
            return 1;
        Say("locked");
        for (;;)
            QThread::sleep(1);
    }
    if (mode == QLatin1String("loop")) {
        const QString file = Arg(argv, at + 1);
        Say("writing");
        for (int n = 0;; ++n) {
            const QString key = QStringLiteral("K%1").arg(n % 20);
            SetRegString(RegRoot::LocalMachine, QStringLiteral("Stress"), key, Payload(n));
            mdlIniControl::WriteIniValue(file, QStringLiteral("S%1").arg(n % 3), key, Payload(n));
        }
    }
    bool ok = true;
    if (mode == QLatin1String("ini")) {
        if (argc < at + 4)
            return 2;
        const QString file = Arg(argv, at + 1);
        const QString prefix = Arg(argv, at + 2);
        const int count = Arg(argv, at + 3).toInt();
        for (int i = 0; i < count; ++i)
            ok = mdlIniControl::WriteIniValue(file, QStringLiteral("Stress"),
                                              prefix + QString::number(i), QString::number(i)) &&
                 ok;
    } else {
        const int count = Arg(argv, at + 1).toInt();
        for (int i = 0; i < count; ++i)
            ok = SetRegString(RegRoot::LocalMachine, QStringLiteral("Stress"),
                              mode + QString::number(i), QString::number(i)) &&
                 ok;
    }
    return ok ? 0 : 1;
}
