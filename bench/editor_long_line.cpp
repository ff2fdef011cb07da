// Modules of one very long line (minified or generated code) against modules
// of the same size in ordinary lines:
// - opening one in a shown editor window, up to its first painted page,
// - closing that window,
// - moving about the long-line module once it is open (end and start of a
//   line, a page down, a line down), each with the repaint after it,
// - opening and closing one through the IDE: the File Open command into a
//   document window of the main window, and that window closed again.
// Sizes are in megabytes; the long-line module is a single line, the other
// has about 25 bytes per line (two million lines for 50 MB).
// Runs on a copy of the build's syntax folder (build the zide target first).
#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

#include "editor/EditorWindow.h"
#include "settings/ProgramFolder.h"
#include "settings/Registry.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"

namespace {
constexpr qsizetype MB = 1024 * 1024;

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// A module of `megabytes` MB: one line when `oneLine`, else lines of about
// 25 bytes. Written once per size and shape.
QString Module(int megabytes, bool oneLine) {
    static std::map<std::pair<int, bool>, QString> made;
    const auto key = std::make_pair(megabytes, oneLine);
    if (const auto found = made.find(key); found != made.end())
        return found->second;
    static const QByteArray statements[] = {
        "x = Foo(a, \"b, (c)\") : ", "If y > 2 Then z = &HFF : ", "s = Left$(s, 3) ' : ",
        "Call Bar(1.5e+3, t) : ",    "total = total + i : ",
    };
    const qsizetype size = megabytes * MB;
    QByteArray bytes;
    bytes.reserve(size + 64);
    for (int i = 0; bytes.size() < size; ++i) {
        bytes += statements[i % 5];
        if (!oneLine)
            bytes += "\r\n";
    }
    bytes.truncate(size);
    const QString path = Folder().filePath(
        QStringLiteral("%1-%2.zbl").arg(megabytes).arg(oneLine ? "line" : "lines"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    made[key] = path;
    return path;
}

EditorWindow* NewWindow() {
    auto* window = new EditorWindow;
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    return window;
}

// The loaded module painted once, as a user sees it when the open returns.
void Open(EditorWindow* window, const QString& path) {
    window->LoadFile(path);
    window->Editor()->viewport()->repaint();
    QCoreApplication::processEvents();
}

void BM_Open(benchmark::State& state, bool oneLine) {
    const QString path = Module(static_cast<int>(state.range(0)), oneLine);
    for (auto _ : state) {
        state.PauseTiming();
        EditorWindow* window = NewWindow();
        state.ResumeTiming();
        Open(window, path);
        state.PauseTiming();
        // Line ends arrive as LF: the lines module loads a little shorter.
        const bool loaded = window->Editor()->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) >
                            state.range(0) * MB * 9 / 10;
        delete window;
        if (!loaded) {
            state.SkipWithError("module not loaded");
            break;
        }
        state.ResumeTiming();
    }
}
void BM_OpenOneLine(benchmark::State& state) {
    BM_Open(state, true);
}
void BM_OpenManyLines(benchmark::State& state) {
    BM_Open(state, false);
}
BENCHMARK(BM_OpenOneLine)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenManyLines)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Close(benchmark::State& state, bool oneLine) {
    const QString path = Module(static_cast<int>(state.range(0)), oneLine);
    for (auto _ : state) {
        state.PauseTiming();
        EditorWindow* window = NewWindow();
        Open(window, path);
        state.ResumeTiming();
        delete window;
        QCoreApplication::processEvents();
    }
}
void BM_CloseOneLine(benchmark::State& state) {
    BM_Close(state, true);
}
void BM_CloseManyLines(benchmark::State& state) {
    BM_Close(state, false);
}
BENCHMARK(BM_CloseOneLine)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CloseManyLines)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);

void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

// One key that moves the caret, and the repaint after it.
void BM_MoveAboutOneLine(benchmark::State& state) {
    const QString path = Module(static_cast<int>(state.range(0)), true);
    EditorWindow* window = NewWindow();
    Open(window, path);
    CodeEditor* editor = window->Editor();
    editor->setFocus();
    static const int keys[] = {Qt::Key_End, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_Down};
    int step = 0;
    for (auto _ : state) {
        Key(editor, keys[step++ % 4]);
        editor->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    delete window;
}
BENCHMARK(BM_MoveAboutOneLine)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(40);

// Open and close through the IDE, timed apart: open_ms and close_ms.
void BM_IdeOpenClose(benchmark::State& state) {
    const QString path = Module(static_cast<int>(state.range(0)), state.range(1) != 0);
    MainWindow ide;
    ide.Startup(QString());
    QElapsedTimer clock;
    double openMs = 0;
    double closeMs = 0;
    for (auto _ : state) {
        clock.start();
        ide.SetPathToOpenNext(path);
        ide.RunTool(QStringLiteral("FileOpen"));
        QCoreApplication::processEvents();
        openMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        clock.start();
        ide.Host()->CloseWindow(ide.Host()->ActiveWindow());
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closeMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    state.counters["open_ms"] = openMs / static_cast<double>(state.iterations());
    state.counters["close_ms"] = closeMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IdeOpenClose)
    ->Args({50, 1})
    ->Args({50, 0})
    ->ArgNames({"MB", "oneLine"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
}  // namespace

int main(int argc, char** argv) {
    return RunIdeBenchmarks(argc, argv);
}
