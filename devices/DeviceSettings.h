// The Devices window's choices kept between runs of the program, in a file of their own beside the speed log.
#pragma once

#include "devices/DeviceLink.h"

#include <QByteArray>

#include <optional>

struct KeptDevice {
    DeviceSetup setup;
    bool connect = false;  // connected when Trackpace ended: connected again at start
};

// What `path` holds; the defaults where it holds nothing readable.
KeptDevice LoadDevice(const QByteArray& path);
// The reason where it could not be kept.
std::optional<QString> SaveDevice(const QByteArray& path, const KeptDevice& device);
