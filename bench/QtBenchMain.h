#pragma once
// The main() of a benchmark that needs widgets: an offscreen application
// unless a display is asked for, then every registered benchmark.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

inline int RunQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The main() of a benchmark that drives IDE windows: like RunQtBenchmarks, in
// a program folder and settings file of its own (the IDE writes there), with
// the built syntax files and the default solution, and modules coloured by
// zbl.syn.
inline int RunIdeBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    const QDir build(QStringLiteral(ZIDE_BINARY_DIR));
    QDir().mkpath(home.filePath("syntax"));
    for (const QString& name : build.entryList({"*.zsl", "*.reg"}, QDir::Files))
        QFile::copy(build.filePath(name), home.filePath(name));
    const QDir syntax(build.filePath("syntax"));
    for (const QString& name : syntax.entryList(QDir::Files))
        QFile::copy(syntax.filePath(name), home.filePath("syntax/" + name));
    qputenv("ZIDE_HOME", home.path().toLocal8Bit());
    qputenv("ZIDE_REGISTRY", home.filePath("registry.reg").toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SyntaxKey,
                              QStringLiteral("zbl"), QStringLiteral("zbl.syn"));
    if (!QFile::exists(ProgramFolder::File(QStringLiteral("syntax/zbl.syn")))) {
        std::fprintf(stderr, "no syntax/zbl.syn in %s: build the zide target first\n",
                     ZIDE_BINARY_DIR);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
