// The Devices window's choices kept between runs, as an INI file.
#include "devices/DeviceSettings.h"

#include "core/Files.h"

#include <QSettings>

namespace {

QString UnitKey(TimeUnit unit)
{
    return unit == TimeUnit::Seconds ? QStringLiteral("s") : unit == TimeUnit::Microseconds ? QStringLiteral("us")
                                                                                           : QStringLiteral("ms");
}

TimeUnit UnitOf(const QString& key)
{
    return key == QStringLiteral("s") ? TimeUnit::Seconds : key == QStringLiteral("us") ? TimeUnit::Microseconds
                                                                                        : TimeUnit::Milliseconds;
}

// `value` where it lies within `low` to `high`, else `fallback`.
double Within(const QVariant& value, double low, double high, double fallback)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && number >= low && number <= high ? number : fallback;
}

}  // namespace

KeptDevice LoadDevice(const QByteArray& path)
{
    KeptDevice kept;
    if (path.isEmpty()) {
        return kept;
    }
    QSettings file(PathText(path), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Device"));
    DeviceSetup& setup = kept.setup;
    setup.kind = DeviceKindOf(file.value(QStringLiteral("Kind")).toString()).value_or(DeviceKind::TrackpaceTrap);
    setup.port = file.value(QStringLiteral("Port")).toString();
    setup.choices.baud = static_cast<int>(Within(file.value(QStringLiteral("Baud")), 1200, 230400, 9600));
    setup.choices.pattern = file.value(QStringLiteral("Pattern"), QStringLiteral("Elapsed # ms")).toString();
    setup.choices.unit = UnitOf(file.value(QStringLiteral("Unit")).toString());
    setup.choices.spacingMm = Within(file.value(QStringLiteral("SpacingMm")), 0, 100000, 0);
    setup.choices.rollerSeries = static_cast<int>(Within(file.value(QStringLiteral("RollerSeries")), 4, 6, 5));
    setup.settleSeconds = Within(file.value(QStringLiteral("SettleSeconds")), 0, 600, 5);
    setup.measureSeconds = Within(file.value(QStringLiteral("MeasureSeconds")), 1, 3600, 10);
    kept.connect = file.value(QStringLiteral("Connected")).toBool() && !setup.port.isEmpty();
    return kept;
}

std::optional<QString> SaveDevice(const QByteArray& path, const KeptDevice& device)
{
    if (path.isEmpty()) {
        return QStringLiteral("Trackpace has no folder to keep its settings in");
    }
    QSettings file(PathText(path), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Device"));
    const DeviceSetup& setup = device.setup;
    file.setValue(QStringLiteral("Kind"), DeviceKindKey(setup.kind));
    file.setValue(QStringLiteral("Port"), setup.port);
    file.setValue(QStringLiteral("Baud"), setup.choices.baud);
    file.setValue(QStringLiteral("Pattern"), setup.choices.pattern);
    file.setValue(QStringLiteral("Unit"), UnitKey(setup.choices.unit));
    file.setValue(QStringLiteral("SpacingMm"), setup.choices.spacingMm);
    file.setValue(QStringLiteral("RollerSeries"), setup.choices.rollerSeries);
    file.setValue(QStringLiteral("SettleSeconds"), setup.settleSeconds);
    file.setValue(QStringLiteral("MeasureSeconds"), setup.measureSeconds);
    file.setValue(QStringLiteral("Connected"), device.connect);
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError) {
        return QStringLiteral("%1 could not be written").arg(PathText(path));
    }
    return std::nullopt;
}
