// Window geometry given in twips, turned into pixels at 96 dots per inch.
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

// Places `widget` at the given twips inside its parent and returns it, so that
// construction and placement read as one line.
template <typename W>
W* Place(W* widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
    return widget;
}
