#include "editor/ParseLine.h"

#include <algorithm>
#include <vector>

OpenCall ParseLine(QStringView line, qsizetype caretColumn, QStringView escapeChar,
                   QStringView stringDelimiters) {
    // An empty escape character is code 0, as the editor's own strings have it.
    const char16_t escape = escapeChar.isEmpty() ? u'\0' : escapeChar.front().unicode();
    const qsizetype end = std::clamp<qsizetype>(caretColumn, 0, line.size());

    bool inString = false;
    bool escaped = false;
    char16_t delimiter = 0;
    qsizetype wordStart = 0;
    qsizetype previousWordStart = 0;
    // The stack is kept between calls: a deep line then costs no fresh memory
    // the next time round.
    static thread_local std::vector<cFunc> calls;
    calls.clear();

    for (qsizetype p = 0; p < end; ++p) {
        const char16_t c = line[p].unicode();
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == escape)
                escaped = true;
            else if (c == delimiter)
                inString = false;
            continue;
        }
        switch (c) {
            case u' ':
            case u'\t':
                if (wordStart != p)
                    previousWordStart = wordStart;
                wordStart = p + 1;
                break;
            case u'!':
            case u'.':
            case u'<':
            case u'=':
            case u'>':
            case u'@':
            case u'|':
                wordStart = p + 1;
                break;
            case u'(': {
                // "foo (" names the call by the word before the blanks, blanks included.
                const qsizetype from = wordStart == p ? previousWordStart : wordStart;
                calls.push_back(cFunc{from, p - from, p, 1});
                wordStart = p + 1;
                break;
            }
            case u')':
                if (!calls.empty())
                    calls.pop_back();
                break;
            case u',':
                if (!calls.empty())
                    ++calls.back().ArgumentIndex;
                break;
            default:
                if (stringDelimiters.contains(QChar(c))) {
                    inString = true;
                    escaped = false;
                    delimiter = c;
                }
                break;
        }
    }

    OpenCall result;
    if (calls.empty())
        return result;
    const cFunc& current = calls.back();
    result.open = true;
    result.function = line.mid(current.NameStart, current.NameLength).toString();
    result.argument = current.ArgumentIndex - 1;
    result.nameStart = current.NameStart;
    result.openParen = current.OpenParen;
    return result;
}
