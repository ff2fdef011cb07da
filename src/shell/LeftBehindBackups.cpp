#include "shell/LeftBehindBackups.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString LockName = QStringLiteral("lock");

bool OwnedHere(const QFileInfo& info) {
    return !info.isSymLink() && info.ownerId() == ::getuid();
}
}  // namespace

LeftBehindBackups::LeftBehindBackups(const QString& root) {
    const QDir rootDir(root);
    for (const QFileInfo& run :
         rootDir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!OwnedHere(run))
            continue;
        auto lock = std::make_unique<FileLock>(run.filePath() + QLatin1Char('/') + LockName);
        // Busy: that run is alive. Unavailable: nothing can be said; leave it.
        if (lock->TryLock(0) != FileLock::Result::Locked)
            continue;
        const QDir dir(run.filePath());
        for (const QFileInfo& file :
             dir.entryInfoList({QStringLiteral("*.zbk")}, QDir::Files, QDir::Name)) {
            if (!OwnedHere(file))
                continue;
            if (std::optional<BackupRecord> record = BackupFile::Read(file.filePath()))
                items.push_back({file.filePath(), std::move(*record)});
        }
        locks.push_back(std::move(lock));
        folders << run.filePath();
    }
}

void LeftBehindBackups::Discard() {
    for (const Item& item : items)
        QFile::remove(item.file);
    items.clear();
    for (const QString& folder : std::as_const(folders)) {
        QDir dir(folder);
        // Temporaries of writes that died with their run go too; anything else stays.
        for (const QString& name :
             dir.entryList({QStringLiteral(".*.zide-tmp-*")}, QDir::Files | QDir::Hidden))
            dir.remove(name);
        if (dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) ==
            QStringList{LockName}) {
            dir.remove(LockName);
            QDir().rmdir(folder);
        }
    }
    folders.clear();
    locks.clear();
}
