// The preferences window's controls and handlers.
#include "ui/prefs/frmPrefs.h"

#include "core/General.h"
#include "core/MessageBox.h"
#include "core/Scales.h"
#include "settings/Settings.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"
#include "ui/OptionGroup.h"
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

frmPrefs::frmPrefs(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Trackpace - Preferences"));
    setWindowIcon(LocomotiveIcon());
    setFont(WindowFont());
    setFixedSize(ClientWidth, ClientHeight);

    cmdSave = Place(MakeButton(this, QStringLiteral("Save"), QStringLiteral(" Save new settings and exit ")),
                    1800, 2400, 732, 372);
    BuildDistanceFrame();
    cmdCancel = Place(MakeButton(this, QStringLiteral("Cancel"), QStringLiteral(" Discard changes and exit ")),
                      2640, 2400, 732, 372);
    BuildScaleFrame();

    QList<QWidget*> order(optScale.begin(), optScale.end());
    order << optStraight << optCircle << udDefLength << cmdSave << cmdCancel;
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order.at(i - 1), order.at(i));
    }
    MakeOneTabStop(QList<QRadioButton*>(optScale.begin(), optScale.end()));
    MakeOneTabStop({optStraight, optCircle});
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
    fraDistance = Place(new QGroupBox(QStringLiteral("Default Distance"), this), 1800, 120, 1572, 1932);
    udDefLength = Place(new UpDown(fraDistance), 1145, 1440, 195, 255);
    udDefLength->setAccessibleName(QStringLiteral("Default length"));
    optStraight = Place(new OptionButton(QStringLiteral("Straight"), fraDistance), 120, 360, 972, 252);
    optStraight->setToolTip(QStringLiteral(" Straight run of track "));
    optCircle = Place(new OptionButton(QStringLiteral("Circle"), fraDistance), 120, 720, 972, 252);
    optCircle->setToolTip(QStringLiteral(" Complete circle of track "));
    lblDefLength = Place(new QLabel(fraDistance), 710, 1440, 435, 255);
    MakeValueBox(lblDefLength);
    udDefLength->setBuddy(lblDefLength);
    lblLength = Place(new QLabel(QStringLiteral("Length in Inches"), fraDistance), 120, 1200, 1212, 252);
    lblLength->setAlignment(Qt::AlignRight | Qt::AlignTop);

    OnSelected(optCircle, this, [this] { CircleClick(); });
    OnSelected(optStraight, this, [this] { StraightClick(); });
    connect(udDefLength, &UpDown::valueChanged, this, [this](int value) { NewLength = static_cast<qint16>(value); });
}

void frmPrefs::BuildScaleFrame()
{
    fraScale = Place(new QGroupBox(QStringLiteral("Default Scale"), this), 240, 120, 1332, 2652);
    for (const ScaleEntry& entry : ScaleCatalogue()) {
        auto* option = new OptionButton(entry.caption, fraScale);
        Place(option, 120, 360 * entry.index, entry.name == u"HO" ? 735 : 492, 252);
        option->setToolTip(entry.tooltip);
        option->setProperty("tag", entry.name);
        optScale.at(entry.index - 1) = option;
        OnSelected(option, this, [this, index = entry.index] { ScaleClick(index); });
    }
}

void frmPrefs::Load()
{
    udDefLength->setMinimum(General::MinLength);
    udDefLength->setMaximum(General::MaxLength);
    for (QRadioButton* option : optScale) {
        if (option->property("tag").toString() == General::DefScale) {
            option->setChecked(true);
        }
    }
    if (General::DefTrackConfig == u"CIRCLE") {
        optCircle->setChecked(true);
    } else {
        optStraight->setChecked(true);
    }
    udDefLength->setValue(static_cast<int>(std::lround(General::DefLength)));
    // The spinner's change handler did not run when the value was already the minimum.
    NewLength = static_cast<qint16>(udDefLength->value());
    lblDefLength->setText(QString::number(udDefLength->value()));
}

void frmPrefs::ScaleClick(int index)
{
    NewScale = optScale.at(index - 1)->property("tag").toString();
}

void frmPrefs::CircleClick()
{
    lblLength->setText(QStringLiteral("Radius in Inches"));
    lblDefLength->setToolTip(QStringLiteral(" Select radius of track in inches "));
    NewTrackConfig = QStringLiteral("CIRCLE");
}

void frmPrefs::StraightClick()
{
    lblLength->setText(QStringLiteral("Length in Inches"));
    lblDefLength->setToolTip(QStringLiteral(" Select length of run in inches "));
    NewTrackConfig = QStringLiteral("STRAIGHT");
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
