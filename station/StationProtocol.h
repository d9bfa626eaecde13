// What Trackpace says to a DCC command station and reads from it: WiThrottle lines and DCC-EX's own commands, a step as a throttle value.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The ways a command station is reached.
enum class StationKind { WiThrottle, DccExTcp, DccExSerial };
QString StationKindName(StationKind kind);
// As the settings file keeps it ("withrottle"), and back.
QString StationKindKey(StationKind kind);
std::optional<StationKind> StationKindOf(const QString& key);
// The port its servers listen on unless told otherwise: 12090 (JMRI's WiThrottle), 2560.
int DefaultStationPort(StationKind kind);

struct Locomotive {
    int address = 3;
    bool longAddress = false;
};
// Short addresses run 1-127, long ones 1-10239 (as DCC-EX and JMRI take them).
std::optional<QString> AddressFault(const Locomotive& locomotive);
// "341 (long)", "3 (short)"
QString AddressText(const Locomotive& locomotive);

// The throttle value (0-126, as WiThrottle and DCC-EX take speeds) for `step` of a decoder
// in `stepMode` (28 or 128) steps: the highest value a station turns back into that step.
int ThrottleValue(int step, int stepMode);

// WiThrottle lines, each ending in LF.
QByteArray WiName(const QString& name);
QByteArray WiId(const QString& id);
QByteArray WiHeartbeatOn();
QByteArray WiHeartbeat();
QByteArray WiAcquire(const Locomotive& locomotive);
QByteArray WiSpeed(int value);
QByteArray WiDirection(bool forward);
QByteArray WiEmergencyStop();
QByteArray WiRelease();
QByteArray WiPower(bool on);
QByteArray WiQuit();
// "L341" or "S3": the key WiThrottle knows a locomotive by.
QString WiKey(const Locomotive& locomotive);

// DCC-EX commands.
QByteArray ExSpeed(int cab, int value, bool forward);
QByteArray ExEmergencyStop(int cab);
QByteArray ExStopAll();
QByteArray ExPower(bool on);
// A CV written on the main track to the decoder at `cab`.
QByteArray ExWriteCv(int cab, int cv, int value);

// One thing a station said.
struct StationAnswer {
    enum class What {
        Heartbeat,   // WiThrottle's period: number in seconds
        Acquired,    // WiThrottle handed the locomotive `text` ("L341") over
        InUse,       // WiThrottle: the locomotive `text` is held by another throttle
        Speed,       // the station tells locomotive `cab`'s speed: number, forward
        Power,       // track power: forward stands for on
        Alert,       // a message for the user: text
        Other,       // anything else, harmless
    };
    What what = What::Other;
    int cab = 0;
    int number = 0;
    bool forward = true;
    QString text;
};

// Reads a station's bytes as they arrive, in pieces of any size: WiThrottle lines or
// DCC-EX's <...> answers, at most a bounded amount held between pieces.
class StationReader {
public:
    explicit StationReader(StationKind kind) : kind_(kind) {}
    std::vector<StationAnswer> Feed(QByteArrayView bytes);
    // The last lines received, newest last.
    const QStringList& LastLines() const { return lastLines_; }

private:
    StationAnswer Read(const QString& line) const;
    StationKind kind_;
    QByteArray held_;
    bool dropping_ = false;
    QStringList lastLines_;
};

// A WiThrottle line or a DCC-EX answer ("<l 341 0 159 0>") read on its own.
StationAnswer ReadWiThrottle(const QString& line);
StationAnswer ReadDccEx(const QString& answer);
