#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QRandomGenerator>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <memory>

#include "TestSupport.h"
#include "shell/DockHost.h"
#include "shell/DockLayout.h"

using DockLayout::Arrangement;

namespace {
// A main window with the IDE's bars and panes, shown offscreen.
struct Window {
    QMainWindow window;
    DockHost* host = new DockHost(&window);

    explicit Window(bool shown = true) {
        window.resize(1000, 700);
        if (shown)
            Show();
    }
    void Show() {
        window.show();
        QApplication::processEvents();
    }
    QDockWidget* Pane(const char* id) const { return host->Pane(id); }
    QToolBar* Bar(const char* id) const { return host->Bar(id); }
    Qt::DockWidgetArea Area(const char* id) const { return window.dockWidgetArea(host->Pane(id)); }
    QByteArray Settled() const {
        QApplication::processEvents();
        return host->SaveLayout();
    }
    DockLayout::Cast Cast() const {
        DockLayout::Cast cast;
        cast.bars = {Bar("StandartBar"), Bar("CompileBar")};
        for (const char* id : {"frmOutput", "frmProject", "frmHelp", "frmTask"})
            cast.panes << Pane(id);
        return cast;
    }
    Arrangement Now() const {
        QApplication::processEvents();
        return *DockLayout::Decode(host->SaveLayout(), Cast());
    }
};

QRect Available() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// Every pane docked in an area or floating on a screen, every bar in an area.
void CheckSane(const Window& w) {
    for (const char* id : {"frmOutput", "frmProject", "frmHelp", "frmTask"}) {
        QDockWidget* pane = w.Pane(id);
        // A floating pane's frame starts on a screen and its inside fits one.
        if (pane->isFloating())
            QVERIFY2(Available().contains(pane->pos()) && pane->width() <= Available().width() &&
                         pane->height() <= Available().height(),
                     id);
        else
            QVERIFY2(w.Area(id) != Qt::NoDockWidgetArea, id);
    }
    for (const char* id : {"StandartBar", "CompileBar"})
        QVERIFY2(w.window.toolBarArea(w.Bar(id)) != Qt::NoToolBarArea, id);
}

Arrangement Builtin() {
    Window w;
    return w.Now();
}

DockLayout::PanePlace Docked(const char* id, bool visible = true) {
    return {QString::fromLatin1(id), visible, false, QRect()};
}
}  // namespace

class DockLayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ArrangementComesBack() {
        Window before;
        QMainWindow& win = before.window;
        win.tabifyDockWidget(before.Pane("frmOutput"), before.Pane("frmTask"));
        before.Pane("frmTask")->raise();
        win.addDockWidget(Qt::LeftDockWidgetArea, before.Pane("frmHelp"));
        win.resizeDocks({before.Pane("frmHelp")}, {250}, Qt::Horizontal);
        before.Pane("frmProject")->setFloating(true);
        before.Pane("frmProject")->setGeometry(120, 80, 300, 200);
        win.insertToolBarBreak(before.Bar("CompileBar"));
        before.Bar("StandartBar")->hide();
        before.host->SetBarVisible("StatusBar", false);
        before.host->AddRecent("FileMruList", "/work/a.zbl");
        before.host->AddRecent("FileMruList", "/work/b \xc3\xa9.zbl");
        before.host->AddRecent("ProjectList", "/work/p.zsl");
        const QByteArray saved = before.Settled();

        Window after;
        QVERIFY(after.host->RestoreLayout(saved));
        QCOMPARE(after.Area("frmHelp"), Qt::LeftDockWidgetArea);
        QVERIFY(after.Pane("frmProject")->isFloating());
        QCOMPARE(after.Pane("frmProject")->geometry(), QRect(120, 80, 300, 200));
        QVERIFY(after.window.tabifiedDockWidgets(after.Pane("frmOutput"))
                    .contains(after.Pane("frmTask")));
        QVERIFY(after.window.toolBarBreak(after.Bar("CompileBar")));
        QVERIFY(after.Bar("StandartBar")->isHidden());
        QVERIFY(!after.host->Tool("ViewToolbar")->isChecked());
        QVERIFY(!after.host->BarVisible("StatusBar"));
        QCOMPARE(after.host->Recent("FileMruList"),
                 QStringList({"/work/b \xc3\xa9.zbl", "/work/a.zbl"}));
        QCOMPARE(after.host->Recent("ProjectList"), QStringList({"/work/p.zsl"}));

