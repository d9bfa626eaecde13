// A speed profile as the user sets it up: the locomotive, its steps and directions, passes per step, warm-up, settling and the limits that keep it safe.
#pragma once

#include "station/StationProtocol.h"

#include <QString>

#include <optional>
#include <vector>

struct ProfilePlan {
    Locomotive locomotive;
    int stepMode = 128;  // 28 or 128
    std::vector<int> steps;  // ascending, each within 1..highestStep
    bool forward = true;
    bool reverse = true;
    int passes = 3;  // logged at each step, after the one thrown away
    double warmUpMinutes = 0.0;  // at the middle step, before the first
    double settleSeconds = 5.0;  // after each change of step, before a pass counts
    int highestStep = 0;  // never exceeded
    // The longest a pass may take: at the first step of each direction always, at the
    // others unless it is worked out from the last step's speed over the loop.
    double longestPassSeconds = 60.0;
    bool longestFromLoop = false;
    double loopMillimetres = 0.0;
};

// The highest step of a decoder in `stepMode` steps (28, or 126 of 128).
int TopStep(int stepMode);
// `text` as steps, ascending and each once: numbers and ranges ("1, 5, 10-20"), each
// within 1..TopStep(stepMode); nothing, with the reason, for anything else.
std::optional<std::vector<int>> ParseSteps(const QString& text, int stepMode, QString& whyNot);
// Every `nth` step up to `highest`, and `highest` itself: 10, 20 ... 120, 126.
std::vector<int> EveryNthStep(int nth, int highest);
// "1, 5, 10-20": the steps written short again.
QString StepsText(const std::vector<int>& steps);
// Why `plan` cannot be run, if it cannot.
std::optional<QString> PlanFault(const ProfilePlan& plan);
// The middle step the warm-up runs at: halfway between the plan's lowest and highest.
int WarmUpStep(const ProfilePlan& plan);
// The longest a pass may take at a step after one measured at `mmPerSecond`: twice the
// time one lap took then (a faster step takes less), and never under a second.
double LongestPassAfter(const ProfilePlan& plan, double mmPerSecond);
