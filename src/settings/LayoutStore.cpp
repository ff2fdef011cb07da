#include "settings/LayoutStore.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>
#include <optional>

#include "settings/AtomicFile.h"

namespace {

const quint16 ByteArrayTag = 0x2011;  // variant type: array of unsigned bytes
const int RecordHeaderSize = 12;
// Far more than any arrangement the IDE writes; a bigger record is not ours.
const quint32 MaxRecordSize = 1 << 20;

// The property bag's own encoding: a magic, then entries until the end, each
// u16 name length, UTF-8 name, u8 kind, u32 data length, data. All numbers
// little-endian. A reader skips kinds it does not know.
const QByteArray BagMagic("ZPB1");
enum EntryKind : quint8 { TextEntry = 1, BytesEntry = 2 };

struct Entry {
    quint8 kind;
    QByteArray data;
};

template <typename T>
void PutLE(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

void PutEntry(QByteArray& out, const QString& name, quint8 kind, const QByteArray& data) {
    const QByteArray key = name.toUtf8();
    PutLE<quint16>(out, static_cast<quint16>(key.size()));
    out.append(key);
    PutLE<quint8>(out, kind);
    PutLE<quint32>(out, static_cast<quint32>(data.size()));
    out.append(data);
}

// Walks the bag; nullopt when it is not one of ours or an entry runs past its end.
class BagReader {
public:
    explicit BagReader(const QByteArray& bag) : bytes(bag) {}

    std::optional<Entry> Find(const QString& name) const {
        if (!bytes.startsWith(BagMagic))
            return std::nullopt;
        const QByteArray key = name.toUtf8();
        qsizetype at = BagMagic.size();
        while (at < bytes.size()) {
            quint16 nameLength;
            quint8 kind;
            quint32 dataLength;
            if (!Take(at, &nameLength))
                return std::nullopt;
            const QByteArray entryName = bytes.mid(at, nameLength);
            if (entryName.size() != nameLength)
                return std::nullopt;
            at += nameLength;
            if (!Take(at, &kind) || !Take(at, &dataLength))
                return std::nullopt;
            if (dataLength > static_cast<quint64>(bytes.size() - at))
                return std::nullopt;
            if (entryName == key)
                return Entry{kind, bytes.mid(at, dataLength)};
            at += dataLength;
        }
        return std::nullopt;
    }

private:
    template <typename T>
    bool Take(qsizetype& at, T* value) const {
        if (bytes.size() - at < static_cast<qsizetype>(sizeof(T)))
            return false;
        *value = qFromLittleEndian<T>(bytes.constData() + at);
        at += sizeof(T);
        return true;
    }

    const QByteArray& bytes;
};

// The bag inside the file's variant record; empty when the file is short or
// holds anything but one array of bytes. The element count is checked
// against what the file holds before anything is allocated for it.
QByteArray ReadRecord(QIODevice& file) {
    const QByteArray header = file.read(RecordHeaderSize);
    if (header.size() != RecordHeaderSize)
        return QByteArray();
    const char* h = header.constData();
    if (qFromLittleEndian<quint16>(h) != ByteArrayTag || qFromLittleEndian<quint16>(h + 2) != 1 ||
        qFromLittleEndian<quint32>(h + 8) != 0)
        return QByteArray();
    const quint32 count = qFromLittleEndian<quint32>(h + 4);
    if (count > MaxRecordSize || file.isSequential() || count > file.size() - file.pos())
        return QByteArray();
    const QByteArray bag = file.read(count);
    return bag.size() == static_cast<qsizetype>(count) ? bag : QByteArray();
}

}  // namespace

clsLayout::clsLayout()
    : layoutVersion(QStringLiteral("%1.%2.%3")
                        .arg(ZIDE_VERSION_MAJOR, 2, 10, QLatin1Char('0'))
                        .arg(ZIDE_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                        .arg(ZIDE_VERSION_PATCH, 4, 10, QLatin1Char('0'))) {}

void clsLayout::Load(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        Load(file);
    else
        versionRead.clear();
}

void clsLayout::Load(QIODevice& device) {
    const QByteArray bag = ReadRecord(device);
    const BagReader reader(bag);
    const std::optional<Entry> version = reader.Find(QStringLiteral("Version"));
    versionRead =
        version && version->kind == TextEntry ? QString::fromUtf8(version->data) : QString();
    if (versionRead != layoutVersion)
        return;
    const std::optional<Entry> blob = reader.Find(QStringLiteral("Layout"));
    layout = blob && blob->kind == BytesEntry ? blob->data : QByteArray();
}

void clsLayout::Save(const QString& path) {
    QByteArray bag = BagMagic;
    PutEntry(bag, QStringLiteral("Version"), TextEntry, layoutVersion.toUtf8());
    if (!layout.isEmpty())
        PutEntry(bag, QStringLiteral("Layout"), BytesEntry, layout);

    QByteArray record;
    record.reserve(RecordHeaderSize + bag.size());
    PutLE<quint16>(record, ByteArrayTag);
    PutLE<quint16>(record, 1);
    PutLE<quint32>(record, static_cast<quint32>(bag.size()));
    PutLE<quint32>(record, 0);
    record.append(bag);

    WriteFileAtomically(path, record);
}
