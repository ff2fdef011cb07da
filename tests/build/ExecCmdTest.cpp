#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "build/ExecCmd.h"
#include "build/OutputTarget.h"

namespace {

// A text box with the selection semantics of the real one, remembering the
// whole text after every change.
class RecordingTarget : public StringTarget {
public:
    QStringList changes;

    void SetSelText(const QString& inserted) override {
        StringTarget::SetSelText(inserted);
        changes << text;
    }
};

// The fake tool's numbered lines, as it writes them.
QString Lines(int size) {
    QString text;
    for (int line = 1; text.size() < size; ++line)
        text += QStringLiteral("line %1 of the fake tool's output\n").arg(line);
    return text.left(size);
}

QString Quoted(const QString& path) {
    return QLatin1Char('"') + path + QLatin1Char('"');
}

// Runs the fake tool with a script; the previous script comes back afterwards.
class FakeTool {
public:
    explicit FakeTool(const QByteArray& script) : old(qgetenv("ZIDE_FAKETOOL")) {
        qputenv("ZIDE_FAKETOOL", script);
    }
    ~FakeTool() { qputenv("ZIDE_FAKETOOL", old); }

private:
    QByteArray old;
};

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void split_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("blank") << " \t " << QStringList{};
        QTest::newRow("plain") << "  bcc32  -c   a.cpp " << QStringList{"bcc32", "-c", "a.cpp"};
        QTest::newRow("tabs") << "tool\ta\t\tb" << QStringList{"tool", "a", "b"};
        QTest::newRow("quoted program")
            << "\"/opt/my tools/tc\" x" << QStringList{"/opt/my tools/tc", "x"};
        QTest::newRow("quotes inside program")
            << "/opt/\"my tools\"/tc" << QStringList{"/opt/my tools/tc"};
        QTest::newRow("backslashes in program")
            << "C:\\bin\\\"x y\" z" << QStringList{"C:\\bin\\x y", "z"};
        QTest::newRow("quoted argument") << "t \"a b\" c" << QStringList{"t", "a b", "c"};
        QTest::newRow("quotes mid word") << "t -I\"my inc\"/x" << QStringList{"t", "-Imy inc/x"};
        QTest::newRow("empty argument") << "t \"\" x" << QStringList{"t", "", "x"};
        QTest::newRow("escaped quote") << "t a\\\"b" << QStringList{"t", "a\"b"};
        QTest::newRow("backslashes kept") << "t a\\\\b\\c" << QStringList{"t", "a\\\\b\\c"};
        QTest::newRow("even backslashes then quote")
            << "t \"a\\\\\" b" << QStringList{"t", "a\\", "b"};
        QTest::newRow("odd backslashes then quote")
            << "t \"a\\\\\\\" b\"" << QStringList{"t", "a\\\" b"};
        QTest::newRow("doubled quote in group")
            << "t \"say \"\"hi\"\"\"" << QStringList{"t", "say \"hi\""};
        QTest::newRow("unclosed quote") << "t \"a b" << QStringList{"t", "a b"};
    }
    void split() {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QCOMPARE(mdlExecCmd::SplitCommandLine(line), words);
    }

    void wholeLineNamingAFileIsOneProgram() {
        QTemporaryDir dir;
        const QString tool = dir.filePath(QStringLiteral("my tools/fake tool"));
        QDir().mkpath(QFileInfo(tool).path());
        QVERIFY(QFile::copy(QStringLiteral(ZIDE_FAKETOOL), tool));
        const mdlExecCmd::Launch launch =
            mdlExecCmd::ResolveCommandLine(QStringLiteral("  ") + tool + QStringLiteral(" "));
        QCOMPARE(launch.program, tool);
        QVERIFY(launch.arguments.isEmpty());
    }

    void scriptFileRunsWithShell() {
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("make.bat"));
        WriteAll(script, "echo \"[$1]\"\n");
        QCOMPARE(mdlExecCmd::ResolveCommandLine(script).program, QStringLiteral("/bin/sh"));

        // Found in the current folder, as a batch file is during a build.
        const QString oldCurrent = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const mdlExecCmd::Launch launch =
            mdlExecCmd::ResolveCommandLine(QStringLiteral("make.bat \"Win32 Release\""));
        RecordingTarget target;
        ExecCmd(QStringLiteral("make.bat \"Win32 Release\""), &target);
        QDir::setCurrent(oldCurrent);
        QCOMPARE(launch.program, QStringLiteral("/bin/sh"));
        QCOMPARE(launch.arguments, (QStringList{script, "Win32 Release"}));
        QCOMPARE(target.text, QStringLiteral("[Win32 Release]\n"));
    }
};

class ExecCmdTest : public QObject {
    Q_OBJECT

private:
    const QString tool = Quoted(QStringLiteral(ZIDE_FAKETOOL));

private Q_SLOTS:
    void longOutputCompleteAndInOrder() {
        FakeTool script("out:300,sleep:300,text:middle\n,sleep:300,out:5000");
        RecordingTarget target;
        target.text = QStringLiteral("previous run");
        QCOMPARE(ExecCmd(tool, &target), 0);
        QCOMPARE(target.text, Lines(300) + QStringLiteral("middle\n") + Lines(5000));
        QVERIFY(!target.changes.first().contains(QStringLiteral("previous")));
        // Pieces are added as they arrive, not at the end of the run.
        QVERIFY(target.changes.size() >= 2);
        for (int i = 1; i < target.changes.size(); ++i)
            QVERIFY(target.changes[i].startsWith(target.changes[i - 1]));
    }

