// A speed profile under way: the command station drives the locomotive from step to step, the passes are taken, and it is stopped at the end or at any fault.
#include "station/ProfileRun.h"

#include "station/StationLink.h"

#include <cmath>

namespace {

QString DirectionWord(bool reverse)
{
    return reverse ? QStringLiteral("reverse") : QStringLiteral("forward");
}

int Ms(double seconds)
{
    return static_cast<int>(std::lround(seconds * 1000.0));
}

}  // namespace

ProfileRun::ProfileRun(StationLink& link, ProfilePlan plan)
    : QObject(&link), link_(link), plan_(std::move(plan)), standSeconds_(std::max(2.0, plan_.settleSeconds))
{
    for (const bool reverse : {false, true}) {
        if (reverse ? plan_.reverse : plan_.forward) {
            for (const int step : plan_.steps) {
                order_.emplace_back(step, reverse);
            }
        }
    }
    progress_.stepsInAll = static_cast<int>(order_.size());
    passTimer_.setSingleShot(true);
    waitTimer_.setSingleShot(true);
    connect(&passTimer_, &QTimer::timeout, this, &ProfileRun::NoPass);
}

void ProfileRun::Start()
{
    connect(&link_, &StationLink::Acquired, this, &ProfileRun::Acquired);
    connect(&link_, &StationLink::Fault, this, &ProfileRun::Abort);
    connect(&link_, &StationLink::Lost, this, [this](const QString& why) { End(why, true); });
    phase_ = Phase::Taking;
    progress_.doing = QStringLiteral("Taking locomotive %1 from the station...").arg(AddressText(plan_.locomotive));
    emit Progressed();
    if (!link_.Ready()) {
        End(QStringLiteral("No command station is ready: connect one in the Devices window."), true);
        return;
    }
    link_.Take(plan_.locomotive, ThrottleValue(plan_.highestStep, plan_.stepMode));
}

void ProfileRun::Acquired()
{
    if (phase_ != Phase::Taking) {
        return;
    }
    if (plan_.warmUpMinutes <= 0.0) {
        BeginStep();
        return;
    }
    phase_ = Phase::WarmingUp;
    const int step = WarmUpStep(plan_);
    Drive(step);
    progress_.step = step;
    progress_.doing = QStringLiteral("Warming up at step %1 for %2 min").arg(step).arg(plan_.warmUpMinutes);
    passTimer_.start(Ms(plan_.longestPassSeconds));
    sincePass_.invalidate();
    connect(&waitTimer_, &QTimer::timeout, this, &ProfileRun::BeginStep, Qt::SingleShotConnection);
    waitTimer_.start(Ms(plan_.warmUpMinutes * 60.0));
    Show();
}

void ProfileRun::Drive(int step)
{
    const bool reverse = phase_ == Phase::WarmingUp ? !plan_.forward : order_[at_].second;
    // The station's link refuses anything above the highest step, with an emergency stop.
    if (step > plan_.highestStep || !link_.Drive(ThrottleValue(step, plan_.stepMode), !reverse)) {
        Abort(QStringLiteral("Step %1 was refused: it is above the highest step allowed (%2), or a change of "
                             "direction at speed.")
                  .arg(step)
                  .arg(plan_.highestStep));
    }
}

void ProfileRun::BeginStep()
{
    const auto [step, reverse] = order_[at_];
    const bool firstOfDirection = at_ == 0 || order_[at_ - 1].second != reverse;
    phase_ = Phase::Settling;
    progress_.step = step;
    progress_.reverse = reverse;
    progress_.taken = 0;
    Drive(step);
    if (phase_ == Phase::Ended) {
        return;
    }
    sinceChange_.restart();
    const double longest = firstOfDirection ? plan_.longestPassSeconds : LongestPassAfter(plan_, lastMmPerSecond_);
    passTimer_.start(Ms(plan_.settleSeconds + longest));
    progress_.doing = QStringLiteral("Settling at step %1 %2").arg(step).arg(DirectionWord(reverse));
    Show();
}

