// The planner: a locomotive's measured curve and a target turned into the speed CVs that bring the one onto the other, with the curve they are expected to give.
#pragma once

#include "DecoderSetup.h"

#include <optional>
#include <utility>
#include <vector>

// A step's mean speed as measured, in scale mph.
struct CurveSample {
    int step = 0;
    double mph = 0.0;
};
struct MeasuredCurve {
    std::vector<CurveSample> forward;
    std::vector<CurveSample> reverse;
    const std::vector<CurveSample>& Way(bool backwards) const { return backwards ? reverse : forward; }
};

// What the motor makes of a drive, from the drives and speeds measured: straight lines
// between them, and beyond them the line of the nearest two.
class MotorModel {
public:
    MotorModel() = default;
    explicit MotorModel(std::vector<std::pair<double, double>> drivesAndMph);
    bool Known() const { return !points_.empty(); }
    double Mph(double drive) const;
    // The drive that gives `mph`; above FullDrive where the motor cannot give it.
    double DriveFor(double mph) const;

private:
    std::vector<std::pair<double, double>> points_;
};
// The motor of a locomotive measured at `samples` with `setup` in its decoder.
MotorModel MotorOf(const DecoderSetup& setup, const std::vector<CurveSample>& samples, bool reverse);

enum class TargetShape { Straight, Eased, Match };

// The speeds a locomotive should run at: from a start speed at step 1 to a top speed
// at the top step, straight or eased at the low end, or another locomotive's curve.
struct DecoderTarget {
    TargetShape shape = TargetShape::Straight;
    double startMph = 2.0;
    double topMph = 60.0;
    MeasuredCurve reference;  // matched, measured in referenceMode
    int referenceMode = 128;
    // The speed asked at `share` of the way from step 1 to the top step.
    double Mph(double share, bool reverse) const;
};

// Which of the decoder's curves the plan writes.
enum class PlanForm { InForce, ThreePoint, Table };

struct CvChange {
    int cv = 0;
    int old = 0;
    int value = 0;
};

struct DecoderPlan {
    QString problem;  // why there is no plan; empty where there is one
    DecoderSetup setup;
    std::vector<CvChange> changes;  // the CVs that change, in SpeedCvs() order
    MotorModel forward;
    MotorModel reverse;
    // Where the target is beyond the motor: the most it gives forward, and the first
    // step the plan gives full drive at instead (0: the target is within reach).
    double reachMph = 0.0;
    int fullFromStep = 0;
    bool Planned() const { return problem.isEmpty(); }
    // The speed the planned values are expected to give (reverse as forward where no
    // reverse was measured).
    double PredictedMph(int step, bool reverse) const;
};

DecoderPlan PlanDecoder(const DecoderSetup& now, const MeasuredCurve& measured, const DecoderTarget& target,
                        PlanForm form);

// A step measured, or predicted, against what the target asks there.
struct StepAgainstTarget {
    int step = 0;
    bool reverse = false;
    double aim = 0.0;
    double mph = 0.0;
    double Off() const { return mph - aim; }
};
// Each of `curve`'s steps (in `stepMode`) against `target`.
std::vector<StepAgainstTarget> AgainstTarget(const MeasuredCurve& curve, int stepMode, const DecoderTarget& target);
// The largest difference among `steps`, leaving out those at or above `fullFromStep`
// (where the motor gives all it has; 0: none), or nothing where none is left.
std::optional<StepAgainstTarget> Worst(const std::vector<StepAgainstTarget>& steps, int fullFromStep);

// The steps a round of writing re-measures: step 1, the top step where the target
// asks a top speed, and up to `most` of the steps measured before, spread evenly.
std::vector<int> StepsToCheck(const MeasuredCurve& measured, int stepMode, const DecoderTarget& target, int most);
