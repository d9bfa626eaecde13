// What the run timer measures with and beeps through: a monotonic clock and the system's sound.
#pragma once

#include "core/RunTiming.h"

#include <QElapsedTimer>
#include <QtGlobal>

#include <memory>
#include <vector>

// Milliseconds since some fixed moment, never going back (not the wall clock,
// which the user or the network may set at any time).
class RunClock {
public:
    virtual ~RunClock() = default;
    virtual qint64 Milliseconds() const = 0;
    // An input event stamped `stamp` by the window system is handled now; where it
    // happened on this clock. A clock that cannot place stamps says: now.
    virtual void Saw(quint64 stamp) { static_cast<void>(stamp); }
    virtual qint64 At(quint64 stamp) const
    {
        static_cast<void>(stamp);
        return Milliseconds();
    }
};

// The system's monotonic clock, which the window system's stamps keep step with.
class SteadyClock final : public RunClock {
public:
    SteadyClock() { timer_.start(); }
    qint64 Milliseconds() const override { return timer_.elapsed(); }
    void Saw(quint64 stamp) override { events_.Seen(stamp, Milliseconds()); }
    qint64 At(quint64 stamp) const override { return events_.At(stamp, Milliseconds()); }

private:
    QElapsedTimer timer_;
    EventTimes events_;
};

// The two beeps of a pace: the first mark, and every mark after it.
enum class PaceMark { Start, Next };

class SoundSink {
public:
    virtual ~SoundSink() = default;
    virtual bool Available() const = 0;
    // A short generated tone; returns at once.
    virtual void Beep(PaceMark mark) = 0;
};

// The system's default sound output (ALSA on Linux, the wave output on Windows);
// unavailable where none can be opened.
std::unique_ptr<SoundSink> SystemSound();

// The two tones, in hertz, and the rate their samples are made at.
inline constexpr double StartHertz = 1320.0;
inline constexpr double NextHertz = 880.0;
inline constexpr unsigned ToneSampleRate = 48000;
// A short sine of `hertz` as 16-bit mono samples, faded in and out.
std::vector<qint16> Tone(double hertz);
