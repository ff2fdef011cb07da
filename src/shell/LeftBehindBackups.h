#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "settings/FileLock.h"
#include "shell/BackupFile.h"

// The backups that runs which did not end cleanly left in the backup root:
// the folders whose lock no living run holds, that belong to this user. Their
// locks are held from the scan on, so two IDEs starting at once never both
// restore them. Files that are no backup (garbage, another user's, too large)
// are skipped and left where they are.
class LeftBehindBackups {
public:
    struct Item {
        QString file;
        BackupRecord record;
    };

    explicit LeftBehindBackups(const QString& root);
    const std::vector<Item>& Items() const { return items; }
    // Removes the backups read, and each folder once nothing else is in it.
    void Discard();

private:
    std::vector<std::unique_ptr<FileLock>> locks;
    QStringList folders;
    std::vector<Item> items;
};
