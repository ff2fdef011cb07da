// Colouring under a syntax file with many block entries: symbols such as
// "{1" and "}1" and phrases such as "Begin 1" and "End Begin 1", all sharing
// their first characters. The module is 64 KB, 256 KB or 1 MB of lines that
// use them; the syntax file has 30 or 3000 entries of each kind. The cost per
// byte must grow neither with the module nor with the syntax file.
// - the scanner alone, line by line,
// - the editor's colouring of the whole module (styles and fold levels).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "QtBenchMain.h"
#include "editor/CodeEditor.h"
#include "editor/SyntaxDefinition.h"
#include "editor/SyntaxLexer.h"
#include "editor/SyntaxScanner.h"

namespace {
SyntaxDefinition ManyBlocks(int entries) {
    QString text =
        QStringLiteral("[options]\nsinglelinecomment='\nstringdelimeters=\"\nsyntaxstart=");
    for (int i = 0; i < entries; ++i)
        text += QStringLiteral("{%1|<[%1|Begin %1|").arg(i);
    text += QStringLiteral("\nsyntaxend=");
    for (int i = 0; i < entries; ++i)
        text += QStringLiteral("}%1|]>%1|End Begin %1|").arg(i);
    text +=
        QStringLiteral("\n[keywords]\nDim As Long If Then End Begin\n[operators]\n= + - ( ) < >\n");
    return SyntaxDefinition::ParseText(text);
}

// `kilobytes` KB of lines that open and close blocks in every way the
// syntax file allows, with plain code between.
QByteArray Module(int kilobytes, int entries) {
    static const char* const lines[] = {
        "Begin %1",
        "    Dim x%1 As Long ' {%1 in a comment",
        "    x%1 = (x%1 + 1) * {%1 - 2 }%1 < [ 3 ] >",
        "    s = \"<[%1 inside a string\" + <[%1 y ]>%1",
        "    If x%1 > 2 Then x%1 = x%1 - {{ 1 }}",
        "End Begin %1",
    };
    QByteArray text;
    const qsizetype size = kilobytes * qsizetype(1024);
    for (int i = 0; text.size() < size; ++i)
        text += QByteArray(lines[i % 6]).replace("%1", QByteArray::number(i / 6 % entries)) + '\n';
    text.truncate(size);
    return text;
}

void BM_ScanManyBlockSymbols(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(1));
    const SyntaxScanner scanner(ManyBlocks(entries));
    const QByteArray text = Module(static_cast<int>(state.range(0)), entries);
    const QList<QByteArray> lines = text.split('\n');
    QByteArray styles(text.size(), '\0');
    for (auto _ : state) {
        SyntaxScanner::LineState line;
        for (const QByteArray& each : lines)
            line = scanner.ScanLine(each.constData(), static_cast<int>(each.size()), line,
                                    styles.data());
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ScanManyBlockSymbols)
    ->ArgsProduct({{64, 256, 1024}, {30, 3000}})
    ->ArgNames({"KB", "entries"})
    ->Unit(benchmark::kMillisecond);

void BM_ColourManyBlockSymbols(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(1));
    CodeEditor editor;
    editor.setLexer(new SyntaxLexer(ManyBlocks(entries), &editor));
    editor.setFolding(QsciScintilla::BoxedTreeFoldStyle, 2);
    const QByteArray text = Module(static_cast<int>(state.range(0)), entries);
    editor.SetText(QString::fromLatin1(text));
    for (auto _ : state) {
        editor.SendScintilla(QsciScintillaBase::SCI_CLEARDOCUMENTSTYLE);
        editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ColourManyBlockSymbols)
    ->ArgsProduct({{64, 256, 1024}, {30, 3000}})
    ->ArgNames({"KB", "entries"})
    ->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
