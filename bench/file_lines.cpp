// Writing and reading a 100 MB text file line by line: a Zorbel program
// (Print # and Line Input #, built by the shipped tool chain for release)
// against the same two loops written by hand with iostreams (g++ -O2), each
// run as a program in a temporary folder, side by side.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

// Runs `program` in `dir`; its output when it ended with status 0, else
// `error` says why.
QByteArray Run(const QString& program, const QStringList& arguments, const QString& dir,
               QString& error) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        error = program + QStringLiteral(" did not finish");
        return {};
    }
    const QByteArray output = process.readAll();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        error = program + QStringLiteral(": ") + QString::fromUtf8(output);
    return output;
}

// Both programs, built once in one temporary folder where they also run.
class Programs {
public:
    static Programs& Get() {
        static Programs programs;
        return programs;
    }
    QString dir() const { return folder.path(); }
    QString path[2], error[2];  // 0 the Zorbel program, 1 the hand-written one

private:
    Programs() {
        const QString bin = QStringLiteral(ZIDE_BINARY_DIR "/bin/");
        const QString module = folder.filePath(QStringLiteral("lines.zbl"));
        Write(module, Zorbel);
        Run(bin + QStringLiteral("zbltrans"), {module}, dir(), error[0]);
        for (const char* tool : {"zbl-cc", "zbl-link"})
            if (error[0].isEmpty())
                Run(bin + QLatin1String(tool), {QStringLiteral("release"), module}, dir(),
                    error[0]);
        if (error[0].isEmpty())
            path[0] = folder.filePath(QStringLiteral("lines.exe"));

        const QString source = folder.filePath(QStringLiteral("lines-hand.cpp"));
        Write(source, Hand);
        Run(QStringLiteral("g++"),
            {QStringLiteral("-O2"), source, QStringLiteral("-o"),
             folder.filePath(QStringLiteral("lines-hand"))},
            dir(), error[1]);
        if (error[1].isEmpty())
            path[1] = folder.filePath(QStringLiteral("lines-hand"));
    }
    static void Write(const QString& path, const char* text) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }

    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/zide-bench-XXXXXX")};
};

// state.range(0): 0 the Zorbel program, 1 the hand-written one.
void FileLines(benchmark::State& state) {
    Programs& programs = Programs::Get();
    const int which = static_cast<int>(state.range(0));
    if (programs.path[which].isEmpty()) {
        state.SkipWithError(("not built: " + programs.error[which].left(400)).toUtf8().constData());
        return;
    }
    state.SetLabel(which == 0 ? "zorbel" : "hand C++");
    for (auto _ : state) {
        QString error;
        const QByteArray output = Run(programs.path[which], {}, programs.dir(), error);
        if (!error.isEmpty() || output.trimmed() != Result) {
            state.SkipWithError(("wrong result: " + output.trimmed() + error.toUtf8()).constData());
            break;
        }
    }
    QFile::remove(programs.dir() + QStringLiteral("/lines.txt"));
    state.SetBytesProcessed(state.iterations() * 2 * 104000000);
}
BENCHMARK(FileLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
