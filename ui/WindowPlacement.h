// Where the run timer, the speed log and the Devices window open: beside the main window, never over it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// The frame of a window of frame size `wanted` placed within `screen`: beside the
// main window's frame `main` (to its right, left, below or above, narrowed or lowered
// to the room there, but not below `least`) where that covers none of `keepClear`
// (the main window, the run timer); else at a corner of the screen, at the size
// wanted, where it covers the least of them. It never reaches beyond the screen:
// larger than the screen, it is made as large as the screen.
QRect PlaceWithin(const QRect& main, const std::vector<QRect>& keepClear, const QSize& wanted, const QSize& least,
                  const QRect& screen);
