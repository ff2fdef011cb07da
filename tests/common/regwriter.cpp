// Writes COUNT values named PREFIX0.. into the settings store as fast as it
// can, so tests can run two writers at once against one registry file.
// Usage: zide-regwriter PREFIX COUNT
#include <QCoreApplication>

#include "settings/Registry.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    for (int i = 0; i < count; ++i)
        mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, QStringLiteral("Stress"),
                                  prefix + QString::number(i), QString::number(i));
    return 0;
}
