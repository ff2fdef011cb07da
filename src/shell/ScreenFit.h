#pragma once
#include <QRect>
#include <QSize>

// Brings a stored window rectangle back onto the screens that exist now: a
// rectangle from a screen that is gone, or with a size no screen can hold,
// would otherwise put the window where nobody can reach it.
namespace ScreenFit {

// The largest coordinate a stored rectangle may carry before it is fitted;
// anything beyond is no real placement.
inline constexpr int CoordinateLimit = 1 << 24;

// `wanted` moved onto the screen it overlaps most (the primary screen when it
// overlaps none), no larger than that screen's available area and no smaller
// than `minimum`, and lying wholly inside that area.
QRect FitOnScreens(const QRect& wanted, const QSize& minimum);

// The size of the smallest rectangle holding every screen's available area.
QSize DesktopSize();

}  // namespace ScreenFit
