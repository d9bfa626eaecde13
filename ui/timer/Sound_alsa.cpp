// A generated beep through ALSA's default output (which PulseAudio and PipeWire serve as well).
#include "ui/timer/TimerDevices.h"

#include <alsa/asoundlib.h>

namespace {

class AlsaSound final : public SoundSink {
public:
    AlsaSound() : start_(Tone(StartHertz)), next_(Tone(NextHertz))
    {
        if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            pcm_ = nullptr;
            return;
        }
        // Room for a whole beep, so a write never has to wait.
        if (snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, ToneSampleRate, 1, 250000) <
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

}  // namespace

std::unique_ptr<SoundSink> SystemSound()
{
    return std::make_unique<AlsaSound>();
}
