// One command station as the program holds it: the connection, its heartbeat, the one locomotive it drives for Trackpace, and that locomotive stopped whenever something goes wrong.
#include "station/StationLink.h"

#include "devices/SerialPort.h"

#include <QCoreApplication>
#include <QTcpSocket>

#include <algorithm>

namespace {

constexpr int DccExBaud = 115200;
// How long a value sent may still come back in the station's reports.
constexpr qint64 InFlightMilliseconds = 2000;

}  // namespace

StationLink::StationLink(QObject* parent) : QObject(parent)
{
    clock_.start();
    connect(&heartbeatTimer_, &QTimer::timeout, this, [this] { Send(WiHeartbeat()); });
    answerTimer_.setSingleShot(true);
    answerTimer_.setInterval(10000);
    connect(&answerTimer_, &QTimer::timeout, this, &StationLink::NoAnswer);
    state_ = QStringLiteral("No command station connected.");
}

StationLink::~StationLink()
{
    // Going, it tells nobody: those who listen may be going too.
    blockSignals(true);
    if (driving_ && Connected()) {
        EmergencyStop();
        LetGo();
    }
    Disconnect();
}

QString StationLink::Where() const
{
    return Network() ? QStringLiteral("%1:%2").arg(setup_.host).arg(setup_.port) : setup_.serialPort;
}

bool StationLink::Connect(const StationSetup& setup)
{
    Disconnect();
    setup_ = setup;
    reader_ = std::make_unique<StationReader>(setup.kind);
    if (!Network()) {
        serial_ = SerialPort::Create(this);
        connect(serial_, &SerialPort::Received, this, qOverload<const QByteArray&>(&StationLink::Take));
        connect(serial_, &SerialPort::Lost, this, &StationLink::OnGone);
        if (const std::optional<QString> fault = serial_->Open(setup.serialPort, DccExBaud)) {
            delete serial_;
            serial_ = nullptr;
            SetState(*fault);
            return false;
        }
        OnConnected();
        return true;
    }
    if (setup.host.trimmed().isEmpty() || setup.port < 1 || setup.port > 65535) {
        SetState(QStringLiteral("Type the station's host name or address and a port from 1 to 65535."));
        return false;
    }
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, &StationLink::OnConnected);
    connect(socket_, &QTcpSocket::readyRead, this, [this] { Take(socket_->readAll()); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] { OnGone(socket_->errorString()); });
    socket_->connectToHost(setup.host.trimmed(), static_cast<quint16>(setup.port));
    answerTimer_.start();
    SetState(QStringLiteral("Connecting to %1 (%2)...").arg(Where(), StationKindName(setup.kind)));
    return true;
}

void StationLink::OnConnected()
{
    answerTimer_.start();
    reached_ = true;
    if (setup_.kind == StationKind::WiThrottle) {
        Send(WiName(QStringLiteral("Trackpace")));
        Send(WiId(QStringLiteral("trackpace-%1").arg(QCoreApplication::applicationPid())));
        Send(WiHeartbeatOn());
        SetState(QStringLiteral("Connected to %1 (WiThrottle); waiting for its heartbeat period...").arg(Where()));
    } else {
        // DCC-EX tells its version to <s>; a board on USB starts again as the port opens,
        // so the question is put again until it answers.
        Send(QByteArrayLiteral("<s>"));
        QTimer::singleShot(3000, this, [this] {
            if (!ready_) {
                Send(QByteArrayLiteral("<s>"));
            }
        });
        SetState(QStringLiteral("Connected to %1; waiting for DCC-EX to answer...").arg(Where()));
    }
}

void StationLink::NoAnswer()
{
    if (!ready_) {
        Failed(Network() ? QStringLiteral("%1 did not answer as a %2 within %3 s: is it the station's address and port?")
                               .arg(Where(), StationKindName(setup_.kind))
                               .arg(answerTimer_.interval() / 1000.0)
                         : QStringLiteral("%1 did not answer as DCC-EX within %2 s: is it the station's port?")
                               .arg(Where())
                               .arg(answerTimer_.interval() / 1000.0));
        return;
    }
    if (acquiring_) {
        acquiring_ = false;
        emit Fault(QStringLiteral("The station did not hand locomotive %1 over.").arg(AddressText(locomotive_)));
    }
}

