#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "editor/CodeCompletion.h"
#include "editor/CodeEditor.h"

namespace {
// An editor with the code list wired to its key presses, as the module
// window wires it.
struct Fixture {
    CodeEditor editor;
    CodeCompletion completion{&editor};

    explicit Fixture(const CompletionSyntax& syntax) {
        completion.SetSyntax(syntax);
        QObject::connect(&editor, &CodeEditor::KeyPress, &completion,
                         [this](int key, int shift) { completion.HandleKeyPress(key, shift); });
        editor.resize(600, 300);
        editor.show();
    }

    // Puts `text` in the editor with the caret at its end, and tells the
    // completion about the new caret as the window does.
    void Type(const QString& text) {
        editor.SetText(text);
        const int line = editor.LineCount() - 1;
        editor.setCursorPosition(line, editor.LineText(line).size());
        completion.OnSelectionChanged();
    }

    QListWidget* List() const {
        const auto lists = editor.findChildren<QListWidget*>(Qt::FindDirectChildrenOnly);
        return lists.isEmpty() ? nullptr : lists.last();
    }

    QStringList Entries() const {
        QStringList entries;
        if (QListWidget* list = List())
            for (int i = 0; i < list->count(); ++i)
                entries << list->item(i)->text();
        return entries;
    }

    QString Selected() const {
        QListWidget* list = List();
        return list && list->currentItem() ? list->currentItem()->text() : QString();
    }
};
}  // namespace

class CompletionTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    CompletionSyntax syntax;

