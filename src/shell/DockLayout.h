#pragma once
#include <QByteArray>
#include <QList>
#include <QRect>
#include <QStringList>
#include <optional>
#include <vector>

class QDockWidget;
class QMainWindow;
class QToolBar;

// The arrangement of the main window's tool bars and panes as the IDE keeps
// it between runs: a plain description that is read back only when every
// field is known and in range, and applied through QMainWindow's own calls.
// No byte of a stored layout ever reaches Qt's own state reader, so a
// damaged file can at worst give an odd arrangement, never a crash.
namespace DockLayout {

struct BarPlace {
    QString id;
    bool visible = true;
};

// One row of tool bars in a tool bar area, in order along the row.
struct BarLine {
    Qt::ToolBarArea area = Qt::TopToolBarArea;
    std::vector<BarPlace> bars;
};

struct PanePlace {
    QString id;
    bool visible = true;
    bool floating = false;
    QRect floatingGeometry;  // only for a floating pane: frame position, inside size
};

// Panes sharing one place of a dock area as tabs, in tab order. The groups of
// an area follow each other along the area. A floating pane is a group alone;
// its area is where it docks again.
struct PaneGroup {
    Qt::DockWidgetArea area = Qt::RightDockWidgetArea;
    std::vector<PanePlace> panes;
    int current = 0;    // the tab in front
    int extent = 0;     // pixels along the area; 0 leaves it to the layout
    int thickness = 0;  // pixels across the area; 0 leaves it to the layout
};

struct Arrangement {
    std::vector<BarLine> lines;
    std::vector<PaneGroup> groups;
    bool statusBar = true;
    QStringList recentModules;
    QStringList recentSolutions;
};

// The bars and panes an arrangement places, each exactly once, by objectName.
struct Cast {
    QList<QToolBar*> bars;
    QList<QDockWidget*> panes;
};

QByteArray Encode(const Arrangement& arrangement);

// The arrangement `bytes` describe, or nullopt unless they are exactly what
// Encode writes for this cast: known names, each once, every value in range,
// nothing left over.
std::optional<Arrangement> Decode(const QByteArray& bytes, const Cast& cast);

// The current arrangement of `window`'s bars and panes. The status bar and
// the recent lists are the caller's to fill in.
Arrangement Capture(const QMainWindow* window, const Cast& cast);

// Rebuilds the bars and panes of `window` as `arrangement` says (a decoded
// one). Sizes and floating places are fitted to the screens there are now.
void Apply(QMainWindow* window, const Cast& cast, const Arrangement& arrangement);

}  // namespace DockLayout
