// The run timer: timing by hand into the main window, the speed with its range, and the pace beeper's marks.
#include "core/General.h"
#include "core/RunTiming.h"
#include "ui/UpDown.h"
#include "ui/home/HomeHost.h"
#include "ui/devices/frmDevices.h"
#include "ui/home/frmHome.h"
#include "ui/table/frmTvsS.h"
#include "ui/timer/frmRunTimer.h"
#include "ui/WindowPlacement.h"

#include "TestSupport.h"

#include <QtTest>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace {

// A clock the test moves by hand.
class FakeClock final : public RunClock {
public:
    explicit FakeClock(qint64& now) : now_(now) {}
    qint64 Milliseconds() const override { return now_; }

private:
    qint64& now_;
};

// The test's clock, placing stamped events as the system's clock does.
class StampedClock final : public RunClock {
public:
    explicit StampedClock(qint64& now) : now_(now) {}
    qint64 Milliseconds() const override { return now_; }
    void Saw(quint64 stamp) override { events_.Seen(stamp, now_); }
    qint64 At(quint64 stamp) const override { return events_.At(stamp, now_); }

private:
    qint64& now_;
    EventTimes events_;
};

// A sound output that logs each beep with the clock's time.
class FakeSound final : public SoundSink {
public:
    FakeSound(const qint64& now, bool available, std::vector<std::pair<qint64, PaceMark>>& beeps)
        : now_(now), available_(available), beeps_(beeps)
    {
    }
    bool Available() const override { return available_; }
    void Beep(PaceMark mark) override { beeps_.emplace_back(now_, mark); }

private:
    const qint64& now_;
    bool available_;
    std::vector<std::pair<qint64, PaceMark>>& beeps_;
};

}  // namespace

class TestTimer : public SessionTest {
    Q_OBJECT

private slots:
    void openedFromTheMenu();
    void handOver_data();
    void handOver();
    void deviceRuns_data();
    void deviceRuns();
    void notesFollowTheMainWindow();
    void figureFollowsTheClock();
    void spaceStartsAndStops();
    void heldSpaceIsOnePress();
    void latePressTimesItsOwnMoment_data();
    void latePressTimesItsOwnMoment();
    void closingStopsEverything_data();
    void closingStopsEverything();
    void usableWhileADialogIsOpen_data();
    void usableWhileADialogIsOpen();
    void opensBesideTheMainWindow_data();
    void opensBesideTheMainWindow();
    void placedBesideTheMainWindow_data();
    void placedBesideTheMainWindow();
    void speedLogPlacedOnAnyScreen_data();
    void speedLogPlacedOnAnyScreen();
    void devicesOpenClearOfTheOthers();
    void closingTheMainWindowEndsTheProgram();
    void reset();
    void paceMarks_data();
    void paceMarks();
    void paceFollowsTheMainWindow();
    void nothingToPace_data();
    void nothingToPace();
    void withoutSoundTheFigureFlashes();

private:
    // The main window's run timer on the test's clock and sound, opened from the menu.
    frmRunTimer& Timer(bool sound = true);
    // Starts, lets `milliseconds` pass and stops, with the Start/Stop button.
    void TimeRun(frmRunTimer& timer, qint64 milliseconds);

    qint64 now_ = 0;
    std::vector<std::pair<qint64, PaceMark>> beeps_;
};

frmRunTimer& TestTimer::Timer(bool sound)
{
    now_ = 1000000;
    beeps_.clear();
    frmRunTimer* timer = Home().RunTimer();
    timer->UseDevices(std::make_unique<FakeClock>(now_), std::make_unique<FakeSound>(now_, sound, beeps_));
    Find<QAction>(Home(), "mnuFileRunTimer")->trigger();
    static_cast<void>(QTest::qWaitForWindowActive(timer));
    return *timer;
}

void TestTimer::TimeRun(frmRunTimer& timer, qint64 milliseconds)
{
    QTest::mouseClick(Find<QPushButton>(timer, "cmdStartStop"), Qt::LeftButton);
    now_ += milliseconds;
    QTest::mouseClick(Find<QPushButton>(timer, "cmdStartStop"), Qt::LeftButton);
}

