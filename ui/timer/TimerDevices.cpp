// A generated beep through ALSA's default output.
#include "ui/timer/TimerDevices.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#ifdef TRACKPACE_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace {

#ifdef TRACKPACE_HAVE_ALSA

constexpr unsigned SampleRate = 48000;
constexpr double BeepSeconds = 0.12;
constexpr double FadeSeconds = 0.005;

// A sine of `hertz`, faded in and out so that it does not click.
std::vector<qint16> Tone(double hertz)
{
    const auto frames = static_cast<std::size_t>(BeepSeconds * SampleRate);
    const auto fade = static_cast<std::size_t>(FadeSeconds * SampleRate);
    std::vector<qint16> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double edge = static_cast<double>(std::min({i, frames - 1 - i, fade})) / static_cast<double>(fade);
        const double wave = std::sin(2.0 * std::numbers::pi * hertz * static_cast<double>(i) / SampleRate);
        samples[i] = static_cast<qint16>(std::lround(0.4 * 32767.0 * edge * wave));
    }
    return samples;
}

class AlsaSound final : public SoundSink {
public:
    AlsaSound() : start_(Tone(1320.0)), next_(Tone(880.0))
    {
        if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            pcm_ = nullptr;
            return;
        }
        // Room for a whole beep, so a write never has to wait.
        if (snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, SampleRate, 1, 250000) <
            0) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }
    ~AlsaSound() override
    {
        if (pcm_ != nullptr) {
            snd_pcm_close(pcm_);
        }
    }
    AlsaSound(const AlsaSound&) = delete;
    AlsaSound& operator=(const AlsaSound&) = delete;

    bool Available() const override { return pcm_ != nullptr; }

    void Beep(PaceMark mark) override
    {
        if (pcm_ == nullptr) {
            return;
        }
        const std::vector<qint16>& tone = mark == PaceMark::Start ? start_ : next_;
        // The last beep has run out since (an underrun): start afresh.
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
        if (snd_pcm_writei(pcm_, tone.data(), tone.size()) > 0) {
            snd_pcm_start(pcm_);
        }
    }

private:
    snd_pcm_t* pcm_ = nullptr;
    std::vector<qint16> start_;
    std::vector<qint16> next_;
};

#else

class NoSound final : public SoundSink {
public:
    bool Available() const override { return false; }
    void Beep(PaceMark) override {}
};

#endif

}  // namespace

std::unique_ptr<SoundSink> SystemSound()
{
#ifdef TRACKPACE_HAVE_ALSA
    return std::make_unique<AlsaSound>();
#else
    return std::make_unique<NoSound>();
#endif
}
