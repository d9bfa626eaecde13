// Window geometry given in twips, turned into pixels at 96 dots per inch, and controls named by their control names.
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cmath>

inline constexpr double TwipsPerPixel = 15.0;

inline int Px(int twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

inline QRect TwipsRect(int left, int top, int width, int height)
{
    return {Px(left), Px(top), Px(width), Px(height)};
}

// Names `widget` by its control name (so that it can be found by it) and places it at
// the given twips inside its parent; returns it, so that construction, name and
// place read as one line.
template <typename W>
W* Place(W* widget, const QString& name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(TwipsRect(left, top, width, height));
    return widget;
}
