// Timing devices: what each kind sends read into passes and speeds, and a device on a pseudo-terminal connected, read, pulled out and plugged back.
#include "devices/DeviceLink.h"
#include "devices/DeviceReaders.h"
#include "log/LogScales.h"
#include "ui/devices/frmDevices.h"

#include "TestSupport.h"
#include "devices/PseudoTerminal.h"

#include <QtTest>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// Each reading in a line: "pass A>B 1234567", "speed 269.00", "problem …".
QString Summary(const std::vector<DeviceReading>& readings)
{
    QStringList lines;
    for (const DeviceReading& reading : readings) {
        using What = DeviceReading::What;
        switch (reading.what) {
            case What::Ready: lines << QStringLiteral("ready ") + reading.text; break;
            case What::Spacing: lines << QStringLiteral("spacing %1").arg(reading.number); break;
            case What::Pass: lines << QStringLiteral("pass %1 %2").arg(reading.text).arg(reading.micros); break;
            case What::Speed: lines << QStringLiteral("speed %1").arg(reading.number, 0, 'f', 2); break;
            case What::ScaleSpeed: lines << QStringLiteral("scale speed %1").arg(reading.number, 0, 'f', 1); break;
            case What::NoSpeed: lines << QStringLiteral("no speed"); break;
            case What::Note: lines << QStringLiteral("note ") + reading.text; break;
            case What::Problem: lines << QStringLiteral("problem ") + reading.text; break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// `bytes` fed in pieces of `piece` bytes, as a port may hand them over.
QString Read(DeviceKind kind, const QByteArray& bytes, qsizetype piece = 1 << 30, const DeviceChoices& choices = {})
{
    const std::unique_ptr<DeviceReader> reader = MakeReader(kind, choices);
    std::vector<DeviceReading> readings;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        for (const DeviceReading& reading : reader->Feed(bytes.mid(at, piece))) {
            readings.push_back(reading);
        }
    }
    return Summary(readings);
}

}  // namespace

class TestDevices : public QObject {
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
    void patterns_data();
    void patterns();
    void scales_data();
    void scales();
    void trapSession();
    void portsThatCannotBeUsed();
    void deviceThatSaysNothing();
    void rollingRoadRun();
    void windowConnectsAndKeepsTheChoices();
};

void TestDevices::readers_data()
{
    QTest::addColumn<DeviceKind>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("piece");
    QTest::addColumn<QString>("read");
    const auto trap = DeviceKind::TrackpaceTrap;
    QTest::newRow("start") << trap << QByteArray("TRACKPACE-TRAP 1 1.0.0\r\n") << 100 << "ready 1.0.0";
    QTest::newRow("pass, a byte at a time") << trap << QByteArray("PASS A>B 1234567\r\n") << 1 << "pass A>B 1234567";
    QTest::newRow("two passes, LF only") << trap << QByteArray("PASS B>A 500000\nPASS A>B 7\n") << 5
                                         << "pass B>A 500000\npass A>B 7";
    QTest::newRow("spacing") << trap << QByteArray("SPACING 600\r\n") << 100 << "spacing 600";
    QTest::newRow("timeout") << trap << QByteArray("TIMEOUT B\r\n") << 100
                             << "note Sensor B saw a train, the other did not within the trap's time: no pass.";
    QTest::newRow("error") << trap << QByteArray("ERROR unknown command: X\r\n") << 100
                           << "problem The trap says: unknown command: X";
    QTest::newRow("later protocol") << trap << QByteArray("TRACKPACE-TRAP 2 3.0.0\r\n") << 100
                                    << "problem The trap speaks version 2 of the protocol; this Trackpace reads "
                                       "version 1: update Trackpace or the trap.";
    QTest::newRow("wrong baud rate") << trap << QByteArray("\xf0\x80\x00\xfe\r\n", 6) << 100
                                     << "problem The device sends what is not text: is the baud rate right, and is "
                                        "it the kind of device chosen?";
    QTest::newRow("no trap") << trap << QByteArray("Hello from a GPS\r\n") << 100
                             << "problem Not a line a Trackpace trap sends: \"Hello from a GPS\".";
    QTest::newRow("a megabyte without an end, then a pass")
        << trap << QByteArray(1 << 20, 'x') + "\nPASS A>B 100000\n" << 4096
        << "problem A line of more than 1024 characters without an end: is this the kind of device chosen?\n"
           "pass A>B 100000";
    QTest::newRow("pass too long to be a number") << trap << QByteArray("PASS A>B 1234567890123\r\n") << 100
                                                  << "problem Not a line a Trackpace trap sends: \"PASS A>B "
                                                     "1234567890123\".";
    // Count 100: 12.5 turns/s of a 6.85 mm roller, 269.00 mm/s.
    QTest::newRow("KPF-Zeller") << DeviceKind::KpfZeller << QByteArray("*0000;V30100\n*0000;V30000\n") << 3
                                << "speed 269.00\nno speed";
    QTest::newRow("KPF-Zeller, garbage") << DeviceKind::KpfZeller << QByteArray("*0000;V3.0%\n") << 100
                                         << "problem Not a frame a KPF-Zeller speedometer sends: \"*0000;V3.0%\".";
    // Count 1000 on series 5: 62.5 turns/s x 18.8496 mm = 1178.10 mm/s; 500 on series 6: 6283.19 mm/s.
    QTest::newRow("Bachrus series 5") << DeviceKind::Bachrus << QByteArray("50003E8;5000000;") << 2
                                      << "speed 1178.10\nno speed";
    QTest::newRow("Bachrus, another series")
        << DeviceKind::Bachrus << QByteArray("60001F4;") << 100
        << "problem The reader says it is of series 6, not 5 as chosen: its rollers differ, so choose series 6.";
    // 0x50, two bytes, then 0 6 2 5: 62.5 km/h; 0x2D: no reading; a stray byte before is skipped.
    QTest::newRow("drM SPC200R") << DeviceKind::DrM << QByteArray("\x07\x50\x01\x02\x00\x06\x02\x05\x53\x00\x00\x2d\x2d\x2d\x2d", 15)
                                 << 4 << "scale speed 62.5\nno speed";
    // 9 9 9 9 is 999.9 km/h; a byte above 9 that is not 0x2D is no digit.
    QTest::newRow("drM nines, and no digit") << DeviceKind::DrM << QByteArray("\x51\x00\x00\x09\x09\x09\x09\x52\x00\x00\x0a\x00\x00\x00", 14)
                                             << 4 << "scale speed 999.9\nproblem Not frames a drM SPC200R sends: is it "
                                                     "the kind of device chosen?";
}

void TestDevices::readers()
{
    QFETCH(DeviceKind, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, piece);
    QFETCH(QString, read);
    QCOMPARE(Read(kind, bytes, piece), read);
}

void TestDevices::patterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<TimeUnit>("unit");
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint64>("micros");  // -1: no pass
    QTest::newRow("ms") << "Elapsed # ms" << TimeUnit::Milliseconds << "Elapsed 1234 ms" << qint64(1'234'000);
    QTest::newRow("s, comma, no blanks") << "Seconds: #" << TimeUnit::Seconds << "seconds:1,234567" << qint64(1'234'567);
    QTest::newRow("µs, words around") << "t=# us" << TimeUnit::Microseconds << "pass t = 987654 us done" << qint64(987'654);
    QTest::newRow("another line") << "Elapsed # ms" << TimeUnit::Milliseconds << "Ready" << qint64(-1);
    QTest::newRow("no number") << "Elapsed # ms" << TimeUnit::Milliseconds << "Elapsed ms" << qint64(-1);
    QTest::newRow("no # in the pattern") << "Elapsed ms" << TimeUnit::Milliseconds << "Elapsed 5 ms" << qint64(-1);
}

void TestDevices::patterns()
{
    QFETCH(QString, pattern);
    QFETCH(TimeUnit, unit);
    QFETCH(QString, line);
    QFETCH(qint64, micros);
    QCOMPARE(PatternMicros(pattern, unit, line).value_or(-1), micros);
}

void TestDevices::scales_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("read");  // empty: no scale
    QTest::newRow("listed") << "N (Japan) 1:150" << "N (Japan) 1:150";
    QTest::newRow("ratio alone") << "64" << "1:64";
    QTest::newRow("ratio with comma") << "1:22,5" << "1:22.5";
    QTest::newRow("named") << "Sn3 1:64" << "Sn3 1:64";
    QTest::newRow("Gauge 1") << "Gauge 1 1:32" << "Gauge 1 1:32";
    QTest::newRow("a name alone") << "Sn3" << "";
    QTest::newRow("larger than life") << "1:0.5" << "";
    QTest::newRow("text") << "big" << "";
}

