#include "shell/BackupFile.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "editor/CodeEditor.h"

namespace {
const QByteArray Magic = QByteArrayLiteral("ZIDE-BACKUP 1\n");
// Paths are percent-encoded, so a name holding a line break cannot break the header.
const QByteArray PathKey = QByteArrayLiteral("path ");
const QByteArray SizeKey = QByteArrayLiteral("size ");

// The next header line, without its LF; false when there is none.
bool NextLine(const QByteArray& bytes, qsizetype& at, QByteArray& line) {
    const qsizetype end = bytes.indexOf('\n', at);
    if (end < 0)
        return false;
    line = bytes.mid(at, end - at);
    at = end + 1;
    return true;
}
}  // namespace

namespace BackupFile {

QByteArray Header(const QString& modulePath, qint64 textBytes) {
    return Magic + PathKey + QUrl::toPercentEncoding(modulePath, "/") + '\n' + SizeKey +
           QByteArray::number(textBytes) + "\n\n";
}

QByteArray Encode(const BackupRecord& record) {
    return Header(record.modulePath, record.text.size()) + record.text;
}

std::optional<BackupRecord> Decode(const QByteArray& bytes) {
    if (!bytes.startsWith(Magic))
        return std::nullopt;
    qsizetype at = Magic.size();
    QByteArray pathLine, sizeLine, blank;
    if (!NextLine(bytes, at, pathLine) || !NextLine(bytes, at, sizeLine) ||
        !NextLine(bytes, at, blank) || !pathLine.startsWith(PathKey) ||
        !sizeLine.startsWith(SizeKey) || !blank.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 size = sizeLine.mid(SizeKey.size()).toLongLong(&ok);
    if (!ok || size < 0 || size != bytes.size() - at)
        return std::nullopt;
    BackupRecord record;
    record.modulePath = QUrl::fromPercentEncoding(pathLine.mid(PathKey.size()));
    // A path that names no absolute file (damaged or planted) belongs to no module.
    if (!record.modulePath.isEmpty() && !QFileInfo(record.modulePath).isAbsolute())
        return std::nullopt;
    record.text = bytes.mid(at);
    return record;
}

std::optional<BackupRecord> Read(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() > MaxBytes)
        return std::nullopt;
    QByteArray bytes;
    if (!CodeEditor::ReadModule(path, bytes))
        return std::nullopt;
    return Decode(bytes);
}

}  // namespace BackupFile
