// The run timer: times a run by hand and hands the seconds to the main window, and beeps the pace of a table speed.
#pragma once

#include "ui/timer/TimerDevices.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

// Opened non-modally from the main window's File menu. Start (or Space) times a
// new run from 0.0; Stop shows it and hands its whole seconds to the main window.
// The pace beeper marks the table's run time for the chosen speed over the current
// track, run after run, until it is stopped.
class frmRunTimer : public QDialog {
    Q_OBJECT

public:
    // `handOver` receives the whole seconds of a run that the elapsed time can hold.
    frmRunTimer(QWidget* owner, std::function<void(int seconds)> handOver,
                std::unique_ptr<RunClock> clock = std::make_unique<SteadyClock>(),
                std::unique_ptr<SoundSink> sound = SystemSound());
    ~frmRunTimer() override;

    QLabel* lblFigure;
    QPushButton* cmdStartStop;
    QPushButton* cmdReset;
    QLabel* lblHandOver;
    QLabel* lblSpeed;
    QGroupBox* fraPace;
    QComboBox* cboSpeed;
    QPushButton* cmdPace;
    QLabel* lblCountdown;
    QLabel* lblSound;
    QTimer* tmrRefresh;  // the figure and the countdown, while either runs
    QTimer* tmrMark;     // the next pace mark, to the millisecond
    QTimer* tmrFlash;    // puts the figure back after a mark's flash

    bool Running() const { return running_; }
    bool Pacing() const { return pacing_; }

    // Brings figure and countdown up to the clock, and beeps a mark that has come.
    void Tick();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildTimer();
    void BuildPace();
    void StartStop();
    void Start();
    void Stop();
    void Reset();
    void StartStopPace();
    void StartPace();
    void StopPace();
    void Mark(PaceMark mark);
    void Flash(bool on);
    void ShowSpeed();
    void UpdateRefresh();

    std::function<void(int)> handOver_;
    std::unique_ptr<RunClock> clock_;
    std::unique_ptr<SoundSink> sound_;
    bool running_ = false;
    qint64 startMs_ = 0;
    qint64 lastTenths_ = -1;  // the last run, once stopped
    bool pacing_ = false;
    qint64 paceStartMs_ = 0;
    qint64 runMs_ = 0;
    qint64 marksBeeped_ = 0;
};