void TestDevices::scales()
{
    QFETCH(QString, typed);
    QFETCH(QString, read);
    const std::optional<LogScale> scale = ReadLogScale(typed);
    QCOMPARE(scale ? LogScaleText(*scale) : QString(), read);
    QCOMPARE(LogScaleChoices().mid(5, 3), (QStringList{"G 1:22.5", "OO 1:76.2", "TT 1:120"}));
}

void TestDevices::trapSession()
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("trap"));  // as /dev/serial/by-id names one
    auto device = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(device->Path(), link));
    DeviceLink trap([] { return 87.0; });
    trap.SetTimes(5000, 20);
    QSignalSpy measured(&trap, &DeviceLink::Measured);
    QVERIFY(trap.Connect({DeviceKind::TrackpaceTrap, link, {}}));
    QCOMPARE(device->Received("\n"), QByteArray("SPACING?\r\n"));
    device->Send("TRACKPACE-TRAP 1 1.0.0\r\n");
    QCOMPARE(device->Received("\n"), QByteArray("SPACING?\r\n"));
    device->Send("SPACING 600\r\n");
    QTRY_COMPARE(trap.State(), QStringLiteral("Trap ready, 600 mm between sensors."));
    device->Send("PASS A>B 123");
    device->Send("4567\r\n");
    QTRY_COMPARE(measured.count(), 1);
    const auto run = measured.at(0).at(0).value<MeasuredRun>();
    QCOMPARE(run.millimetres, 600.0);
    QCOMPARE(run.microseconds, 1'234'567);
    QCOMPARE(run.source + u' ' + run.resolution, QStringLiteral("trap ±4 µs"));
    QCOMPARE(trap.State(), QStringLiteral("Last pass A>B: 1.234567 s over 600 mm."));
    trap.Told(QStringLiteral("Logged."));
    QCOMPARE(trap.State(), QStringLiteral("Last pass A>B: 1.234567 s over 600 mm.\nLogged."));
    device->Send("PASS B>A 0\r\n");
    QTRY_COMPARE(trap.State(), QStringLiteral("A pass of 0 µs is no pass: are both sensors wired apart?"));
    QCOMPARE(measured.count(), 1);
    QCOMPARE(trap.SetTrapSpacing(0), QStringLiteral("The spacing is a whole number of millimetres from 1 to 65535."));
    QCOMPARE(trap.SetTrapSpacing(450), std::nullopt);
    QCOMPARE(device->Received("\n"), QByteArray("SPACING 450\r\n"));
    QCOMPARE(trap.LastLines().last(), QStringLiteral("PASS B>A 0"));

    // Pulled out, and back in on another pseudo-terminal under the same name.
    device->Pull();
    QTRY_VERIFY(trap.State().endsWith(QStringLiteral(" Trackpace connects again when it returns.")));
    QVERIFY(trap.State().startsWith(link + QStringLiteral(" went away (")));
    QVERIFY(!trap.Connected());
    QFile::remove(link);
    device = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(device->Path(), link));
    QCOMPARE(device->Received("\n"), QByteArray("SPACING?\r\n"));
    QVERIFY(trap.Connected());
    device->Send("SPACING 450\r\nPASS B>A 2000000\r\n");
    QTRY_COMPARE(measured.count(), 2);
    QCOMPARE(measured.at(1).at(0).value<MeasuredRun>().millimetres, 450.0);
    // Disconnected by the user: it stays so when the port goes.
    trap.Disconnect();
    QCOMPARE(trap.State(), QStringLiteral("Not connected."));
    device->Pull();
    QTest::qWait(60);
    QCOMPARE(trap.State(), QStringLiteral("Not connected."));
}

