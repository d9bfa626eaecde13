// Speeds of logged runs and the statistics of their groups.
#include "core/RunStats.h"

#include "core/Scales.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double RunMph(double scaleFeet, qint64 milliseconds)
{
    if (milliseconds <= 0) {
        return 0.0;
    }
    return scaleFeet / FeetPerMile / (static_cast<double>(milliseconds) / 1000.0 / SecondsPerHour);
}

double KmhOf(double mph)
{
    return mph * KilometresPerMile;
}

GroupStats StatsOf(const std::vector<double>& speeds)
{
    GroupStats stats;
    stats.count = static_cast<int>(speeds.size());
    if (speeds.empty()) {
        return stats;
    }
    stats.mean = std::accumulate(speeds.begin(), speeds.end(), 0.0) / static_cast<double>(speeds.size());
    const auto [low, high] = std::minmax_element(speeds.begin(), speeds.end());
    stats.min = *low;
    stats.max = *high;
    if (speeds.size() > 1) {
        double squares = 0.0;
        for (const double speed : speeds) {
            squares += (speed - stats.mean) * (speed - stats.mean);
        }
        stats.sd = std::sqrt(squares / static_cast<double>(speeds.size() - 1));
    }
    return stats;
}

double MedianOf(std::vector<double> speeds)
{
    if (speeds.empty()) {
        return 0.0;
    }
    std::sort(speeds.begin(), speeds.end());
    const std::size_t middle = speeds.size() / 2;
    return speeds.size() % 2 == 1 ? speeds[middle] : (speeds[middle - 1] + speeds[middle]) / 2.0;
}

std::vector<bool> MarkedOf(const std::vector<double>& speeds)
{
    const double median = MedianOf(speeds);
    std::vector<bool> marked;
    marked.reserve(speeds.size());
    for (const double speed : speeds) {
        marked.push_back(median > 0.0 && std::abs(speed - median) > OutlierShare * median);
    }
    return marked;
}
