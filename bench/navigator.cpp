// The procedure scan that runs whenever the caret changes line: over the
// text alone, and through the navigator with a real editor and lists.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>

#include "QtBenchMain.h"
#include "editor/CodeEditor.h"
#include "editor/ProcedureNavigator.h"

namespace {
// A module of `lines` lines: a procedure every 20 lines, bodies indented,
// with statements that begin like headers (Print, Set, For, Prop...).
QByteArray Module(int lines) {
    static const char* const headers[] = {
        "Public Function Compute%1(ByVal a As Long, b As String) As Long",
        "Private Sub Handler%1_Click()",
        "Sub Worker%1",
        "Public Property Get Value%1() As Long",
        "Property Let Value%1(ByVal v As Long)",
    };
    static const char* const body[] = {
        "    Dim total%1 As Long ' running total",
        "    For i = 1 To 10",
        "        Print \"Item \"; i; Format$(total, \"0.00\")",
        "        Set obj = New Collection",
        "    Next i",
        "    property_count = property_count + 1",
        "    If a > b Then s = Left$(s, 3) Else s = Mid$(s, 2, 4)",
        "",
        "    ' Sub and Function written in a comment are no headers",
        "    subtotal = subtotal + Fn(a, b)",
    };
    QByteArray text;
    text.reserve(lines * 44);
    for (int i = 0; i < lines; ++i) {
        const int inBlock = i % 20;
        QString line;
        if (inBlock == 0)
            line = QString::fromLatin1(headers[(i / 20) % 5]);
        else if (inBlock == 18)
            line = QStringLiteral("End Function");
        else if (inBlock == 19)
            line = QString();
        else
            line = QString::fromLatin1(body[inBlock % 10]);
        line.replace(QStringLiteral("%1"), QString::number(i));
        text += line.toLatin1();
        if (i + 1 < lines)
            text += "\r\n";
    }
    return text;
}

void BM_ScanUtf8(benchmark::State& state) {
    const QByteArray text = Module(static_cast<int>(state.range(0)));
    int caret = 0;
    for (auto _ : state) {
        caret = (caret + 7919) % static_cast<int>(state.range(0));
        benchmark::DoNotOptimize(ScanProceduresUtf8(text, caret));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ScanUtf8)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ScanUtf16(benchmark::State& state) {
    const QString text = QString::fromLatin1(Module(static_cast<int>(state.range(0))));
    int caret = 0;
    for (auto _ : state) {
        caret = (caret + 7919) % static_cast<int>(state.range(0));
        benchmark::DoNotOptimize(ScanProcedures(text, caret));
    }
}
BENCHMARK(BM_ScanUtf16)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What a caret move costs: read the editor's buffer, scan, select in the lists.
void BM_NavigatorScan(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    CodeEditor editor;
    QComboBox objects;
    QComboBox procedures;
    ProcedureNavigator navigator(&editor, &objects, &procedures);
    editor.SetText(QString::fromLatin1(Module(lines)));
    navigator.Scan();
    int caret = 0;
    for (auto _ : state) {
        state.PauseTiming();
        caret = (caret + 7919) % lines;
        editor.setCursorPosition(caret, 0);
        state.ResumeTiming();
        navigator.Scan();
    }
    if (procedures.count() != lines / 20 + 1)
        state.SkipWithError("unexpected procedure count");
}
BENCHMARK(BM_NavigatorScan)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same after an edit: the procedure list is rebuilt as well.
void BM_NavigatorScanAfterEdit(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    CodeEditor editor;
    QComboBox objects;
    QComboBox procedures;
    ProcedureNavigator navigator(&editor, &objects, &procedures);
    editor.SetText(QString::fromLatin1(Module(lines)));
    navigator.Scan();
    bool renamed = false;
    for (auto _ : state) {
        state.PauseTiming();
        // Rename the first procedure back and forth at the caret.
        renamed = !renamed;
        editor.setSelection(0, 16, 0, 23);
        editor.replaceSelectedText(renamed ? "Renamed" : "Compute");
        state.ResumeTiming();
        navigator.Scan();
    }
}
BENCHMARK(BM_NavigatorScanAfterEdit)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
