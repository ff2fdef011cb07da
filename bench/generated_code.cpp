// What the translator's C++ costs at run time: three algorithms, each as a
// Zorbel program (translated, compiled and linked by the shipped tool chain
// for release) and as the same algorithm written by hand in C++ (g++ -O2),
// each run as a program, side by side.
#include <QDir>
#include <QTemporaryDir>
#include <iterator>

#include "QtBenchMain.h"
#include "ToolChainBench.h"

namespace {

struct Algorithm {
    const char* name;
    const char* zorbel;
    const char* hand;
    const char* result;  // what both print, blanks aside
};

const Algorithm Algorithms[] = {
    {"sieve",
     "Option Explicit\n"
     "Sub Main()\n"
     "    Const N As Long = 10000000\n"
     "    Dim composite() As Byte\n"
     "    Dim i As Long, j As Long, count As Long\n"
     "    ReDim composite(N)\n"
     "    For i = 2 To N\n"
     "        If composite(i) = 0 Then\n"
     "            count = count + 1\n"
     "            If i <= N \\ i Then\n"
     "                For j = i * i To N Step i\n"
     "                    composite(j) = 1\n"
     "                Next j\n"
     "            End If\n"
     "        End If\n"
     "    Next i\n"
     "    Print count\n"
     "End Sub\n",
     "#include <cstdio>\n#include <vector>\n"
     "int main() {\n"
     "    const long n = 10000000;\n"
     "    std::vector<unsigned char> composite(n + 1);\n"
     "    long count = 0;\n"
     "    for (long i = 2; i <= n; ++i)\n"
     "        if (composite[i] == 0) {\n"
     "            ++count;\n"
     "            if (i <= n / i)\n"
     "                for (long j = i * i; j <= n; j += i) composite[j] = 1;\n"
     "        }\n"
     "    std::printf(\"%ld\\n\", count);\n"
     "}\n",
     "664579"},
    {"appends",
     "Option Explicit\n"
     "Sub Main()\n"
     "    Dim s As String, i As Long\n"
     "    For i = 1 To 1000000\n"
     "        s = s & \"x\"\n"
     "    Next i\n"
     "    Print Len(s)\n"
     "End Sub\n",
     "#include <cstdio>\n#include <string>\n"
     "int main() {\n"
     "    std::string s;\n"
     "    for (long i = 1; i <= 1000000; ++i) s += \"x\";\n"
     "    std::printf(\"%zu\\n\", s.size());\n"
     "}\n",
     "1000000"},
    // Ten passes of filling and summing a 1000 x 1000 array, the first index
    // running fastest as the array is stored column by column.
    {"matrix",
     "Option Explicit\n"
     "Sub Main()\n"
     "    Dim a() As Double\n"
     "    Dim i As Long, j As Long, pass As Long, total As Double\n"
     "    ReDim a(1 To 1000, 1 To 1000)\n"
     "    For pass = 1 To 10\n"
     "        For j = 1 To 1000\n"
     "            For i = 1 To 1000\n"
     "                a(i, j) = i * j / 2\n"
     "            Next i\n"
     "        Next j\n"
     "        total = 0\n"
     "        For j = 1 To 1000\n"
     "            For i = 1 To 1000\n"
     "                total = total + a(i, j)\n"
     "            Next i\n"
     "        Next j\n"
     "    Next pass\n"
     "    Print total\n"
     "End Sub\n",
     "#include <cstdio>\n#include <vector>\n"
     "int main() {\n"
     "    std::vector<double> a(1000 * 1000);\n"
     "    double total = 0;\n"
     "    for (long pass = 1; pass <= 10; ++pass) {\n"
     "        for (long j = 1; j <= 1000; ++j)\n"
     "            for (long i = 1; i <= 1000; ++i)\n"
     "                a[(i - 1) + (j - 1) * 1000] = static_cast<double>(i * j) / 2;\n"
     "        total = 0;\n"
     "        for (long j = 1; j <= 1000; ++j)\n"
     "            for (long i = 1; i <= 1000; ++i) total += a[(i - 1) + (j - 1) * 1000];\n"
     "    }\n"
     "    std::printf(\"%.15g\\n\", total);\n"
     "}\n",
     "125250125000"},
};

// Both programs of every algorithm, built once in one temporary folder.
class Programs {
public:
    static Programs& Get() {
        static Programs programs;
        return programs;
    }
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zide-bench-XXXXXX")};
    // [algorithm][0 the Zorbel program, 1 the hand-written one]
    QString path[std::size(Algorithms)][2], error[std::size(Algorithms)][2];

private:
    Programs() {
        for (std::size_t i = 0; i < std::size(Algorithms); ++i) {
            const QString name = QString::fromLatin1(Algorithms[i].name);
            path[i][0] = BuildZorbel(dir.path(), name, Algorithms[i].zorbel, error[i][0]);
            path[i][1] = BuildHandCpp(dir.path(), name, Algorithms[i].hand, error[i][1]);
        }
    }
};

// state.range(0): 0 the Zorbel program, 1 the hand-written one.
void RunAlgorithm(benchmark::State& state, int index) {
    Programs& p = Programs::Get();
    const int which = static_cast<int>(state.range(0));
    TimeProgram(state, p.path[index][which], p.error[index][which], p.dir.path(),
                QByteArray(Algorithms[index].result), which == 0 ? "zorbel" : "hand C++");
}

void Sieve(benchmark::State& state) {
    RunAlgorithm(state, 0);
}
void Appends(benchmark::State& state) {
    RunAlgorithm(state, 1);
}
void Matrix(benchmark::State& state) {
    RunAlgorithm(state, 2);
}
BENCHMARK(Sieve)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Appends)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Matrix)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
