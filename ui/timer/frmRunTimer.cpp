// The run timer's window: the stopwatch, its hand-over to the main window, and the pace beeper.
#include "ui/timer/frmRunTimer.h"

#include "core/General.h"
#include "core/RunTiming.h"
#include "core/Scales.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/ValueBox.h"
#include "ui/Named.h"

#include <QComboBox>
#include <QBoxLayout>
#include <QGridLayout>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <cmath>

namespace {

constexpr int RefreshMillis = 50;  // twenty times a second
constexpr int FlashMillis = 150;
constexpr qint64 ShortestPaceMs = 500;
constexpr int FirstPacedRow = 3;  // 40 mph

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

frmRunTimer::frmRunTimer(std::function<void(int)> handOver, std::unique_ptr<RunClock> clock,
                         std::unique_ptr<SoundSink> sound)
    : QDialog(nullptr, DialogFlags()),
      handOver_(std::move(handOver)),
      clock_(std::move(clock)),
      sound_(std::move(sound))
{
    setObjectName(QStringLiteral("frmRunTimer"));
    setWindowTitle(QStringLiteral("Trackpace - Run Timer"));
    setWindowIcon(StopwatchIcon());
    setFont(WindowFont());
    // Open beside the main window, it must not keep the program running once the
    // main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
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
    layout->addWidget(lblLog);
    layout->addWidget(fraPace);
    // Fixed, and tall enough for every note it shows: it does not jump as they change.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Named(&tmrRefresh, "tmrRefresh")->setInterval(RefreshMillis);
    Named(&tmrMark, "tmrMark")->setSingleShot(true);
    tmrMark.setTimerType(Qt::PreciseTimer);
    Named(&tmrFlash, "tmrFlash")->setSingleShot(true);
    tmrFlash.setInterval(FlashMillis);
    connect(&tmrRefresh, &QTimer::timeout, this, &frmRunTimer::Tick);
    connect(&tmrMark, &QTimer::timeout, this, &frmRunTimer::Tick);
    connect(&tmrFlash, &QTimer::timeout, this, [this] { Flash(false); });
    // Space is the stopwatch's key wherever the focus is in this window. A held key
    // repeats; only the press itself starts or stops.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setAutoRepeat(false);
    connect(space, &QShortcut::activated, this, &frmRunTimer::StartStop);
    // The speed log and this window, from here as from the main window.
    auto* log = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(log, &QShortcut::activated, this, [this] {
        if (showLog_) {
            showLog_();
        }
    });
    auto* self = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(self, &QShortcut::activated, this, [this] {
        raise();
        activateWindow();
    });
    QCoreApplication::instance()->installEventFilter(this);
}

frmRunTimer::~frmRunTimer()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool frmRunTimer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (!event->isInputEvent() && type != QEvent::ShortcutOverride) {
        return false;
    }
    const quint64 stamp = static_cast<QInputEvent*>(event)->timestamp();
    clock_->Saw(stamp);
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool here = widget != nullptr && widget->window() == this;
    const bool space = (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) &&
                       static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    // A button clicks as the mouse is let go.
    if (here && (space || type == QEvent::MouseButtonRelease)) {
        pressedAt_ = clock_->At(stamp);
        // Only while this very event is handled.
        QTimer::singleShot(0, this, [this] { pressedAt_.reset(); });
    }
    return false;
}

qint64 frmRunTimer::PressedAt() const
{
    return pressedAt_.value_or(clock_->Milliseconds());
}

void frmRunTimer::UseDevices(std::unique_ptr<RunClock> clock, std::unique_ptr<SoundSink> sound)
{
    clock_ = std::move(clock);
    sound_ = std::move(sound);
    ShowSoundNote();
}

void frmRunTimer::BuildTimer()
{
    lblFigure = Named(new QLabel(QStringLiteral("0.0"), this), "lblFigure");
    MakeValueBox(lblFigure);
    lblFigure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblFigure->setFont(ArialFont(30, true));
    lblFigure->setFixedHeight(64);
    lblFigure->setToolTip(QStringLiteral(" Elapsed seconds of the run, or the countdown to the next pace mark "));
    cmdStartStop = Named(new QPushButton(QStringLiteral("&Start"), this), "cmdStartStop");
    cmdStartStop->setToolTip(QStringLiteral(" Start or stop the run (Space) "));
    cmdReset = Named(new QPushButton(QStringLiteral("&Reset"), this), "cmdReset");
    cmdReset->setToolTip(QStringLiteral(" Back to 0.0 "));
    for (QPushButton* button : {cmdStartStop, cmdReset}) {
        button->setAutoDefault(false);
    }
    lblHandOver = Named(MakeNote(this, 2), "lblHandOver");
    lblHandOver->setText(QStringLiteral("Space starts and stops the timer; the whole seconds go to the main "
                                        "window's elapsed time."));
    lblSpeed = Named(MakeNote(this, 1), "lblSpeed");
    lblSpeed->setFont(ArialFont(9.75, true));
    lblSpeed->setFixedHeight(lblSpeed->fontMetrics().lineSpacing());
    lblLog = Named(MakeNote(this, 2), "lblLog");
    lblLog->setTextFormat(Qt::PlainText);  // it names the locomotive as typed
    lblLog->hide();
    connect(cmdStartStop, &QPushButton::clicked, this, &frmRunTimer::StartStop);
    connect(cmdReset, &QPushButton::clicked, this, &frmRunTimer::Reset);
}

