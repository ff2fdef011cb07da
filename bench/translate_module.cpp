// Translating one generated module of 100,000 lines through the translator
// library: procedures with declarations, loops, conditions, output and
// string expressions, as a large program holds them.
#include <filesystem>
#include <fstream>
#include <string>

#include "ToolChainBench.h"

#include "translator/Translator.h"

namespace {

// One Function and one Sub, numbered `k`; 36 lines.
void AppendPair(std::string& s, int k) {
    const std::string n = std::to_string(k);
    s += "Function Score" + n + "(ByVal a As Long, ByVal b As Double) As Double\r\n";
    s += "    Dim i As Long, acc As Double\r\n";
    s += "    For i = 1 To a\r\n";
    s += "        If i Mod 3 = 0 Then\r\n";
    s += "            acc = acc + b * i\r\n";
    s += "        ElseIf i Mod 5 = 0 Then\r\n";
    s += "            acc = acc - i / 2\r\n";
    s += "        Else\r\n";
    s += "            acc = acc + 1\r\n";
    s += "        End If\r\n";
    s += "    Next i\r\n";
    s += "    Score" + n + " = acc\r\n";
    s += "End Function\r\n";
    s += "\r\n";
    s += "Sub Report" + n + "(ByVal title As String, ByVal count As Integer)\r\n";
    s += "    Dim text As String, k As Integer\r\n";
    s += "    ' The title, then one mark per step.\r\n";
    s += "    text = \"Report \" & title & \": \" & count\r\n";
    s += "    Do While k < count\r\n";
    s += "        k = k + 1\r\n";
    s += "        Select Case k\r\n";
    s += "            Case 1, 2\r\n";
    s += "                text = text & \" low\"\r\n";
    s += "            Case Is > 10\r\n";
    s += "                Exit Do\r\n";
    s += "            Case Else\r\n";
    s += "                text = text & \".\"\r\n";
    s += "        End Select\r\n";
    s += "    Loop\r\n";
    s += "    If Len(text) > 40 Then\r\n";
    s += "        Print Left$(text, 40)\r\n";
    s += "    Else\r\n";
    s += "        Print text; \" (\"; Score" + n + "(count, 1.5); \")\"\r\n";
    s += "    End If\r\n";
    s += "    total = total + k\r\n";
    s += "End Sub\r\n";
}

std::string GeneratedModule(int lines) {
    std::string s = "Option Explicit\r\n\r\nDim total As Long\r\n\r\n";
    int k = 0;
    while (lines > 50) {
        AppendPair(s, ++k);
        s += "\r\n";
        lines -= 37;
    }
    s += "Sub Main()\r\n    Report1 \"first\", 12\r\n    Print \"total\"; total\r\nEnd Sub\r\n";
    return s;
}

void TranslateModule(benchmark::State& state) {
    const std::string source = GeneratedModule(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        zbl::trans::Diagnostics diags;
        const zbl::trans::Translation t = zbl::trans::translate(source, "big.zbl", diags);
        if (!diags.empty()) {
            state.SkipWithError(("not translated: " + diags.front().message).c_str());
            break;
        }
        benchmark::DoNotOptimize(t.units.data());
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(TranslateModule)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same module through the translator program, as the build runs it:
// reading the file, translating, writing the C++ beside it.
void TranslateModuleTool(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("zbl-bench-translate-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "big.zbl", std::ios::binary)
        << GeneratedModule(static_cast<int>(state.range(0)));
    TimeTranslatorTool(state, dir / "big.zbl");
    std::filesystem::remove_all(dir);
}
BENCHMARK(TranslateModuleTool)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunAsTranslatorBenchmarks(argc, argv);
}
