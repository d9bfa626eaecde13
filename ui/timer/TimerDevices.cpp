// The beep's tone, the same for every sound output.
#include "ui/timer/TimerDevices.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double BeepSeconds = 0.12;
constexpr double FadeSeconds = 0.005;

}  // namespace

std::vector<qint16> Tone(double hertz)
{
    const auto frames = static_cast<std::size_t>(BeepSeconds * ToneSampleRate);
    const auto fade = static_cast<std::size_t>(FadeSeconds * ToneSampleRate);
    std::vector<qint16> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        // Faded in and out, so that it does not click.
        const double edge = static_cast<double>(std::min({i, frames - 1 - i, fade})) / static_cast<double>(fade);
        const double wave = std::sin(2.0 * std::numbers::pi * hertz * static_cast<double>(i) / ToneSampleRate);
        samples[i] = static_cast<qint16>(std::lround(0.4 * 32767.0 * edge * wave));
    }
    return samples;
}
