// Where the run timer opens: beside the main window, never over it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner for a window of frame size `size` beside the main window's
// frame `main` within `screen`: to its right where that fits, else to its left, else
// below or above it; where nothing fits, on the side with the most room, kept on the
// screen. Top edges are aligned where the window goes beside.
QPoint BesidePosition(const QRect& main, const QSize& size, const QRect& screen);
