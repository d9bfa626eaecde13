// The scale buttons and the configuration pair, built alike for every window that shows them.
#include "ui/ScaleGroup.h"

#include "core/Scales.h"
#include "ui/Geometry.h"
#include "ui/OptionGroup.h"

#include <QGroupBox>

namespace {

const char* const TagProperty = "tag";

QRadioButton* MakeOption(QWidget* parent, const QString& name, const QString& caption, const QString& tooltip)
{
    auto* option = new OptionButton(caption, parent);
    option->setObjectName(name);
    option->setToolTip(tooltip);
    return option;
}

}  // namespace

ScaleButtons BuildScaleButtons(QGroupBox* frame, int hoWidth, std::function<void(int index)> chosen)
{
    ScaleButtons buttons{};
    for (const ScaleEntry& entry : ScaleCatalogue()) {
        QRadioButton* option =
            MakeOption(frame, QStringLiteral("optScale%1").arg(entry.index), entry.caption, entry.tooltip);
        option->setGeometry(TwipsRect(120, 360 * entry.index, entry.index == DefaultScaleIndex ? hoWidth : 492, 252));
        option->setProperty(TagProperty, entry.name);
        buttons.at(static_cast<std::size_t>(entry.index - 1)) = option;
        OnSelected(option, frame, [chosen, index = entry.index] { chosen(index); });
    }
    MakeOneTabStop(QList<QRadioButton*>(buttons.begin(), buttons.end()));
    return buttons;
}

QString ScaleTag(const QRadioButton* option)
{
    return option->property(TagProperty).toString();
}

ConfigurationButtons BuildConfigurationButtons(QGroupBox* frame, std::function<void()> straight,
                                               std::function<void()> circle)
{
    const ConfigurationButtons buttons{
        Place(MakeOption(frame, {}, QStringLiteral("Straight"), QStringLiteral(" Straight run of track ")),
              QStringLiteral("optStraight"), 120, 360, 972, 252),
        Place(MakeOption(frame, {}, QStringLiteral("Circle"), QStringLiteral(" Complete circle of track ")),
              QStringLiteral("optCircle"), 120, 720, 972, 252)};
    OnSelected(buttons.straight, frame, std::move(straight));
    OnSelected(buttons.circle, frame, std::move(circle));
    MakeOneTabStop({buttons.straight, buttons.circle});
    return buttons;
}
