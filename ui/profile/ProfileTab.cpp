// The speed log's Profile tab: a locomotive's speed profile set up, confirmed, run through the command station and the trap, and stopped.
#include "ui/profile/ProfileTab.h"

#include "core/RunTiming.h"
#include "devices/DeviceLink.h"
#include "station/ProfileRun.h"
#include "station/StationLink.h"
#include "ui/Named.h"
#include "ui/profile/ProfileCurve.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QDoubleSpinBox* Number(QWidget* parent, const char* name, double low, double high, int decimals, const QString& suffix)
{
    auto* box = Named(new QDoubleSpinBox(parent), name);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

QString TimeText(double seconds)
{
    const auto whole = static_cast<qint64>(std::lround(seconds));
    return whole >= 60 ? QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'))
                       : QStringLiteral("%1 s").arg(whole);
}

// How long after a profile's end its locomotive may still roll through the trap: passes
// then are not the log's (at least twice the settling time).
constexpr double RollingSeconds = 10.0;

bool AskUser(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, QStringLiteral("Start the Profile"), text,
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace

ProfileTab::ProfileTab(Links links, QWidget* parent) : QWidget(parent), links_(std::move(links))
{
    setObjectName(QStringLiteral("ProfileTab"));
    Confirm = [this](const QString& text) { return AskUser(window(), text); };
    Build();
    ShowPlan();
    SetRunning(false);
}

ProfileTab::~ProfileTab()
{
    // The window goes with a profile still running (Trackpace ends): the locomotive stops.
    if (Running()) {
        run_->Stop();
    }
}

void ProfileTab::Build()
{
    spnAddress = Named(new QSpinBox(this), "spnAddress");
    spnAddress->setRange(1, 10239);
    spnAddress->setValue(3);
    chkLongAddress = Named(new QCheckBox(QStringLiteral("Long address"), this), "chkLongAddress");
    cboStepMode = Named(new QComboBox(this), "cboStepMode");
    cboStepMode->addItem(QStringLiteral("128 steps (1-126)"), 128);
    cboStepMode->addItem(QStringLiteral("28 steps"), 28);
    optEvery = Named(new QRadioButton(QStringLiteral("Every"), this), "optEvery");
    spnEvery = Named(new QSpinBox(this), "spnEvery");
    spnEvery->setRange(1, 126);
    spnEvery->setValue(10);
    spnEvery->setSuffix(QStringLiteral(" steps, and the highest"));
    optList = Named(new QRadioButton(QStringLiteral("These:"), this), "optList");
    txtSteps = Named(new QLineEdit(this), "txtSteps");
    txtSteps->setPlaceholderText(QStringLiteral("1, 5, 10-20"));
    auto* group = new QButtonGroup(this);
    group->addButton(optEvery);
    group->addButton(optList);
    optEvery->setChecked(true);
    chkForward = Named(new QCheckBox(QStringLiteral("Forward"), this), "chkForward");
    chkReverse = Named(new QCheckBox(QStringLiteral("then reverse"), this), "chkReverse");
    chkForward->setChecked(true);
    chkReverse->setChecked(true);
    spnPasses = Named(new QSpinBox(this), "spnPasses");
    spnPasses->setRange(1, 50);
    spnPasses->setValue(3);
    spnWarmUp = Number(this, "spnWarmUp", 0.0, 60.0, 1, QStringLiteral(" min"));
    spnSettle = Number(this, "spnSettle", 0.0, 600.0, 1, QStringLiteral(" s"));
    spnSettle->setValue(5.0);
    spnHighest = Named(new QSpinBox(this), "spnHighest");
    spnHighest->setRange(1, 126);
    spnHighest->setValue(126);
    spnLongest = Number(this, "spnLongest", 0.1, 3600.0, 1, QStringLiteral(" s"));
    spnLongest->setValue(60.0);
    chkFromLoop = Named(new QCheckBox(QStringLiteral("after the first step, twice a lap of"), this), "chkFromLoop");
    spnLoop = Number(this, "spnLoop", 0.0, 1'000'000.0, 0, QStringLiteral(" mm"));
    cmdStart = Named(new QPushButton(QStringLiteral("Start"), this), "cmdStart");
    cmdStop = Named(new QPushButton(QStringLiteral("Stop (Esc, Space)"), this), "cmdStop");
    lblPlan = Named(new QLabel(this), "lblPlan");
    lblProgress = Named(new QLabel(this), "lblProgress");
    lblProfileState = Named(new QLabel(this), "lblProfileState");
    for (QLabel* label : {lblPlan, lblProgress, lblProfileState}) {
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
    }
    curve_ = Named(new ProfileCurve(this), "curveProfile");

    const auto row = [this](std::initializer_list<QWidget*> widgets) {
        auto* layout = new QHBoxLayout;
        for (QWidget* widget : widgets) {
            layout->addWidget(widget);
        }
        layout->addStretch();
        return layout;
    };
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Address:"), row({spnAddress, chkLongAddress}));
    form->addRow(QStringLiteral("Speed steps:"), cboStepMode);
    auto* steps = row({optEvery, spnEvery, optList});
    steps->insertWidget(3, txtSteps, 1);
    form->addRow(QStringLiteral("Steps to measure:"), steps);
    form->addRow(QStringLiteral("Directions:"), row({chkForward, chkReverse}));
    form->addRow(QStringLiteral("Passes per step:"), spnPasses);
    form->addRow(QStringLiteral("Warm-up at the middle step:"), spnWarmUp);
    form->addRow(QStringLiteral("Settling after each change:"), spnSettle);
    form->addRow(QStringLiteral("Highest step allowed:"), spnHighest);
    form->addRow(QStringLiteral("Longest a pass may take:"), row({spnLongest, chkFromLoop, spnLoop}));
    auto* buttons = row({cmdStart, cmdStop});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblPlan);
    layout->addLayout(buttons);
    layout->addWidget(lblProgress);
    layout->addWidget(lblProfileState);
    layout->addWidget(curve_, 1);

    for (QSpinBox* box : {spnAddress, spnEvery, spnPasses, spnHighest}) {
        connect(box, &QSpinBox::valueChanged, this, &ProfileTab::ShowPlan);
    }
    for (QDoubleSpinBox* box : {spnWarmUp, spnSettle, spnLongest, spnLoop}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, &ProfileTab::ShowPlan);
    }
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{chkLongAddress, optEvery, optList, chkForward,
                                                                       chkReverse, chkFromLoop}) {
        connect(box, &QAbstractButton::toggled, this, &ProfileTab::ShowPlan);
    }
    connect(cboStepMode, &QComboBox::currentIndexChanged, this, [this] {
        const int top = TopStep(cboStepMode->currentData().toInt());
        spnHighest->setMaximum(top);
        spnEvery->setMaximum(top);
        ShowPlan();
    });
    connect(txtSteps, &QLineEdit::textChanged, this, [this] {
        optList->setChecked(true);
        ShowPlan();
    });
    connect(cmdStart, &QPushButton::clicked, this, &ProfileTab::Start);
    connect(cmdStop, &QPushButton::clicked, this, &ProfileTab::Stop);
    // While a profile runs, and once more after Stop, Esc and Space stop it wherever the
    // focus is in the window, before any control takes the key.
    qApp->installEventFilter(this);
}

