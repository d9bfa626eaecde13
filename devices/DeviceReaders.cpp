// What each kind of timing device sends, read into passes and speeds.
#include "devices/DeviceReaders.h"

#include <QRegularExpression>

#include <cmath>
#include <numbers>

namespace {

struct KindFacts {
    DeviceKind kind;
    const char* key;
    const char* name;
    int baud;
};

const KindFacts kindFacts[] = {
    {DeviceKind::TrackpaceTrap, "trackpace-trap", "Trackpace speed trap", 115200},
    {DeviceKind::PatternTrap, "pattern-trap", "A trap that prints a line per pass", 0},
    {DeviceKind::KpfZeller, "kpf-zeller", "Rolling road: KPF-Zeller", 9600},
    {DeviceKind::Bachrus, "bachrus", "Rolling road: Bachrus MTS-DCC", 9600},
    {DeviceKind::DrM, "drm-spc200r", "Rolling road: drM SPC200R", 115200},
};

const KindFacts& FactsOf(DeviceKind kind)
{
    for (const KindFacts& facts : kindFacts) {
        if (facts.kind == kind) {
            return facts;
        }
    }
    return kindFacts[0];
}

// A line as the window shows it: what is not printable as a dot, at most 80 characters.
QString Printable(QByteArrayView bytes)
{
    QString shown;
    for (const char c : bytes.first(std::min<qsizetype>(bytes.size(), 80))) {
        const auto u = static_cast<unsigned char>(c);
        shown += u >= 0x20 && u < 0x7f ? QChar(u) : QChar(u'·');
    }
    return bytes.size() > 80 ? shown + QStringLiteral("...") : shown;
}

bool IsText(QByteArrayView bytes)
{
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u >= 0x7f) {
            return false;
        }
    }
    return true;
}

const QString NotText = QStringLiteral(
    "The device sends what is not text: is the baud rate right, and is it the kind of device chosen?");

// Bytes into lines ending in LF (a CR before it dropped), each line at most
// LongestDeviceLine long: the rest of a longer one is dropped with one Problem.
class LineReader : public DeviceReader {
public:
    std::vector<DeviceReading> Feed(QByteArrayView bytes) override
    {
        std::vector<DeviceReading> readings;
        for (const char c : bytes) {
            if (c == '\n' || c == '\r') {
                if (!overlong_ && !line_.isEmpty()) {
                    Line(line_, readings);
                }
                line_.clear();
                overlong_ = false;
            } else if (overlong_) {
                continue;
            } else if (line_.size() < LongestDeviceLine) {
                line_.append(c);
            } else {
                overlong_ = true;
                Saw(Printable(line_));
                line_.clear();
                readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                    QStringLiteral("A line of more than %1 characters without an end: is this the "
                                                   "kind of device chosen?")
                                        .arg(LongestDeviceLine)});
            }
        }
        return readings;
    }

protected:
    virtual void Line(const QByteArray& line, std::vector<DeviceReading>& readings) = 0;

private:
    QByteArray line_;
    bool overlong_ = false;
};

class TrackpaceTrapReader : public LineReader {
protected:
    void Line(const QByteArray& line, std::vector<DeviceReading>& readings) override
    {
        Saw(Printable(line));
        const QRegularExpression pass(QStringLiteral("^PASS (A>B|B>A) (\\d{1,12})$"));
        const QRegularExpression timeout(QStringLiteral("^TIMEOUT (A|B)$"));
        const QRegularExpression spacing(QStringLiteral("^SPACING (\\d{1,5})$"));
        const QRegularExpression ready(QStringLiteral("^TRACKPACE-TRAP (\\d+) (\\S+)$"));
        const QString text = QString::fromLatin1(line).trimmed();
        if (!IsText(line)) {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0, NotText});
        } else if (const auto m = pass.match(text); m.hasMatch()) {
            readings.push_back({DeviceReading::What::Pass, m.captured(2).toLongLong(), 0.0, m.captured(1)});
        } else if (const auto m = timeout.match(text); m.hasMatch()) {
            readings.push_back({DeviceReading::What::Note, 0, 0.0,
                                QStringLiteral("Sensor %1 saw a train, the other did not within the trap's time: "
                                               "no pass.")
                                    .arg(m.captured(1))});
        } else if (const auto m = spacing.match(text); m.hasMatch()) {
            readings.push_back({DeviceReading::What::Spacing, 0, m.captured(1).toDouble(), {}});
        } else if (const auto m = ready.match(text); m.hasMatch()) {
            if (m.captured(1) == QStringLiteral("1")) {
                readings.push_back({DeviceReading::What::Ready, 0, 0.0, m.captured(2)});
            } else {
                readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                    QStringLiteral("The trap speaks version %1 of the protocol; this Trackpace reads "
                                                   "version 1: update Trackpace or the trap.")
                                        .arg(m.captured(1))});
            }
        } else if (text.startsWith(QStringLiteral("ERROR "))) {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                QStringLiteral("The trap says: %1").arg(text.mid(6))});
        } else {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                QStringLiteral("Not a line a Trackpace trap sends: \"%1\".").arg(Printable(line))});
        }
    }
};

