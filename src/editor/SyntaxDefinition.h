#pragma once
#include <QString>
#include <QStringList>

// One language as a syntax file (".syn" in the program folder's "syntax"
// folder) describes it: what the editor colours, folds and completes. Parsed
// line by line; a file that cannot be read gives the empty record, which
// leaves the editor uncoloured.
//
// Colours are 24-bit values with red in the low byte, then green, then blue.
// Word lists (keywords, attributes, operators) hold one entry per line,
// separated by LF, in the order the file lists them.
struct SyntaxDefinition {
    QString filePath;
    // [main]
    QString name;
    QString filter;
    // [options]
    bool caseSensitive = false;
    bool autoCase = false;
    bool autoIndent = false;
    qint16 indentSize = 0;
    QString escapeChar;
    QString argumentFile;  // relative to the program folder
    QString functionString;
    qint32 langStyle = 0;  // 1 for "sgml": tags, element and attribute names
    QString singleLineComment;
    QString singleLineCommentAlt;
    QString multiLineCommentStart;
    QString multiLineCommentStartAlt;
    QString multiLineCommentEnd;
    QString multiLineCommentEndAlt;
    QString syntaxStart;       // block start entries, separated by "|"
    QString syntaxEnd;         // block end entries, separated by "|"
    QString stringDelimiters;  // raw: the delimiter characters side by side
    QString terminator;
    // [keywords], [attributes], [operators]
    QString keywords;
    QString attributes;
    QString operators;
    // [colors]
    qint32 numberColor = 0;
    qint32 operatorColor = 0;
    qint32 keywordColor = 0;
    qint32 attribColor = 0;
    qint32 textColor = 0;
    qint32 commentColor = 0;
    qint32 stringColor = 0;

    // The record of the file at `path`; the empty record (with the path kept)
    // when it cannot be read.
    static SyntaxDefinition Parse(const QString& path);
    // The same rules on text already read, lines ending in LF, CR LF or CR.
    static SyntaxDefinition ParseText(const QString& text);

    // The non-empty keywords in file order: the entries of the code list.
    QStringList KeywordList() const;

    // Program folder + "/" + argument file; "" when the record names none.
    QString ArgumentFilePath() const;
    bool ArgumentFileExists() const;
    // The argument description of `functionName` from the argument file, at
    // most 254 characters; "" when the file or the entry is missing.
    QString ArgumentDescription(const QString& functionName) const;
};

// String delimiters as the editor takes them: one character per line. A value
// shorter than two characters stays as it is.
QString ControlStringDelimiters(const QString& raw);

// The block entries of a "syntaxstart" or "syntaxend" value, trimmed, empty
// ones dropped.
QStringList BlockEntries(const QString& value);
