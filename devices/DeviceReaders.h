// What each kind of timing device sends, read into passes and speeds: the Trackpace trap, a trap that prints a line per pass, and three rolling-road speedometers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

enum class DeviceKind { TrackpaceTrap, PatternTrap, KpfZeller, Bachrus, DrM };

// The kinds in the order the Devices window lists them, with their names there.
const std::vector<DeviceKind>& DeviceKinds();
QString DeviceKindName(DeviceKind kind);
// The kind named `name` as the settings file keeps it ("trackpace-trap"), if any.
std::optional<DeviceKind> DeviceKindOf(const QString& key);
QString DeviceKindKey(DeviceKind kind);
bool IsRollingRoad(DeviceKind kind);
// The baud rate the kind's devices always use; 0 where the user chooses it.
int FixedBaud(DeviceKind kind);

enum class TimeUnit { Microseconds, Milliseconds, Seconds };

// What the user tells about the device besides its kind and port.
struct DeviceChoices {
    int baud = 9600;            // a pattern trap's
    QString pattern;            // a pattern trap's: "Elapsed # ms", # standing for the number
    TimeUnit unit = TimeUnit::Milliseconds;
    double spacingMm = 0.0;     // a pattern trap's sensors' spacing
    int rollerSeries = 5;       // a Bachrus reader's series: 4, 5 or 6
};

// One thing a device said.
struct DeviceReading {
    enum class What {
        Ready,    // a Trackpace trap started: text holds its firmware version
        Spacing,  // a trap's sensor spacing: number in mm (0: not set)
        Pass,     // a pass: micros, and text its direction ("A>B")
        Speed,    // a rolling road's running speed: number in model mm/s
        ScaleSpeed,  // one that works the scale speed out itself: number in scale km/h
        NoSpeed,  // a rolling road with nothing on its rollers, or standing still
        Note,     // worth showing, not a fault (a trap's timeout)
        Problem,  // what the device sent cannot be read: text says why
    };
    What what;
    qint64 micros = 0;
    double number = 0.0;
    QString text;
};

// Reads one device's bytes as they arrive, in pieces of any size; at most a bounded
// amount is held between pieces, however long a line without an end runs.
class DeviceReader {
public:
    virtual ~DeviceReader() = default;
    virtual std::vector<DeviceReading> Feed(QByteArrayView bytes) = 0;
    // The last lines (or frames) received, for the Devices window, newest last.
    const QStringList& LastLines() const { return lastLines_; }

protected:
    void Saw(const QString& line);

private:
    QStringList lastLines_;
};

std::unique_ptr<DeviceReader> MakeReader(DeviceKind kind, const DeviceChoices& choices);

// The longest line kept whole; what runs on beyond it is dropped up to its end.
inline constexpr qsizetype LongestDeviceLine = 1024;
inline constexpr int LastLinesKept = 8;

// A pattern trap's number from `line`, in microseconds: the pattern's text around
// "#" matched without regard to case or blanks, the number with a point or a comma.
std::optional<qint64> PatternMicros(const QString& pattern, TimeUnit unit, const QString& line);
// Why `pattern` cannot be used, if it cannot: it needs exactly one "#".
std::optional<QString> PatternFault(const QString& pattern);

// The rolling roads' arithmetic, model speed in mm/s from what they count.
double KpfZellerMmPerSecond(int count);
double BachrusMmPerSecond(qint64 count, int series);
