// One timing device as the program holds it.
#include "devices/DeviceLink.h"

#include "devices/SerialPort.h"

#include <QLocale>

#include <cmath>
#include <numeric>

namespace {

// The Trackpace trap's clock ticks every 4 µs (micros() on a 16 MHz board).
const QString TrapResolution = QStringLiteral("±4 µs");

QString Millimetres(double mm)
{
    return QString::number(mm, 'f', mm == std::floor(mm) ? 0 : 1);
}

// The resolution of a pattern trap's number in its unit, as its story tells it.
QString UnitResolution(TimeUnit unit)
{
    return unit == TimeUnit::Seconds ? QStringLiteral("as the trap prints it, in s")
           : unit == TimeUnit::Milliseconds ? QStringLiteral("as the trap prints it, in ms")
                                            : QStringLiteral("as the trap prints it, in µs");
}

}  // namespace

QString PassSeconds(qint64 micros)
{
    return QStringLiteral("%1.%2 s").arg(micros / 1'000'000).arg(micros % 1'000'000, 6, 10, QLatin1Char('0'));
}

DeviceLink::DeviceLink(std::function<double()> scaleRatio, QObject* parent)
    : QObject(parent), scaleRatio_(std::move(scaleRatio)), port_(SerialPort::Create(this))
{
    connect(port_, &SerialPort::Received, this, &DeviceLink::Take);
    connect(port_, &SerialPort::Lost, this, &DeviceLink::OnLost);
    answerTimer_.setSingleShot(true);
    answerTimer_.setInterval(5000);
    connect(&answerTimer_, &QTimer::timeout, this, &DeviceLink::NoAnswer);
    lookTimer_.setInterval(1000);
    connect(&lookTimer_, &QTimer::timeout, this, &DeviceLink::LookForPort);
    clock_.start();
    state_ = QStringLiteral("Not connected.");
}

DeviceLink::~DeviceLink() = default;

void DeviceLink::SetTimes(int answerMilliseconds, int lookMilliseconds)
{
    answerTimer_.setInterval(answerMilliseconds);
    lookTimer_.setInterval(lookMilliseconds);
}

bool DeviceLink::Connect(const DeviceSetup& setup)
{
    Disconnect();
    setup_ = setup;
    if (setup_.port.trimmed().isEmpty()) {
        SetState(QStringLiteral("Choose or type the port the device is on."));
        return false;
    }
    if (setup_.kind == DeviceKind::PatternTrap) {
        if (const std::optional<QString> fault = PatternFault(setup_.choices.pattern)) {
            SetState(*fault);
            return false;
        }
        if (setup_.choices.spacingMm <= 0.0) {
            SetState(QStringLiteral("Type the spacing of the trap's sensors, in millimetres."));
            return false;
        }
    }
    wanted_ = Open();
    return wanted_;
}

bool DeviceLink::Open()
{
    reader_ = MakeReader(setup_.kind, setup_.choices);
    answered_ = false;
    runningSince_.reset();
    samples_.clear();
    measuringSince_ = -1;
    spacingMm_ = setup_.kind == DeviceKind::PatternTrap ? setup_.choices.spacingMm : 0.0;
    const int baud = FixedBaud(setup_.kind) != 0 ? FixedBaud(setup_.kind) : setup_.choices.baud;
    if (const std::optional<QString> failed = port_->Open(setup_.port, baud)) {
        SetState(*failed);
        return false;
    }
    lookTimer_.stop();
    if (setup_.kind == DeviceKind::TrackpaceTrap) {
        // Opening the port resets an Uno or a Nano; its start line then asks for the
        // spacing again, should this question come before it is listening.
        port_->Write(QByteArrayLiteral("SPACING?\r\n"));
    }
    answerTimer_.start();
    SetState(QStringLiteral("Connected to %1; waiting for the %2 to answer...")
                 .arg(setup_.port, IsRollingRoad(setup_.kind) ? QStringLiteral("speedometer") : QStringLiteral("trap")));
    return true;
}

void DeviceLink::Disconnect()
{
    wanted_ = false;
    answerTimer_.stop();
    lookTimer_.stop();
    if (port_->IsOpen()) {
        port_->Close();
        SetState(QStringLiteral("Not connected."));
    }
}

bool DeviceLink::Connected() const
{
    return port_->IsOpen();
}

QStringList DeviceLink::LastLines() const
{
    return reader_ ? reader_->LastLines() : QStringList();
}

std::optional<QString> DeviceLink::SetTrapSpacing(int millimetres)
{
    if (!port_->IsOpen() || setup_.kind != DeviceKind::TrackpaceTrap) {
        return QStringLiteral("Connect to a Trackpace trap first.");
    }
    if (millimetres < 1 || millimetres > 65535) {
        return QStringLiteral("The spacing is a whole number of millimetres from 1 to 65535.");
    }
    if (!port_->Write(QStringLiteral("SPACING %1\r\n").arg(millimetres).toLatin1())) {
        return QStringLiteral("The trap did not take the command.");
    }
    return std::nullopt;
}

