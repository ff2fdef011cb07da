#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "TestSupport.h"
#include "settings/Registry.h"
#include "shell/MainWindow.h"
#include "shell/ScreenFit.h"

using ScreenFit::FitOnScreens;

namespace {
// Two screens side by side, the right one larger, without window frames.
const char* const TwoScreens = R"({"windowFrameMargins": false, "screens": [
  {"name": "left", "x": 0, "y": 0, "width": 1000, "height": 800,
   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
  {"name": "right", "x": 1000, "y": 0, "width": 1200, "height": 900,
   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";

const QSize Minimum(200, 150);
}  // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Which screen a place belongs to needs more than one screen: a run with
    // one runs this again in a process that has two.
    void PlacesStayOnTheirScreen() {
        if (QGuiApplication::screens().size() < 2) {
            QTemporaryDir dir;
            WriteAll(dir.filePath("screens.json"), TwoScreens);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + dir.filePath("screens.json"));
            QProcess child;
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {"-class", "ScreenFitTest", "PlacesStayOnTheirScreen"});
            QVERIFY(child.waitForFinished(60000));
            const QByteArray output = child.readAll();
            QVERIFY2(child.exitCode() == 0, output.constData());
            QVERIFY2(output.contains("PASS   : ScreenFitTest::PlacesStayOnTheirScreen()"),
                     output.constData());
            return;
        }
        const QRect left = QGuiApplication::screens().at(0)->availableGeometry();
        const QRect right = QGuiApplication::screens().at(1)->availableGeometry();
        QCOMPARE(right, QRect(1000, 0, 1200, 900));

        QCOMPARE(FitOnScreens(QRect(1100, 100, 600, 400), Minimum), QRect(1100, 100, 600, 400));
        // Past the far edge of the right screen: pulled back onto it.
        QCOMPARE(FitOnScreens(QRect(1900, 50, 600, 400), Minimum), QRect(1600, 50, 600, 400));
        // Across both: onto the one it covers most.
        QCOMPARE(FitOnScreens(QRect(900, 0, 400, 300), Minimum), QRect(1000, 0, 400, 300));
        QCOMPARE(FitOnScreens(QRect(700, 0, 400, 300), Minimum), QRect(600, 0, 400, 300));
        // Larger than its screen: that screen's size.
        QCOMPARE(FitOnScreens(QRect(1500, 0, 5000, 5000), Minimum), right);
        // On no screen: on the primary one, at least the minimum size.
        const QRect lost = FitOnScreens(QRect(-5000, -5000, 10, 10), Minimum);
        QVERIFY(left.contains(lost));
        QCOMPARE(lost.size(), Minimum);

        // The main window stored on the right screen comes back there.
        TestHome home;
        ScriptedPrompt prompt;
        using namespace mdlRegistry;
        const char* names[] = {"Main.Left", "Main.Top", "Main.Width", "Main.Height"};
        const int values[] = {1100, 100, 700, 500};
        for (int i = 0; i < 4; ++i)
            SetRegString(RegRoot::LocalMachine, FormsKey, names[i],
                         QString::number(values[i] * 15));
        auto window = std::make_unique<MainWindow>();
        window->Startup(QString());
        QCOMPARE(window->geometry(), QRect(1100, 100, 700, 500));
    }
};

ZIDE_TEST(ScreenFitTest)
#include "ScreenFitTest.moc"