void TestTimer::openedFromTheMenu()
{
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+T")));
    frmRunTimer* timer = Home().RunTimer();
    QTRY_VERIFY(timer->isVisible());
    QCOMPARE(timer->windowTitle(), QStringLiteral("Trackpace - Run Timer"));
    // Beside the main window, not in front of it: the main window still takes input.
    QVERIFY(!timer->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    timer->close();
    Find<QAction>(Home(), "mnuFileRunTimer")->trigger();
    QCOMPARE(Home().RunTimer(), timer);
    QVERIFY(timer->isVisible());
}

void TestTimer::handOver_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<int>("seconds");  // 0: not handed over
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("speed");

    const QString under = QStringLiteral("Not handed over: the run took less than half a second. The elapsed time is "
                                         "1 to 60 seconds.");
    const QString over = QStringLiteral("Not handed over: the run took more than 60.4 seconds. The elapsed time is "
                                        "1 to 60 seconds.");
    // HO, 48 in: 348 scale feet. The main window's whole mph for whole seconds:
    // 348 / 5280 / (3 / 3600) = 79.09, and for 1 s 237.27. The timer's own speed
    // is from the tenths: 2.5 s gives 94.909, 2.3 s 103.16, 2.7 s 87.878.
    const auto handed = [](int seconds, const char* mph) {
        return QStringLiteral("Handed over as %1 s: %2 mph in the main window.").arg(seconds).arg(mph);
    };
    QTest::newRow("0.49 s") << qint64(499) << "0.4" << 0 << under << "";
    QTest::newRow("0.5 s rounds up to 1") << qint64(500) << "0.5" << 1 << handed(1, "237")
                                          << "474.5 mph (339.0\u2013790.9 for \u00B10.2 s)";
    QTest::newRow("1.2 s") << qint64(1200) << "1.2" << 1 << handed(1, "237")
                           << "197.7 mph (169.5\u2013237.3 for \u00B10.2 s)";
    QTest::newRow("2.5 s") << qint64(2500) << "2.5" << 3 << handed(3, "79")
                           << "94.9 mph (87.9\u2013103.2 for \u00B10.2 s)";
    QTest::newRow("9.96 s shows 9.9, gives 10") << qint64(9960) << "9.9" << 10 << handed(10, "23")
                                                << "24.0 mph (23.5\u201324.5 for \u00B10.2 s)";
    QTest::newRow("60.49 s shows 60.4, gives 60") << qint64(60499) << "60.4" << 60 << handed(60, "3")
                                                  << "3.93 mph (3.92\u20133.94 for \u00B10.2 s)";
    QTest::newRow("60.5 s is no longer handed over") << qint64(60500) << "60.5" << 0 << over
                                                     << "3.92 mph (3.91\u20133.93 for \u00B10.2 s)";
    // 60.8 s: 3.9025; 61.0 s 3.8897 and 60.6 s 3.9154, which one decimal would show alike.
    QTest::newRow("60.8 s") << qint64(60800) << "60.8" << 0 << over << "3.90 mph (3.89\u20133.92 for \u00B10.2 s)";
}

void TestTimer::handOver()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, figure);
    QFETCH(int, seconds);
    QFETCH(QString, note);
    QFETCH(QString, speed);
    frmHome& home = Home();
    // The table task is chosen and the time spun to 7: a hand-over switches to Check Speed.
    QTest::mouseClick(Find<QRadioButton>(home, "optTvsS"), Qt::LeftButton);
    Find<UpDown>(home, "udTime")->setValue(7);
    frmRunTimer* const timer = &Timer();
    TimeRun(*timer, milliseconds);

    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), figure);
    QCOMPARE(Find<QLabel>(*timer, "lblHandOver")->text(), note);
    QCOMPARE(Find<QLabel>(*timer, "lblSpeed")->text(), speed);
    QCOMPARE(Find<QRadioButton>(home, "optChkSpd")->isChecked(), seconds != 0);
    QCOMPARE(Find<UpDown>(home, "udTime")->value(), seconds != 0 ? seconds : 7);
    QCOMPARE(Find<QLabel>(home, "lblTime")->text(), QString::number(seconds != 0 ? seconds : 7));
    // 7 s, kept when nothing is handed over: 348 / 5280 / (7 / 3600) = 33.9.
    if (seconds == 0) {
        QCOMPARE(Find<QLabel>(home, "lblSpeed")->text(), QStringLiteral("33 mph"));
    } else {
        QVERIFY(note.contains(Find<QLabel>(home, "lblSpeed")->text()));
    }
    QVERIFY(Find<QLabel>(home, "lblTime")->isEnabled() == (seconds != 0));
}

