// Typing while the backups of ten modules of 100,000 lines (about 4 MB each)
// are copied and written: the longest gap between two keystrokes handled is
// the pause a user would feel. Keys arrive every millisecond, with the event
// loop running and the typed module on screen. The same without backups
// ("backups:0") is the machine's own floor.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>
#include <memory>
#include <vector>

#include "QtBenchMain.h"
#include "editor/EditorWindow.h"
#include "shell/ModuleBackup.h"

namespace {
constexpr int Modules = 10;

QString BigModule(const QTemporaryDir& dir, int index) {
    const QString path = dir.filePath(QStringLiteral("big%1.zbl").arg(index));
    QByteArray bytes;
    bytes.reserve(4200000);
    for (int i = 0; i < 100000; ++i)
        bytes += "    Dim value" + QByteArray::number(i) + " As Long ' running total\r\n";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// Processor time this thread has used: on a loaded machine the gaps also hold
// time spent waiting for a processor, which this leaves out.
qint64 ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void TypeKey(QWidget* editor) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(editor, &press);
    QCoreApplication::sendEvent(editor, &release);
}

void BM_TypingWhileBackingUp(benchmark::State& state) {
    QTemporaryDir dir;
    ModuleBackup backups(dir.filePath(QStringLiteral("backup")));
    std::vector<std::unique_ptr<EditorWindow>> windows;
    for (int i = 0; i < Modules; ++i) {
        windows.push_back(std::make_unique<EditorWindow>());
        if (!windows.back()->LoadFile(BigModule(dir, i))) {
            state.SkipWithError("module not loaded");
            return;
        }
        backups.Watch(windows.back().get());
    }
    EditorWindow* typed = windows.front().get();
    typed->resize(900, 700);
    typed->show();
    QCoreApplication::processEvents();

    qint64 worstNs = 0;
    qint64 worstCpuNs = 0;
    qint64 cpuAtKey = 0;
    qint64 keys = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& window : windows)
            window->Editor()->insertAt(QStringLiteral("' changed\n"), 0, 0);
        state.ResumeTiming();

        QEventLoop loop;
        QObject::connect(&backups, &ModuleBackup::Settled, &loop, &QEventLoop::quit);
        QElapsedTimer sinceKey;
        QTimer typist;
        typist.setInterval(1);
        QObject::connect(&typist, &QTimer::timeout, [&] {
            worstNs = qMax(worstNs, sinceKey.nsecsElapsed());
            worstCpuNs = qMax(worstCpuNs, ThreadCpuNs() - cpuAtKey);
            TypeKey(typed->Editor());
            sinceKey.restart();
            cpuAtKey = ThreadCpuNs();
            ++keys;
        });
        typist.start();
        sinceKey.start();
        cpuAtKey = ThreadCpuNs();
        if (state.range(0)) {
            backups.BackUpNow();
        } else {
            QTimer::singleShot(400, &loop, &QEventLoop::quit);
        }
        loop.exec();
        typist.stop();
    }
    state.counters["max_gap_ms"] = static_cast<double>(worstNs) / 1e6;
    state.counters["max_gap_cpu_ms"] = static_cast<double>(worstCpuNs) / 1e6;
    state.counters["keys"] = static_cast<double>(keys);
    backups.Finish();
}
BENCHMARK(BM_TypingWhileBackingUp)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("backups")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
}  // namespace

int main(int argc, char** argv) {
    return RunIdeBenchmarks(argc, argv);
}
