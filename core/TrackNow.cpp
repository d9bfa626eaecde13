// The exact scale distance of a track.
#include "core/TrackNow.h"

#include "core/Scales.h"

#include <numbers>

double ScaleFeetOf(const TrackNow& track)
{
    const double inches = track.circle ? 2.0 * std::numbers::pi * track.inches : track.inches;
    return inches * track.ratio / InchesPerFoot;
}
