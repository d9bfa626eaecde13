// The Arial sizes the windows use.
#pragma once

#include <QFont>

inline QFont ArialFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

inline QFont WindowFont()
{
    return ArialFont(8.25);
}
