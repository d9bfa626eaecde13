// The run timer: timing by hand into the main window, the speed with its range, and the pace beeper's marks.
#include "core/General.h"
#include "core/RunTiming.h"
#include "ui/UpDown.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/timer/frmRunTimer.h"

#include "TestSupport.h"

#include <QtTest>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

// A clock the test moves by hand.
class FakeClock final : public RunClock {
public:
    explicit FakeClock(qint64& now) : now_(now) {}
    qint64 Milliseconds() const override { return now_; }

private:
    qint64& now_;
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

class TestTimer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openedFromTheMenu();
    void handOver_data();
    void handOver();
    void speedWithRange();
    void figureFollowsTheClock();
    void spaceStartsAndStops();
    void reset();
    void paceMarks_data();
    void paceMarks();
    void nothingToPace_data();
    void nothingToPace();
    void withoutSoundTheFigureFlashes();

private:
    frmHome& Home() { return session_->host->Home(); }
    // A run timer on the test's clock and sound, handing over to the main window.
    std::unique_ptr<frmRunTimer> Timer(bool sound = true);
    // Starts, lets `milliseconds` pass and stops, with the Start/Stop button.
    void TimeRun(frmRunTimer& timer, qint64 milliseconds);

    std::unique_ptr<TestSession> session_;
    qint64 now_ = 0;
    std::vector<std::pair<qint64, PaceMark>> beeps_;
};

void TestTimer::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestTimer::init()
{
    session_ = std::make_unique<TestSession>();
    session_->WriteIni("[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n");
    QVERIFY(session_->Start());
    now_ = 1000000;
    beeps_.clear();
}

void TestTimer::cleanup()
{
    session_.reset();
    QVERIFY2(!ModalTimedOut(), "a modal window was left open");
}

std::unique_ptr<frmRunTimer> TestTimer::Timer(bool sound)
{
    auto timer = std::make_unique<frmRunTimer>(&Home(), [this](int seconds) { Home().TakeElapsedTime(seconds); },
                                               std::make_unique<FakeClock>(now_),
                                               std::make_unique<FakeSound>(now_, sound, beeps_));
    timer->show();
    static_cast<void>(QTest::qWaitForWindowExposed(timer.get()));
    return timer;
}

void TestTimer::TimeRun(frmRunTimer& timer, qint64 milliseconds)
{
    QTest::mouseClick(timer.cmdStartStop, Qt::LeftButton);
    now_ += milliseconds;
    QTest::mouseClick(timer.cmdStartStop, Qt::LeftButton);
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
    Home().mnuFileRunTimer->trigger();
    QCOMPARE(Home().RunTimer(), timer);
    QVERIFY(timer->isVisible());
}

void TestTimer::handOver_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<int>("seconds");  // 0: not handed over
    QTest::addColumn<QString>("note");

    const QString under = QStringLiteral("Not handed over: the run took less than half a second. The elapsed time is "
                                         "1 to 60 seconds.");
    const QString over = QStringLiteral("Not handed over: the run took more than 60.4 seconds. The elapsed time is "
                                        "1 to 60 seconds.");
    QTest::newRow("0.49 s") << qint64(499) << "0.4" << 0 << under;
    QTest::newRow("0.5 s rounds up to 1") << qint64(500) << "0.5" << 1 << "1 s handed to the main window as the elapsed time.";
    QTest::newRow("1.49 s") << qint64(1499) << "1.4" << 1 << "1 s handed to the main window as the elapsed time.";
    QTest::newRow("9.96 s shows 9.9, gives 10") << qint64(9960) << "9.9" << 10
                                                << "10 s handed to the main window as the elapsed time.";
    QTest::newRow("60.49 s shows 60.4, gives 60") << qint64(60499) << "60.4" << 60
                                                  << "60 s handed to the main window as the elapsed time.";
    QTest::newRow("60.5 s") << qint64(60500) << "60.5" << 0 << over;
}

