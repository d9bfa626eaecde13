// One command station as the program holds it: the connection, its heartbeat, the one locomotive it drives for Trackpace, and that locomotive stopped whenever something goes wrong.
#pragma once

#include "station/StationProtocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>
#include <optional>

class QTcpSocket;
class SerialPort;

// What the user chose for the station, as the settings file keeps it.
struct StationSetup {
    StationKind kind = StationKind::WiThrottle;
    QString host = QStringLiteral("127.0.0.1");
    int port = 12090;
    QString serialPort;  // DCC-EX on a serial port
};

class StationLink : public QObject {
    Q_OBJECT

public:
    explicit StationLink(QObject* parent = nullptr);
    // A locomotive still driven is stopped (emergency stop) and let go first.
    ~StationLink() override;

    // Starts to connect to `setup`; false where it cannot even start (the state says why).
    bool Connect(const StationSetup& setup);
    // Stops and lets go of the locomotive driven, then closes the connection.
    void Disconnect();
    bool Connected() const;
    // Connected and answered: a locomotive may be driven.
    bool Ready() const { return ready_; }
    const StationSetup& Setup() const { return setup_; }
    // "Connected to 127.0.0.1:12090 (WiThrottle), heartbeat 10 s", or what is wrong.
    const QString& State() const { return state_; }
    QStringList LastLines() const;

    // Takes `locomotive` to drive, never above the throttle value `ceiling`: Acquired
    // follows, or Fault.
    void Take(const Locomotive& locomotive, int ceiling);
    // Sets the locomotive's throttle value and direction; false (and an emergency stop)
    // for a value above the ceiling.
    bool Drive(int value, bool forward);
    // Speed 0, the decoder's momentum kept.
    void Stop();
    // Stops at once, momentum ignored.
    void EmergencyStop();
    // Speed 0, and the locomotive given back to the station.
    void LetGo();
    void Power(bool on);
    // Whether the station writes CVs on the main track (DCC-EX does, WiThrottle cannot).
    bool WritesCvs() const { return setup_.kind != StationKind::WiThrottle; }
    // Writes `value` into CV `cv` of the decoder at `address` on the main track, with the
    // locomotive standing; why not, where it cannot.
    std::optional<QString> WriteCv(int address, int cv, int value);
    // The value last sent (-1 after an emergency stop), and whether one is driven.
    int Value() const { return value_; }
    bool Driving() const { return driving_; }

    // For tests: how long the station has to answer.
    void SetAnswerTime(int milliseconds) { answerTimer_.setInterval(milliseconds); }

signals:
    void StateChanged();
    void Acquired();
    // The station said what it should not (another throttle drove the locomotive, it
    // refused it): the locomotive was stopped.
    void Fault(const QString& why);
    // The connection went: `why`, and what the station does about a locomotive driven.
    void Lost(const QString& why);

private:
    void Send(const QByteArray& bytes);
    void Take(const QByteArray& bytes);
    void Read(const StationAnswer& answer);
    void ReadSpeed(const StationAnswer& answer);
    void OnConnected();
    void OnGone(const QString& why);
    void NoAnswer();
    void SetState(const QString& state);
    void Failed(const QString& why);
    QString Where() const;
    bool Network() const { return setup_.kind != StationKind::DccExSerial; }

    StationSetup setup_;
    QTcpSocket* socket_ = nullptr;
    SerialPort* serial_ = nullptr;
    std::unique_ptr<StationReader> reader_;
    QString state_;
    bool ready_ = false;
    bool reached_ = false;  // connected at all, before it answered
    int heartbeat_ = 0;  // seconds; 0 where the station keeps none
    QTimer heartbeatTimer_;
    QTimer answerTimer_;
    Locomotive locomotive_;
    bool driving_ = false;
    bool acquiring_ = false;
    int ceiling_ = 0;
    int value_ = 0;
    bool forward_ = true;
    // The values sent in the last seconds, which the station may still report.
    std::deque<std::pair<int, qint64>> sent_;
    QElapsedTimer clock_;
};