void TestTimer::deviceRuns_data()
{
    QTest::addColumn<double>("millimetres");
    QTest::addColumn<qint64>("microseconds");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<int>("seconds");  // 0: not handed over
    QTest::addColumn<QString>("note");

    // HO, the main window's 48 in straight: 1219.2 mm. 600 mm x 87 in 1.234567 s is
    // 42.282 m/s, 94.58 mph; 1219 mm x 87 in 2.5 s 42.422 m/s, 94.89 mph.
    const auto elsewhere = [](const char* millimetres) {
        return QStringLiteral("Not handed over: the trap measured over %1 mm, not over the main window's track.")
            .arg(millimetres);
    };
    QTest::newRow("over the trap's spacing") << 600.0 << qint64(1'234'567) << "1.235" << "94.6 mph (±4 µs)" << 0
                                             << elsewhere("600");
    QTest::newRow("over the track, to 0.2 mm") << 1219.0 << qint64(2'500'000) << "2.500" << "94.9 mph (±4 µs)" << 3
                                               << "Handed over as 3 s: 79 mph in the main window.";
    QTest::newRow("0.6 mm short of it") << 1218.6 << qint64(2'500'000) << "2.500" << "94.9 mph (±4 µs)" << 0
                                        << elsewhere("1218.6");
    QTest::newRow("over the track, too long") << 1219.6 << qint64(61'000'000) << "61.000" << "3.9 mph (±4 µs)" << 0
                                              << "Not handed over: the elapsed time is 1 to 60 seconds.";
}

void TestTimer::deviceRuns()
{
    QFETCH(double, millimetres);
    QFETCH(qint64, microseconds);
    QFETCH(QString, figure);
    QFETCH(QString, speed);
    QFETCH(int, seconds);
    QFETCH(QString, note);
    frmHome& home = Home();
    Find<UpDown>(home, "udTime")->setValue(7);
    frmRunTimer& timer = Timer();
    const MeasuredRun run{millimetres, microseconds, QStringLiteral("trap"), QStringLiteral("±4 µs")};
    const TrackNow track{QStringLiteral("HO"), 87, false, 48};
    timer.ShowMeasured(run, MeasuredSpeedText(run, 87), OverTrack(run, track), QStringLiteral("Logged."));
    QCOMPARE(Find<QLabel>(timer, "lblFigure")->text(), figure);
    QCOMPARE(Find<QLabel>(timer, "lblSpeed")->text(), speed);
    QCOMPARE(Find<QLabel>(timer, "lblHandOver")->text(), note);
    QCOMPARE(Find<QLabel>(timer, "lblLog")->text(), QStringLiteral("Logged."));
    QCOMPARE(Find<UpDown>(home, "udTime")->value(), seconds != 0 ? seconds : 7);
    // The main window's changes leave the device's speed as it was measured.
    Find<UpDown>(home, "udTime")->setValue(9);
    QCOMPARE(Find<QLabel>(timer, "lblSpeed")->text(), speed);
    QVERIFY(!OverTrack(run, {QStringLiteral("HO"), 87, true, 48}));

    // A run timed by hand goes on: the device's run is only told as logged.
    QTest::mouseClick(Find<QPushButton>(timer, "cmdStartStop"), Qt::LeftButton);
    now_ += 1200;
    timer.ShowMeasured(run, speed, true, QStringLiteral("Logged again."));
    QCOMPARE(Find<QLabel>(timer, "lblLog")->text(), QStringLiteral("Logged again."));
    QVERIFY(timer.Running());
    QTest::mouseClick(Find<QPushButton>(timer, "cmdStartStop"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(timer, "lblFigure")->text(), QStringLiteral("1.2"));
    QCOMPARE(Find<QLabel>(timer, "lblSpeed")->text().left(9), QStringLiteral("197.7 mph"));
}

void TestTimer::notesFollowTheMainWindow()
{
    frmRunTimer* const timer = &Timer();
    TimeRun(*timer, 10000);
    // HO 24 in: 174 ft, 10 s: 11 mph in the main window, 11.9 from the tenths.
    Find<QLineEdit>(Home(), "txtLength")->setText(QStringLiteral("24"));
    QCOMPARE(Find<QLabel>(*timer, "lblHandOver")->text(), QStringLiteral("Handed over as 10 s: 11 mph in the main window."));
    QCOMPARE(Find<QLabel>(*timer, "lblSpeed")->text(), QString::fromUtf8("11.9 mph (11.6\u201312.1 for \u00B10.2 s)"));
    // Another elapsed time spun in the main window: the sentence no longer holds.
    QTest::mouseClick(Find<UpDown>(Home(), "udTime")->upButton(), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*timer, "lblHandOver")->text(), QString());
}

