#include "solution/IniControl.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "settings/AtomicFile.h"
#include "settings/FileLock.h"

namespace mdlIniControl {

namespace {

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// Writers hold a file's lock for milliseconds; one held for seconds belongs to
// a stuck process, and waiting on would only lose the write.
constexpr int WriteLockWaitMs = 2000;

enum class Kind { Blank, Comment, Section, Entry };

// What a line is, with its name (section or key) and its value as trimmed
// byte ranges of the line's text.
struct Parsed {
    Kind kind = Kind::Blank;
    qsizetype nameBegin = 0;
    qsizetype nameEnd = 0;
    qsizetype valueBegin = 0;
    qsizetype valueEnd = 0;
};

// Blanks as the profile services trim them; ^Z ends many DOS-era files.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

// Narrows [begin, end) to its text without blanks and byte-order marks (which
// editors leave, and which joined files carry in their middle) at either end.
void Trim(QByteArrayView text, qsizetype& begin, qsizetype& end) {
    for (;;) {
        if (begin < end && IsBlank(text[begin]))
            ++begin;
        else if (end - begin >= Utf8Bom.size() && text.sliced(begin).startsWith(Utf8Bom))
            begin += Utf8Bom.size();
        else
            break;
    }
    for (;;) {
        if (end > begin && IsBlank(text[end - 1]))
            --end;
        else if (end - begin >= Utf8Bom.size() && text.first(end).endsWith(Utf8Bom))
            end -= Utf8Bom.size();
        else
            break;
    }
}

Parsed Classify(QByteArrayView text) {
    Parsed line;
    qsizetype begin = 0;
    qsizetype end = text.size();
    Trim(text, begin, end);
    if (begin == end)
        return line;
    if (text[begin] == ';') {
        line.kind = Kind::Comment;
        return line;
    }
    if (text[begin] == '[') {
        qsizetype close = end - 1;
        while (close > begin && text[close] != ']')
            --close;
        if (close > begin) {
            line.kind = Kind::Section;
            line.nameBegin = begin + 1;
            line.nameEnd = close;
            Trim(text, line.nameBegin, line.nameEnd);
            return line;
        }
    }
    // A line without "=" is a key without a value, as the profile services read it.
    line.kind = Kind::Entry;
    const qsizetype equals = text.sliced(begin, end - begin).indexOf('=');
    line.nameBegin = begin;
    line.nameEnd = equals < 0 ? end : begin + equals;
    line.valueBegin = line.valueEnd = end;
    if (equals >= 0)
        line.valueBegin = begin + equals + 1;
    Trim(text, line.nameBegin, line.nameEnd);
    Trim(text, line.valueBegin, line.valueEnd);
    return line;
}

QByteArrayView NameOf(QByteArrayView text, const Parsed& line) {
    return text.sliced(line.nameBegin, line.nameEnd - line.nameBegin);
}

QByteArrayView ValueOf(QByteArrayView text, const Parsed& line) {
    return text.sliced(line.valueBegin, line.valueEnd - line.valueBegin);
}

// UTF-8 where the bytes are valid UTF-8, else the 8-bit text a file written on
// Windows holds.
QString Decode(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

bool IsNameBlank(QChar c) {
    return c.isSpace() || c.unicode() == 0x1A || c.unicode() == 0xFEFF;
}

// A name as a caller gives it and as the file holds it are both trimmed here,
// so a written name is always found again.
QString TrimName(const QString& name) {
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && IsNameBlank(name[begin]))
        ++begin;
    while (end > begin && IsNameBlank(name[end - 1]))
        --end;
    return name.mid(begin, end - begin);
}

// The form in which names are compared: trimmed, letter case folded.
QString NameKey(QByteArrayView stored) {
    return TrimName(Decode(stored)).toCaseFolded();
}

// A stored value as a read returns it: unquoted, cut at a NUL, at most
// MaxValueLength characters.
QString ReadValue(QByteArrayView stored) {
    QString value = Decode(stored);
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0)
        value.truncate(nul);
    if (value.size() > MaxValueLength) {
        // Never leave half of a surrogate pair behind.
        value.truncate(value[MaxValueLength - 1].isHighSurrogate() ? MaxValueLength - 1
                                                                   : MaxValueLength);
    }
    return value;
}

// Calls visit(text, lineEnd) for every line after a leading byte-order mark,
// until it returns false. Line ends are CR LF, LF or a lone CR.
template <typename Visit>
void ForEachLine(QByteArrayView bytes, Visit visit) {
    const qsizetype size = bytes.size();
    qsizetype pos = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < size)
            next += (bytes[next] == '\r' && next + 1 < size && bytes[next + 1] == '\n') ? 2 : 1;
        if (!visit(bytes.sliced(pos, end - pos), bytes.sliced(end, next - end)))
            return;
        pos = next;
    }
}

