// The main window's controls and handlers.
#include "ui/home/frmHome.h"

#include "core/General.h"
#include "core/MessageBox.h"
#include "core/RunTiming.h"
#include "core/Scales.h"
#include "devices/DeviceSettings.h"
#include "station/StationSettings.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"
#include "ui/Modules.h"
#include "ui/OptionGroup.h"
#include "ui/SingleLineEdit.h"
#include "ui/UpDown.h"
#include "ui/ValueBox.h"
#include "ui/WindowPlacement.h"
#include "ui/about/frmAbout.h"
#include "ui/devices/frmDevices.h"
#include "ui/home/LogHost.h"
#include "ui/prefs/frmPrefs.h"
#include "ui/decoder/DecoderTab.h"
#include "ui/profile/ProfileTab.h"
#include "ui/table/TablePage.h"
#include "ui/table/frmTvsS.h"
#include "ui/timer/frmRunTimer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <cmath>
#include <vector>

namespace {

constexpr int ClientWidth = 441;
constexpr int ClientHeight = 250;
// The smallest the speed log opens at beside this window rather than over it; smaller
// than its controls, it scrolls.
constexpr QSize SmallestSpeedLog(400, 300);

QLabel* MakeLabel(QWidget* parent, const QString& text, Qt::Alignment alignment)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

QRadioButton* MakeOption(QWidget* parent, const QString& caption, const QString& tooltip)
{
    auto* option = new OptionButton(caption, parent);
    option->setToolTip(tooltip);
    return option;
}

}  // namespace

frmHome::frmHome(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmHome"));
    setWindowTitle(QStringLiteral("Trackpace - Scale Speed Calculator"));
    setWindowIcon(LocomotiveIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont());

    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);
    BuildMenus();
    BuildScaleFrame(client);
    BuildDistanceFrame(client);
    BuildTaskFrame(client);

    auto* cmdExit = Place(new QPushButton(QStringLiteral("Exit"), client), QStringLiteral("cmdExit"), 5160, 3120, 972, 372);
    cmdExit->setFont(ArialFont(9.75, true));
    lblVersion = Place(MakeLabel(client, QStringLiteral("Version Info"), Qt::AlignLeft), QStringLiteral("lblVersion"),
                       240, 3280, 1428, 192);
    lblVersion->setToolTip(QStringLiteral(" by the Trackpace developers "));
    connect(cmdExit, &QPushButton::clicked, this, &frmHome::Exit);

    QList<QWidget*> order(optScale.begin(), optScale.end());
    order << configuration_.straight << configuration_.circle << udLength << optTvsS << optChkSpd << cmdCreate
          << udTime << cmdExit << txtLength;
    SetTabOrder(order);
    MakeOneTabStop({optTvsS, optChkSpd});
    setFixedSize(sizeHint());
    Load();
}

frmHome::~frmHome() = default;

void frmHome::BuildMenus()
{
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* mnuFileRunTimer = mnuFile->addAction(QStringLiteral("&Run Timer..."));
    mnuFileRunTimer->setObjectName(QStringLiteral("mnuFileRunTimer"));
    mnuFileRunTimer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    QAction* mnuFileSpeedLog = mnuFile->addAction(QStringLiteral("Speed &Log..."));
    mnuFileSpeedLog->setObjectName(QStringLiteral("mnuFileSpeedLog"));
    mnuFileSpeedLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    QAction* mnuFileDevices = mnuFile->addAction(QStringLiteral("&Devices..."));
    mnuFileDevices->setObjectName(QStringLiteral("mnuFileDevices"));
    QAction* mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    QAction* mnuPref = menuBar()->addAction(QStringLiteral("&Preferences"));
    mnuPref->setObjectName(QStringLiteral("mnuPref"));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&About Trackpace"));
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(mnuFileRunTimer, &QAction::triggered, this, &frmHome::ShowRunTimer);
    connect(mnuFileSpeedLog, &QAction::triggered, this, &frmHome::ShowSpeedLog);
    connect(mnuFileDevices, &QAction::triggered, this, &frmHome::ShowDevices);
    connect(mnuFileExit, &QAction::triggered, this, &frmHome::Exit);
    connect(mnuPref, &QAction::triggered, this, &frmHome::Preferences);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmHome::About);
}