void frmRunTimer::BuildPace()
{
    fraPace = Named(new QGroupBox(QStringLiteral("Pace beeper"), this), "fraPace");
    cboSpeed = Named(new QComboBox(fraPace), "cboSpeed");
    for (int row = 0; row < TableRowCount; ++row) {
        cboSpeed->addItem(QStringLiteral("%1 mph").arg(TableSpeed(row)), TableSpeed(row));
    }
    cboSpeed->setCurrentIndex(FirstPacedRow);
    cboSpeed->setToolTip(QStringLiteral(" The table speed to run at "));
    cmdPace = Named(new QPushButton(QStringLiteral("Start &Pacing"), fraPace), "cmdPace");
    cmdPace->setAutoDefault(false);
    lblCountdown = Named(MakeNote(fraPace, 2, NoteWidth - 20), "lblCountdown");
    lblCountdown->setText(QStringLiteral("A beep at the start mark, then one each time the train should pass the "
                                         "end mark."));
    lblSound = Named(MakeNote(fraPace, 2, NoteWidth - 20), "lblSound");
    ShowSoundNote();
    auto* layout = new QGridLayout(fraPace);
    layout->addWidget(cboSpeed, 0, 0);
    layout->addWidget(cmdPace, 0, 1);
    layout->addWidget(lblCountdown, 1, 0, 1, 2);
    layout->addWidget(lblSound, 2, 0, 1, 2);
    connect(cmdPace, &QPushButton::clicked, this, &frmRunTimer::StartStopPace);
}

void frmRunTimer::ShowSoundNote()
{
    lblSound->setText(sound_->Available() ? QString()
                                          : QStringLiteral("Sound is unavailable on this computer: the figure "
                                                           "flashes at each mark instead."));
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
    startMs_ = PressedAt();
    ClearRun();
    cmdStartStop->setText(QStringLiteral("&Stop"));
    UpdateRefresh();
}

void frmRunTimer::SetRunLog(std::function<QString(qint64)> log)
{
    runLog_ = std::move(log);
    lblLog->setVisible(static_cast<bool>(runLog_));
}

void frmRunTimer::Stop()
{
    const qint64 milliseconds = std::max<qint64>(0, PressedAt() - startMs_);
    const qint64 tenths = ShownTenths(milliseconds);
    running_ = false;
    lastTenths_ = tenths;
    lblFigure->setText(TenthsText(tenths));
    cmdStartStop->setText(QStringLiteral("&Start"));
    UpdateRefresh();
    ShowSpeed();
    if (runLog_) {
        lblLog->setText(runLog_(milliseconds));
    }
    handedSeconds_ = HandedOverSeconds(tenths);
    if (handedSeconds_) {
        // The main window answers with MainWindowChanged, which writes the note.
        handOver_(*handedSeconds_);
        return;
    }
    lblHandOver->setText(tenths < ShortestRunTenths
                             ? QStringLiteral("Not handed over: the run took less than half a second. "
                                              "The elapsed time is 1 to 60 seconds.")
                             : QStringLiteral("Not handed over: the run took more than 60.4 seconds. "
                                              "The elapsed time is 1 to 60 seconds."));
}

void frmRunTimer::ShowMeasured(const MeasuredRun& run, const QString& speed, bool overTrack, const QString& logged)
{
    lblLog->setText(logged);
    lblLog->show();
    if (running_) {
        return;
    }
    const qint64 tenths = ShownTenths(run.microseconds / 1000);
    lastTenths_ = tenths;
    measuredSpeed_ = speed;
    lblFigure->setText(QString::number(static_cast<double>(run.microseconds) / 1e6, 'f', 3));
    lblSpeed->setText(speed);
    handedSeconds_ = overTrack ? HandedOverSeconds(tenths) : std::nullopt;
    if (handedSeconds_) {
        handOver_(*handedSeconds_);
        return;
    }
    lblHandOver->setText(overTrack ? QStringLiteral("Not handed over: the elapsed time is 1 to 60 seconds.")
                                   : QStringLiteral("Not handed over: the %1 measured over %2 mm, not over the main "
                                                    "window's track.")
                                         .arg(run.source)
                                         .arg(run.millimetres, 0, 'g', 8));
}

void frmRunTimer::Reset()
{
    if (running_) {
        startMs_ = clock_->Milliseconds();
    }
    ClearRun();
}

void frmRunTimer::ClearRun()
{
    lastTenths_ = -1;
    measuredSpeed_.clear();
    handedSeconds_.reset();
    lblFigure->setText(TenthsText(0));
    lblHandOver->clear();
    lblSpeed->clear();
    lblLog->clear();
}

