// A decoder's speed CVs as the user knows them, the choices where decoders differ, and the drive they give the motor at each step.
#include "DecoderSetup.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

DecoderSetup::DecoderSetup()
{
    // What most decoders leave the factory with: a straight line from standing to full,
    // 28 speed steps with analog running on (CV29 = 6), no trims.
    SetCv(29, 6);
    for (int entry = 0; entry < TableEntries; ++entry) {
        SetCv(TableFirstCv + entry, static_cast<int>(std::lround(entry * 255.0 / (TableEntries - 1))));
    }
}

int TopDecoderStep(int stepMode)
{
    return stepMode == 28 ? 28 : 126;
}

double StepShare(int step, int stepMode)
{
    return (step - 1) / static_cast<double>(TopDecoderStep(stepMode) - 1);
}

namespace {

double ValueDrive(const DecoderSetup& setup, double value)
{
    return value * FullDrive / setup.valueTop;
}

// CV5's drive: its value, or full where 0, 1 or 255 say "not used".
double HighDrive(const DecoderSetup& setup)
{
    const int high = setup.Cv(5);
    return high <= 1 || high == 255 ? FullDrive : ValueDrive(setup, high);
}

double ThreePoint(const DecoderSetup& setup, double share)
{
    const double start = ValueDrive(setup, setup.Cv(2));
    const double high = HighDrive(setup);
    const double mid = setup.Cv(6) <= 1 ? (start + high) / 2.0 : ValueDrive(setup, setup.Cv(6));
    return share <= 0.5 ? start + (mid - start) * share / 0.5 : mid + (high - mid) * (share - 0.5) / 0.5;
}

double Table(const DecoderSetup& setup, double share)
{
    const double at = share * (TableEntries - 1);
    const int low = std::clamp(static_cast<int>(at), 0, TableEntries - 2);
    const double first = setup.Cv(TableFirstCv + low);
    const double entry = first + (setup.Cv(TableFirstCv + low + 1) - first) * (at - low);
    switch (setup.fit) {
    case TableFit::OffsetByCv2:
        return ValueDrive(setup, setup.Cv(2) + entry);
    case TableFit::BetweenCv2AndCv5: {
        const double start = ValueDrive(setup, setup.Cv(2));
        return start + (HighDrive(setup) - start) * entry / setup.valueTop;
    }
    case TableFit::Standard:
        break;
    }
    return ValueDrive(setup, entry);
}

}  // namespace

double BaseDriveAt(const DecoderSetup& setup, double share)
{
    const double drive = setup.UsesTable() ? Table(setup, share) : ThreePoint(setup, share);
    return std::clamp(drive, 0.0, static_cast<double>(FullDrive));
}

double TrimFactor(const DecoderSetup& setup, bool reverse)
{
    const int trim = setup.Cv(reverse ? 95 : 66);
    return trim == 0 ? 1.0 : trim / 128.0;
}

double DriveAt(const DecoderSetup& setup, int step, bool reverse)
{
    if (step <= 0) {
        return 0.0;
    }
    const double drive = BaseDriveAt(setup, StepShare(step, setup.stepMode)) * TrimFactor(setup, reverse);
    return std::min(drive, static_cast<double>(FullDrive));
}

namespace {

const char* FitName(TableFit fit)
{
    switch (fit) {
    case TableFit::OffsetByCv2:
        return "offset";
    case TableFit::BetweenCv2AndCv5:
        return "between";
    case TableFit::Standard:
        break;
    }
    return "standard";
}

}  // namespace

std::array<int, 6 + TableEntries> SpeedCvs()
{
    std::array<int, 6 + TableEntries> numbers{2, 6, 5, 29, 66, 95};
    for (int entry = 0; entry < TableEntries; ++entry) {
        numbers[static_cast<size_t>(6 + entry)] = TableFirstCv + entry;
    }
    return numbers;
}