void frmHome::BuildScaleFrame(QWidget* client)
{
    auto* fraScale = Place(new QGroupBox(QStringLiteral("Scale"), client), QStringLiteral("fraScale"), 240, 120, 852,
                           2652);
    optScale = BuildScaleButtons(fraScale, 625, [this](int index) { ScaleChoice(index); });
}

void frmHome::BuildDistanceFrame(QWidget* client)
{
    auto* fraDistance = Place(new QGroupBox(QStringLiteral("Distance"), client), QStringLiteral("fraDistance"), 1320,
                              120, 1572, 2652);
    configuration_ = BuildConfigurationButtons(
        fraDistance, [this] { StraightChoice(); }, [this] { CircleChoice(); });
    lblLengthOpt = Place(MakeLabel(fraDistance, QStringLiteral("Length in Inches"), Qt::AlignRight),
                         QStringLiteral("lblLengthOpt"), 120, 1160, 1212, 252);
    txtLength = Place(new SingleLineEdit(QStringLiteral("1"), fraDistance), QStringLiteral("txtLength"), 600, 1440, 480,
                      315);
    txtLength->setMaxLength(3);
    txtLength->setAlignment(Qt::AlignCenter);
    txtLength->setAccessibleName(lblLengthOpt->text());
    udLength = Place(new UpDown(fraDistance), QStringLiteral("udLength"), 1081, 1440, 255, 315);
    udLength->setBuddy(txtLength);
    udLength->setAccessibleName(QStringLiteral("Length"));
    Place(MakeLabel(fraDistance, QStringLiteral("Scale Distance:"), Qt::AlignHCenter), QStringLiteral("Label1"), 120,
          1920, 1332, 252);
    lblScaleDist = Place(MakeLabel(fraDistance, QStringLiteral("ft."), Qt::AlignHCenter), QStringLiteral("lblScaleDist"),
                         120, 2160, 1332, 252);
    lblScaleDist->setFont(ArialFont(9.75, true));
    connect(txtLength, &QLineEdit::textChanged, this, &frmHome::LengthChange);
}

void frmHome::BuildTaskFrame(QWidget* client)
{
    auto* fraTask = Place(new QGroupBox(QStringLiteral("Task"), client), QStringLiteral("fraTask"), 3120, 120, 3252,
                          2652);
    optTvsS = Place(MakeOption(fraTask, QStringLiteral("TIME vs. SPEED Table"),
                               QStringLiteral(" Generate a TIME vs SPEED table ")),
                    QStringLiteral("optTvsS"), 120, 360, 2052, 252);
    optChkSpd = Place(MakeOption(fraTask, QStringLiteral("Check Speed"),
                                 QStringLiteral(" Calculate the scale speed for the run ")),
                      QStringLiteral("optChkSpd"), 120, 720, 1332, 252);
    optChkSpd->setChecked(true);
    cmdCreate = Place(new QPushButton(QStringLiteral("Create"), fraTask), QStringLiteral("cmdCreate"), 2280, 360, 732,
                      252);
    cmdCreate->setToolTip(QStringLiteral(" Create the TIME vs SPEED table "));
    cmdCreate->setEnabled(false);
    auto* lblET = Place(MakeLabel(fraTask, QStringLiteral("Elapsed Time in Seconds:"), Qt::AlignRight),
                        QStringLiteral("lblET"), 300, 1100, 1935, 255);
    lblTime = Place(new QLabel(fraTask), QStringLiteral("lblTime"), 2412, 1080, 345, 315);
    MakeValueBox(lblTime);
    lblTime->setToolTip(QStringLiteral(" Select the elapsed time for the run "));
    udTime = Place(new UpDown(fraTask), QStringLiteral("udTime"), 2757, 1080, 255, 315);
    udTime->setAccessibleName(QStringLiteral("Elapsed time"));
    udTime->setMinimum(1);
    udTime->setMaximum(60);
    udTime->setValue(1);
    udTime->setBuddy(lblTime);
    auto* lblYourSpeed = Place(MakeLabel(fraTask, QStringLiteral("Your scale speed for the run was:"), Qt::AlignHCenter),
                               QStringLiteral("lblYourSpeed"), 120, 1920, 3012, 252);
    lblSpeed = Place(MakeLabel(fraTask, QStringLiteral("mph"), Qt::AlignHCenter), QStringLiteral("lblSpeed"), 120, 2160,
                     3012, 252);
    lblSpeed->setFont(ArialFont(9.75, true));
    timeControls_ = {lblET, lblTime, udTime, lblYourSpeed, lblSpeed};

    OnSelected(optTvsS, this, [this] { SetTimeControlsEnabled(false); });
    OnSelected(optChkSpd, this, [this] { SetTimeControlsEnabled(true); });
    connect(cmdCreate, &QPushButton::clicked, this, &frmHome::Create);
    connect(udTime, &UpDown::valueChanged, this, &frmHome::CalcScaleSpeed);
}

