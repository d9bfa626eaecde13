// The speed trap's firmware on a simulated ATmega328P, through simavr.
#include "TrapSim.h"

#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_hex.h>

namespace {

constexpr double CyclesPerMicro = 16.0;  // a 16 MHz board
// One byte in per this many cycles, about the pace of 115200 baud.
constexpr avr_cycle_count_t CyclesPerByte = 1600;

}  // namespace

TrapSim::TrapSim(const std::string& hexFile, int idleLevel)
{
    ihex_chunk_p chunks = nullptr;
    const int count = read_ihex_chunks(hexFile.c_str(), &chunks);
    if (count <= 0) {
        return;
    }
    avr_ = avr_make_mcu_by_name("atmega328p");
    avr_init(avr_);
    avr_->frequency = 16'000'000;
    for (int index = 0; index < count; ++index) {
        if (chunks[index].baseaddr < 0x10000) {  // the flash; the .hex holds nothing else
            avr_loadcode(avr_, chunks[index].data, chunks[index].size, chunks[index].baseaddr);
        }
    }
    free_ihex_chunks(chunks);
    // Neither the console nor a sleep on polling: the test reads every byte itself.
    uint32_t flags = 0;
    avr_ioctl(avr_, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), &TrapSim::OnByte,
                            this);
    rx_ = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    pinA_ = avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('D'), 2);
    pinB_ = avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('D'), 3);
    SetSensor('A', idleLevel);
    SetSensor('B', idleLevel);
}

TrapSim::~TrapSim()
{
    if (avr_ != nullptr) {
        avr_terminate(avr_);
    }
}

double TrapSim::Micros() const
{
    return static_cast<double>(avr_->cycle) / CyclesPerMicro;
}

void TrapSim::RunUntil(double micros)
{
    const auto until = static_cast<avr_cycle_count_t>(micros * CyclesPerMicro);
    avr_cycle_count_t nextByte = avr_->cycle;
    while (avr_->cycle < until) {
        if (!pending_.empty() && avr_->cycle >= nextByte) {
            avr_raise_irq(rx_, pending_.front());
            pending_.erase(pending_.begin());
            nextByte = avr_->cycle + CyclesPerByte;
        }
        const int state = avr_run(avr_);
        if (state == cpu_Done || state == cpu_Crashed) {
            return;
        }
    }
}

void TrapSim::SetSensor(char sensor, int level)
{
    avr_raise_irq(sensor == 'A' ? pinA_ : pinB_, static_cast<uint32_t>(level));
}

void TrapSim::Send(const std::string& text)
{
    pending_.insert(pending_.end(), text.begin(), text.end());
}

void TrapSim::Reset()
{
    avr_reset(avr_);
}

std::string TrapSim::TakeOutput()
{
    std::string taken;
    taken.swap(output_);
    return taken;
}

void TrapSim::OnByte(avr_irq_t*, uint32_t value, void* self)
{
    static_cast<TrapSim*>(self)->output_.push_back(static_cast<char>(value));
}
