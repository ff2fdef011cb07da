// The shipped tool chain behind the build: a module translated, compiled and
// linked by the headless build with the installation's defaults, and run.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "TestSupport.h"
#include "settings/InstallDefaults.h"
#include "solution/ProjectTemplates.h"

namespace {
// A program folder of its own that holds the built tool chain.
struct ToolChainHome {
    TestHome home;
    ToolChainHome() {
        for (const char* folder : {"bin", "runtime"})
            QFile::link(QStringLiteral(ZIDE_BINARY_DIR "/") + folder, home.File(folder));
        InstallDefaults::Write();
    }
    // A console project's module with `body` in Sub Main.
    QString Module(const QString& body) const {
        QString text = ProjectTemplates::ConsoleTemplate(QStringLiteral("06/12/2026"));
        const QString main = QStringLiteral("start program from here\r\n");
        text.replace(main, main + body);
        QDir().mkpath(home.File("Hello"));
        WriteAll(home.File("Hello/Hello.zbl"), text.toUtf8());
        return home.File("Hello/Hello.zbl");
    }
};

// Runs the headless build; returns its exit status, its output in `output`.
int Build(const QString& module, QByteArray& output) {
    QProcess zide;
    zide.setProcessChannelMode(QProcess::MergedChannels);
    zide.start(ZIDE_PROGRAM, {"--build", module});
    if (!zide.waitForFinished(120000))
        return -1;
    output = zide.readAll();
    return zide.exitCode();
}
}  // namespace

class ToolChainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ANewConsoleProjectRuns() {
        ToolChainHome chain;
        const QString module = chain.Module("    Print \"Hello, world\"\r\n");
        QByteArray output;
        QCOMPARE(Build(module, output), 0);
        QProcess program;
        program.start(chain.home.File("Hello/Hello.exe"), {});
        QVERIFY2(program.waitForFinished(20000), output.constData());
        QCOMPARE(program.readAllStandardOutput(), QByteArray("Hello, world\n"));
        QCOMPARE(program.exitCode(), 0);
    }

    void AMistakeNamesItsModuleAndLine() {
        ToolChainHome chain;
        const QString module = chain.Module("    Prnt \"x\"\r\n");
        QByteArray output;
        QCOMPARE(Build(module, output), 1);
        // The template's Sub Main is line 7: the mistake is on line 8.
        QVERIFY2(output.contains((module + ":8:").toUtf8()), output.constData());
        QVERIFY(!QFile::exists(chain.home.File("Hello/Hello.exe")));
    }
};

ZIDE_TEST(ToolChainTest)
#include "ToolChainTest.moc"