void StationLink::Failed(const QString& why)
{
    Disconnect();
    SetState(why);
}

void StationLink::Disconnect()
{
    answerTimer_.stop();
    heartbeatTimer_.stop();
    const bool wasDriving = driving_ && Connected();
    if (wasDriving) {
        LetGo();
    }
    if (socket_ != nullptr) {
        if (setup_.kind == StationKind::WiThrottle && socket_->state() == QAbstractSocket::ConnectedState) {
            Send(WiQuit());
        }
        socket_->disconnect(this);
        socket_->flush();
        socket_->waitForBytesWritten(500);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    if (serial_ != nullptr) {
        serial_->disconnect(this);
        serial_->Close();
        serial_->deleteLater();
        serial_ = nullptr;
    }
    driving_ = false;
    acquiring_ = false;
    ready_ = false;
    reached_ = false;
    heartbeat_ = 0;
    SetState(QStringLiteral("No command station connected."));
    if (wasDriving) {
        emit Lost(QStringLiteral("The command station was disconnected: locomotive %1 was stopped and let go first.")
                      .arg(AddressText(locomotive_)));
    }
}

bool StationLink::Connected() const
{
    return (socket_ != nullptr && socket_->state() == QAbstractSocket::ConnectedState) ||
           (serial_ != nullptr && serial_->IsOpen());
}

QStringList StationLink::LastLines() const
{
    return reader_ ? reader_->LastLines() : QStringList();
}

void StationLink::Send(const QByteArray& bytes)
{
    if (socket_ != nullptr && socket_->state() == QAbstractSocket::ConnectedState) {
        socket_->write(bytes);
        socket_->flush();
    } else if (serial_ != nullptr && serial_->IsOpen()) {
        serial_->Write(bytes);
    }
}

void StationLink::Take(const QByteArray& bytes)
{
    for (const StationAnswer& answer : reader_->Feed(bytes)) {
        Read(answer);
    }
}

void StationLink::Read(const StationAnswer& answer)
{
    using What = StationAnswer::What;
    if (!ready_ && setup_.kind != StationKind::WiThrottle) {
        ready_ = true;
        answerTimer_.stop();
        SetState(QStringLiteral("Connected to DCC-EX at %1 (no heartbeat: should the connection go, the "
                                "locomotive runs on)").arg(Where()));
    }
    switch (answer.what) {
        case What::Heartbeat:
            heartbeat_ = answer.number;
            if (heartbeat_ > 0) {
                heartbeatTimer_.start(heartbeat_ * 1000 / 2);
            }
            if (!ready_) {
                ready_ = true;
                answerTimer_.stop();
            }
            SetState(QStringLiteral("Connected to %1 (WiThrottle), heartbeat %2 s").arg(Where()).arg(heartbeat_));
            break;
        case What::Acquired:
            if (acquiring_ && answer.text == WiKey(locomotive_)) {
                acquiring_ = false;
                driving_ = true;
                answerTimer_.stop();
                emit Acquired();
            }
            break;
        case What::InUse:
            if (acquiring_) {
                acquiring_ = false;
                answerTimer_.stop();
                emit Fault(QStringLiteral("Locomotive %1 is held by another throttle: let it go there first.")
                               .arg(AddressText(locomotive_)));
            }
            break;
        case What::Speed:
            ReadSpeed(answer);
            break;
        case What::Alert:
            SetState(QStringLiteral("%1 says: %2").arg(Where(), answer.text));
            break;
        case What::Power:
        case What::Other:
            break;
    }
}

void StationLink::ReadSpeed(const StationAnswer& answer)
{
    if (!driving_ || answer.cab != locomotive_.address) {
        return;
    }
    while (!sent_.empty() && clock_.elapsed() - sent_.front().second > InFlightMilliseconds) {
        sent_.pop_front();
    }
    // One step of 28 spans four or five values, which a station may round its own way.
    const int slack = 5;
    const auto ours = [&](int value) { return value == -1 ? answer.number == -1 : std::abs(answer.number - value) <= slack && answer.number >= 0; };
    const bool known = ours(value_) || std::any_of(sent_.begin(), sent_.end(), [&](const auto& sent) { return ours(sent.first); });
    if (known) {
        return;
    }
    const QString told = answer.number < 0 ? QStringLiteral("stopped it itself (an emergency stop)")
                                           : QStringLiteral("reports it at throttle %1, not %2").arg(answer.number).arg(value_);
    EmergencyStop();
    emit Fault(QStringLiteral("The station %1: is another throttle driving locomotive %2?").arg(told, AddressText(locomotive_)));
}

void StationLink::Take(const Locomotive& locomotive, int ceiling)
{
    locomotive_ = locomotive;
    ceiling_ = std::clamp(ceiling, 0, 126);
    value_ = 0;
    forward_ = true;
    sent_.clear();
    // A station tells the locomotive's speed as it hands it over, perhaps after the
    // first value is already on its way.
    sent_.emplace_back(0, clock_.elapsed());
    if (setup_.kind == StationKind::WiThrottle) {
        acquiring_ = true;
        Send(WiAcquire(locomotive));
        answerTimer_.start();
        return;
    }
    driving_ = true;
    emit Acquired();
}

bool StationLink::Drive(int value, bool forward)
{
    if (!driving_) {
        return false;
    }
    // Never above the ceiling, and never a change of direction at speed.
    if (value > ceiling_ || value < 0 || (forward != forward_ && value_ > 0)) {
        EmergencyStop();
        return false;
    }
    value_ = value;
    sent_.emplace_back(value, clock_.elapsed());
    if (setup_.kind == StationKind::WiThrottle) {
        if (forward != forward_) {
            Send(WiDirection(forward));
        }
        Send(WiSpeed(value));
    } else {
        Send(ExSpeed(locomotive_.address, value, forward));
    }
    forward_ = forward;
    return true;
}

void StationLink::Stop()
{
    Drive(0, forward_);
}

void StationLink::EmergencyStop()
{
    value_ = -1;
    sent_.emplace_back(-1, clock_.elapsed());
    if (setup_.kind == StationKind::WiThrottle) {
        Send(WiEmergencyStop());
    } else {
        Send(ExEmergencyStop(locomotive_.address));
    }
}

void StationLink::LetGo()
{
    if (!driving_) {
        return;
    }
    if (value_ != -1) {
        Stop();
    }
    if (setup_.kind == StationKind::WiThrottle) {
        Send(WiRelease());
    }
    driving_ = false;
}

void StationLink::Power(bool on)
{
    Send(setup_.kind == StationKind::WiThrottle ? WiPower(on) : ExPower(on));
}

std::optional<QString> StationLink::WriteCv(int address, int cv, int value)
{
    if (!ready_) {
        return QStringLiteral("No command station connected.");
    }
    if (!WritesCvs()) {
        return QStringLiteral("WiThrottle cannot write CVs: write them by hand, or connect the station as DCC-EX.");
    }
    if (cv < 1 || cv > 1024 || value < 0 || value > 255) {
        return QStringLiteral("CV%1 cannot take %2.").arg(cv).arg(value);
    }
    if (driving_ && value_ != 0) {
        return QStringLiteral("The locomotive is moving: CVs are written with it standing.");
    }
    Send(ExWriteCv(address, cv, value));
    return std::nullopt;
}

void StationLink::OnGone(const QString& why)
{
    const bool wasDriving = driving_;
    const QString where = Where();
    const bool heartbeat = heartbeat_ > 0;
    const int period = heartbeat_;
    const bool reached = reached_;
    driving_ = false;
    Failed(QString());
    if (!reached) {
        SetState(QStringLiteral("Could not connect to %1: %2.").arg(where, why));
        emit Lost(state_);
        return;
    }
    QString told = QStringLiteral("The connection to %1 was lost (%2).").arg(where, why);
    if (wasDriving) {
        told += heartbeat ? QStringLiteral(" The station's heartbeat stops locomotive %1 within %2 s; Trackpace "
                                           "does not start it again.")
                                .arg(AddressText(locomotive_))
                                .arg(period)
                          : QStringLiteral(" DCC-EX keeps locomotive %1 running: stop it at the station now.")
                                .arg(AddressText(locomotive_));
    }
    SetState(told);
    emit Lost(told);
}

void StationLink::SetState(const QString& state)
{
    if (state.isEmpty() || state == state_) {
        return;
    }
    state_ = state;
    emit StateChanged();
}
