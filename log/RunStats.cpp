// Speeds of logged runs and the figures of their groups.
#include "log/RunStats.h"

#include "core/Scales.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double RunMph(double scaleFeet, qint64 microseconds)
{
    if (microseconds <= 0) {
        return 0.0;
    }
    return scaleFeet / FeetPerMile / (static_cast<double>(microseconds) / 1e6 / SecondsPerHour);
}

double KmhOf(double mph)
{
    return mph * KilometresPerMile;
}

double MphOf(double kmh)
{
    return kmh / KilometresPerMile;
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

bool IsMarked(double mph, double median)
{
    return median > 0.0 && std::abs(mph - median) > OutlierShare * median;
}

std::vector<bool> MarkedOf(const std::vector<double>& speeds)
{
    const double median = MedianOf(speeds);
    std::vector<bool> marked;
    marked.reserve(speeds.size());
    for (const double speed : speeds) {
        marked.push_back(IsMarked(speed, median));
    }
    return marked;
}

StepFigures FiguresOf(const std::vector<double>& speeds)
{
    StepFigures figures;
    figures.median = MedianOf(speeds);
    figures.all = StatsOf(speeds);
    std::vector<double> kept;
    kept.reserve(speeds.size());
    for (const double speed : speeds) {
        if (!IsMarked(speed, figures.median)) {
            kept.push_back(speed);
        }
    }
    figures.kept = kept.empty() ? figures.all : StatsOf(kept);
    return figures;
}
