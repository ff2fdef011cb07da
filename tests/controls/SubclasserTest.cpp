#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>

#include "TestSupport.h"
#include "controls/Subclasser.h"

namespace {

const auto Probe1 = static_cast<QEvent::Type>(QEvent::User + 1);
const auto Probe2 = static_cast<QEvent::Type>(QEvent::User + 2);
const auto Probe3 = static_cast<QEvent::Type>(QEvent::User + 3);

// A widget that notes every event it is given and can refuse some.
class Watched : public QWidget {
public:
    QList<int> seen;
    QList<int> keys;
    QList<int> ignored;

protected:
    bool event(QEvent* event) override {
        if (event->type() >= QEvent::User) {
            seen << event->type();
            event->setAccepted(!ignored.contains(event->type()));
            return true;
        }
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent*>(event)->key();
        return QWidget::event(event);
    }
};

class Owner : public QObject, public iSubclass {
public:
    std::function<void(bool&, bool&, QEvent*&)> before;
    std::function<void(bool&, QEvent*)> after;
    QList<int> beforeCalls;
    QList<int> afterCalls;

    void iSubclass_Before(bool& handled, bool& result, QObject*, QEvent*& event) override {
        beforeCalls << event->type();
        if (before)
            before(handled, result, event);
    }
    void iSubclass_After(bool& result, QObject*, QEvent* event) override {
        afterCalls << event->type();
        if (after)
            after(result, event);
    }
};

// Sends an event of `type` and returns whether the receiver accepted it.
bool Send(QObject* to, QEvent::Type type) {
    QEvent event(type);
    QCoreApplication::sendEvent(to, &event);
    return event.isAccepted();
}

}  // namespace

class SubclasserTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tablesKeepOneEntryAndReuseFreedSlots() {
        Subclasser engine;
        engine.AddMsg(Probe1, Subclasser::Before);
        engine.AddMsg(Probe1, Subclasser::Before);
        engine.AddMsg(Probe2, Subclasser::Before);
        QCOMPARE(engine.MsgTable(Subclasser::Before), (QList<int>{Probe1, Probe2}));
        QCOMPARE(engine.MsgCount(Subclasser::Before), 2);

