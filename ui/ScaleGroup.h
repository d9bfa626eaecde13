// The option groups that the main window and the preferences both show: the six scales, and straight or circle.
#pragma once

#include <QString>

#include <array>
#include <functional>

class QGroupBox;
class QRadioButton;

using ScaleButtons = std::array<QRadioButton*, 6>;

// optScale1 to optScale6 in `frame` at their places in twips, each keeping its scale
// name as its tag (ScaleTag); `hoWidth` is the HO button's width in twips, which
// the two windows lay out differently. `chosen` runs with the catalogue index (1 to
// 6) whenever a button becomes selected. Tab stops once in the group.
ScaleButtons BuildScaleButtons(QGroupBox* frame, int hoWidth, std::function<void(int index)> chosen);

// The scale name a scale button keeps.
QString ScaleTag(const QRadioButton* option);

struct ConfigurationButtons {
    QRadioButton* straight;
    QRadioButton* circle;
};

// optStraight and optCircle in `frame` at their places in twips, with their tooltips;
// each runs its handler when it becomes selected. Tab stops once in the pair.
ConfigurationButtons BuildConfigurationButtons(QGroupBox* frame, std::function<void()> straight,
                                               std::function<void()> circle);
