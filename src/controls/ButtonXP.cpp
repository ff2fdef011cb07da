#include "controls/ButtonXP.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include "controls/OleColor.h"

namespace {
const QColor DisabledText(0x80, 0x80, 0x80);
}

ButtonXP::ButtonXP(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    engine.Subclass(this, this);
    // Marked handled: the widget's own handlers never see these.
    engine.AddMsg(QEvent::Show, Subclasser::Before);
    engine.AddMsg(QEvent::Hide, Subclasser::Before);
    engine.AddMsg(QEvent::Timer, Subclasser::Before);
    engine.AddMsg(QEvent::MouseButtonPress, Subclasser::Before);
    engine.AddMsg(QEvent::MouseButtonRelease, Subclasser::Before);
    // Watched only: where the pointer is, and whether the button may react.
    engine.AddMsg(QEvent::Enter, Subclasser::Before);
    engine.AddMsg(QEvent::Leave, Subclasser::Before);
    engine.AddMsg(QEvent::MouseMove, Subclasser::Before);
    engine.AddMsg(QEvent::EnabledChange, Subclasser::After);
}

ButtonXP::~ButtonXP() {
    timer.stop();
    engine.UnSubclass();
}

void ButtonXP::SetCaption(const QString& text) {
    caption = text;
    updateGeometry();
    update();
}

void ButtonXP::SetChecked(bool on) {
    checked = on;
    update();
}

void ButtonXP::SetCheckedColor(const QColor& color) {
    checkedColor = color;
    update();
}

void ButtonXP::SetTextOffset(int pixels) {
    textOffset = pixels;
    updateGeometry();
    update();
}

void ButtonXP::SetImagePosition(int pixels) {
    imagePosition = pixels;
    update();
}

void ButtonXP::SetStyle(int value) {
    style = value;
    updateGeometry();
    update();
}

void ButtonXP::SetButtonIcon(const QPixmap& picture) {
    icon = picture;
    update();
}

void ButtonXP::SetHighlightBackColor(const QColor& color) {
    highlightBackColor = color;
    update();
}

void ButtonXP::SetPressColor(const QColor& color) {
    pressColor = color;
    update();
}

void ButtonXP::SetHighlightBorderColor(const QColor& color) {
    highlightBorderColor = color;
    update();
}

void ButtonXP::SetBackColor(const QColor& color) {
    backColor = color;
    update();
}

void ButtonXP::SetImageDisplacement(int pixels) {
    imageDisplacement = pixels;
    update();
}

QVariantMap ButtonXP::WriteProperties() const {
    return {
        {QStringLiteral("Caption"), caption},
        {QStringLiteral("Checked"), checked},
        {QStringLiteral("CheckedColor"), OleColor::FromColor(checkedColor)},
        {QStringLiteral("TextOffset"), textOffset},
        {QStringLiteral("ImagePosition"), imagePosition},
        {QStringLiteral("Style"), style},
        {QStringLiteral("Enabled"), isEnabled()},
        {QStringLiteral("ButtonIcon"), icon},
        {QStringLiteral("HighlightBackColor"), OleColor::FromColor(highlightBackColor)},
        {QStringLiteral("PressColor"), OleColor::FromColor(pressColor)},
        {QStringLiteral("HighlightBorderColor"), OleColor::FromColor(highlightBorderColor)},
        {QStringLiteral("BackColor"), OleColor::FromColor(backColor)},
        {QStringLiteral("DefinedImageDisplacement"), imageDisplacement},
    };
}

void ButtonXP::ReadProperties(const QVariantMap& properties) {
    auto number = [&](const char* name, int fallback) {
        return properties.value(QLatin1String(name), fallback).toInt();
    };
    auto color = [&](const char* name, quint32 fallback) {
        return OleColor::ToColor(properties.value(QLatin1String(name), fallback).toUInt());
    };
    SetCaption(properties.value(QStringLiteral("Caption")).toString());
    SetChecked(properties.value(QStringLiteral("Checked"), false).toBool());
    SetCheckedColor(color("CheckedColor", 15259858));
    SetTextOffset(number("TextOffset", 5));
    SetImagePosition(number("ImagePosition", 4));
    SetStyle(number("Style", 1));
    SetEnabled(properties.value(QStringLiteral("Enabled"), true).toBool());
    SetButtonIcon(properties.value(QStringLiteral("ButtonIcon")).value<QPixmap>());
    SetHighlightBackColor(color("HighlightBackColor", 14073525));
    SetPressColor(color("PressColor", 11899525));
    SetHighlightBorderColor(color("HighlightBorderColor", 7021576));
    SetBackColor(color("BackColor", 13752539));
    SetImageDisplacement(number("DefinedImageDisplacement", 1));
}

bool ButtonXP::InMenuArea(const QPoint& at) const {
    return style == 2 && at.x() >= width() - MenuAreaWidth - 1;
}

QSize ButtonXP::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = textOffset + 20 + metrics.horizontalAdvance(caption) + 8;
    if (style == 2)
        width += MenuAreaWidth + 1;
    return QSize(width, qMax(24, metrics.height() + 6));
}