void TestDevices::portsThatCannotBeUsed()
{
    PseudoTerminal device;
    DeviceLink first([] { return 87.0; });
    QVERIFY(first.Connect({DeviceKind::TrackpaceTrap, device.Path(), {}}));
    DeviceLink second([] { return 87.0; });
    const auto refused = [&second](DeviceKind kind, const QString& port, DeviceChoices choices = {}) {
        return second.Connect({kind, port, choices}) ? QStringLiteral("connected") : second.State();
    };
    QCOMPARE(refused(DeviceKind::TrackpaceTrap, device.Path()),
             device.Path() + QStringLiteral(" is in use by another program (a serial monitor, another Trackpace?): "
                                            "close it there first."));
    QCOMPARE(refused(DeviceKind::KpfZeller, QStringLiteral("/dev/ttyACM99")),
             QStringLiteral("There is no port /dev/ttyACM99: is the device plugged in?"));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("plain"));
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    QCOMPARE(refused(DeviceKind::DrM, file), file + QStringLiteral(" is not a serial port."));
    QCOMPARE(refused(DeviceKind::DrM, QStringLiteral("  ")), QStringLiteral("Choose or type the port the device is on."));
    DeviceChoices pattern;
    pattern.pattern = QStringLiteral("Elapsed ms");
    QCOMPARE(refused(DeviceKind::PatternTrap, device.Path(), pattern),
             QStringLiteral("The pattern needs one # where the number stands, as in \"Elapsed # ms\"."));
    pattern.pattern = QStringLiteral("Elapsed # ms");
    QCOMPARE(refused(DeviceKind::PatternTrap, device.Path(), pattern),
             QStringLiteral("Type the spacing of the trap's sensors, in millimetres."));
    pattern.baud = 12345;
    pattern.spacingMm = 500;
    first.Disconnect();
    QCOMPARE(refused(DeviceKind::PatternTrap, device.Path(), pattern),
             QStringLiteral("12345 baud is not a rate a serial port is set to."));
}

