// What Trackpace says to a DCC command station and reads from it: WiThrottle lines and DCC-EX's own commands, a step as a throttle value.
#include "station/StationProtocol.h"

#include <QRegularExpression>

namespace {

struct KindFacts {
    StationKind kind;
    const char* key;
    const char* name;
    int port;
};
const KindFacts Kinds[] = {
    {StationKind::WiThrottle, "withrottle", "WiThrottle (JMRI, DCC-EX) over the network", 12090},
    {StationKind::DccExTcp, "dcc-ex-tcp", "DCC-EX over the network", 2560},
    {StationKind::DccExSerial, "dcc-ex-serial", "DCC-EX on a serial port", 0},
};

const KindFacts& FactsOf(StationKind kind)
{
    for (const KindFacts& facts : Kinds) {
        if (facts.kind == kind) {
            return facts;
        }
    }
    return Kinds[0];
}

// The longest line or answer kept whole; what runs on beyond it is dropped up to its end.
constexpr qsizetype LongestAnswer = 1024;
constexpr int LinesKept = 8;

QByteArray Line(const QString& text)
{
    return (text + QLatin1Char('\n')).toUtf8();
}

}  // namespace

QString StationKindName(StationKind kind)
{
    return QString::fromLatin1(FactsOf(kind).name);
}

QString StationKindKey(StationKind kind)
{
    return QString::fromLatin1(FactsOf(kind).key);
}

std::optional<StationKind> StationKindOf(const QString& key)
{
    for (const KindFacts& facts : Kinds) {
        if (key == QLatin1String(facts.key)) {
            return facts.kind;
        }
    }
    return std::nullopt;
}

int DefaultStationPort(StationKind kind)
{
    return FactsOf(kind).port;
}

std::optional<QString> AddressFault(const Locomotive& locomotive)
{
    const int highest = locomotive.longAddress ? 10239 : 127;
    if (locomotive.address < 1 || locomotive.address > highest) {
        return QStringLiteral("A %1 address runs from 1 to %2, not %3.")
            .arg(locomotive.longAddress ? QStringLiteral("long") : QStringLiteral("short"))
            .arg(highest)
            .arg(locomotive.address);
    }
    return std::nullopt;
}

QString AddressText(const Locomotive& locomotive)
{
    return QStringLiteral("%1 (%2)").arg(locomotive.address).arg(locomotive.longAddress ? "long" : "short");
}

int ThrottleValue(int step, int stepMode)
{
    if (step <= 0) {
        return 0;
    }
    if (stepMode == 28) {
        // 126 values over 28 steps: 4.5 a step, the lower of two where it falls between.
        return std::min(126, step * 126 / 28);
    }
    return std::min(126, step);
}

QByteArray WiName(const QString& name) { return Line(QLatin1Char('N') + name); }
QByteArray WiId(const QString& id) { return Line(QStringLiteral("HU") + id); }
QByteArray WiHeartbeatOn() { return Line(QStringLiteral("*+")); }
QByteArray WiHeartbeat() { return Line(QStringLiteral("*")); }
QString WiKey(const Locomotive& locomotive)
{
    return (locomotive.longAddress ? QLatin1Char('L') : QLatin1Char('S')) + QString::number(locomotive.address);
}
QByteArray WiAcquire(const Locomotive& locomotive)
{
    const QString key = WiKey(locomotive);
    return Line(QStringLiteral("MT+%1<;>%1").arg(key));
}
QByteArray WiSpeed(int value) { return Line(QStringLiteral("MTA*<;>V%1").arg(value)); }
QByteArray WiDirection(bool forward) { return Line(forward ? QStringLiteral("MTA*<;>R1") : QStringLiteral("MTA*<;>R0")); }
QByteArray WiEmergencyStop() { return Line(QStringLiteral("MTA*<;>X")); }
QByteArray WiRelease() { return Line(QStringLiteral("MT-*<;>r")); }
QByteArray WiPower(bool on) { return Line(on ? QStringLiteral("PPA1") : QStringLiteral("PPA0")); }
QByteArray WiQuit() { return Line(QStringLiteral("Q")); }

