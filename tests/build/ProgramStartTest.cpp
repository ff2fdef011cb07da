#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "build/OutputTarget.h"
#include "build/ProgramStart.h"
#include "settings/Registry.h"

namespace {

class KeepingTarget : public OutputTarget {
public:
    QString text = QStringLiteral("Build succeeded in 0.1 s\n");
    QString Text() const override { return text; }
    void SetSelStart(int) override {}
    void SetSelLength(int) override {}
    void SetSelText(const QString& inserted) override { text = inserted; }
    void Append(const QString& more) override { text += more; }
};

// PATH for this process, restored afterwards.
class PathOverride {
public:
    explicit PathOverride(const QByteArray& path) : old(qgetenv("PATH")) { qputenv("PATH", path); }
    ~PathOverride() { qputenv("PATH", old); }

private:
    QByteArray old;
};

}  // namespace

class ProgramStartTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void consoleUnlessOptionSaysOff_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("console");
        QTest::newRow("nothing said") << "Print 1\n" << true;
        QTest::newRow("off") << "Option Console OFF\nPrint 1\n" << false;
        QTest::newRow("letter case and blanks") << "' gui\n  oPTION\tconsole  Off\n" << false;
        QTest::newRow("on") << "Option Console ON\n" << true;
        QTest::newRow("not at line start") << "Print \"Option Console OFF\"\n" << true;
        QTest::newRow("longer word") << "Option Console Offline\n" << true;
        QTest::newRow("CR LF") << "Print 1\r\nOption Console OFF\r\n" << false;
    }
    void consoleUnlessOptionSaysOff() {
        QFETCH(QString, source);
        QFETCH(bool, console);
        QCOMPARE(ProgramStart::IsConsoleSource(source), console);
    }

    // The terminal is found through the user's PATH setting like any tool,
    // and gets a shell that runs the program in its folder and then waits.
    void consoleProgramGetsATerminal() {
        TestHome home(false);
        QTemporaryDir dir;
        const QString args = dir.filePath("terminal.args");
        WriteAll(dir.filePath("term/x-terminal-emulator"),
                 "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\n");
        QFile::setPermissions(dir.filePath("term/x-terminal-emulator"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        mdlRegistry::SetUserEnvVar("PATH", dir.filePath("term"));
        QDir().mkpath(dir.filePath("p"));
        QVERIFY(QFile::copy(ZIDE_FAKETOOL, dir.filePath("p/main.exe")));

        const ProgramStart::Request request =
            ProgramStart::ForProgram(dir.filePath("p/main.exe"), "Print 1\n", QString());
        QCOMPARE(ProgramStart::Start(request, nullptr), ProgramStart::Started::InTerminal);
        QTRY_VERIFY(!ReadAll(args).isEmpty());
        const QStringList words = QString::fromUtf8(ReadAll(args)).split('\n');
        QCOMPARE(words.mid(0, 3), (QStringList{"-e", "/bin/sh", "-c"}));
        QCOMPARE(words.mid(4, 3),
                 (QStringList{"sh", dir.filePath("p"), dir.filePath("p/main.exe")}));
        QVERIFY(words[3].contains("read"));
    }

    void withoutTerminalOutputGoesAfterTheBuild() {
        TestHome home(false);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("p"));
        QVERIFY(QFile::copy(ZIDE_FAKETOOL, dir.filePath("p/main.exe")));
        const QByteArray oldScript = qgetenv("ZIDE_FAKETOOL");
        qputenv("ZIDE_FAKETOOL", "text:hello from main\n,pwd");
        KeepingTarget target;
        ProgramStart::Started started;
        {
            PathOverride path(dir.filePath("nothing-here").toUtf8());
            started = ProgramStart::Start(
                ProgramStart::ForProgram(dir.filePath("p/main.exe"), "Print 1\n", QString()),
                &target);
        }
        qputenv("ZIDE_FAKETOOL", oldScript);
        QCOMPARE(started, ProgramStart::Started::IntoOutput);
        QCOMPARE(target.text,
                 "Build succeeded in 0.1 s\nhello from main\n" + dir.filePath("p") + "\n");
    }

    void missingProgramIsSkipped() {
        QTemporaryDir dir;
        QCOMPARE(ProgramStart::Start(ProgramStart::ForProgram(dir.filePath("none.exe"),
                                                              "Option Console OFF", QString()),
                                     nullptr),
                 ProgramStart::Started::Skipped);
    }
};

ZIDE_TEST(ProgramStartTest)
#include "ProgramStartTest.moc"
