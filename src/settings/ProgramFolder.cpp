#include "settings/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramFolder {

QString Path() {
    QString home = qEnvironmentVariable("ZIDE_HOME");
    if (home.isEmpty()) {
        home = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                            : QFileInfo(QStringLiteral("/proc/self/exe"))
                                                  .canonicalFilePath()
                                                  .section('/', 0, -2);
    }
    while (home.size() > 1 && home.endsWith('/'))
        home.chop(1);
    return home;
}

QString File(const QString& name) {
    return Path() + '/' + name;
}

QString RegistryFile() {
    const QString explicitFile = qEnvironmentVariable("ZIDE_REGISTRY");
    if (!explicitFile.isEmpty())
        return explicitFile;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/zorbel-builder/registry.reg");
}

}  // namespace ProgramFolder
