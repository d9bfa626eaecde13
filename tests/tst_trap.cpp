// The Trackpace trap's own firmware, on a simulated board behind the port named by TRACKPACE_TRAP_PORT (tests/firmware/trap_serve), timing a pass that lands in the speed log.
#include "ui/devices/frmDevices.h"
#include "ui/home/frmHome.h"
#include "ui/timer/frmRunTimer.h"

#include "TestSupport.h"
#include "log/LogTestSupport.h"

#include <QtTest>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

class TestTrap : public SessionTest {
    Q_OBJECT

private slots:
    void passLandsInTheLog();
};

void TestTrap::passLandsInTheLog()
{
    const QString port = qEnvironmentVariable("TRACKPACE_TRAP_PORT");
    QVERIFY2(!port.isEmpty(), "TRACKPACE_TRAP_PORT names no port: run this suite through trap_serve");
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    QWidget* log = Home().SpeedLog()->Window();
    QTRY_VERIFY(log->isVisible());
    Choose(*log, QStringLiteral("GP9 4071"), 10);
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+T")));

    frmDevices& devices = *Home().Devices();
    Find<QComboBox>(devices, "cboPort")->setEditText(port);
    Find<QPushButton>(devices, "cmdConnect")->click();
    auto* state = Find<QLabel>(devices, "lblState");
    // A board fresh from flashing knows no spacing yet.
    QTRY_COMPARE_WITH_TIMEOUT(state->text(),
                              QStringLiteral("Trap ready, but its spacing is not set: measure between the sensors and "
                                             "set it here."),
                              20000);
    Find<QSpinBox>(devices, "spnTrapSpacing")->setValue(600);
    Find<QPushButton>(devices, "cmdSetSpacing")->click();
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Trap ready, 600 mm between sensors."), 10000);
    // trap_serve drives a pass of 1.234567 s: 600 mm x 87 at 42.28 m/s, 94.6 mph.
    QTRY_VERIFY_WITH_TIMEOUT(state->text().startsWith(QStringLiteral("Last pass A>B: 1.2345")), 20000);
    QVERIFY2(state->text().contains(QStringLiteral("\nLogged for GP9 4071 at step 10 forward: 94.6 mph (trap, ±4 µs), "
                                                   "600 mm in 1.2345")),
             qPrintable(state->text()));
    const std::vector<QStringList> runs = Rows(*log, "tblRuns");
    QCOMPARE(runs.size(), std::size_t(1));
    const double seconds = runs.at(0).at(5).toDouble();
    QVERIFY2(std::abs(seconds - 1.234567) <= 10e-6, qPrintable(runs.at(0).at(5)));
    QCOMPARE(runs.at(0).at(6), QStringLiteral("94.6"));
    // The run timer shows it too, without handing it over to the main window's 48 in.
    frmRunTimer& timer = *Home().RunTimer();
    QCOMPARE(Find<QLabel>(timer, "lblSpeed")->text(), QStringLiteral("94.6 mph (±4 µs)"));
    QCOMPARE(Find<QLabel>(timer, "lblHandOver")->text(),
             QStringLiteral("Not handed over: the trap measured over 600 mm, not over the main window's track."));
    // The window as the README shows it, with this pass.
    devices.show();
    QVERIFY(devices.grab().save(QStringLiteral("devices-window.png")));
    Find<QPushButton>(devices, "cmdConnect")->click();
    QCOMPARE(state->text(), QStringLiteral("Not connected."));
}

QTEST_MAIN(TestTrap)
#include "tst_trap.moc"
