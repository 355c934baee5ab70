// Placing a tool window beside the main window, or where it covers least of the chart.
#include "app/placement.h"

#include <algorithm>
#include <vector>

namespace app {

namespace {

long long area(const QRect &r)
{
    return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height();
}

// The place moved just far enough to lie inside the screen (to its top-left when it is larger).
QPoint inside(QPoint at, const QSize &size, const QRect &screen)
{
    at.setX(std::max(screen.left(), std::min(at.x(), screen.right() + 1 - size.width())));
    at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() + 1 - size.height())));
    return at;
}

} // namespace

QPoint placeBeside(const QRect &mainWindow, const QRect &chart, const QSize &size, const QRect &screen)
{
    const std::vector<QPoint> beside = {
        {mainWindow.right() + 1, mainWindow.top()},
        {mainWindow.left() - size.width(), mainWindow.top()},
        {mainWindow.left(), mainWindow.bottom() + 1},
        {mainWindow.left(), mainWindow.top() - size.height()},
    };
    for (const QPoint &at : beside)
        if (screen.contains(QRect(at, size))) return at;

    std::vector<QPoint> places;
    for (const QPoint &at : beside)
        places.push_back(inside(at, size, screen));
    for (const QPoint &corner :
         {screen.topLeft(), QPoint(screen.right() + 1 - size.width(), screen.top()),
          QPoint(screen.left(), screen.bottom() + 1 - size.height()),
          QPoint(screen.right() + 1 - size.width(), screen.bottom() + 1 - size.height())})
        places.push_back(inside(corner, size, screen));
    return *std::min_element(places.begin(), places.end(), [&](const QPoint &a, const QPoint &b) {
        return area(QRect(a, size) & chart) < area(QRect(b, size) & chart);
    });
}

} // namespace app