QByteArray ExSpeed(int cab, int value, bool forward)
{
    return QStringLiteral("<t %1 %2 %3>").arg(cab).arg(value).arg(forward ? 1 : 0).toLatin1();
}
QByteArray ExEmergencyStop(int cab) { return QStringLiteral("<t %1 -1 1>").arg(cab).toLatin1(); }
QByteArray ExStopAll() { return QByteArrayLiteral("<!>"); }
QByteArray ExPower(bool on) { return on ? QByteArrayLiteral("<1 MAIN>") : QByteArrayLiteral("<0>"); }
QByteArray ExWriteCv(int cab, int cv, int value)
{
    return QStringLiteral("<w %1 %2 %3>").arg(cab).arg(cv).arg(value).toLatin1();
}

StationAnswer ReadWiThrottle(const QString& line)
{
    StationAnswer answer;
    static const QRegularExpression heartbeat(QStringLiteral("^\\*(\\d{1,5})$"));
    static const QRegularExpression acquired(QStringLiteral("^MT\\+([LS]\\d{1,5})<;>"));
    static const QRegularExpression inUse(QStringLiteral("^MTS([LS]\\d{1,5})<;>"));
    static const QRegularExpression speed(QStringLiteral("^MTA([LS])(\\d{1,5})<;>V(-?\\d{1,3})$"));
    if (const auto match = heartbeat.match(line); match.hasMatch()) {
        answer.what = StationAnswer::What::Heartbeat;
        answer.number = match.captured(1).toInt();
    } else if (const auto got = acquired.match(line); got.hasMatch()) {
        answer.what = StationAnswer::What::Acquired;
        answer.text = got.captured(1);
    } else if (const auto held = inUse.match(line); held.hasMatch()) {
        answer.what = StationAnswer::What::InUse;
        answer.text = held.captured(1);
    } else if (const auto told = speed.match(line); told.hasMatch()) {
        answer.what = StationAnswer::What::Speed;
        answer.cab = told.captured(2).toInt();
        answer.number = told.captured(3).toInt();
    } else if (line == QLatin1String("PPA1") || line == QLatin1String("PPA0")) {
        answer.what = StationAnswer::What::Power;
        answer.forward = line.endsWith(QLatin1Char('1'));
    } else if (line.startsWith(QLatin1String("HM")) || line.startsWith(QLatin1String("Hm"))) {
        answer.what = StationAnswer::What::Alert;
        answer.text = line.mid(2);
    }
    return answer;
}

StationAnswer ReadDccEx(const QString& text)
{
    StationAnswer answer;
    static const QRegularExpression loco(QStringLiteral("^<l (\\d{1,5}) -?\\d+ (\\d{1,3}) \\d+>$"));
    static const QRegularExpression power(QStringLiteral("^<p([01])( [A-Z]+)?>$"));
    if (const auto match = loco.match(text); match.hasMatch()) {
        // DCC's speed byte: the top bit forward; below it 0 stop, 1 emergency stop,
        // then the values 1-126.
        const int byte = match.captured(2).toInt();
        const int value = byte & 0x7f;
        answer.what = StationAnswer::What::Speed;
        answer.cab = match.captured(1).toInt();
        answer.forward = (byte & 0x80) != 0;
        answer.number = value == 0 ? 0 : value == 1 ? -1 : value - 1;
    } else if (const auto on = power.match(text); on.hasMatch()) {
        answer.what = StationAnswer::What::Power;
        answer.forward = on.captured(1) == QLatin1String("1");
    } else if (text == QLatin1String("<X>")) {
        answer.what = StationAnswer::What::Alert;
        answer.text = QStringLiteral("the station did not take a command");
    }
    return answer;
}

std::vector<StationAnswer> StationReader::Feed(QByteArrayView bytes)
{
    std::vector<StationAnswer> answers;
    const bool framed = kind_ != StationKind::WiThrottle;
    for (const char c : bytes) {
        const bool ends = framed ? c == '>' : (c == '\n' || c == '\r');
        if (framed && c == '<') {
            held_.clear();
            dropping_ = false;
        }
        if (!ends) {
            if (held_.size() >= LongestAnswer) {
                dropping_ = true;
                held_.clear();
            }
            if (!dropping_ && (!framed || !held_.isEmpty() || c == '<')) {
                held_.append(c);
            }
            continue;
        }
        if (framed && !held_.isEmpty()) {
            held_.append(c);
        }
        const QString line = QString::fromUtf8(held_).trimmed();
        const bool whole = !dropping_ && !line.isEmpty();
        held_.clear();
        dropping_ = false;
        if (whole) {
            lastLines_.append(line);
            if (lastLines_.size() > LinesKept) {
                lastLines_.removeFirst();
            }
            answers.push_back(framed ? ReadDccEx(line) : ReadWiThrottle(line));
        }
    }
    return answers;
}
