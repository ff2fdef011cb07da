#include "shell/DockLayout.h"

#include <QDockWidget>
#include <QLayout>
#include <QMainWindow>
#include <QSet>
#include <QStringDecoder>
#include <QTabBar>
#include <QToolBar>
#include <QtEndian>
#include <algorithm>
#include <numeric>

#include "shell/CommandTable.h"
#include "shell/ScreenFit.h"

namespace DockLayout {

namespace {

// The encoding: "ZLY2", then
//   u8 status bar shown
//   u8 lines;  per line:  u8 area, u8 bars;  per bar:  name, u8 shown
//   u8 groups; per group: u8 area, u8 panes, u8 current, u16 extent, u16 thickness;
//              per pane:  name, u8 shown, u8 floating [, i32 x, i32 y, u16 w, u16 h]
//   u8 recent modules, u8 recent solutions: each u16 length and UTF-8 bytes
// Numbers are little-endian; a name is u8 length and Latin-1 bytes.
const QByteArray Magic("ZLY2");
constexpr int MaxNameLength = 64;
constexpr int MaxPathBytes = 16384;
constexpr int MinFloatingWidth = 80;
constexpr int MinFloatingHeight = 60;
constexpr int MinDockSize = 16;

bool IsDockArea(int value) {
    return value == Qt::LeftDockWidgetArea || value == Qt::RightDockWidgetArea ||
           value == Qt::TopDockWidgetArea || value == Qt::BottomDockWidgetArea;
}

// The order areas are captured and applied in.
int AreaIndex(Qt::DockWidgetArea area) {
    switch (area) {
        case Qt::LeftDockWidgetArea:
            return 0;
        case Qt::RightDockWidgetArea:
            return 1;
        case Qt::TopDockWidgetArea:
            return 2;
        default:
            return 3;
    }
}

bool IsVertical(Qt::DockWidgetArea area) {
    return area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
}

class Writer {
public:
    template <typename T>
    void Put(T value) {
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        out.append(bytes, sizeof(T));
    }
    void PutCount(size_t count) { Put<quint8>(static_cast<quint8>(std::min<size_t>(count, 255))); }
    void PutName(const QString& name) {
        const QByteArray bytes = name.toLatin1().left(MaxNameLength);
        Put<quint8>(static_cast<quint8>(bytes.size()));
        out.append(bytes);
    }
    void PutSize(int value) { Put<quint16>(static_cast<quint16>(std::clamp(value, 0, 0xFFFF))); }
    void PutPaths(const QStringList& paths) {
        QList<QByteArray> kept;
        for (const QString& path : paths) {
            const QByteArray bytes = path.toUtf8();
            if (!bytes.isEmpty() && bytes.size() <= MaxPathBytes &&
                kept.size() < CommandTable::RecentLimit && !kept.contains(bytes))
                kept << bytes;
        }
        PutCount(kept.size());
        for (const QByteArray& bytes : kept) {
            Put<quint16>(static_cast<quint16>(bytes.size()));
            out.append(bytes);
        }
    }
    QByteArray out;
};

// Reads fields in order; the first field that is missing or out of range
// makes every later read fail, so the caller checks once at the end.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : bytes(bytes) {}

    bool Ok() const { return ok; }
    bool AtEnd() const { return at == bytes.size(); }
    void Fail() { ok = false; }

