#include "editor/SyntaxDefinition.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <limits>
#include <optional>

#include "settings/ProgramFolder.h"
#include "solution/IniControl.h"

namespace {
enum class Section { None, Main, Options, Colors, Keywords, Attributes, Operators };

Section SectionNamed(const QString& name) {
    static const std::pair<const char*, Section> known[] = {
        {"main", Section::Main},
        {"options", Section::Options},
        {"colors", Section::Colors},
        {"keywords", Section::Keywords},
        {"attributes", Section::Attributes},
        {"operators", Section::Operators},
    };
    for (const auto& [text, section] : known)
        if (name == QLatin1String(text))
            return section;
    return Section::None;
}

// Decimal digits with an optional sign, or "&H" and hex digits (eight at most,
// read as a 32-bit pattern so that &HFFFFFFFF is -1). Nothing else converts.
std::optional<qint64> ToInteger(const QString& value) {
    if (value.size() > 2 && value.startsWith(QLatin1String("&h"), Qt::CaseInsensitive)) {
        const QString digits = value.mid(2);
        if (digits.size() > 8)
            return std::nullopt;
        bool ok = false;
        const uint bits = digits.toUInt(&ok, 16);
        if (!ok || digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
            return std::nullopt;
        return static_cast<qint32>(bits);
    }
    bool ok = false;
    const qint64 number = value.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

void SetBool(bool& field, const QString& value) {
    if (value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        field = true;
    else if (value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        field = false;
    else if (const auto number = ToInteger(value))
        field = *number != 0;
}

template <class T>
void SetInteger(T& field, const QString& value) {
    const auto number = ToInteger(value);
    if (number && *number >= std::numeric_limits<T>::min() &&
        *number <= std::numeric_limits<T>::max())
        field = static_cast<T>(*number);
}

void SetOption(SyntaxDefinition& s, const QString& key, const QString& value) {
    if (key == QLatin1String("casesensitive"))
        SetBool(s.caseSensitive, value);
    else if (key == QLatin1String("autocase"))
        SetBool(s.autoCase, value);
    else if (key == QLatin1String("autoindent"))
        SetBool(s.autoIndent, value);
    else if (key == QLatin1String("indentsize"))
        SetInteger(s.indentSize, value);
    else if (key == QLatin1String("functionstring"))
        s.functionString = value;
    else if (key == QLatin1String("argumentfile"))
        s.argumentFile = value;
    else if (key == QLatin1String("langstyle"))
        s.langStyle = value.compare(QLatin1String("sgml"), Qt::CaseInsensitive) == 0 ? 1 : 0;
    else if (key == QLatin1String("singlelinecomment"))
        s.singleLineComment = value;
    else if (key == QLatin1String("singlelinecommentalt"))
        s.singleLineCommentAlt = value;
    else if (key == QLatin1String("multilinecommentstart"))
        s.multiLineCommentStart = value;
    else if (key == QLatin1String("multilinecommentstartalt"))
        s.multiLineCommentStartAlt = value;
    else if (key == QLatin1String("multilinecommentend"))
        s.multiLineCommentEnd = value;
    else if (key == QLatin1String("multilinecommentendalt"))
        s.multiLineCommentEndAlt = value;
    else if (key == QLatin1String("escapechar"))
        s.escapeChar = value;
    else if (key == QLatin1String("syntaxstart"))
        s.syntaxStart = value;
    else if (key == QLatin1String("syntaxend"))
        s.syntaxEnd = value;
    else if (key == QLatin1String("stringdelimeters"))  // the key is spelled so
        s.stringDelimiters = value;
    else if (key == QLatin1String("terminatorchar"))
        s.terminator = value;
}

void SetColor(SyntaxDefinition& s, const QString& key, const QString& value) {
    static const std::pair<const char*, qint32 SyntaxDefinition::*> colors[] = {
        {"commentcolor", &SyntaxDefinition::commentColor},
        {"keywordcolor", &SyntaxDefinition::keywordColor},
        {"textcolor", &SyntaxDefinition::textColor},
        {"attribcolor", &SyntaxDefinition::attribColor},
        {"operatorcolor", &SyntaxDefinition::operatorColor},
        {"stringcolor", &SyntaxDefinition::stringColor},
        {"numbercolor", &SyntaxDefinition::numberColor},
    };
    for (const auto& [name, field] : colors)
        if (key == QLatin1String(name))
            SetInteger(s.*field, value);
}

// Syntax files come from Windows as often as not: UTF-8 when they are valid
// UTF-8, else Latin-1.
QString Decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}
}  // namespace

SyntaxDefinition SyntaxDefinition::Parse(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        SyntaxDefinition empty;
        empty.filePath = path;
        return empty;
    }
    SyntaxDefinition record = ParseText(Decode(file.readAll()));
    record.filePath = path;
    return record;
}

SyntaxDefinition SyntaxDefinition::ParseText(const QString& text) {
    SyntaxDefinition s;
    Section section = Section::None;
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        // No trimming before these tests: an indented line is neither a
        // comment nor a header.
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = SectionNamed(line.mid(1, line.size() - 2).toLower());
            continue;
        }
        switch (section) {
            case Section::None:
                break;
            case Section::Main:
            case Section::Options:
            case Section::Colors: {
                // A line without "=" names no key and is passed over.
                const qsizetype equals = line.indexOf(QLatin1Char('='));
                if (equals < 0)
                    break;
                const QString key = line.left(equals).toLower().trimmed();
                const QString value = line.mid(equals + 1).trimmed();
                if (section == Section::Main) {
                    if (key == QLatin1String("name"))
                        s.name = value;
                    else if (key == QLatin1String("filter"))
                        s.filter = value;
                } else if (section == Section::Options) {
                    SetOption(s, key, value);
                } else {
                    SetColor(s, key, value);
                }
                break;
            }
            case Section::Keywords:
            case Section::Attributes:
            case Section::Operators: {
                // Each line replaces the list: the section's last line wins.
                QString list = line;
                list.replace(QLatin1Char(' '), QLatin1Char('\n'));
                (section == Section::Keywords     ? s.keywords
                 : section == Section::Attributes ? s.attributes
                                                  : s.operators) = list;
                break;
            }
        }
    }
    return s;
}

