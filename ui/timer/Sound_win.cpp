// A generated beep through Windows' wave output, played from memory without waiting.
#include "ui/timer/TimerDevices.h"

#include <QByteArray>
#include <QtEndian>

#include <windows.h>

#include <mmsystem.h>

namespace {

// The samples as a whole WAV file in memory: what PlaySound takes.
QByteArray WaveFile(const std::vector<qint16>& samples)
{
    const auto dataBytes = static_cast<quint32>(samples.size() * sizeof(qint16));
    QByteArray wave;
    const auto put32 = [&wave](quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        wave.append(bytes, 4);
    };
    const auto put16 = [&wave](quint16 value) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        wave.append(bytes, 2);
    };
    wave.append("RIFF");
    put32(36 + dataBytes);
    wave.append("WAVEfmt ");
    put32(16);                    // the format block's size
    put16(1);                     // PCM
    put16(1);                     // mono
    put32(ToneSampleRate);
    put32(ToneSampleRate * 2);    // bytes a second
    put16(2);                     // bytes a frame
    put16(16);                    // bits a sample
    wave.append("data");
    put32(dataBytes);
    for (const qint16 sample : samples) {
        put16(static_cast<quint16>(sample));
    }
    return wave;
}

class WaveSound final : public SoundSink {
public:
    WaveSound() : start_(WaveFile(Tone(StartHertz))), next_(WaveFile(Tone(NextHertz))) {}
    ~WaveSound() override { PlaySoundW(nullptr, nullptr, 0); }
    WaveSound(const WaveSound&) = delete;
    WaveSound& operator=(const WaveSound&) = delete;

    bool Available() const override { return waveOutGetNumDevs() > 0; }

    void Beep(PaceMark mark) override
    {
        // The sound plays on while this returns; the next beep cuts a late one short.
        const QByteArray& wave = mark == PaceMark::Start ? start_ : next_;
        PlaySoundW(reinterpret_cast<LPCWSTR>(wave.constData()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }

private:
    QByteArray start_;
    QByteArray next_;
};

}  // namespace

std::unique_ptr<SoundSink> SystemSound()
{
    return std::make_unique<WaveSound>();
}
