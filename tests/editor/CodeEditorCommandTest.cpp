#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestSupport.h"
#include "editor/CodeEditor.h"
#include "editor/GoToLineDialog.h"

namespace {
// Types into the editor's find/replace box and presses one of its buttons.
void Press(CodeEditor& editor, const char* button, const QString& find,
           const QString& with = QString()) {
    auto* dialog = editor.findChild<FindReplaceDialog*>();
    QVERIFY(dialog && dialog->isVisible());
    dialog->findChild<QLineEdit*>("txtFind")->setText(find);
    dialog->findChild<QLineEdit*>("txtReplace")->setText(with);
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
}

QString Selected(const CodeEditor& editor) {
    return editor.selectedText();
}
}  // namespace

class CodeEditorCommandTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void EditCommandsDoWhatTheirNumbersSay() {
        CodeEditor editor;
        editor.SetText("alpha beta\ngamma");
        QApplication::clipboard()->clear();
        QVERIFY(!editor.CanUndo() && !editor.CanRedo() && !editor.CanCut() && !editor.CanCopy());
        QVERIFY(!editor.CanPaste());

        editor.SetSel({0, 0, 0, 5});
        QVERIFY(editor.CanCut() && editor.CanCopy());
        QVERIFY(editor.ExecuteCmd(198));  // copy
        QCOMPARE(QApplication::clipboard()->text(), QString("alpha"));
        QVERIFY(editor.CanPaste());
        QVERIFY(editor.ExecuteCmd(197));  // cut
        QCOMPARE(editor.Text(), QString(" beta\r\ngamma"));
        QVERIFY(editor.CanUndo());
        editor.SetSel({1, 5, 1, 5});
        QVERIFY(editor.ExecuteCmd(140));  // paste
        QCOMPARE(editor.Text(), QString(" beta\r\ngammaalpha"));
        QVERIFY(editor.ExecuteCmd(129));  // undo
        QCOMPARE(editor.Text(), QString(" beta\r\ngamma"));
        QVERIFY(editor.CanRedo());
        QVERIFY(editor.ExecuteCmd(139));  // redo
        QCOMPARE(editor.Text(), QString(" beta\r\ngammaalpha"));

        QVERIFY(editor.ExecuteCmd(137));  // select all
        QCOMPARE(Selected(editor), QString(" beta\ngammaalpha"));
        QVERIFY(editor.ExecuteCmd(195));  // delete
        QCOMPARE(editor.Text(), QString());

