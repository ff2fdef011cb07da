#include "settings/UserFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "settings/ProgramFolder.h"

namespace UserFiles {

namespace {
const QString DefaultSolutionName = QStringLiteral("!default.zsl");
}  // namespace

bool MakeFolder(const QString& folder) {
    return !folder.isEmpty() && QDir().mkpath(folder);
}

QString LayoutFile() {
    MakeFolder(ProgramFolder::DataPath());
    return ProgramFolder::DataFile(QStringLiteral("zlay.lay"));
}

QString DefaultSolution() {
    const QString own = ProgramFolder::DataFile(DefaultSolutionName);
    const QString shipped = ProgramFolder::File(DefaultSolutionName);
    // Under ZIDE_HOME both are one file, and it is there whenever it ships.
    if (QFileInfo(own).exists() || QFileInfo(own).isSymLink())
        return own;
    if (MakeFolder(ProgramFolder::DataPath()) && QFile::exists(shipped) &&
        QFile::copy(shipped, own)) {
        // An installed original is read-only; the user's copy must take the
        // tasks the user saves.
        QFile::setPermissions(
            own, QFile::permissions(own) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    }
    return own;
}

QString ScratchFile(const QString& name) {
    MakeFolder(ProgramFolder::CachePath());
    return ProgramFolder::CacheFile(name);
}

}  // namespace UserFiles
