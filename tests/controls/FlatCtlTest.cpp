#include <QComboBox>
#include <QEnterEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "TestSupport.h"
#include "controls/ControlError.h"
#include "controls/cFlatCtl.h"

namespace {

// The colour of the frame line, one pixel in from the left edge.
QColor FrameColor(QWidget* widget) {
    return widget->grab().toImage().pixelColor(1, widget->height() / 2);
}

struct Host {
    QWidget window;
    QComboBox* combo = new QComboBox;
    QLineEdit* edit = new QLineEdit("text");
    QLineEdit* other = new QLineEdit;

    Host() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(combo);
        layout->addWidget(edit);
        layout->addWidget(other);
        combo->addItems({"Win32 Release", "Win32 Debug", "Win32 Library"});
    }
    bool Show() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

}  // namespace

class FlatCtlTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void attachRefusesAnObjectWithoutAWindow() {
        QLineEdit edit;
        QObject notAControl;
        cFlatCtl flat;
        flat.Attach(&edit);
        QCOMPARE(flat.Control(), &edit);
        try {
            flat.Attach(&notAControl);
            QFAIL("Attach accepted an object without a window");
        } catch (const ControlError& error) {
            QCOMPARE(error.Number(), 0x80040419u);
            QCOMPARE(error.Source(), QCoreApplication::applicationName() + ".cFlatControl");
            QCOMPARE(error.Description(),
                     QString("Incorrect control type passed to 'Attach' parameter - must be a "
                             "control with a hWnd property."));
        }
        QVERIFY(!flat.Control());  // and the edit was let go
        QVERIFY_THROWS_EXCEPTION(ControlError, flat.Attach(nullptr));
    }

    void hoverLightsTheFrameUntilThePointerLeaves() {
        Host host;
        QVERIFY(host.Show());
        host.other->setFocus();
        cFlatCtl flat;
        flat.Attach(host.edit);
        QCOMPARE(flat.State(), cFlatCtl::Normal);
        const QColor normal = FrameColor(host.edit);
        QCOMPARE(normal, host.edit->palette().color(QPalette::Button));

        SendEnter(host.edit);
        QCOMPARE(flat.State(), cFlatCtl::Hot);
        QCOMPARE(FrameColor(host.edit), host.edit->palette().color(QPalette::Highlight));
        SendLeave(host.edit);
        QTRY_COMPARE_WITH_TIMEOUT(flat.State(), cFlatCtl::Normal, 500);
        QVERIFY(!flat.IsHover());
        QCOMPARE(FrameColor(host.edit), normal);
    }

    void focusLightsTheFrame() {
        Host host;
        QVERIFY(host.Show());
        cFlatCtl flat;
        flat.Attach(host.edit);
        host.edit->setFocus();
        QTRY_COMPARE(flat.State(), cFlatCtl::Focused);
        QCOMPARE(FrameColor(host.edit), host.edit->palette().color(QPalette::Highlight));
        host.other->setFocus();
        QTRY_COMPARE(flat.State(), cFlatCtl::Normal);
    }

    void focusOnAComboEditCountsAsTheCombos() {
        Host host;
        host.combo->setEditable(true);
        QVERIFY(host.Show());
        host.other->setFocus();
        cFlatCtl flat;
        flat.Attach(host.combo);
        QVERIFY(flat.IsCombo());
        QCOMPARE(flat.State(), cFlatCtl::Normal);
        host.combo->lineEdit()->setFocus();
        QTRY_COMPARE(flat.State(), cFlatCtl::Focused);
    }

    void anOpenListKeepsTheButtonPressed() {
        Host host;
        QVERIFY(host.Show());
        cFlatCtl flat;
        flat.Attach(host.combo);
        QVERIFY(!flat.DroppedDown());
        host.combo->showPopup();
        QTRY_VERIFY(flat.DroppedDown());
        QCOMPARE(flat.State(), cFlatCtl::Dropped);
        SendEnter(host.combo);
        QCOMPARE(flat.State(), cFlatCtl::Dropped);
        host.combo->hidePopup();
        QTRY_VERIFY(!flat.DroppedDown());
        QVERIFY(flat.State() != cFlatCtl::Dropped);
    }

    void aDisabledControlStaysFlat() {
        Host host;
        QVERIFY(host.Show());
        cFlatCtl flat;
        flat.Attach(host.edit);
        host.edit->setFocus();
        QTRY_COMPARE(flat.State(), cFlatCtl::Focused);
        host.edit->setEnabled(false);
        QCOMPARE(flat.State(), cFlatCtl::Normal);
        SendEnter(host.edit);
        QCOMPARE(flat.State(), cFlatCtl::Normal);
        QVERIFY(!flat.IsHover());
        QCOMPARE(FrameColor(host.edit), host.edit->palette().color(QPalette::Button));
    }

    void releasingTheInstanceGivesTheControlBack() {
        Host host;
        QVERIFY(host.Show());
        host.edit->setFocus();
        const QColor own = FrameColor(host.edit);
        {
            cFlatCtl flat;
            flat.Attach(host.edit);
            QCOMPARE(FrameColor(host.edit), host.edit->palette().color(QPalette::Highlight));
        }
        QCOMPARE(FrameColor(host.edit), own);
        SendEnter(host.edit);  // nothing is listening any more
    }

    void aControlThatGoesFirstLeavesTheInstanceDetached() {
        cFlatCtl flat;
        auto* edit = new QLineEdit;
        flat.Attach(edit);
        SendEnter(edit);  // the hover timer runs on the control
        QVERIFY(flat.IsHover());
        delete edit;
        QVERIFY(!flat.Control());
        QCOMPARE(flat.State(), cFlatCtl::Normal);
    }
};

ZIDE_TEST(FlatCtlTest)
#include "FlatCtlTest.moc"
