#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "TestSupport.h"
#include "editor/CodeEditor.h"

class CodeEditorFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void TextIsCrLfAndSaveKeepsLineEnds_data() {
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("CR") << QByteArray("\r");
    }
    void TextIsCrLfAndSaveKeepsLineEnds() {
        QFETCH(QByteArray, eol);
        QTemporaryDir dir;
        const QString path = dir.filePath("mod.zbl");
        WriteAll(path, "Sub Main" + eol + "End Sub" + eol);
        CodeEditor editor;
        QVERIFY(editor.OpenFile(path));
        QCOMPARE(editor.Text(), QString("Sub Main\r\nEnd Sub\r\n"));
        QCOMPARE(editor.LineCount(), 3);
        QCOMPARE(editor.LineText(1), QString("End Sub"));

        // Lines the user adds get the file's line ends too, whatever they came with.
        editor.SetSel({1, 0, 1, 0});
        editor.ReplaceSelection("  x = 1\r\n  y = 2\n");
        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path),
                 "Sub Main" + eol + "  x = 1" + eol + "  y = 2" + eol + "End Sub" + eol);
    }

    void MixedLineEndsSaveAsTheFirstOne() {
        QTemporaryDir dir;
        const QString path = dir.filePath("mixed.zbl");
        WriteAll(path, "a\r\nb\nc\rd");
        CodeEditor editor;
        QVERIFY(editor.OpenFile(path));
        QCOMPARE(editor.Text(), QString("a\r\nb\r\nc\r\nd"));
        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path), QByteArray("a\r\nb\r\nc\r\nd"));
    }

    void SaveKeepsTheEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9\n") << QString::fromUtf8("café");
        QTest::newRow("UTF-8 with BOM") << QByteArray(
                                               "\xef\xbb\xbf"
                                               "caf\xc3\xa9\n")
                                        << QString::fromUtf8("café");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\n") << QString::fromUtf8("café");
        QTest::newRow("overlong UTF-8")
            << QByteArray("a\xc0\xaf\n") << QString::fromLatin1("a\xc0\xaf");
        QTest::newRow("UTF-8 surrogate")
            << QByteArray("\xed\xa0\x80\n") << QString::fromLatin1("\xed\xa0\x80");
        QTest::newRow("cut-off UTF-8")
            << QByteArray("ab\xe2\x82") << QString::fromLatin1("ab\xe2\x82");
        QTest::newRow("NUL byte") << QByteArray("a\0b\n", 4) << QString::fromLatin1("a\0b", 3);
    }
    void SaveKeepsTheEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, firstLine);
        QTemporaryDir dir;
        const QString path = dir.filePath("mod.zbl");
        WriteAll(path, bytes);
        CodeEditor editor;
        QVERIFY(editor.OpenFile(path));
        QCOMPARE(editor.LineText(0), firstLine);
        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path), bytes);
    }

    void LatinOneTextThatOutgrowsLatinOneBecomesUtf8() {
        QTemporaryDir dir;
        const QString path = dir.filePath("mod.zbl");
        WriteAll(path, "caf\xe9\n");
        CodeEditor editor;
        QVERIFY(editor.OpenFile(path));
        QCOMPARE(editor.FileEncoding(), CodeEditor::Encoding::Latin1);
        editor.SetSel({0, 4, 0, 4});
        editor.ReplaceSelection(QString::fromUtf8(" €"));
        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path), QByteArray("caf\xc3\xa9 \xe2\x82\xac\n"));
    }

    void NewDocumentsSaveWithLf() {
        QTemporaryDir dir;
        CodeEditor editor;
        editor.SetText("Option Explicit\r\n\r\nSub Main\r\nEnd Sub");
        QCOMPARE(editor.Text(), QString("Option Explicit\r\n\r\nSub Main\r\nEnd Sub"));
        QVERIFY(!editor.CanUndo());
        QVERIFY(editor.SaveFile(dir.filePath("new.zbl")));
        QCOMPARE(ReadAll(dir.filePath("new.zbl")),
                 QByteArray("Option Explicit\n\nSub Main\nEnd Sub"));
    }

    void LoadingIsNotAChangeButSetTextIs() {
        QTemporaryDir dir;
        WriteAll(dir.filePath("mod.zbl"), "x = 1\n");
        CodeEditor editor;
        QSignalSpy changed(&editor, &CodeEditor::TextChanged);
        QVERIFY(editor.OpenFile(dir.filePath("mod.zbl")));
        QCOMPARE(changed.count(), 0);
        QVERIFY(!editor.CanUndo());
        editor.SetText("y = 2");
        QVERIFY(changed.count() > 0);
    }

    void AMissingFileLeavesTheEditorEmpty() {
        CodeEditor editor;
        editor.SetText("old text");
        QVERIFY(!editor.OpenFile(QDir::temp().filePath("no-such-dir-zide/none.zbl")));
        QCOMPARE(editor.Text(), QString());
        editor.SetText("old text");
        QVERIFY(!editor.OpenFile(QDir::tempPath()));
        QCOMPARE(editor.Text(), QString());
    }

    void FailedSavesLeaveTheOldFile_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("short write") << 200000;
        QTest::newRow("failed flush") << 3000;
    }
    void FailedSavesLeaveTheOldFile() {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath("mod.zbl");
        const QByteArray old("old module\n");
        WriteAll(path, old);
        CodeEditor editor;
        QVERIFY(editor.OpenFile(path));
        editor.SetText(QString(size, 'x'));

        QVERIFY(!editor.SaveFile(dir.filePath("missing/mod.zbl")));
        QVERIFY(!QFile::exists(dir.filePath("missing")));

        // A write that stops half-way: the file size limit cuts the temporary
        // file short, and the rename must never happen.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool savedDespiteLimit = editor.SaveFile(path);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!savedDespiteLimit);
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"mod.zbl"});

        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path).size(), size);
    }
};

ZIDE_TEST(CodeEditorFileTest)
#include "CodeEditorFileTest.moc"
