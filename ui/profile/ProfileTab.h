// The speed log's Profile tab: a locomotive's speed profile set up, confirmed, run through the command station and the trap, and stopped.
#pragma once

#include "core/MeasuredRun.h"
#include "station/ProfilePlan.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <functional>

class DeviceLink;
class ProfileCurve;
class ProfileRun;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class StationLink;

// Made by the program and handed to the speed log's window as one of its tabs. Its
// controls carry their names (spnAddress, cmdStart, cmdStop …) as object names.
class ProfileTab : public QWidget {
    Q_OBJECT

public:
    struct Links {
        std::function<StationLink&()> station;
        std::function<DeviceLink&()> device;
        // Keeps a pass of a locomotive at a step and direction in the log.
        std::function<LogAnswer(const MeasuredRun&, const QString& locomotive, int step, bool reverse)> record;
        // The locomotive chosen in the log, and the log's scale for devices.
        std::function<QString()> locomotive;
        std::function<double()> scaleRatio;
    };
    explicit ProfileTab(Links links, QWidget* parent = nullptr);
    ~ProfileTab() override;

    // Replaceable for tests: asks the user to confirm `text` before the first movement.
    std::function<bool(const QString& text)> Confirm;

    // The plan as the controls show it; nothing, with the reason, where they do not
    // make one.
    std::optional<ProfilePlan> Plan(QString& whyNot) const;
    bool Running() const;
    // Whether the passes are the profile's: while it runs, after Stop until the second
    // Stop, and for a while after its end (a locomotive still rolling is no run at the
    // step the log shows).
    bool HoldsPasses() const;
    // A pass from the device while the profile holds them; the sentence the Devices
    // window shows.
    QString Take(const MeasuredRun& run);
    void Start();
    void Stop();
    // The timing the user set here (passes, settling, the longest pass), for a plan made
    // elsewhere.
    ProfilePlan Timing() const;
    // Runs `plan` as Start does, its passes logged under `locomotive`, once the user
    // confirms `before` and the usual warning, and `first` (where given) has done what
    // comes before any movement; false where it did not start (Finished says why).
    bool Run(const ProfilePlan& plan, const QString& locomotive, const QString& before,
             const std::function<std::optional<QString>()>& first = {});

signals:
    // A pass logged, in scale mph.
    void Passed(int step, bool reverse, double mph);
    // The run is over: done, stopped, refused or not started, and why.
    void Finished(const QString& why, bool fault);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void ShowPlan();
    void ShowProgress();
    void Ended(const QString& why, bool fault);
    void Logged(const MeasuredRun& run, int step, bool reverse);
    void DeviceChanged();
    void SetRunning(bool running);
    bool StillRolling() const;

    Links links_;
    QPointer<ProfileRun> run_;
    QString locomotive_;  // the log's name for it, as the profile started
    bool watching_ = false;
    QElapsedTimer sinceEnd_;  // since the profile ended; invalid while one runs

    QSpinBox* spnAddress = nullptr;
    QCheckBox* chkLongAddress = nullptr;
    QComboBox* cboStepMode = nullptr;
    QRadioButton* optEvery = nullptr;
    QSpinBox* spnEvery = nullptr;
    QRadioButton* optList = nullptr;
    QLineEdit* txtSteps = nullptr;
    QCheckBox* chkForward = nullptr;
    QCheckBox* chkReverse = nullptr;
    QSpinBox* spnPasses = nullptr;
    QDoubleSpinBox* spnWarmUp = nullptr;
    QDoubleSpinBox* spnSettle = nullptr;
    QSpinBox* spnHighest = nullptr;
    QDoubleSpinBox* spnLongest = nullptr;
    QCheckBox* chkFromLoop = nullptr;
    QDoubleSpinBox* spnLoop = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* cmdStop = nullptr;
    QLabel* lblPlan = nullptr;
    QLabel* lblProgress = nullptr;
    QLabel* lblProfileState = nullptr;
    ProfileCurve* curve_ = nullptr;
};
