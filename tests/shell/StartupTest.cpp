#include <sys/resource.h>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <csignal>
#include <memory>
#include <optional>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "editor/EditorWindow.h"
#include "settings/FileLock.h"
#include "settings/Registry.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"

using namespace mdlRegistry;

namespace {

QString HandOverValue() {
    return GetRegString(RegRoot::LocalMachine, SettingsKey, "OpenFile");
}

// Every write of more than a few bytes by this process fails, as on a full
// disk, until the object goes.
class FullDisk {
public:
    FullDisk() {
        getrlimit(RLIMIT_FSIZE, &old);
        handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = old;
        tight.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
    }

private:
    rlimit old{};
    void (*handler)(int) = nullptr;
};

QRect Screen() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}
}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void StartFileIsOpenWhenReady_data() {
        QTest::addColumn<QString>("settings");
        QTest::newRow("usable") << "usable";
        QTest::newRow("a folder where the file should be") << "folder";
        QTest::newRow("disk full") << "full";
    }
    void StartFileIsOpenWhenReady() {
        QFETCH(QString, settings);
        Ide ide(false);
        const QString file = ide.Write("start.zbl");
        if (settings == "folder")
            QDir().mkpath(ide.home.RegistryFile());
        std::optional<FullDisk> full;
        if (settings == "full")
            full.emplace();

        bool shownAtReady = false;
        ide.window = std::make_unique<MainWindow>();
        connect(ide.window.get(), &MainWindow::Ready, this, [&] {
            EditorWindow* editor = ide.window->ActiveEditor();
            shownAtReady = editor && editor->FileName() == file && editor->isVisible();
        });
        ide.window->Startup("  " + file + " ");
        QVERIFY(shownAtReady);
        QCOMPARE(ide.OpenFiles(), QStringList({file}));
    }

    // Four starts at once, as a file manager does for four selected files:
    // each hands its file over, and every one opens.
    void EveryHandOverOpens() {
        Ide ide(false);
        ide.Start();
        const SingleInstance::Claim claim = SingleInstance::Acquire();
        QVERIFY(claim.lock);
        QStringList files;
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 4; ++i) {
            files << ide.Write(QString("m%1.zbl").arg(i));
            auto start = std::make_unique<QProcess>();
            start->setWorkingDirectory(ide.home.Path());
            // The first names its file relative to the folder it was started in.
            start->start(ZIDE_PROGRAM, {i == 0 ? QString("m0.zbl") : files[i]});
            starts.push_back(std::move(start));
        }
        for (auto& start : starts) {
            QVERIFY(start->waitForFinished(20000));
            QCOMPARE(start->exitCode(), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(ide.OpenFiles().size(), 4, 5000);
        QStringList open = ide.OpenFiles();
        open.sort();
        QCOMPARE(open, files);
        QCOMPARE(HandOverValue(), QString());
    }

    // Files handed over while the IDE is still starting wait for it: opening
    // the default solution and the start file takes none of them away.
    void HandOversDuringStartUpWait() {
        Ide ide(false);
        const SingleInstance::Claim claim = SingleInstance::Acquire();
        const QString a = ide.Write("a.zbl"), b = ide.Write("b.zbl"), c = ide.Write("c.zbl");
        SingleInstance::HandOver(a);
        SingleInstance::HandOver("  ");
        SingleInstance::HandOver(b);
        QCOMPARE(HandOverValue(), a + "\n" + b);
        ide.Start(c);
        QTRY_COMPARE_WITH_TIMEOUT(ide.OpenFiles(), QStringList({c, a, b}), 3000);
        QCOMPARE(HandOverValue(), QString());
    }

    // A queue that the IDE cannot shorten (the settings cannot be written)
    // opens once, not again on every tick of the poll.
    void StuckHandOverOpensOnce() {
        Ide ide(false);
        const QString a = ide.Write("a.zbl");
        SetRegString(RegRoot::LocalMachine, SettingsKey, "OpenFile", a);
        {
            FullDisk full;
            ide.Start();
            QTRY_COMPARE_WITH_TIMEOUT(ide.OpenFiles(), QStringList({a}), 3000);
            ide.window->Host()->Activate(ide.window->Host()->Windows().first());
            QTest::qWait(1000);
            QCOMPARE(ide.window->Host()->ActiveWindow()->Key(), "Startup");
            QCOMPARE(HandOverValue(), a);
        }
        // Once the settings can be written again, hand-overs flow as before.
        const QString b = ide.Write("b.zbl");
        SingleInstance::HandOver(b);
        QTRY_COMPARE_WITH_TIMEOUT(ide.OpenFiles(), QStringList({a, b}), 3000);
        QCOMPARE(HandOverValue(), QString());
    }

    void OnlyALivingIdeHoldsTheLock() {
        TestHome home;
        const QStringList before = QDir(home.Path()).entryList(QDir::Files);
        SingleInstance::Acquire();
        QStringList locks = QDir(home.Path()).entryList(QDir::Files);
        for (const QString& name : before)
            locks.removeAll(name);
        QCOMPARE(locks.size(), 1);
        const QString lockFile = home.File(locks.first());

        // What a crashed IDE or one on another computer left behind.
        for (const QByteArray& left : {QByteArray(), QByteArray("4242\nZorbel Builder\nfar\n")}) {
            WriteAll(lockFile, left);
            const SingleInstance::Claim claim = SingleInstance::Acquire();
            QVERIFY(claim.lock);
            QVERIFY(!claim.anotherRunning);
        }

        // A running IDE holds it for as long as it lives, however it ends.
        QProcess ide;
        ide.start(ZIDE_PROGRAM, {});
        // The holder notes its process id in the file.
        QTRY_VERIFY_WITH_TIMEOUT(
            ReadAll(lockFile).startsWith(QByteArray::number(ide.processId()) + '\n'), 20000);
        QVERIFY(SingleInstance::Acquire().anotherRunning);
        ide.kill();
        QVERIFY(ide.waitForFinished(5000));
        QVERIFY(SingleInstance::Acquire().lock);

        // Where nothing can be locked every start runs rather than none.
        WriteAll(home.File("blocker"), "a file where a folder should be");
        qputenv("ZIDE_REGISTRY", home.File("blocker/registry.reg").toLocal8Bit());
        const SingleInstance::Claim claim = SingleInstance::Acquire();
        QVERIFY(!claim.lock);
        QVERIFY(!claim.anotherRunning);
    }

    void PlacementFitsTheScreens_data() {
        QTest::addColumn<QStringList>("placement");  // left, top, width, height in twips
        QTest::addColumn<bool>("asStored");
        QTest::newRow("on the screen") << QStringList({"600", "450", "10500", "7500"}) << true;
        QTest::newRow("two billion wide")
            << QStringList({"0", "0", "2000000000", "2000000000"}) << false;
        QTest::newRow("past the right edge")
            << QStringList({"1500000", "300", "9000", "6000"}) << false;
        QTest::newRow("far up and left")
            << QStringList({"-2000000000", "-2000000000", "9000", "6000"}) << false;
        QTest::newRow("beyond any number")
            << QStringList({"99999999999999999999", "0", "99999999999999999999", "9000"}) << false;
    }
    void PlacementFitsTheScreens() {
        QFETCH(QStringList, placement);
        QFETCH(bool, asStored);
        Ide ide(false);
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.State", "0");
        const char* names[] = {"Main.Left", "Main.Top", "Main.Width", "Main.Height"};
        for (int i = 0; i < 4; ++i)
            SetRegString(RegRoot::LocalMachine, FormsKey, names[i], placement[i]);
        ide.Start();
        // The frame starts on the screen and the window fits it.
        const QRect placed = ide.window->geometry();
        QVERIFY(Screen().contains(ide.window->pos()));
        QVERIFY(placed.width() <= Screen().width() && placed.height() <= Screen().height());
        QVERIFY(placed.width() >= 200 && placed.height() >= 150);
        if (asStored)
            QCOMPARE(placed, QRect(40, 30, 700, 500));
        QVERIFY(ide.window->close());
        QVERIFY(GetRegString(RegRoot::LocalMachine, FormsKey, "Main.Width").toInt() <=
                Screen().width() * 15);
    }
};

ZIDE_TEST(StartupTest)
#include "StartupTest.moc"
