#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "TestSupport.h"
#include "settings/CommonDialogs.h"

using namespace mdlCommonDialog;

namespace {
// Also records the default suffix the save dialog was given.
class SuffixPrompt : public ScriptedPrompt {
public:
    QStringList suffixes;
    QString SaveFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& defaultSuffix, const QString& start) override {
        suffixes << defaultSuffix;
        return ScriptedPrompt::SaveFile(parent, title, filter, defaultSuffix, start);
    }
};

const QString ExeFilter =
    "Executable Files (*.exe, *.com, *.bat)|*.exe; *.com; *.bat|All Files (*.*)|*.*";
const QString ExeQtFilter = "Executable Files (*.exe *.com *.bat);;All Files (*)";
}  // namespace

class CommonDialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void FiltersBecomeQtFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        const QChar nul(0);
        QTest::newRow("bars") << ExeFilter << ExeQtFilter;
        QTest::newRow("NULs with the closing pair")
            << QString(ExeFilter).replace('|', nul) + nul + nul << ExeQtFilter;
        QTest::newRow("closing bar") << "Zorbel Files (*.zbl)|*.zbl|"
                                     << "Zorbel Files (*.zbl)";
        QTest::newRow("description without patterns") << "Solutions|*.zsl|Orphan"
                                                      << "Solutions (*.zsl)";
        QTest::newRow("empty pattern list") << "None| ; |All|*"
                                            << "All (*)";
        QTest::newRow("description listing other patterns")
            << "Zorbel Files (*.zbl, *.cpp)|*.zbl; *.zsl; *.cpp"
            << "Zorbel Files (*.zbl *.zsl *.cpp)";
        QTest::newRow("parentheses that are no pattern list stay") << "Modules (old)|*.zbl"
                                                                   << "Modules (old) (*.zbl)";
        QTest::newRow("no description") << "|*.zlm"
                                        << "(*.zlm)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void FiltersBecomeQtFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(QtFilterOf(filter), expected);
    }

    void FileDialogsAnswerThroughThePrompt() {
        SuffixPrompt prompt;
        prompt.paths << "/Work/Demo/Demo.zbl"
                     << "" << QString("/Work/x.zsl") + QChar(0) + "junk"
                     << "";
        QCOMPARE(ShowOpenDialog(nullptr, ExeFilter, "Open File ...", OFN_EXPLORER),
                 "/Work/Demo/Demo.zbl");
        QCOMPARE(ShowOpenDialog(nullptr, ExeFilter, "Open File ..."), "");
        QCOMPARE(ShowSaveDialog(nullptr, "Solutions|*.zsl", "Save As", 0, "zsl"), "/Work/x.zsl");
        QCOMPARE(ShowSaveDialog(nullptr, "Solutions|*.zsl", "Save As", 0, ".zsl"), "");

        QCOMPARE(prompt.asked.size(), size_t(4));
        QCOMPARE(prompt.asked[0].kind, "open");
        QCOMPARE(prompt.asked[0].title, "Open File ...");
        QCOMPARE(prompt.asked[0].text, ExeQtFilter);
        QCOMPARE(prompt.asked[2].kind, "save");
        QCOMPARE(prompt.asked[2].title, "Save As");
        QCOMPARE(prompt.asked[2].text, "Solutions (*.zsl)");
        QCOMPARE(prompt.suffixes, QStringList({"zsl", "zsl"}));
    }

    void FolderPickerAnswersThroughThePrompt() {
        ScriptedPrompt prompt;
        prompt.paths << "/Work/New"
                     << "";
        QCOMPARE(BrowseForFolder(nullptr), "/Work/New");
        QCOMPARE(BrowseForFolder(nullptr), "");
        QCOMPARE(prompt.asked.size(), size_t(2));
        QCOMPARE(prompt.asked[0].kind, "folder");
        QCOMPARE(prompt.asked[0].title, FolderPickerText);
    }

    void PlaceFormCentresAcrossAndAThirdDown() {
        QWidget window;
        window.resize(300, 200);
        const QRect area = window.screen()->availableGeometry();
        QVERIFY(area.width() > 300 && area.height() > 200);

        PlaceForm(&window, 3);
        QCOMPARE(window.pos(), QPoint(area.left() + qRound((area.width() - 300) / 2.0),
                                      area.top() + qRound((area.height() - 200) / 3.0)));
        PlaceForm(&window, 2);
        QCOMPARE(window.pos().y(), area.top() + qRound((area.height() - 200) / 2.0));

        // Outside the contract: nothing moves.
        const QPoint before = window.pos();
        PlaceForm(&window, 0);
        PlaceForm(nullptr, 3);
        QCOMPARE(window.pos(), before);

        // Larger than the screen: the title bar stays reachable.
        window.resize(area.width() + 100, area.height() + 100);
        PlaceForm(&window, 3);
        QCOMPARE(window.pos(), area.topLeft());
    }
};

ZIDE_TEST(CommonDialogsTest)
#include "CommonDialogsTest.moc"
