// The Arial sizes the windows use, and the font that stands in where the system has no Arial of its metrics.
#pragma once

#include <QFont>
#include <QString>

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

// The family the system shows for "Arial" now.
QString ArialResolvesTo();

// Every window is laid out for Arial's metrics. Where "Arial" resolves to neither
// Arial itself nor a metric twin (Liberation Sans, Arimo), the Liberation Sans
// carried in the program is registered and stands in for it. Returns the family
// that "Arial" resolves to afterwards. Call once the application object exists.
QString UseArialMetrics();