void TestTimer::figureFollowsTheClock()
{
    frmRunTimer* const timer = &Timer();
    QVERIFY(!Find<QTimer>(*timer, "tmrRefresh")->isActive());
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    QVERIFY(timer->Running());
    QCOMPARE(Find<QPushButton>(*timer, "cmdStartStop")->text(), QStringLiteral("&Stop"));
    // At least ten times a second while it runs.
    QVERIFY(Find<QTimer>(*timer, "tmrRefresh")->isActive());
    QVERIFY(Find<QTimer>(*timer, "tmrRefresh")->interval() <= 100);
    for (const auto& [step, shown] : {std::pair{99, "0.0"}, std::pair{1, "0.1"}, std::pair{12290, "12.3"}}) {
        now_ += step;
        timer->Tick();
        QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QString::fromLatin1(shown));
    }
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    // Stopped: nothing ticks, so the figure stays.
    QVERIFY(!Find<QTimer>(*timer, "tmrRefresh")->isActive());
    QVERIFY(!Find<QTimer>(*timer, "tmrMark")->isActive());
    now_ += 5000;
    QTest::qWait(150);
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QStringLiteral("12.3"));
    // The next start times a new run from 0.0.
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QStringLiteral("0.0"));
}

void TestTimer::spaceStartsAndStops()
{
    frmRunTimer* const timer = &Timer();
    // Space works wherever the focus is in the window, on a button too.
    Find<QPushButton>(*timer, "cmdReset")->setFocus();
    QTest::keyClick(timer, Qt::Key_Space);
    QVERIFY(timer->Running());
    now_ += 2049;
    QTest::keyClick(Find<QPushButton>(*timer, "cmdReset"), Qt::Key_Space);
    QVERIFY(!timer->Running());
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QStringLiteral("2.0"));
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 2);
}

void TestTimer::heldSpaceIsOnePress()
{
    frmRunTimer* const timer = &Timer();
    // A held key sends its press again and again, marked as repeats.
    const auto hold = [timer](int repeats) {
        QTest::simulateEvent(timer, true, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), false);
        for (int i = 0; i < repeats; ++i) {
            QTest::simulateEvent(timer, true, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        }
        QTest::simulateEvent(timer, false, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), false);
    };
    hold(7);
    QVERIFY(timer->Running());
    now_ += 5000;
    hold(7);
    QVERIFY(!timer->Running());
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QStringLiteral("5.0"));
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 5);
}

void TestTimer::latePressTimesItsOwnMoment_data()
{
    // The window system's clock stands 10 s behind the program's. Each press is
    // stamped when it happened and handled `late` ms afterwards (a busy window).
    QTest::addColumn<qint64>("startLate");
    QTest::addColumn<qint64>("stopLate");
    QTest::addColumn<QString>("figure");
    QTest::newRow("both on time") << qint64(0) << qint64(0) << "3.0";
    QTest::newRow("stop handled 1.6 s late") << qint64(0) << qint64(1600) << "3.0";
    QTest::newRow("start handled 2.2 s late") << qint64(2200) << qint64(0) << "3.0";
    QTest::newRow("both late") << qint64(1900) << qint64(700) << "3.0";
}

void TestTimer::latePressTimesItsOwnMoment()
{
    QFETCH(qint64, startLate);
    QFETCH(qint64, stopLate);
    QFETCH(QString, figure);
    frmRunTimer* const timer = &Timer();
    timer->UseDevices(std::make_unique<StampedClock>(now_), std::make_unique<FakeSound>(now_, true, beeps_));
    constexpr qint64 Behind = 10'000;
    // A key press stamped `at` on the program's clock, handled `late` ms later.
    const auto press = [&](qint64 at, qint64 late) {
        now_ = at + late;
        const auto stamp = static_cast<ulong>(at - Behind);
        qt_sendShortcutOverrideEvent(timer, stamp, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(timer, &release);
        QCoreApplication::processEvents();
    };
    // Any event handled at once (here a key that does nothing) ties the two clocks together.
    now_ = 1'000'000;
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    shift.setTimestamp(static_cast<quint64>(now_ - Behind));
    QCoreApplication::sendEvent(timer, &shift);
    press(1'001'000, startLate);
    QVERIFY(timer->Running());
    press(1'004'000, stopLate);
    QVERIFY(!timer->Running());
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), figure);
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 3);
}