QStringList SyntaxDefinition::KeywordList() const {
    return keywords.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Syntax files written on Windows separate its folders with backslashes.
QString SyntaxDefinition::ArgumentFilePath() const {
    if (argumentFile.isEmpty())
        return QString();
    QString relative = argumentFile;
    return ProgramFolder::File(relative.replace(QLatin1Char('\\'), QLatin1Char('/')));
}

bool SyntaxDefinition::ArgumentFileExists() const {
    return !argumentFile.isEmpty() && QFileInfo(ArgumentFilePath()).isFile();
}

QString SyntaxDefinition::ArgumentDescription(const QString& functionName) const {
    if (argumentFile.isEmpty() || functionName.isEmpty())
        return QString();
    QString value = mdlIniControl::ReadIniValue(ArgumentFilePath(), QStringLiteral("ArgumentsList"),
                                                functionName);
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0)
        value.truncate(nul);
    return value.left(mdlIniControl::MaxValueLength);
}

QString ControlStringDelimiters(const QString& raw) {
    if (raw.size() < 2)
        return raw;
    QString list;
    list.reserve(raw.size() * 2);
    for (const QChar c : raw) {
        list += c;
        list += QLatin1Char('\n');
    }
    list.chop(1);
    return list;
}

QStringList BlockEntries(const QString& value) {
    QStringList entries;
    for (const QString& entry : value.split(QLatin1Char('|')))
        if (const QString trimmed = entry.trimmed(); !trimmed.isEmpty())
            entries += trimmed;
    return entries;
}
