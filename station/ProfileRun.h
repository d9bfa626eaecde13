// A speed profile under way: the command station drives the locomotive from step to step, the passes are taken, and it is stopped at the end or at any fault.
#pragma once

#include "core/MeasuredRun.h"
#include "station/ProfilePlan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class StationLink;

// Where a profile stands, as its window shows it.
struct ProfileProgress {
    int step = 0;         // the step now driven (0: none)
    bool reverse = false;
    int taken = 0;        // passes logged at this step
    int stepsDone = 0;    // of stepsInAll
    int stepsInAll = 0;
    int runsLogged = 0;
    double secondsLeft = -1.0;  // -1: not known yet
    QString doing;        // "Settling at step 20 forward"
};

// Made a child of the station's link, so that it goes with it. Passes come in through
// Take; each one logged leaves as Measured. Once ended it drives nothing more.
class ProfileRun : public QObject {
    Q_OBJECT

public:
    ProfileRun(StationLink& link, ProfilePlan plan);

    // Takes the locomotive and starts; the plan has been checked and confirmed.
    void Start();
    // A pass (or a rolling road's run) measured now.
    void Take(const MeasuredRun& run);
    // The user's Stop: speed 0 at once; pressed again, an emergency stop.
    void Stop();
    // Something outside went wrong (the trap was lost): emergency stop, and `why`.
    void Abort(const QString& why);

    bool Running() const { return phase_ != Phase::Ended; }
    // Stopped by the user, with speed 0: a second Stop gives an emergency stop.
    bool AwaitsSecondStop() const { return stopSent_; }
    const ProfileProgress& Progress() const { return progress_; }
    const ProfilePlan& Plan() const { return plan_; }

    // For tests: how long the locomotive stands still before it reverses.
    void SetStandSeconds(double seconds) { standSeconds_ = seconds; }

signals:
    // A pass to log, at `step` in `reverse`.
    void Measured(const MeasuredRun& run, int step, bool reverse);
    void Progressed();
    // The profile is over: done, stopped, or `why` it was stopped. `fault` where it was
    // a fault.
    void Ended(const QString& why, bool fault);

private:
    enum class Phase { Taking, WarmingUp, Settling, Measuring, Standing, Ended };
    void Acquired();
    void BeginStep();
    void NextStep();
    void Reverse();
    void NoPass();
    void End(const QString& why, bool fault);
    void Drive(int step);
    void Show();
    int PassesLeft() const;
    QString Where() const;

    StationLink& link_;
    const ProfilePlan plan_;
    Phase phase_ = Phase::Taking;
    std::vector<std::pair<int, bool>> order_;  // step, reverse
    size_t at_ = 0;
    double lastMmPerSecond_ = 0.0;
    double standSeconds_ = 0.0;
    qint64 lapMs_ = 0;
    QElapsedTimer sincePass_;
    QElapsedTimer sinceChange_;
    QTimer passTimer_;
    QTimer waitTimer_;
    ProfileProgress progress_;
    bool stopSent_ = false;
};
