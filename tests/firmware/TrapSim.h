// The speed trap's firmware on a simulated ATmega328P (simavr): its sensor pins driven at exact times, its serial line read and written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct avr_t;
struct avr_irq_t;

class TrapSim {
public:
    // The board with `hexFile` in its flash, before its first instruction; with each
    // sensor's line at `idleLevel` (1: pulled up, 0: driven low).
    TrapSim(const std::string& hexFile, int idleLevel);
    ~TrapSim();
    TrapSim(const TrapSim&) = delete;
    TrapSim& operator=(const TrapSim&) = delete;

    bool Loaded() const { return avr_ != nullptr; }
    // Simulated time since power-on, in microseconds.
    double Micros() const;
    // Runs the board until `micros` since power-on.
    void RunUntil(double micros);
    void SetSensor(char sensor, int level);
    // Bytes into the board's serial input, as a host sends them.
    void Send(const std::string& text);
    // A reset, as the board's button (or a host opening the port) gives it: the EEPROM
    // keeps what it holds.
    void Reset();
    // The serial output since the last call.
    std::string TakeOutput();

private:
    static void OnByte(avr_irq_t* irq, uint32_t value, void* self);

    avr_t* avr_ = nullptr;
    avr_irq_t* pinA_ = nullptr;
    avr_irq_t* pinB_ = nullptr;
    avr_irq_t* rx_ = nullptr;
    std::string output_;
    std::vector<uint8_t> pending_;  // bytes waiting for room in the board's receive queue
};
