#include "controls/cFlatCtl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QTimerEvent>

#include "controls/ControlError.h"

cFlatCtl::cFlatCtl(QObject* parent) : QObject(parent) {}

cFlatCtl::~cFlatCtl() {
    Detach();
}

void cFlatCtl::Attach(QObject* object) {
    Detach();
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        throw ControlError(AttachErrorNumber,
                           QCoreApplication::applicationName() + QStringLiteral(".cFlatControl"),
                           QStringLiteral("Incorrect control type passed to 'Attach' parameter - "
                                          "must be a control with a hWnd property."));
    }
    control = widget;
    // Qt's combo box always has a drop-down button, so no combo needs moving
    // to make room for the frame.
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        isCombo = true;
        editChild = combo->lineEdit();
        popup = combo->view()->window();
        popupHook.Subclass(popup, this);
        popupHook.AddMsg(QEvent::Show, Subclasser::After);
        popupHook.AddMsg(QEvent::Hide, Subclasser::After);
    }
    engine.Subclass(widget, this);
    engine.AddMsg(QEvent::Paint, Subclasser::After);
    engine.AddMsg(QEvent::FocusIn, Subclasser::Before);
    engine.AddMsg(QEvent::FocusOut, Subclasser::Before);
    engine.AddMsg(QEvent::MouseMove, Subclasser::Before);
    engine.AddMsg(QEvent::HoverMove, Subclasser::Before);
    engine.AddMsg(QEvent::Enter, Subclasser::Before);
    engine.AddMsg(QEvent::Leave, Subclasser::Before);
    engine.AddMsg(QEvent::Timer, Subclasser::Before);
    engine.AddMsg(QEvent::EnabledChange, Subclasser::After);
    // Focus can land on a combo's edit child without the combo hearing of it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        auto ours = [this](QWidget* w) {
            return w && (w == control || w == editChild || (control && control->isAncestorOf(w)));
        };
        if (ours(old) || ours(now))
            Refresh();
    });
    Refresh();
}

void cFlatCtl::Detach() {
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    StopTimer();
    engine.UnSubclass();
    popupHook.UnSubclass();
    if (control)
        control->update();
    control = nullptr;
    editChild = nullptr;
    popup = nullptr;
    isCombo = false;
    hover = false;
    pointerInside = false;
    drawn = Normal;
}

void cFlatCtl::StopTimer() {
    // A timer dies with its control; only a living one needs stopping.
    if (timerId && control)
        control->killTimer(timerId);
    timerId = 0;
}

bool cFlatCtl::DroppedDown() const {
    return isCombo && popup && popup->isVisible();
}

bool cFlatCtl::HasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    if (!control || !focus)
        return false;
    return focus == control || focus == editChild || control->isAncestorOf(focus);
}

cFlatCtl::FrameState cFlatCtl::Wanted() const {
    if (!control || !control->isEnabled())
        return Normal;
    if (DroppedDown())
        return Dropped;
    if (hover)
        return Hot;
    if (HasFocus())
        return Focused;
    return Normal;
}

void cFlatCtl::Refresh() {
    drawn = Wanted();
    if (control)
        control->update();
}

void cFlatCtl::PointerAt(bool inside) {
    pointerInside = inside;
    if (inside && !hover && control && control->isEnabled()) {
        hover = true;
        timerId = control->startTimer(TimerPeriod);
        Refresh();
    }
}

void cFlatCtl::iSubclass_Before(bool& handled, bool&, QObject* window, QEvent*& event) {
    if (window != control)
        return;
    switch (event->type()) {
        case QEvent::Enter:
            PointerAt(true);
            break;
        case QEvent::Leave:
            pointerInside = false;
            break;
        case QEvent::MouseMove:
            PointerAt(
                control->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()));
            break;
        case QEvent::HoverMove:
            PointerAt(
                control->rect().contains(static_cast<QHoverEvent*>(event)->position().toPoint()));
            break;
        case QEvent::Timer:
            if (static_cast<QTimerEvent*>(event)->timerId() != timerId || timerId == 0)
                break;
            handled = true;
            if (!pointerInside) {
                StopTimer();
                hover = false;
                Refresh();
            }
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            Refresh();
            break;
        default:
            break;
    }
}

void cFlatCtl::iSubclass_After(bool&, QObject* window, QEvent* event) {
    if (window == popup) {
        // The list opened or closed.
        Refresh();
        return;
    }
    if (window != control)
        return;
    if (event->type() == QEvent::Paint) {
        PaintFrame();
    } else if (event->type() == QEvent::EnabledChange) {
        if (!control->isEnabled()) {
            StopTimer();
            hover = false;
            pointerInside = false;
        }
        Refresh();
    }
}

void cFlatCtl::PaintFrame() {
    drawn = Wanted();
    QWidget* widget = control;
    const QPalette& colors = widget->palette();
    const QColor face = colors.color(QPalette::Button);
    const QColor lit = drawn == Normal ? face : colors.color(QPalette::Highlight);
    const QColor inside = colors.color(QPalette::Base);

    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    // The outer line covers the control's own edge; the middle one is the
    // frame proper; the inner one clears what is left of the edge.
    QRect line = widget->rect().adjusted(0, 0, -1, -1);
    painter.setPen(face);
    painter.drawRect(line);
    line.adjust(1, 1, -1, -1);
    painter.setPen(lit);
    painter.drawRect(line);
    line.adjust(1, 1, -1, -1);
    painter.setPen(inside);
    painter.drawRect(line);

    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!isCombo || !combo)
        return;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    QRect button = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                  QStyle::SC_ComboBoxArrow, combo);
    const int thumb = combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, combo);
    button.setLeft(qMin(button.left(), widget->width() - 3 - thumb));
    button.setRight(widget->width() - 4);
    button.setTop(3);
    button.setBottom(widget->height() - 4);
    if (!button.isValid())
        return;

    QColor buttonFill = drawn == Normal || drawn == Focused ? inside : face;
    if (drawn == Dropped)
        buttonFill = face.darker(108);
    painter.fillRect(button, buttonFill);
    if (drawn == Hot || drawn == Dropped) {
        // Raised while the pointer is over it, sunken while the list is open.
        const QColor light = colors.color(QPalette::Light);
        const QColor shadow = colors.color(QPalette::Mid);
        const QColor topLeft = drawn == Dropped ? shadow : light;
        const QColor bottomRight = drawn == Dropped ? light : shadow;
        painter.setPen(topLeft);
        painter.drawLine(button.topLeft(), button.topRight());
        painter.drawLine(button.topLeft(), button.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(button.bottomLeft(), button.bottomRight());
        painter.drawLine(button.topRight(), button.bottomRight());
    } else {
        painter.setPen(face);
        painter.drawLine(button.topLeft() - QPoint(1, 0), button.bottomLeft() - QPoint(1, 0));
    }

    const QPointF shift = drawn == Dropped ? QPointF(1, 1) : QPointF(0, 0);
    const QPointF centre = QRectF(button).center() + shift + QPointF(0.5, 0.5);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen arrow(widget->isEnabled() ? colors.color(QPalette::ButtonText)
                                   : colors.color(QPalette::Disabled, QPalette::ButtonText),
               1.4);
    arrow.setCapStyle(Qt::RoundCap);
    arrow.setJoinStyle(Qt::RoundJoin);
    painter.setPen(arrow);
    painter.drawPolyline(QList<QPointF>{centre + QPointF(-3.5, -1.75), centre + QPointF(0, 1.75),
                                        centre + QPointF(3.5, -1.75)});
}
