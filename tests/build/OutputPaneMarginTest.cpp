#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "build/OutputPane.h"
#include "editor/CodeEditor.h"

// The lines a build's messages name, marked in a module's editor margin.
class OutputPaneMarginTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void marksFollowEditsAndClear() {
        QTemporaryDir dir;
        const QString module = dir.filePath(QStringLiteral("m.zbl"));
        WriteAll(module, "a\nb\nc\nd\ne\nf\n");
        CodeEditor editor;
        QVERIFY(editor.OpenFile(module));

        OutputPane pane;
        pane.Target()->ReplaceAll(QStringLiteral("%1:2:1: error: x\n%1:5:1: warning: y\n"
                                                 "%1:99:1: error: past the end\n")
                                      .arg(module));
        QList<int> lines;
        for (const OutputPane::Message& m : pane.Messages()) {
            if (m.file == module)
                lines << m.line - 1;
        }
        editor.SetMessageLines(lines);
        QCOMPARE(editor.MessageLines(), (QList<int>{1, 4}));
        QVERIFY(editor.marginWidth(1) > 0);

        editor.setCursorPosition(0, 0);
        editor.insert(QStringLiteral("new\n"));
        QCOMPARE(editor.MessageLines(), (QList<int>{2, 5}));

        editor.ClearMessageLines();
        QCOMPARE(editor.MessageLines(), QList<int>{});
        QCOMPARE(editor.marginWidth(1), 0);
    }

    // A module with a line too long to show whole is shown in pieces: a mark
    // still lands on the module's line, not on the editor's.
    void marksOnModuleShownInPieces() {
        QTemporaryDir dir;
        const QString module = dir.filePath(QStringLiteral("long.zbl"));
        WriteAll(module,
                 "first\n" + QByteArray(5 * CodeEditor::SplitLineBytes, 'x') + "\nthird\nfourth\n");
        CodeEditor editor;
        QVERIFY(editor.OpenFile(module));
        QVERIFY(editor.ShownInPieces());
        editor.SetMessageLines({0, 3});
        QCOMPARE(editor.MessageLines(), (QList<int>{0, 3}));
        const long marked = editor.SendScintilla(QsciScintillaBase::SCI_MARKERNEXT, 1UL,
                                                 1L << CodeEditor::MessageMarker);
        QCOMPARE(editor.text(static_cast<int>(marked)), QStringLiteral("fourth\n"));
    }
};

ZIDE_TEST(OutputPaneMarginTest)
#include "OutputPaneMarginTest.moc"
