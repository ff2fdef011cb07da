#include "solution/IniControl.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include "settings/AtomicFile.h"

namespace mdlIniControl {

namespace {

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// One line of the file as byte offsets: the text is [begin, end), the line
// end (CR LF, LF or a lone CR) runs from end to next.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

enum class Kind { Blank, Comment, Section, Entry };

struct Parsed {
    Kind kind = Kind::Blank;
    QByteArrayView name;   // section or key name, trimmed
    QByteArrayView value;  // entry value, trimmed
};

// The file split into lines. A UTF-8 byte-order mark stays outside every
// line, so no write or delete ever drops it.
struct Document {
    QByteArray bytes;
    QList<Line> lines;
    QList<Parsed> parsed;
    QByteArray eol = QByteArrayLiteral("\r\n");
};

// Blanks as the profile services trim them; ^Z ends many DOS-era files.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

QByteArrayView Trim(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

Parsed Classify(QByteArrayView text) {
    const QByteArrayView line = Trim(text);
    if (line.isEmpty())
        return {Kind::Blank, {}, {}};
    if (line.front() == ';')
        return {Kind::Comment, {}, {}};
    if (line.front() == '[') {
        const qsizetype close = line.lastIndexOf(']');
        if (close > 0)
            return {Kind::Section, Trim(line.sliced(1, close - 1)), {}};
    }
    // A line without "=" is a key without a value, as the profile services read it.
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return {Kind::Entry, line, {}};
    return {Kind::Entry, Trim(line.first(equals)), Trim(line.sliced(equals + 1))};
}

void Split(Document& doc) {
    const QByteArray& bytes = doc.bytes;
    const qsizetype size = bytes.size();
    bool eolSeen = false;
    qsizetype pos = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < size)
            next += (bytes[next] == '\r' && next + 1 < size && bytes[next + 1] == '\n') ? 2 : 1;
        if (!eolSeen && next > end) {
            doc.eol = bytes.mid(end, next - end);
            eolSeen = true;
        }
        doc.lines.append({pos, end, next});
        doc.parsed.append(Classify(QByteArrayView(bytes).sliced(pos, end - pos)));
        pos = next;
    }
}

// Reads the file into `doc`. A missing file is an empty document; false when
// something is there that cannot be read as a file, so a write never
// replaces what it could not read.
bool Load(const QString& file, Document& doc) {
    const QFileInfo info(file);
    if (file.isEmpty())
        return false;
    if (info.exists() || info.isSymLink()) {
        QFile in(file);
        if (!info.isFile() || !in.open(QIODevice::ReadOnly))
            return false;
        doc.bytes = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return false;
    }
    Split(doc);
    return true;
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

bool NameIs(QByteArrayView stored, const QString& wanted) {
    return Decode(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

qsizetype FindSection(const Document& doc, const QString& name, qsizetype from = 0) {
    for (qsizetype i = from; i < doc.parsed.size(); ++i)
        if (doc.parsed[i].kind == Kind::Section && NameIs(doc.parsed[i].name, name))
            return i;
    return -1;
}

// The index of the next section header after `header`, or the line count.
qsizetype SectionEnd(const Document& doc, qsizetype header) {
    qsizetype i = header + 1;
    while (i < doc.parsed.size() && doc.parsed[i].kind != Kind::Section)
        ++i;
    return i;
}

bool Save(const QString& file, const QByteArray& bytes) {
    return WriteFileAtomically(file, bytes);
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QChar(0));
}

bool StorableSection(const QString& name) {
    return !name.isEmpty() && !HasLineBreak(name);
}

// A key that would read back as something else is refused: "=" would split it,
// a leading "[" or ";" would make its line a header or a comment.
bool StorableKey(const QString& name) {
    return !name.isEmpty() && !HasLineBreak(name) && !name.contains(QLatin1Char('=')) &&
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

QString Unquoted(QString value) {
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

}  // namespace

QString ReadIniValue(const QString& file, const QString& section, const QString& key) {
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (sectionName.isEmpty() || keyName.isEmpty())
        return QString();
    Document doc;
    if (!Load(file, doc))
        return QString();
    const qsizetype header = FindSection(doc, sectionName);
    if (header < 0)
        return QString();
    const qsizetype end = SectionEnd(doc, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Parsed& line = doc.parsed[i];
        if (line.kind != Kind::Entry || !NameIs(line.name, keyName))
            continue;
        QString value = Unquoted(Decode(line.value));
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
    return QString();
}

bool WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value) {
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (!StorableSection(sectionName) || !StorableKey(keyName))
        return false;
    Document doc;
    if (!Load(file, doc))
        return false;
    const QByteArray& bytes = doc.bytes;
    const QByteArray text = OneLine(value);

    QByteArray out;
    const qsizetype header = FindSection(doc, sectionName);
    if (header < 0) {
        // A new section goes to the end of the file, after a blank line.
        out = bytes;
        if (!doc.lines.isEmpty()) {
            if (doc.lines.last().next == doc.lines.last().end)
                out += doc.eol;
            if (doc.parsed.last().kind != Kind::Blank)
                out += doc.eol;
        }
        out += '[' + sectionName.toUtf8() + ']' + doc.eol;
        out += keyName.toUtf8() + '=' + text + doc.eol;
    } else {
        const qsizetype end = SectionEnd(doc, header);
        qsizetype found = -1;
        qsizetype last = header;  // the line a new key follows
        for (qsizetype i = header + 1; i < end && found < 0; ++i) {
            const Parsed& line = doc.parsed[i];
            if (line.kind == Kind::Entry && NameIs(line.name, keyName))
                found = i;
            else if (line.kind != Kind::Blank && line.kind != Kind::Comment)
                last = i;
        }
        if (found >= 0) {
            // The key keeps its line, indentation and spelling; the value is new.
            const Line& line = doc.lines[found];
            const qsizetype nameStart = doc.parsed[found].name.data() - bytes.constData();
            out = bytes.left(nameStart) + doc.parsed[found].name.toByteArray() + '=' + text +
                  bytes.mid(line.end);
        } else {
            const Line& after = doc.lines[last];
            out = bytes.left(after.next);
            if (after.next == after.end)
                out += doc.eol;
            out += keyName.toUtf8() + '=' + text + doc.eol;
            out += bytes.mid(after.next);
        }
    }
    if (out == bytes)
        return true;
    return Save(file, out);
}

bool DeleteIniSection(const QString& file, const QString& section) {
    const QString sectionName = section.trimmed();
    if (sectionName.isEmpty())
        return false;
    Document doc;
    if (!Load(file, doc))
        return false;
    const QByteArray& bytes = doc.bytes;

    QByteArray out;
    qsizetype copied = 0;
    bool removed = false;
    for (qsizetype header = FindSection(doc, sectionName); header >= 0;) {
        const qsizetype end = SectionEnd(doc, header);
        const qsizetype from = doc.lines[header].begin;
        const qsizetype to = end < doc.lines.size() ? doc.lines[end].begin : bytes.size();
        out += bytes.mid(copied, from - copied);
        copied = to;
        removed = true;
        header = FindSection(doc, sectionName, end);
    }
    if (!removed)
        return true;
    out += bytes.mid(copied);
    return Save(file, out);
}

}  // namespace mdlIniControl