void DeviceLink::Told(const QString& sentence)
{
    SetState(state_.section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n') + sentence);
}

void DeviceLink::SetState(const QString& state)
{
    state_ = state;
    emit StateChanged();
}

void DeviceLink::Take(const QByteArray& bytes)
{
    for (const DeviceReading& reading : reader_->Feed(bytes)) {
        Read(reading);
    }
    emit StateChanged();  // the last lines changed
}

void DeviceLink::Read(const DeviceReading& reading)
{
    using What = DeviceReading::What;
    if (reading.what != What::Problem) {
        answered_ = true;
        answerTimer_.stop();
    }
    switch (reading.what) {
        case What::Ready:
            port_->Write(QByteArrayLiteral("SPACING?\r\n"));
            SetState(QStringLiteral("Trap started (firmware %1); asking for its spacing...").arg(reading.text));
            break;
        case What::Spacing:
            spacingMm_ = reading.number;
            SetState(spacingMm_ > 0.0
                         ? QStringLiteral("Trap ready, %1 mm between sensors.").arg(Millimetres(spacingMm_))
                         : QStringLiteral("Trap ready, but its spacing is not set: measure between the sensors "
                                          "and set it here."));
            break;
        case What::Pass:
            OnPass(reading);
            break;
        case What::Speed:
            OnSpeed(reading.number);
            break;
        case What::ScaleSpeed:
            OnSpeed(reading.number / 3.6 * 1000.0 / std::max(scaleRatio_(), 1.0));
            break;
        case What::NoSpeed:
            if (runningSince_ || measuringSince_ < 0) {
                SetState(QStringLiteral("Speedometer ready: nothing running on its rollers."));
            }
            runningSince_.reset();
            samples_.clear();
            measuringSince_ = -1;
            break;
        case What::Note:
        case What::Problem:
            SetState(reading.text);
            break;
    }
}

void DeviceLink::OnPass(const DeviceReading& reading)
{
    const QString seconds = PassSeconds(reading.micros);
    if (spacingMm_ <= 0.0) {
        SetState(QStringLiteral("A pass of %1, not logged: the trap's spacing is not set.").arg(seconds));
        return;
    }
    if (reading.micros <= 0) {
        SetState(QStringLiteral("A pass of 0 µs is no pass: are both sensors wired apart?"));
        return;
    }
    const bool ours = setup_.kind == DeviceKind::TrackpaceTrap;
    SetState(QStringLiteral("Last pass%1: %2 over %3 mm.")
                 .arg(reading.text.isEmpty() ? QString() : QLatin1Char(' ') + reading.text, seconds,
                      Millimetres(spacingMm_)));
    emit Measured({spacingMm_, reading.micros, QStringLiteral("trap"),
                   ours ? TrapResolution : UnitResolution(setup_.choices.unit)});
}

void DeviceLink::OnSpeed(double mmPerSecond)
{
    const qint64 now = clock_.elapsed();
    if (!runningSince_) {
        runningSince_ = now;
    }
    const auto settle = static_cast<qint64>(setup_.settleSeconds * 1000.0);
    const auto measure = static_cast<qint64>(setup_.measureSeconds * 1000.0);
    if (measuringSince_ < 0) {
        if (now - *runningSince_ < settle) {
            SetState(QStringLiteral("Settling: %1 mm/s on the rollers.").arg(mmPerSecond, 0, 'f', 1));
            return;
        }
        measuringSince_ = now;
        samples_.clear();
    }
    samples_.push_back(mmPerSecond);
    if (now - measuringSince_ < measure) {
        SetState(QStringLiteral("Measuring: %1 mm/s, %2 readings.").arg(mmPerSecond, 0, 'f', 1).arg(samples_.size()));
        return;
    }
    const double count = static_cast<double>(samples_.size());
    const double mean = std::accumulate(samples_.begin(), samples_.end(), 0.0) / count;
    double squares = 0.0;
    for (const double sample : samples_) {
        squares += (sample - mean) * (sample - mean);
    }
    const double spread = count > 1 ? std::sqrt(squares / (count - 1)) : 0.0;
    const qint64 micros = (now - measuringSince_) * 1000;
    // The next run is measured straight after this one, at the same speed.
    measuringSince_ = -1;
    runningSince_ = now - settle;
    samples_.clear();
    SetState(QStringLiteral("Measured: %1 mm/s over %2 readings, spread ±%3 mm/s.")
                 .arg(mean, 0, 'f', 2)
                 .arg(count)
                 .arg(spread, 0, 'f', 2));
    emit Measured({mean * static_cast<double>(micros) / 1e6, micros, QStringLiteral("rolling road"),
                   QStringLiteral("spread ±%1 %").arg(mean > 0.0 ? 100.0 * spread / mean : 0.0, 0, 'f', 1)});
}

void DeviceLink::NoAnswer()
{
    if (answered_ || !port_->IsOpen()) {
        return;
    }
    SetState(QStringLiteral("Nothing readable has come from %1 yet: is it the right port and the kind of device "
                            "chosen, and is the device switched on?")
                 .arg(setup_.port));
}

void DeviceLink::OnLost(const QString& why)
{
    answerTimer_.stop();
    if (!wanted_) {
        return;
    }
    SetState(QStringLiteral("%1 Trackpace connects again when it returns.").arg(why));
    lookTimer_.start();
}

void DeviceLink::LookForPort()
{
    if (!wanted_ || !SerialPortPresent(setup_.port)) {
        return;
    }
    // There, but perhaps not ready to be opened yet (udev still setting its rights):
    // the timer looks again until it opens.
    Open();
}
