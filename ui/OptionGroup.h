// Option buttons: clickable over their whole box, their selection handlers, and groups that Tab visits once.
#pragma once

#include <QList>
#include <QRadioButton>

// An option button that takes a click anywhere in its box, as laid out, not only on
// its circle and caption: the caption is short, the box is the button.
class OptionButton final : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// Runs `handler` whenever `option` becomes selected, by the user or by the program,
// before the selecting call returns; a button being deselected runs nothing.
template <typename Handler>
void OnSelected(QRadioButton* option, QObject* context, Handler handler)
{
    QObject::connect(option, &QRadioButton::toggled, context, [handler](bool on) {
        if (on) {
            handler();
        }
    });
}

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
