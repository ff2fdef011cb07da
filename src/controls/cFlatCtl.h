#pragma once
#include <QObject>
#include <QPointer>

#include "controls/Subclasser.h"

class QComboBox;
class QWidget;

// Gives an existing combo box or line edit a flat, tool-bar-like frame that
// lights up while the pointer is over the control or it has the focus; a
// combo's drop-down button shows pressed while its list is open. One
// instance per control: Attach it, and the frame goes when the instance does.
class cFlatCtl : public QObject, public iSubclass {
    Q_OBJECT
public:
    // What the frame shows, in order of precedence.
    enum FrameState { Normal = 0, Hot = 1, Focused = 2, Dropped = 3 };
    static constexpr int TimerPeriod = 10;
    static constexpr quint32 AttachErrorNumber = 0x80040000u + 1049;

    explicit cFlatCtl(QObject* parent = nullptr);
    ~cFlatCtl() override;

    // Leaves any previous control and frames `control`. Throws ControlError
    // when `control` is not a widget; the instance is then detached.
    void Attach(QObject* control);
    void Detach();

    // Whether the attached combo's list is open.
    bool DroppedDown() const;

    QWidget* Control() const { return control; }
    bool IsCombo() const { return isCombo; }
    bool IsHover() const { return hover; }
    FrameState State() const { return control ? drawn : Normal; }

    void iSubclass_After(bool& result, QObject* window, QEvent* event) override;
    void iSubclass_Before(bool& handled, bool& result, QObject* window, QEvent*& event) override;

private:
    bool HasFocus() const;
    FrameState Wanted() const;
    void Refresh();
    void PaintFrame();
    void PointerAt(bool inside);
    void StopTimer();

    Subclasser engine;     // the control
    Subclasser popupHook;  // a combo's list window: opening and closing
    QPointer<QWidget> control;
    QPointer<QWidget> editChild;
    QPointer<QWidget> popup;
    bool isCombo = false;
    bool hover = false;
    bool pointerInside = false;
    FrameState drawn = Normal;
    int timerId = 0;  // the hover timer, running on the control
};