void TestTimer::closingStopsEverything_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Esc") << true;
    QTest::newRow("close box") << false;
}

void TestTimer::closingStopsEverything()
{
    QFETCH(bool, escape);
    frmRunTimer* const timer = &Timer();
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdPace"), Qt::LeftButton);
    now_ += 2000;
    if (escape) {
        QTest::keyClick(timer, Qt::Key_Escape);
    } else {
        timer->close();
    }
    QVERIFY(!timer->isVisible());
    QVERIFY(!timer->Running() && !timer->Pacing());
    QVERIFY(!Find<QTimer>(*timer, "tmrRefresh")->isActive() && !Find<QTimer>(*timer, "tmrMark")->isActive());
    // Nothing beeps from a window nobody sees, and nothing reaches the main window.
    now_ += 20000;
    QTest::qWait(100);
    QCOMPARE(beeps_.size(), std::size_t(1));
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 1);
    Find<QAction>(Home(), "mnuFileRunTimer")->trigger();
    QVERIFY(timer->isVisible());
    QCOMPARE(Find<QPushButton>(*timer, "cmdStartStop")->text(), QStringLiteral("&Start"));
    QCOMPARE(Find<QLabel>(*timer, "lblHandOver")->text(), QStringLiteral("Not handed over: the window was closed during the run."));
}

void TestTimer::usableWhileADialogIsOpen_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::newRow("table") << "Trackpace - Time vs. Speed Table";
    QTest::newRow("preferences") << "Trackpace - Preferences";
    QTest::newRow("about") << "About Trackpace";
}

void TestTimer::usableWhileADialogIsOpen()
{
    QFETCH(QString, dialog);
    frmRunTimer* const timer = &Timer();
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    std::atomic<int> printed = 0;
    bool stoppedBySpace = false;
    bool startedByClick = false;
    QString opened;
    WhenModalOpens([&](QWidget* modal) {
        opened = modal->windowTitle();
        if (auto* table = qobject_cast<frmTvsS*>(modal)) {
            table->Route.findPrinter = [&printed] {
                ++printed;
                return PrinterChoice{PrinterChoice::Kind::NoPrinters, {}};
            };
        }
        timer->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(timer));
        now_ += 3000;
        QTest::keyClick(Find<QPushButton>(*timer, "cmdReset"), Qt::Key_Space);
        stoppedBySpace = !timer->Running();
        QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
        startedByClick = timer->Running();
        // Space in the table window is still its Print.
        if (auto* table = qobject_cast<frmTvsS*>(modal)) {
            table->activateWindow();
            static_cast<void>(QTest::qWaitForWindowActive(table));
            QTest::keyClick(Find<QPushButton>(*table, "cmdPrint"), Qt::Key_Space);
        }
        modal->close();
    });
    if (dialog.startsWith(u"Trackpace - Time")) {
        QTest::mouseClick(Find<QRadioButton>(Home(), "optTvsS"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(Home(), "cmdCreate"), Qt::LeftButton);
    } else {
        (dialog.endsWith(u"Preferences") ? Find<QAction>(Home(), "mnuPref") : Find<QAction>(Home(), "mnuHelpAbout"))->trigger();
    }
    QCOMPARE(opened, dialog);
    QVERIFY(stoppedBySpace);
    QVERIFY(startedByClick);
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 3);
    QTRY_COMPARE(printed.load(), dialog.startsWith(u"Trackpace - Time") ? 1 : 0);
    QVERIFY(timer->Running());
}

