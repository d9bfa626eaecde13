// The scales a device's runs may be logged in.
#include "log/LogScales.h"

#include "core/Scales.h"

#include <QRegularExpression>

namespace {

struct Named {
    const char* name;
    double ratio;
};

const Named others[] = {
    {"OO", 76.2}, {"TT", 120}, {"N (UK)", 148}, {"N (Japan)", 150}, {"O (UK)", 43.5},
    {"O (Europe)", 45}, {"Gauge 1", 32}, {"", 29}, {"", 24}, {"Fn3", 20.3},
};

QString RatioText(double ratio)
{
    return QStringLiteral("1:") + QString::number(ratio, 'g', 6);
}

}  // namespace

QString LogScaleText(const LogScale& scale)
{
    const QString ratio = RatioText(scale.ratio);
    return scale.name.isEmpty() || scale.name == ratio ? ratio : scale.name + QLatin1Char(' ') + ratio;
}

QStringList LogScaleChoices()
{
    QStringList choices;
    for (const ScaleEntry& entry : ScaleCatalogue()) {
        choices.append(LogScaleText({entry.name, entry.ratio}));
    }
    for (const Named& other : others) {
        choices.append(LogScaleText({QString::fromLatin1(other.name), other.ratio}));
    }
    return choices;
}

std::optional<LogScale> ReadLogScale(const QString& text)
{
    const QRegularExpression form(QStringLiteral("^\\s*(.*?)\\s*(1\\s*:\\s*)?(\\d{1,4}(?:[.,]\\d{1,3})?)\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    const QString name = match.captured(1);
    // A name needs its ratio written as one ("Sn3" alone is no scale of 1:3).
    if (!match.hasMatch() || (match.captured(2).isEmpty() && !name.isEmpty())) {
        return std::nullopt;
    }
    const double ratio = match.captured(3).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    if (ratio < 1.0 || ratio > 1000.0) {
        return std::nullopt;
    }
    return LogScale{name.isEmpty() ? RatioText(ratio) : name, ratio};
}
