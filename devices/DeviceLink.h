// One timing device as the program holds it: its port, what it says read into runs, its state in a sentence, and its return after it was unplugged.
#pragma once

#include "core/MeasuredRun.h"
#include "devices/DeviceReaders.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SerialPort;

// What the user chose for the device, as the settings file keeps it.
struct DeviceSetup {
    DeviceKind kind = DeviceKind::TrackpaceTrap;
    QString port;
    DeviceChoices choices;
    double settleSeconds = 5.0;   // a rolling road's, after the speed changes
    double measureSeconds = 10.0;  // and the time it is averaged over
};

class DeviceLink : public QObject {
    Q_OBJECT

public:
    // `scaleRatio` gives the speed log's scale (87 for HO), for the rolling roads that
    // tell a scale speed.
    DeviceLink(std::function<double()> scaleRatio, QObject* parent = nullptr);
    ~DeviceLink() override;

    // Opens the port for `setup`; false where it could not (the state says why).
    bool Connect(const DeviceSetup& setup);
    void Disconnect();
    bool Connected() const;
    const DeviceSetup& Setup() const { return setup_; }
    // "Trap ready, 600 mm between sensors", the last pass, or what is wrong.
    const QString& State() const { return state_; }
    // The device's last lines, newest last.
    QStringList LastLines() const;
    // Sets the Trackpace trap's spacing (kept in the trap); the reason where it cannot.
    std::optional<QString> SetTrapSpacing(int millimetres);
    // Tells the state line what became of the last run (the log's answer).
    void Told(const QString& sentence);

    // For tests: how long the device has to answer, and how often a lost port is looked for.
    void SetTimes(int answerMilliseconds, int lookMilliseconds);

signals:
    void Measured(const MeasuredRun& run);
    void StateChanged();

private:
    void SetState(const QString& state);
    void Take(const QByteArray& bytes);
    void Read(const DeviceReading& reading);
    void OnPass(const DeviceReading& reading);
    void OnSpeed(double mmPerSecond);
    void OnLost(const QString& why);
    void LookForPort();
    void NoAnswer();
    bool Open();

    std::function<double()> scaleRatio_;
    SerialPort* port_ = nullptr;
    std::unique_ptr<DeviceReader> reader_;
    DeviceSetup setup_;
    QString state_;
    bool wanted_ = false;  // connected, or to be again when the port returns
    bool answered_ = false;
    double spacingMm_ = 0.0;
    QTimer answerTimer_;
    QTimer lookTimer_;
    // A rolling road's samples: since when the speed has been running, and those of the
    // measuring time.
    QElapsedTimer clock_;
    std::optional<qint64> runningSince_;  // ms on clock_
    std::vector<double> samples_;         // mm/s
    qint64 measuringSince_ = -1;
};

// "1.234568 s": a pass's seconds, to the microsecond.
QString PassSeconds(qint64 micros);
