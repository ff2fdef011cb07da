#include "settings/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "settings/AtomicFile.h"
#include "settings/FileLock.h"
#include "settings/ProgramFolder.h"

namespace mdlRegistry {

const QString ProductKeyPath = QStringLiteral("SOFTWARE\\TORVANE\\Zorbel Builder\\");
const QString SettingsKey = ProductKeyPath + QStringLiteral("Settings");
const QString FormsKey = ProductKeyPath + QStringLiteral("Forms");
const QString SyntaxKey = ProductKeyPath + QStringLiteral("Syntax");

namespace {

const QString Header = QStringLiteral("REGEDIT4");
const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// How long a write waits for another process's lock. Writers hold it for
// milliseconds and a dead one's is gone at once; one held longer belongs to a
// process that is stuck, and waiting for it would only lose the value.
constexpr int WriteLockWaitMs = 2000;

// One line of the file; a value spread over continuation lines is one line.
// `text` is what the parser reads. Lines read from the file are written back
// as the bytes they were, line ends included; new and changed lines are
// `fresh` and take the file's line end.
struct Line {
    QString text;
    qsizetype begin = 0;  // [begin, end) of the file's bytes
    qsizetype end = 0;
    bool fresh = false;
};

Line Fresh(const QString& text) {
    return Line{text, 0, 0, true};
}

// The file as lines grouped by key, so a write changes one value and leaves
// every other byte of the file as it was.
struct Section {
    QString path;       // "HKEY_LOCAL_MACHINE\SOFTWARE\..." as written in the file
    Line header;        // "[...]"
    QList<Line> lines;  // value lines, blank lines, anything else
};

struct Document {
    QByteArray source;
    bool foreign = false;     // the file exists but is not a REGEDIT4 file
    bool headerSeen = false;  // false for a missing file or one of blank lines
    QList<Line> preamble;     // "REGEDIT4" and whatever precedes the first key
    QList<Section> sections;
    QByteArray eol = QByteArrayLiteral("\n");
};

struct ParsedValue {
    QString name;
    RegType type;
    QByteArray data;
};

enum class Outcome { Unchanged, Changed, Refused };

QString RootName(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine:
            return QStringLiteral("HKEY_LOCAL_MACHINE");
        case RegRoot::CurrentUser:
            return QStringLiteral("HKEY_CURRENT_USER");
        case RegRoot::ClassesRoot:
            return QStringLiteral("HKEY_CLASSES_ROOT");
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

// A name or key path goes into the file as part of one line and must read
// back as itself: no line breaks (a key path could otherwise inject a key of
// its own), no NUL, nothing UTF-8 cannot carry.
bool Storable(const QString& text) {
    for (const QChar c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull())
            return false;
    return QString::fromUtf8(text.toUtf8()) == text;
}

// The rest of a hex value after a line that ends in "\": hex digits and commas
// only. Anything else (a value, a key, a blank line) is a line of its own, so
// a dangling "\" never swallows the lines after it.
bool IsHexContinuation(const QString& line) {
    bool digits = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('\\') && i == line.size() - 1)
            break;
        if (QStringLiteral("0123456789abcdefABCDEF").contains(c))
            digits = true;
        else if (c != QLatin1Char(',') && c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return false;
    }
    return digits;
}

Document Parse(const QByteArray& bytes) {
    Document doc;
    doc.source = bytes;

    // Physical lines: [begin, end) with the line end, and the text without it.
    struct Physical {
        qsizetype begin, end;
        QString text;
    };
    QList<Physical> physical;
    const qsizetype size = bytes.size();
    for (qsizetype pos = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0; pos < size;) {
        const qsizetype newline = bytes.indexOf('\n', pos);
        const qsizetype end = newline < 0 ? size : newline + 1;
        qsizetype textEnd = newline < 0 ? size : newline;
        if (textEnd > pos && bytes[textEnd - 1] == '\r')
            --textEnd;
        if (physical.isEmpty() && newline >= 0)
            doc.eol = bytes.mid(textEnd, end - textEnd);
        physical.append({pos, end, QString::fromUtf8(bytes.constData() + pos, textEnd - pos)});
        pos = end;
    }

    Section* current = nullptr;
    for (qsizetype i = 0; i < physical.size(); ++i) {
        Line line{physical[i].text, physical[i].begin, physical[i].end, false};
        // A hex value continues on the next line after a trailing "\".
        while (line.text.endsWith(QLatin1Char('\\')) &&
               !line.text.trimmed().startsWith(QLatin1Char('[')) &&
               line.text.contains(QLatin1String("=hex")) && i + 1 < physical.size() &&
               IsHexContinuation(physical[i + 1].text)) {
            ++i;
            line.text += QLatin1Char('\n') + physical[i].text;
            line.end = physical[i].end;
        }
        const QString trimmed = line.text.trimmed();
        if (!doc.headerSeen) {
            if (trimmed.isEmpty()) {
                doc.preamble << line;
                continue;
            }
            if (trimmed != Header) {
                doc.foreign = true;
                return doc;
            }
            doc.headerSeen = true;
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
    return doc;
}

QByteArray Serialize(const Document& doc) {
    QByteArray out;
    out.reserve(doc.source.size() + 256);
    if (doc.source.startsWith(Utf8Bom) && doc.headerSeen)
        out += Utf8Bom;
    bool open = false;  // the last line written has no line end yet
    auto put = [&](const Line& line) {
        if (open)
            out += out.endsWith('\r') ? QByteArray("\n") : doc.eol;
        if (line.fresh) {
            out += line.text.toUtf8();
            out += doc.eol;
            open = false;
        } else {
            out += QByteArrayView(doc.source).sliced(line.begin, line.end - line.begin);
            open = line.end == line.begin || doc.source[line.end - 1] != '\n';
        }
    };
    for (const Line& line : doc.preamble)
        put(line);
    for (const Section& section : doc.sections) {
        put(section.header);
        for (const Line& line : section.lines)
            put(line);
    }
    return out;
}

std::optional<QByteArray> ParseHex(QString text) {
    text.remove(QLatin1Char('\\'));
    QByteArray data;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint byte = piece.trimmed().toUInt(&ok, 16);
        if (!ok || byte > 0xFF)
            return std::nullopt;
        data.append(static_cast<char>(byte));
    }
    return data;
}

// Reads `"name"` or `@` at the start of `line`; returns the position after it.
int ParseName(const QString& line, QString* name) {
    int i = 0;
    while (i < line.size() && line[i].isSpace())
        ++i;
    if (i < line.size() && line[i] == QLatin1Char('@')) {
        name->clear();
        return i + 1;
    }
    if (i >= line.size() || line[i] != QLatin1Char('"'))
        return -1;
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
    if (at < 0)
        return std::nullopt;
    while (at < line.size() && line[at].isSpace())
        ++at;
    if (at >= line.size() || line[at] != QLatin1Char('='))
        return std::nullopt;
    const QString data = line.mid(at + 1).trimmed();

    if (data.startsWith(QLatin1Char('"'))) {
        if (data.size() < 2 || !data.endsWith(QLatin1Char('"')))
            return std::nullopt;
        QString text;
        for (int i = 1; i < data.size() - 1; ++i) {
            if (data[i] == QLatin1Char('\\') && i + 1 < data.size() - 1)
                ++i;
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
        if (!ok || digits.size() > 8)
            return std::nullopt;
        value.type = RegType::DWord;
        for (int shift = 0; shift < 32; shift += 8)
            value.data.append(static_cast<char>((number >> shift) & 0xFF));
        return value;
    }
    if (data.startsWith(QLatin1String("hex"))) {
        const int colon = data.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return std::nullopt;
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
        if (!bytes)
            return std::nullopt;
        value.data = *bytes;
        return value;
    }
    return std::nullopt;
}

QString Quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
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
        case RegType::ExpandString:
            return left + QStringLiteral("=hex(2):") + HexList(data);
        case RegType::DWord:
            if (data.size() == 4) {
                quint32 number = 0;
                for (int i = 3; i >= 0; --i)
                    number = (number << 8) | static_cast<uchar>(data[i]);
                return left + QStringLiteral("=dword:%1").arg(number, 8, 16, QLatin1Char('0'));
            }
            return left + QStringLiteral("=hex(4):") + HexList(data);
        case RegType::Binary:
            return left + QStringLiteral("=hex:") + HexList(data);
    }
    return left;
}

// The file's bytes; a missing file is empty. False when the file is there
// but cannot be read, so a write never replaces what it could not read.
bool ReadFileBytes(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return !QFileInfo::exists(path);
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

Document Load() {
    QByteArray bytes;
    ReadFileBytes(ProgramFolder::RegistryFile(), &bytes);
    return Parse(bytes);
}

// The installation's defaults beneath the user's file: defaults.reg in the
// program folder. It is read-only, so it is parsed once and parsed again only
// when another file or another version of it is there. A missing file, or one
// that is not a REGEDIT4 file, holds no defaults.
std::shared_ptr<const Document> LoadDefaults() {
    struct Stamp {
        QString path;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec modified{};
        timespec changed{};
        bool operator==(const Stamp& o) const {
            return path == o.path && device == o.device && inode == o.inode && size == o.size &&
                   modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
                   changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
        }
    };
    static QMutex mutex;
    static Stamp cachedStamp;
    static std::shared_ptr<const Document> cached;

    Stamp stamp;
    stamp.path = ProgramFolder::File(QStringLiteral("defaults.reg"));
    struct stat info;
    if (::stat(QFile::encodeName(stamp.path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;

    QMutexLocker locker(&mutex);
    if (stamp == cachedStamp)
        return cached;
    // A file changed between the look and the read is parsed again next time:
    // its stamp no longer matches the one kept here.
    QByteArray bytes;
    auto doc = std::make_shared<Document>();
    if (ReadFileBytes(stamp.path, &bytes))
        *doc = Parse(bytes);
    cachedStamp = stamp;
    cached = doc->foreign ? nullptr : std::move(doc);
    return cached;
}

const Section* FindSection(const Document& doc, const QString& path) {
    for (const Section& section : doc.sections)
        if (SamePath(section.path, path))
            return &section;
    return nullptr;
}

Section* FindSection(Document& doc, const QString& path) {
    return const_cast<Section*>(FindSection(std::as_const(doc), path));
}

// The first subkey of `path` in `doc`: alphabetical order, letter case ignored.
QString FirstSubKey(const Document& doc, const QString& path) {
    const QString prefix = path + QLatin1Char('\\');
    QString first;
    for (const Section& section : doc.sections) {
        if (!section.path.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString child = section.path.mid(prefix.size()).section(QLatin1Char('\\'), 0, 0);
        if (!child.isEmpty() && (first.isEmpty() || child.compare(first, Qt::CaseInsensitive) < 0))
            first = child;
    }
    return first;
}

std::optional<ParsedValue> FindValue(const Document& doc, const QString& path, const QString& name,
                                     int* lineIndex = nullptr) {
    const Section* section = FindSection(doc, path);
    if (!section)
        return std::nullopt;
    // The last of two lines naming the same value wins, as an import would have it.
    std::optional<ParsedValue> found;
    for (int i = 0; i < section->lines.size(); ++i) {
        auto value = ParseValue(section->lines[i].text);
        if (value && SamePath(value->name, name)) {
            found = value;
            if (lineIndex)
                *lineIndex = i;
        }
    }
    return found;
}

// Moves a file that is not ours out of the way under a name of its own:
// "registry.reg.foreign-<time>", then "-2", "-3", ... when that is taken.
bool SetAside(const QString& path) {
    const QByteArray from = QFile::encodeName(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    for (int n = 1; n < 1000; ++n) {
        QString aside = path + QStringLiteral(".foreign-") + stamp;
        if (n > 1)
            aside += QLatin1Char('-') + QString::number(n);
        const QByteArray to = QFile::encodeName(aside);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) ==
            0)
            return true;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // A file system that cannot refuse to replace: look first (under our lock).
        struct stat taken;
        if (::lstat(to.constData(), &taken) == 0)
            continue;
        return ::rename(from.constData(), to.constData()) == 0;
    }
    return false;
}

// Runs `change` on the freshly read file under the file lock and replaces the
// file when `change` changed it. A file that is not ours is set aside rather
// than overwritten, and one that cannot be read or set aside is left alone:
// the write fails. A lock that cannot be had (a stuck holder, a file system
// without locks) does not stop the write: losing the value would be worse.
template <typename Change>
bool Modify(Change change) {
    const QString path = ProgramFolder::RegistryFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    FileLock lock(path + QStringLiteral(".lock"));
    lock.TryLock(WriteLockWaitMs);

    QByteArray bytes;
    if (!ReadFileBytes(path, &bytes))
        return false;
    Document doc = Parse(bytes);
    const bool foreign = doc.foreign;
    if (foreign)
        doc = Document{};
    const Outcome outcome = change(doc);
    if (outcome != Outcome::Changed)
        return outcome == Outcome::Unchanged;
    if (foreign && !SetAside(path))
        return false;
    return WriteFileAtomically(path, Serialize(doc));
}

}  // namespace

QString GetRegString(RegRoot root, const QString& subKey, const QString& valueName) {
    RegType type;
    QByteArray data;
    if (!GetRegValue(root, subKey, valueName, &type, &data))
        return QString();
    if (type != RegType::String && type != RegType::ExpandString)
        return QString();
    const int zero = data.indexOf('\0');
    return QString::fromUtf8(zero >= 0 ? data.left(zero) : data);
}

bool GetRegValue(RegRoot root, const QString& subKey, const QString& valueName, RegType* type,
                 QByteArray* data) {
    // A file that is not a REGEDIT4 file holds no keys: the defaults show through.
    const QString path = KeyPath(root, subKey);
    auto value = FindValue(Load(), path, valueName);
    if (!value) {
        if (const auto defaults = LoadDefaults())
            value = FindValue(*defaults, path, valueName);
    }
    if (!value)
        return false;
    if (type)
        *type = value->type;
    if (data)
        *data = value->data;
    return true;
}

bool SetRegValue(RegRoot root, const QString& subKey, const QString& valueName, RegType type,
                 const QByteArray& data) {
    if (!Storable(subKey) || !Storable(valueName))
        return false;
    const QString path = KeyPath(root, subKey);
    const QString line = FormatValue(valueName, type, data);
    return Modify([&](Document& doc) {
        int index = -1;
        if (FindValue(doc, path, valueName, &index)) {
            Line& old = FindSection(doc, path)->lines[index];
            if (old.text == line)
                return Outcome::Unchanged;
            old = Fresh(line);
            return Outcome::Changed;
        }
        if (!doc.headerSeen) {
            // Nothing but blank lines (or nothing at all): start a proper file.
            doc.preamble = {Fresh(Header)};
            doc.headerSeen = true;
        }
        Section* section = FindSection(doc, path);
        if (!section) {
            // A new key starts after a blank line, as regedit writes them.
            QList<Line>& before = doc.sections.isEmpty() ? doc.preamble : doc.sections.last().lines;
            if (before.isEmpty() || !before.last().text.trimmed().isEmpty())
                before << Fresh(QString());
            const QString header = QLatin1Char('[') + path + QLatin1Char(']');
            doc.sections.append(Section{path, Fresh(header), {}});
            section = &doc.sections.last();
        }
        // New values go after the key's last value, before its trailing blank lines.
        qsizetype at = section->lines.size();
        while (at > 0 && section->lines[at - 1].text.trimmed().isEmpty())
            --at;
        section->lines.insert(at, Fresh(line));
        return Outcome::Changed;
    });
}

bool SetRegString(RegRoot root, const QString& subKey, const QString& valueName,
                  const QString& text) {
    return SetRegValue(root, subKey, valueName, RegType::String, text.toUtf8());
}

bool DeleteRegKey(RegRoot root, const QString& subKey) {
    const QString path = KeyPath(root, subKey);
    return Modify([&](Document& doc) {
        // As on Windows, a key that still has subkeys is not deleted. Only the
        // user's file counts: the defaults beneath are never changed.
        const QString prefix = path + QLatin1Char('\\');
        for (const Section& section : doc.sections)
            if (section.path.startsWith(prefix, Qt::CaseInsensitive))
                return Outcome::Refused;
        const auto before = doc.sections.size();
        doc.sections.removeIf([&](const Section& s) { return SamePath(s.path, path); });
        return doc.sections.size() != before ? Outcome::Changed : Outcome::Unchanged;
    });
}

QString GetFirstRegSubKey(RegRoot root, const QString& subKey) {
    // The subkeys of both files together, in one alphabetical order.
    const QString path = KeyPath(root, subKey);
    QString first = FirstSubKey(Load(), path);
    if (const auto defaults = LoadDefaults()) {
        const QString given = FirstSubKey(*defaults, path);
        if (first.isEmpty() || (!given.isEmpty() && given.compare(first, Qt::CaseInsensitive) < 0))
            first = given;
    }
    return first;
}

QString GetUserEnvVar(const QString& name) {
    return GetRegString(RegRoot::CurrentUser, QStringLiteral("Environment"), name);
}

bool SetUserEnvVar(const QString& name, const QString& text) {
    return SetRegString(RegRoot::CurrentUser, QStringLiteral("Environment"), name, text.trimmed());
}

void BroadcastEnvChange() {}

}  // namespace mdlRegistry
