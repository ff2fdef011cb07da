#pragma once
// What both layout targets check on a real docking host: a layout it takes
// saves back as something it takes again unchanged; one it refuses leaves the
// arrangement as it was.
#include <QApplication>
#include <QMainWindow>

#include "FuzzSupport.h"
#include "shell/DockHost.h"

namespace LayoutFuzz {

struct Host {
    QMainWindow window;
    DockHost* host = new DockHost(&window);
    QByteArray initial;
    QByteArray now;  // what the host saves at the start of the next input

    // Shown (offscreen), as the IDE's window is when it saves its layout: a
    // hidden window's docks have no sizes of their own yet.
    Host() {
        window.resize(1024, 768);
        window.show();
        initial = now = Settled();
    }

    // What the host saves once the events a change posted have run, objects
    // it let go of included (so an input leaves no allocation behind for the
    // next one to be blamed for).
    QByteArray Settled() {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        return host->SaveLayout();
    }
};

inline Host& TheHost() {
    static Host* host = new Host;
    return *host;
}

inline void Check(const QByteArray& layout) {
    using FuzzSupport::Show;
    Host& h = TheHost();
    if (!h.host->RestoreLayout(layout)) {
        FUZZ_EXPECT(h.Settled() == h.now,
                    QStringLiteral("a refused layout changed the arrangement: %1 -> %2")
                        .arg(Show(h.now), Show(h.Settled())));
        return;
    }
    const QByteArray saved = h.Settled();
    FUZZ_EXPECT(
        h.host->RestoreLayout(saved),
        QStringLiteral("a saved layout is refused: %1 (from %2)").arg(Show(saved), Show(layout)));
    const QByteArray again = h.Settled();
    FUZZ_EXPECT(again == saved, QStringLiteral("saved %1, restored and saved again %2 (from %3)")
                                    .arg(Show(saved), Show(again), Show(layout)));
    // The next input starts from the arrangement a fresh window has.
    FUZZ_EXPECT(h.host->RestoreLayout(h.initial), QStringLiteral("the first layout is refused"));
    h.now = h.Settled();
}

}  // namespace LayoutFuzz
