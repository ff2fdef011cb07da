// Colouring a large module: 100,000 lines of Zorbel in an editor window.
// - until the page in view is coloured (open + first paint),
// - until the whole text is coloured (after a jump to the last line, and the
//   colouring work alone),
// - one typed character at the end and at the top of the coloured module,
//   with the repaint that follows it.
// Runs on the build's program folder (syntax/zbl.syn next to the program).
#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include "editor/EditorWindow.h"
#include "editor/SyntaxScanner.h"
#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

namespace {
constexpr int ModuleLines = 100000;

QString BigModule(const QTemporaryDir& dir) {
    static const char* const block[] = {
        "' Totals of part %1",
        "Private Function Part%1(ByVal count As Long, label As String) As Double",
        "    Dim i As Long, total As Double",
        "    For i = 1 To count",
        "        If i Mod 3 = 0 Then total = total + Sqr(i) * 2.5",
        "        total = total + &H1F& - Len(label & \"x, (y)\")",
        "    Next i",
        "    Part%1 = total ' the result",
        "End Function",
        "",
    };
    QByteArray bytes;
    bytes.reserve(6000000);
    for (int i = 0; i < ModuleLines; ++i)
        bytes += QByteArray(block[i % 10]).replace("%1", QByteArray::number(i / 10)) + "\r\n";
    const QString path = dir.filePath("big.zbl");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

long Send(CodeEditor* editor, unsigned int message, unsigned long w = 0, long l = 0) {
    return editor->SendScintilla(message, w, l);
}

// Where the styling has to reach for the page in view to show coloured.
long VisibleEnd(CodeEditor* editor) {
    const long last = Send(editor, QsciScintillaBase::SCI_GETFIRSTVISIBLELINE) +
                      Send(editor, QsciScintillaBase::SCI_LINESONSCREEN);
    return Send(editor, QsciScintillaBase::SCI_GETLINEENDPOSITION, last);
}

bool Coloured(CodeEditor* editor, long upTo) {
    return Send(editor, QsciScintillaBase::SCI_GETENDSTYLED) >= upTo;
}

struct Fixture {
    QTemporaryDir dir;
    QString path = BigModule(dir);
};

Fixture& Module() {
    static Fixture fixture;
    return fixture;
}

EditorWindow* OpenWindow() {
    auto* window = new EditorWindow;
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    return window;
}

void BM_VisiblePageColoured(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        EditorWindow* window = OpenWindow();
        state.ResumeTiming();

        window->LoadFile(Module().path);
        CodeEditor* editor = window->Editor();
        while (!Coloured(editor, VisibleEnd(editor)))
            QCoreApplication::processEvents();

        state.PauseTiming();
        if (Send(editor, QsciScintillaBase::SCI_GETSTYLEAT, 3) != SyntaxScanner::Comment)
            state.SkipWithError("not coloured as Zorbel");
        delete window;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_VisiblePageColoured)->Unit(benchmark::kMillisecond);

// Colouring runs only as far as the editor paints, so the whole text is
// coloured once the last page has been shown.
void BM_WholeTextColouredAtLastPage(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        EditorWindow* window = OpenWindow();
        state.ResumeTiming();

        window->LoadFile(Module().path);
        CodeEditor* editor = window->Editor();
        editor->ExecuteCmd(CodeEditor::GoToLine, ModuleLines);
        const long length = Send(editor, QsciScintillaBase::SCI_GETLENGTH);
        while (!Coloured(editor, length))
            QCoreApplication::processEvents();

        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WholeTextColouredAtLastPage)->Unit(benchmark::kMillisecond);

// The colouring work itself: the whole module in one request.
void BM_WholeTextColouredAtOnce(benchmark::State& state) {
    EditorWindow* window = OpenWindow();
    window->LoadFile(Module().path);
    CodeEditor* editor = window->Editor();
    for (auto _ : state) {
        Send(editor, QsciScintillaBase::SCI_CLEARDOCUMENTSTYLE);
        Send(editor, QsciScintillaBase::SCI_COLOURISE, 0, -1);
    }
    if (!Coloured(editor, Send(editor, QsciScintillaBase::SCI_GETLENGTH)))
        state.SkipWithError("not coloured");
    delete window;
}
BENCHMARK(BM_WholeTextColouredAtOnce)->Unit(benchmark::kMillisecond);

// One key press and the repaint after it, with the whole module coloured.
void TypeAt(benchmark::State& state, bool atEnd) {
    EditorWindow* window = OpenWindow();
    window->LoadFile(Module().path);
    CodeEditor* editor = window->Editor();
    Send(editor, QsciScintillaBase::SCI_COLOURISE, 0, -1);
    editor->setFocus();
    Send(editor, atEnd ? QsciScintillaBase::SCI_DOCUMENTEND : QsciScintillaBase::SCI_DOCUMENTSTART);
    QCoreApplication::processEvents();
    int typed = 0;
    for (auto _ : state) {
        const bool rubOut = typed++ % 2 == 1;
        const int key = rubOut ? Qt::Key_Backspace : Qt::Key_X;
        const QString text = rubOut ? QString(QChar(8)) : QStringLiteral("x");
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &press);
        QApplication::sendEvent(editor, &release);
        editor->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    delete window;
}
void BM_TypeAtEnd(benchmark::State& state) {
    TypeAt(state, true);
}
void BM_TypeAtTop(benchmark::State& state) {
    TypeAt(state, false);
}
BENCHMARK(BM_TypeAtEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeAtTop)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    return RunIdeBenchmarks(argc, argv);
}