void TestTimer::placedBesideTheMainWindow_data()
{
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("least");
    QTest::addColumn<QRect>("expected");
    // On 1280 x 1024, 8 px from the main window's frame, top edges aligned beside it.
    QTest::newRow("right") << QRect(100, 100, 441, 268) << QSize(300, 200) << QSize(300, 200)
                           << QRect(549, 100, 300, 200);
    QTest::newRow("right, narrowed to its 731 px") << QRect(100, 100, 441, 268) << QSize(800, 200) << QSize(500, 200)
                                                   << QRect(549, 100, 731, 200);
    QTest::newRow("too wide beside: below") << QRect(100, 100, 1100, 268) << QSize(300, 200) << QSize(300, 200)
                                            << QRect(100, 376, 300, 200);
    QTest::newRow("below, just room") << QRect(100, 548, 1100, 268) << QSize(300, 200) << QSize(300, 200)
                                      << QRect(100, 824, 300, 200);
    QTest::newRow("one too low: above") << QRect(100, 549, 1100, 268) << QSize(300, 200) << QSize(300, 200)
                                        << QRect(100, 341, 300, 200);
    QTest::newRow("above, just room") << QRect(100, 208, 1100, 808) << QSize(300, 200) << QSize(300, 200)
                                      << QRect(100, 0, 300, 200);
    // No room beside: the corners all cover 290 x 190 of it; the first, top right.
    QTest::newRow("nowhere: a corner") << QRect(10, 10, 1260, 1004) << QSize(300, 200) << QSize(300, 200)
                                       << QRect(980, 0, 300, 200);
}

void TestTimer::placedBesideTheMainWindow()
{
    QFETCH(QRect, main);
    QFETCH(QSize, wanted);
    QFETCH(QSize, least);
    QFETCH(QRect, expected);
    QCOMPARE(PlaceWithin(main, {main}, wanted, least, QRect(0, 0, 1280, 1024)), expected);
}

void TestTimer::speedLogPlacedOnAnyScreen_data()
{
    // The screen's free area, the main window's frame centred on it and the run timer's
    // beside it as the program places them; where an 868 x 730 speed log (its frame)
    // opens, at least 400 x 300.
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("timer");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<bool>("clear");  // covering neither
    const QSize main(449, 296);
    const auto centred = [main](const QRect& screen) {
        QRect frame(QPoint(), main);
        frame.moveCenter(screen.center());
        return frame;
    };
    const auto timerOf = [&](const QRect& screen) {
        return PlaceWithin(centred(screen), {centred(screen)}, QSize(316, 330), QSize(316, 330), screen);
    };
    for (const auto& [name, screen, expected, clear] : std::vector<std::tuple<const char*, QRect, QRect, bool>>{
             {"1366 x 768: to the left, narrowed", QRect(0, 0, 1366, 728), QRect(0, 0, 450, 728), true},
             {"1280 x 1024: to the left, narrowed", QRect(0, 0, 1280, 1024), QRect(0, 294, 407, 730), true},
             {"1280 x 720: to the left, narrowed", QRect(0, 0, 1280, 680), QRect(0, 0, 407, 680), true},
             {"1920 x 1080: to the left, narrowed", QRect(0, 0, 1920, 1040), QRect(0, 310, 727, 730), true},
             {"2560 x 1440: to the left, whole", QRect(0, 0, 2560, 1400), QRect(179, 552, 868, 730), true},
             {"1920 x 1080 at 200 %: the screen's size, covering least", QRect(0, 0, 960, 520),
              QRect(0, 0, 868, 520), false}}) {
        QTest::newRow(name) << screen << timerOf(screen) << expected << clear;
    }
}

void TestTimer::speedLogPlacedOnAnyScreen()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, timer);
    QFETCH(QRect, expected);
    QFETCH(bool, clear);
    QRect main(QPoint(), QSize(449, 296));
    main.moveCenter(screen.center());
    const QRect place = PlaceWithin(main, {main, timer}, QSize(868, 730), QSize(400, 300), screen);
    QCOMPARE(place, expected);
    QVERIFY(screen.contains(place));
    QCOMPARE(!place.intersects(main) && !place.intersects(timer), clear);
}

void TestTimer::opensBesideTheMainWindow_data()
{
    QTest::addColumn<bool>("mainAtLeft");
    QTest::newRow("room on the right") << true;
    QTest::newRow("room on the left only") << false;
}

void TestTimer::opensBesideTheMainWindow()
{
    QFETCH(bool, mainAtLeft);
    const QRect screen = Home().screen()->availableGeometry();
    Home().move(mainAtLeft ? screen.left() : screen.right() + 1 - Home().frameGeometry().width(), screen.top() + 40);
    frmRunTimer* const timer = &Timer();
    const QRect main = Home().frameGeometry();
    const QRect beside = timer->frameGeometry();
    QVERIFY2(!beside.intersects(main), "the run timer covers the main window");
    QVERIFY(mainAtLeft ? beside.left() > main.right() : beside.right() < main.left());
    QCOMPARE(beside.top(), main.top());
    QVERIFY(screen.contains(beside));
    // Moved by the user and closed, it comes back where it was left.
    timer->move(beside.topLeft() + QPoint(0, 30));
    const QPoint left = timer->pos();
    timer->close();
    Find<QAction>(Home(), "mnuFileRunTimer")->trigger();
    QCOMPARE(timer->pos(), left);
}

