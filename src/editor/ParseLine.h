#pragma once
#include <QString>
#include <QStringView>

// One open call while a line is analysed: where the name in front of its
// parenthesis lies in the line, and which argument the caret has reached
// (1 at the parenthesis, one more per comma). Names are kept as places in the
// line, so a line of ten thousand parentheses costs no string copies.
class cFunc {
public:
    qsizetype NameStart = 0;
    qsizetype NameLength = 0;
    qsizetype OpenParen = 0;  // where its "(" stands
    qint32 ArgumentIndex = 1;
};

// The innermost call still open at the caret.
struct OpenCall {
    bool open = false;        // false: the caret is inside no call
    QString function;         // name before the parenthesis, blanks included
    qint32 argument = -1;     // zero-based argument at the caret, -1 when no call is open
    qsizetype nameStart = 0;  // where the name begins in the line
    qsizetype openParen = 0;  // where the call's "(" stands
    bool operator==(const OpenCall&) const = default;
};

// Walks `line` up to `caretColumn` (exclusive, in QString units) once, keeping a
// stack of the calls opened and not yet closed. Characters found in
// `stringDelimiters` open a string that only the same character closes;
// inside it `escapeChar` (its first character) protects the next character.
// Commas and parentheses inside strings do not count.
OpenCall ParseLine(QStringView line, qsizetype caretColumn, QStringView escapeChar,
                   QStringView stringDelimiters);