void frmHome::Load()
{
    udLength->setMinimum(General::MinLength);
    udLength->setMaximum(General::MaxLength);
    lblVersion->setText(QStringLiteral("Trackpace v") + General::VersionText());
    lblTime->setText(QString::number(udTime->value()));
}

void frmHome::SelectScale(int index)
{
    optScale.at(static_cast<std::size_t>(index - 1))->setChecked(true);
}

void frmHome::SelectStraight()
{
    configuration_.straight->setChecked(true);
}

void frmHome::SelectCircle()
{
    configuration_.circle->setChecked(true);
}

void frmHome::SetLength(int inches)
{
    udLength->setValue(inches);
}

void frmHome::ScaleChoice(int index)
{
    const ScaleEntry& entry = ScaleCatalogue().at(static_cast<std::size_t>(index - 1));
    General::ScaleRatio = entry.ratio;
    General::ScaleName = ScaleTag(optScale.at(static_cast<std::size_t>(index - 1)));
    CalcScaleDistance();
}

void frmHome::SetConfigTexts(const QString& caption, const QString& tooltipStart)
{
    lblLengthOpt->setText(caption);
    txtLength->setAccessibleName(caption);
    txtLength->setToolTip(tooltipStart + QString::number(General::MinLength) + u'-' +
                          QString::number(General::MaxLength) + QStringLiteral(") "));
}

void frmHome::StraightChoice()
{
    SetConfigTexts(QStringLiteral("Length in Inches"), QStringLiteral(" Select or enter the length in inches ("));
    CalcScaleDistance();
}

void frmHome::CircleChoice()
{
    SetConfigTexts(QStringLiteral("Radius in Inches"), QStringLiteral(" Select or enter radius of track in inches ("));
    CalcScaleDistance();
}

void frmHome::LengthChange()
{
    const QString text = txtLength->text();
    if (text.isEmpty()) {
        // No length: a distance of 0, without a message.
        CalcScaleDistance();
        return;
    }
    const double length = LeadingNumber(text);
    if (!LengthInRange(length, General::MinLength, General::MaxLength)) {
        MessageBox::Show(QStringLiteral("Invalid Entry"),
                         QStringLiteral("Value must be between %1 and %2.").arg(General::MinLength).arg(General::MaxLength),
                         MessageBox::Icon::Information);
        txtLength->setFocus();
        txtLength->setText(QString::number(udLength->value()));
        // Selected, so that what is typed next replaces the value put back.
        txtLength->selectAll();
        return;
    }
    // The arrows continue from a typed length, and a later invalid entry returns to it.
    udLength->adoptValue(static_cast<int>(std::lround(length)));
    CalcScaleDistance();
}

void frmHome::CalcScaleDistance()
{
    const QString text = txtLength->text();
    if (text.isEmpty()) {
        General::ScaleDistance = 0.0F;
    } else {
        RunLength = RunLengthOf(text, configuration_.circle->isChecked());
        General::ScaleDistance = ScaleDistanceOf(General::ScaleRatio, RunLength);
    }
    lblScaleDist->setText(WholeText(General::ScaleDistance) + QStringLiteral(" ft."));
    if (log_) {
        log_->TrackChanged();
    }
    CalcScaleSpeed();
}

void frmHome::CalcScaleSpeed()
{
    const RunSpeed speed = ScaleSpeedOf(General::ScaleDistance, udTime->value());
    General::WorkTime = speed.hours;
    ScaleSpeed = speed.mph;
    lblSpeed->setText(QString::number(ScaleSpeed) + QStringLiteral(" mph"));
    if (timer_) {
        timer_->MainWindowChanged(udTime->value(), lblSpeed->text());
    }
}