void TestTimer::devicesOpenClearOfTheOthers()
{
    const QRect screen = Home().screen()->availableGeometry();
    Home().move(screen.topLeft());
    const QRect timer = Timer().frameGeometry();
    Find<QAction>(Home(), "mnuFileDevices")->trigger();
    QWidget& devices = *Home().Devices();
    QTRY_VERIFY(devices.isVisible());
    const QRect placed = devices.frameGeometry();
    QVERIFY(screen.contains(placed));
    QVERIFY2(!placed.intersects(Home().frameGeometry()), "the Devices window covers the main window");
    QVERIFY2(!placed.intersects(timer), "the Devices window covers the run timer");
}

void TestTimer::closingTheMainWindowEndsTheProgram()
{
    // The run timer and the Devices window open: once the main window is closed, no
    // window left keeps Trackpace running.
    Timer();
    Find<QAction>(Home(), "mnuFileDevices")->trigger();
    QTRY_VERIFY(Home().Devices()->isVisible());
    QVERIFY(Home().close());
    QStringList keeping;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->testAttribute(Qt::WA_QuitOnClose)) {
            keeping << window->objectName();
        }
    }
    QCOMPARE(keeping, QStringList());
}

void TestTimer::reset()
{
    frmRunTimer* const timer = &Timer();
    TimeRun(*timer, 3400);
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 3);
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdReset"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QStringLiteral("0.0"));
    QCOMPARE(Find<QLabel>(*timer, "lblHandOver")->text(), QString());
    QCOMPARE(Find<QLabel>(*timer, "lblSpeed")->text(), QString());
    // The main window keeps what it was given.
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 3);
    // While it runs, Reset starts the run again from now.
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    now_ += 5000;
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdReset"), Qt::LeftButton);
    QVERIFY(timer->Running());
    now_ += 1200;
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdStartStop"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), QStringLiteral("1.2"));
    QCOMPARE(Find<UpDown>(Home(), "udTime")->value(), 1);
}

void TestTimer::paceMarks_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<qint64>("runMs");
    QTest::addColumn<QString>("countdown");
    QTest::addColumn<int>("marks");
    QTest::addColumn<QString>("stopped");

    // HO, 48 in: 348 ft. 40 mph: 90 s a mile, 90 x 348 / 5280 = 5.9318 s; the
    // countdown starts at the run time as shown, not above it.
    QTest::newRow("40 mph") << 40 << qint64(5932) << "Next mark in 5.9 s, run 1 of 5.9 s" << 3
                            << "Stopped after 3 runs.";
    // 120 mph: 30 x 348 / 5280 = 1.9773 s.
    QTest::newRow("120 mph, one run") << 120 << qint64(1977) << "Next mark in 2.0 s, run 1 of 2.0 s" << 1
                                      << "Stopped after 1 run.";
}

void TestTimer::paceMarks()
{
    QFETCH(int, speed);
    QFETCH(qint64, runMs);
    QFETCH(QString, countdown);
    QFETCH(int, marks);
    QFETCH(QString, stopped);
    frmRunTimer* const timer = &Timer();
    TimeRun(*timer, 3000);
    Find<QComboBox>(*timer, "cboSpeed")->setCurrentIndex(Find<QComboBox>(*timer, "cboSpeed")->findData(speed));
    const qint64 start = now_;
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdPace"), Qt::LeftButton);
    QVERIFY(timer->Pacing());
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(), countdown);
    // The big figure counts down; the last run's lines are gone.
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->text(), countdown.mid(13, 3));
    QCOMPARE(Find<QLabel>(*timer, "lblHandOver")->text(), QString());
    QCOMPARE(Find<QLabel>(*timer, "lblSpeed")->text(), QString());
    // The next mark is waited for to the millisecond, and between marks nothing beeps.
    std::vector<std::pair<qint64, PaceMark>> expected{{start, PaceMark::Start}};
    for (int mark = 1; mark <= marks; ++mark) {
        QVERIFY(Find<QTimer>(*timer, "tmrMark")->isActive());
        QCOMPARE(qint64(Find<QTimer>(*timer, "tmrMark")->interval()), start + mark * runMs - now_);
        now_ = start + mark * runMs - 1;
        timer->Tick();
        QCOMPARE(beeps_.size(), std::size_t(mark));
        now_ += 1;
        timer->Tick();
        expected.emplace_back(start + mark * runMs, PaceMark::Next);
    }
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdPace"), Qt::LeftButton);
    QVERIFY(!timer->Pacing());
    QVERIFY(!Find<QTimer>(*timer, "tmrMark")->isActive());
    QVERIFY(!Find<QTimer>(*timer, "tmrRefresh")->isActive());
    QVERIFY(beeps_ == expected);
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(), stopped);
}

