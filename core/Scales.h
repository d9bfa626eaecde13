// The catalogue of modelling scales, the program's fixed quantities and all of its arithmetic.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>

struct ScaleEntry {
    int index;  // position of the scale's button, 1 to 6, top to bottom
    QString caption;
    QString name;
    float ratio;
    QString tooltip;
};

// Z, N, HO, S, O, G in the order every scale group shows them.
const std::array<ScaleEntry, 6>& ScaleCatalogue();
// The catalogue index of a scale name compared exactly, or 0 for none.
int ScaleIndexOf(const QString& name);

inline constexpr int DefaultScaleIndex = 3;  // HO

// The two track configurations, as the settings file and the shared defaults spell them.
inline const QString StraightConfig = QStringLiteral("STRAIGHT");
inline const QString CircleConfig = QStringLiteral("CIRCLE");

// The shortest and longest length or radius, in inches, anywhere in the program.
inline constexpr qint16 ShortestLength = 1;
inline constexpr qint16 LongestLength = 240;

inline constexpr float InchesPerFoot = 12.0F;
inline constexpr double FeetPerMile = 5280.0;
inline constexpr double SecondsPerHour = 3600.0;

// The TIME vs. SPEED table's speeds: 10 to 120 mph in steps of 10.
inline constexpr int TableRowCount = 12;
inline constexpr int TableSpeedStep = 10;
constexpr int TableSpeed(int row)
{
    return (row + 1) * TableSpeedStep;
}

// The number a length entry starts with: blanks, tabs and line feeds anywhere are
// ignored, then an optional sign, digits with an optional decimal point and an
// optional exponent (E or e), or &H / &O followed by hexadecimal / octal digits.
// Text without such a number reads as 0.
double LeadingNumber(QStringView text);

// The length check of the entry: within 1 to 240 inches (`minimum`, `maximum`).
bool LengthInRange(double inches, int minimum, int maximum);

// Length entry text to the measured run in inches: the text itself for a straight
// run, one full turn of the circle of that radius otherwise.
float RunLengthOf(QStringView text, bool circle);
// Whole scale feet, rounded down.
float ScaleDistanceOf(float ratio, float runLength);

// A timed run's speed: the elapsed hours as stored (a 32-bit float, whose rounding
// is part of the result) and the whole scale miles per hour they give.
struct RunSpeed {
    float hours;
    qint16 mph;
};
RunSpeed ScaleSpeedOf(float scaleDistance, int seconds);

struct TableRow {
    qint16 speed;
    qint16 secondsPerMile;
    float runTime;  // seconds, as stored
    QString runTimeText;
};

// Seconds for one scale mile at `speed`, rounded to whole seconds ("#.").
qint16 SecondsPerMile(int speed);
// "##.0": one decimal, half away from zero, no leading zero below 1 (".3", ".0").
// A half is judged on the value's 7-significant-digit decimal form, so a run time
// held as 0.35f shows ".4" as a person reading 0.35 expects.
QString RunTimeText(float seconds);
// Row `row` (0 to 11) of the TIME vs. SPEED table.
TableRow TableRowOf(int row, float scaleDistance);
// All twelve rows, 10 to 120 mph.
std::array<TableRow, TableRowCount> TableRowsOf(float scaleDistance);

// A whole number held as a float, in plain decimal digits ("348").
QString WholeText(float value);
