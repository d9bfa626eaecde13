// The simulated layout: decoders that follow their CVs, locomotives running round a loop, and the speed trap they pass.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <random>
#include <string>

// A decoder as NMRA S-9.2.2 has it: the three-point curve (CV2, CV6, CV5) or the
// 28-entry table (CV67-CV94, in force with CV29 bit 4), the trims (CV66 forward, CV95
// reverse), the momentum (CV3, CV4: seconds to full speed are the CV times 0.896).
struct Decoder {
    std::array<int, 256> cv{};
    int stepMode = 128;
    Decoder();
    // The motor's drive, 0-255, at `step` (1-28 or 1-126) in a direction.
    double Drive(int step, bool reverse) const;
    // The decoder step a throttle value (0-126) means in the decoder's mode.
    int StepOf(int value) const;
};

struct SimLocomotive {
    int address = 3;
    bool longAddress = false;
    Decoder decoder;
    double topMmPerSecond = 500.0;  // at a drive of 255, forward
    double reverseFactor = 0.95;    // its motor and gears run a little differently backwards
    double noise = 0.001;           // a pass's relative spread
    bool stalled = false;           // derailed or stuck: it stands whatever it is told
    // What it is told, and what it does.
    int value = 0;  // 0-126; -1 after an emergency stop
    bool forward = true;
    double drive = 0.0;  // now, following momentum
    double x = 0.0;      // mm along the loop, unwrapped
    // The model speed in mm/s it settles at for `step`, without noise.
    double TrueSpeed(int step, bool reverse) const;
};

// Sensors A and B of the trap, `spacing` apart, half way round a loop of `loop` mm.
class Layout {
public:
    Layout(double loop, double spacing, unsigned seed) : loop_(loop), spacing_(spacing), random_(seed) {}
    std::map<int, SimLocomotive>& Locomotives() { return locomotives_; }
    SimLocomotive& Locomotive(int address);
    bool power = true;
    double Spacing() const { return spacing_; }
    void SetSpacing(double spacing) { spacing_ = spacing; }
    // Moves every locomotive `seconds` of layout time on; each line the trap sends is
    // told to `says` ("PASS A>B 123456", "TIMEOUT B").
    void Advance(double seconds, const std::function<void(const std::string&)>& says);

private:
    double loop_;
    double spacing_;
    std::mt19937 random_;
    std::map<int, SimLocomotive> locomotives_;
    double now_ = 0.0;  // layout seconds
    // The trap times as its firmware does: from the first sensor reached to the other
    // (the first again does not count), given up after 30 s; after each pass or time-out
    // it waits until no sensor has been reached for half a second.
    void Reached(int sensor, double when, double noise, const std::function<void(const std::string&)>& says);
    enum class Trap { Idle, Timing, Quiet };
    Trap trap_ = Trap::Idle;
    int first_ = 0;
    double since_ = 0.0;  // when timing began, or when the trap last went quiet
};