void TestTimer::paceFollowsTheMainWindow()
{
    frmRunTimer* const timer = &Timer();
    const qint64 start = now_;
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdPace"), Qt::LeftButton);  // 40 mph, 5932 ms
    now_ += 1000;
    // HO 24 in: 174 ft, 90 x 174 / 5280 = 2.9659 s from the next mark on.
    Find<QLineEdit>(Home(), "txtLength")->setText(QStringLiteral("24"));
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(), QStringLiteral("Next mark in 5.0 s, run 1 of 5.9 s; then 3.0 s a run"));
    QCOMPARE(qint64(Find<QTimer>(*timer, "tmrMark")->interval()), start + 5932 - now_);
    now_ = start + 5932;
    timer->Tick();
    QCOMPARE(qint64(Find<QTimer>(*timer, "tmrMark")->interval()), qint64(2966));
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(), QStringLiteral("Next mark in 3.0 s, run 2 of 3.0 s"));
    // No length at all: nothing left to pace, and the window says why.
    Find<QLineEdit>(Home(), "txtLength")->setText(QString());
    QVERIFY(!timer->Pacing());
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(),
             QStringLiteral("Enter a length in the main window first: there is no run to pace."));
    QCOMPARE(beeps_.size(), std::size_t(2));
}

void TestTimer::nothingToPace_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("note");
    QTest::newRow("empty entry") << "" << 3 << "Enter a length in the main window first: there is no run to pace.";
    // G, 1 in: 1 scale foot; at 120 mph 30 / 5280 s.
    QTest::newRow("too short") << "1" << 6 << "At 120 mph the run takes only .0 s, too short to pace by ear.";
}

void TestTimer::nothingToPace()
{
    QFETCH(QString, length);
    QFETCH(int, scale);
    QFETCH(QString, note);
    QTest::mouseClick(ScaleOptionAt(Home(), scale - 1), Qt::LeftButton);
    Find<QLineEdit>(Home(), "txtLength")->setText(length);
    frmRunTimer* const timer = &Timer();
    Find<QComboBox>(*timer, "cboSpeed")->setCurrentIndex(Find<QComboBox>(*timer, "cboSpeed")->findData(120));
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdPace"), Qt::LeftButton);
    QVERIFY(!timer->Pacing());
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(), note);
    QVERIFY(beeps_.empty());
    QVERIFY(!Find<QTimer>(*timer, "tmrRefresh")->isActive() && !Find<QTimer>(*timer, "tmrMark")->isActive());
    // Once there is a run to pace, the hint goes.
    QTest::mouseClick(ScaleOptionAt(Home(), 2), Qt::LeftButton);
    Find<QLineEdit>(Home(), "txtLength")->setText(QStringLiteral("48"));
    QCOMPARE(Find<QLabel>(*timer, "lblCountdown")->text(), QString());
}

void TestTimer::withoutSoundTheFigureFlashes()
{
    frmRunTimer* const timer = &Timer(false);
    QCOMPARE(Find<QLabel>(*timer, "lblSound")->text(), QStringLiteral("Sound is unavailable on this computer: the figure flashes at "
                                                     "each mark instead."));
    const QColor plain = Find<QLabel>(*timer, "lblFigure")->grab().toImage().pixelColor(3, 3);
    QTest::mouseClick(Find<QPushButton>(*timer, "cmdPace"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*timer, "lblFigure")->grab().toImage().pixelColor(3, 3), timer->palette().color(QPalette::Highlight));
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(*timer, "lblFigure")->grab().toImage().pixelColor(3, 3), plain, 2000);
    QVERIFY(timer->Pacing());
}

QTEST_MAIN(TestTimer)
#include "tst_timer.moc"