void frmHome::SetTimeControlsEnabled(bool enabled)
{
    for (QWidget* control : timeControls_) {
        control->setEnabled(enabled);
    }
    cmdCreate->setEnabled(!enabled);
}

void frmHome::Create()
{
    const QString line = TableInfoLine(configuration_.circle->isChecked(), txtLength->text(), General::ScaleName,
                                       General::ScaleDistance);
    frmTvsS table(this, [this] { return LengthEntry{configuration_.circle->isChecked(), txtLength->text()}; });
    table.SetInfoLine(line);
    RunModal(table);
}

void frmHome::Preferences()
{
    frmPrefs prefs(this);
    RunModal(prefs);
}

void frmHome::About()
{
    frmAbout about(this);
    RunModal(about);
}

frmRunTimer* frmHome::RunTimer()
{
    if (!timer_) {
        // A window of its own, not one of this window's: the dialogs that block this
        // window (the table, the preferences, a message) must leave it reachable.
        timer_ = std::make_unique<frmRunTimer>([this](int seconds) { TakeElapsedTime(seconds); });
        timer_->SetShowSpeedLog([this] { ShowSpeedLog(); });
        if (log_) {
            LogTimedRuns();
        }
    }
    return timer_.get();
}

SpeedLogLink* frmHome::SpeedLog()
{
    if (!log_) {
        // The log and the libraries it brings (Qt SQL, Qt Charts) are loaded only now:
        // the main window opens as quickly as it would without them.
        const ModuleEntry entry = ModuleFunction(QStringLiteral("log"), CreateSpeedLogSymbol);
        const auto create = reinterpret_cast<CreateSpeedLogFunction>(entry.function);
        if (create == nullptr) {
            MessageBox::Show(General::AppTitle,
                             entry.staleFile.isEmpty()
                                 ? QStringLiteral("The speed log cannot be opened: its part of Trackpace "
                                                  "(trackpace-log) is missing from this installation or cannot be "
                                                  "loaded.")
                                 : QStringLiteral("The speed log cannot be opened: ") + StaleModuleText(entry),
                             MessageBox::Icon::Exclamation);
            return nullptr;
        }
        logHost_ = std::make_unique<LogHost>([this] { return TrackShown(); }, [this] { ShowRunTimer(); });
        log_.reset(create(logHost_.get(), &General::LogPathNative));
        AddProfile();
        if (timer_) {
            LogTimedRuns();
        }
    }
    return log_.get();
}

void frmHome::AddProfile()
{
    ProfileTab::Links links;
    links.station = [this]() -> StationLink& { return Devices()->Station(); };
    links.device = [this]() -> DeviceLink& { return Devices()->Link(); };
    links.record = [this](const MeasuredRun& run, const QString& locomotive, int step, bool reverse) {
        return log_->RecordProfileRun(run, locomotive, step, reverse);
    };
    links.locomotive = [this] { return log_->Locomotive(); };
    links.scaleRatio = [this] { return DeviceRatio(); };
    profile_ = new ProfileTab(std::move(links));
    log_->AddTab(profile_, QStringLiteral("Profile"));
    DecoderTab::Links decoder;
    decoder.log = [this]() -> SpeedLogLink& { return *log_; };
    decoder.station = [this]() -> StationLink& { return Devices()->Station(); };
    decoder.profile = [this] { return profile_.data(); };
    decoder.print = [this](QWidget* window, const QString& title,
                           const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf) {
        logHost_->PrintPage(window, title, QStringLiteral("decoder sheet"), compose, toPdf);
    };
    decoder_ = new DecoderTab(std::move(decoder));
    log_->AddTab(decoder_, QStringLiteral("Decoder"));
}

void frmHome::LogTimedRuns()
{
    timer_->SetRunLog([this](qint64 milliseconds) { return log_->RecordTimedRun(milliseconds); });
}

TrackNow frmHome::TrackShown() const
{
    // The length as typed: the log works out the exact scale distance from it.
    const bool hasLength = !txtLength->text().isEmpty();
    return {General::ScaleName, General::ScaleRatio, configuration_.circle->isChecked(),
            hasLength ? LeadingNumber(txtLength->text()) : 0.0};
}

