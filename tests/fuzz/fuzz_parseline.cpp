// ParseLine, which finds the call the caret is in for the argument tip,
// against a plain reference: mark what lies inside strings, then walk back
// from the caret to the innermost "(" not closed before it and count the
// commas between. Nothing after the caret matters, and the name it reports is
// the text in front of that "(".
//
// Input: byte  caret column,  byte  flags (bit 0: an escape character),
// escape character, delimiters field (0x00 ended), the line (UTF-8).
#include <vector>

#include "FuzzSupport.h"
#include "editor/ParseLine.h"

using FuzzSupport::Show;

namespace {

OpenCall Reference(QStringView line, qsizetype caret, QStringView escape, QStringView delimiters) {
    const qsizetype end = std::clamp<qsizetype>(caret, 0, line.size());
    std::vector<bool> code(end, true);
    const QChar escapeChar = escape.isEmpty() ? QChar(0) : escape.front();
    for (qsizetype p = 0; p < end; ++p) {
        if (!delimiters.contains(line[p]) || line[p] == QLatin1Char('(') ||
            line[p] == QLatin1Char(')') || line[p] == QLatin1Char(',') ||
            line[p] == QLatin1Char(' ') || line[p] == QLatin1Char('\t') ||
            QStringView(u"!.<=>@|").contains(line[p]))
            continue;
        // A string: up to the same delimiter, the escape protecting one character.
        const QChar delimiter = line[p];
        qsizetype q = p + 1;
        while (q < end && (line[q] == escapeChar || line[q] != delimiter))
            q += line[q] == escapeChar ? 2 : 1;
        for (qsizetype i = p + 1; i < std::min(q, end); ++i)
            code[i] = false;
        p = q;
    }
    OpenCall result;
    int depth = 0;
    int commas = 0;
    for (qsizetype p = end - 1; p >= 0; --p) {
        if (!code[p])
            continue;
        if (line[p] == QLatin1Char(')')) {
            ++depth;
        } else if (line[p] == QLatin1Char('(')) {
            if (depth == 0) {
                result.open = true;
                result.openParen = p;
                result.argument = commas;
                return result;
            }
            --depth;
        } else if (line[p] == QLatin1Char(',') && depth == 0) {
            ++commas;
        }
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::FieldReader in(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const int caretByte = in.Byte();
    const quint8 flags = in.Byte();
    const QString escape = (flags & 1) ? QString(QChar(in.Byte())) : QString();
    const QString delimiters = QString::fromUtf8(in.Field());
    const QString line = QString::fromUtf8(in.Rest());
    // Past the end and before the start as well as inside.
    const qsizetype caret = caretByte == 255 ? -1 : caretByte;

    const OpenCall got = ParseLine(line, caret, escape, delimiters);
    const OpenCall want = Reference(line, caret, escape, delimiters);
    const auto where = [&] {
        return QStringLiteral("line %1 caret %2 escape %3 delimiters %4")
            .arg(Show(line))
            .arg(caret)
            .arg(Show(escape), Show(delimiters));
    };
    FUZZ_EXPECT(
        got.open == want.open && got.openParen == want.openParen && got.argument == want.argument,
        QStringLiteral("%1: open %2 at %3 argument %4, reference open %5 at %6 argument %7")
            .arg(where())
            .arg(got.open)
            .arg(got.openParen)
            .arg(got.argument)
            .arg(want.open)
            .arg(want.openParen)
            .arg(want.argument));
    if (got.open)
        FUZZ_EXPECT(got.nameStart <= got.openParen &&
                        got.function == line.mid(got.nameStart, got.openParen - got.nameStart),
                    QStringLiteral("%1: name %2 from %3")
                        .arg(where(), Show(got.function))
                        .arg(got.nameStart));
    else
        FUZZ_EXPECT(got == OpenCall{}, where());

    // What follows the caret changes nothing.
    const qsizetype cut = std::clamp<qsizetype>(caret, 0, line.size());
    FUZZ_EXPECT(
        ParseLine(QStringView(line).left(cut), line.size(), escape, delimiters) == got || caret < 0,
        where());
    return 0;
}