        engine.DelMsg(Probe1, Subclasser::Before);
        QCOMPARE(engine.MsgTable(Subclasser::Before), (QList<int>{-1, Probe2}));
        engine.AddMsg(Probe3, Subclasser::Before);
        QCOMPARE(engine.MsgTable(Subclasser::Before), (QList<int>{Probe3, Probe2}));
        QCOMPARE(engine.MsgCount(Subclasser::Before), 2);
        // The after table is a table of its own.
        QCOMPARE(engine.MsgCount(Subclasser::After), 0);
    }

    void onlyTabledEventsReachTheOwner() {
        Watched widget;
        Owner owner;
        Subclasser engine;
        engine.Subclass(&widget, &owner);
        engine.AddMsg(Probe1, Subclasser::Before);
        engine.AddMsg(Probe2, Subclasser::After);

        Send(&widget, Probe1);
        Send(&widget, Probe2);
        Send(&widget, Probe3);
        QCOMPARE(owner.beforeCalls, QList<int>{Probe1});
        QCOMPARE(owner.afterCalls, QList<int>{Probe2});
        QCOMPARE(widget.seen, (QList<int>{Probe1, Probe2, Probe3}));

        // A freed slot no longer qualifies.
        engine.DelMsg(Probe1, Subclasser::Before);
        Send(&widget, Probe1);
        QCOMPARE(owner.beforeCalls.size(), 1);
    }

    void allMessagesAndNone() {
        Watched widget;
        Owner owner;
        Subclasser engine;
        engine.Subclass(&widget, &owner);
        engine.AddMsg(Subclasser::AllMessages, Subclasser::After);
        Send(&widget, Probe1);
        Send(&widget, Probe3);
        QVERIFY(owner.afterCalls.contains(Probe1));
        QVERIFY(owner.afterCalls.contains(Probe3));

        engine.DelMsg(Subclasser::AllMessages, Subclasser::After);
        owner.afterCalls.clear();
        Send(&widget, Probe1);
        QVERIFY(owner.afterCalls.isEmpty());
        QCOMPARE(engine.MsgCount(Subclasser::After), 0);
    }

    void handledEventsNeverReachTheWidgetOrTheAfterPhase() {
        Watched widget;
        Owner owner;
        Subclasser engine;
        engine.Subclass(&widget, &owner);
        engine.AddMsg(Probe1, Subclasser::Before);
        engine.AddMsg(Probe1, Subclasser::After);
        owner.before = [](bool& handled, bool& result, QEvent*&) {
            handled = true;
            result = false;
        };
        QCOMPARE(Send(&widget, Probe1), false);  // the callback's answer
        QVERIFY(widget.seen.isEmpty());
        QVERIFY(owner.afterCalls.isEmpty());

        owner.before = [](bool& handled, bool& result, QEvent*&) {
            handled = true;
            result = true;
        };
        widget.ignored << Probe1;
        QCOMPARE(Send(&widget, Probe1), true);
    }

    void theAfterPhaseSeesAndMayChangeTheWidgetsAnswer() {
        Watched widget;
        widget.ignored << Probe1;
        Owner owner;
        Subclasser engine;
        engine.Subclass(&widget, &owner);
        engine.AddMsg(Probe1, Subclasser::After);
        bool seenResult = true;
        owner.after = [&](bool& result, QEvent*) {
            seenResult = result;
            result = true;
        };
        QCOMPARE(Send(&widget, Probe1), true);
        QCOMPARE(seenResult, false);
        QCOMPARE(widget.seen, QList<int>{Probe1});  // delivered once
    }

    void aReplacedEventIsWhatTheWidgetReceives() {
        Watched widget;
        Owner owner;
        Subclasser engine;
        engine.Subclass(&widget, &owner);
        engine.AddMsg(QEvent::KeyPress, Subclasser::Before);
        engine.AddMsg(QEvent::KeyPress, Subclasser::After);
        QKeyEvent replacement(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
        owner.before = [&](bool&, bool&, QEvent*& event) {
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_A)
                event = &replacement;
        };
        int keyAfter = 0;
        owner.after = [&](bool&, QEvent* event) {
            keyAfter = static_cast<QKeyEvent*>(event)->key();
        };

        QTest::keyClick(&widget, Qt::Key_A);
        QCOMPARE(widget.keys, QList<int>{Qt::Key_B});
        QCOMPARE(keyAfter, int(Qt::Key_B));
    }

    void callOrigWndProcPassesTheInterception() {
        Watched widget;
        Owner owner;
        Subclasser engine;
        QEvent unwatched(Probe1);
        QCOMPARE(engine.CallOrigWndProc(&unwatched), false);

        engine.Subclass(&widget, &owner);
        engine.AddMsg(Probe1, Subclasser::Before);
        owner.before = [](bool& handled, bool&, QEvent*&) { handled = true; };
        QEvent direct(Probe1);
        QCOMPARE(engine.CallOrigWndProc(&direct), true);
        QCOMPARE(widget.seen, QList<int>{Probe1});
        QVERIFY(owner.beforeCalls.isEmpty());
    }

    void unSubclassStopsWatchingAndEmptiesTheTables() {
        Watched widget;
        Owner owner;
        Subclasser engine;
        engine.Subclass(&widget, &owner);
        engine.AddMsg(Probe1, Subclasser::Before);
        engine.UnSubclass();
        QVERIFY(!engine.IsSubclassed());
        QCOMPARE(engine.MsgCount(Subclasser::Before), 0);
        Send(&widget, Probe1);
        QVERIFY(owner.beforeCalls.isEmpty());
        QCOMPARE(widget.seen, QList<int>{Probe1});
    }

    void anOwnerGoneUnhooksAtTheNextQualifyingEvent() {
        Watched widget;
        Subclasser engine;
        auto owner = std::make_unique<Owner>();
        engine.Subclass(&widget, owner.get());
        engine.AddMsg(Probe1, Subclasser::Before);
        owner.reset();

        Send(&widget, Probe2);  // not in a table: nothing happens yet
        QVERIFY(engine.IsSubclassed());
        Send(&widget, Probe1);
        QVERIFY(!engine.IsSubclassed());
        QCOMPARE(widget.seen, (QList<int>{Probe2, Probe1}));
    }

    void aWatchedWidgetThatGoesAwayLeavesTheEngineIdle() {
        Owner owner;
        Subclasser engine;
        auto widget = std::make_unique<Watched>();
        engine.Subclass(widget.get(), &owner);
        engine.AddMsg(Subclasser::AllMessages, Subclasser::Before);
        widget.reset();
        QVERIFY(!engine.IsSubclassed());
        QEvent event(Probe1);
        QCOMPARE(engine.CallOrigWndProc(&event), false);
    }
};

ZIDE_TEST(SubclasserTest)
#include "SubclasserTest.moc"