void TestTimer::handOver()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, figure);
    QFETCH(int, seconds);
    QFETCH(QString, note);
    frmHome& home = Home();
    // The table task is chosen and the time spun to 7: a hand-over switches to Check Speed.
    QTest::mouseClick(home.optTvsS, Qt::LeftButton);
    home.udTime->setValue(7);
    const auto timer = Timer();
    TimeRun(*timer, milliseconds);

    QCOMPARE(timer->lblFigure->text(), figure);
    QCOMPARE(timer->lblHandOver->text(), note);
    QCOMPARE(home.optChkSpd->isChecked(), seconds != 0);
    QCOMPARE(home.udTime->value(), seconds != 0 ? seconds : 7);
    QCOMPARE(home.lblTime->text(), QString::number(seconds != 0 ? seconds : 7));
    // HO, 48 in: 348 scale feet; the main window's own whole-mph speed for that time
    // (7 s, kept when nothing is handed over: 348 / 5280 / (7 / 3600) = 33.9).
    const QMap<int, QString> mph{{0, "33 mph"}, {1, "237 mph"}, {10, "23 mph"}, {60, "3 mph"}};
    QCOMPARE(home.lblSpeed->text(), mph.value(seconds));
    QVERIFY(home.lblTime->isEnabled() == (seconds != 0));
}

void TestTimer::speedWithRange()
{
    // HO, 48 in straight, 348 scale feet in 10.0 s: 348 / 5280 mi in 10 / 3600 h is
    // 23.727 mph; 10.2 s gives 23.262 and 9.8 s 24.211.
    const auto timer = Timer();
    TimeRun(*timer, 10000);
    QCOMPARE(timer->lblSpeed->text(), QString::fromUtf8("23.7 mph (23.3\u201324.2 for \u00B10.2 s)"));
    QCOMPARE(Home().lblSpeed->text(), QStringLiteral("23 mph"));
    // A run too short to time by hand shows no speed.
    TimeRun(*timer, 400);
    QCOMPARE(timer->lblSpeed->text(), QString());
}

void TestTimer::figureFollowsTheClock()
{
    const auto timer = Timer();
    QVERIFY(!timer->tmrRefresh->isActive());
    QTest::mouseClick(timer->cmdStartStop, Qt::LeftButton);
    QVERIFY(timer->Running());
    QCOMPARE(timer->cmdStartStop->text(), QStringLiteral("&Stop"));
    // At least ten times a second while it runs.
    QVERIFY(timer->tmrRefresh->isActive());
    QVERIFY(timer->tmrRefresh->interval() <= 100);
    for (const auto& [step, shown] : {std::pair{99, "0.0"}, std::pair{1, "0.1"}, std::pair{12290, "12.3"}}) {
        now_ += step;
        timer->Tick();
        QCOMPARE(timer->lblFigure->text(), QString::fromLatin1(shown));
    }
    QTest::mouseClick(timer->cmdStartStop, Qt::LeftButton);
    // Stopped: nothing ticks, so the figure stays.
    QVERIFY(!timer->tmrRefresh->isActive());
    QVERIFY(!timer->tmrMark->isActive());
    now_ += 5000;
    QTest::qWait(150);
    QCOMPARE(timer->lblFigure->text(), QStringLiteral("12.3"));
    // The next start times a new run from 0.0.
    QTest::mouseClick(timer->cmdStartStop, Qt::LeftButton);
    QCOMPARE(timer->lblFigure->text(), QStringLiteral("0.0"));
}

void TestTimer::spaceStartsAndStops()
{
    const auto timer = Timer();
    // Space works wherever the focus is in the window, on a button too.
    timer->cmdReset->setFocus();
    QTest::keyClick(timer.get(), Qt::Key_Space);
    QVERIFY(timer->Running());
    now_ += 2049;
    QTest::keyClick(timer->cmdReset, Qt::Key_Space);
    QVERIFY(!timer->Running());
    QCOMPARE(timer->lblFigure->text(), QStringLiteral("2.0"));
    QCOMPARE(Home().udTime->value(), 2);
}

