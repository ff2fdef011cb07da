#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

namespace SingleInstance {

std::unique_ptr<QLockFile> Acquire() {
    const QString registry = ProgramFolder::RegistryFile();
    QDir().mkpath(QFileInfo(registry).absolutePath());
    auto lock = std::make_unique<QLockFile>(registry + QStringLiteral(".instance"));
    // A lock left by a crashed IDE is taken over (QLockFile checks the pid).
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

void HandOver(const QString& commandLine) {
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                              QStringLiteral("OpenFile"), commandLine.trimmed());
    QCoreApplication::processEvents();
}

}  // namespace SingleInstance