std::optional<ProfilePlan> ProfileTab::Plan(QString& whyNot) const
{
    ProfilePlan plan;
    plan.locomotive = {spnAddress->value(), chkLongAddress->isChecked()};
    plan.stepMode = cboStepMode->currentData().toInt();
    plan.highestStep = spnHighest->value();
    if (optEvery->isChecked()) {
        plan.steps = EveryNthStep(spnEvery->value(), plan.highestStep);
    } else if (const auto steps = ParseSteps(txtSteps->text(), plan.stepMode, whyNot)) {
        plan.steps = *steps;
    } else {
        return std::nullopt;
    }
    plan.forward = chkForward->isChecked();
    plan.reverse = chkReverse->isChecked();
    plan.passes = spnPasses->value();
    plan.warmUpMinutes = spnWarmUp->value();
    plan.settleSeconds = spnSettle->value();
    plan.longestPassSeconds = spnLongest->value();
    plan.longestFromLoop = chkFromLoop->isChecked();
    plan.loopMillimetres = spnLoop->value();
    if (const std::optional<QString> fault = PlanFault(plan)) {
        whyNot = *fault;
        return std::nullopt;
    }
    return plan;
}

void ProfileTab::ShowPlan()
{
    QString whyNot;
    const std::optional<ProfilePlan> plan = Plan(whyNot);
    if (!plan) {
        lblPlan->setText(whyNot);
        cmdStart->setEnabled(false);
        return;
    }
    const QString directions = plan->forward && plan->reverse ? QStringLiteral("forward, then stopped and reversed")
                               : plan->forward               ? QStringLiteral("forward")
                                                             : QStringLiteral("reverse");
    const int stepCount = static_cast<int>(plan->steps.size()) * ((plan->forward ? 1 : 0) + (plan->reverse ? 1 : 0));
    lblPlan->setText(QStringLiteral("Plan: steps %1 %2; at each, %3 logged after one thrown away: %4 passes in all.")
                         .arg(StepsText(plan->steps), directions)
                         .arg(plan->passes == 1 ? QStringLiteral("1 pass") : QStringLiteral("%1 passes").arg(plan->passes))
                         .arg(stepCount * (plan->passes + 1)));
    cmdStart->setEnabled(!Running());
}

