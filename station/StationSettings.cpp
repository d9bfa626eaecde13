// The command station chosen in the Devices window, kept between runs in the devices' settings file.
#include "station/StationSettings.h"

#include "core/Files.h"

#include <QSettings>

KeptStation LoadStation(const QByteArray& path)
{
    KeptStation kept;
    if (path.isEmpty()) {
        return kept;
    }
    QSettings file(PathText(path), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Station"));
    StationSetup& setup = kept.setup;
    setup.kind = StationKindOf(file.value(QStringLiteral("Kind")).toString()).value_or(StationKind::WiThrottle);
    setup.host = file.value(QStringLiteral("Host"), setup.host).toString();
    bool ok = false;
    const int port = file.value(QStringLiteral("Port")).toInt(&ok);
    setup.port = ok && port >= 1 && port <= 65535 ? port : DefaultStationPort(setup.kind);
    setup.serialPort = file.value(QStringLiteral("SerialPort")).toString();
    kept.connect = file.value(QStringLiteral("Connected")).toBool();
    return kept;
}

std::optional<QString> SaveStation(const QByteArray& path, const KeptStation& station)
{
    if (path.isEmpty()) {
        return QStringLiteral("Trackpace has no folder to keep its settings in");
    }
    QSettings file(PathText(path), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Station"));
    file.setValue(QStringLiteral("Kind"), StationKindKey(station.setup.kind));
    file.setValue(QStringLiteral("Host"), station.setup.host);
    file.setValue(QStringLiteral("Port"), station.setup.port);
    file.setValue(QStringLiteral("SerialPort"), station.setup.serialPort);
    file.setValue(QStringLiteral("Connected"), station.connect);
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError) {
        return QStringLiteral("%1 could not be written").arg(PathText(path));
    }
    return std::nullopt;
}
