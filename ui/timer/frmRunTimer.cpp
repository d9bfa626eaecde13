// The run timer's window: the stopwatch, its hand-over to the main window, and the pace beeper.
#include "ui/timer/frmRunTimer.h"

#include "core/General.h"
#include "core/RunTiming.h"
#include "core/Scales.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/ValueBox.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <cmath>

namespace {

constexpr int RefreshMillis = 50;  // twenty times a second
constexpr int FlashMillis = 150;
constexpr qint64 ShortestPaceMs = 500;
constexpr int FirstPacedSpeed = 40;

constexpr int NoteWidth = 300;

// A note of up to `lines` lines, wrapped within the window's width.
QLabel* MakeNote(QWidget* parent, int lines, int width = NoteWidth)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFixedWidth(width);
    label->setFixedHeight(lines * label->fontMetrics().lineSpacing());
    return label;
}

}  // namespace

frmRunTimer::frmRunTimer(QWidget* owner, std::function<void(int)> handOver, std::unique_ptr<RunClock> clock,
                         std::unique_ptr<SoundSink> sound)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      handOver_(std::move(handOver)),
      clock_(std::move(clock)),
      sound_(std::move(sound))
{
    setWindowTitle(QStringLiteral("Trackpace - Run Timer"));
    setWindowIcon(StopwatchIcon());
    setFont(WindowFont());
    BuildTimer();
    BuildPace();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdStartStop);
    buttons->addWidget(cmdReset);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(lblFigure, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblHandOver);
    layout->addWidget(lblSpeed);
    layout->addWidget(fraPace);
    // Fixed, and tall enough for every note it shows: it does not jump as they change.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    tmrRefresh = new QTimer(this);
    tmrRefresh->setInterval(RefreshMillis);
    tmrMark = new QTimer(this);
    tmrMark->setSingleShot(true);
    tmrMark->setTimerType(Qt::PreciseTimer);
    tmrFlash = new QTimer(this);
    tmrFlash->setSingleShot(true);
    tmrFlash->setInterval(FlashMillis);
    connect(tmrRefresh, &QTimer::timeout, this, &frmRunTimer::Tick);
    connect(tmrMark, &QTimer::timeout, this, &frmRunTimer::Tick);
    connect(tmrFlash, &QTimer::timeout, this, [this] { Flash(false); });
    // Space is the stopwatch's key wherever the focus is in this window.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, &frmRunTimer::StartStop);

}

frmRunTimer::~frmRunTimer() = default;

void frmRunTimer::BuildTimer()
{
    lblFigure = new QLabel(QStringLiteral("0.0"), this);
    MakeValueBox(lblFigure);
    lblFigure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblFigure->setFont(ArialFont(30, true));
    lblFigure->setFixedHeight(64);
    lblFigure->setToolTip(QStringLiteral(" Elapsed seconds of the run "));
    cmdStartStop = new QPushButton(QStringLiteral("&Start"), this);
    cmdStartStop->setToolTip(QStringLiteral(" Start or stop the run (Space) "));
    cmdReset = new QPushButton(QStringLiteral("&Reset"), this);
    cmdReset->setToolTip(QStringLiteral(" Back to 0.0 "));
    for (QPushButton* button : {cmdStartStop, cmdReset}) {
        button->setAutoDefault(false);
    }
    lblHandOver = MakeNote(this, 2);
    lblHandOver->setText(QStringLiteral("Space starts and stops the timer; the whole seconds go to the main "
                                        "window's elapsed time."));
    lblSpeed = MakeNote(this, 1);
    lblSpeed->setFont(ArialFont(9.75, true));
    lblSpeed->setFixedHeight(lblSpeed->fontMetrics().lineSpacing());
    connect(cmdStartStop, &QPushButton::clicked, this, &frmRunTimer::StartStop);
    connect(cmdReset, &QPushButton::clicked, this, &frmRunTimer::Reset);
}

void frmRunTimer::BuildPace()
{
    fraPace = new QGroupBox(QStringLiteral("Pace beeper"), this);
    cboSpeed = new QComboBox(fraPace);
    for (int speed = 10; speed <= 120; speed += 10) {
        cboSpeed->addItem(QStringLiteral("%1 mph").arg(speed), speed);
    }
    cboSpeed->setCurrentIndex(cboSpeed->findData(FirstPacedSpeed));
    cboSpeed->setToolTip(QStringLiteral(" The table speed to run at "));
    cmdPace = new QPushButton(QStringLiteral("Start &Pacing"), fraPace);
    cmdPace->setAutoDefault(false);
    lblCountdown = MakeNote(fraPace, 2, NoteWidth - 20);
    lblCountdown->setText(QStringLiteral("A beep at the start mark, then one each time the train should pass the "
                                         "end mark."));
    lblSound = MakeNote(fraPace, 2, NoteWidth - 20);
    if (!sound_->Available()) {
        lblSound->setText(QStringLiteral("Sound is unavailable on this computer: the figure flashes at each "
                                         "mark instead."));
    }
    auto* layout = new QGridLayout(fraPace);
    layout->addWidget(cboSpeed, 0, 0);
    layout->addWidget(cmdPace, 0, 1);
    layout->addWidget(lblCountdown, 1, 0, 1, 2);
    layout->addWidget(lblSound, 2, 0, 1, 2);
    connect(cmdPace, &QPushButton::clicked, this, &frmRunTimer::StartStopPace);
}

void frmRunTimer::StartStop()
{
    if (running_) {
        Stop();
    } else {
        Start();
    }
}

