// The run timer: times a run by hand and hands the seconds to the main window, and beeps the pace of a table speed.
#pragma once

#include "core/MeasuredRun.h"
#include "ui/timer/TimerDevices.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// Opened non-modally from the main window's File menu, as a window of its own that
// the main window's dialogs do not block. Start (or Space) times a new run from 0.0;
// Stop shows it and hands its whole seconds to the main window. The pace beeper
// marks the table's run time for the chosen speed over the current track, run after
// run, until it is stopped. Closing the window in any way stops both. Its controls
// carry their names (lblFigure, cmdStartStop, tmrMark …) as object names.
class frmRunTimer : public QDialog {
    Q_OBJECT

public:
    // `handOver` receives the whole seconds of a run that the elapsed time can hold.
    explicit frmRunTimer(std::function<void(int seconds)> handOver,
                         std::unique_ptr<RunClock> clock = std::make_unique<SteadyClock>(),
                         std::unique_ptr<SoundSink> sound = SystemSound());
    ~frmRunTimer() override;

    // Replaces the clock and the sound output (tests use their own).
    void UseDevices(std::unique_ptr<RunClock> clock, std::unique_ptr<SoundSink> sound);

    // The main window's elapsed time, its speed text and the shared scale distance
    // changed: the notes follow, and a pace takes the new run time at its next mark.
    void MainWindowChanged(int seconds, const QString& speedText);

    // A stopped run of half a second or more also goes to `log` (the speed log), to
    // the millisecond; the sentence it returns shows under the hand-over note.
    void SetRunLog(std::function<QString(qint64 milliseconds)> log);
    // A run a device timed by itself: shown as a run timed here, told with the device's
    // resolution; its whole seconds go to the main window only where `overTrack` (the
    // device measured over the main window's own track). `logged` is the log's answer.
    // A run being timed by hand goes on; the device's run is then told only as logged.
    void ShowMeasured(const MeasuredRun& run, const QString& speed, bool overTrack, const QString& logged);
    // What Ctrl+L does here: opens the speed log, as it does in the main window.
    void SetShowSpeedLog(std::function<void()> show) { showLog_ = std::move(show); }

    bool Running() const { return running_; }
    bool Pacing() const { return pacing_; }

    // Brings figure and countdown up to the clock, and beeps a mark that has come.
    void Tick();

public slots:
    // Esc, the close box and the window manager all end here.
    void reject() override;

protected:
    // Notes when each input event happened, so that Start and Stop count from the
    // press itself, however late a busy program handles it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTimer();
    void BuildPace();
    void StartStop();
    void Start();
    void Stop();
    void Reset();
    void StartStopPace();
    void StartPace();
    void StopPace(const QString& why);
    void Mark(PaceMark mark);
    void Flash(bool on);
    void ShowSpeed();
    // Forgets the last run: the figure at 0.0, its notes gone.
    void ClearRun();
    void ShowSoundNote();
    void UpdateRefresh();
    // The pace run time of the chosen speed over the main window's track, or why
    // there is none to pace.
    std::optional<qint64> PaceRunMs(QString& whyNot) const;

    // The stopwatch.
    QLabel* lblFigure = nullptr;
    QPushButton* cmdStartStop = nullptr;
    QPushButton* cmdReset = nullptr;
    QLabel* lblHandOver = nullptr;
    QLabel* lblSpeed = nullptr;
    QLabel* lblLog = nullptr;  // shown once the speed log is open
    QTimer tmrRefresh{this};  // the figure and the countdown, while either runs
    // The pace beeper.
    QGroupBox* fraPace = nullptr;
    QComboBox* cboSpeed = nullptr;
    QPushButton* cmdPace = nullptr;
    QLabel* lblCountdown = nullptr;
    QLabel* lblSound = nullptr;
    QTimer tmrMark{this};   // the next pace mark, to the millisecond
    QTimer tmrFlash{this};  // puts the figure back after a mark's flash

    // The moment the press being handled now happened, on the clock.
    qint64 PressedAt() const;

    std::optional<qint64> pressedAt_;  // while a Start/Stop press is handled
    std::function<void(int)> handOver_;
    std::function<QString(qint64)> runLog_;
    std::function<void()> showLog_;
    std::unique_ptr<RunClock> clock_;
    std::unique_ptr<SoundSink> sound_;
    bool running_ = false;
    qint64 startMs_ = 0;
    qint64 lastTenths_ = -1;  // the last run, once stopped
    QString measuredSpeed_;   // the last run's speed, where a device timed it
    std::optional<int> handedSeconds_;  // what the last run gave the main window
    bool pacing_ = false;
    qint64 nextMarkMs_ = 0;  // on the clock
    qint64 runMs_ = 0;       // the run time up to the next mark
    qint64 nextRunMs_ = 0;   // the run time from the next mark on
    qint64 marksBeeped_ = 0;
    bool showsWhyNot_ = false;  // the countdown line says why there is nothing to pace
};