bool ProfileTab::Running() const
{
    return run_ && run_->Running();
}

void ProfileTab::Start()
{
    if (Running()) {
        return;
    }
    QString whyNot;
    const std::optional<ProfilePlan> plan = Plan(whyNot);
    if (!plan) {
        lblProfileState->setText(whyNot);
        return;
    }
    Run(*plan, links_.locomotive(), {});
}

ProfilePlan ProfileTab::Timing() const
{
    ProfilePlan plan;
    plan.passes = spnPasses->value();
    plan.settleSeconds = spnSettle->value();
    plan.longestPassSeconds = spnLongest->value();
    plan.longestFromLoop = chkFromLoop->isChecked();
    plan.loopMillimetres = spnLoop->value();
    return plan;
}

bool ProfileTab::Run(const ProfilePlan& plan, const QString& locomotive, const QString& before,
                     const std::function<std::optional<QString>()>& first)
{
    if (Running()) {
        return false;
    }
    QString whyNot;
    StationLink& station = links_.station();
    DeviceLink& device = links_.device();
    if (!station.Ready()) {
        whyNot = QStringLiteral("Connect a command station first: File > Devices..., Command station.");
    } else if (!device.Connected()) {
        whyNot = QStringLiteral("Connect the trap first: File > Devices..., Timing device.");
    } else if (locomotive.isEmpty()) {
        whyNot = QStringLiteral("Type or choose the locomotive in the log first: its runs are logged under that name.");
    }
    if (!whyNot.isEmpty()) {
        lblProfileState->setText(whyNot);
        emit Finished(whyNot, false);
        return false;
    }
    const QString text =
        before +
        QStringLiteral("%1, address %2, will move on its own, up to step %3 of %4, %5.\r\rKeep a hand near Stop: "
                       "Esc or Space stops it, and pressed again gives an emergency stop.")
            .arg(locomotive, AddressText(plan.locomotive))
            .arg(plan.highestStep)
            .arg(plan.stepMode)
            .arg(plan.forward && plan.reverse ? QStringLiteral("forward, then reverse")
                                              : plan.forward ? QStringLiteral("forward") : QStringLiteral("reverse"));
    if (!Confirm(text)) {
        emit Finished(QStringLiteral("Not started."), false);
        return false;
    }
    if (const std::optional<QString> fault = first ? first() : std::nullopt) {
        lblProfileState->setText(*fault);
        emit Finished(*fault, true);
        return false;
    }
    if (run_) {
        run_->deleteLater();
    }
    run_ = new ProfileRun(station, plan);
    sinceEnd_.invalidate();
    connect(run_, &ProfileRun::Measured, this, &ProfileTab::Logged);
    connect(run_, &ProfileRun::Progressed, this, &ProfileTab::ShowProgress);
    connect(run_, &ProfileRun::Ended, this, &ProfileTab::Ended);
    connect(&device, &DeviceLink::StateChanged, run_, [this] { DeviceChanged(); });
    if (!watching_) {
        watching_ = true;
        window()->installEventFilter(this);
    }
    locomotive_ = locomotive;
    curve_->Clear();
    curve_->SetTopStep(TopStep(plan.stepMode));
    lblProfileState->clear();
    SetRunning(true);
    run_->Start();
    return true;
}

