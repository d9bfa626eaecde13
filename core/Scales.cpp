// The arithmetic of scales, distances, speeds and table rows.
#include "core/Scales.h"

#include "core/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace {

// Five decimals, not the full pi: the scale distances it gives are the ones the
// table and printed pages that users keep and compare were made with.
constexpr double CircleConstant = 3.14159;

bool IsIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Round half away from zero to a whole number, for non-negative values.
qint64 RoundHalfUp(double value)
{
    return static_cast<qint64>(std::floor(value + 0.5));
}

}  // namespace

const std::array<ScaleEntry, 6>& ScaleCatalogue()
{
    static const std::array<ScaleEntry, 6> catalogue{{
        {1, QStringLiteral("Z"), QStringLiteral("Z"), 220.0F, QStringLiteral(" Z Scale ")},
        {2, QStringLiteral("N"), QStringLiteral("N"), 160.0F, QStringLiteral(" N Scale ")},
        {3, QStringLiteral("HO"), QStringLiteral("HO"), 87.0F, QStringLiteral(" HO Scale ")},
        {4, QStringLiteral("S"), QStringLiteral("S"), 64.0F, QStringLiteral(" S Scale ")},
        {5, QStringLiteral("O"), QStringLiteral("O"), 48.0F, QStringLiteral(" O Scale ")},
        {6, QStringLiteral("G"), QStringLiteral("G"), 22.5F, QStringLiteral(" G Scale ")},
    }};
    return catalogue;
}

int ScaleIndexOf(const QString& name)
{
    for (const ScaleEntry& entry : ScaleCatalogue()) {
        if (entry.name == name) {
            return entry.index;
        }
    }
    return 0;
}

double LeadingNumber(QStringView text)
{
    std::string compact;
    for (const QChar c : text) {
        if (IsIgnoredBlank(c)) {
            continue;
        }
        // Anything beyond ASCII ends a number anyway.
        compact += c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f';
    }
    const std::string_view view(compact);
    if (view.size() >= 2 && view[0] == '&') {
        const char kind = view[1];
        if (kind == 'H' || kind == 'h') {
            return RadixValue(view.substr(2), 16);
        }
        if (kind == 'O' || kind == 'o') {
            return RadixValue(view.substr(2), 8);
        }
    }
    return DecimalValue(DecimalPrefix(view)).value_or(0.0);
}

bool LengthInRange(double inches, int minimum, int maximum)
{
    return inches >= minimum && inches <= maximum;
}

float RunLengthOf(QStringView text, bool circle)
{
    const double value = LeadingNumber(text);
    if (!circle) {
        return static_cast<float>(value);
    }
    return static_cast<float>((value + value) * CircleConstant);
}

float ScaleDistanceOf(float ratio, float runLength)
{
    const double feet = static_cast<double>(ratio) * static_cast<double>(runLength) /
                        static_cast<double>(InchesPerFoot);
    // A negative run cannot reach here through the length check; never show one.
    return static_cast<float>(std::max(0.0, std::floor(feet)));
}

RunSpeed ScaleSpeedOf(float scaleDistance, int seconds)
{
    const auto hours = static_cast<float>(seconds / SecondsPerHour);
    const double miles = static_cast<double>(scaleDistance) / FeetPerMile;
    return {hours, static_cast<qint16>(std::floor(miles / static_cast<double>(hours)))};
}

qint16 SecondsPerMile(int speed)
{
    return static_cast<qint16>(RoundHalfUp(SecondsPerHour / speed));
}

QString RunTimeText(float seconds)
{
    if (!(seconds > 0.0F)) {
        return QStringLiteral(".0");
    }
    // Seven significant digits, correctly rounded: digits d.dddddd and exponent.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(seconds),
                                      std::chars_format::scientific, 6);
    const std::string text(buffer, result.ptr);
    const auto e = text.find('e');
    std::string digits = text.substr(0, e);
    digits.erase(1, 1);  // drop the decimal point
    const int exponent = std::stoi(text.substr(e + 1));
    const qint64 mantissa = std::stoll(digits);  // value = mantissa * 10^(exponent - 6)

    // Tenths = value * 10 = mantissa * 10^(exponent - 5), rounded half up.
    const int shift = exponent - 5;
    qint64 tenths = 0;
    if (shift >= 0) {
        if (shift > 11) {
            return QString::number(static_cast<double>(seconds), 'f', 1);
        }
        tenths = mantissa;
        for (int i = 0; i < shift; ++i) {
            tenths *= 10;
        }
    } else if (shift >= -7) {
        qint64 divisor = 1;
        for (int i = 0; i < -shift; ++i) {
            divisor *= 10;
        }
        tenths = (mantissa + divisor / 2) / divisor;
    }
    const qint64 whole = tenths / 10;
    const QString wholeText = whole == 0 ? QString() : QString::number(whole);
    return wholeText + u'.' + QString::number(tenths % 10);
}

TableRow TableRowOf(int row, float scaleDistance)
{
    const auto speed = static_cast<qint16>(TableSpeed(row));
    const qint16 perMile = SecondsPerMile(speed);
    const auto runTime = static_cast<float>(static_cast<double>(static_cast<float>(perMile)) *
                                            static_cast<double>(scaleDistance) / FeetPerMile);
    return {speed, perMile, runTime, RunTimeText(runTime)};
}

std::array<TableRow, TableRowCount> TableRowsOf(float scaleDistance)
{
    std::array<TableRow, TableRowCount> rows{};
    for (int row = 0; row < TableRowCount; ++row) {
        rows.at(static_cast<std::size_t>(row)) = TableRowOf(row, scaleDistance);
    }
    return rows;
}

QString WholeText(float value)
{
    return QString::number(static_cast<qint64>(value));
}
