#include "shell/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace ScreenFit {

namespace {
qint64 Area(const QRect& rect) {
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

int Clamp(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

QRect Bounded(const QRect& rect) {
    const int x = Clamp(rect.x(), -CoordinateLimit, CoordinateLimit);
    const int y = Clamp(rect.y(), -CoordinateLimit, CoordinateLimit);
    const int w = Clamp(rect.width(), 0, CoordinateLimit);
    const int h = Clamp(rect.height(), 0, CoordinateLimit);
    return QRect(x, y, w, h);
}
}  // namespace

QRect FitOnScreens(const QRect& wanted, const QSize& minimum) {
    const QRect request = Bounded(wanted);
    QRect target;
    qint64 best = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect available = screen->availableGeometry();
        const qint64 overlap = Area(available.intersected(request));
        if (overlap > best) {
            best = overlap;
            target = available;
        }
    }
    if (target.isEmpty() && QGuiApplication::primaryScreen())
        target = QGuiApplication::primaryScreen()->availableGeometry();
    if (target.isEmpty())
        return QRect(request.topLeft(), request.size().expandedTo(minimum));

    const int width = std::min(std::max(request.width(), minimum.width()), target.width());
    const int height = std::min(std::max(request.height(), minimum.height()), target.height());
    const int left = Clamp(request.x(), target.left(), target.left() + target.width() - width);
    const int top = Clamp(request.y(), target.top(), target.top() + target.height() - height);
    return QRect(left, top, width, height);
}

QSize DesktopSize() {
    QRect all;
    for (QScreen* screen : QGuiApplication::screens())
        all |= screen->availableGeometry();
    return all.size();
}

}  // namespace ScreenFit