void ProfileTab::Stop()
{
    if (run_) {
        run_->Stop();
    }
}

bool ProfileTab::HoldsPasses() const
{
    return run_ && (run_->Running() || run_->AwaitsSecondStop() || StillRolling());
}

bool ProfileTab::StillRolling() const
{
    // A locomotive let go at the end coasts on its momentum, and may pass the trap again.
    const double seconds = std::max(RollingSeconds, 2.0 * run_->Plan().settleSeconds);
    return sinceEnd_.isValid() && sinceEnd_.elapsed() < seconds * 1000.0;
}

QString ProfileTab::Take(const MeasuredRun& run)
{
    if (!Running()) {
        return StillRolling() && !run_->AwaitsSecondStop()
                   ? QStringLiteral("Not logged: the profile has just ended, and its locomotive may still be rolling.")
                   : QStringLiteral("Not logged: the profile was stopped, and the locomotive may still be rolling.");
    }
    run_->Take(run);
    return run_->Progress().doing;
}

void ProfileTab::Logged(const MeasuredRun& run, int step, bool reverse)
{
    const LogAnswer answer = links_.record(run, locomotive_, step, reverse);
    if (!answer.kept) {
        run_->Abort(QStringLiteral("The log did not keep the pass: %1").arg(answer.told));
        return;
    }
    const double mph = MeasuredMph(run, links_.scaleRatio());
    curve_->Add(step, reverse, mph);
    emit Passed(step, reverse, mph);
}

void ProfileTab::DeviceChanged()
{
    DeviceLink& device = links_.device();
    if (Running() && !device.Connected()) {
        run_->Abort(QStringLiteral("The trap went: %1").arg(device.State()));
    }
}

void ProfileTab::ShowProgress()
{
    if (!run_) {
        return;
    }
    const ProfileProgress& progress = run_->Progress();
    if (!run_->Running()) {
        return;
    }
    QString text = progress.doing;
    if (progress.step > 0 && progress.taken > 0) {
        text += QStringLiteral(": pass %1 of %2").arg(progress.taken).arg(run_->Plan().passes);
    }
    text += QStringLiteral(". Steps done: %1 of %2; runs logged: %3")
                .arg(progress.stepsDone)
                .arg(progress.stepsInAll)
                .arg(progress.runsLogged);
    if (progress.secondsLeft >= 0.0) {
        text += QStringLiteral("; about %1 left").arg(TimeText(progress.secondsLeft));
    }
    lblProgress->setText(text + QLatin1Char('.'));
}

void ProfileTab::Ended(const QString& why, bool fault)
{
    const ProfileProgress& progress = run_->Progress();
    lblProgress->setText(QStringLiteral("Steps done: %1 of %2; runs logged: %3.")
                             .arg(progress.stepsDone)
                             .arg(progress.stepsInAll)
                             .arg(progress.runsLogged));
    lblProfileState->setText(why);
    lblProfileState->setStyleSheet(fault ? QStringLiteral("color: #b00000; font-weight: bold") : QString());
    SetRunning(false);
    sinceEnd_.start();
    emit Finished(why, fault);
}

void ProfileTab::SetRunning(bool running)
{
    for (QWidget* control : std::initializer_list<QWidget*>{spnAddress, chkLongAddress, cboStepMode, optEvery, spnEvery,
                                                           optList, txtSteps, chkForward, chkReverse, spnPasses, spnWarmUp,
                                                           spnSettle, spnHighest, spnLongest, chkFromLoop, spnLoop}) {
        control->setEnabled(!running);
    }
    cmdStart->setEnabled(!running);
    if (running) {
        cmdStop->setFocus();
    } else {
        ShowPlan();
    }
}

bool ProfileTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && run_ && (run_->Running() || run_->AwaitsSecondStop())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if ((key->key() == Qt::Key_Escape || key->key() == Qt::Key_Space) && !key->isAutoRepeat() && widget != nullptr &&
            widget->window() == window()) {
            Stop();
            return true;
        }
    }
    // Closing the log's window stops the profile.
    if (watched == window() && event->type() == QEvent::Close && Running()) {
        run_->Stop();
    }
    return QWidget::eventFilter(watched, event);
}