void TestDevices::deviceThatSaysNothing()
{
    PseudoTerminal device;
    DeviceLink trap([] { return 87.0; });
    trap.SetTimes(50, 1000);
    QVERIFY(trap.Connect({DeviceKind::TrackpaceTrap, device.Path(), {}}));
    QCOMPARE(trap.State(), QStringLiteral("Connected to %1; waiting for the trap to answer...").arg(device.Path()));
    QTRY_COMPARE(trap.State(), QStringLiteral("Nothing readable has come from %1 yet: is it the right port and the "
                                              "kind of device chosen, and is the device switched on?")
                                   .arg(device.Path()));
}

void TestDevices::rollingRoadRun()
{
    PseudoTerminal device;
    DeviceLink road([] { return 87.0; });
    QSignalSpy measured(&road, &DeviceLink::Measured);
    QVERIFY(road.Connect({DeviceKind::KpfZeller, device.Path(), {}, 0.1, 0.3}));
    // Settling at count 200, then measured at 100 (269.00 mm/s); the settling is left out.
    QElapsedTimer clock;
    clock.start();
    while (measured.isEmpty() && clock.elapsed() < 3000) {
        device.Send(clock.elapsed() < 100 ? "*0000;V30200\n" : "*0000;V30100\n");
        QTest::qWait(10);
    }
    QCOMPARE(measured.count(), 1);
    const auto run = measured.at(0).at(0).value<MeasuredRun>();
    QVERIFY2(std::abs(run.millimetres / (static_cast<double>(run.microseconds) / 1e6) - 269.00) < 0.01,
             qPrintable(QString::number(run.millimetres)));
    QVERIFY(run.microseconds >= 300'000 && run.microseconds < 400'000);
    QCOMPARE(run.source + u' ' + run.resolution, QStringLiteral("rolling road spread ±0.0 %"));
    device.Send("*0000;V30000\n");
    QTRY_COMPARE(road.State(), QStringLiteral("Speedometer ready: nothing running on its rollers."));
}