        // Which tab is in front, and sizes within a few pixels.
        const Arrangement was = before.Now(), is = after.Now();
        QCOMPARE(is.groups.size(), was.groups.size());
        for (size_t i = 0; i < was.groups.size(); ++i) {
            QCOMPARE(is.groups[i].area, was.groups[i].area);
            QCOMPARE(is.groups[i].panes.size(), was.groups[i].panes.size());
            for (size_t j = 0; j < was.groups[i].panes.size(); ++j)
                QCOMPARE(is.groups[i].panes[j].id, was.groups[i].panes[j].id);
            QCOMPARE(is.groups[i].current, was.groups[i].current);
            QVERIFY(qAbs(is.groups[i].thickness - was.groups[i].thickness) <= 4);
        }
        QCOMPARE(after.Settled(), after.Settled());
    }

    // At start-up the layout is restored before the window shows.
    void RestoredBeforeTheWindowShows() {
        Window before;
        before.Pane("frmHelp")->setFloating(true);
        before.Pane("frmHelp")->move(200, 100);
        before.Pane("frmTask")->hide();
        before.window.addDockWidget(Qt::LeftDockWidgetArea, before.Pane("frmOutput"));
        const QByteArray saved = before.Settled();

        Window after(false);
        QVERIFY(after.host->RestoreLayout(saved));
        after.Show();
        QVERIFY(after.Pane("frmHelp")->isFloating());
        QVERIFY(after.Pane("frmHelp")->isVisible());
        QCOMPARE(after.Pane("frmHelp")->pos(), QPoint(200, 100));
        QVERIFY(after.Pane("frmTask")->isHidden());
        QCOMPARE(after.Area("frmOutput"), Qt::LeftDockWidgetArea);
        QVERIFY(after.Pane("frmOutput")->isVisible());
        QCOMPARE(after.Settled(), saved);
    }

    void HiddenTabKeepsItsPlace() {
        Window before;
        before.Pane("frmHelp")->hide();  // tabbed with the Project Explorer
        Window after;
        QVERIFY(after.host->RestoreLayout(before.Settled()));
        QVERIFY(after.Pane("frmHelp")->isHidden());
        after.Pane("frmHelp")->show();
        QVERIFY(after.window.tabifiedDockWidgets(after.Pane("frmProject"))
                    .contains(after.Pane("frmHelp")));
    }

    // What a saved layout restores saves again unchanged, so an arrangement
    // neither drifts nor loses a pane from one run to the next.
    void SavedLayoutsAreFixedPoints() {
        Window w;
        const DockLayout::Cast cast = w.Cast();
        QRandomGenerator random(8);
        const QList<Qt::DockWidgetArea> areas = {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea,
                                                 Qt::TopDockWidgetArea, Qt::BottomDockWidgetArea};
        const QList<Qt::ToolBarArea> barAreas = {Qt::TopToolBarArea, Qt::BottomToolBarArea,
                                                 Qt::LeftToolBarArea, Qt::RightToolBarArea};
        for (int round = 0; round < 200; ++round) {
            Arrangement a;
            QStringList bars = {"StandartBar", "CompileBar"};
            if (random.bounded(2))
                bars.swapItemsAt(0, 1);
            a.lines.push_back({barAreas[random.bounded(4)], {{bars[0], random.bounded(3) > 0}}});
            const bool sameLine = random.bounded(2) == 0;
            if (sameLine)
                a.lines.back().bars.push_back({bars[1], random.bounded(3) > 0});
            else
                a.lines.push_back(
                    {barAreas[random.bounded(4)], {{bars[1], random.bounded(3) > 0}}});

            QStringList panes = {"frmOutput", "frmProject", "frmHelp", "frmTask"};
            for (int i = 3; i > 0; --i)
                panes.swapItemsAt(i, random.bounded(i + 1));
            while (!panes.isEmpty()) {
                DockLayout::PaneGroup group;
                group.area = areas[random.bounded(4)];
                const bool floating = random.bounded(5) == 0;
                const int size = floating ? 1 : 1 + random.bounded(panes.size());
                for (int i = 0; i < size; ++i) {
                    DockLayout::PanePlace place = Docked("", random.bounded(4) > 0);
                    place.id = panes.takeFirst();
                    place.floating = floating;
                    place.floatingGeometry =
                        QRect(random.bounded(-3000, 3000), random.bounded(-3000, 3000),
                              random.bounded(1, 2000), random.bounded(1, 2000));
                    group.panes.push_back(place);
                }
                group.current = random.bounded(size);
                group.extent = random.bounded(4) == 0 ? 0 : random.bounded(1, 3000);
                group.thickness = random.bounded(4) == 0 ? 0 : random.bounded(1, 3000);
                a.groups.push_back(group);
            }
            const QByteArray bytes = DockLayout::Encode(a);
            QVERIFY(DockLayout::Decode(bytes, cast));
            QVERIFY(w.host->RestoreLayout(bytes));
            CheckSane(w);
            const QByteArray saved = w.Settled();
            QVERIFY(w.host->RestoreLayout(saved));
            QCOMPARE(w.Settled().toHex(' '), saved.toHex(' '));
            // Outside an event loop Qt's finished layout animations wait for this.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // Damaged layouts are refused whole or give a sane arrangement; none
    // reaches Qt's own state reader, so none can crash the IDE.
    void DamagedLayoutsAreSafe() {
        Window source;
        source.Pane("frmHelp")->setFloating(true);
        source.window.addDockWidget(Qt::LeftDockWidgetArea, source.Pane("frmTask"));
        source.host->AddRecent("FileMruList", "/work/a.zbl");
        const QByteArray good = source.Settled();

        Window w;
        QVERIFY(w.host->RestoreLayout(w.Settled()));
        const QByteArray base = w.Settled();
        int taken = 0;
        auto tryOne = [&](const QByteArray& bytes) {
            if (w.host->RestoreLayout(bytes)) {
                ++taken;
                CheckSane(w);
                const QByteArray saved = w.Settled();  // and that is kept as it is
                QVERIFY(w.host->RestoreLayout(saved));
                QCOMPARE(w.Settled(), saved);
                QVERIFY(w.host->RestoreLayout(base));
            } else {
                QCOMPARE(w.Settled(), base);  // a refused layout changes nothing
            }
        };
        for (int at = 0; at < good.size(); ++at) {
            for (int bit = 0; bit < 8; ++bit) {
                QByteArray flipped = good;
                flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
                tryOne(flipped);
            }
            tryOne(good.left(at));
            tryOne(good + QByteArray(1, good[at]));
        }
        QVERIFY(taken > 0);  // flips in sizes and places still restore
    }

    void ValuesOutOfRangeAreFitted() {
        Arrangement a = Builtin();
        for (DockLayout::PaneGroup& group : a.groups) {
            group.extent = 65535;
            group.thickness = 65535;
        }
        DockLayout::PaneGroup lost;
        lost.area = Qt::LeftDockWidgetArea;
        DockLayout::PanePlace floating = a.groups.back().panes.back();
        a.groups.back().panes.pop_back();
        a.groups.back().current = 0;
        floating.floating = true;
        floating.floatingGeometry = QRect(-16000000, 9000000, 65535, 65535);
        lost.panes.push_back(floating);
        a.groups.push_back(lost);

        Window w;
        QVERIFY(w.host->RestoreLayout(DockLayout::Encode(a)));
        CheckSane(w);
        QVERIFY(w.Pane(qPrintable(floating.id))->isFloating());
        QVERIFY(w.window.centralWidget()->isVisible());
    }

    void ForeignLayoutsAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const Arrangement good = Builtin();
        auto with = [&](auto change) {
            Arrangement a = good;
            change(a);
            return DockLayout::Encode(a);
        };
        QTest::newRow("unknown pane")
            << with([](Arrangement& a) { a.groups[0].panes[0].id = "frmOther"; });
        QTest::newRow("pane twice")
            << with([](Arrangement& a) { a.groups[0].panes.push_back(a.groups[1].panes[0]); });
        QTest::newRow("pane missing") << with([](Arrangement& a) { a.groups.pop_back(); });
        QTest::newRow("bar missing") << with([](Arrangement& a) { a.lines[0].bars.pop_back(); });
        QTest::newRow("current past the tabs")
            << with([](Arrangement& a) { a.groups[0].current = int(a.groups[0].panes.size()); });
        QTest::newRow("floating tab")
            << with([](Arrangement& a) { a.groups[0].panes[1].floating = true; });
        QByteArray eleven = with([](Arrangement& a) { a.recentModules = a.recentSolutions = {}; });
        eleven.chop(2);  // the two empty recent lists
        eleven += char(11);
        for (int i = 0; i < 11; ++i)
            eleven += QByteArray("\x07\x00", 2) + QByteArray("/m") + char('a' + i) + ".zbl";
        eleven += char(0);
        QTest::newRow("eleven recent modules") << eleven;
        QByteArray badArea = DockLayout::Encode(good);
        badArea[6] = 3;  // the first line's area: not one area but two
        QTest::newRow("two areas at once") << badArea;
        QByteArray badFlag = DockLayout::Encode(good);
        badFlag[4] = 2;
        QTest::newRow("flag neither 0 nor 1") << badFlag;
        QTest::newRow("trailing byte") << DockLayout::Encode(good) + '\0';
        QTest::newRow("earlier format") << QByteArray("YALZ\x01\x00\x00\x00", 8);
        QTest::newRow("empty") << QByteArray();
    }
    void ForeignLayoutsAreRefused() {
        QFETCH(QByteArray, bytes);
        Window w;
        w.Pane("frmTask")->hide();
        const QByteArray before = w.Settled();
        QVERIFY(!w.host->RestoreLayout(bytes));
        QCOMPARE(w.Settled(), before);
    }
};

ZIDE_TEST(DockLayoutTest)
#include "DockLayoutTest.moc"