private Q_SLOTS:
    void initTestCase() {
        syntax.argumentFile = dir.filePath("zbl.arg");
        WriteAll(syntax.argumentFile,
                 "[ArgumentsList]\r\n"
                 "Mid=Mid(string, start, length)\r\n"
                 "Print=Print expression\r\n"
                 "FuncY=FuncY(a, Inner(b, c), d)\r\n");
        syntax.keywords = QStringList{"Print", "FuncY", "", "For", "Function", "Mid"};
        syntax.escapeChar = "\\";
        syntax.stringDelimiters = "\"";
    }

    void ListHoldsTheKeywordsWithTheTypedWordSelected() {
        Fixture f(syntax);
        f.Type("x = Fun");
        QVERIFY(f.completion.ShowList());
        QVERIFY(f.completion.ListOpen());
        QCOMPARE(f.Entries(), (QStringList{"Print", "FuncY", "For", "Function", "Mid"}));
        for (int i = 0; i < f.List()->count(); ++i)
            QVERIFY(!f.List()->item(i)->icon().isNull());
        // The first entry in file order that begins with the word.
        QCOMPARE(f.Selected(), QString("FuncY"));
        QCOMPARE(f.completion.ListToolTip(), QString("FuncY(a, Inner(b, c), d)"));
        QCOMPARE(f.List()->toolTip(), f.completion.ListToolTip());

        // The tooltip follows the selection; a keyword without arguments has none.
        QTest::keyClick(&f.editor, Qt::Key_Down);
        QCOMPARE(f.Selected(), QString("For"));
        QCOMPARE(f.completion.ListToolTip(), QString());
        QTest::keyClick(&f.editor, Qt::Key_Up);
        QTest::keyClick(&f.editor, Qt::Key_Up);
        QCOMPARE(f.Selected(), QString("Print"));
        QCOMPARE(f.completion.ListToolTip(), QString("Print expression"));

        QTest::keyClick(&f.editor, Qt::Key_Escape);
        QVERIFY(!f.completion.ListOpen());
        QCOMPARE(f.editor.Text(), QString("x = Fun"));
    }

    void SpaceReplacesTheTypedWord() {
        Fixture f(syntax);
        f.Type("If x Then\r\n    fu");
        // Ctrl+Space opens the list and types nothing.
        QTest::keyClick(&f.editor, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(f.completion.ListOpen());
        QCOMPARE(f.editor.LineText(1), QString("    fu"));
        QCOMPARE(f.Selected(), QString("FuncY"));

        // Typing on narrows the list by the whole word.
        QTest::keyClicks(&f.editor, "nct");
        QCoreApplication::processEvents();
        QCOMPARE(f.Selected(), QString("Function"));

        QTest::keyClick(&f.editor, Qt::Key_Space);
        QCOMPARE(f.editor.LineText(1), QString("    Function"));
        QCOMPARE(f.completion.RememberedEntry(), QString("Function"));
        QVERIFY(!f.completion.ListOpen());
        QCOMPARE(f.editor.GetSel(false), (EditorRange{1, 12, 1, 12}));
        // The next blank is an ordinary one.
        QTest::keyClick(&f.editor, Qt::Key_Space);
        QCOMPARE(f.editor.LineText(1), QString("    Function "));

        // The replacement is a single undo step.
        f.editor.ExecuteCmd(CodeEditor::Undo);
        f.editor.ExecuteCmd(CodeEditor::Undo);
        QCOMPARE(f.editor.LineText(1), QString("    funct"));
    }

    void EnterAndShiftSpaceAcceptToo() {
        Fixture f(syntax);
        f.Type("Call Pr(x)");
        f.editor.setCursorPosition(0, 7);
        QVERIFY(f.completion.ShowList());
        QTest::keyClick(&f.editor, Qt::Key_Return);
        QCOMPARE(f.editor.Text(), QString("Call Print(x)"));
        QVERIFY(!f.completion.ListOpen());

        // A caret right before the word replaces that word.
        f.Type("mi");
        f.editor.setCursorPosition(0, 0);
        QVERIFY(f.completion.ShowList());
        QCOMPARE(f.Selected(), QString("Mid"));
        QTest::keyClick(&f.editor, Qt::Key_Space, Qt::ShiftModifier);
        QCOMPARE(f.editor.Text(), QString("Mid"));

        // No word at the caret: the entry is inserted there.
        f.Type("x = ");
        QVERIFY(f.completion.ShowList());
        QTest::keyClick(&f.editor, Qt::Key_Tab);
        QCOMPARE(f.editor.Text(), QString("x = Print"));
    }

    void CtrlSpaceDoesNotAccept() {
        Fixture f(syntax);
        f.Type("Fo");
        QVERIFY(f.completion.ShowList());
        QVERIFY(!f.completion.HandleKeyPress(CodeEditor::VkSpace, CodeEditor::ShiftBitCtrl));
        QVERIFY(f.completion.ListOpen());
        QCOMPARE(f.editor.Text(), QString("Fo"));
        QVERIFY(f.completion.HandleKeyPress(CodeEditor::VkSpace,
                                            CodeEditor::ShiftBitCtrl | CodeEditor::ShiftBitShift));
        QCOMPARE(f.editor.Text(), QString("For"));

        // Without an open list Space is only a blank.
        QVERIFY(!f.completion.HandleKeyPress(CodeEditor::VkSpace, 0));
        // Nothing selected: the blank is typed and nothing is replaced.
        f.Type("zz");
        QVERIFY(f.completion.ShowList());
        QCOMPARE(f.Selected(), QString());
        QTest::keyClick(&f.editor, Qt::Key_Space);
        QCOMPARE(f.editor.Text(), QString("zz "));
    }

    void ArgumentTipFollowsTheCaret() {
        Fixture f(syntax);
        f.Type("x = Mid(s, ");
        QCOMPARE(f.completion.TipFunction(), QString("Mid"));
        QCOMPARE(f.completion.TipArgument(), 1);
        QCOMPARE(f.completion.TipText(), QString(" Mid(string, start, length) "));
        QVERIFY(f.completion.TipShown());

        // Blanks before the parenthesis reach the argument file's key trimmed.
        f.Type("Print (");
        QCOMPARE(f.completion.TipFunction(), QString("Print "));
        QCOMPARE(f.completion.TipArgument(), 0);
        QVERIFY(f.completion.TipShown());

        // A closed call, or a function the argument file does not know: no tip.
        f.Type("x = Mid(s, 1, 2)");
        QCOMPARE(f.completion.TipArgument(), -1);
        QVERIFY(!f.completion.TipShown());
        f.Type("x = Left(s, ");
        QCOMPARE(f.completion.TipFunction(), QString("Left"));
        QCOMPARE(f.completion.TipArgument(), -1);
        QVERIFY(!f.completion.TipShown());

        // Opening the list hides the tip.
        f.Type("x = Mid(");
        QVERIFY(f.completion.TipShown());
        QVERIFY(f.completion.ShowList());
        QVERIFY(!f.completion.TipShown());
    }

    // The same call on another line: the tip goes along, though its text
    // and its highlighted argument stay the same.
    void ArgumentTipMovesWithTheCaretToAnotherLine() {
        Fixture f(syntax);
        f.editor.SetText("a = Mid(s, 1, 2)\n\nb = 0\nc = Mid(s, 1, 2)");
        auto tipAt = [&](int line) {
            f.editor.SetSel({line, 11, line, 11});
            f.completion.OnSelectionChanged();
            QWidget* tip = nullptr;
            for (QWidget* widget : QApplication::allWidgets())
                if (widget->isVisible() &&
                    QByteArray(widget->metaObject()->className()).contains("CallTip"))
                    tip = widget;
            return tip ? tip->mapToGlobal(QPoint(0, 0)).y() : -1;
        };
        const int first = tipAt(0);
        QVERIFY(first >= 0);
        QCOMPARE(f.completion.TipArgument(), 1);
        const int second = tipAt(3);
        QCOMPARE(f.completion.TipFunction(), QString("Mid"));
        QCOMPARE(f.completion.TipArgument(), 1);
        QVERIFY2(second > first, qPrintable(QString("%1 then %2").arg(first).arg(second)));
    }

    void NoKeywordsNoListNoTip() {
        CompletionSyntax bare = syntax;
        bare.keywords = QStringList{"", ""};
        Fixture f(bare);
        f.Type("x = Mid(s, ");
        QVERIFY(!f.completion.TipShown());
        QVERIFY(!f.completion.ShowList());
        QTest::keyClick(&f.editor, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!f.completion.ListOpen());
        QCOMPARE(f.editor.Text(), QString("x = Mid(s, "));

        // Keywords but no argument file: the list without tooltips, and no tip.
        CompletionSyntax noArguments = syntax;
        noArguments.argumentFile = dir.filePath("missing.arg");
        Fixture g(noArguments);
        g.Type("x = Mid(s, ");
        QVERIFY(!g.completion.TipShown());
        g.Type("Pri");
        QVERIFY(g.completion.ShowList());
        QCOMPARE(g.completion.ListToolTip(), QString());
    }

    void ArgumentSpans() {
        const QString tip = " Mid(string, start, length) ";
        auto span = [&](const QString& text, int argument) {
            const auto [first, last] = ArgumentSpan(text, argument);
            return first < 0 ? QString() : text.mid(first, last - first);
        };
        QCOMPARE(span(tip, 0), QString("string"));
        QCOMPARE(span(tip, 2), QString("length"));
        QCOMPARE(span(tip, 3), QString());
        QCOMPARE(span(tip, -1), QString());
        QCOMPARE(span("FuncY(a, Inner(b, c), d)", 1), QString("Inner(b, c)"));
        QCOMPARE(span("FuncY(a, Inner(b, c), d)", 2), QString("d"));
        QCOMPARE(span(" expression, [newline] ", 1), QString("[newline]"));
        QCOMPARE(span("Foo()", 0), QString());
    }
};

ZIDE_TEST(CompletionTest)
#include "CompletionTest.moc"
