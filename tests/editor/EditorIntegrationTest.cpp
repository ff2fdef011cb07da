// The editor window with the shipped syntax files: navigator, keyword list
// and argument tips reacting to what a user does in the window.
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

#include "TestSupport.h"
#include "editor/EditorWindow.h"
#include "settings/InstallDefaults.h"

class EditorIntegrationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void TypingDrivesTipAndStatus() {
        TestHome home;
        InstallDefaults::Write();
        EditorWindow window;
        window.resize(800, 500);
        window.show();
        window.LoadFile(home.File("projects/hello.zbl"));
        CodeEditor* editor = window.Editor();
        QVERIFY(window.Combo2->count() > 3);  // "(Declarations)" and the procedures
        QCOMPARE(window.Combo2->itemText(0), "(Declarations)");

        editor->setFocus();
        editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QSignalSpy status(&window, &EditorWindow::StatusText);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, "s = Mid(\"abc\", ");
        QVERIFY(!status.isEmpty());
        QCOMPARE(status.last().first().toString(), "Position : " + window.CurrentPosition());
        QVERIFY(editor->SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE));
        QTest::keyClicks(editor, "2)");
        QVERIFY(!editor->SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE));
    }

    void MovingToAnotherLineFollowsTheProcedure() {
        TestHome home;
        InstallDefaults::Write();
        EditorWindow window;
        window.show();
        window.LoadFile(home.File("projects/hello.zbl"));
        CodeEditor* editor = window.Editor();
        const int before = window.Combo2->currentIndex();
        editor->setFocus();
        // Down from the top until the caret is inside a procedure.
        for (int i = 0; i < 15; ++i)
            QTest::keyClick(editor, Qt::Key_Down);
        QVERIFY(window.Combo2->currentIndex() != before);
        QVERIFY(window.Combo2->currentText().contains("Main"));
    }
};

ZIDE_TEST(EditorIntegrationTest)
#include "EditorIntegrationTest.moc"
