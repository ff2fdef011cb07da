#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// The backup of one unsaved module: the module it belongs to (its full path,
// "" for one never saved) and the editor's text as UTF-8 with LF line ends.
struct BackupRecord {
    QString modulePath;
    QByteArray text;
};

namespace BackupFile {

// Backups larger than this are not read back: no module the editor can hold
// comes near it, and reading one must not exhaust memory.
constexpr qint64 MaxBytes = qint64(1) << 30;

// A short header naming the module and the text's length, then the text.
QByteArray Encode(const BackupRecord& record);
// The header alone, for a text of `textBytes` bytes.
QByteArray Header(const QString& modulePath, qint64 textBytes);
// Nothing for anything but a whole backup: another format, a damaged header
// or a text shorter or longer than the header says.
std::optional<BackupRecord> Decode(const QByteArray& bytes);
// Reads and decodes the regular file `path`; nothing when it is missing,
// unreadable, larger than MaxBytes or not a backup.
std::optional<BackupRecord> Read(const QString& path);

}  // namespace BackupFile
