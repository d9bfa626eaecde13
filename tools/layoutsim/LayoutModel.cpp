// The simulated layout: decoders that follow their CVs, locomotives running round a loop, and the speed trap they pass.
#include "LayoutModel.h"

#include <algorithm>
#include <cmath>

namespace {

// The firmware's: a pass not finished in this is given up; and after one, the sensors
// must have been left alone this long.
constexpr double TimeoutSeconds = 30.0;
constexpr double QuietSeconds = 0.5;

}  // namespace

Decoder::Decoder()
{
    cv[2] = 8;
    cv[5] = 0;
    cv[6] = 0;
    cv[29] = 6;
}

int Decoder::StepOf(int value) const
{
    if (value <= 0) {
        return 0;
    }
    if (stepMode == 28) {
        return std::clamp(static_cast<int>(std::lround(value * 28.0 / 126.0)), 1, 28);
    }
    return std::min(value, 126);
}

double Decoder::Drive(int step, bool reverse) const
{
    if (step <= 0) {
        return 0.0;
    }
    const int top = stepMode == 28 ? 28 : 126;
    const double f = top == 1 ? 1.0 : (step - 1) / static_cast<double>(top - 1);
    double drive = 0.0;
    if ((cv[29] & 0x10) != 0) {
        const double at = f * 27.0;
        const int low = std::min(26, static_cast<int>(at));
        drive = cv[67 + low] + (cv[68 + low] - cv[67 + low]) * (at - low);
    } else {
        const double start = cv[2];
        const double high = (cv[5] <= 1 || cv[5] == 255) ? 255.0 : cv[5];
        const double mid = cv[6] <= 1 ? (start + high) / 2.0 : cv[6];
        drive = f <= 0.5 ? start + (mid - start) * f / 0.5 : mid + (high - mid) * (f - 0.5) / 0.5;
    }
    const int trim = reverse ? cv[95] : cv[66];
    if (trim != 0) {
        drive *= trim / 128.0;
    }
    return std::clamp(drive, 0.0, 255.0);
}

double SimLocomotive::TrueSpeed(int step, bool reverse) const
{
    return topMmPerSecond * decoder.Drive(step, reverse) / 255.0 * (reverse ? reverseFactor : 1.0);
}

SimLocomotive& Layout::Locomotive(int address)
{
    auto found = locomotives_.find(address);
    if (found == locomotives_.end()) {
        SimLocomotive locomotive;
        locomotive.address = address;
        locomotive.longAddress = address > 127;
        found = locomotives_.emplace(address, locomotive).first;
    }
    return found->second;
}

void Layout::Reached(int sensor, double when, double noise, const std::function<void(const std::string&)>& says)
{
    std::normal_distribution<double> spread(0.0, 1.0);
    if (trap_ == Trap::Quiet && when - since_ >= QuietSeconds) {
        trap_ = Trap::Idle;
    }
    if (trap_ == Trap::Idle) {
        trap_ = Trap::Timing;
        first_ = sensor;
        since_ = when;
    } else if (trap_ == Trap::Timing && sensor != first_) {
        const long long micros = std::llround((when - since_) * 1e6 * (1.0 + noise * spread(random_)));
        says(std::string(first_ == 0 ? "PASS A>B " : "PASS B>A ") + std::to_string(micros));
        trap_ = Trap::Quiet;
        since_ = when;
    } else if (trap_ == Trap::Quiet) {
        since_ = when;  // a train still at the sensors
    }
}

void Layout::Advance(double seconds, const std::function<void(const std::string&)>& says)
{
    const double sensors[2] = {loop_ / 2.0, loop_ / 2.0 + spacing_};
    for (auto& [address, loco] : locomotives_) {
        const Decoder& d = loco.decoder;
        const int step = loco.value < 0 ? 0 : d.StepOf(loco.value);
        const double target = (power && !loco.stalled) ? d.Drive(step, !loco.forward) : 0.0;
        if (loco.value < 0 || !power || loco.stalled) {
            loco.drive = 0.0;  // an emergency stop, no power or stuck: standing at once
        } else {
            const int momentum = target > loco.drive ? d.cv[3] : d.cv[4];
            const double rate = momentum == 0 ? 1e9 : 255.0 / (momentum * 0.896);
            const double change = std::clamp(target - loco.drive, -rate * seconds, rate * seconds);
            loco.drive += change;
        }
        const double speed = loco.topMmPerSecond * loco.drive / 255.0 * (loco.forward ? 1.0 : loco.reverseFactor);
        const double from = loco.x;
        const double to = from + (loco.forward ? speed : -speed) * seconds;
        // Each sensor passed on the way, in the order reached.
        std::vector<std::pair<double, int>> crossed;
        for (int sensor = 0; sensor < 2; ++sensor) {
            const double a = std::floor((from - sensors[sensor]) / loop_);
            const double b = std::floor((to - sensors[sensor]) / loop_);
            if (a != b) {
                const double at = sensors[sensor] + std::max(a, b) * loop_;
                crossed.emplace_back(std::abs(at - from) / std::abs(to - from), sensor);
            }
        }
        std::sort(crossed.begin(), crossed.end());
        for (const auto& [part, sensor] : crossed) {
            Reached(sensor, now_ + part * seconds, loco.noise, says);
        }
        loco.x = to;
    }
    now_ += seconds;
    if (trap_ == Trap::Timing && now_ - since_ > TimeoutSeconds) {
        says(std::string(first_ == 0 ? "TIMEOUT A" : "TIMEOUT B"));
        trap_ = Trap::Quiet;
        since_ = now_;
    }
}
