#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "controls/cFlatCtl.h"
#include "editor/EditorWindow.h"
#include "editor/SyntaxScanner.h"
#include "settings/InstallDefaults.h"
#include "settings/Registry.h"

namespace {
int StyleAt(CodeEditor* editor, int line, int column) {
    editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    return static_cast<int>(editor->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT,
                                                  editor->positionFromLineIndex(line, column)));
}
}  // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT

    TestHome home;
    QTemporaryDir dir;
    QString module;

private Q_SLOTS:
    void initTestCase() {
        QApplication::setApplicationName("Zorbel Builder");
        InstallDefaults::Write();
        module = dir.filePath("prog.zbl");
        WriteAll(module, "Sub Main\r\n  x = 1\r\nEnd Sub\r\n");
    }

    void ControlsAndCaptions() {
        EditorWindow window;
        QCOMPARE(window.objectName(), QString("Form2"));
        QCOMPARE(window.findChild<QLabel*>("Label1")->text(), QString("Module : "));
        QCOMPARE(window.findChild<QComboBox*>("Combo1")->itemText(0), QString("(General)"));
        QCOMPARE(window.findChild<QComboBox*>("Combo2")->itemText(0), QString("(Declarations)"));
        QCOMPARE(window.findChild<CodeEditor*>("cmaxEdit"), window.Editor());

        window.LoadFile("");
        QCOMPARE(window.Label1->text(), QString("Module :   "));
        QCOMPARE(window.ModuleName(), QString());
        QCOMPARE(window.Editor()->Text(), QString());

        window.LoadFile(module);
        QCOMPARE(window.Label1->text(), QString("Module :   prog.zbl"));
        QCOMPARE(window.ModuleName(), QString("prog.zbl"));
        QCOMPARE(window.FileName(), module);
        QCOMPARE(window.Editor()->LineText(1), QString("  x = 1"));
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // A module that cannot be read still names itself, from either separator.
        EditorWindow missing;
        missing.LoadFile("C:\\work\\old.zbl");
        QCOMPARE(missing.Label1->text(), QString("Module :   old.zbl"));
        QCOMPARE(missing.Editor()->Text(), QString());
    }

    void SyntaxFollowsTheExtension() {
        ScriptedPrompt prompt;
        EditorWindow untitled;
        untitled.LoadFile("");
        QCOMPARE(untitled.Syntax().filePath, home.File("syntax/zbl.syn"));
        QCOMPARE(untitled.Syntax().name, QString("Zorbel"));

        const QString source = dir.filePath("main.cpp");
        WriteAll(source, "int main() { return 0; } // done\n");
        EditorWindow cpp;
        cpp.LoadFile(source);
        QCOMPARE(cpp.Syntax().name, QString("C++"));
        QCOMPARE(StyleAt(cpp.Editor(), 0, 0), int(SyntaxScanner::Keyword));
        QCOMPARE(StyleAt(cpp.Editor(), 0, 27), int(SyntaxScanner::Comment));

        // Without a dot the whole file name is the extension.
        mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SyntaxKey,
                                  "Makefile", "cpp.syn");
        EditorWindow make;
        make.LoadFile(dir.filePath("build.d/Makefile"));
        QCOMPARE(make.Syntax().name, QString("C++"));

        // An extension without a syntax file: uncoloured, and nobody is asked.
        WriteAll(dir.filePath("notes.txt"), "Dim x ' note\n");
        EditorWindow notes;
        notes.LoadFile(dir.filePath("notes.txt"));
        QVERIFY(notes.Syntax().name.isEmpty());
        QCOMPARE(StyleAt(notes.Editor(), 0, 0), int(SyntaxScanner::Default));
        QCOMPARE(notes.Label1->text(), QString("Module :   notes.txt"));
        QVERIFY(prompt.asked.empty());
    }

    void FirstFileNameReloadsTheSyntaxOnce() {
        EditorWindow window;
        window.LoadFile("");
        window.Editor()->SetText("int x;");
        window.SetFileName(dir.filePath("first.cpp"));
        QCOMPARE(window.Syntax().name, QString("C++"));
        QCOMPARE(StyleAt(window.Editor(), 0, 0), int(SyntaxScanner::Keyword));
        window.SetFileName(dir.filePath("second.zbl"));
        QCOMPARE(window.Syntax().name, QString("C++"));
        QCOMPARE(window.FileName(), dir.filePath("second.zbl"));
        QCOMPARE(window.Label1->text(), QString("Module :   "));
        QCOMPARE(window.ModuleName(), QString());
    }

    void KeywordsTakeTheirListedCaseAsTyped() {
        EditorWindow window;
        window.LoadFile("");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CodeEditor* editor = window.Editor();
        QTest::keyClicks(editor, "dim x as long ' as long");
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, "s = \"dim \" & left$(s)");
        QCOMPARE(editor->Text(), QString("Dim x As Long ' as long\r\ns = \"dim \" & Left$(s)"));
        QVERIFY(window.DocChanged());
        QVERIFY(window.CanUndo() && window.CanDelete());
        QCOMPARE(editor->LineCount(), 2);
    }

    void TopBarHasTheFlatLook() {
        EditorWindow window;
        QList<QWidget*> framed;
        for (cFlatCtl* flat : window.findChildren<cFlatCtl*>())
            framed += flat->Control();
        QCOMPARE(framed.size(), 2);
        QVERIFY(framed.contains(window.Picture1) && framed.contains(window.Combo2));
    }

    void ChangedFlagFollowsTheSavePoint() {
        const QString copy = dir.filePath("changed.zbl");
        QFile::copy(module, copy);
        EditorWindow window;
        window.LoadFile(copy);
        QVERIFY(!window.DocChanged());
        QVERIFY(!window.CanUndo() && !window.CanDelete());
        window.Editor()->ReplaceSelection("' note\n");
        QVERIFY(window.DocChanged());
        QVERIFY(window.CanUndo() && window.CanDelete());
        QVERIFY(window.Editor()->SaveFile(copy));
        QVERIFY(!window.DocChanged());

        // Answered "do not save" stays answered until the text changes again.
        window.Editor()->ReplaceSelection("x");
        window.SetDocChanged(false);
        QVERIFY(!window.DocChanged());
        window.Editor()->ReplaceSelection("y");
        QVERIFY(window.DocChanged());
        window.SetFileName(dir.filePath("renamed.zbl"));
        QCOMPARE(window.FileName(), dir.filePath("renamed.zbl"));
        QCOMPARE(window.ModuleName(), QString("changed.zbl"));
    }

    void CaretPositionCountsFromOne() {
        EditorWindow window;
        window.LoadFile(module);
        QCOMPARE(window.CurrentPosition(), QString("1/1"));
        QCOMPARE(window.CurrentLine(), QString("1/4"));
        QSignalSpy status(&window, &EditorWindow::StatusText);
        window.Editor()->SetSel({1, 0, 1, 3});
        QCOMPARE(window.CurrentPosition(), QString("2/4"));
        QCOMPARE(window.CurrentLine(), QString("2/4"));
        QVERIFY(!status.isEmpty());
        QCOMPARE(status.last().at(0).toString(), QString("Position : 2/4"));
    }

    void NewTextIsColouredBeforeAnySave() {
        EditorWindow window;
        window.NewText("Sub Main\r\nEnd Sub\r\n");
        QCOMPARE(window.Syntax().name,
                 SyntaxDefinition::Parse(EditorWindow::SyntaxPathFor("a.zbl")).name);
        QVERIFY(!window.Syntax().keywords.isEmpty());
        QCOMPARE(StyleAt(window.Editor(), 0, 0), int(SyntaxScanner::Keyword));
        QVERIFY(window.DocChanged());
        QCOMPARE(window.FileName(), QString());
    }

    void SearchMessagesComeFromTheWindowOnly() {
        ScriptedPrompt prompt;
        EditorWindow window;
        window.LoadFile(module);
        window.Editor()->SetLastSearch({"Function"});
        QVERIFY(!window.Editor()->ExecuteCmd(CodeEditor::FindNext));
        QCOMPARE(prompt.asked.size(), size_t(1));
        QCOMPARE(prompt.asked[0].text, QString("  Search text is not found. "));
        QCOMPARE(prompt.asked[0].title, QString("Zorbel Builder"));

        window.Editor()->SetLastSearch({"End"});
        QVERIFY(window.Editor()->ExecuteCmd(CodeEditor::FindNext));
        QCOMPARE(prompt.asked.size(), size_t(1));

        bool handled = false;
        Q_EMIT window.Editor()->CommandFailed(CodeEditor::Paste, 7, &handled);
        QVERIFY(!handled);
        QCOMPARE(prompt.asked.size(), size_t(1));
    }

    // Events still reach a control while it is being destroyed (the focus
    // leaving it, the pointer over it); the window's own watchers of its
    // procedure list and its text are gone by then.
    void ControlsBeingDestroyedAreNotWatched() {
        // Sends its parent an event as it goes, which is while its parent goes.
        struct Poke : QObject {
            QEvent* event;
            Poke(QObject* parent, QEvent* event) : QObject(parent), event(event) {}
            ~Poke() override { QCoreApplication::sendEvent(parent(), event); }
        };
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QKeyEvent codeList(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
        auto* window = new EditorWindow;
        window->LoadFile(module);
        window->show();
        new Poke(window->Combo2, &focusIn);
        new Poke(window->Editor(), &codeList);
        delete window;
    }

    // The main window reads the command states when asked: by then the key
    // or click must have had its effect.
    void KeysAndClicksAskTheMainWindowAfterTheirEffect() {
        EditorWindow window;
        window.LoadFile(module);
        window.resize(500, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CodeEditor* editor = window.Editor();
        QList<bool> copyAtUpdate;
        QList<bool> undoAtUpdate;
        connect(&window, &EditorWindow::UpdateUIRequested, this, [&] {
            copyAtUpdate << window.CanCopy();
            undoAtUpdate << window.CanUndo();
        });
        QSignalSpy menu(&window, &EditorWindow::EditMenuRequested);

        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!copyAtUpdate.isEmpty() && copyAtUpdate.last());
        QTest::keyClick(editor, Qt::Key_Right);
        QVERIFY(!copyAtUpdate.last());
        QVERIFY(!undoAtUpdate.last());
        QTest::keyClick(editor, Qt::Key_X);
        QVERIFY(undoAtUpdate.last());
        copyAtUpdate.clear();
        QTest::keyClick(editor, Qt::Key_Shift);  // moves nothing, still asks
        QCOMPARE(copyAtUpdate.size(), 1);

        const QPoint text(editor->marginWidth(0) + 40, 5);
        const qsizetype before = copyAtUpdate.size();
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, text);
        QVERIFY(copyAtUpdate.size() > before);
        QCOMPARE(menu.count(), 0);
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, text);
        QCOMPARE(menu.count(), 1);
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(2, 5));
        QCOMPARE(menu.count(), 1);
    }
};

ZIDE_TEST(EditorWindowTest)
#include "EditorWindowTest.moc"