class PatternTrapReader : public LineReader {
public:
    explicit PatternTrapReader(const DeviceChoices& choices) : choices_(choices) {}

protected:
    void Line(const QByteArray& line, std::vector<DeviceReading>& readings) override
    {
        const QString text = QString::fromLatin1(line).trimmed();
        const std::optional<qint64> micros = PatternMicros(choices_.pattern, choices_.unit, text);
        Saw(Printable(line) + (micros ? QStringLiteral("  → %1 µs").arg(*micros) : QStringLiteral("  (no pass)")));
        if (!IsText(line)) {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0, NotText});
        } else if (micros) {
            readings.push_back({DeviceReading::What::Pass, *micros, 0.0, {}});
        }
    }

private:
    DeviceChoices choices_;
};

// KPF-Zeller: a frame per line, the count the four decimal digits at offsets 8 to 11.
class KpfZellerReader : public LineReader {
protected:
    void Line(const QByteArray& line, std::vector<DeviceReading>& readings) override
    {
        Saw(Printable(line));
        const QRegularExpression digits(QStringLiteral("^\\d{4}$"));
        const QString count = QString::fromLatin1(line.mid(8, 4));
        if (line.size() < 12 || !digits.match(count).hasMatch()) {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                QStringLiteral("Not a frame a KPF-Zeller speedometer sends: \"%1\".")
                                    .arg(Printable(line))});
        } else if (count.toInt() == 0) {
            readings.push_back({DeviceReading::What::NoSpeed, 0, 0.0, {}});
        } else {
            readings.push_back({DeviceReading::What::Speed, 0, KpfZellerMmPerSecond(count.toInt()), {}});
        }
    }
};

// Bachrus MTS-DCC: frames ending in ";", the reader's series and a six-digit hex count.
class BachrusReader : public DeviceReader {
public:
    explicit BachrusReader(int series) : series_(series) {}

    std::vector<DeviceReading> Feed(QByteArrayView bytes) override
    {
        std::vector<DeviceReading> readings;
        for (const char c : bytes) {
            if (c != ';') {
                frame_.append(c);
                if (frame_.size() > LongestDeviceLine) {
                    frame_ = frame_.right(7);  // only the last seven matter
                }
                continue;
            }
            Frame(frame_.trimmed(), readings);
            frame_.clear();
        }
        return readings;
    }

private:
    void Frame(const QByteArray& frame, std::vector<DeviceReading>& readings)
    {
        Saw(Printable(frame) + QStringLiteral(";"));
        const QRegularExpression hex(QStringLiteral("^[4-6][0-9A-Fa-f]{6}$"));
        const QByteArray tail = frame.right(7);
        if (!hex.match(QString::fromLatin1(tail)).hasMatch()) {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                QStringLiteral("Not a frame a Bachrus speedometer sends: \"%1;\".").arg(Printable(frame))});
            return;
        }
        if (tail.at(0) - '0' != series_) {
            readings.push_back({DeviceReading::What::Problem, 0, 0.0,
                                QStringLiteral("The reader says it is of series %1, not %2 as chosen: its rollers "
                                               "differ, so choose series %1.")
                                    .arg(tail.at(0) - '0')
                                    .arg(series_)});
            return;
        }
        const qint64 count = tail.mid(1).toLongLong(nullptr, 16);
        if (count == 0 || count == 0xFFFFFF) {
            readings.push_back({DeviceReading::What::NoSpeed, 0, 0.0, {}});
        } else {
            readings.push_back({DeviceReading::What::Speed, 0, BachrusMmPerSecond(count, series_), {}});
        }
    }

    int series_;
    QByteArray frame_;
};

// drM SPC200R: seven-byte frames, byte 0 from 0x50 to 0x53, bytes 3 to 6 the speed's
// digits (0x2D throughout: no reading).
class DrMReader : public DeviceReader {
public:
    std::vector<DeviceReading> Feed(QByteArrayView bytes) override
    {
        std::vector<DeviceReading> readings;
        for (const char c : bytes) {
            const auto u = static_cast<unsigned char>(c);
            if (frame_.isEmpty() && (u < 0x50 || u > 0x53)) {
                if (++skipped_ == 64) {
                    readings.push_back({DeviceReading::What::Problem, 0, 0.0, NotFrames()});
                }
                continue;
            }
            frame_.append(c);
            if (frame_.size() == 7) {
                Frame(readings);
                frame_.clear();
            }
        }
        return readings;
    }

private:
    static QString NotFrames()
    {
        return QStringLiteral("Not frames a drM SPC200R sends: is it the kind of device chosen?");
    }

