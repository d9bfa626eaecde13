// The simulated layout: decoders that follow their CVs, locomotives running round a loop, and the speed trap they pass.
#include "LayoutModel.h"

#include <algorithm>
#include <cmath>

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

void Layout::Advance(double seconds, const std::function<void(const std::string&, long long)>& pass)
{
    std::normal_distribution<double> spread(0.0, 1.0);
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
            const double when = now_ + part * seconds;
            if (first_ < 0 || first_ == sensor) {
                first_ = sensor;
                firstAt_ = when;
                continue;
            }
            const double micros = (when - firstAt_) * 1e6 * (1.0 + loco.noise * spread(random_));
            pass(first_ == 0 ? "A>B" : "B>A", std::llround(micros));
            first_ = -1;
        }
        loco.x = to;
    }
    now_ += seconds;
}
