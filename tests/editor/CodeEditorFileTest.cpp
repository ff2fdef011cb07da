#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

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
        QTest::newRow("Windows-1252")
            << QByteArray("caf\xe9 \x80\n") << QString::fromUtf8("café €");
        QTest::newRow("overlong UTF-8")
            << QByteArray("a\xc0\xaf\n") << QString::fromLatin1("a\xc0\xaf");
        QTest::newRow("UTF-8 surrogate")
            << QByteArray("\xed\xa0\x80\n") << QString::fromUtf16(u"\u00ed\u00a0\u20ac");
        QTest::newRow("cut-off UTF-8")
            << QByteArray("ab\xe2\x82") << QString::fromUtf16(u"ab\u00e2\u201a");
        QTest::newRow("NUL byte") << QByteArray("a\0b\n", 4) << QString::fromLatin1("a\0b", 3);
        QTest::newRow("Windows-1252, CR LF")
            << QByteArray("Print \"5 \x80 \x93ok\x94\"\r\nEnd Sub\r\n")
            << QString::fromUtf8("Print \"5 € “ok”\"");
        QTest::newRow("UTF-8, CR LF")
            << QByteArray("' caf\xc3\xa9 \xe2\x82\xac\r\nx\r\n") << QString::fromUtf8("' café €");
        // Not UTF-8 throughout: all of it is read in the code page, nothing lost.
        QTest::newRow("half UTF-8, half Windows-1252")
            << QByteArray("' caf\xc3\xa9 5\x80\r\n") << QString::fromUtf8("' cafÃ© 5€");
        QTest::newRow("byte order mark before Windows-1252")
            << QByteArray("\xef\xbb\xbf' \x80\r\n") << QString::fromUtf8("ï»¿' €");
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
        // An edit undone is no edit either.
        editor.ReplaceSelection("x");
        editor.ExecuteCmd(CodeEditor::Undo);
        QVERIFY(editor.SaveFile(path));
        QCOMPARE(ReadAll(path), bytes);
    }

    // A new module keeps the line ends of the template it was made from; text
    // set into a module read from a file keeps the file's.
    void NewDocumentsSaveWithTheirTextsLineEnds() {
        QTemporaryDir dir;
        CodeEditor editor;
        editor.SetText("Option Explicit\r\n\r\nSub Main\r\nEnd Sub");
        QCOMPARE(editor.Text(), QString("Option Explicit\r\n\r\nSub Main\r\nEnd Sub"));
        QVERIFY(!editor.CanUndo());
        QVERIFY(editor.SaveFile(dir.filePath("new.zbl")));
        QCOMPARE(ReadAll(dir.filePath("new.zbl")),
                 QByteArray("Option Explicit\r\n\r\nSub Main\r\nEnd Sub"));

        WriteAll(dir.filePath("lf.zbl"), "a\nb\n");
        QVERIFY(editor.OpenFile(dir.filePath("lf.zbl")));
        editor.SetText("c\r\nd\r\n");
        QVERIFY(editor.SaveFile(dir.filePath("lf.zbl")));
        QCOMPARE(ReadAll(dir.filePath("lf.zbl")), QByteArray("c\nd\n"));
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

    // Only a regular file read to its end is a module. Root reads any file,
    // so what cannot be read here is what is no file, or fails to read.
    void WhatIsNoModuleFileLeavesTheEditorEmpty() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("pipe.zbl");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QStringList paths = {dir.filePath("no-such-dir/none.zbl"),
                                   dir.path(),
                                   fifo,
                                   "/dev/null",
                                   "/proc/self/mem",
                                   ""};
        for (const QString& path : paths) {
            CodeEditor editor;
            editor.SetText("old text");
            // A writer offers a module on the pipe for a moment: a reader that
            // waited for one would take it.
            std::atomic<bool> done = false;
            std::thread writer([&] {
                for (int i = 0; i < 100 && !done && path == fifo; ++i) {
                    const int fd =
                        ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        [[maybe_unused]] const ssize_t written = ::write(fd, "Sub X\n", 6);
                        ::close(fd);
                        return;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            });
            const bool opened = editor.OpenFile(path);
            done = true;
            writer.join();
            QVERIFY2(!opened, qPrintable(path));
            QCOMPARE(editor.Text(), QString());
            QByteArray bytes = "old";
            QVERIFY(!CodeEditor::ReadModule(path, bytes));
            QVERIFY(bytes.isEmpty());
        }
        QVERIFY(!CodeEditor::IsReadableModule(fifo));
        QVERIFY(!CodeEditor::IsReadableModule(dir.path()));
        WriteAll(dir.filePath("mod.zbl"), "x\n");
        QVERIFY(CodeEditor::IsReadableModule(dir.filePath("mod.zbl")));
    }

    // A read that fails part way gives nothing, not the part it got.
    void AReadFailingHalfWayGivesNothing() {
        struct Failing : QIODevice {
            qint64 given = 0;
            qint64 readData(char* data, qint64 size) override {
                if (given >= 3000)
                    return -1;
                const qint64 now = std::min<qint64>(size, 1000);
                std::memset(data, 'x', static_cast<size_t>(now));
                given += now;
                return now;
            }
            qint64 writeData(const char*, qint64) override { return -1; }
        } device;
        device.open(QIODevice::ReadOnly);
        QByteArray bytes;
        QVERIFY(!CodeEditor::ReadAll(device, bytes));
        QVERIFY(bytes.isEmpty());
        QCOMPARE(device.given, qint64(3000));
    }

    // A line of megabytes would take the editor seconds at every paint: such
    // a module shows its long lines in pieces and stays as it was read.
    void LongLinesShowInPiecesAndSaveAsRead() {
        QTemporaryDir dir;
        // Three-byte characters, so that a piece of PieceBytes would end
        // inside one.
        QByteArray longLine;
        while (longLine.size() <= 3 * CodeEditor::SplitLineBytes)
            longLine += "s = \"\xe2\x82\xac\xe2\x82\xac\" : ";
        const QByteArray bytes = "Sub Main\r\n" + longLine + "\r\nEnd Sub\r\n";
        const QString path = dir.filePath("long.zbl");
        WriteAll(path, bytes);
        CodeEditor editor;
        editor.show();
        QVERIFY(editor.OpenFile(path));
        QVERIFY(editor.ShownInPieces());
        QVERIFY(editor.isReadOnly());
        const int pieces = editor.LineCount() - 3;
        QVERIFY(pieces > longLine.size() / CodeEditor::PieceBytes);
        QString joined;
        for (int line = 1; line <= pieces; ++line) {
            const QString piece = editor.LineText(line);
            QVERIFY(piece.toUtf8().size() <= CodeEditor::PieceBytes);
            joined += piece;
        }
        QCOMPARE(joined.toUtf8(), longLine);
        QCOMPARE(editor.LineText(pieces + 1), QString("End Sub"));
        // The note that says why sits under the long line's first piece.
        QVERIFY(editor.SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETLINES, 1UL) > 0);
        QCOMPARE(editor.SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETLINES, 2UL), 0L);

        QCOMPARE(editor.Text(), QString::fromUtf8(bytes));
        QTest::keyClicks(&editor, "xyz");
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(editor.Text(), QString::fromUtf8(bytes));
        QVERIFY(!editor.CanUndo());
        QVERIFY(editor.SaveFile(dir.filePath("copy.zbl")));
        QCOMPARE(ReadAll(dir.filePath("copy.zbl")), bytes);

        // Lines up to the limit stay whole, and the next module is editable.
        const QByteArray limit(CodeEditor::SplitLineBytes, 'x');
        WriteAll(path, limit + "\n");
        QVERIFY(editor.OpenFile(path));
        QVERIFY(!editor.ShownInPieces());
        QVERIFY(!editor.isReadOnly());
        QCOMPARE(editor.LineCount(), 2);
        QCOMPARE(editor.Text(), QString::fromLatin1(limit + "\r\n"));
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
