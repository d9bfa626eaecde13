// The planner: a locomotive's measured curve and a target turned into the speed CVs that bring the one onto the other, with the curve they are expected to give.
#include "DecoderPlanner.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

MotorModel::MotorModel(std::vector<std::pair<double, double>> drivesAndMph)
{
    std::sort(drivesAndMph.begin(), drivesAndMph.end());
    for (const auto& [drive, mph] : drivesAndMph) {
        if (!points_.empty() && points_.back().first == drive) {
            points_.back().second = (points_.back().second + mph) / 2.0;
        } else {
            points_.emplace_back(drive, mph);
        }
    }
    // A motor never runs slower on more drive: a dip measured is noise.
    for (size_t i = 1; i < points_.size(); ++i) {
        points_[i].second = std::max(points_[i].second, points_[i - 1].second);
    }
}

namespace {

using Point = std::pair<double, double>;

// The line through `a` and `b` at `x` (x and y swapped for the inverse).
double Along(const Point& a, const Point& b, double x)
{
    return a.second + (b.second - a.second) * (x - a.first) / (b.first - a.first);
}

Point Swapped(const Point& point)
{
    return {point.second, point.first};
}

}  // namespace

double MotorModel::Mph(double drive) const
{
    if (points_.empty()) {
        return 0.0;
    }
    const Point& last = points_.back();
    if (points_.size() == 1 || (drive > last.first && last.second == points_[points_.size() - 2].second)) {
        return last.second * drive / last.first;
    }
    const auto above = std::upper_bound(points_.begin(), points_.end(), drive,
                                        [](double value, const Point& point) { return value < point.first; });
    const size_t at = std::clamp<size_t>(static_cast<size_t>(above - points_.begin()), 1, points_.size() - 1);
    return std::max(0.0, Along(points_[at - 1], points_[at], drive));
}

double MotorModel::DriveFor(double mph) const
{
    if (points_.empty()) {
        return 0.0;
    }
    const Point& last = points_.back();
    if (mph > last.second && (points_.size() == 1 || last.second == points_[points_.size() - 2].second)) {
        return last.second <= 0.0 ? std::numeric_limits<double>::infinity() : last.first * mph / last.second;
    }
    if (points_.size() == 1) {
        return last.first * mph / last.second;
    }
    size_t at = 1;
    while (at + 1 < points_.size() && points_[at].second < mph) {
        ++at;
    }
    const Point a = Swapped(points_[at - 1]);
    const Point b = Swapped(points_[at]);
    if (a.first == b.first) {
        return mph <= a.first ? a.second : b.second;
    }
    return std::max(0.0, Along(a, b, mph));
}

MotorModel MotorOf(const DecoderSetup& setup, const std::vector<CurveSample>& samples, bool reverse)
{
    std::vector<std::pair<double, double>> points;
    for (const CurveSample& sample : samples) {
        const double drive = DriveAt(setup, sample.step, reverse);
        if (drive > 0.0) {
            points.emplace_back(drive, sample.mph);
        }
    }
    return MotorModel(points);
}

namespace {

// A measured curve in `stepMode` at a share of the way from step 1 to the top step:
// straight lines between the steps, and beyond them the line of the nearest two.
double CurveAt(const std::vector<CurveSample>& samples, int stepMode, double share)
{
    std::vector<std::pair<double, double>> points;
    for (const CurveSample& sample : samples) {
        points.emplace_back(StepShare(sample.step, stepMode), sample.mph);
    }
    std::sort(points.begin(), points.end());
    if (points.empty()) {
        return 0.0;
    }
    if (points.size() == 1) {
        return points.front().second;
    }
    size_t at = 1;
    while (at + 1 < points.size() && points[at].first < share) {
        ++at;
    }
    return std::max(0.0, Along(points[at - 1], points[at], share));
}

}  // namespace

double DecoderTarget::Mph(double share, bool reverse) const
{
    switch (shape) {
    case TargetShape::Match: {
        const bool backwards = reverse && !reference.reverse.empty();
        return CurveAt(reference.Way(backwards), referenceMode, share);
    }
    case TargetShape::Eased:
        return startMph + (topMph - startMph) * (share + share * share) / 2.0;
    case TargetShape::Straight:
        break;
    }
    return startMph + (topMph - startMph) * share;
}