void ProfileRun::Take(const MeasuredRun& run)
{
    if (phase_ != Phase::WarmingUp && phase_ != Phase::Settling && phase_ != Phase::Measuring) {
        return;
    }
    if (sincePass_.isValid()) {
        lapMs_ = sincePass_.elapsed();
    }
    sincePass_.restart();
    const double mmPerSecond = run.microseconds > 0 ? run.millimetres * 1e6 / static_cast<double>(run.microseconds) : 0.0;
    passTimer_.start(Ms(phase_ == Phase::WarmingUp ? plan_.longestPassSeconds : LongestPassAfter(plan_, mmPerSecond)));
    if (phase_ == Phase::WarmingUp) {
        return;
    }
    if (phase_ == Phase::Settling) {
        // Passes in the settling time do not count, nor the first after it: it may have
        // begun while the speed still changed.
        if (sinceChange_.elapsed() >= Ms(plan_.settleSeconds)) {
            phase_ = Phase::Measuring;
            progress_.doing = QStringLiteral("Measuring step %1 %2").arg(progress_.step).arg(DirectionWord(progress_.reverse));
            Show();
        }
        return;
    }
    lastMmPerSecond_ = mmPerSecond;
    ++progress_.taken;
    ++progress_.runsLogged;
    emit Measured(run, progress_.step, progress_.reverse);
    if (phase_ == Phase::Ended) {
        return;  // the log did not take it
    }
    if (progress_.taken >= plan_.passes) {
        NextStep();
    } else {
        Show();
    }
}

void ProfileRun::NextStep()
{
    ++at_;
    progress_.stepsDone = static_cast<int>(at_);
    if (at_ == order_.size()) {
        link_.LetGo();
        End(QStringLiteral("Profile done: %1 runs logged for locomotive %2, which was stopped and let go.")
                .arg(progress_.runsLogged)
                .arg(AddressText(plan_.locomotive)),
            false);
        return;
    }
    if (order_[at_].second != order_[at_ - 1].second) {
        Reverse();
        return;
    }
    BeginStep();
}

void ProfileRun::Reverse()
{
    // Never a change of direction at speed: stop, stand, then reverse.
    phase_ = Phase::Standing;
    passTimer_.stop();
    link_.Stop();
    progress_.doing = QStringLiteral("Stopped: standing %1 s before reversing").arg(standSeconds_);
    connect(&waitTimer_, &QTimer::timeout, this, &ProfileRun::BeginStep, Qt::SingleShotConnection);
    waitTimer_.start(Ms(standSeconds_));
    Show();
}

void ProfileRun::NoPass()
{
    Abort(QStringLiteral("No pass came within %1 s at step %2 %3: is the locomotive stalled or derailed, or the "
                         "trap unplugged?")
              .arg(passTimer_.interval() / 1000.0)
              .arg(progress_.step)
              .arg(DirectionWord(progress_.reverse)));
}

void ProfileRun::Stop()
{
    if (phase_ != Phase::Ended) {
        link_.Stop();
        stopSent_ = true;
        End(QStringLiteral("Stopped by you at %1: speed 0 sent. Press Stop again for an emergency stop.").arg(Where()),
            false);
        return;
    }
    if (stopSent_) {
        stopSent_ = false;
        link_.EmergencyStop();
        link_.LetGo();
        emit Ended(QStringLiteral("Emergency stop sent to locomotive %1, and it was let go.").arg(AddressText(plan_.locomotive)),
                   false);
    }
}

void ProfileRun::Abort(const QString& why)
{
    if (phase_ == Phase::Ended) {
        return;
    }
    link_.EmergencyStop();
    link_.LetGo();
    End(why + QStringLiteral(" Locomotive %1 was given an emergency stop.").arg(AddressText(plan_.locomotive)), true);
}

void ProfileRun::End(const QString& why, bool fault)
{
    if (phase_ == Phase::Ended) {
        return;
    }
    phase_ = Phase::Ended;
    passTimer_.stop();
    waitTimer_.stop();
    disconnect(&link_, nullptr, this, nullptr);
    progress_.doing = why;
    progress_.secondsLeft = -1.0;
    emit Progressed();
    emit Ended(why, fault);
}

QString ProfileRun::Where() const
{
    return progress_.step == 0 ? QStringLiteral("the start")
                               : QStringLiteral("step %1 %2").arg(progress_.step).arg(DirectionWord(progress_.reverse));
}

int ProfileRun::PassesLeft() const
{
    const int later = static_cast<int>(order_.size() - at_) - 1;
    const int now = phase_ == Phase::Measuring ? plan_.passes - progress_.taken : plan_.passes + 1;
    return now + std::max(0, later) * (plan_.passes + 1);
}

void ProfileRun::Show()
{
    if (lapMs_ > 0) {
        const double later = static_cast<double>(order_.size() - at_ - 1);
        progress_.secondsLeft = PassesLeft() * static_cast<double>(lapMs_) / 1000.0 + later * plan_.settleSeconds;
    }
    emit Progressed();
}
