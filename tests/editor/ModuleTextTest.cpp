#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "editor/CodeEditor.h"
#include "editor/Windows1252.h"

class Windows1252Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void EveryByteReadsAndWritesBack() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        const QString text = Windows1252::Decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));  // €
        QCOMPARE(text.at(0x9F), QChar(0x0178));  // Ÿ
        QCOMPARE(text.at(0x81), QChar(0x0081));  // unassigned: kept as its control
        QCOMPARE(text.at(0xE9), QChar(0x00E9));  // é
        QByteArray back;
        QVERIFY(Windows1252::Encode(text, back));
        QCOMPARE(back, all);
    }

    void EncodeRefusesWhatThePageLacks() {
        QByteArray bytes;
        QVERIFY(Windows1252::Encode(QString::fromUtf8("5 € – “ok”"), bytes));
        QCOMPARE(bytes, QByteArray("5 \x80 \x96 \x93ok\x94"));
        QVERIFY(!Windows1252::Encode(QString::fromUtf8("a → b"), bytes));
        QVERIFY(!Windows1252::Encode(QString(QChar(0x0100)), bytes));
        QVERIFY(!Windows1252::Encode(QString::fromUtf8("\U0001F600"), bytes));
    }
};

class ModuleFileFormatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void OutgrowingWindows1252SavesAsUtf8() {
        QTemporaryDir dir;
        const QString path = dir.filePath("mod.zbl");
        WriteAll(path, "caf\xe9\r\n");
        CodeEditor editor;
        QVERIFY(editor.OpenFile(path));
        editor.SetSel({0, 4, 0, 4});
        editor.ReplaceSelection(QString::fromUtf8(" →"));
        // A build copy is no save: the module keeps its encoding.
        QVERIFY(editor.SaveCopy(dir.filePath("copy.zbl")));
        QCOMPARE(ReadAll(dir.filePath("copy.zbl")), QByteArray("caf\xc3\xa9 \xe2\x86\x92\r\n"));
        QCOMPARE(editor.FileEncoding(), CodeEditor::Encoding::Windows1252);
        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path), QByteArray("caf\xc3\xa9 \xe2\x86\x92\r\n"));
        QCOMPARE(editor.FileEncoding(), CodeEditor::Encoding::Utf8);
    }
};

class UnsavedStateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void SaveAndUndoToTheSavePointClearIt() {
        QTemporaryDir dir;
        const QString path = dir.filePath("mod.zbl");
        WriteAll(path, "a\n");
        CodeEditor editor;
        QSignalSpy changes(&editor, &CodeEditor::UnsavedChanged);
        QVERIFY(editor.OpenFile(path));
        QVERIFY(!editor.Unsaved());
        QCOMPARE(changes.count(), 0);

        editor.ReplaceSelection("b");
        QVERIFY(editor.Unsaved());
        QCOMPARE(changes.count(), 1);
        editor.ReplaceSelection("c");
        QCOMPARE(changes.count(), 1);  // told once, not at every change
        QVERIFY(editor.SaveFile(path));
        QVERIFY(!editor.Unsaved());
        QCOMPARE(changes.last().at(0).toBool(), false);

        editor.ExecuteCmd(CodeEditor::Undo);
        QVERIFY(editor.Unsaved());
        editor.ExecuteCmd(CodeEditor::Redo);
        QVERIFY(!editor.Unsaved());
        QCOMPARE(changes.last().at(0).toBool(), false);

        // A failed save leaves the text unsaved.
        editor.ReplaceSelection("d");
        QVERIFY(!editor.SaveFile(dir.filePath("no-such-folder/mod.zbl")));
        QVERIFY(editor.Unsaved());
    }

    void SetTextIsUnsavedWhateverIsUndone() {
        QTemporaryDir dir;
        CodeEditor editor;
        QSignalSpy changes(&editor, &CodeEditor::UnsavedChanged);
        editor.SetText("Sub Main\r\nEnd Sub");
        QVERIFY(editor.Unsaved());
        QCOMPARE(changes.count(), 1);
        editor.ReplaceSelection("x");
        editor.ExecuteCmd(CodeEditor::Undo);
        QVERIFY(editor.Unsaved());
        QVERIFY(editor.SaveFile(dir.filePath("new.zbl")));
        QVERIFY(!editor.Unsaved());
        QCOMPARE(changes.count(), 2);
    }
};

class IndentStyleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void IndentsWithTabs_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");  // 1 tabs, 0 spaces, -1 undecided
        QTest::newRow("no indented line") << QByteArray("Sub Main\nEnd Sub\n") << -1;
        QTest::newRow("spaces") << QByteArray("Sub Main\n    x = 1\n    y = 2\nEnd Sub") << 0;
        QTest::newRow("tabs") << QByteArray("Sub Main\n\tx = 1\nEnd Sub") << 1;
        QTest::newRow("tie") << QByteArray("\ta\n  b\n") << -1;
        QTest::newRow("blank lines do not count") << QByteArray("\t\n\t\n  a\n") << 0;
    }
    void IndentsWithTabs() {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        const std::optional<bool> tabs = CodeEditor::IndentsWithTabs(text);
        QCOMPARE(tabs ? int(*tabs) : -1, expected);
    }

    void ReturnIndentsAsTheModuleDoes_data() {
        QTest::addColumn<QByteArray>("module");
        QTest::addColumn<QString>("newLine");
        QTest::newRow("spaces") << QByteArray("Sub Main\n        x = 1\nEnd Sub\n")
                                << QString("        y");
        QTest::newRow("tabs") << QByteArray("Sub Main\n\t\tx = 1\nEnd Sub\n") << QString("\t\ty");
    }
    void ReturnIndentsAsTheModuleDoes() {
        QFETCH(QByteArray, module);
        QFETCH(QString, newLine);
        QTemporaryDir dir;
        WriteAll(dir.filePath("mod.zbl"), module);
        CodeEditor editor;
        QVERIFY(editor.OpenFile(dir.filePath("mod.zbl")));
        editor.resize(400, 200);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.ExecuteCmd(CodeEditor::GoToLine, 1);
        editor.SendScintilla(QsciScintillaBase::SCI_LINEEND);
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClick(&editor, Qt::Key_Y);
        QCOMPARE(editor.LineText(2), newLine);
    }
};

ZIDE_TEST(Windows1252Test)
ZIDE_TEST(ModuleFileFormatTest)
ZIDE_TEST(UnsavedStateTest)
ZIDE_TEST(IndentStyleTest)
#include "ModuleTextTest.moc"