namespace {

// A drive as the nearest value a speed CV takes, within 0..top.
int ValueOf(double drive, int top)
{
    return std::clamp(static_cast<int>(std::lround(drive * top / FullDrive)), 0, top);
}

void PlanThreePoint(DecoderSetup& setup, const std::function<double(double)>& base)
{
    const int top = setup.valueTop;
    // CV5 and CV6 of 0 or 1 would mean "not used"; CV6 lies between CV2 and CV5.
    const int high = std::max(2, ValueOf(base(1.0), top));
    const int start = std::min(ValueOf(base(0.0), top), high);
    setup.SetCv(2, start);
    setup.SetCv(5, high);
    setup.SetCv(6, std::clamp(ValueOf(base(0.5), top), std::max(2, start), high));
    setup.SetCv(29, setup.Cv(29) & ~0x10);
}

void PlanTable(DecoderSetup& setup, const std::function<double(double)>& base)
{
    const int top = setup.valueTop;
    double from = 0.0;
    double span = FullDrive;
    if (setup.fit != TableFit::Standard) {
        setup.SetCv(2, ValueOf(base(0.0), top));
        from = setup.Cv(2) * static_cast<double>(FullDrive) / top;
    }
    if (setup.fit == TableFit::BetweenCv2AndCv5) {
        setup.SetCv(5, std::max({2, setup.Cv(2), ValueOf(base(1.0), top)}));
        span = setup.Cv(5) * static_cast<double>(FullDrive) / top - from;
    }
    int previous = 0;
    for (int entry = 0; entry < TableEntries; ++entry) {
        const double share = entry / static_cast<double>(TableEntries - 1);
        const double over = span <= 0.0 ? 0.0 : (base(share) - from) * FullDrive / span;
        const int highest = setup.fit == TableFit::OffsetByCv2 ? top - setup.Cv(2) : top;
        // A table never falls as the steps rise.
        previous = std::clamp(ValueOf(over, top), previous, highest);
        setup.SetCv(TableFirstCv + entry, previous);
    }
    setup.SetCv(29, setup.Cv(29) | 0x10);
}

// The reverse trim (1-255, n/128) that brings reverse closest to its target at every step.
int ReverseTrim(const DecoderSetup& planned, const MotorModel& reverse, const DecoderTarget& target)
{
    const int topStep = TopDecoderStep(planned.stepMode);
    double best = std::numeric_limits<double>::infinity();
    int chosen = 128;
    for (int trim = 1; trim <= 255; ++trim) {
        double error = 0.0;
        for (int step = 1; step <= topStep; ++step) {
            const double share = StepShare(step, planned.stepMode);
            const double drive = std::min<double>(FullDrive, BaseDriveAt(planned, share) * trim / 128.0);
            const double off = reverse.Mph(drive) - target.Mph(share, true);
            error += off * off;
        }
        // Of two as good, the one nearer x1.0.
        if (error < best - 1e-9 || (std::abs(error - best) <= 1e-9 && std::abs(trim - 128) < std::abs(chosen - 128))) {
            best = error;
            chosen = trim;
        }
    }
    return chosen;
}

}  // namespace

DecoderPlan PlanDecoder(const DecoderSetup& now, const MeasuredCurve& measured, const DecoderTarget& target,
                        PlanForm form)
{
    DecoderPlan plan;
    plan.setup = now;
    plan.forward = MotorOf(now, measured.forward, false);
    plan.reverse = MotorOf(now, measured.reverse, true);
    if (measured.forward.size() < 2) {
        plan.problem = QStringLiteral(
            "The planner needs this locomotive's speed measured forward at two steps at least (the Profile tab "
            "measures them).");
        return plan;
    }
    const double trim = TrimFactor(now, false);
    const auto base = [&](double share) { return plan.forward.DriveFor(target.Mph(share, false)) / trim; };
    const bool table = form == PlanForm::Table || (form == PlanForm::InForce && now.UsesTable());
    if (table) {
        PlanTable(plan.setup, base);
    } else {
        PlanThreePoint(plan.setup, base);
    }
    if (measured.reverse.size() >= 2) {
        const int reverseTrim = ReverseTrim(plan.setup, plan.reverse, target);
        if (reverseTrim != 128 || now.Cv(95) != 0) {
            plan.setup.SetCv(95, reverseTrim);
        }
    }
    plan.reachMph = plan.forward.Mph(FullDrive * std::min(1.0, trim));
    const int topStep = TopDecoderStep(now.stepMode);
    for (int step = 1; step <= topStep && plan.fullFromStep == 0; ++step) {
        if (base(StepShare(step, now.stepMode)) * trim > FullDrive + 0.5) {
            plan.fullFromStep = step;
        }
    }
    for (const int number : SpeedCvs()) {
        if (plan.setup.Cv(number) != now.Cv(number)) {
            plan.changes.push_back({number, now.Cv(number), plan.setup.Cv(number)});
        }
    }
    return plan;
}

double DecoderPlan::PredictedMph(int step, bool reverse) const
{
    const MotorModel& motor = reverse && this->reverse.Known() ? this->reverse : forward;
    return motor.Mph(DriveAt(setup, step, reverse));
}

std::vector<StepAgainstTarget> AgainstTarget(const MeasuredCurve& curve, int stepMode, const DecoderTarget& target)
{
    std::vector<StepAgainstTarget> steps;
    for (const bool reverse : {false, true}) {
        for (const CurveSample& sample : curve.Way(reverse)) {
            steps.push_back({sample.step, reverse, target.Mph(StepShare(sample.step, stepMode), reverse), sample.mph});
        }
    }
    return steps;
}

std::optional<StepAgainstTarget> Worst(const std::vector<StepAgainstTarget>& steps, int fullFromStep)
{
    std::optional<StepAgainstTarget> worst;
    for (const StepAgainstTarget& step : steps) {
        if (fullFromStep > 0 && step.step >= fullFromStep) {
            continue;
        }
        if (!worst || std::abs(step.Off()) > std::abs(worst->Off())) {
            worst = step;
        }
    }
    return worst;
}

std::vector<int> StepsToCheck(const MeasuredCurve& measured, int stepMode, const DecoderTarget& target, int most)
{
    std::vector<int> known;
    for (const CurveSample& sample : measured.forward) {
        known.push_back(sample.step);
    }
    std::sort(known.begin(), known.end());
    known.erase(std::unique(known.begin(), known.end()), known.end());
    std::vector<int> steps{1};
    if (target.shape != TargetShape::Match) {
        steps.push_back(TopDecoderStep(stepMode));
    }
    const size_t count = known.size();
    const size_t take = std::min(count, static_cast<size_t>(std::max(most, 1)));
    for (size_t i = 0; i < take; ++i) {
        const size_t at = take == 1 ? count - 1 : i * (count - 1) / (take - 1);
        steps.push_back(known[at]);
    }
    std::sort(steps.begin(), steps.end());
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    return steps;
}
