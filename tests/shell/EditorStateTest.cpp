#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "editor/SyntaxScanner.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "solution/SolutionState.h"

namespace {
// Module saves then ask nothing about a solution.
void NoSolution() {
    SolutionState.Name.clear();
}

bool Enabled(Ide& ide, const char* toolId) {
    return ide.host()->Tool(QString::fromLatin1(toolId))->isEnabled();
}
}  // namespace

// What the main window shows of the active module: the unsaved marks, the
// Edit tool states and the caret position.
class EditorStateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void SaveAndUndoToTheSavePointClearTheMarks() {
        Ide ide;
        NoSolution();
        const QString path = ide.Write("a.zbl", "Sub Main\r\nEnd Sub\r\n");
        ide.Open(path);
        DocWindow* tab = ide.host()->ActiveWindow();
        CodeEditor* editor = ide.window->ActiveEditor()->Editor();
        QCOMPARE(tab->windowTitle(), " a.zbl ");

        editor->ReplaceSelection("' note\n");
        QCOMPARE(tab->windowTitle(), " a.zbl* ");
        QCOMPARE(tab->Caption(), " a.zbl ");
        QVERIFY(ide.window->windowTitle().startsWith("a.zbl*"));

        ide.window->RunTool("FileSave");
        QCOMPARE(tab->windowTitle(), " a.zbl ");
        QVERIFY(ide.window->windowTitle().startsWith("a.zbl "));
        QVERIFY(!ide.window->ActiveEditor()->DocChanged());

        ide.window->RunTool("EditUndo");
        QCOMPARE(tab->windowTitle(), " a.zbl* ");
        ide.window->RunTool("EditRedo");
        QCOMPARE(tab->windowTitle(), " a.zbl ");

        // Just saved: closing asks nothing.
        ide.prompt.asked.clear();
        QVERIFY(ide.host()->CloseWindow(tab));
        QVERIFY(ide.prompt.asked.empty());
        QCOMPARE(ReadAll(path), QByteArray("' note\r\nSub Main\r\nEnd Sub\r\n"));
    }

    void EditToolsFollowTheKeysAtOnce() {
        Ide ide;
        NoSolution();
        ide.Open(ide.Write("c.zbl", "Sub Main\r\nEnd Sub\r\n"));
        CodeEditor* editor = ide.window->ActiveEditor()->Editor();
        editor->setFocus();
        QVERIFY(!Enabled(ide, "EditCopy"));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(Enabled(ide, "EditCopy"));
        QVERIFY(Enabled(ide, "EditCut"));
        QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!Enabled(ide, "EditCopy"));

        QVERIFY(!Enabled(ide, "EditUndo"));
        QTest::keyClick(editor, Qt::Key_X);
        QVERIFY(Enabled(ide, "EditUndo"));
        QVERIFY(!Enabled(ide, "EditRedo"));
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Enabled(ide, "EditRedo"));
        QVERIFY(!Enabled(ide, "EditUndo"));

        QApplication::clipboard()->clear();
        QVERIFY(!Enabled(ide, "EditPaste"));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(Enabled(ide, "EditPaste"));
    }

    void TemplateModuleIsColouredBeforeAnySave() {
        Ide ide;
        ide.window->RunTool("FileFile");
        EditorWindow* window = ide.window->ActiveEditor();
        QVERIFY(window->FileName().isEmpty());
        QVERIFY(!window->Syntax().keywords.isEmpty());
        CodeEditor* editor = window->Editor();
        editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
        QCOMPARE(editor->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL),
                 long(SyntaxScanner::Keyword));  // "Option"
        QCOMPARE(ide.host()->ActiveWindow()->windowTitle(), " Blank * ");
    }

    void StatusShowsTheCaretFromOneAndForgetsIt() {
        Ide ide;
        NoSolution();
        ide.Open(ide.Write("d.zbl", "Sub Main\r\n  x = 1\r\nEnd Sub\r\n"));
        auto* status = ide.window->findChild<QLabel*>("lblStatus1");
        ide.window->ActiveEditor()->Editor()->SetSel({1, 2, 1, 2});
        QCOMPARE(status->text(), "Position : 2/3");
        ide.Open(ide.Write("d2.zbl", "x\n"));
        QCOMPARE(status->text(), "Position : 1/1");
        ide.host()->Activate(ide.WindowFor(ide.home.File("d.zbl")));
        QCOMPARE(status->text(), "Position : 2/3");

        // One module closed, one left: its caret stays shown.
        QVERIFY(ide.host()->CloseWindow(ide.WindowFor(ide.home.File("d2.zbl"))));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(status->text().startsWith("Position : "));
        QVERIFY(ide.host()->CloseWindow(ide.WindowFor(ide.home.File("d.zbl"))));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(status->text(), "Ready");
    }

    void SavingAWindowsModuleAsUtf8IsTold() {
        Ide ide;
        NoSolution();
        const QString path = ide.Write("e.zbl", "' caf\xe9\r\n");
        ide.Open(path);
        CodeEditor* editor = ide.window->ActiveEditor()->Editor();
        editor->SetSel({0, 6, 0, 6});
        editor->ReplaceSelection(QString::fromUtf8(" \u2192"));
        ide.prompt.asked.clear();
        ide.window->RunTool("FileSave");
        QCOMPARE(ReadAll(path), QByteArray("' caf\xc3\xa9 \xe2\x86\x92\r\n"));
        QCOMPARE(ide.prompt.asked.size(), size_t(1));
        QVERIFY(ide.prompt.asked[0].text.contains("UTF-8"));
        // Told once: the module is UTF-8 from now on.
        editor->ReplaceSelection("x");
        ide.window->RunTool("FileSave");
        QCOMPARE(ide.prompt.asked.size(), size_t(1));
    }
};

ZIDE_TEST(EditorStateTest)
#include "EditorStateTest.moc"
