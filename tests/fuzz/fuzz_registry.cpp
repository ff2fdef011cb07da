// The settings file: whatever bytes it holds, reads never crash; a value
// written into it reads back as written, and every other value reads as it
// did before. A key is deleted only when it has no subkeys, and then only its
// own values go.
//
// Input: the file's bytes, then a trailer (see FuzzSupport::SplitTrailer):
//   byte  operation: bits 0-1 root, bits 2-3 value type, bit 4 a typed write,
//         bit 5 a key delete, bit 6 a temporary left by a save that died,
//         which the next write that changes the file removes
//   byte  which key: one the file names, or (past their count) the key field
//   byte  which value name: likewise
//   key field, 0x00, name field, 0x00, the value's bytes
#include <QFile>
#include <QList>
#include <QStringList>
#include <optional>

#include "FuzzSupport.h"
#include "settings/Registry.h"

using namespace mdlRegistry;
using FuzzSupport::Show;

namespace {

struct Probe {
    RegRoot root;
    QString subKey;
    QString name;
};

struct Reading {
    bool found = false;
    RegType type = RegType::String;
    QByteArray data;
    bool operator==(const Reading&) const = default;
};

const char* const RootNames[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT"};
const RegRoot Roots[] = {RegRoot::LocalMachine, RegRoot::CurrentUser, RegRoot::ClassesRoot};
const RegType Types[] = {RegType::String, RegType::ExpandString, RegType::DWord, RegType::Binary};

Reading Read(const Probe& p) {
    Reading r;
    r.found = GetRegValue(p.root, p.subKey, p.name, &r.type, &r.data);
    if (!r.found)
        r = Reading{};
    return r;
}

QString Describe(const Probe& p) {
    return QStringLiteral("%1\\%2 : %3")
        .arg(QLatin1String(RootNames[static_cast<int>(p.root)]), Show(p.subKey), Show(p.name));
}

QString Describe(const Reading& r) {
    if (!r.found)
        return QStringLiteral("(absent)");
    return QStringLiteral("type %1 %2").arg(static_cast<int>(r.type)).arg(Show(r.data));
}

// A key as the store resolves it: "\" separated, empty parts dropped.
QString KeyOf(const QString& subKey) {
    return subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

bool SameKey(const Probe& a, const Probe& b) {
    return a.root == b.root && KeyOf(a.subKey).compare(KeyOf(b.subKey), Qt::CaseInsensitive) == 0;
}

bool SameValue(const Probe& a, const Probe& b) {
    return SameKey(a, b) && a.name.compare(b.name, Qt::CaseInsensitive) == 0;
}

// Keys and value names the file mentions, read loosely: they are only probes,
// so reading one the store does not see costs nothing.
QList<Probe> ProbesOf(const QByteArray& file) {
    QList<Probe> probes;
    std::optional<Probe> key;
    for (const QByteArray& raw : file.split('\n')) {
        if (probes.size() >= 48)
            break;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString path = line.mid(1, line.size() - 2);
            key.reset();
            for (int r = 0; r < 3; ++r) {
                const QString root = QLatin1String(RootNames[r]);
                if (path.compare(root, Qt::CaseInsensitive) == 0 ||
                    path.startsWith(root + QLatin1Char('\\'), Qt::CaseInsensitive))
                    key = Probe{Roots[r], path.mid(root.size()), QString()};
            }
            if (key)
                probes << *key;  // its default value
            continue;
        }
        if (!key)
            continue;
        if (line.startsWith(QLatin1Char('"'))) {
            QString name;
            bool closed = false;
            for (int i = 1; i < line.size() && !closed; ++i) {
                if (line[i] == QLatin1Char('\\') && i + 1 < line.size())
                    name += line[++i];
                else if (line[i] == QLatin1Char('"'))
                    closed = true;
                else
                    name += line[i];
            }
            if (closed)
                probes << Probe{key->root, key->subKey, name};
        }
    }
    return probes;
}

// A key path or value name that a file line cannot hold (a line break or a
// NUL) is refused; anything else is stored.
bool MayRefuse(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QChar(0));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::Init(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::Clear();
    const FuzzSupport::Split input = FuzzSupport::SplitTrailer(data, size);
    const QString path = qEnvironmentVariable("ZIDE_REGISTRY");
    FuzzSupport::WriteFile(path, input.body);

    FuzzSupport::FieldReader ops(input.trailer);
    const quint8 op = ops.Byte();
    const quint8 keyPick = ops.Byte();
    const quint8 namePick = ops.Byte();
    const QString keyField = QString::fromUtf8(ops.Field());
    const QString nameField = QString::fromUtf8(ops.Field());
    const QByteArray value = ops.Rest();

    QList<Probe> probes = ProbesOf(input.body);
    Probe target{Roots[(op & 3) % 3], keyField, nameField};
    if (keyPick < probes.size()) {
        target.root = probes[keyPick].root;
        target.subKey = probes[keyPick].subKey;
    }
    if (namePick < probes.size())
        target.name = probes[namePick].name;
    probes << target;

    // Reads of whatever the file holds: none may crash, and reading is no change.
    QList<Reading> before;
    for (const Probe& p : probes)
        before << Read(p);
    const QString firstSubKey = GetFirstRegSubKey(target.root, target.subKey);
    GetRegString(target.root, target.subKey, target.name);
    FUZZ_EXPECT(FuzzSupport::ReadFile(path) == input.body,
                QStringLiteral("reads changed the file"));

    if (op & 0x20) {
        const bool deleted = DeleteRegKey(target.root, target.subKey);
        FUZZ_EXPECT(deleted == firstSubKey.isEmpty() || MayRefuse(target.subKey),
                    QStringLiteral("deleting %1 with first subkey %2 gave %3")
                        .arg(Describe(target), Show(firstSubKey))
                        .arg(deleted));
        for (int i = 0; i < probes.size(); ++i) {
            const Reading now = Read(probes[i]);
            const bool gone = deleted && SameKey(probes[i], target);
            FUZZ_EXPECT(gone ? !now.found : now == before[i],
                        QStringLiteral("after deleting %1 (subkey %2): %3 reads %4, before %5")
                            .arg(Describe(target), Show(firstSubKey), Describe(probes[i]),
                                 Describe(now), Describe(before[i])));
        }
        return 0;
    }

    const QString deadTemporary = (op & 0x40) ? FuzzSupport::PlantDeadTemporary(path) : QString();
    Reading written;
    written.found = true;
    bool stored = false;
    if (op & 0x10) {
        written.type = Types[(op >> 2) & 3];
        written.data = value;
        stored = SetRegValue(target.root, target.subKey, target.name, written.type, written.data);
    } else {
        written.type = RegType::String;
        written.data = QString::fromUtf8(value).toUtf8();
        stored = SetRegString(target.root, target.subKey, target.name, QString::fromUtf8(value));
    }

    const Reading now = Read(target);
    const bool refused = !stored;
    const auto story = [&] {
        return QStringLiteral("wrote %1 = %2 (%3), reads %4; file before:\n%5\nafter:\n%6")
            .arg(Describe(target), Describe(written), QLatin1String(stored ? "stored" : "refused"),
                 Describe(now), Show(input.body), Show(FuzzSupport::ReadFile(path)));
    };
    // Refused only for names a file line cannot hold, and then the file is untouched.
    FUZZ_EXPECT(refused == (MayRefuse(target.subKey) || MayRefuse(target.name)), story());
    FUZZ_EXPECT(refused ? FuzzSupport::ReadFile(path) == input.body : now == written, story());
    if (written.type == RegType::String && !refused) {
        const qsizetype zero = written.data.indexOf('\0');
        const QString text = QString::fromUtf8(zero < 0 ? written.data : written.data.left(zero));
        FUZZ_EXPECT(
            GetRegString(target.root, target.subKey, target.name) == text,
            QStringLiteral("string %1 reads back as %2")
                .arg(Show(text), Show(GetRegString(target.root, target.subKey, target.name))));
    }
    for (int i = 0; i < probes.size(); ++i) {
        const Reading after = Read(probes[i]);
        const bool same = SameValue(probes[i], target);
        FUZZ_EXPECT(
            same ? after == now : after == before[i],
            QStringLiteral("after writing %1 = %2: %3 reads %4, before %5\nfile before:\n"
                           "%6\nafter:\n%7")
                .arg(Describe(target), Describe(written), Describe(probes[i]), Describe(after),
                     Describe(before[i]), Show(input.body), Show(FuzzSupport::ReadFile(path))));
    }

    // Writing the same value again changes nothing.
    const QByteArray once = FuzzSupport::ReadFile(path);
    FUZZ_EXPECT(deadTemporary.isEmpty() || once == input.body || !QFile::exists(deadTemporary),
                QStringLiteral("a dead save's temporary outlived a write"));
    if (op & 0x10)
        SetRegValue(target.root, target.subKey, target.name, written.type, written.data);
    else
        SetRegString(target.root, target.subKey, target.name, QString::fromUtf8(value));
    FUZZ_EXPECT(FuzzSupport::ReadFile(path) == once,
                QStringLiteral("a second write of %1 changed the file:\n%2\nthen:\n%3")
                    .arg(Describe(target), Show(once), Show(FuzzSupport::ReadFile(path))));
    return 0;
}
