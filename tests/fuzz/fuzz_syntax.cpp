// Syntax files and the colouring they drive. Any syntax file parses without a
// crash; the text it colours is coloured the same (styles, fold levels and
// line states) whether the editor styles it at once or in pieces, and after
// an edit restyles from the changed line, as when it is coloured afresh.
//
// Input: the syntax file, 0x00, the module text, 0x00, an edit:
//   byte  first line replaced,  byte  lines replaced,  byte  column in the first
//   line where the replacement starts,  bytes  where styling stops on the way
//   (one per step, as a share of the text),  0x01,  the replacement text.
// Without a 0x00 the whole input is the syntax file and a sample module is
// coloured.
//
// Qt and QScintilla fill caches as inputs come, so nearly every input would set
// off a whole-heap leak check; leaks are still looked for when the run ends.
// fuzz-flags: -detect_leaks=0
#include <QApplication>
#include <memory>

#include "FuzzSupport.h"
#include "editor/CodeEditor.h"
#include "editor/SyntaxDefinition.h"
#include "editor/SyntaxLexer.h"

using Base = QsciScintillaBase;
using FuzzSupport::Show;

namespace {

const QByteArray Sample =
    "Option Console ON\n"
    "' A comment \"with a string\"\n"
    "Function Twice(x As Long) As Long\n"
    "    If x > 10 Then\n"
    "        Twice = x * 2 ' &H10 &HFF\n"
    "    Else\n"
    "        Twice = Len(\"a\"\"b\") + 1.5e3\n"
    "    End If\n"
    "End Function\n"
    "/* block\n"
    "comment */ Sub Main()\n"
    "    Print Twice(21)\n"
    "End Sub\n";

struct Colouring {
    QByteArray styles;
    QList<long> folds;
    QList<long> states;
    bool operator==(const Colouring&) const = default;
};

// A new editor for every input: one that held other text keeps line data
// (fold levels of lines that are gone) that would hide a stale one.
std::unique_ptr<CodeEditor> NewEditor(const SyntaxDefinition& syntax) {
    auto editor = std::make_unique<CodeEditor>();
    editor->resize(640, 480);
    editor->setLexer(new SyntaxLexer(syntax, editor.get()));
    return editor;
}

void SetBytes(CodeEditor* editor, const QByteArray& text) {
    editor->SendScintilla(Base::SCI_CLEARALL);
    editor->SendScintilla(Base::SCI_APPENDTEXT, static_cast<unsigned long>(text.size()),
                          text.constData());
}

long Length(CodeEditor* editor) {
    return editor->SendScintilla(Base::SCI_GETLENGTH);
}

// Asks for styling up to `to` from wherever styling stopped, as painting does.
void StyleTo(CodeEditor* editor, long to) {
    editor->SendScintilla(Base::SCI_COLOURISE, static_cast<unsigned long>(Length(editor)), to);
}

Colouring Read(CodeEditor* editor) {
    Colouring c;
    const long length = Length(editor);
    c.styles.resize(length);
    for (qsizetype i = 0; i < length; ++i)
        c.styles[i] = static_cast<char>(
            editor->SendScintilla(Base::SCI_GETSTYLEAT, static_cast<unsigned long>(i)));
    const long lines = editor->SendScintilla(Base::SCI_GETLINECOUNT);
    for (long i = 0; i < lines; ++i) {
        c.folds << editor->SendScintilla(Base::SCI_GETFOLDLEVEL, i);
        c.states << editor->SendScintilla(Base::SCI_GETLINESTATE, i);
    }
    return c;
}

QString Diff(const Colouring& a, const Colouring& b) {
    QString out;
    for (qsizetype i = 0; i < std::min(a.styles.size(), b.styles.size()); ++i)
        if (a.styles[i] != b.styles[i]) {
            out += QStringLiteral("style differs first at byte %1: %2 vs %3\n")
                       .arg(i)
                       .arg(int(a.styles[i]))
                       .arg(int(b.styles[i]));
            break;
        }
    for (qsizetype i = 0; i < std::min(a.folds.size(), b.folds.size()); ++i)
        if (a.folds[i] != b.folds[i] || a.states[i] != b.states[i]) {
            out += QStringLiteral("line %1: fold %2 vs %3, state %4 vs %5\n")
                       .arg(i)
                       .arg(a.folds[i], 0, 16)
                       .arg(b.folds[i], 0, 16)
                       .arg(a.states[i])
                       .arg(b.states[i]);
            break;
        }
    return out + QStringLiteral("sizes %1/%2 lines %3/%4")
                     .arg(a.styles.size())
                     .arg(b.styles.size())
                     .arg(a.folds.size())
                     .arg(b.folds.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::Init(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qsizetype cut = input.indexOf('\0');
    const QByteArray synBytes = cut < 0 ? input : input.left(cut);
    QByteArray text = Sample;
    QByteArray edit;
    if (cut >= 0) {
        const qsizetype cut2 = input.indexOf('\0', cut + 1);
        text = input.mid(cut + 1, cut2 < 0 ? -1 : cut2 - cut - 1);
        if (cut2 >= 0)
            edit = input.mid(cut2 + 1);
    }

    // Parsed from a file, as an editor window reads it.
    const QString synPath = FuzzSupport::ScratchFile(QStringLiteral("fuzz.syn"));
    FuzzSupport::WriteFile(synPath, synBytes);
    const SyntaxDefinition syntax = SyntaxDefinition::Parse(synPath);
    syntax.KeywordList();
    BlockEntries(syntax.syntaxStart);
    ControlStringDelimiters(syntax.stringDelimiters);

    const std::unique_ptr<CodeEditor> editor = NewEditor(syntax);

    // Styled in steps, edited, restyled in steps from the edit.
    FuzzSupport::FieldReader ops(edit);
    const int firstLine = ops.Byte();
    const int lineCount = ops.Byte() % 8;
    const int column = ops.Byte();
    QList<int> stops;
    for (int i = 0; i < 4; ++i) {
        const quint8 b = ops.Byte();
        if (b == 1)
            break;
        stops << b;
    }
    const QByteArray replacement = ops.Rest();

    SetBytes(editor.get(), text);
    for (const int stop : stops)
        StyleTo(editor.get(), Length(editor.get()) * stop / 255);
    StyleTo(editor.get(), -1);
    const Colouring first = Read(editor.get());

    const std::unique_ptr<CodeEditor> whole = NewEditor(syntax);
    SetBytes(whole.get(), text);
    StyleTo(whole.get(), -1);
    FUZZ_EXPECT(first == Read(whole.get()),
                QStringLiteral("styled in steps vs at once: %1\ntext %2")
                    .arg(Diff(first, Read(whole.get())), Show(text)));

    if (edit.isEmpty())
        return 0;
    const long lines = editor->SendScintilla(Base::SCI_GETLINECOUNT);
    const long line = firstLine % lines;
    const long lineStart = editor->SendScintilla(Base::SCI_POSITIONFROMLINE, line);
    const long lineEnd = editor->SendScintilla(Base::SCI_GETLINEENDPOSITION, line);
    const long from = std::min<long>(lineStart + column, lineEnd);
    const long to = line + lineCount < lines
                        ? editor->SendScintilla(Base::SCI_POSITIONFROMLINE, line + lineCount)
                        : Length(editor.get());
    editor->SendScintilla(Base::SCI_SETTARGETRANGE, static_cast<unsigned long>(from),
                          std::max(from, to));
    editor->SendScintilla(Base::SCI_REPLACETARGET, static_cast<unsigned long>(replacement.size()),
                          replacement.constData());
    for (const int stop : stops)
        StyleTo(editor.get(), Length(editor.get()) * stop / 255);
    StyleTo(editor.get(), -1);
    const Colouring edited = Read(editor.get());

    const QByteArray finalText(
        static_cast<const char*>(editor->SendScintillaPtrResult(Base::SCI_GETCHARACTERPOINTER)),
        Length(editor.get()));
    const std::unique_ptr<CodeEditor> afresh = NewEditor(syntax);
    SetBytes(afresh.get(), finalText);
    StyleTo(afresh.get(), -1);
    const Colouring fresh = Read(afresh.get());
    FUZZ_EXPECT(edited == fresh,
                QStringLiteral("restyled after an edit vs afresh: %1\ntext before %2\nafter %3")
                    .arg(Diff(edited, fresh), Show(text), Show(finalText)));
    return 0;
}
