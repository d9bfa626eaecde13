// A trap on a pseudo-terminal feeding the program: the time from a PASS line's last byte to its run in the log, and the CPU a quiet, connected trap costs.
#include "ui/devices/frmDevices.h"
#include "ui/home/frmHome.h"

#include "TestSupport.h"
#include "devices/PseudoTerminal.h"
#include "log/LogTestSupport.h"

#include <QtTest>
#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int Passes = 200;
constexpr int QuietMilliseconds = 10'000;

double CpuMilliseconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

}  // namespace

class DeviceBench : public SessionTest {
    Q_OBJECT

private slots:
    void passToLogAndQuietCpu();
};

void DeviceBench::passToLogAndQuietCpu()
{
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    QWidget* log = Home().SpeedLog()->Window();
    QTRY_VERIFY(log->isVisible());
    Choose(*log, QStringLiteral("GP9 4071"), 10);
    PseudoTerminal trap;
    frmDevices& devices = *Home().Devices();
    Find<QComboBox>(devices, "cboPort")->setEditText(trap.Path());
    Find<QPushButton>(devices, "cmdConnect")->click();
    trap.Send("TRACKPACE-TRAP 1 1.0.0\r\nSPACING 600\r\n");
    QTRY_COMPARE(Find<QLabel>(devices, "lblState")->text(), QStringLiteral("Trap ready, 600 mm between sensors."));

    QAbstractItemModel& runs = *Find<QTableView>(*log, "tblRuns")->model();
    QElapsedTimer clock;
    std::vector<double> latencies;
    QObject::connect(&runs, &QAbstractItemModel::rowsInserted, &runs,
                     [&] { latencies.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6); });
    for (int pass = 0; pass < Passes; ++pass) {
        const auto before = latencies.size();
        trap.Send("PASS A>B 1234567\r\n");
        clock.start();
        QTRY_VERIFY(latencies.size() > before);
    }
    QCOMPARE(runs.rowCount(), Passes);
    std::sort(latencies.begin(), latencies.end());
    const auto over = std::count_if(latencies.begin(), latencies.end(), [](double ms) { return ms > 20.0; });
    std::printf("RESULT : pass line to the run in the log, %d passes: median %.2f ms, 99th percentile %.2f ms, "
                "worst %.2f ms, %d over 20 ms (target 20 ms)\n",
                Passes, latencies.at(latencies.size() / 2), latencies.at(latencies.size() * 99 / 100), latencies.back(),
                static_cast<int>(over));

    // The last pass's repaints done, the trap quiet; in an event loop of its own, as
    // QTest::qWait wakes every 10 ms.
    const auto wait = [](int milliseconds) {
        QEventLoop quiet;
        QTimer::singleShot(milliseconds, &quiet, &QEventLoop::quit);
        quiet.exec();
    };
    wait(1000);
    const double cpuBefore = CpuMilliseconds();
    wait(QuietMilliseconds);
    std::printf("RESULT : CPU while the trap is connected and quiet: %.1f ms in %d s (target 0)\n",
                CpuMilliseconds() - cpuBefore, QuietMilliseconds / 1000);
}

QTEST_MAIN(DeviceBench)
#include "device_bench.moc"