    void textBoxShowsAllWithCaretAtEnd() {
        FakeTool script("text:first\r\n,sleep:30,out:70000,sleep:30,text:\r,sleep:30,text:\nlast");
        QPlainTextEdit edit;
        edit.resize(300, 200);
        edit.show();
        edit.setPlainText(QStringLiteral("old\nold\nold"));
        TextBoxTarget target(&edit);
        QCOMPARE(ExecCmd(tool, &target), 0);
        QCOMPARE(edit.toPlainText(),
                 QStringLiteral("first\n") + Lines(70000) + QStringLiteral("\nlast"));
        QCOMPARE(edit.textCursor().position(), edit.document()->characterCount() - 1);
        QVERIFY(!edit.textCursor().hasSelection());
        QCOMPARE(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());
    }

    void silentRunsEmptyTheTarget_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("prints nothing") << tool << QByteArray("exit:3");
        QTest::newRow("standard error only") << tool << QByteArray("err:2000");
        QTest::newRow("missing program") << QStringLiteral("/no/such/zide-tool -x") << QByteArray();
        QTest::newRow("empty line") << QStringLiteral("   ") << QByteArray();
    }
    void silentRunsEmptyTheTarget() {
        QFETCH(QString, commandLine);
        QFETCH(QByteArray, script);
        FakeTool fake(script);
        RecordingTarget target;
        target.text = QStringLiteral("previous run");
        QCOMPARE(ExecCmd(commandLine, &target), 0);
        QCOMPARE(target.changes, QStringList{QString()});
    }

    void runsInTheCurrentFolder() {
        QTemporaryDir dir;
        const QString oldCurrent = QDir::currentPath();
        QDir::setCurrent(dir.path());
        FakeTool script("pwd");
        RecordingTarget target;
        ExecCmd(tool, &target);
        QDir::setCurrent(oldCurrent);
        QCOMPARE(target.text, QDir(dir.path()).canonicalPath() + QLatin1Char('\n'));
    }

    void characterSplitBetweenReads_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("expected");
        // One write of 257 bytes: the 256-byte read ends inside the character.
        QTest::newRow("at a read boundary")
            << "hex:" + QByteArray("41").repeated(255) + "C3A9"
            << QString(255, QLatin1Char('A')) + QStringLiteral("\u00e9");
        QTest::newRow("three bytes at a read boundary")
            << "hex:" + QByteArray("41").repeated(254) + "E282AC"
            << QString(254, QLatin1Char('A')) + QStringLiteral("\u20ac");
        QTest::newRow("between writes")
            << QByteArray("text:a,hex:C3,sleep:150,hex:A9E2,sleep:150,hex:82AC,text:z")
            << QStringLiteral("a\u00e9\u20acz");
        // A Latin-1 letter that ends a read starts no character: the byte
        // after it is the next read's first, and is shown.
        QTest::newRow("invalid byte ending a read")
            << "hex:" + QByteArray("61").repeated(255) + "E9626364"
            << QString(255, QLatin1Char('a')) + QStringLiteral("\ufffdbcd");
        QTest::newRow("latin-1 text") << QByteArray("text:Caf,hex:E9,text: cr,hex:E8,text:me")
                                      << QStringLiteral("Caf\ufffd cr\ufffdme");
        QTest::newRow("output ends inside a character")
            << QByteArray("text:end,hex:F09F98") << QStringLiteral("end\ufffd\ufffd\ufffd");
    }
    void characterSplitBetweenReads() {
        QFETCH(QByteArray, script);
        QFETCH(QString, expected);
        FakeTool fake(script);
        RecordingTarget target;
        ExecCmd(tool, &target);
        QCOMPARE(target.text, expected);
    }

    void quotedArgumentsArriveWhole() {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("fake tools/zide faketool"));
        QDir().mkpath(QFileInfo(copy).path());
        QVERIFY(QFile::copy(QStringLiteral(ZIDE_FAKETOOL), copy));
        FakeTool script("args");
        RecordingTarget target;
        ExecCmd(Quoted(copy) + QStringLiteral(" -c \"my file.zbl\" \"say \\\"hi\\\"\" \"\" end"),
                &target);
        QCOMPARE(target.text, QStringLiteral("-c\nmy file.zbl\nsay \"hi\"\n\nend\n"));
    }

    // The tool waits for a file that the test makes only once the call has
    // returned: a call that waited for the tool's end would never see it
    // finish, and the tool would give up without its marker.
    void aToolThatOutlivesItsOutputRunsOnByItself() {
        QTemporaryDir dir;
        const QString go = dir.filePath(QStringLiteral("go"));
        const QString ran = dir.filePath(QStringLiteral("ran"));
        FakeTool script("text:done\n,ppid,close,wait:" + go.toUtf8() + ",touch:" + ran.toUtf8());
        RecordingTarget target;
        ExecCmd(tool, &target);
        WriteAll(go, "");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ran), 20000);
        const QStringList lines = target.text.split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("done"));
        // Not the IDE's child: nothing of it is left for the IDE to wait for
        // or release, whether it ends before the IDE or after.
        QVERIFY(lines.value(1).toLongLong() > 0);
        QVERIFY(lines.value(1).toLongLong() != QCoreApplication::applicationPid());
    }

    void withoutTargetStartsAndReturns() {
        QTemporaryDir dir;
        const QString go = dir.filePath(QStringLiteral("go"));
        const QString ran = dir.filePath(QStringLiteral("ran"));
        FakeTool script("wait:" + go.toUtf8() + ",touch:" + ran.toUtf8());
        QCOMPARE(ExecCmd(tool, nullptr), 0);
        WriteAll(go, "");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ran), 20000);
    }
};

ZIDE_TEST(CommandLineTest)
ZIDE_TEST(ExecCmdTest)
#include "ExecCmdTest.moc"