void frmHome::ShowSpeedLog()
{
    const bool opened = static_cast<bool>(log_);
    if (SpeedLogLink* log = SpeedLog()) {
        QWidget* window = log->Window();
        if (!opened) {
            PlaceClear(*window, window->size(), SmallestSpeedLog);
        }
        Raise(*window);
    }
}

void frmHome::PlaceClear(QWidget& window, const QSize& wanted, const QSize& least)
{
    // Within the screen, beside this window where there is room, else where it covers
    // none of the program's other windows if it can.
    const QMargins frame = FrameMargins();
    std::vector<QRect> keepClear{frameGeometry()};
    const std::array<const QWidget*, 3> others{timer_.get(), log_ ? log_->Window() : nullptr, devices_.get()};
    for (const QWidget* other : others) {
        if (other != nullptr && other != &window && other->isVisible()) {
            keepClear.push_back(other->frameGeometry());
        }
    }
    const QRect place = PlaceWithin(frameGeometry(), keepClear, wanted.grownBy(frame), least.grownBy(frame),
                                    screen()->availableGeometry());
    window.resize(place.size().shrunkBy(frame));
    window.move(place.topLeft());
}

void frmHome::Raise(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

frmDevices* frmHome::Devices()
{
    if (!devices_) {
        devices_ = std::make_unique<frmDevices>([this](const MeasuredRun& run) { return TakeMeasuredRun(run); },
                                                [this] { return DeviceRatio(); }, General::DevicesPathNative);
    }
    return devices_.get();
}

double frmHome::DeviceRatio() const
{
    return log_ ? log_->DeviceRatio() : General::ScaleRatio;
}

QString frmHome::TakeMeasuredRun(const MeasuredRun& run)
{
    // A profile takes every pass while it runs, at the steps it drives, and until its
    // second Stop.
    if (profile_ && profile_->HoldsPasses()) {
        return profile_->Take(run);
    }
    const QString logged = log_ ? log_->RecordMeasuredRun(run)
                                : LogClosedText();
    if (timer_) {
        timer_->ShowMeasured(run, MeasuredSpeedText(run, DeviceRatio()), OverTrack(run, TrackShown()), logged);
    }
    return logged;
}

void frmHome::ReconnectDevice()
{
    if (LoadDevice(General::DevicesPathNative).connect) {
        Devices()->ReconnectKept();
    }
    if (LoadStation(General::DevicesPathNative).connect) {
        Devices()->ReconnectStation();
    }
}

void frmHome::ShowDevices()
{
    frmDevices& devices = *Devices();
    if (!devicesPlaced_) {
        devicesPlaced_ = true;
        PlaceClear(devices, devices.sizeHint(), devices.minimumSizeHint());
    }
    // Shown again, it stays where the user last left it.
    Raise(devices);
}

void frmHome::ShowRunTimer()
{
    frmRunTimer& timer = *RunTimer();
    if (!timerPlaced_) {
        timerPlaced_ = true;
        PlaceClear(timer, timer.sizeHint(), timer.minimumSizeHint());
    }
    // Shown again, it stays where the user last left it.
    Raise(timer);
}

QMargins frmHome::FrameMargins() const
{
    return {geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
            frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom()};
}

void frmHome::TakeElapsedTime(int seconds)
{
    if (!optChkSpd->isChecked()) {
        optChkSpd->setChecked(true);
    }
    udTime->setValue(seconds);
    // Also when the time was already the same: the run timer hears what is shown.
    CalcScaleSpeed();
}

void frmHome::RunModal(QDialog& dialog)
{
    // Modal to this window only: the run timer stays usable meanwhile.
    dialog.setWindowModality(Qt::WindowModal);
    dialog.exec();
    // Becoming active again recomputes the speed; do it here too, since a window
    // manager need not hand the focus back.
    CalcScaleSpeed();
}

void frmHome::Exit()
{
    if (close()) {
        QCoreApplication::exit(0);
    }
}

void frmHome::closeEvent(QCloseEvent* event)
{
    if (log_ && !log_->MayEnd()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool frmHome::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        CalcScaleSpeed();
    }
    return QMainWindow::event(event);
}
