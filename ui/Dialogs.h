// What every dialog of the program shares: its frame, and the keyboard's order through its controls.
#pragma once

#include <QList>
#include <QWidget>

// A fixed dialog frame: a title and a close box, no minimize or maximize button.
inline constexpr Qt::WindowFlags DialogFlags()
{
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

// Tab moves through `order` in this order.
inline void SetTabOrder(const QList<QWidget*>& order)
{
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
}