// The file's bytes; a missing file is empty. False when something is there
// that cannot be read as a file, so a write never replaces what it could not
// read.
bool ReadBytes(const QString& file, QByteArray* bytes) {
    if (file.isEmpty())
        return false;
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return true;
    QFile in(file);
    if (!info.isFile() || !in.open(QIODevice::ReadOnly))
        return false;
    *bytes = in.readAll();
    return in.error() == QFileDevice::NoError;
}

// Visits the entries of the first section whose name compares as
// `sectionKey`, until visit(text, parsed) returns false.
template <typename Visit>
void ForEachEntry(QByteArrayView bytes, const QString& sectionKey, Visit visit) {
    bool inside = false;
    ForEachLine(bytes, [&](QByteArrayView text, QByteArrayView) {
        const Parsed line = Classify(text);
        if (line.kind == Kind::Section) {
            if (inside)
                return false;
            inside = NameKey(NameOf(text, line)) == sectionKey;
            return true;
        }
        return !inside || line.kind != Kind::Entry || visit(text, line);
    });
}

// The file as lines, for writing: each line's text and line end are kept as
// they were unless a change touches that line.
struct Line {
    QByteArray text;
    QByteArray eol;  // "\r\n", "\n", "\r", or "" for a last line without one
    Parsed parsed;
    mutable QString key;  // NameKey of the name, once asked for
    mutable bool keyKnown = false;

    const QString& Key() const {
        if (!keyKnown) {
            key = NameKey(NameOf(text, parsed));
            keyKnown = true;
        }
        return key;
    }
};

Line MakeLine(QByteArray text, QByteArray eol) {
    Line line{std::move(text), std::move(eol), {}, {}, false};
    line.parsed = Classify(line.text);
    return line;
}

struct Document {
    QByteArray original;
    QByteArray bom;  // kept outside every line, so no change ever drops it
    QList<Line> lines;

    // The file's first line end; CR LF when it has none.
    QByteArray Eol() const {
        for (const Line& line : lines)
            if (!line.eol.isEmpty())
                return line.eol;
        return QByteArrayLiteral("\r\n");
    }

    QByteArray Bytes() const {
        QByteArray out = bom;
        out.reserve(original.size() + 64);
        for (const Line& line : lines)
            out += line.text + line.eol;
        return out;
    }
};

bool Load(const QString& file, Document& doc) {
    if (!ReadBytes(file, &doc.original))
        return false;
    if (doc.original.startsWith(Utf8Bom))
        doc.bom = Utf8Bom;
    ForEachLine(doc.original, [&](QByteArrayView text, QByteArrayView eol) {
        doc.lines.append(MakeLine(text.toByteArray(), eol.toByteArray()));
        return true;
    });
    return true;
}

qsizetype FindSection(const Document& doc, const QString& sectionKey, qsizetype from = 0) {
    for (qsizetype i = from; i < doc.lines.size(); ++i)
        if (doc.lines[i].parsed.kind == Kind::Section && doc.lines[i].Key() == sectionKey)
            return i;
    return -1;
}

// The index of the next section header after `header`, or the line count.
qsizetype SectionEnd(const Document& doc, qsizetype header) {
    qsizetype i = header + 1;
    while (i < doc.lines.size() && doc.lines[i].parsed.kind != Kind::Section)
        ++i;
    return i;
}

// `section` and `key` come trimmed and checked.
void SetValue(Document& doc, const QString& section, const QString& key, const QByteArray& value) {
    const QByteArray eol = doc.Eol();
    const QByteArray entry = key.toUtf8() + '=' + value;
    const qsizetype header = FindSection(doc, section.toCaseFolded());
    if (header < 0) {
        // As the profile services append it: right after the file's last line.
        if (!doc.lines.isEmpty() && doc.lines.last().eol.isEmpty())
            doc.lines.last().eol = eol;
        doc.lines.append(MakeLine('[' + section.toUtf8() + ']', eol));
        doc.lines.append(MakeLine(entry, eol));
        return;
    }
    const QString wanted = key.toCaseFolded();
    const qsizetype end = SectionEnd(doc, header);
    qsizetype last = header;  // the line a new key follows
    for (qsizetype i = header + 1; i < end; ++i) {
        Line& line = doc.lines[i];
        if (line.parsed.kind != Kind::Entry)
            continue;
        if (line.Key() == wanted) {
            // The key keeps its line, indentation and spelling; the value is new.
            line = MakeLine(line.text.left(line.parsed.nameEnd) + '=' + value, line.eol);
            return;
        }
        last = i;
    }
    if (doc.lines[last].eol.isEmpty())
        doc.lines[last].eol = eol;
    doc.lines.insert(last + 1, MakeLine(entry, eol));
}

