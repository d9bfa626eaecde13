// The main window: scale, distance and task choices, the length and time entries.
#pragma once

#include "ui/ScaleGroup.h"
#include "ui/decoder/DecoderTab.h"
#include "ui/profile/ProfileTab.h"
#include "ui/log/SpeedLogLink.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;
class frmDevices;
class frmRunTimer;

// Created hidden by start-up, which selects the saved defaults through the hand-over
// operations, then shown. Every handler recomputes from the user's entries and the
// shared values of General; the result labels are only ever written. Its controls
// carry their control names (txtLength, udTime, optScale1 …) as object names.
class frmHome : public QMainWindow {
    Q_OBJECT

public:
    explicit frmHome(QWidget* parent = nullptr);
    ~frmHome() override;

    // The settings hand-over: each acts like the user's own choice.
    void SelectScale(int index);
    void SelectStraight();
    void SelectCircle();
    void SetLength(int inches);

    // The run timer window, created on first use and kept while this window lives.
    frmRunTimer* RunTimer();
    // The speed log, loaded on first use (null, with a message, where it cannot be).
    SpeedLogLink* SpeedLog();
    // The Devices window, created on first use; the device stays connected while it
    // is closed, and is let go when this window goes.
    frmDevices* Devices();
    // Connects the device and the command station that were connected as Trackpace
    // last ended, if any.
    void ReconnectDevice();
    // The speed log's Profile tab (null while the log has not been opened).
    ProfileTab* Profile() const { return profile_; }
    // The speed log's Decoder tab (null while the log has not been opened).
    DecoderTab* Decoder() const { return decoder_; }

protected:
    bool event(QEvent* event) override;
    // However the window closes, the speed log may first keep runs it holds in memory.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildScaleFrame(QWidget* client);
    void BuildDistanceFrame(QWidget* client);
    void BuildTaskFrame(QWidget* client);
    void Load();

    void ScaleChoice(int index);
    void StraightChoice();
    void CircleChoice();
    void LengthChange();
    void CalcScaleDistance();
    void CalcScaleSpeed();
    void SetTimeControlsEnabled(bool enabled);
    void Create();
    void Exit();
    void Preferences();
    void About();
    void ShowRunTimer();
    void ShowSpeedLog();
    void ShowDevices();
    // A device's run: to the speed log, and shown in the run timer if it is open.
    QString TakeMeasuredRun(const MeasuredRun& run);
    // The scale of the devices' runs: the log's choice, the main window's while it is closed.
    double DeviceRatio() const;
    // Sizes and places `window` within the screen, clear of this window and the other
    // windows shown, at `wanted` or down to `least` where room is short.
    void PlaceClear(QWidget& window, const QSize& wanted, const QSize& least);
    // Shows `window` in front, with the focus.
    static void Raise(QWidget& window);
    // The main window's frame around its client area (the window manager's border),
    // the same frame assumed around the windows placed beside it.
    QMargins FrameMargins() const;
    // Runs stopped in the run timer go to the speed log.
    void LogTimedRuns();
    // The Profile tab, among the speed log's.
    void AddProfile();
    TrackNow TrackShown() const;
    // A run timed in the run timer window becomes the elapsed time of Check Speed.
    void TakeElapsedTime(int seconds);
    void RunModal(QDialog& dialog);
    void SetConfigTexts(const QString& caption, const QString& tooltipStart);

    ScaleButtons optScale{};
    ConfigurationButtons configuration_{};
    QLabel* lblLengthOpt = nullptr;
    QLineEdit* txtLength = nullptr;
    UpDown* udLength = nullptr;
    QLabel* lblScaleDist = nullptr;
    class QRadioButton* optTvsS = nullptr;
    class QRadioButton* optChkSpd = nullptr;
    QPushButton* cmdCreate = nullptr;
    // lblET, lblTime, udTime, lblYourSpeed and lblSpeed, in the order the task
    // choices enable and disable them.
    std::array<QWidget*, 5> timeControls_{};
    QLabel* lblTime = nullptr;
    UpDown* udTime = nullptr;
    QLabel* lblSpeed = nullptr;
    QLabel* lblVersion = nullptr;

    // The run length in inches last computed (a circle's circumference), and the last
    // computed speed in whole mph.
    float RunLength = 0.0F;
    qint16 ScaleSpeed = 0;

    std::unique_ptr<frmRunTimer> timer_;
    std::unique_ptr<SpeedLogHost> logHost_;
    std::unique_ptr<SpeedLogLink> log_;  // goes before its host
    std::unique_ptr<frmDevices> devices_;  // goes first: nothing more reaches the log
    QPointer<ProfileTab> profile_;  // the log's window owns it
    QPointer<DecoderTab> decoder_;  // likewise
    bool timerPlaced_ = false;
    bool devicesPlaced_ = false;
};