    template <typename T>
    T Take() {
        if (!ok || bytes.size() - at < static_cast<qsizetype>(sizeof(T))) {
            ok = false;
            return T{};
        }
        const T value = qFromLittleEndian<T>(bytes.constData() + at);
        at += sizeof(T);
        return value;
    }
    bool Flag() {
        const quint8 value = Take<quint8>();
        if (value > 1)
            ok = false;
        return value == 1;
    }
    int Count(int limit) {
        const int value = Take<quint8>();
        if (value > limit)
            ok = false;
        return ok ? value : 0;
    }
    QByteArray Bytes(int length) {
        if (!ok || bytes.size() - at < length) {
            ok = false;
            return QByteArray();
        }
        const QByteArray value = bytes.mid(at, length);
        at += length;
        return value;
    }
    // A name from `known` that was not read before.
    QString Name(const QStringList& known, QSet<QString>& seen) {
        const int length = Take<quint8>();
        const QString name = QString::fromLatin1(Bytes(length));
        if (!known.contains(name) || seen.contains(name))
            ok = false;
        seen.insert(name);
        return ok ? name : QString();
    }
    QStringList Paths() {
        QStringList paths;
        const int count = Count(CommandTable::RecentLimit);
        for (int i = 0; i < count && ok; ++i) {
            const int length = Take<quint16>();
            const QByteArray raw = Bytes(length);
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString path = utf8.decode(raw);
            if (length == 0 || length > MaxPathBytes || utf8.hasError() || paths.contains(path))
                ok = false;
            paths << path;
        }
        return ok ? paths : QStringList();
    }

private:
    const QByteArray& bytes;
    qsizetype at = 0;
    bool ok = true;
};

QStringList NamesOf(const auto& widgets) {
    QStringList names;
    for (const auto* widget : widgets)
        names << widget->objectName();
    return names;
}

template <typename T>
T* Find(const QList<T*>& list, const QString& name) {
    for (T* item : list)
        if (item->objectName() == name)
            return item;
    return nullptr;
}

// Tool bars by area, rows across the area, and bars along each row. Where a
// row starts the layout says exactly (a bar after a break); the order comes
// from where the bars are, which for a hidden bar is where it was last shown.
void CaptureBars(const QMainWindow* window, const Cast& cast, Arrangement& result) {
    for (const Qt::ToolBarArea area :
         {Qt::TopToolBarArea, Qt::BottomToolBarArea, Qt::LeftToolBarArea, Qt::RightToolBarArea}) {
        const bool vertical = area == Qt::LeftToolBarArea || area == Qt::RightToolBarArea;
        QList<QToolBar*> bars;
        for (QToolBar* bar : cast.bars) {
            const Qt::ToolBarArea where = window->toolBarArea(bar);
            if (where == area || (where == Qt::NoToolBarArea && area == Qt::TopToolBarArea))
                bars << bar;
        }
        // Rows count from the window's edge inwards.
        const bool fromFarEdge = area == Qt::BottomToolBarArea || area == Qt::RightToolBarArea;
        auto place = [vertical, fromFarEdge](const QToolBar* bar) {
            const QRect r = bar->geometry();
            const int across = vertical ? r.x() : r.y();
            return std::pair(fromFarEdge ? -across : across, vertical ? r.y() : r.x());
        };
        std::stable_sort(bars.begin(), bars.end(),
                         [&](const QToolBar* a, const QToolBar* b) { return place(a) < place(b); });
        // A bar after a break never starts the area.
        auto starts = std::find_if(bars.begin(), bars.end(),
                                   [window](QToolBar* bar) { return !window->toolBarBreak(bar); });
        if (starts != bars.end())
            std::rotate(bars.begin(), starts, starts + 1);
        for (int i = 0; i < bars.size(); ++i) {
            if (i == 0 || window->toolBarBreak(bars[i]))
                result.lines.push_back(BarLine{area, {}});
            result.lines.back().bars.push_back({bars[i]->objectName(), !bars[i]->isHidden()});
        }
    }
}

// The tab bar Qt shows for the visible panes of a group: the one whose tabs
// carry exactly their titles.
const QTabBar* TabBarOf(const QMainWindow* window, const QList<QDockWidget*>& shown) {
    QStringList titles;
    for (const QDockWidget* pane : shown)
        titles << pane->windowTitle();
    titles.sort();
    for (const QTabBar* bar : window->findChildren<QTabBar*>(Qt::FindDirectChildrenOnly)) {
        QStringList tabs;
        for (int i = 0; i < bar->count(); ++i)
            tabs << bar->tabText(i);
        tabs.sort();
        if (tabs == titles)
            return bar;
    }
    return nullptr;
}

// Where a group sits: its front pane with the tab bar below it, which the
// layout sizes together. Only two or more shown tabs have a tab bar.
QRect GroupPlace(const QMainWindow* window, const QList<QDockWidget*>& shown,
                 const QDockWidget* front) {
    QRect place = front->geometry();
    const QTabBar* tabs = shown.size() > 1 ? TabBarOf(window, shown) : nullptr;
    if (tabs && tabs->isVisible() && tabs->geometry().intersects(window->rect()))
        place |= tabs->geometry();
    return place;
}

struct CapturedGroup {
    PaneGroup group;
    int position = 0;  // along the area, for ordering
    int rank = 0;      // 0 shown, 1 all hidden, 2 floating
};

CapturedGroup CaptureGroup(const QMainWindow* window, const QList<QDockWidget*>& members) {
    CapturedGroup captured;
    PaneGroup& group = captured.group;
    group.area = Qt::RightDockWidgetArea;
    for (QDockWidget* pane : members)
        if (IsDockArea(window->dockWidgetArea(pane)))
            group.area = window->dockWidgetArea(pane);

    QList<QDockWidget*> shown, hidden;
    for (QDockWidget* pane : members)
        (pane->isHidden() ? hidden : shown) << pane;
    QDockWidget* front = nullptr;
    if (const QTabBar* bar = shown.size() > 1 ? TabBarOf(window, shown) : nullptr) {
        QList<QDockWidget*> ordered;
        for (int i = 0; i < bar->count(); ++i)
            for (QDockWidget* pane : shown)
                if (pane->windowTitle() == bar->tabText(i))
                    ordered << pane;
        shown = ordered;
        front = shown.value(bar->currentIndex());
    }
    if (!front) {
        // Tabs behind the front one are moved out of the window's area.
        for (QDockWidget* pane : shown)
            if (!front && pane->geometry().intersects(window->rect()))
                front = pane;
    }
    if (!front && !shown.isEmpty())
        front = shown.first();

    for (QDockWidget* pane : shown + hidden)
        group.panes.push_back({pane->objectName(), !pane->isHidden(), false, QRect()});
    group.current = front ? static_cast<int>(shown.indexOf(front)) : 0;
    if (front) {
        const QRect place = GroupPlace(window, shown, front);
        const bool vertical = IsVertical(group.area);
        group.extent = vertical ? place.height() : place.width();
        group.thickness = vertical ? place.width() : place.height();
        captured.position = vertical ? place.y() : place.x();
    } else {
        captured.rank = 1;
    }
    return captured;
}

void CapturePanes(const QMainWindow* window, const Cast& cast, Arrangement& result) {
    // Panes tabbed together share a group; a hidden tab still counts for the
    // visible ones it sits with.
    std::vector<int> parent(cast.panes.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&parent](int i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    for (int i = 0; i < cast.panes.size(); ++i) {
        if (cast.panes[i]->isFloating())
            continue;
        for (QDockWidget* other : window->tabifiedDockWidgets(cast.panes[i])) {
            const int j = static_cast<int>(cast.panes.indexOf(other));
            if (j >= 0 && !other->isFloating())
                parent[root(j)] = root(i);
        }
    }
    std::vector<CapturedGroup> groups;
    for (int i = 0; i < cast.panes.size(); ++i) {
        if (root(i) != i)
            continue;
        QDockWidget* pane = cast.panes[i];
        if (pane->isFloating()) {
            CapturedGroup captured;
            captured.rank = 2;
            captured.group.area = IsDockArea(window->dockWidgetArea(pane))
                                      ? window->dockWidgetArea(pane)
                                      : Qt::RightDockWidgetArea;
            // A window's place is where its frame is, its size that of its inside.
            captured.group.panes.push_back(
                {pane->objectName(), !pane->isHidden(), true, QRect(pane->pos(), pane->size())});
            groups.push_back(captured);
            continue;
        }
        QList<QDockWidget*> members;
        for (int j = 0; j < cast.panes.size(); ++j)
            if (root(j) == i)
                members << cast.panes[j];
        groups.push_back(CaptureGroup(window, members));
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [&](const CapturedGroup& a, const CapturedGroup& b) {
                         return std::tuple(AreaIndex(a.group.area), a.rank, a.position) <
                                std::tuple(AreaIndex(b.group.area), b.rank, b.position);
                     });
    for (const CapturedGroup& captured : groups)
        result.groups.push_back(captured.group);
}

int FitSize(int value, int limit) {
    return std::clamp(value, MinDockSize, std::max(limit, MinDockSize));
}

void ApplyBars(QMainWindow* window, const Cast& cast, const Arrangement& arrangement) {
    for (QToolBar* bar : cast.bars) {
        if (window->toolBarBreak(bar))
            window->removeToolBarBreak(bar);
        window->removeToolBar(bar);
    }
    QSet<int> started;
    for (const BarLine& line : arrangement.lines) {
        if (started.contains(line.area))
            window->addToolBarBreak(line.area);
        started.insert(line.area);
        for (const BarPlace& place : line.bars) {
            QToolBar* bar = Find(cast.bars, place.id);
            window->addToolBar(line.area, bar);
            bar->setVisible(place.visible);
        }
    }
}

// The sizes of one dock area: across it (from the first group) and, when it
// holds more than one group, along it.
struct AreaSizes {
    Qt::Orientation along = Qt::Vertical;
    QList<QDockWidget*> fronts;        // the pane in front of each shown group
    QList<QList<QDockWidget*>> shown;  // each group's shown panes
    QList<int> extents;                // empty: the one group fills the area
    int thickness = 0;                 // 0: as the layout has it
};

int Measure(const QMainWindow* window, const AreaSizes& area, int group, Qt::Orientation o) {
    const QRect place = GroupPlace(window, area.shown[group], area.fronts[group]);
    return o == Qt::Vertical ? place.height() : place.width();
}

Qt::Orientation Across(const AreaSizes& area) {
    return area.along == Qt::Vertical ? Qt::Horizontal : Qt::Vertical;
}

// Thickness first, as it changes how long the areas beside are. A group
// whose size was not kept gets the one the layout gives it now, so that the
// area's groups are sized together: left alone, the layout can give a pane
// less than its minimum, which it would then not give back.
void ApplySizes(QMainWindow* window, std::vector<AreaSizes>& areas) {
    window->layout()->activate();
    for (AreaSizes& area : areas)
        for (int i = 0; i < area.extents.size(); ++i)
            if (area.extents[i] == 0)
                area.extents[i] = Measure(window, area, i, area.along);
    for (const AreaSizes& area : areas)
        if (area.thickness > 0)
            window->resizeDocks({area.fronts.first()}, {area.thickness}, Across(area));
    for (const AreaSizes& area : areas)
        if (!area.extents.isEmpty())
            window->resizeDocks(area.fronts, area.extents, area.along);
}

void ApplyPanes(QMainWindow* window, const Cast& cast, const Arrangement& arrangement) {
    const std::vector<PaneGroup>& groups = arrangement.groups;
    for (QDockWidget* pane : cast.panes) {
        pane->setFloating(false);
        window->removeDockWidget(pane);
    }
    for (const PaneGroup& group : groups) {
        const Qt::Orientation along = IsVertical(group.area) ? Qt::Vertical : Qt::Horizontal;
        QDockWidget* first = Find(cast.panes, group.panes.front().id);
        window->addDockWidget(group.area, first, along);
        for (size_t i = 1; i < group.panes.size(); ++i)
            window->tabifyDockWidget(first, Find(cast.panes, group.panes[i].id));
    }
    for (const PaneGroup& group : groups) {
        for (const PanePlace& place : group.panes) {
            // Shown first, a pane floats exactly where it is put; a hidden
            // one is never shown on the way, which would leave room for it.
            QDockWidget* pane = Find(cast.panes, place.id);
            if (place.visible)
                pane->show();
            if (place.floating) {
                pane->setFloating(true);
                const QRect fitted = ScreenFit::FitOnScreens(
                    place.floatingGeometry, QSize(MinFloatingWidth, MinFloatingHeight));
                pane->resize(fitted.size());
                pane->move(fitted.topLeft());
            }
        }
    }

    // No pane is larger than the screens, or than the window when that is larger still.
    const QSize largest = ScreenFit::DesktopSize().expandedTo(window->size());
    std::vector<AreaSizes> areas;
    for (const Qt::DockWidgetArea where : {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea,
                                           Qt::TopDockWidgetArea, Qt::BottomDockWidgetArea}) {
        const bool vertical = IsVertical(where);
        AreaSizes area;
        area.along = vertical ? Qt::Vertical : Qt::Horizontal;
        for (const PaneGroup& group : groups) {
            if (group.area != where)
                continue;
            // The tab in front is a shown one: the current tab, else the first shown.
            const PanePlace* current = &group.panes[group.current];
            for (const PanePlace& place : group.panes)
                if (!current->visible && place.visible)
                    current = &place;
            if (!current->visible || current->floating)
                continue;
            QDockWidget* front = Find(cast.panes, current->id);
            if (group.panes.size() > 1)
                front->raise();
            area.fronts << front;
            area.shown << QList<QDockWidget*>();
            for (const PanePlace& place : group.panes)
                if (place.visible)
                    area.shown.last() << Find(cast.panes, place.id);
            area.extents << (group.extent > 0 ? FitSize(group.extent, vertical ? largest.height()
                                                                               : largest.width())
                                              : 0);
            if (area.thickness == 0 && group.thickness > 0)
                area.thickness =
                    FitSize(group.thickness, vertical ? largest.width() : largest.height());
        }
        if (area.fronts.size() < 2)
            area.extents.clear();
        if (!area.fronts.isEmpty())
            areas.push_back(area);
    }
    ApplySizes(window, areas);
}

}  // namespace

QByteArray Encode(const Arrangement& arrangement) {
    Writer w;
    w.out = Magic;
    w.Put<quint8>(arrangement.statusBar ? 1 : 0);
    w.PutCount(arrangement.lines.size());
    for (const BarLine& line : arrangement.lines) {
        w.Put<quint8>(static_cast<quint8>(line.area));
        w.PutCount(line.bars.size());
        for (const BarPlace& bar : line.bars) {
            w.PutName(bar.id);
            w.Put<quint8>(bar.visible ? 1 : 0);
        }
    }
    w.PutCount(arrangement.groups.size());
    for (const PaneGroup& group : arrangement.groups) {
        w.Put<quint8>(static_cast<quint8>(group.area));
        w.PutCount(group.panes.size());
        w.Put<quint8>(static_cast<quint8>(std::clamp(group.current, 0, 255)));
        w.PutSize(group.extent);
        w.PutSize(group.thickness);
        for (const PanePlace& pane : group.panes) {
            w.PutName(pane.id);
            w.Put<quint8>(pane.visible ? 1 : 0);
            w.Put<quint8>(pane.floating ? 1 : 0);
            if (pane.floating) {
                w.Put<qint32>(pane.floatingGeometry.x());
                w.Put<qint32>(pane.floatingGeometry.y());
                w.PutSize(pane.floatingGeometry.width());
                w.PutSize(pane.floatingGeometry.height());
            }
        }
    }
    w.PutPaths(arrangement.recentModules);
    w.PutPaths(arrangement.recentSolutions);
    return w.out;
}

std::optional<Arrangement> Decode(const QByteArray& bytes, const Cast& cast) {
    if (!bytes.startsWith(Magic))
        return std::nullopt;
    Reader r(bytes);
    r.Bytes(Magic.size());
    Arrangement result;
    result.statusBar = r.Flag();

    const QStringList barNames = NamesOf(cast.bars);
    QSet<QString> barsSeen;
    const int lines = r.Count(static_cast<int>(barNames.size()));
    for (int i = 0; i < lines && r.Ok(); ++i) {
        BarLine line;
        const int area = r.Take<quint8>();
        if (area != Qt::TopToolBarArea && area != Qt::BottomToolBarArea &&
            area != Qt::LeftToolBarArea && area != Qt::RightToolBarArea)
            r.Fail();
        line.area = static_cast<Qt::ToolBarArea>(area);
        const int count = r.Count(static_cast<int>(barNames.size()));
        if (count == 0)
            r.Fail();
        for (int j = 0; j < count && r.Ok(); ++j) {
            BarPlace bar;
            bar.id = r.Name(barNames, barsSeen);
            bar.visible = r.Flag();
            line.bars.push_back(bar);
        }
        result.lines.push_back(line);
    }
    if (barsSeen.size() != barNames.size())
        r.Fail();

    const QStringList paneNames = NamesOf(cast.panes);
    QSet<QString> panesSeen;
    const int groups = r.Count(static_cast<int>(paneNames.size()));
    for (int i = 0; i < groups && r.Ok(); ++i) {
        PaneGroup group;
        const int area = r.Take<quint8>();
        if (!IsDockArea(area))
            r.Fail();
        group.area = static_cast<Qt::DockWidgetArea>(area);
        const int count = r.Count(static_cast<int>(paneNames.size()));
        group.current = r.Take<quint8>();
        group.extent = r.Take<quint16>();
        group.thickness = r.Take<quint16>();
        if (count == 0 || group.current >= count)
            r.Fail();
        for (int j = 0; j < count && r.Ok(); ++j) {
            PanePlace pane;
            pane.id = r.Name(paneNames, panesSeen);
            pane.visible = r.Flag();
            pane.floating = r.Flag();
            if (pane.floating) {
                const qint32 x = r.Take<qint32>();
                const qint32 y = r.Take<qint32>();
                const int width = r.Take<quint16>();
                const int height = r.Take<quint16>();
                // A floating pane is never a tab of another.
                const int limit = ScreenFit::CoordinateLimit;
                if (count != 1 || x < -limit || x > limit || y < -limit || y > limit)
                    r.Fail();
                pane.floatingGeometry = QRect(x, y, width, height);
            }
            group.panes.push_back(pane);
        }
        result.groups.push_back(group);
    }
    if (panesSeen.size() != paneNames.size())
        r.Fail();

    result.recentModules = r.Paths();
    result.recentSolutions = r.Paths();
    if (!r.Ok() || !r.AtEnd())
        return std::nullopt;
    return result;
}

Arrangement Capture(const QMainWindow* window, const Cast& cast) {
    Arrangement result;
    CaptureBars(window, cast, result);
    CapturePanes(window, cast, result);
    return result;
}

void Apply(QMainWindow* window, const Cast& cast, const Arrangement& arrangement) {
    ApplyBars(window, cast, arrangement);
    ApplyPanes(window, cast, arrangement);
    window->layout()->activate();
}

}  // namespace DockLayout