QString SetupText(const DecoderSetup& setup)
{
    QStringList parts{QStringLiteral("address=%1").arg(setup.address),
                      QStringLiteral("long=%1").arg(setup.longAddress ? 1 : 0),
                      QStringLiteral("mode=%1").arg(setup.stepMode), QStringLiteral("top=%1").arg(setup.valueTop),
                      QStringLiteral("fit=%1").arg(QLatin1String(FitName(setup.fit)))};
    for (const int number : SpeedCvs()) {
        parts << QStringLiteral("cv%1=%2").arg(number).arg(setup.Cv(number));
    }
    return parts.join(QLatin1Char(';'));
}

std::optional<DecoderSetup> SetupFromText(const QString& text)
{
    DecoderSetup setup;
    const auto speedCvs = SpeedCvs();
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0);
        const QString value = part.section(QLatin1Char('='), 1);
        bool ok = false;
        const int number = value.toInt(&ok);
        if (key == QLatin1String("fit")) {
            ok = true;
            setup.fit = value == QLatin1String("offset")    ? TableFit::OffsetByCv2
                        : value == QLatin1String("between") ? TableFit::BetweenCv2AndCv5
                                                            : TableFit::Standard;
        } else if (!ok) {
            return std::nullopt;
        } else if (key == QLatin1String("address")) {
            ok = number >= 1 && number <= 10239;
            setup.address = number;
        } else if (key == QLatin1String("long")) {
            setup.longAddress = number != 0;
        } else if (key == QLatin1String("mode")) {
            ok = number == 28 || number == 128;
            setup.stepMode = number;
        } else if (key == QLatin1String("top")) {
            ok = number == 255 || number == 63 || number == 31 || number == 15;
            setup.valueTop = number;
        } else if (key.startsWith(QLatin1String("cv"))) {
            const int cv = key.mid(2).toInt(&ok);
            ok = ok && std::find(speedCvs.begin(), speedCvs.end(), cv) != speedCvs.end() && number >= 0 &&
                 number <= 255;
            if (ok) {
                setup.SetCv(cv, number);
            }
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    return setup;
}

std::optional<std::array<int, TableEntries>> ParseTable(const QString& text, int valueTop, QString& whyNot)
{
    static const QRegularExpression between(QStringLiteral("[\\s,;]+"));
    const QStringList parts = text.split(between, Qt::SkipEmptyParts);
    if (parts.size() != TableEntries) {
        whyNot = QStringLiteral("The speed table needs 28 values (CV67 to CV94); %1 given.").arg(parts.size());
        return std::nullopt;
    }
    std::array<int, TableEntries> table{};
    for (int entry = 0; entry < TableEntries; ++entry) {
        bool ok = false;
        const int value = parts[entry].toInt(&ok);
        if (!ok || value < 0 || value > valueTop) {
            whyNot = QStringLiteral("CV%1 of the speed table is \"%2\": a whole number from 0 to %3 is needed.")
                         .arg(TableFirstCv + entry)
                         .arg(parts[entry])
                         .arg(valueTop);
            return std::nullopt;
        }
        table[static_cast<size_t>(entry)] = value;
    }
    return table;
}

QString TableText(const DecoderSetup& setup)
{
    QStringList values;
    for (int entry = 0; entry < TableEntries; ++entry) {
        values << QString::number(setup.Cv(TableFirstCv + entry));
    }
    return values.join(QStringLiteral(", "));
}

QString CvName(int number)
{
    switch (number) {
    case 2:
        return QStringLiteral("CV2 start voltage");
    case 5:
        return QStringLiteral("CV5 top voltage");
    case 6:
        return QStringLiteral("CV6 middle voltage");
    case 29:
        return QStringLiteral("CV29 configuration");
    case 66:
        return QStringLiteral("CV66 forward trim");
    case 95:
        return QStringLiteral("CV95 reverse trim");
    default:
        break;
    }
    return QStringLiteral("CV%1 table step %2").arg(number).arg(number - TableFirstCv + 1);
}
