// Translating a solution of 50 modules joined by #Include: a main module,
// a chain of 48 modules each including the next, and a common module that
// every one of them includes. Through the translator library, and through
// the translator program as the build runs it; then the whole build, and
// the build again after an edit to one module.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ToolChainBench.h"
#include "translator/Translator.h"

namespace {

namespace fs = std::filesystem;

const int Chained = 48;  // mod1.zbl .. mod48.zbl

std::string CommonModule() {
    return "Option Explicit\r\n"
           "\r\n"
           "Public Total As Long\r\n"
           "\r\n"
           "Public Function Clamp(ByVal v As Long, ByVal lo As Long, ByVal hi As Long) As Long\r\n"
           "    If v < lo Then\r\n"
           "        Clamp = lo\r\n"
           "    ElseIf v > hi Then\r\n"
           "        Clamp = hi\r\n"
           "    Else\r\n"
           "        Clamp = v\r\n"
           "    End If\r\n"
           "End Function\r\n";
}

// Module `k` of the chain; 60 lines. Each has its own Private Helper and
// counter, and calls on into the next module.
std::string ChainModule(int k) {
    const std::string n = std::to_string(k);
    const std::string next = std::to_string(k + 1);
    std::string s = "Option Explicit\r\n#Include \"common.zbl\"\r\n";
    if (k < Chained)
        s += "#Include \"mod" + next + ".zbl\"\r\n";
    s += "\r\n";
    s += "Private calls As Long\r\n";
    s += "\r\n";
    s += "Private Sub Helper(ByVal v As Long)\r\n";
    s += "    calls = calls + 1\r\n";
    s += "    Total = Total + v\r\n";
    s += "    If calls Mod 100 = 0 Then\r\n";
    s += "        Print \"module " + n + ":\"; calls\r\n";
    s += "    End If\r\n";
    s += "End Sub\r\n";
    s += "\r\n";
    s += "Public Function Sum" + n + "(ByVal count As Long) As Long\r\n";
    s += "    Dim i As Long, acc As Long\r\n";
    s += "    For i = 1 To count\r\n";
    s += "        If i Mod 2 = 0 Then\r\n";
    s += "            acc = acc + i\r\n";
    s += "        Else\r\n";
    s += "            acc = acc - 1\r\n";
    s += "        End If\r\n";
    s += "    Next i\r\n";
    s += "    Helper acc\r\n";
    s += "    Sum" + n + " = acc\r\n";
    s += "End Function\r\n";
    s += "\r\n";
    s += "Public Function Name" + n + "(ByVal prefix As String) As String\r\n";
    s += "    Dim text As String, j As Integer\r\n";
    s += "    text = prefix\r\n";
    s += "    Do While j < 3\r\n";
    s += "        j = j + 1\r\n";
    s += "        text = text & \"-\" & j\r\n";
    s += "    Loop\r\n";
    s += "    Name" + n + " = text & \" " + n + "\"\r\n";
    s += "End Function\r\n";
    s += "\r\n";
    s += "Public Function Chain" + n + "(ByVal depth As Long) As Long\r\n";
    s += "    If depth <= 0 Then\r\n";
    s += "        Chain" + n + " = Clamp(Sum" + n + "(depth + 10), 0, 1000)\r\n";
    if (k < Chained) {
        s += "    Else\r\n";
        s += "        Chain" + n + " = Chain" + next + "(depth - 1) + 1\r\n";
    }
    s += "    End If\r\n";
    s += "End Function\r\n";
    s += "\r\n";
    s += "Public Sub Report" + n + "()\r\n";
    s += "    Dim d As Double, t As String\r\n";
    s += "    d = Sum" + n + "(20) / 3\r\n";
    s += "    t = Name" + n + "(\"report\")\r\n";
    s += "    Select Case d\r\n";
    s += "        Case Is > 10\r\n";
    s += "            Print t; \" big \"; d\r\n";
    s += "        Case Else\r\n";
    s += "            Print t; \" small\"\r\n";
    s += "    End Select\r\n";
    s += "    Helper Len(t)\r\n";
    s += "End Sub\r\n";
    return s;
}

std::string MainModule() {
    std::string s =
        "Option Explicit\r\n#Include \"common.zbl\"\r\n#Include \"mod1.zbl\"\r\n\r\n"
        "Sub Main()\r\n"
        "    Dim r As Long\r\n"
        "    r = Chain1(" +
        std::to_string(Chained - 1) + ")\r\n";
    for (int k = 1; k <= Chained; ++k)
        s += "    Report" + std::to_string(k) + "\r\n";
    s += "    Print \"chain\"; r; \"total\"; Total\r\nEnd Sub\r\n";
    return s;
}

// The solution's files in a temporary folder, removed at the end.
struct Solution {
    Solution() {
        dir = fs::temp_directory_path() / ("zbl-bench-include-" + std::to_string(getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "common.zbl", std::ios::binary) << CommonModule();
        for (int k = 1; k <= Chained; ++k)
            std::ofstream(dir / ("mod" + std::to_string(k) + ".zbl"), std::ios::binary)
                << ChainModule(k);
        main = MainModule();
        std::ofstream(dir / "main.zbl", std::ios::binary) << main;
    }
    ~Solution() { fs::remove_all(dir); }
    fs::path dir;
    std::string main;
};

void IncludeModules(benchmark::State& state) {
    const Solution solution;
    const std::string fileName = (solution.dir / "main.zbl").string();
    for (auto _ : state) {
        zbl::trans::Diagnostics diags;
        const zbl::trans::Translation t = zbl::trans::translate(solution.main, fileName, diags);
        const std::vector<std::string>& files = t.files;
        if (!diags.empty()) {
            const zbl::trans::Diagnostic& d = diags.front();
            const std::string where = d.pos.file < int(files.size()) ? files[d.pos.file] : fileName;
            state.SkipWithError(
                ("not translated: " + where + ":" + std::to_string(d.pos.line) + ": " + d.message)
                    .c_str());
            break;
        }
        if (files.size() != Chained + 2) {
            state.SkipWithError(("read " + std::to_string(files.size()) + " modules").c_str());
            break;
        }
        benchmark::DoNotOptimize(t.units.data());
    }
}
BENCHMARK(IncludeModules)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same solution through the translator program, which writes a C++ unit a module.
void IncludeModulesTool(benchmark::State& state) {
    const Solution solution;
    TimeTranslatorTool(state, solution.dir / "main.zbl");
}
BENCHMARK(IncludeModulesTool)->Unit(benchmark::kMillisecond)->UseRealTime();

// Builds the solution's main module; false, with the reason, when it fails.
bool BuildSolution(benchmark::State& state, const Solution& solution) {
    const QString dir = QString::fromStdString(solution.dir.string());
    QString error;
    BuildModule(dir, dir + QStringLiteral("/main.zbl"), error);
    if (!error.isEmpty())
        state.SkipWithError(("not built: " + error.left(400)).toUtf8().constData());
    return error.isEmpty();
}

// The whole build of the 50 modules with an empty object cache: every unit
// is compiled, as many at a time as there are cores.
void FullBuild(benchmark::State& state) {
    Solution solution;
    const fs::path cache = solution.dir / "cache";
    setenv("ZIDE_CACHE", cache.c_str(), 1);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(cache);
        state.ResumeTiming();
        if (!BuildSolution(state, solution))
            break;
    }
    unsetenv("ZIDE_CACHE");
}
BENCHMARK(FullBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The build again after one module of the 50 changed: every module is
// translated, only the changed one is compiled, the program linked.
void RebuildAfterEdit(benchmark::State& state) {
    Solution solution;
    const fs::path cache = solution.dir / "cache";
    setenv("ZIDE_CACHE", cache.c_str(), 1);
    if (!BuildSolution(state, solution))
        return;
    int edit = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string text = ChainModule(17);
        text.replace(text.find("report"), 6, "edit" + std::to_string(++edit));
        std::ofstream(solution.dir / "mod17.zbl", std::ios::binary) << text;
        state.ResumeTiming();
        if (!BuildSolution(state, solution))
            break;
    }
    unsetenv("ZIDE_CACHE");
}
BENCHMARK(RebuildAfterEdit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    return RunAsTranslatorBenchmarks(argc, argv);
}