void TestTimer::reset()
{
    const auto timer = Timer();
    TimeRun(*timer, 3400);
    QCOMPARE(Home().udTime->value(), 3);
    QTest::mouseClick(timer->cmdReset, Qt::LeftButton);
    QCOMPARE(timer->lblFigure->text(), QStringLiteral("0.0"));
    QCOMPARE(timer->lblHandOver->text(), QString());
    QCOMPARE(timer->lblSpeed->text(), QString());
    // The main window keeps what it was given.
    QCOMPARE(Home().udTime->value(), 3);
    // While it runs, Reset starts the run again from now.
    QTest::mouseClick(timer->cmdStartStop, Qt::LeftButton);
    now_ += 5000;
    QTest::mouseClick(timer->cmdReset, Qt::LeftButton);
    QVERIFY(timer->Running());
    now_ += 1200;
    QTest::mouseClick(timer->cmdStartStop, Qt::LeftButton);
    QCOMPARE(timer->lblFigure->text(), QStringLiteral("1.2"));
    QCOMPARE(Home().udTime->value(), 1);
}

void TestTimer::paceMarks_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<qint64>("runMs");
    QTest::addColumn<QString>("countdown");

    // HO, 48 in: 348 ft. 40 mph: 90 s a mile, 90 x 348 / 5280 = 5.9318 s.
    QTest::newRow("40 mph") << 40 << qint64(5932) << "Next mark in 6.0 s, run 1 of 5.9 s";
    // 120 mph: 30 x 348 / 5280 = 1.9773 s.
    QTest::newRow("120 mph") << 120 << qint64(1977) << "Next mark in 2.0 s, run 1 of 2.0 s";
}

void TestTimer::paceMarks()
{
    QFETCH(int, speed);
    QFETCH(qint64, runMs);
    QFETCH(QString, countdown);
    const auto timer = Timer();
    timer->cboSpeed->setCurrentIndex(timer->cboSpeed->findData(speed));
    const qint64 start = now_;
    QTest::mouseClick(timer->cmdPace, Qt::LeftButton);
    QVERIFY(timer->Pacing());
    QCOMPARE(timer->lblCountdown->text(), countdown);
    // The next mark is waited for to the millisecond, and between marks nothing beeps.
    for (int mark = 1; mark <= 3; ++mark) {
        QVERIFY(timer->tmrMark->isActive());
        QCOMPARE(qint64(timer->tmrMark->interval()), start + mark * runMs - now_);
        now_ = start + mark * runMs - 1;
        timer->Tick();
        QCOMPARE(beeps_.size(), std::size_t(mark));
        now_ += 1;
        timer->Tick();
    }
    QTest::mouseClick(timer->cmdPace, Qt::LeftButton);
    QVERIFY(!timer->Pacing());
    QVERIFY(!timer->tmrMark->isActive());
    QVERIFY(!timer->tmrRefresh->isActive());
    const std::vector<std::pair<qint64, PaceMark>> expected{{start, PaceMark::Start},
                                                            {start + runMs, PaceMark::Next},
                                                            {start + 2 * runMs, PaceMark::Next},
                                                            {start + 3 * runMs, PaceMark::Next}};
    QVERIFY(beeps_ == expected);
    QCOMPARE(timer->lblCountdown->text(), QStringLiteral("Stopped after 3 runs."));
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
    QTest::mouseClick(Home().optScale.at(scale - 1), Qt::LeftButton);
    Home().txtLength->setText(length);
    const auto timer = Timer();
    timer->cboSpeed->setCurrentIndex(timer->cboSpeed->findData(120));
    QTest::mouseClick(timer->cmdPace, Qt::LeftButton);
    QVERIFY(!timer->Pacing());
    QCOMPARE(timer->lblCountdown->text(), note);
    QVERIFY(beeps_.empty());
    QVERIFY(!timer->tmrRefresh->isActive() && !timer->tmrMark->isActive());
}

void TestTimer::withoutSoundTheFigureFlashes()
{
    const auto timer = Timer(false);
    QCOMPARE(timer->lblSound->text(), QStringLiteral("Sound is unavailable on this computer: the figure flashes at "
                                                     "each mark instead."));
    const QColor plain = timer->lblFigure->grab().toImage().pixelColor(3, 3);
    QTest::mouseClick(timer->cmdPace, Qt::LeftButton);
    QCOMPARE(timer->lblFigure->grab().toImage().pixelColor(3, 3), timer->palette().color(QPalette::Highlight));
    QTRY_COMPARE_WITH_TIMEOUT(timer->lblFigure->grab().toImage().pixelColor(3, 3), plain, 2000);
    QVERIFY(timer->Pacing());
}

QTEST_MAIN(TestTimer)
#include "tst_timer.moc"
