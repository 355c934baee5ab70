// Where a tool window goes so that it does not hide what it changes.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace app {

// The top-left corner for a window of the given size: beside the main window (to its right, else to
// its left, below, above) where the screen holds it whole; else, of the places inside the screen
// (those beside the main window moved into the screen, and the screen's corners), the one that covers
// least of the chart, the first of equals. All rectangles in global coordinates.
QPoint placeBeside(const QRect &mainWindow, const QRect &chart, const QSize &size, const QRect &screen);

} // namespace app