void RemoveSection(Document& doc, const QString& section) {
    const QString wanted = section.toCaseFolded();
    for (qsizetype header = FindSection(doc, wanted); header >= 0;
         header = FindSection(doc, wanted, header))
        doc.lines.remove(header, SectionEnd(doc, header) - header);
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QChar(0));
}

// A name must read back as itself from its own line.
bool StorableName(const QString& name) {
    return !name.isEmpty() && !HasLineBreak(name) && QString::fromUtf8(name.toUtf8()) == name;
}

// "=" would split a key, a leading "[" or ";" make its line a header or a comment.
bool StorableKey(const QString& name) {
    return StorableName(name) && !name.contains(QLatin1Char('=')) &&
           !name.startsWith(QLatin1Char('[')) && !name.startsWith(QLatin1Char(';'));
}

// A value is one line: it ends at its first line break or NUL.
QByteArray OneLine(const QString& value) {
    qsizetype end = 0;
    while (end < value.size() && value[end] != QLatin1Char('\n') &&
           value[end] != QLatin1Char('\r') && value[end] != QChar(0))
        ++end;
    return value.left(end).toUtf8();
}

// The lock beside the file (the file a symbolic link names, when it exists),
// hidden as the lock of the user's own file should be.
QString LockPath(const QString& file) {
    const QFileInfo info(file);
    const QString canonical = info.exists() ? info.canonicalFilePath() : QString();
    const QFileInfo target(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
    return target.path() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".lock");
}

}  // namespace

QString ReadIniValue(const QString& file, const QString& section, const QString& key) {
    const QString sectionKey = TrimName(section).toCaseFolded();
    const QString wanted = TrimName(key).toCaseFolded();
    QByteArray bytes;
    if (sectionKey.isEmpty() || wanted.isEmpty() || !ReadBytes(file, &bytes))
        return QString();
    QString value;
    ForEachEntry(bytes, sectionKey, [&](QByteArrayView text, const Parsed& line) {
        if (NameKey(NameOf(text, line)) != wanted)
            return true;
        value = ReadValue(ValueOf(text, line));
        return false;
    });
    return value;
}

QList<std::pair<QString, QString>> ReadIniSection(const QString& file, const QString& section) {
    QList<std::pair<QString, QString>> entries;
    const QString sectionKey = TrimName(section).toCaseFolded();
    QByteArray bytes;
    if (sectionKey.isEmpty() || !ReadBytes(file, &bytes))
        return entries;
    ForEachEntry(bytes, sectionKey, [&](QByteArrayView text, const Parsed& line) {
        const QString name = TrimName(Decode(NameOf(text, line)));
        if (!name.isEmpty())
            entries.append({name, ReadValue(ValueOf(text, line))});
        return true;
    });
    return entries;
}

bool WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value) {
    IniBatch batch(file);
    batch.WriteValue(section, key, value);
    return batch.Commit();
}

bool DeleteIniSection(const QString& file, const QString& section) {
    IniBatch batch(file);
    batch.DeleteSection(section);
    return batch.Commit();
}

IniBatch::IniBatch(const QString& file) : file(file) {}

void IniBatch::WriteValue(const QString& section, const QString& key, const QString& value) {
    changes.append({false, section, key, value});
}

void IniBatch::DeleteSection(const QString& section) {
    changes.append({true, section, QString(), QString()});
}

bool IniBatch::Commit() {
    QList<Change> todo;
    todo.swap(changes);
    bool allMade = true;
    bool writes = false;
    for (qsizetype i = 0; i < todo.size();) {
        Change& change = todo[i];
        change.section = TrimName(change.section);
        change.key = TrimName(change.key);
        const bool storable = change.remove
                                  ? !change.section.isEmpty()
                                  : StorableName(change.section) && StorableKey(change.key);
        if (!storable) {
            allMade = false;
            todo.removeAt(i);
            continue;
        }
        writes = writes || !change.remove;
        ++i;
    }
    if (todo.isEmpty())
        return allMade;
    if (file.isEmpty())
        return false;
    // Deleting from a file that is not there changes nothing: no lock, no file.
    const QFileInfo info(file);
    if (!writes && !info.exists() && !info.isSymLink())
        return allMade;

    FileLock lock(LockPath(file));
    lock.TryLock(WriteLockWaitMs);
    Document doc;
    if (!Load(file, doc))
        return false;
    for (const Change& change : todo) {
        if (change.remove)
            RemoveSection(doc, change.section);
        else
            SetValue(doc, change.section, change.key, OneLine(change.value));
    }
    const QByteArray out = doc.Bytes();
    if (out == doc.original)
        return allMade;
    return WriteFileAtomically(file, out) && allMade;
}

}  // namespace mdlIniControl
