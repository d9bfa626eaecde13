// A speed profile as the user sets it up: the locomotive, its steps and directions, passes per step, warm-up, settling and the limits that keep it safe.
#include "station/ProfilePlan.h"

#include <QRegularExpression>

#include <algorithm>
#include <set>

int TopStep(int stepMode)
{
    return stepMode == 28 ? 28 : 126;
}

std::optional<std::vector<int>> ParseSteps(const QString& text, int stepMode, QString& whyNot)
{
    const int top = TopStep(stepMode);
    static const QRegularExpression item(QStringLiteral("^(\\d{1,3})(?:-(\\d{1,3}))?$"));
    std::set<int> steps;
    const QStringList items = text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString& part : items) {
        const QRegularExpressionMatch match = item.match(part);
        if (!match.hasMatch()) {
            whyNot = QStringLiteral("\"%1\" is not a step or a range of steps such as 10-20.").arg(part);
            return std::nullopt;
        }
        const int low = match.captured(1).toInt();
        const int high = match.captured(2).isEmpty() ? low : match.captured(2).toInt();
        if (low < 1 || high > top || high < low) {
            whyNot = QStringLiteral("\"%1\": the steps of %2-step mode run from 1 to %3.").arg(part).arg(stepMode).arg(top);
            return std::nullopt;
        }
        for (int step = low; step <= high; ++step) {
            steps.insert(step);
        }
    }
    if (steps.empty()) {
        whyNot = QStringLiteral("Type the steps to measure, such as 1, 5, 10-20.");
        return std::nullopt;
    }
    return std::vector<int>(steps.begin(), steps.end());
}

std::vector<int> EveryNthStep(int nth, int highest)
{
    std::vector<int> steps;
    if (nth < 1 || highest < 1) {
        return steps;
    }
    for (int step = nth; step <= highest; step += nth) {
        steps.push_back(step);
    }
    if (steps.empty() || steps.back() != highest) {
        steps.push_back(highest);
    }
    return steps;
}

QString StepsText(const std::vector<int>& steps)
{
    QStringList parts;
    for (size_t i = 0; i < steps.size();) {
        size_t j = i;
        while (j + 1 < steps.size() && steps[j + 1] == steps[j] + 1) {
            ++j;
        }
        parts.append(j - i >= 2 ? QStringLiteral("%1-%2").arg(steps[i]).arg(steps[j]) : QString::number(steps[i]));
        if (j - i == 1) {
            parts.append(QString::number(steps[j]));
        }
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

std::optional<QString> PlanFault(const ProfilePlan& plan)
{
    if (const std::optional<QString> fault = AddressFault(plan.locomotive)) {
        return fault;
    }
    if (plan.highestStep < 1 || plan.highestStep > TopStep(plan.stepMode)) {
        return QStringLiteral("The highest step allowed runs from 1 to %1 in %2-step mode.")
            .arg(TopStep(plan.stepMode))
            .arg(plan.stepMode);
    }
    if (plan.steps.empty()) {
        return QStringLiteral("Choose the steps to measure.");
    }
    if (plan.steps.back() > plan.highestStep) {
        return QStringLiteral("Step %1 is above the highest step allowed, %2.").arg(plan.steps.back()).arg(plan.highestStep);
    }
    if (!plan.forward && !plan.reverse) {
        return QStringLiteral("Choose forward, reverse or both.");
    }
    if (plan.passes < 1) {
        return QStringLiteral("Take at least one pass at each step.");
    }
    if (plan.longestPassSeconds <= 0.0) {
        return QStringLiteral("Give the longest time a pass may take.");
    }
    if (plan.longestFromLoop && plan.loopMillimetres <= 0.0) {
        return QStringLiteral("Give the loop's length to work the longest time of a pass out from.");
    }
    return std::nullopt;
}

int WarmUpStep(const ProfilePlan& plan)
{
    return plan.steps.empty() ? 0 : (plan.steps.front() + plan.steps.back() + 1) / 2;
}

double LongestPassAfter(const ProfilePlan& plan, double mmPerSecond)
{
    if (!plan.longestFromLoop || mmPerSecond <= 0.0) {
        return plan.longestPassSeconds;
    }
    return std::max(1.0, 2.0 * plan.loopMillimetres / mmPerSecond);
}