void ButtonXP::ShowState(State newState) {
    state = newState;
    update();
}

void ButtonXP::UpdateTimer() {
    if (isVisible() && isEnabled()) {
        if (!timer.isActive())
            timer.start(TimerPeriod, this);
        return;
    }
    timer.stop();
    hover = false;
    buttonDown = false;
    ShowState(Normal);
}

void ButtonXP::Shown(bool visible) {
    if (visible) {
        UpdateTimer();
    } else {
        timer.stop();
        hover = false;
        ShowState(Normal);
    }
}

void ButtonXP::Tick() {
    // The pointer's place is known from the enter, leave and move events;
    // the tick turns it into the look.
    if (pointerInside && !hover) {
        hover = true;
        ShowState(Hover);
    } else if (!pointerInside && hover) {
        hover = false;
        ShowState(Normal);
    }
}

void ButtonXP::ButtonPressed(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    pointerInside = rect().contains(at);
    pressOnMenu = InMenuArea(at);
    ShowState(Pressed);
    Q_EMIT MouseDown(at.x(), at.y());
    buttonDown = true;
}

void ButtonXP::ButtonReleased(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    pointerInside = rect().contains(at);
    ShowState(pointerInside ? Hover : Normal);
    Q_EMIT MouseUp(at.x(), at.y());
    // The pointer stays grabbed after a press; a release away from the
    // button is a change of mind, not a click.
    const bool click = buttonDown && pointerInside;
    const bool onMenu = pressOnMenu && style == 2;
    buttonDown = false;
    pressOnMenu = false;
    if (click) {
        if (onMenu) {
            Q_EMIT MenuClick();
        } else {
            Q_EMIT Click();
        }
    }
}

void ButtonXP::iSubclass_Before(bool& handled, bool&, QObject*, QEvent*& event) {
    switch (event->type()) {
        case QEvent::Show:
            handled = true;
            Shown(true);
            break;
        case QEvent::Hide:
            handled = true;
            Shown(false);
            break;
        case QEvent::Timer:
            if (static_cast<QTimerEvent*>(event)->timerId() == timer.timerId()) {
                handled = true;
                Tick();
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!isEnabled() || mouse->button() != Qt::LeftButton)
                break;
            handled = true;
            if (event->type() == QEvent::MouseButtonPress) {
                ButtonPressed(mouse);
            } else {
                ButtonReleased(mouse);
            }
            break;
        }
        case QEvent::Enter:
            pointerInside = isEnabled();
            break;
        case QEvent::Leave:
            pointerInside = false;
            break;
        case QEvent::MouseMove:
            pointerInside = isEnabled() &&
                            rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        default:
            break;
    }
}

void ButtonXP::iSubclass_After(bool&, QObject*, QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            pointerInside = false;
        UpdateTimer();
    }
}

void ButtonXP::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool enabled = isEnabled();
    const State look = enabled ? state : Normal;

    QColor border = backColor;
    if (enabled && (look != Normal || checked))
        border = highlightBorderColor;
    QColor fill = backColor;
    if (look == Hover) {
        fill = highlightBackColor;
    } else if (look == Pressed) {
        fill = pressColor;
    } else if (checked) {
        fill = checkedColor;
    }
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int menuLeft = width() - MenuAreaWidth - 1;
    if (style == 2) {
        // The drop-down area: its own pressed look when the press began there.
        if (look == Pressed && pressOnMenu) {
            painter.fillRect(QRect(1, 1, menuLeft - 1, height() - 2), highlightBackColor);
            painter.fillRect(QRect(menuLeft + 1, 1, MenuAreaWidth - 1, height() - 2), pressColor);
        }
        if (enabled && look != Normal) {
            painter.setPen(border);
            painter.drawLine(menuLeft, 1, menuLeft, height() - 2);
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen arrow(enabled ? QColor(Qt::black) : DisabledText, 1.3);
        arrow.setCapStyle(Qt::RoundCap);
        arrow.setJoinStyle(Qt::RoundJoin);
        painter.setPen(arrow);
        const QPointF centre(menuLeft + MenuAreaWidth / 2.0 + 0.5, height() / 2.0 + 0.5);
        painter.drawPolyline(QList<QPointF>{centre + QPointF(-2.5, -1.25),
                                            centre + QPointF(0, 1.25),
                                            centre + QPointF(2.5, -1.25)});
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setClipRect(QRect(0, 0, menuLeft, height()));
    }

    const bool lifted = look == Hover;
    if (!icon.isNull()) {
        const int at = lifted ? imagePosition - imageDisplacement : imagePosition;
        painter.drawPixmap(at, at, icon);
    }
    if (!caption.isEmpty()) {
        const QFontMetrics metrics(font());
        const int x = lifted ? textOffset + 19 : textOffset + 20;
        const int y = lifted ? 2 : 3;
        painter.setPen(enabled ? QColor(Qt::black) : DisabledText);
        painter.setFont(font());
        painter.drawText(QPoint(x, y + metrics.ascent()), caption);
    }
}
