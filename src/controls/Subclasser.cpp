#include "controls/Subclasser.h"

#include <QEvent>
#include <algorithm>

namespace {

// QObject::event is protected; a pointer to it taken through a derived class
// calls it on any object, with the usual virtual dispatch.
struct EventAccess : QObject {
    static bool Deliver(QObject* receiver, QEvent* event) {
        return (receiver->*(&EventAccess::event))(event);
    }
};

}  // namespace

bool Subclasser::Table::Qualifies(int message) const {
    if (count == AllMessages)
        return true;
    if (count <= 0)
        return false;
    return std::find(entries.cbegin(), entries.cbegin() + count, message) !=
           entries.cbegin() + count;
}

Subclasser::Subclasser(QObject* parent) : QObject(parent) {}

Subclasser::~Subclasser() {
    UnSubclass();
}

void Subclasser::Subclass(QObject* window, iSubclass* owner) {
    Unhook();
    if (!window || !owner)
        return;
    this->window = window;
    this->owner = owner;
    ownerObject = dynamic_cast<QObject*>(owner);
    ownerTracked = !ownerObject.isNull();
    window->installEventFilter(this);
}

void Subclasser::UnSubclass() {
    if (!window)
        return;
    Unhook();
    before = Table();
    after = Table();
}

void Subclasser::Unhook() {
    if (window)
        window->removeEventFilter(this);
    window = nullptr;
    ownerObject = nullptr;
    ownerTracked = false;
    owner = nullptr;
}

void Subclasser::AddMsg(int message, int when) {
    Table& table = TableOf(when);
    if (message == AllMessages) {
        table.count = AllMessages;
        return;
    }
    if (message < 0 || table.count == AllMessages)
        return;
    if (table.entries.contains(message))
        return;
    const qsizetype freeSlot = table.entries.indexOf(FreeSlot);
    if (freeSlot >= 0) {
        table.entries[freeSlot] = message;
        return;
    }
    table.entries.append(message);
    table.count = static_cast<int>(table.entries.size());
}

void Subclasser::DelMsg(int message, int when) {
    Table& table = TableOf(when);
    if (message == AllMessages) {
        table = Table();
        return;
    }
    const qsizetype at = table.entries.indexOf(message);
    if (at >= 0)
        table.entries[at] = FreeSlot;
}

int Subclasser::MsgCount(int when) const {
    return TableOf(when).count;
}

QList<int> Subclasser::MsgTable(int when) const {
    return TableOf(when).entries;
}

bool Subclasser::CallOrigWndProc(QEvent* event) {
    if (!window || !event)
        return false;
    EventAccess::Deliver(window, event);
    return event->isAccepted();
}

bool Subclasser::OwnerGone() const {
    // An owner that is not a QObject cannot be watched and counts as present.
    return !owner || (ownerTracked && ownerObject.isNull());
}

bool Subclasser::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window.data())
        return false;
    const int type = event->type();
    const bool wantBefore = before.Qualifies(type);
    const bool wantAfter = after.Qualifies(type);
    if (!wantBefore && !wantAfter)
        return false;
    if (OwnerGone()) {
        // The owner went away without unsubclassing: step aside and let the
        // object have the event as if nothing had been watching.
        Unhook();
        return false;
    }

    bool result = event->isAccepted();
    QEvent* delivered = event;
    if (wantBefore) {
        bool handled = false;
        owner->iSubclass_Before(handled, result, watched, delivered);
        if (handled) {
            event->setAccepted(result);
            return true;
        }
        if (!delivered)
            delivered = event;
    }

    const bool stillWatched = window.data() == watched && !OwnerGone();
    if (!(wantAfter && stillWatched) && delivered == event)
        return false;

    QPointer<QObject> alive(watched);
    EventAccess::Deliver(watched, delivered);
    result = delivered->isAccepted();
    if (alive && wantAfter && window.data() == watched) {
        if (OwnerGone()) {
            Unhook();
        } else {
            owner->iSubclass_After(result, watched, delivered);
        }
    }
    event->setAccepted(result);
    return true;
}
