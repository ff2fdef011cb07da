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

namespace {

QString UserFolder(const char* override, const char* xdg, const QString& fallback) {
    QString folder = qEnvironmentVariable(override);
    if (folder.isEmpty() && !qEnvironmentVariableIsEmpty("ZIDE_HOME"))
        folder = Path();
    if (folder.isEmpty()) {
        QString base = qEnvironmentVariable(xdg);
        if (base.isEmpty())
            base = QDir::homePath() + fallback;
        folder = base + QStringLiteral("/zorbel-builder");
    }
    while (folder.size() > 1 && folder.endsWith('/'))
        folder.chop(1);
    return folder;
}

}  // namespace

QString DataPath() {
    return UserFolder("ZIDE_DATA", "XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString DataFile(const QString& name) {
    return DataPath() + '/' + name;
}

QString CachePath() {
    return UserFolder("ZIDE_CACHE", "XDG_CACHE_HOME", QStringLiteral("/.cache"));
}

QString CacheFile(const QString& name) {
    return CachePath() + '/' + name;
}

}  // namespace ProgramFolder
