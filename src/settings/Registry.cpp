#include "settings/Registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>
#include <optional>

#include "settings/AtomicFile.h"
#include "settings/ProgramFolder.h"

namespace mdlRegistry {

const QString ProductKeyPath = QStringLiteral("SOFTWARE\\TORVANE\\Zorbel Builder\\");
const QString SettingsKey = ProductKeyPath + QStringLiteral("Settings");
const QString FormsKey = ProductKeyPath + QStringLiteral("Forms");
const QString SyntaxKey = ProductKeyPath + QStringLiteral("Syntax");

namespace {

const QString Header = QStringLiteral("REGEDIT4");

// The file as lines grouped by key. Lines are kept as read (a value spread
// over continuation lines is one entry), so a write changes one value and
// leaves every other line of the file as it was.
struct Section {
    QString path;        // "HKEY_LOCAL_MACHINE\SOFTWARE\..." as written in the file
    QString headerLine;  // "[...]"
    QStringList lines;   // value lines, blank lines, anything else
};

struct Document {
    bool foreign = false;  // the file exists but is not a REGEDIT4 file
    QStringList preamble;  // "REGEDIT4" and whatever precedes the first key
    QList<Section> sections;
};

struct ParsedValue {
    QString name;
    RegType type;
    QByteArray data;
};

QString RootName(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine: return QStringLiteral("HKEY_LOCAL_MACHINE");
        case RegRoot::CurrentUser: return QStringLiteral("HKEY_CURRENT_USER");
        case RegRoot::ClassesRoot: return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return QString();
}

// The full key path with "\" separators, no empty components.
QString KeyPath(RegRoot root, const QString& subKey) {
    QStringList parts{RootName(root)};
    for (const QString& part : subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        parts << part;
    return parts.join(QLatin1Char('\\'));
}

bool SamePath(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

Document Parse(const QByteArray& bytes) {
    Document doc;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList physical = text.split(QLatin1Char('\n'));
    if (!physical.isEmpty() && physical.last().isEmpty()) physical.removeLast();

    bool headerSeen = false;
    Section* current = nullptr;
    for (int i = 0; i < physical.size(); ++i) {
        QString line = physical[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        // A hex value continues on the next line after a trailing "\".
        while (line.endsWith(QLatin1Char('\\')) && !line.trimmed().startsWith(QLatin1Char('[')) &&
               line.contains(QLatin1String("=hex")) && i + 1 < physical.size()) {
            QString next = physical[++i];
            if (next.endsWith(QLatin1Char('\r'))) next.chop(1);
            line += QLatin1Char('\n') + next;
        }
        const QString trimmed = line.trimmed();
        if (!headerSeen) {
            if (trimmed.isEmpty()) {
                doc.preamble << line;
                continue;
            }
            if (trimmed != Header) {
                doc.foreign = true;
                return doc;
            }
            headerSeen = true;
            doc.preamble << line;
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            doc.sections.append(Section{trimmed.mid(1, trimmed.size() - 2), line, {}});
            current = &doc.sections.last();
        } else if (current) {
            current->lines << line;
        } else {
            doc.preamble << line;
        }
    }
    if (!headerSeen && !bytes.trimmed().isEmpty()) doc.foreign = true;
    return doc;
}

QByteArray Serialize(const Document& doc) {
    QStringList out = doc.preamble;
    for (const Section& section : doc.sections) {
        out << section.headerLine;
        out << section.lines;
    }
    return (out.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

std::optional<QByteArray> ParseHex(QString text) {
    text.remove(QLatin1Char('\\'));
    QByteArray data;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint byte = piece.trimmed().toUInt(&ok, 16);
        if (!ok || byte > 0xFF) return std::nullopt;
        data.append(static_cast<char>(byte));
    }
    return data;
}

// Reads `"name"` or `@` at the start of `line`; returns the position after it.
int ParseName(const QString& line, QString* name) {
    int i = 0;
    while (i < line.size() && line[i].isSpace()) ++i;
    if (i < line.size() && line[i] == QLatin1Char('@')) {
        name->clear();
        return i + 1;
    }
    if (i >= line.size() || line[i] != QLatin1Char('"')) return -1;
    QString result;
    for (++i; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
            result += line[++i];
        } else if (line[i] == QLatin1Char('"')) {
            *name = result;
            return i + 1;
        } else {
            result += line[i];
        }
    }
    return -1;
}

std::optional<ParsedValue> ParseValue(const QString& line) {
    ParsedValue value;
    int at = ParseName(line, &value.name);
    if (at < 0) return std::nullopt;
    while (at < line.size() && line[at].isSpace()) ++at;
    if (at >= line.size() || line[at] != QLatin1Char('=')) return std::nullopt;
    const QString data = line.mid(at + 1).trimmed();

    if (data.startsWith(QLatin1Char('"'))) {
        if (data.size() < 2 || !data.endsWith(QLatin1Char('"'))) return std::nullopt;
        QString text;
        for (int i = 1; i < data.size() - 1; ++i) {
            if (data[i] == QLatin1Char('\\') && i + 1 < data.size() - 1) ++i;
            text += data[i];
        }
        value.type = RegType::String;
        value.data = text.toUtf8();
        return value;
    }
    if (data.startsWith(QLatin1String("dword:"))) {
        bool ok = false;
        const QString digits = data.mid(6);
        const quint32 number = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8) return std::nullopt;
        value.type = RegType::DWord;
        for (int shift = 0; shift < 32; shift += 8)
            value.data.append(static_cast<char>((number >> shift) & 0xFF));
        return value;
    }
    if (data.startsWith(QLatin1String("hex"))) {
        const int colon = data.indexOf(QLatin1Char(':'));
        if (colon < 0) return std::nullopt;
        const QString kind = data.left(colon);
        if (kind == QLatin1String("hex(1)")) {
            value.type = RegType::String;
        } else if (kind == QLatin1String("hex(2)")) {
            value.type = RegType::ExpandString;
        } else if (kind == QLatin1String("hex(4)")) {
            value.type = RegType::DWord;
        } else {
            // Plain binary and every type the IDE has no use for: not text.
            value.type = RegType::Binary;
        }
        const auto bytes = ParseHex(data.mid(colon + 1));
        if (!bytes) return std::nullopt;
        value.data = *bytes;
        return value;
    }
    return std::nullopt;
}

QString Quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

QString HexList(const QByteArray& data) {
    QStringList bytes;
    for (const char byte : data)
        bytes << QStringLiteral("%1").arg(static_cast<uchar>(byte), 2, 16, QLatin1Char('0'));
    return bytes.join(QLatin1Char(','));
}

QString FormatValue(const QString& name, RegType type, const QByteArray& data) {
    const QString left = name.isEmpty() ? QStringLiteral("@") : Quote(name);
    switch (type) {
        case RegType::String: {
            // Plain quoted text when it reads back as the same bytes; raw bytes otherwise.
            const QString text = QString::fromUtf8(data);
            if (!data.contains('\0') && !data.contains('\n') && !data.contains('\r') &&
                text.toUtf8() == data)
                return left + QLatin1Char('=') + Quote(text);
            return left + QStringLiteral("=hex(1):") + HexList(data);
        }
        case RegType::ExpandString: return left + QStringLiteral("=hex(2):") + HexList(data);
        case RegType::DWord:
            if (data.size() == 4) {
                quint32 number = 0;
                for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<uchar>(data[i]);
                return left + QStringLiteral("=dword:%1").arg(number, 8, 16, QLatin1Char('0'));
            }
            return left + QStringLiteral("=hex(4):") + HexList(data);
        case RegType::Binary: return left + QStringLiteral("=hex:") + HexList(data);
    }
    return left;
}

QByteArray ReadFileBytes() {
    QFile file(ProgramFolder::RegistryFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Document Load() { return Parse(ReadFileBytes()); }

Section* FindSection(Document& doc, const QString& path) {
    for (Section& section : doc.sections)
        if (SamePath(section.path, path)) return &section;
    return nullptr;
}

bool KeyExists(const Document& doc, const QString& path) {
    const QString prefix = path + QLatin1Char('\\');
    for (const Section& section : doc.sections)
        if (SamePath(section.path, path) || section.path.startsWith(prefix, Qt::CaseInsensitive))
            return true;
    return false;
}

std::optional<ParsedValue> FindValue(Document& doc, const QString& path, const QString& name,
                                     int* lineIndex = nullptr) {
    Section* section = FindSection(doc, path);
    if (!section) return std::nullopt;
    // The last of two lines naming the same value wins, as an import would have it.
    std::optional<ParsedValue> found;
    for (int i = 0; i < section->lines.size(); ++i) {
        auto value = ParseValue(section->lines[i]);
        if (value && SamePath(value->name, name)) {
            found = value;
            if (lineIndex) *lineIndex = i;
        }
    }
    return found;
}

// Runs `change` on the freshly read file under the file lock and replaces the
// file when `change` returns true. A file that is not ours is set aside
// rather than overwritten.
template <typename Change>
void Modify(Change change) {
    const QString path = ProgramFolder::RegistryFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(5000)) return;

    Document doc = Load();
    if (doc.foreign) {
        QFile::rename(path, path + QStringLiteral(".foreign-") +
                                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
        doc = Document{};
    }
    if (!change(doc)) return;
    WriteFileAtomically(path, Serialize(doc));
}

}  // namespace

QString GetRegString(RegRoot root, const QString& subKey, const QString& valueName) {
    RegType type;
    QByteArray data;
    if (!GetRegValue(root, subKey, valueName, &type, &data)) return QString();
    if (type != RegType::String && type != RegType::ExpandString) return QString();
    const int zero = data.indexOf('\0');
    return QString::fromUtf8(zero >= 0 ? data.left(zero) : data);
}

bool GetRegValue(RegRoot root, const QString& subKey, const QString& valueName, RegType* type,
                 QByteArray* data) {
    Document doc = Load();
    if (doc.foreign) return false;
    const auto value = FindValue(doc, KeyPath(root, subKey), valueName);
    if (!value) return false;
    if (type) *type = value->type;
    if (data) *data = value->data;
    return true;
}

void SetRegValue(RegRoot root, const QString& subKey, const QString& valueName, RegType type,
                 const QByteArray& data) {
    const QString path = KeyPath(root, subKey);
    const QString line = FormatValue(valueName, type, data);
    Modify([&](Document& doc) {
        int index = -1;
        if (FindValue(doc, path, valueName, &index)) {
            FindSection(doc, path)->lines[index] = line;
            return true;
        }
        Section* section = FindSection(doc, path);
        if (!section) {
            // A new key starts after a blank line, as regedit writes them.
            QStringList& before = doc.sections.isEmpty() ? doc.preamble : doc.sections.last().lines;
            if (before.isEmpty()) before << Header;
            if (!before.last().trimmed().isEmpty()) before << QString();
            doc.sections.append(Section{path, QLatin1Char('[') + path + QLatin1Char(']'), {}});
            section = &doc.sections.last();
        }
        // New values go after the key's last value, before its trailing blank lines.
        int at = section->lines.size();
        while (at > 0 && section->lines[at - 1].trimmed().isEmpty()) --at;
        section->lines.insert(at, line);
        return true;
    });
}

void SetRegString(RegRoot root, const QString& subKey, const QString& valueName,
                  const QString& text) {
    SetRegValue(root, subKey, valueName, RegType::String, text.toUtf8());
}

void DeleteRegKey(RegRoot root, const QString& subKey) {
    const QString path = KeyPath(root, subKey);
    Modify([&](Document& doc) {
        // As on Windows, a key that still has subkeys is not deleted.
        const QString prefix = path + QLatin1Char('\\');
        for (const Section& section : doc.sections)
            if (section.path.startsWith(prefix, Qt::CaseInsensitive)) return false;
        const auto before = doc.sections.size();
        doc.sections.removeIf([&](const Section& s) { return SamePath(s.path, path); });
        return doc.sections.size() != before;
    });
}

QString GetFirstRegSubKey(RegRoot root, const QString& subKey) {
    const Document doc = Load();
    if (doc.foreign) return QString();
    const QString path = KeyPath(root, subKey);
    if (!KeyExists(doc, path)) return QString();
    // Subkeys enumerate in alphabetical order, letter case ignored.
    const QString prefix = path + QLatin1Char('\\');
    QString first;
    for (const Section& section : doc.sections) {
        if (!section.path.startsWith(prefix, Qt::CaseInsensitive)) continue;
        const QString child = section.path.mid(prefix.size()).section(QLatin1Char('\\'), 0, 0);
        if (!child.isEmpty() && (first.isEmpty() || child.compare(first, Qt::CaseInsensitive) < 0))
            first = child;
    }
    return first;
}

QString GetUserEnvVar(const QString& name) {
    return GetRegString(RegRoot::CurrentUser, QStringLiteral("Environment"), name);
}

void SetUserEnvVar(const QString& name, const QString& text) {
    SetRegString(RegRoot::CurrentUser, QStringLiteral("Environment"), name, text.trimmed());
}

void BroadcastEnvChange() {}

}  // namespace mdlRegistry
