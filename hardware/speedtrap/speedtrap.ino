// The Trackpace speed trap: times a train between two sensors on its own clock and reports each pass over USB serial.
//
// Sensor A on D2 and sensor B on D3 (the interrupt pins), each an IR gate or a reed
// switch, with the internal pull-ups. The level a sensor has at start is its idle
// level, so sensors that pull low (active low) and sensors that drive high (active
// high) both work. Protocol, 115200 baud 8N1, ASCII lines ending in CR LF:
//   at start   TRACKPACE-TRAP 1 <firmware version>
//   a pass     PASS A>B <microseconds>   or   PASS B>A <microseconds>
//   given up   TIMEOUT A   or   TIMEOUT B   (the other sensor did not follow in time)
//   SPACING?          answered SPACING <mm>   (0: not set yet)
//   SPACING <mm>      kept in EEPROM, answered SPACING <mm>
//   anything else     answered ERROR <text>
#include <Arduino.h>
#include <avr/eeprom.h>

namespace {

const char FirmwareVersion[] = "1.0.0";
const uint8_t PinA = 2;
const uint8_t PinB = 3;
// An edge of a sensor within this of its last one is a bounce, not a train.
const unsigned long DebounceMicros = 20000UL;
// A pass shorter than this is no pass: two sensors set off together by one disturbance.
const unsigned long ShortestPassMicros = 2000UL;
// A pass not finished within this is given up.
const unsigned long TimeoutMicros = 30000000UL;
// After a pass, both sensors must be idle this long (the train gone by) before the next.
const unsigned long QuietMicros = 500000UL;
// The spacing in EEPROM: a mark, then the millimetres.
uint16_t* const SpacingMark = reinterpret_cast<uint16_t*>(0);
uint16_t* const SpacingValue = reinterpret_cast<uint16_t*>(2);
const uint16_t Marked = 0x5452;  // "TR"

struct Sensor {
    uint8_t pin;
    char name;
    uint8_t idle;
    volatile unsigned long lastEdge;
    volatile unsigned long activated;
    volatile bool fresh;  // activated since last looked at
};

Sensor sensors[2] = {{PinA, 'A', HIGH, 0, 0, false}, {PinB, 'B', HIGH, 0, 0, false}};

enum class State { Idle, Timing, Quiet };
State state = State::Idle;
int first = 0;             // the sensor the pass began at
unsigned long started = 0;  // its activation
unsigned long quietSince = 0;

char line[32];
uint8_t lineLength = 0;
bool lineTooLong = false;

void OnEdge(Sensor& sensor)
{
    const unsigned long now = micros();
    const bool active = digitalRead(sensor.pin) != sensor.idle;
    const bool bounce = now - sensor.lastEdge < DebounceMicros;
    sensor.lastEdge = now;
    if (active && !bounce) {
        sensor.activated = now;
        sensor.fresh = true;
    }
}

void OnA()
{
    OnEdge(sensors[0]);
}

void OnB()
{
    OnEdge(sensors[1]);
}

// The activation of `index` since it was last looked at, if there was one.
bool Activated(int index, unsigned long& at)
{
    noInterrupts();
    const bool fresh = sensors[index].fresh;
    at = sensors[index].activated;
    sensors[index].fresh = false;
    interrupts();
    return fresh;
}

bool BothIdle()
{
    return digitalRead(PinA) == sensors[0].idle && digitalRead(PinB) == sensors[1].idle;
}

void EndPass()
{
    state = State::Quiet;
    quietSince = micros();
}

void Watch()
{
    unsigned long at = 0;
    switch (state) {
        case State::Idle:
            for (int index = 0; index < 2; ++index) {
                if (Activated(index, at)) {
                    first = index;
                    started = at;
                    state = State::Timing;
                    Activated(1 - index, at);  // an edge of the other before this one does not count
                    return;
                }
            }
            break;
        case State::Timing:
            if (Activated(1 - first, at)) {
                const unsigned long pass = at - started;
                if (pass >= ShortestPassMicros) {
                    Serial.print(F("PASS "));
                    Serial.print(sensors[first].name);
                    Serial.print('>');
                    Serial.print(sensors[1 - first].name);
                    Serial.print(' ');
                    Serial.print(pass);
                    Serial.print(F("\r\n"));
                }
                EndPass();
            } else if (micros() - started > TimeoutMicros) {
                Serial.print(F("TIMEOUT "));
                Serial.print(sensors[first].name);
                Serial.print(F("\r\n"));
                EndPass();
            }
            break;
        case State::Quiet:
            Activated(0, at);
            Activated(1, at);
            if (!BothIdle()) {
                quietSince = micros();
            } else if (micros() - quietSince >= QuietMicros) {
                state = State::Idle;
            }
            break;
    }
}

uint16_t Spacing()
{
    return eeprom_read_word(SpacingMark) == Marked ? eeprom_read_word(SpacingValue) : 0;
}

void ReportSpacing()
{
    Serial.print(F("SPACING "));
    Serial.print(Spacing());
    Serial.print(F("\r\n"));
}

void Obey(const char* command)
{
    if (strcmp(command, "SPACING?") == 0) {
        ReportSpacing();
        return;
    }
    if (strncmp(command, "SPACING ", 8) == 0) {
        char* end = nullptr;
        const long millimetres = strtol(command + 8, &end, 10);
        if (end == command + 8 || *end != '\0' || millimetres < 1 || millimetres > 65535) {
            Serial.print(F("ERROR the spacing is a whole number of millimetres from 1 to 65535\r\n"));
            return;
        }
        eeprom_update_word(SpacingValue, static_cast<uint16_t>(millimetres));
        eeprom_update_word(SpacingMark, Marked);
        ReportSpacing();
        return;
    }
    Serial.print(F("ERROR unknown command: "));
    Serial.print(command);
    Serial.print(F("\r\n"));
}

void Listen()
{
    while (Serial.available() > 0) {
        const char c = static_cast<char>(Serial.read());
        if (c == '\r' || c == '\n') {
            if (lineTooLong) {
                Serial.print(F("ERROR line too long\r\n"));
            } else if (lineLength > 0) {
                line[lineLength] = '\0';
                Obey(line);
            }
            lineLength = 0;
            lineTooLong = false;
        } else if (lineLength + 1u < sizeof(line)) {
            line[lineLength++] = c;
        } else {
            lineTooLong = true;
        }
    }
}

}  // namespace

void setup()
{
    pinMode(PinA, INPUT_PULLUP);
    pinMode(PinB, INPUT_PULLUP);
    delay(20);  // the pull-ups settle
    sensors[0].idle = digitalRead(PinA);
    sensors[1].idle = digitalRead(PinB);
    sensors[0].lastEdge = sensors[1].lastEdge = micros() - DebounceMicros;
    Serial.begin(115200);
    Serial.print(F("TRACKPACE-TRAP 1 "));
    Serial.print(FirmwareVersion);
    Serial.print(F("\r\n"));
    attachInterrupt(digitalPinToInterrupt(PinA), OnA, CHANGE);
    attachInterrupt(digitalPinToInterrupt(PinB), OnB, CHANGE);
}

void loop()
{
    Watch();
    Listen();
}
