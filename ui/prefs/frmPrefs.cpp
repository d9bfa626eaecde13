// The preferences window's controls and handlers.
#include "ui/prefs/frmPrefs.h"

#include "core/General.h"
#include "core/MessageBox.h"
#include "core/Scales.h"
#include "settings/Settings.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"
#include "ui/UpDown.h"
#include "ui/ValueBox.h"

#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace {

constexpr int ClientWidth = 241;
constexpr int ClientHeight = 202;

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QString& tooltip)
{
    auto* button = new QPushButton(caption, parent);
    button->setFont(ArialFont(8.25, true));
    button->setToolTip(tooltip);
    // Neither button is a default: Enter presses nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

frmPrefs::frmPrefs(QWidget* owner) : QDialog(owner, DialogFlags())
{
    setObjectName(QStringLiteral("frmPrefs"));
    setWindowTitle(QStringLiteral("Trackpace - Preferences"));
    setWindowIcon(LocomotiveIcon());
    setFont(WindowFont());
    setFixedSize(ClientWidth, ClientHeight);

    auto* cmdSave = Place(MakeButton(this, QStringLiteral("Save"), QStringLiteral(" Save new settings and exit ")),
                          QStringLiteral("cmdSave"), 1800, 2400, 732, 372);
    BuildDistanceFrame();
    auto* cmdCancel = Place(MakeButton(this, QStringLiteral("Cancel"), QStringLiteral(" Discard changes and exit ")),
                            QStringLiteral("cmdCancel"), 2640, 2400, 732, 372);
    auto* fraScale = Place(new QGroupBox(QStringLiteral("Default Scale"), this), QStringLiteral("fraScale"), 240, 120,
                           1332, 2652);
    optScale = BuildScaleButtons(fraScale, 735, [this](int index) {
        NewScale = ScaleTag(optScale.at(static_cast<std::size_t>(index - 1)));
    });

    QList<QWidget*> order(optScale.begin(), optScale.end());
    order << configuration_.straight << configuration_.circle << udDefLength << cmdSave << cmdCancel;
    SetTabOrder(order);
    connect(cmdSave, &QPushButton::clicked, this, &frmPrefs::Save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Load();
    // The keyboard starts where the tab order does: at the selected scale.
    for (QRadioButton* option : optScale) {
        if (option->isChecked()) {
            option->setFocus();
        }
    }
}

void frmPrefs::BuildDistanceFrame()
{
    auto* fraDistance = Place(new QGroupBox(QStringLiteral("Default Distance"), this), QStringLiteral("fraDistance"),
                              1800, 120, 1572, 1932);
    udDefLength = Place(new UpDown(fraDistance), QStringLiteral("udDefLength"), 1145, 1440, 195, 255);
    udDefLength->setAccessibleName(QStringLiteral("Default length"));
    configuration_ = BuildConfigurationButtons(
        fraDistance, [this] { StraightClick(); }, [this] { CircleClick(); });
    lblDefLength = Place(new QLabel(fraDistance), QStringLiteral("lblDefLength"), 710, 1440, 435, 255);
    MakeValueBox(lblDefLength);
    udDefLength->setBuddy(lblDefLength);
    lblLength = Place(new QLabel(QStringLiteral("Length in Inches"), fraDistance), QStringLiteral("lblLength"), 120, 1200,
                      1212, 252);
    lblLength->setAlignment(Qt::AlignRight | Qt::AlignTop);
    connect(udDefLength, &UpDown::valueChanged, this, [this](int value) { NewLength = static_cast<qint16>(value); });
}

void frmPrefs::Load()
{
    udDefLength->setMinimum(General::MinLength);
    udDefLength->setMaximum(General::MaxLength);
    for (QRadioButton* option : optScale) {
        if (ScaleTag(option) == General::DefScale) {
            option->setChecked(true);
        }
    }
    if (General::DefTrackConfig == CircleConfig) {
        configuration_.circle->setChecked(true);
    } else {
        configuration_.straight->setChecked(true);
    }
    udDefLength->setValue(static_cast<int>(std::lround(General::DefLength)));
    // The spinner's change handler did not run when the value was already the minimum.
    NewLength = static_cast<qint16>(udDefLength->value());
    lblDefLength->setText(QString::number(udDefLength->value()));
}

void frmPrefs::CircleClick()
{
    lblLength->setText(QStringLiteral("Radius in Inches"));
    lblDefLength->setToolTip(QStringLiteral(" Select radius of track in inches "));
    NewTrackConfig = CircleConfig;
}

void frmPrefs::StraightClick()
{
    lblLength->setText(QStringLiteral("Length in Inches"));
    lblDefLength->setToolTip(QStringLiteral(" Select length of run in inches "));
    NewTrackConfig = StraightConfig;
}

void frmPrefs::Save()
{
    General::DefScale = NewScale;
    General::DefTrackConfig = NewTrackConfig;
    General::DefLength = static_cast<float>(NewLength);
    const WriteResult result = WriteSettingsFile();
    if (!result.ok) {
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("The defaults could not be saved to\r%1\r%2")
                             .arg(QDir::toNativeSeparators(General::IniPath), result.reason),
                         MessageBox::Icon::Exclamation);
    }
    accept();
}

void frmPrefs::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