void frmRunTimer::MainWindowChanged(int seconds, const QString& speedText)
{
    if (handedSeconds_ && *handedSeconds_ == seconds) {
        // The main window counts whole seconds, this window tenths: say which is which.
        lblHandOver->setText(QStringLiteral("Handed over as %1 s: %2 in the main window.").arg(seconds).arg(speedText));
    } else if (handedSeconds_) {
        // The elapsed time has been changed there since: the sentence no longer holds.
        handedSeconds_.reset();
        lblHandOver->clear();
    }
    if (!running_) {
        ShowSpeed();
    }
    QString whyNot;
    const std::optional<qint64> runMs = PaceRunMs(whyNot);
    if (pacing_) {
        if (!runMs) {
            StopPace(whyNot);
            showsWhyNot_ = true;
            return;
        }
        nextRunMs_ = *runMs;
        Tick();
    } else if (runMs && showsWhyNot_) {
        // "Enter a length first" and the like are no longer true.
        lblCountdown->clear();
        showsWhyNot_ = false;
    }
}

void frmRunTimer::ShowSpeed()
{
    if (!measuredSpeed_.isEmpty()) {
        return;  // a device's run: its speed is over its own distance
    }
    // Over the main window's scale distance as it is now; a run too short to time
    // by hand (under half a second) has no speed worth showing.
    if (lastTenths_ < ShortestRunTenths) {
        lblSpeed->clear();
        return;
    }
    lblSpeed->setText(SpeedWithRange(General::ScaleDistance, lastTenths_));
}

void frmRunTimer::StartStopPace()
{
    if (pacing_) {
        StopPace(QStringLiteral("Stopped after %1.").arg(RunsText(std::max<qint64>(0, marksBeeped_ - 1))));
    } else {
        StartPace();
    }
}

std::optional<qint64> frmRunTimer::PaceRunMs(QString& whyNot) const
{
    if (General::ScaleDistance <= 0.0F) {
        whyNot = QStringLiteral("Enter a length in the main window first: there is no run to pace.");
        return std::nullopt;
    }
    // The items are the table's rows, in order.
    const TableRow row = TableRowOf(cboSpeed->currentIndex(), General::ScaleDistance);
    const qint64 runMs = std::llround(static_cast<double>(row.runTime) * 1000.0);
    if (runMs < ShortestPaceMs) {
        whyNot = QStringLiteral("At %1 mph the run takes only %2 s, too short to pace by ear.")
                     .arg(row.speed)
                     .arg(row.runTimeText);
        return std::nullopt;
    }
    return runMs;
}

void frmRunTimer::StartPace()
{
    QString whyNot;
    const std::optional<qint64> runMs = PaceRunMs(whyNot);
    if (!runMs) {
        lblCountdown->setText(whyNot);
        showsWhyNot_ = true;
        return;
    }
    pacing_ = true;
    runMs_ = *runMs;
    nextRunMs_ = *runMs;
    nextMarkMs_ = clock_->Milliseconds();
    marksBeeped_ = 0;
    // The figure is the countdown now; the last run's lines belong to that run.
    if (!running_) {
        ClearRun();
    }
    cboSpeed->setEnabled(false);
    cmdPace->setText(QStringLiteral("Stop &Pacing"));
    Tick();
    UpdateRefresh();
}

void frmRunTimer::StopPace(const QString& why)
{
    pacing_ = false;
    tmrMark.stop();
    cboSpeed->setEnabled(true);
    cmdPace->setText(QStringLiteral("Start &Pacing"));
    lblCountdown->setText(why);
    showsWhyNot_ = false;
    if (!running_) {
        lblFigure->setText(TenthsText(0));
    }
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
    if (now >= nextMarkMs_) {
        Mark(marksBeeped_ == 0 ? PaceMark::Start : PaceMark::Next);
        // A late tick (a busy computer) beeps once and keeps to the marks' own times.
        while (nextMarkMs_ <= now) {
            ++marksBeeped_;
            runMs_ = nextRunMs_;
            nextMarkMs_ += runMs_;
        }
    }
    const qint64 untilNext = nextMarkMs_ - now;
    if (!running_) {
        lblFigure->setText(CountdownText(untilNext, runMs_));
    }
    QString text = QStringLiteral("Next mark in %1 s, run %2 of %3 s")
                       .arg(CountdownText(untilNext, runMs_))
                       .arg(marksBeeped_)
                       .arg(TenthsText(RunTenths(runMs_)));
    if (nextRunMs_ != runMs_) {
        text += QStringLiteral("; then %1 s a run").arg(TenthsText(RunTenths(nextRunMs_)));
    }
    lblCountdown->setText(text);
    tmrMark.start(static_cast<int>(untilNext));
}

void frmRunTimer::Mark(PaceMark mark)
{
    sound_->Beep(mark);
    Flash(true);
    tmrFlash.start();
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
        tmrRefresh.start();
    } else {
        tmrRefresh.stop();
    }
}

void frmRunTimer::reject()
{
    if (pacing_) {
        StopPace(QStringLiteral("Stopped when the window was closed."));
    }
    if (running_) {
        running_ = false;
        lblHandOver->setText(QStringLiteral("Not handed over: the window was closed during the run."));
        cmdStartStop->setText(QStringLiteral("&Start"));
        UpdateRefresh();
    }
    QDialog::reject();
}
