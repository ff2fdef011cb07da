// Writing and reading a 100 MB text file line by line: a Zorbel program
// (Print # and Line Input #, built by the shipped tool chain for release)
// against the same two loops written by hand with iostreams (g++ -O2), each
// run as a program in a temporary folder, side by side.
#include <QDir>
#include <QTemporaryDir>

#include "QtBenchMain.h"
#include "ToolChainBench.h"

namespace {

// 2,000,000 lines of 50 characters: 104 MB with the line ends.
const char Zorbel[] =
    "Option Explicit\n"
    "Sub Main()\n"
    "    Dim s As String, i As Long, n As Long\n"
    "    s = String$(50, \"z\")\n"
    "    Open \"lines.txt\" For Output As #1\n"
    "    For i = 1 To 2000000\n"
    "        Print #1, s\n"
    "    Next i\n"
    "    Close #1\n"
    "    Open \"lines.txt\" For Input As #1\n"
    "    Do While Not EOF(1)\n"
    "        Line Input #1, s\n"
    "        n = n + Len(s)\n"
    "    Loop\n"
    "    Close #1\n"
    "    Print n\n"
    "End Sub\n";

const char Hand[] =
    "#include <cstdio>\n#include <fstream>\n#include <string>\n"
    "int main() {\n"
    "    std::string s(50, 'z');\n"
    "    {\n"
    "        std::ofstream out(\"lines.txt\", std::ios::binary);\n"
    "        for (long i = 1; i <= 2000000; ++i) out << s << \"\\r\\n\";\n"
    "    }\n"
    "    long n = 0;\n"
    "    std::ifstream in(\"lines.txt\", std::ios::binary);\n"
    "    while (std::getline(in, s)) {\n"
    "        if (!s.empty() && s.back() == '\\r') s.pop_back();\n"
    "        n += static_cast<long>(s.size());\n"
    "    }\n"
    "    std::printf(\"%ld\\n\", n);\n"
    "}\n";

const QByteArray Result = "100000000";

// Both programs, built once in one temporary folder where they also run.
struct Programs {
    static Programs& Get() {
        static Programs programs;
        return programs;
    }
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zide-bench-XXXXXX")};
    QString path[2], error[2];  // 0 the Zorbel program, 1 the hand-written one

private:
    Programs() {
        path[0] = BuildZorbel(dir.path(), QStringLiteral("lines"), Zorbel, error[0]);
        path[1] = BuildHandCpp(dir.path(), QStringLiteral("lines"), Hand, error[1]);
    }
};

// state.range(0): 0 the Zorbel program, 1 the hand-written one.
void FileLines(benchmark::State& state) {
    Programs& p = Programs::Get();
    const int which = static_cast<int>(state.range(0));
    TimeProgram(state, p.path[which], p.error[which], p.dir.path(), Result,
                which == 0 ? "zorbel" : "hand C++");
    QFile::remove(p.dir.filePath(QStringLiteral("lines.txt")));
    state.SetBytesProcessed(state.iterations() * 2 * 104000000);
}
BENCHMARK(FileLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
