#pragma once
#include <QBasicTimer>
#include <QColor>
#include <QPixmap>
#include <QVariantMap>
#include <QWidget>

#include "controls/Subclasser.h"

// A flat push button in the manner of tool bar buttons: normal, hover and
// pressed looks, an optional icon that lifts on hover, a check state, and
// with Style 2 a drop-down area of its own at the right. Hover is noticed
// on a 100 ms timer, so it ends at most one tick after the pointer leaves.
class ButtonXP : public QWidget, public iSubclass {
    Q_OBJECT
public:
    enum State { Normal = 0, Hover = 1, Pressed = 2 };
    static constexpr int TimerPeriod = 100;
    static constexpr int MenuAreaWidth = 10;

    explicit ButtonXP(QWidget* parent = nullptr);
    ~ButtonXP() override;

    QString Caption() const { return caption; }
    void SetCaption(const QString& text);
    bool Checked() const { return checked; }
    void SetChecked(bool on);
    QColor CheckedColor() const { return checkedColor; }
    void SetCheckedColor(const QColor& color);
    int TextOffset() const { return textOffset; }
    void SetTextOffset(int pixels);
    int ImagePosition() const { return imagePosition; }
    void SetImagePosition(int pixels);
    int Style() const { return style; }
    void SetStyle(int value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }
    QPixmap ButtonIcon() const { return icon; }
    void SetButtonIcon(const QPixmap& picture);
    QColor HighlightBackColor() const { return highlightBackColor; }
    void SetHighlightBackColor(const QColor& color);
    QColor PressColor() const { return pressColor; }
    void SetPressColor(const QColor& color);
    QColor HighlightBorderColor() const { return highlightBorderColor; }
    void SetHighlightBorderColor(const QColor& color);
    QColor BackColor() const { return backColor; }
    void SetBackColor(const QColor& color);
    int ImageDisplacement() const { return imageDisplacement; }
    void SetImageDisplacement(int pixels);

    // The values a hosting form keeps, under their stored names; colours as
    // 32-bit values with red in the low byte.
    QVariantMap WriteProperties() const;
    void ReadProperties(const QVariantMap& properties);

    // The look the button shows now.
    State CurrentState() const { return state; }
    bool IsHover() const { return hover; }
    bool IsTimerRunning() const { return timer.isActive(); }
    // Whether a point lies in the drop-down area (Style 2 only).
    bool InMenuArea(const QPoint& at) const;

    QSize sizeHint() const override;

    void iSubclass_After(bool& result, QObject* window, QEvent* event) override;
    void iSubclass_Before(bool& handled, bool& result, QObject* window, QEvent*& event) override;

Q_SIGNALS:
    void Click();
    void MenuClick();
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Shown(bool visible);
    void Tick();
    void ButtonPressed(QMouseEvent* event);
    void ButtonReleased(QMouseEvent* event);
    void ShowState(State newState);
    void UpdateTimer();

    Subclasser engine;
    QBasicTimer timer;
    State state = Normal;
    bool hover = false;
    bool buttonDown = false;
    bool pressOnMenu = false;
    bool pointerInside = false;

    QString caption;
    bool checked = false;
    QColor checkedColor = QColor(210, 216, 232);
    int textOffset = 5;
    int imagePosition = 4;
    int style = 1;
    QPixmap icon;
    QColor highlightBackColor = QColor(181, 190, 214);
    QColor pressColor = QColor(133, 146, 181);
    QColor highlightBorderColor = QColor(8, 36, 107);
    QColor backColor = QColor(219, 216, 209);
    int imageDisplacement = 1;
};