    void Frame(std::vector<DeviceReading>& readings)
    {
        Saw(QString::fromLatin1(frame_.toHex(' ')));
        int tenths = 0;
        bool none = false;
        for (int index = 3; index < 7; ++index) {
            const auto digit = static_cast<unsigned char>(frame_.at(index));
            none = none || digit == 0x2D;
            if (digit > 9 && digit != 0x2D) {
                readings.push_back({DeviceReading::What::Problem, 0, 0.0, NotFrames()});
                return;
            }
            tenths = tenths * 10 + (digit == 0x2D ? 0 : digit);
        }
        skipped_ = 0;
        if (none || tenths == 0) {
            readings.push_back({DeviceReading::What::NoSpeed, 0, 0.0, {}});
        } else {
            readings.push_back({DeviceReading::What::ScaleSpeed, 0, tenths / 10.0, {}});
        }
    }

    QByteArray frame_;
    int skipped_ = 0;
};

}  // namespace

const std::vector<DeviceKind>& DeviceKinds()
{
    static const std::vector<DeviceKind> kinds{DeviceKind::TrackpaceTrap, DeviceKind::PatternTrap,
                                               DeviceKind::KpfZeller, DeviceKind::Bachrus, DeviceKind::DrM};
    return kinds;
}

QString DeviceKindName(DeviceKind kind)
{
    return QString::fromLatin1(FactsOf(kind).name);
}

QString DeviceKindKey(DeviceKind kind)
{
    return QString::fromLatin1(FactsOf(kind).key);
}

std::optional<DeviceKind> DeviceKindOf(const QString& key)
{
    for (const KindFacts& facts : kindFacts) {
        if (key == QLatin1String(facts.key)) {
            return facts.kind;
        }
    }
    return std::nullopt;
}

bool IsRollingRoad(DeviceKind kind)
{
    return kind == DeviceKind::KpfZeller || kind == DeviceKind::Bachrus || kind == DeviceKind::DrM;
}

int FixedBaud(DeviceKind kind)
{
    return FactsOf(kind).baud;
}

void DeviceReader::Saw(const QString& line)
{
    lastLines_.append(line);
    while (lastLines_.size() > LastLinesKept) {
        lastLines_.removeFirst();
    }
}

std::unique_ptr<DeviceReader> MakeReader(DeviceKind kind, const DeviceChoices& choices)
{
    switch (kind) {
        case DeviceKind::TrackpaceTrap:
            return std::make_unique<TrackpaceTrapReader>();
        case DeviceKind::PatternTrap:
            return std::make_unique<PatternTrapReader>(choices);
        case DeviceKind::KpfZeller:
            return std::make_unique<KpfZellerReader>();
        case DeviceKind::Bachrus:
            return std::make_unique<BachrusReader>(choices.rollerSeries);
        case DeviceKind::DrM:
            return std::make_unique<DrMReader>();
    }
    return std::make_unique<TrackpaceTrapReader>();
}

std::optional<QString> PatternFault(const QString& pattern)
{
    if (pattern.count(QLatin1Char('#')) != 1) {
        return QStringLiteral("The pattern needs one # where the number stands, as in \"Elapsed # ms\".");
    }
    return std::nullopt;
}

std::optional<qint64> PatternMicros(const QString& pattern, TimeUnit unit, const QString& line)
{
    if (PatternFault(pattern)) {
        return std::nullopt;
    }
    const qsizetype hash = pattern.indexOf(QLatin1Char('#'));
    // Each side's characters, blanks anywhere among them or none.
    const auto side = [](const QString& text) {
        QStringList characters;
        for (const QChar c : text) {
            if (!c.isSpace()) {
                characters.append(QRegularExpression::escape(QString(c)));
            }
        }
        return characters.join(QStringLiteral("\\s*"));
    };
    const QRegularExpression expression(side(pattern.left(hash)) + QStringLiteral("\\s*(\\d{1,12}(?:[.,]\\d{1,9})?)\\s*") +
                                            side(pattern.mid(hash + 1)),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = expression.match(line);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const double number = match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    const double perUnit = unit == TimeUnit::Seconds ? 1e6 : unit == TimeUnit::Milliseconds ? 1e3 : 1.0;
    return std::llround(number * perUnit);
}

double KpfZellerMmPerSecond(int count)
{
    return count / 8.0 * std::numbers::pi * 6.85;
}

double BachrusMmPerSecond(qint64 count, int series)
{
    const double circumference = series == 4 ? 12.5664 : series == 6 ? 50.2655 : 18.8496;
    return 1.5e6 / static_cast<double>(count) / 24.0 * circumference;
}
