// Where the run timer and the speed log open: beside the main window, never over it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner for a window of frame size `size` beside the main window's
// frame `main` within `screen`: to its right where that fits, else to its left, else
// below or above it; where nothing fits, on the side with the most room, kept on the
// screen. Top edges are aligned where the window goes beside.
QPoint BesidePosition(const QRect& main, const QSize& size, const QRect& screen);

// The frame size for a window of frame size `size` that fits nowhere beside `main` on
// `screen` at that size: narrowed to the wider room at the main window's side where
// `narrowest` still fits, so that it covers none of the main window; else `size`.
QSize BesideSize(const QRect& main, const QSize& size, int narrowest, const QRect& screen);
