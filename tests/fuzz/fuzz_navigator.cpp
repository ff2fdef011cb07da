// The procedure navigator's scan of a whole module against a plain reference:
// split the text into lines, take each line's header as a lower-cased prefix
// test would, and count the headers at or above the caret. The scan of the
// editor's UTF-8 bytes gives what the scan of the same text as UTF-16 gives.
//
// Input: byte  caret line,  then the module's bytes.
#include "FuzzSupport.h"
#include "editor/ProcedureNavigator.h"

using FuzzSupport::Show;

namespace {

struct Prefix {
    const char* text;
    const char* suffix;
};
const Prefix Prefixes[] = {
    {"function ", ""},
    {"public function ", ""},
    {"sub ", ""},
    {"public sub ", ""},
    {"private function ", ""},
    {"private sub ", ""},
    {"property let ", "(PropertyLet)"},
    {"property get ", "(PropertyGet)"},
    {"private property let ", "(PropertyLet)"},
    {"private property get ", "(PropertyGet)"},
    {"public property let ", "(PropertyLet)"},
    {"public property get ", "(PropertyGet)"},
};

QString ReferenceEntry(const QString& line) {
    const QString head = line.section(QLatin1Char('('), 0, 0).trimmed();
    const QString lower = head.toLower();
    for (const Prefix& prefix : Prefixes) {
        const QLatin1String text(prefix.text);
        if (lower.startsWith(text))
            return head.mid(text.size()).trimmed() + QLatin1String(prefix.suffix);
    }
    return QString();
}

ProcedureScan Reference(const QString& text, int caretLine) {
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
            if (text[i] == QLatin1Char('\r') && i + 1 < text.size() &&
                text[i + 1] == QLatin1Char('\n'))
                ++i;
            lines << line;
            line.clear();
        } else {
            line += text[i];
        }
    }
    lines << line;

    ProcedureScan scan;
    scan.lineCount = static_cast<int>(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QString entry = ReferenceEntry(lines[i]);
        if (!entry.isNull())
            scan.entries << ProcedureEntry{entry, i};
    }
    const int at = std::max(caretLine, 1);
    if (at < scan.lineCount) {
        scan.selection = 0;
        for (const ProcedureEntry& entry : scan.entries)
            scan.selection += entry.line <= at ? 1 : 0;
    }
    return scan;
}

QString Describe(const ProcedureScan& scan) {
    QString out = QStringLiteral("%1 lines, selection %2:").arg(scan.lineCount).arg(scan.selection);
    for (const ProcedureEntry& e : scan.entries)
        out += QStringLiteral(" %1@%2").arg(Show(e.text)).arg(e.line);
    return out;
}

bool Same(const ProcedureScan& a, const ProcedureScan& b) {
    return a.entries == b.entries && a.lineCount == b.lineCount && a.selection == b.selection;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int caretLine = data[0] == 255 ? -1 : data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    const QString text = QString::fromUtf8(bytes);

    const ProcedureScan utf16 = ScanProcedures(text, caretLine);
    const ProcedureScan want = Reference(text, caretLine);
    FUZZ_EXPECT(Same(utf16, want), QStringLiteral("text %1 caret %2\nscan      %3\nreference %4")
                                       .arg(Show(bytes))
                                       .arg(caretLine)
                                       .arg(Describe(utf16), Describe(want)));
    const ProcedureScan utf8 = ScanProceduresUtf8(bytes, caretLine);
    FUZZ_EXPECT(Same(utf8, utf16), QStringLiteral("text %1 caret %2\nUTF-8  %3\nUTF-16 %4")
                                       .arg(Show(bytes))
                                       .arg(caretLine)
                                       .arg(Describe(utf8), Describe(utf16)));
    return 0;
}