void frmRunTimer::Start()
{
    // Every start times a new run; the last one stays shown until now.
    running_ = true;
    startMs_ = clock_->Milliseconds();
    lastTenths_ = -1;
    lblFigure->setText(TenthsText(0));
    lblHandOver->clear();
    lblSpeed->clear();
    cmdStartStop->setText(QStringLiteral("&Stop"));
    UpdateRefresh();
}

void frmRunTimer::Stop()
{
    const qint64 tenths = ShownTenths(clock_->Milliseconds() - startMs_);
    running_ = false;
    lastTenths_ = tenths;
    lblFigure->setText(TenthsText(tenths));
    cmdStartStop->setText(QStringLiteral("&Start"));
    UpdateRefresh();
    if (const std::optional<int> seconds = HandedOverSeconds(tenths)) {
        handOver_(*seconds);
        lblHandOver->setText(QStringLiteral("%1 s handed to the main window as the elapsed time.").arg(*seconds));
    } else {
        lblHandOver->setText(tenths < 5 ? QStringLiteral("Not handed over: the run took less than half a second. "
                                                         "The elapsed time is 1 to 60 seconds.")
                                        : QStringLiteral("Not handed over: the run took more than 60.4 seconds. "
                                                         "The elapsed time is 1 to 60 seconds."));
    }
    ShowSpeed();
}

void frmRunTimer::Reset()
{
    if (running_) {
        startMs_ = clock_->Milliseconds();
    }
    lastTenths_ = -1;
    lblFigure->setText(TenthsText(0));
    lblHandOver->clear();
    lblSpeed->clear();
}

void frmRunTimer::ShowSpeed()
{
    // Over the main window's scale distance as it is now; a run too short to time
    // by hand (under half a second) has no speed worth showing.
    if (lastTenths_ < 5) {
        lblSpeed->clear();
        return;
    }
    lblSpeed->setText(SpeedWithRange(General::ScaleDistance, lastTenths_));
}

void frmRunTimer::StartStopPace()
{
    if (pacing_) {
        StopPace();
    } else {
        StartPace();
    }
}

void frmRunTimer::StartPace()
{
    const int speed = cboSpeed->currentData().toInt();
    const TableRow row = TableRowOf(speed / 10 - 1, General::ScaleDistance, General::WorkTime);
    const qint64 runMs = std::llround(static_cast<double>(General::WorkTime) * 1000.0);
    if (General::ScaleDistance <= 0.0F) {
        lblCountdown->setText(QStringLiteral("Enter a length in the main window first: there is no run to pace."));
        return;
    }
    if (runMs < ShortestPaceMs) {
        lblCountdown->setText(QStringLiteral("At %1 mph the run takes only %2 s, too short to pace by ear.")
                                  .arg(speed)
                                  .arg(row.runTimeText));
        return;
    }
    pacing_ = true;
    runMs_ = runMs;
    paceStartMs_ = clock_->Milliseconds();
    marksBeeped_ = 0;
    cboSpeed->setEnabled(false);
    cmdPace->setText(QStringLiteral("Stop &Pacing"));
    Tick();
    UpdateRefresh();
}

void frmRunTimer::StopPace()
{
    pacing_ = false;
    tmrMark->stop();
    cboSpeed->setEnabled(true);
    cmdPace->setText(QStringLiteral("Start &Pacing"));
    lblCountdown->setText(QStringLiteral("Stopped after %1 runs.").arg(std::max<qint64>(0, marksBeeped_ - 1)));
    UpdateRefresh();
}

void frmRunTimer::Tick()
{
    const qint64 now = clock_->Milliseconds();
    if (running_) {
        lblFigure->setText(TenthsText(ShownTenths(now - startMs_)));
    }
    if (!pacing_) {
        return;
    }
    const qint64 sincePaceStart = now - paceStartMs_;
    const PacePoint point = PaceAt(sincePaceStart, runMs_);
    if (point.marksPassed > marksBeeped_) {
        Mark(marksBeeped_ == 0 ? PaceMark::Start : PaceMark::Next);
        marksBeeped_ = point.marksPassed;
    }
    const qint64 untilNext = point.nextMarkMs - sincePaceStart;
    lblCountdown->setText(QStringLiteral("Next mark in %1 s, run %2 of %3 s")
                              .arg(TenthsText(ShownTenths(untilNext + 99)))
                              .arg(point.marksPassed)
                              .arg(TenthsText(ShownTenths(runMs_ + 50))));
    tmrMark->start(static_cast<int>(untilNext));
}

void frmRunTimer::Mark(PaceMark mark)
{
    sound_->Beep(mark);
    Flash(true);
    tmrFlash->start();
}

void frmRunTimer::Flash(bool on)
{
    lblFigure->setBackgroundRole(on ? QPalette::Highlight : QPalette::Base);
    lblFigure->setForegroundRole(on ? QPalette::HighlightedText : QPalette::WindowText);
}

void frmRunTimer::UpdateRefresh()
{
    // No timer runs while nothing is timed or paced.
    if (running_ || pacing_) {
        tmrRefresh->start();
    } else {
        tmrRefresh->stop();
    }
}

bool frmRunTimer::event(QEvent* event)
{
    // The main window may have changed its track since the run was stopped.
    if (event->type() == QEvent::WindowActivate && !running_) {
        ShowSpeed();
    }
    return QDialog::event(event);
}

void frmRunTimer::closeEvent(QCloseEvent* event)
{
    if (pacing_) {
        StopPace();
    }
    running_ = false;
    cmdStartStop->setText(QStringLiteral("&Start"));
    UpdateRefresh();
    QDialog::closeEvent(event);
}
