// The scales a device's runs may be logged in: the main window's six, the others modellers use, and any ratio typed.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A device's run faster than this is taken for a fault (a spacing typed wrong, a sensor
// set off twice), not a train.
inline constexpr double FastestDeviceMph = 500.0;

struct LogScale {
    QString name;  // "OO"; the ratio itself ("1:64") for a typed one
    double ratio = 0.0;
};

// "HO 1:87", "OO 1:76.2" …: the main window's six, then OO, TT, N (UK), N (Japan),
// O (UK), O (Europe), Gauge 1, 1:29, 1:24, Fn3.
QStringList LogScaleChoices();
// A choice as listed, or typed: "1:64", "64", "1:22,5", "Sn3 1:64" (the name before
// the ratio kept). Nothing for a ratio outside 1:1 to 1:1000.
std::optional<LogScale> ReadLogScale(const QString& text);
// "OO 1:76.2", as LogScaleChoices lists it.
QString LogScaleText(const LogScale& scale);
