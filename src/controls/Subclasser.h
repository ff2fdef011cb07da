#pragma once
#include <QList>
#include <QObject>
#include <QPointer>

class QEvent;

// What an owner of a Subclasser implements to see the events of the watched
// object. Both callbacks get the event's answer by reference: whether it is
// accepted, which is what a sender of the event reads back.
class iSubclass {
public:
    virtual ~iSubclass() = default;

    // After the watched object has processed the event. `result` holds its
    // answer and may be changed.
    virtual void iSubclass_After(bool& result, QObject* window, QEvent* event) = 0;

    // Before the watched object sees the event. Setting `handled` keeps the
    // event from the object and from iSubclass_After; `result` is then the
    // answer. Pointing `event` at another event hands that one to the object
    // instead; the owner keeps the replacement alive until delivery is over.
    virtual void iSubclass_Before(bool& handled, bool& result, QObject* window, QEvent*& event) = 0;
};

// The interception engine: watches one object at a time through an event
// filter and calls its owner only for the event types in its two tables.
// Every other event passes straight to the object with nothing but a short
// table scan. The owner must be a QObject; when it is destroyed without
// UnSubclass, the engine unhooks itself at the next event that would have
// reached it.
class Subclasser : public QObject {
    Q_OBJECT
public:
    enum When { Before = 1, After = 2 };
    static constexpr int AllMessages = -1;
    static constexpr int FreeSlot = -1;

    explicit Subclasser(QObject* parent = nullptr);
    ~Subclasser() override;

    // Starts watching `window` for `owner`, leaving any previous window.
    void Subclass(QObject* window, iSubclass* owner);
    // Stops watching; both tables are emptied.
    void UnSubclass();

    // Adds an event type (QEvent::Type as int) to the before or after table;
    // AllMessages makes every event qualify. A freed slot is reused; a type
    // already present is not added twice.
    void AddMsg(int message, int when);
    // Frees the slot of the type (the table keeps its size); AllMessages
    // empties the table.
    void DelMsg(int message, int when);

    // Hands `event` to the watched object itself, past every interception,
    // and returns whether the object accepted it; false when nothing is
    // watched.
    bool CallOrigWndProc(QEvent* event);

    QObject* Window() const { return window; }
    bool IsSubclassed() const { return !window.isNull(); }
    // The table's count (0 none, AllMessages every event) and its slots.
    int MsgCount(int when) const;
    QList<int> MsgTable(int when) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Table {
        int count = 0;
        QList<int> entries;
        bool Qualifies(int message) const;
    };
    Table& TableOf(int when) { return when == After ? after : before; }
    const Table& TableOf(int when) const { return when == After ? after : before; }
    bool OwnerGone() const;
    void Unhook();

    Table before, after;
    QPointer<QObject> window;
    QPointer<QObject> ownerObject;
    iSubclass* owner = nullptr;
    bool ownerTracked = false;
};
