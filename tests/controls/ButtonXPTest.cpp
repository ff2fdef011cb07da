#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "TestSupport.h"
#include "controls/ButtonXP.h"

namespace {

QColor Pixel(QWidget* widget, int x, int y) {
    return widget->grab().toImage().pixelColor(x, y);
}

// Long enough for a few ticks of the 100 ms hover timer.
constexpr int FewTicks = 1000;

}  // namespace

class ButtonXPTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ButtonXP> button;

private Q_SLOTS:
    void init() {
        button = std::make_unique<ButtonXP>();
        button->SetCaption("Add Task");
        button->resize(100, 24);
        button->show();
        QVERIFY(QTest::qWaitForWindowExposed(button.get()));
    }
    void cleanup() { button.reset(); }

    void defaultsAndStoredNames() {
        ButtonXP fresh;
        const QVariantMap stored = fresh.WriteProperties();
        QCOMPARE(stored.value("CheckedColor").toUInt(), 15259858u);
        QCOMPARE(stored.value("HighlightBackColor").toUInt(), 14073525u);
        QCOMPARE(stored.value("PressColor").toUInt(), 11899525u);
        QCOMPARE(stored.value("HighlightBorderColor").toUInt(), 7021576u);
        QCOMPARE(stored.value("BackColor").toUInt(), 13752539u);
        QCOMPARE(stored.value("DefinedImageDisplacement").toInt(), 1);
        QCOMPARE(stored.value("TextOffset").toInt(), 5);
        QCOMPARE(stored.value("ImagePosition").toInt(), 4);
        QCOMPARE(stored.value("Style").toInt(), 1);
        QCOMPARE(stored.value("Enabled").toBool(), true);
        QCOMPARE(fresh.BackColor(), QColor(219, 216, 209));

        QVariantMap changed = stored;
        changed["Caption"] = "Remove Task";
        changed["BackColor"] = 0x0000FFu;  // red in the low byte
        changed["Checked"] = true;
        fresh.ReadProperties(changed);
        QCOMPARE(fresh.Caption(), QString("Remove Task"));
        QCOMPARE(fresh.BackColor(), QColor(255, 0, 0));
        QVERIFY(fresh.Checked());
        QCOMPARE(fresh.WriteProperties().value("BackColor").toUInt(), 0x0000FFu);
    }

    void hoverComesAndGoesWithTheTimer() {
        QVERIFY(button->IsTimerRunning());
        QCOMPARE(button->CurrentState(), ButtonXP::Normal);
        SendEnter(button.get());
        QTRY_COMPARE_WITH_TIMEOUT(button->CurrentState(), ButtonXP::Hover, FewTicks);
        QCOMPARE(Pixel(button.get(), 50, 12), button->HighlightBackColor());
        QCOMPARE(Pixel(button.get(), 0, 0), button->HighlightBorderColor());

        SendLeave(button.get());
        QTRY_COMPARE_WITH_TIMEOUT(button->CurrentState(), ButtonXP::Normal, FewTicks);
        QVERIFY(!button->IsHover());
        QCOMPARE(Pixel(button.get(), 50, 12), button->BackColor());
    }

    void aRealPointerHoversToo() {
        QTest::mouseMove(button.get(), QPoint(50, 12));
        QTRY_COMPARE_WITH_TIMEOUT(button->CurrentState(), ButtonXP::Hover, FewTicks);
        QTest::mouseMove(button.get(), QPoint(300, 300));
        QTRY_COMPARE_WITH_TIMEOUT(button->CurrentState(), ButtonXP::Normal, FewTicks);
    }

    void pressAndReleaseMakeAClick() {
        QSignalSpy down(button.get(), &ButtonXP::MouseDown);
        QSignalSpy up(button.get(), &ButtonXP::MouseUp);
        QSignalSpy click(button.get(), &ButtonXP::Click);
        QSignalSpy menu(button.get(), &ButtonXP::MenuClick);
        QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(30, 10));
        QCOMPARE(button->CurrentState(), ButtonXP::Pressed);
        QCOMPARE(down.size(), 1);
        QCOMPARE(down.at(0), (QVariantList{30, 10}));
        QCOMPARE(Pixel(button.get(), 50, 12), button->PressColor());
        QCOMPARE(click.size(), 0);

        QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(31, 11));
        QCOMPARE(up.size(), 1);
        QCOMPARE(up.at(0), (QVariantList{31, 11}));
        QCOMPARE(click.size(), 1);
        QCOMPARE(menu.size(), 0);
        QCOMPARE(button->CurrentState(), ButtonXP::Hover);

        // Released away from the button: no click, back to normal.
        QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(30, 10));
        QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(300, 10));
        QCOMPARE(click.size(), 1);
        QCOMPARE(button->CurrentState(), ButtonXP::Normal);

        // Other buttons do nothing.
        QTest::mouseClick(button.get(), Qt::RightButton, {}, QPoint(30, 10));
        QCOMPARE(down.size(), 2);
    }

    void theMenuAreaOfAStyleTwoButton() {
        QSignalSpy click(button.get(), &ButtonXP::Click);
        QSignalSpy menu(button.get(), &ButtonXP::MenuClick);
        const QPoint arrow(button->width() - 4, 12);
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, arrow);  // Style 1: no menu area
        QCOMPARE(click.size(), 1);

        button->SetStyle(2);
        QVERIFY(button->InMenuArea(arrow));
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, arrow);
        QCOMPARE(menu.size(), 1);
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(20, 12));
        QCOMPARE(click.size(), 2);
        QCOMPARE(menu.size(), 1);
    }

    void aCheckedButtonKeepsItsFrame() {
        button->SetChecked(true);
        QCOMPARE(button->CurrentState(), ButtonXP::Normal);
        QCOMPARE(Pixel(button.get(), 50, 12), button->CheckedColor());
        QCOMPARE(Pixel(button.get(), 0, 0), button->HighlightBorderColor());
        button->SetChecked(false);
        QCOMPARE(Pixel(button.get(), 0, 0), button->BackColor());
    }

    void aDisabledButtonIgnoresThePointer() {
        QSignalSpy down(button.get(), &ButtonXP::MouseDown);
        QSignalSpy click(button.get(), &ButtonXP::Click);
        button->SetEnabled(false);
        QVERIFY(!button->IsTimerRunning());
        SendEnter(button.get());
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(30, 10));
        QTest::qWait(3 * ButtonXP::TimerPeriod);
        QCOMPARE(button->CurrentState(), ButtonXP::Normal);
        QCOMPARE(down.size(), 0);
        QCOMPARE(click.size(), 0);

        // The caption is grey, and black again once enabled.
        auto captionHasGrey = [&] {
            const QImage shot = button->grab().toImage();
            for (int x = 25; x < shot.width(); ++x) {
                for (int y = 0; y < shot.height(); ++y) {
                    if (shot.pixelColor(x, y) == QColor(0x80, 0x80, 0x80))
                        return true;
                }
            }
            return false;
        };
        QVERIFY(captionHasGrey());
        button->SetEnabled(true);
        QVERIFY(button->IsTimerRunning());
        QVERIFY(!captionHasGrey());
    }

    void theTimerRunsOnlyWhileShown() {
        SendEnter(button.get());
        QTRY_COMPARE_WITH_TIMEOUT(button->CurrentState(), ButtonXP::Hover, FewTicks);
        button->hide();
        QVERIFY(!button->IsTimerRunning());
        QCOMPARE(button->CurrentState(), ButtonXP::Normal);
        button->show();
        QVERIFY(button->IsTimerRunning());
    }
};

ZIDE_TEST(ButtonXPTest)
#include "ButtonXPTest.moc"
