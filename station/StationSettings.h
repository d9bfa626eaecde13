// The command station chosen in the Devices window, kept between runs in the devices' settings file.
#pragma once

#include "station/StationLink.h"

#include <QByteArray>

#include <optional>

struct KeptStation {
    StationSetup setup;
    bool connect = false;  // connected when Trackpace ended: connected again at start
};

// What `path` holds; the defaults where it holds nothing readable.
KeptStation LoadStation(const QByteArray& path);
// The reason where it could not be kept.
std::optional<QString> SaveStation(const QByteArray& path, const KeptStation& station);
