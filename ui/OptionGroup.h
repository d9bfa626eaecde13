// A group of option buttons that the Tab key visits once, at its selected button.
#pragma once

#include <QList>
#include <QRadioButton>

// Tab moves between groups and the arrow keys within one, as a keyboard user of a
// form of option buttons expects; Qt alone would stop at every button.
inline void MakeOneTabStop(const QList<QRadioButton*>& group)
{
    const auto update = [group] {
        bool anyChecked = false;
        for (QRadioButton* option : group) {
            anyChecked = anyChecked || option->isChecked();
        }
        for (QRadioButton* option : group) {
            const bool stop = option->isChecked() || (!anyChecked && option == group.front());
            option->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    for (QRadioButton* option : group) {
        QObject::connect(option, &QRadioButton::toggled, option, update);
    }
    update();
}
