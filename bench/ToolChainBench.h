#pragma once
// What the tool-chain benchmarks share: running a program, building a
// Zorbel program with the shipped tool chain and its hand-written C++
// counterpart, timing them side by side, and the main() of a benchmark
// that times the translator as its program runs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <string>

// Runs `program` in `dir`; its output when it ended with status 0, else
// `error` says why.
inline QByteArray RunProgram(const QString& program, const QStringList& arguments,
                             const QString& dir, QString& error) {
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

inline void WriteText(const QString& path, const char* text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

// `module` in `dir` translated, compiled and linked for release with the
// shipped tool chain; `error` says why when a step failed.
inline void BuildModule(const QString& dir, const QString& module, QString& error) {
    const QString bin = QStringLiteral(ZIDE_BINARY_DIR "/bin/");
    RunProgram(bin + QStringLiteral("zbltrans"), {module}, dir, error);
    for (const char* tool : {"zbl-cc", "zbl-link"})
        if (error.isEmpty())
            RunProgram(bin + QLatin1String(tool), {QStringLiteral("release"), module}, dir, error);
}

// `source` as dir/name.zbl, built: the program's path, or "" with the
// reason in `error`.
inline QString BuildZorbel(const QString& dir, const QString& name, const char* source,
                           QString& error) {
    const QString module = dir + QLatin1Char('/') + name + QStringLiteral(".zbl");
    WriteText(module, source);
    BuildModule(dir, module, error);
    return error.isEmpty() ? dir + QLatin1Char('/') + name + QStringLiteral(".exe") : QString();
}

// `source` as dir/name-hand.cpp built with g++ -O2.
inline QString BuildHandCpp(const QString& dir, const QString& name, const char* source,
                            QString& error) {
    const QString cpp = dir + QLatin1Char('/') + name + QStringLiteral("-hand.cpp");
    const QString program = dir + QLatin1Char('/') + name + QStringLiteral("-hand");
    WriteText(cpp, source);
    RunProgram(QStringLiteral("g++"), {QStringLiteral("-O2"), cpp, QStringLiteral("-o"), program},
               dir, error);
    return error.isEmpty() ? program : QString();
}

// Times `program` (labelled `label`), which must print `result`.
inline void TimeProgram(benchmark::State& state, const QString& program, const QString& error,
                        const QString& dir, const QByteArray& result, const char* label) {
    if (program.isEmpty()) {
        state.SkipWithError(("not built: " + error.left(400)).toUtf8().constData());
        return;
    }
    state.SetLabel(label);
    for (auto _ : state) {
        QString failed;
        const QByteArray output = RunProgram(program, {}, dir, failed);
        if (!failed.isEmpty() || output.trimmed() != result) {
            state.SkipWithError(
                ("wrong result: " + output.trimmed() + failed.toUtf8()).constData());
            break;
        }
    }
}

// Times the translator program on `module` in its folder, as a build runs it.
inline void TimeTranslatorTool(benchmark::State& state, const std::filesystem::path& module) {
    const std::string command = "cd '" + module.parent_path().string() +
                                "' && '" ZIDE_BINARY_DIR "/bin/zbltrans' '" +
                                module.filename().string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("zbltrans failed");
            break;
        }
    }
}

// The main() of a translator benchmark: run with glibc's huge pages and one
// arena, which the translator program turns on for itself, so the library
// and the program are measured alike.
inline int RunAsTranslatorBenchmarks(int argc, char** argv) {
    if (!std::getenv("ZBLTRANS_TUNED")) {
        setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1", 1);
        setenv("ZBLTRANS_TUNED", "1", 1);
        execv("/proc/self/exe", argv);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