void TestDevices::windowConnectsAndKeepsTheChoices()
{
    QTemporaryDir folder;
    const QByteArray kept = QFile::encodeName(folder.filePath(QStringLiteral("Trackpace.devices.ini")));
    std::vector<MeasuredRun> runs;
    const auto record = [&runs](const MeasuredRun& run) {
        runs.push_back(run);
        return QStringLiteral("Logged.");
    };
    PseudoTerminal device;
    {
        frmDevices window(record, [] { return 87.0; }, kept);
        auto* kind = Find<QComboBox>(window, "cboKind");
        kind->setCurrentIndex(kind->findText(DeviceKindName(DeviceKind::PatternTrap)));
        auto* page = qobject_cast<QGroupBox*>(Find<QStackedWidget>(window, "stkChoices")->currentWidget());
        QCOMPARE(page->title(), QStringLiteral("A trap that prints a line per pass"));
        Find<QComboBox>(window, "cboPort")->setEditText(device.Path());
        auto* baud = Find<QComboBox>(window, "cboBaud");
        baud->setCurrentIndex(baud->findText(QStringLiteral("9600")));
        Find<QLineEdit>(window, "txtPattern")->setText(QStringLiteral("Elapsed # ms"));
        Find<QComboBox>(window, "cboUnit")->setCurrentIndex(1);
        Find<QDoubleSpinBox>(window, "spnSpacing")->setValue(500);
        auto* connect = Find<QPushButton>(window, "cmdConnect");
        connect->click();
        QCOMPARE(connect->text(), QStringLiteral("Dis&connect"));
        QVERIFY(!kind->isEnabled());
        device.Send("Trap v2\r\nElapsed 1234 ms\r\n");
        auto* state = Find<QLabel>(window, "lblState");
        QTRY_VERIFY(state->text().endsWith(QStringLiteral("\nLogged.")));
        QCOMPARE(runs.size(), std::size_t(1));
        QCOMPARE(runs.at(0).millimetres, 500.0);
        QCOMPARE(runs.at(0).microseconds, 1'234'000);
        QCOMPARE(Find<QPlainTextEdit>(window, "txtLines")->toPlainText(),
                 QStringLiteral("Trap v2  (no pass)\nElapsed 1234 ms  \u2192 1234000 \u00B5s"));
        // Left connected as Trackpace ends: the window of the next start connects again.
    }
    frmDevices again(record, [] { return 87.0; }, kept);
    QCOMPARE(again.Chosen().kind, DeviceKind::PatternTrap);
    QCOMPARE(again.Chosen().choices.pattern, QStringLiteral("Elapsed # ms"));
    QCOMPARE(again.Chosen().choices.baud, 9600);
    QVERIFY(again.ReconnectKept());
    device.Send("Elapsed 2.5 ms\r\n");
    QTRY_COMPARE(runs.size(), std::size_t(2));
    QCOMPARE(runs.at(1).microseconds, 2500);
    Find<QPushButton>(again, "cmdConnect")->click();
    QCOMPARE(Find<QLabel>(again, "lblState")->text(), QStringLiteral("Not connected."));
    QVERIFY(!frmDevices(record, [] { return 87.0; }, kept).ReconnectKept());
}

QTEST_MAIN(TestDevices)
#include "tst_devices.moc"