        QVERIFY(!editor.ExecuteCmd(139));  // nothing left to redo
        QVERIFY(!editor.ExecuteCmd(4242));
        QVERIFY(editor.ExecuteCmd(112) && editor.ExecuteCmd(104));
    }

    void GoToMovesTheCaretOrAsks() {
        CodeEditor editor;
        QStringList lines;
        for (int i = 0; i < 500; ++i)
            lines << QString("line %1").arg(i);
        editor.SetText(lines.join("\n"));
        editor.resize(400, 200);
        editor.show();

        QVERIFY(editor.ExecuteCmd(168, 300));
        QCOMPARE(editor.GetSel(false), (EditorRange{300, 0, 300, 0}));
        const int top = editor.firstVisibleLine();
        QVERIFY(top <= 300 &&
                300 < top + editor.SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
        QVERIFY(editor.ExecuteCmd(168, 9999));
        QCOMPARE(editor.GetSel(false).endLine, 499);

        // -1 asks; the prompt offers lines 1 to 500 and answers zero-based.
        QString range;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<GoToLineDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            range = dialog->findChild<QLabel*>("lblRange")->text();
            dialog->findChild<QSpinBox*>("txtLine")->setValue(42);
            dialog->accept();
        });
        QVERIFY(editor.ExecuteCmd(168, -1));
        QCOMPARE(range, QString("&Line number (1 - 500):"));
        QCOMPARE(editor.GetSel(false).endLine, 41);

        QTimer::singleShot(0, [] {
            if (auto* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        QVERIFY(!editor.ExecuteCmd(168));
        QCOMPARE(editor.GetSel(false).endLine, 41);
    }

    void FindWalksTheMatchesAndWraps() {
        ScriptedPrompt prompt;
        CodeEditor editor;
        editor.SetText("Dim a\nDIM b\nDimension c\ndim d");
        QVERIFY(editor.ExecuteCmd(178));
        Press(editor, "cmdFindNext", "dim");
        QCOMPARE(editor.GetSel(true), (EditorRange{0, 0, 0, 3}));
        QVERIFY(editor.ExecuteCmd(176));
        QCOMPARE(editor.GetSel(true), (EditorRange{1, 0, 1, 3}));

        auto* dialog = editor.findChild<FindReplaceDialog*>();
        dialog->findChild<QCheckBox*>("chkWholeWord")->setChecked(true);
        dialog->findChild<QCheckBox*>("chkMatchCase")->setChecked(true);
        Press(editor, "cmdFindNext", "dim");
        QCOMPARE(editor.GetSel(true), (EditorRange{3, 0, 3, 3}));
        QVERIFY(editor.ExecuteCmd(176));  // past the end: round to the top
        QCOMPARE(editor.GetSel(true), (EditorRange{3, 0, 3, 3}));

        dialog->findChild<QCheckBox*>("chkMatchCase")->setChecked(false);
        dialog->findChild<QRadioButton*>("optUp")->setChecked(true);
        Press(editor, "cmdFindNext", "dim");
        QCOMPARE(editor.GetSel(true), (EditorRange{1, 0, 1, 3}));
        QVERIFY(prompt.asked.empty());
    }

    void ANotFoundSearchAsksTheOwnerFirst() {
        ScriptedPrompt prompt;
        CodeEditor editor;
        editor.SetText("Sub Main\nEnd Sub");
        editor.SetLastSearch({"Function"});
        QSignalSpy failed(&editor, &CodeEditor::CommandFailed);
        QVERIFY(!editor.ExecuteCmd(176));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toInt(), 176);
        QCOMPARE(failed.at(0).at(1).toInt(), 4);
        QCOMPARE(prompt.asked.size(), size_t(1));  // nobody handled it: the editor's own word

        connect(&editor, &CodeEditor::CommandFailed, this,
                [](int, int, bool* handled) { *handled = true; });
        QVERIFY(editor.ExecuteCmd(169));
        Press(editor, "cmdReplaceAll", "Function", "Sub");
        QCOMPARE(failed.count(), 2);
        QCOMPARE(failed.at(1).at(0).toInt(), 169);
        QCOMPARE(prompt.asked.size(), size_t(1));
    }

    void ReplaceOneThenAllAsOneUndo() {
        ScriptedPrompt prompt;
        CodeEditor editor;
        editor.SetText("x = x + 1\nprint x");
        QVERIFY(editor.ExecuteCmd(169));
        Press(editor, "cmdFindNext", "x", "count");
        Press(editor, "cmdReplace", "x", "count");
        QCOMPARE(editor.LineText(0), QString("count = x + 1"));
        QCOMPARE(editor.GetSel(true), (EditorRange{0, 8, 0, 9}));
        Press(editor, "cmdReplaceAll", "x", "count");
        QCOMPARE(editor.Text(), QString("count = count + 1\r\nprint count"));
        QVERIFY(editor.ExecuteCmd(129));
        QCOMPARE(editor.Text(), QString("count = x + 1\r\nprint x"));
        QVERIFY(prompt.asked.empty());
    }

    void SelectionWordAndLines() {
        CodeEditor editor;
        editor.SetText(QString::fromUtf8("Dim café As String\r\nx"));
        editor.SetSel({0, 9, 0, 4});
        QCOMPARE(editor.GetSel(false), (EditorRange{0, 9, 0, 4}));
        QCOMPARE(editor.GetSel(true), (EditorRange{0, 4, 0, 9}));
        editor.SetSel({0, 6, 0, 6});
        QCOMPARE(editor.CurrentWord(), QString::fromUtf8("café"));
        QCOMPARE(editor.LineText(5), QString());

        // Columns count characters, whatever their bytes, on a line of any length.
        editor.SetText(QString::fromUtf8("a\u20ac\U0001F600b = 1\r\n") + QString(70000, 'x'));
        editor.SetSel({0, 3, 0, 4});
        QCOMPARE(editor.SendScintilla(QsciScintillaBase::SCI_GETANCHOR), 8L);
        QCOMPARE(editor.selectedText(), QString("b"));
        QCOMPARE(editor.GetSel(false), (EditorRange{0, 3, 0, 4}));
        editor.SetSel({1, 70000, 1, 69999});
        QCOMPARE(editor.GetSel(false), (EditorRange{1, 70000, 1, 69999}));
        QCOMPARE(editor.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 14L + 69999);
    }

    void KeysAndMouseReportAndClassify() {
        CodeEditor editor;
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << "some text";
        editor.SetText(lines.join("\n"));
        editor.resize(300, 200);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));

        QSignalSpy down(&editor, &CodeEditor::KeyDown);
        QSignalSpy press(&editor, &CodeEditor::KeyPress);
        QSignalSpy up(&editor, &CodeEditor::KeyUp);
        QTest::keyClick(&editor, Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(down.contains(QList<QVariant>{40, 3}));
        QVERIFY(up.contains(QList<QVariant>{40, 3}));
        QCOMPARE(press.count(), 0);
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(press.count(), 1);
        QCOMPARE(press.at(0), (QList<QVariant>{13, 0}));

        // A swallowed key never reaches the text.
        connect(&editor, &CodeEditor::KeyPress, &editor, [&](int key, int) {
            if (key == 'q')
                editor.SwallowKey();
        });
        const QString before = editor.Text();
        QTest::keyClick(&editor, Qt::Key_Q);
        QCOMPARE(editor.Text(), before);
        QTest::keyClick(&editor, Qt::Key_W);
        QVERIFY(editor.Text() != before);

        QSignalSpy mouseUp(&editor, &CodeEditor::MouseUp);
        const QPoint text(editor.marginWidth(0) + 30, 10);
        QTest::mouseClick(editor.viewport(), Qt::RightButton, Qt::AltModifier, text);
        QCOMPARE(mouseUp.count(), 1);
        QCOMPARE(mouseUp.at(0).at(0).toInt(), 2);
        QCOMPARE(mouseUp.at(0).at(1).toInt(), 4);
        const QPoint at = mouseUp.at(0).at(2).toPoint();
        QCOMPARE(at, editor.viewport()->mapTo(&editor, text));
        QCOMPARE(editor.HitTest(at), 4);
        QCOMPARE(editor.HitTest(editor.viewport()->mapTo(&editor, QPoint(2, 10))), 8);
        QScrollBar* bar = editor.verticalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(editor.HitTest(bar->mapTo(&editor, bar->rect().center())), 8);
    }

    void PrintsToAPdfWithoutAPrinter() {
        QTemporaryDir dir;
        const QString module = dir.filePath("prog.v2.zbl");
        WriteAll(module, "Sub Main\n  Print \"hello\"\nEnd Sub\n");
        CodeEditor editor;
        QVERIFY(editor.OpenFile(module));
        const QString pdf = editor.PrintContents();
        QCOMPARE(pdf, dir.filePath("prog.v2.pdf"));
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));

        // An untitled text goes to the home folder.
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", dir.filePath("home").toLocal8Bit());
        QDir().mkpath(dir.filePath("home"));
        CodeEditor untitled;
        untitled.SetText("x = 1");
        const QString untitledPdf = untitled.PrintContents();
        qputenv("HOME", oldHome);
        QCOMPARE(untitledPdf, dir.filePath("home/Untitled.pdf"));
        QVERIFY(ReadAll(untitledPdf).startsWith("%PDF"));
    }
};

ZIDE_TEST(CodeEditorCommandTest)
#include "CodeEditorCommandTest.moc"
