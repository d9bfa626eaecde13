// Command stations and the speed profile: the protocols' lines, faults answered by a stop, and whole profiles of simulated locomotives driven through the real program (tools/layoutsim).
#include "core/Process.h"
#include "station/ProfilePlan.h"
#include "devices/SerialPort.h"
#include "station/StationLink.h"
#include "ui/devices/frmDevices.h"
#include "ui/home/frmHome.h"
#include "ui/decoder/DecoderTab.h"
#include "ui/profile/ProfileTab.h"

#include "TestSupport.h"
#include "log/LogTestSupport.h"

#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QXmlStreamReader>
#include <QPdfWriter>
#include <QStandardPaths>

#include <csignal>
#include <map>

namespace {

// What a reader makes of `bytes` fed `piece` bytes at a time, one word per answer.
QString Summary(StationKind kind, const QByteArray& bytes, qsizetype piece)
{
    StationReader reader(kind);
    QStringList words;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        for (const StationAnswer& answer : reader.Feed(bytes.mid(at, piece))) {
            using What = StationAnswer::What;
            switch (answer.what) {
                case What::Heartbeat: words << QStringLiteral("heartbeat %1").arg(answer.number); break;
                case What::Acquired: words << QStringLiteral("acquired %1").arg(answer.text); break;
                case What::InUse: words << QStringLiteral("in-use %1").arg(answer.text); break;
                case What::Speed:
                    words << QStringLiteral("speed %1 %2%3").arg(answer.cab).arg(answer.number)
                                 .arg(kind == StationKind::WiThrottle ? "" : answer.forward ? " fwd" : " rev");
                    break;
                case What::Power: words << QStringLiteral("power %1").arg(answer.forward ? "on" : "off"); break;
                case What::Alert: words << QStringLiteral("alert %1").arg(answer.text); break;
                case What::Other: words << QStringLiteral("other"); break;
            }
        }
    }
    return words.join(QStringLiteral("; "));
}

// The layout in a box, run beside the test: its events as they come, each with the
// test's own time of arrival.
class LayoutSim {
public:
    explicit LayoutSim(const QStringList& arguments)
    {
        process_.setProgram(QStringLiteral(TRACKPACE_LAYOUT_SIM));
        process_.setArguments(arguments);
        process_.start();
        clock_.start();
    }
    ~LayoutSim()
    {
        process_.write("quit\n");
        if (!process_.waitForFinished(2000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    // The first event starting with `prefix` from the `from`-th on, waiting up to `ms`.
    std::optional<std::pair<QString, qint64>> WaitFor(const QString& prefix, int ms = 10000, size_t from = 0)
    {
        QElapsedTimer waited;
        waited.start();
        while (true) {
            Read();
            for (size_t i = from; i < events_.size(); ++i) {
                if (events_[i].first.startsWith(prefix)) {
                    return events_[i];
                }
            }
            if (waited.elapsed() > ms) {
                return std::nullopt;
            }
            QTest::qWait(2);
        }
    }
    QString Value(const QString& prefix, int word)
    {
        const auto event = WaitFor(prefix);
        return event ? event->first.section(QLatin1Char(' '), word, word) : QString();
    }
    size_t Count()
    {
        Read();
        return events_.size();
    }
    std::vector<QString> Events()
    {
        Read();
        std::vector<QString> texts;
        for (const auto& event : events_) {
            texts.push_back(event.first);
        }
        return texts;
    }
    void Say(const QByteArray& line) { process_.write(line + '\n'); }
    // The true speeds of `address` in `mode`, model mm/s: step to forward and reverse.
    std::map<int, std::pair<double, double>> TrueSpeeds(int address, int mode)
    {
        const size_t from = Count();
        Say(QStringLiteral("speeds %1 %2").arg(address).arg(mode).toLatin1());
        WaitFor(QStringLiteral("end"), 5000, from);
        std::map<int, std::pair<double, double>> speeds;
        for (size_t i = from; i < events_.size(); ++i) {
            const QStringList words = events_[i].first.split(QLatin1Char(' '));
            if (words.size() == 5 && words[0] == QLatin1String("true")) {
                speeds[words[2].toInt()] = {words[3].toDouble(), words[4].toDouble()};
            }
        }
        return speeds;
    }
    qint64 Now() const { return clock_.elapsed(); }

private:
    void Read()
    {
        process_.waitForReadyRead(0);
        while (process_.canReadLine()) {
            QString line = QString::fromUtf8(process_.readLine()).trimmed();
            // Events carry the simulator's milliseconds first; the answers to "speeds" do not.
            const qsizetype blank = line.indexOf(QLatin1Char(' '));
            bool number = false;
            line.left(blank).toLongLong(&number);
            events_.emplace_back(number ? line.mid(blank + 1) : line, clock_.elapsed());
        }
    }
    QProcess process_;
    QElapsedTimer clock_;
    std::vector<std::pair<QString, qint64>> events_;
};

bool HaveSim()
{
    return !QStringLiteral(TRACKPACE_LAYOUT_SIM).isEmpty();
}

// A station on loopback that answers each command with the lines `answers` gives.
class FakeStation : public QObject {
public:
    explicit FakeStation(std::function<QByteArray(const QByteArray&)> answers) : answers_(std::move(answers))
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = server_.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                const QByteArray bytes = socket->readAll();
                heard += bytes;
                socket->write(answers_(bytes));
            });
        });
    }
    int Port() const { return server_.serverPort(); }
    QByteArray heard;

private:
    QTcpServer server_;
    std::function<QByteArray(const QByteArray&)> answers_;
};

}  // namespace

class TestStation : public SessionTest {
    Q_OBJECT

private slots:
    void throttleValues_data();
    void throttleValues();
    void answersRead_data();
    void answersRead();
    void stepsRead_data();
    void stepsRead();
    void plansRefused_data();
    void plansRefused();
    void commandsAsSent();
    void wrongAnswersStopTheLocomotive_data();
    void wrongAnswersStopTheLocomotive();
    void neverAboveTheCeilingNorReversedAtSpeed();
    void withThrottleClient();
    void dccExOnASerialPort();
    void profileNeedsStationAndTrap();
    void wholeProfileMatchesTheTrueSpeeds();
    void stopsWhateverHappens_data();
    void stopsWhateverHappens();
    void decoderPlannedWrittenAndChecked();
    void decoderTabWithoutRuns();

private:
    // The program connected to `sim`'s trap and WiThrottle, the log open with a
    // locomotive chosen and the Profile tab set for address 341 (long); false where
    // a step failed.
    bool SetUp(LayoutSim& sim, StationKind kind = StationKind::WiThrottle);
    // The Devices window's Command station tab pointed at `sim`, and Connect pressed.
    void ConnectStation(LayoutSim& sim, StationKind kind);
    // The Profile tab's confirmations answered yes and kept in `confirmed_`, from none.
    void RecordConfirmations();
    ProfileTab& Tab() { return *Home().Profile(); }
    // `locomotive` at `address` measured by the Profile tab at its steps.
    void Measure(const QString& locomotive, int address, bool longAddress);
    // The Decoder tab set for `locomotive` as its decoder is known: `cvs` are CV2, CV6, CV5.
    DecoderTab& Decoder(const QString& locomotive, int address, bool longAddress, std::array<int, 3> cvs);
    QStringList confirmed_;
};

void TestStation::throttleValues_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("value");
    // 128-step mode sends the step itself; 28 steps share 126 values, 4.5 a step.
    QTest::newRow("stop") << 0 << 128 << 0;
    QTest::newRow("128: 1") << 1 << 128 << 1;
    QTest::newRow("128: 126") << 126 << 128 << 126;
    QTest::newRow("28: 1") << 1 << 28 << 4;
    QTest::newRow("28: 2") << 2 << 28 << 9;
    QTest::newRow("28: 3") << 3 << 28 << 13;
    QTest::newRow("28: 28") << 28 << 28 << 126;
}

void TestStation::throttleValues()
{
    QFETCH(int, step);
    QFETCH(int, mode);
    QFETCH(int, value);
    QCOMPARE(ThrottleValue(step, mode), value);
}

void TestStation::answersRead_data()
{
    QTest::addColumn<bool>("dccEx");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("read");
    QTest::newRow("withrottle greeting") << false << QByteArray("VN2.0\nRL0\nPPA1\n*10\n")
                                         << "other; other; power on; heartbeat 10";
    QTest::newRow("withrottle acquire") << false << QByteArray("MT+L341<;>\r\nMTAL341<;>V0\r\nMTAL341<;>R1\r\n")
                                        << "acquired L341; speed 341 0; other";
    QTest::newRow("withrottle in use") << false << QByteArray("MTSS3<;>S3\n") << "in-use S3";
    QTest::newRow("withrottle alert") << false << QByteArray("HMAddress in use\n") << "alert Address in use";
    QTest::newRow("withrottle estop echoed") << false << QByteArray("MTAL341<;>V-1\n") << "speed 341 -1";
    QTest::newRow("dcc-ex speed forward") << true << QByteArray("<l 341 0 159 0>") << "speed 341 30 fwd";
    QTest::newRow("dcc-ex stop reverse") << true << QByteArray("<l 3 0 0 0>") << "speed 3 0 rev";
    QTest::newRow("dcc-ex estop") << true << QByteArray("<l 3 0 129 0>") << "speed 3 -1 fwd";
    QTest::newRow("dcc-ex power, noise between") << true << QByteArray("junk<p1 MAIN>\r\n<p0>") << "power on; power off";
    QTest::newRow("dcc-ex refused") << true << QByteArray("<X>") << "alert the station did not take a command";
    QTest::newRow("dcc-ex: a frame cut short by the next") << true << QByteArray("<l 3 0 <p1>") << "power on";
    QTest::newRow("dcc-ex: an endless frame dropped") << true << QByteArray("<") + QByteArray(2000, 'x') + "<p0>"
                                                      << "power off";
    QTest::newRow("endless line dropped") << false << QByteArray(5000, 'x') + "\n*5\n" << "heartbeat 5";
}

void TestStation::answersRead()
{
    QFETCH(bool, dccEx);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, read);
    const StationKind kind = dccEx ? StationKind::DccExTcp : StationKind::WiThrottle;
    for (const qsizetype piece : {qsizetype(1), qsizetype(3), bytes.size()}) {
        QCOMPARE(Summary(kind, bytes, piece), read);
    }
}

void TestStation::stepsRead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("steps");  // as written back, or the reason
    QTest::newRow("list and range") << "1, 5 10-13" << 128 << "1, 5, 10-13";
    QTest::newRow("twice, out of order") << "20;3 3" << 128 << "3, 20";
    QTest::newRow("two in a row") << "7-8" << 28 << "7, 8";
    QTest::newRow("one, then two in a row") << "3 7 8" << 28 << "3, 7, 8";
    QTest::newRow("the top alone") << "126" << 128 << "126";
    QTest::newRow("above 28") << "27-29" << 28 << "\"27-29\": the steps of 28-step mode run from 1 to 28.";
    QTest::newRow("zero") << "0" << 128 << "\"0\": the steps of 128-step mode run from 1 to 126.";
    QTest::newRow("backwards") << "9-4" << 128 << "\"9-4\": the steps of 128-step mode run from 1 to 126.";
    QTest::newRow("word") << "fast" << 128 << "\"fast\" is not a step or a range of steps such as 10-20.";
    QTest::newRow("empty") << " " << 128 << "Type the steps to measure, such as 1, 5, 10-20.";
}

void TestStation::stepsRead()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, steps);
    QString whyNot;
    const auto read = ParseSteps(text, mode, whyNot);
    QCOMPARE(read ? StepsText(*read) : whyNot, steps);
}

void TestStation::plansRefused_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("fault");
    QTest::newRow("fine") << "" << "";
    QTest::newRow("short address 128") << "address" << "A short address runs from 1 to 127, not 128.";
    QTest::newRow("long address 10239") << "top address" << "";
    QTest::newRow("step 1 only, one pass") << "lowest" << "";
    QTest::newRow("above the highest") << "highest" << "Step 126 is above the highest step allowed, 100.";
    QTest::newRow("no direction") << "directions" << "Choose forward, reverse or both.";
    QTest::newRow("loop unknown") << "loop" << "Give the loop's length to work the longest time of a pass out from.";
}

void TestStation::plansRefused()
{
    QFETCH(QString, change);
    QFETCH(QString, fault);
    ProfilePlan plan;
    plan.locomotive = {341, true};
    plan.steps = EveryNthStep(40, 126);
    QCOMPARE(StepsText(plan.steps), QStringLiteral("40, 80, 120, 126"));
    plan.highestStep = 126;
    if (change == QLatin1String("address")) {
        plan.locomotive = {128, false};
    } else if (change == QLatin1String("lowest")) {
        plan.steps = EveryNthStep(5, 1);
        plan.highestStep = 1;
        plan.passes = 1;
        QCOMPARE(StepsText(plan.steps), QStringLiteral("1"));
    } else if (change == QLatin1String("top address")) {
        plan.locomotive = {10239, true};
    } else if (change == QLatin1String("highest")) {
        plan.highestStep = 100;
    } else if (change == QLatin1String("directions")) {
        plan.forward = plan.reverse = false;
    } else if (change == QLatin1String("loop")) {
        plan.longestFromLoop = true;
    }
    QCOMPARE(PlanFault(plan).value_or(QString()), fault);
    // Twice the last lap, never under a second: 4 m at 400 mm/s is 10 s a lap.
    plan.loopMillimetres = 4000.0;
    plan.longestFromLoop = false;
    QCOMPARE(LongestPassAfter(plan, 400.0), 60.0);
    plan.longestFromLoop = true;
    plan.loopMillimetres = 4000.0;
    QCOMPARE(LongestPassAfter(plan, 400.0), 20.0);
    QCOMPARE(LongestPassAfter(plan, 1e6), 1.0);
}

void TestStation::commandsAsSent()
{
    QCOMPARE(WiAcquire({341, true}), QByteArray("MT+L341<;>L341\n"));
    QCOMPARE(WiAcquire({3, false}), QByteArray("MT+S3<;>S3\n"));
    QCOMPARE(WiSpeed(30) + WiDirection(false) + WiEmergencyStop() + WiRelease() + WiPower(true),
             QByteArray("MTA*<;>V30\nMTA*<;>R0\nMTA*<;>X\nMT-*<;>r\nPPA1\n"));
    QCOMPARE(ExSpeed(341, 30, true) + ExSpeed(3, 0, false) + ExEmergencyStop(3) + ExStopAll() + ExPower(true) +
                 ExPower(false) + ExWriteCv(341, 5, 130),
             QByteArray("<t 341 30 1><t 3 0 0><t 3 -1 1><!><1 MAIN><0><w 341 5 130>"));
}

void TestStation::wrongAnswersStopTheLocomotive_data()
{
    QTest::addColumn<bool>("dccEx");
    QTest::addColumn<QByteArray>("answer");  // to the first speed sent
    QTest::addColumn<QString>("fault");
    QTest::newRow("dcc-ex: another speed") << true << QByteArray("<l 341 0 200 0>")
        << "The station reports it at throttle 71, not 30: is another throttle driving locomotive 341 (long)?";
    QTest::newRow("withrottle: another speed") << false << QByteArray("MTAL341<;>V90\n")
        << "The station reports it at throttle 90, not 30: is another throttle driving locomotive 341 (long)?";
    QTest::newRow("withrottle: stopped elsewhere") << false << QByteArray("MTAL341<;>V-1\n")
        << "The station stopped it itself (an emergency stop): is another throttle driving locomotive 341 (long)?";
}

void TestStation::wrongAnswersStopTheLocomotive()
{
    QFETCH(bool, dccEx);
    QFETCH(QByteArray, answer);
    QFETCH(QString, fault);
    FakeStation station([&](const QByteArray& heard) -> QByteArray {
        if (heard.contains("<s>")) {
            return "<iDCC-EX V-5.0.0>";
        }
        if (heard.contains("*+")) {
            return "*10\n";
        }
        if (heard.contains("MT+L341")) {
            return "MT+L341<;>\n";
        }
        return heard.contains("V30") || heard.contains("<t 341 30 1>") ? answer : QByteArray();
    });
    StationLink link;
    QSignalSpy faults(&link, &StationLink::Fault);
    link.Connect({dccEx ? StationKind::DccExTcp : StationKind::WiThrottle, QStringLiteral("127.0.0.1"), station.Port(), {}});
    QTRY_VERIFY(link.Ready());
    link.Take({341, true}, 126);
    QTRY_VERIFY(link.Driving());
    QVERIFY(link.Drive(30, true));
    QTRY_COMPARE(faults.size(), 1);
    QCOMPARE(faults.at(0).at(0).toString(), fault);
    QTRY_VERIFY(station.heard.contains(dccEx ? "<t 341 -1 1>" : "MTA*<;>X\n"));
}

void TestStation::neverAboveTheCeilingNorReversedAtSpeed()
{
    FakeStation station([](const QByteArray& heard) { return heard.contains("<s>") ? QByteArray("<iDCC-EX>") : QByteArray(); });
    StationLink link;
    link.Connect({StationKind::DccExTcp, QStringLiteral("127.0.0.1"), station.Port(), {}});
    QTRY_VERIFY(link.Ready());
    link.Take({3, false}, 40);
    QVERIFY(link.Drive(40, true));
    QVERIFY(!link.Drive(41, true));  // above: refused, and an emergency stop instead
    QTRY_VERIFY(station.heard.endsWith("<t 3 40 1><t 3 -1 1>"));
    QVERIFY(link.Drive(20, true));
    QVERIFY(!link.Drive(20, false));  // reversed at speed: refused, stopped at once
    QTRY_VERIFY(station.heard.endsWith("<t 3 20 1><t 3 -1 1>"));
    QVERIFY(link.Drive(0, true));
    QVERIFY(link.Drive(10, false));  // standing, it may reverse
    QTRY_VERIFY(station.heard.endsWith("<t 3 0 1><t 3 10 0>"));
}

void TestStation::withThrottleClient()
{
    // Under Wine the simulator runs on the Linux side and names its port here.
    QString where = qEnvironmentVariable("TRACKPACE_WITHROTTLE");
    std::unique_ptr<LayoutSim> sim;
    if (where.isEmpty()) {
        if (!HaveSim()) {
            QSKIP("no layout simulator here, and TRACKPACE_WITHROTTLE names none");
        }
        sim = std::make_unique<LayoutSim>(QStringList{"--withrottle", "0", "--heartbeat", "3", "--loco", "341"});
        where = QStringLiteral("127.0.0.1:") + sim->Value(QStringLiteral("withrottle"), 2);
    }
    StationLink link;
    link.Connect({StationKind::WiThrottle, where.section(QLatin1Char(':'), 0, 0), where.section(QLatin1Char(':'), 1).toInt(), {}});
    QTRY_COMPARE(link.State(), QStringLiteral("Connected to %1 (WiThrottle), heartbeat 3 s").arg(where));
    QSignalSpy faults(&link, &StationLink::Fault);
    link.Take({341, true}, 126);
    QTRY_VERIFY(link.Driving());
    QVERIFY(link.Drive(30, true));
    QTRY_VERIFY(link.LastLines().contains(QStringLiteral("MTAL341<;>V30")));
    QCOMPARE(link.WriteCv(341, 5, 130).value_or(QString()),
             QStringLiteral("WiThrottle cannot write CVs: write them by hand, or connect the station as DCC-EX."));
    // Heartbeats keep it going past the period.
    QTest::qWait(4000);
    QVERIFY(link.Connected());
    link.Stop();
    QTRY_VERIFY(link.LastLines().contains(QStringLiteral("MTAL341<;>V0")));
    link.EmergencyStop();
    QTRY_VERIFY(link.LastLines().contains(QStringLiteral("MTAL341<;>V-1")));
    QVERIFY(faults.isEmpty());
    link.LetGo();
    QTRY_VERIFY(link.LastLines().contains(QStringLiteral("MT-L341<;>")));
    if (sim) {
        QVERIFY(sim->WaitFor(QStringLiteral("loco 341 released")));
    }
}

void TestStation::dccExOnASerialPort()
{
    if (!HaveSim()) {
        QSKIP("no layout simulator here");
    }
    const QString port = QDir(Session().dir.path()).filePath(QStringLiteral("dcc-ex"));
    StationLink link;
    QVERIFY(!link.Connect({StationKind::DccExSerial, {}, 0, port}));
    QCOMPARE(link.State(), PortMissingText(port));
    LayoutSim sim({"--dccex-pty", port});
    QVERIFY(sim.WaitFor(QStringLiteral("ready")));
    link.Connect({StationKind::DccExSerial, {}, 0, port});
    QTRY_COMPARE(link.State(), QStringLiteral("Connected to DCC-EX at %1 (no heartbeat: should the connection go, the "
                                              "locomotive runs on)").arg(port));
    link.Take({3, false}, 126);
    QVERIFY(link.Drive(12, true));
    QVERIFY(sim.WaitFor(QStringLiteral("loco 3 throttle 12 forward")));
    QCOMPARE(link.WriteCv(3, 5, 130).value_or(QString()),
             QStringLiteral("The locomotive is moving: CVs are written with it standing."));
    QCOMPARE(link.WriteCv(3, 5, 256).value_or(QString()), QStringLiteral("CV5 cannot take 256."));
    link.Disconnect();  // stopped before the port closes
    QVERIFY(sim.WaitFor(QStringLiteral("loco 3 throttle 0 forward")));
    QCOMPARE(link.WriteCv(3, 5, 130).value_or(QString()), QStringLiteral("No command station connected."));
    QVERIFY(!sim.WaitFor(QStringLiteral("cv 3 "), 300));
}

void TestStation::ConnectStation(LayoutSim& sim, StationKind kind)
{
    frmDevices& devices = *Home().Devices();
    auto* kinds = Find<QComboBox>(devices, "cboStationKind");
    kinds->setCurrentIndex(kinds->findData(static_cast<int>(kind)));
    Find<QLineEdit>(devices, "txtStationHost")->setText(QStringLiteral("127.0.0.1"));
    const QString served = kind == StationKind::WiThrottle ? QStringLiteral("withrottle") : QStringLiteral("dccex");
    Find<QSpinBox>(devices, "spnStationPort")->setValue(sim.Value(served, 2).toInt());
    Find<QPushButton>(devices, "cmdStationConnect")->click();
}

void TestStation::RecordConfirmations()
{
    confirmed_.clear();
    Tab().Confirm = [this](const QString& text) {
        confirmed_ << text;
        return true;
    };
}

bool TestStation::SetUp(LayoutSim& sim, StationKind kind)
{
    if (!sim.WaitFor(QStringLiteral("ready"))) {
        return false;
    }
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    QWidget* log = Home().SpeedLog()->Window();
    Choose(*log, QStringLiteral("RS3 341"), 1);
    frmDevices& devices = *Home().Devices();
    Find<QComboBox>(devices, "cboPort")->setEditText(sim.Value(QStringLiteral("trap-pty"), 1));
    Find<QPushButton>(devices, "cmdConnect")->click();
    ConnectStation(sim, kind);
    if (!QTest::qWaitFor([&] { return devices.Station().Ready() && devices.Link().State().startsWith("Trap ready"); }, 10000)) {
        qWarning("station: %s; trap: %s", qPrintable(devices.Station().State()), qPrintable(devices.Link().State()));
        return false;
    }
    ProfileTab& tab = Tab();
    RecordConfirmations();
    Find<QSpinBox>(tab, "spnAddress")->setValue(341);
    Find<QCheckBox>(tab, "chkLongAddress")->setChecked(true);
    Find<QLineEdit>(tab, "txtSteps")->setText(QStringLiteral("10, 20, 30, 40, 50, 60, 70, 80, 90, 100"));
    Find<QSpinBox>(tab, "spnHighest")->setValue(100);
    Find<QDoubleSpinBox>(tab, "spnSettle")->setValue(0.2);
    Find<QDoubleSpinBox>(tab, "spnLongest")->setValue(5.0);
    return true;
}

void TestStation::profileNeedsStationAndTrap()
{
    if (!HaveSim()) {
        QSKIP("no layout simulator here");
    }
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    Choose(*Home().SpeedLog()->Window(), QStringLiteral("RS3 341"), 1);
    RecordConfirmations();
    auto* state = Find<QLabel>(Tab(), "lblProfileState");
    Find<QPushButton>(Tab(), "cmdStart")->click();
    QCOMPARE(state->text(), QStringLiteral("Connect a command station first: File > Devices..., Command station."));
    // The station alone: nothing moves without the trap to time it.
    LayoutSim sim({"--dccex", "0", "--loco", "341"});
    QVERIFY(sim.WaitFor(QStringLiteral("ready")));
    ConnectStation(sim, StationKind::DccExTcp);
    QTRY_VERIFY(Home().Devices()->Station().Ready());
    Find<QPushButton>(Tab(), "cmdStart")->click();
    QCOMPARE(state->text(), QStringLiteral("Connect the trap first: File > Devices..., Timing device."));
    QVERIFY(confirmed_.isEmpty());
    QVERIFY(!sim.WaitFor(QStringLiteral("loco 341"), 300));
}

void TestStation::wholeProfileMatchesTheTrueSpeeds()
{
    if (!HaveSim()) {
        QSKIP("no layout simulator here");
    }
    const QString dir = Session().dir.path();
    LayoutSim sim({"--withrottle", "0", "--trap-pty", dir + "/trap", "--loop", "3100", "--spacing", "50", "--speedup", "180", "--loco",
                   "341:top=400,rev=0.93,cv3=2,cv4=2,cv6=110"});
    QVERIFY(SetUp(sim));
    QVERIFY(Find<QLabel>(Tab(), "lblPlan")->text().startsWith(
        QStringLiteral("Plan: steps 10, 20, 30, 40, 50, 60, 70, 80, 90, 100 forward, then stopped and reversed; at "
                       "each, 3 passes logged after one thrown away: 80 passes in all.")));
    Find<QDoubleSpinBox>(Tab(), "spnWarmUp")->setValue(0.1);
    Find<QPushButton>(Tab(), "cmdStart")->click();
    QCOMPARE(confirmed_.size(), 1);
    // Warmed up at the middle step first, for 6 s.
    QVERIFY(sim.WaitFor(QStringLiteral("loco 341 throttle 55 forward")));
    QCOMPARE(Find<QLabel>(Tab(), "lblProgress")->text(),
             QStringLiteral("Warming up at step 55 for 0.1 min. Steps done: 0 of 20; runs logged: 0."));
    // Another name typed in the log meanwhile changes nothing of the profile's runs.
    Choose(*Home().SpeedLog()->Window(), QStringLiteral("SW1 12"), 3);
    QVERIFY2(confirmed_.at(0).startsWith(QStringLiteral("RS3 341, address 341 (long), will move on its own, up to step "
                                                        "100 of 128, forward, then reverse.")),
             qPrintable(confirmed_.at(0)));
    auto* state = Find<QLabel>(Tab(), "lblProfileState");
    QTRY_VERIFY_WITH_TIMEOUT(Find<QLabel>(Tab(), "lblProgress")->text().startsWith(
                                 QStringLiteral("Measuring step 10 forward: pass 1 of 3. Steps done: 0 of 20")),
                             20000);
    QTRY_VERIFY_WITH_TIMEOUT(!Tab().Running(), 120000);
    QCOMPARE(state->text(), QStringLiteral("Profile done: 60 runs logged for locomotive 341 (long), which was stopped "
                                           "and let go."));
    QCOMPARE(Find<QLabel>(Tab(), "lblProgress")->text(), QStringLiteral("Steps done: 20 of 20; runs logged: 60."));
    // Each step's mean within 0.5 % of the locomotive's true speed, both ways.
    const auto truth = sim.TrueSpeeds(341, 128);
    std::map<std::pair<int, bool>, std::vector<double>> measured;
    for (const QStringList& run : Rows(*Home().SpeedLog()->Window(), "tblRuns")) {
        QCOMPARE(run.at(1), QStringLiteral("RS3 341"));
        measured[{run.at(2).toInt(), run.at(3) == QLatin1String("reverse")}].push_back(50.0 / run.at(5).toDouble());  // over the 50 mm spacing
    }
    QCOMPARE(measured.size(), std::size_t(20));
    for (const auto& [key, speeds] : measured) {
        QCOMPARE(speeds.size(), std::size_t(3));
        const double mean = (speeds[0] + speeds[1] + speeds[2]) / 3.0;
        const double expected = key.second ? truth.at(key.first).second : truth.at(key.first).first;
        QVERIFY2(std::abs(mean / expected - 1.0) < 0.005,
                 qPrintable(QStringLiteral("step %1: %2 mm/s, truly %3").arg(key.first).arg(mean).arg(expected)));
    }
    // Never above step 100, never reversed at speed, and standing at the end.
    bool forward = true;
    int value = 0;
    for (const QString& event : sim.Events()) {
        if (event.startsWith(QLatin1String("loco 341 throttle"))) {
            value = event.section(QLatin1Char(' '), 3, 3).toInt();
            QVERIFY2(value <= 100, qPrintable(event));
        } else if (event == QLatin1String("loco 341 reverse") || event == QLatin1String("loco 341 forward")) {
            QVERIFY2(value <= 0, "reversed at speed");
            forward = event.endsWith(QLatin1String("forward"));
        }
    }
    QCOMPARE(value, 0);
    QVERIFY(!forward);
    QVERIFY(sim.WaitFor(QStringLiteral("loco 341 released")));
}

void TestStation::stopsWhateverHappens_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("stopped");  // what the simulator shows of the stop
    QTest::addColumn<QString>("told");     // the start of what the tab says
    QTest::newRow("Stop pressed") << "stop" << "loco 341 throttle 0" << "Stopped by you at step 10 forward: speed 0 sent.";
    QTest::newRow("Esc") << "escape" << "loco 341 throttle 0" << "Stopped by you at step 10 forward";
    QTest::newRow("Space") << "space" << "loco 341 throttle 0" << "Stopped by you at step 10 forward";
    QTest::newRow("log window closed") << "close" << "loco 341 throttle 0" << "Stopped by you";
    QTest::newRow("stalled") << "stall" << "loco 341 estop" << "No pass came within 5 s at step 10 forward: is the "
                                                               "locomotive stalled or derailed, or the trap unplugged?";
    QTest::newRow("connection dropped") << "drop" << "heartbeat lost" << "The connection to 127.0.0.1:";
    QTest::newRow("trap unplugged") << "trap" << "loco 341 estop" << "The trap went: ";
    QTest::newRow("Trackpace ends") << "end" << "loco 341 estop" << "";
    QTest::newRow("SIGTERM") << "term" << "loco 341 estop" << "";
}

void TestStation::stopsWhateverHappens()
{
    QFETCH(QString, how);
    QFETCH(QString, stopped);
    QFETCH(QString, told);
    if (!HaveSim()) {
        QSKIP("no layout simulator here");
    }
    LayoutSim sim({"--withrottle", "0", "--heartbeat", "2", "--trap-pty", Session().dir.path() + "/trap", "--loop",
                   "1000", "--speedup", "20", "--loco", "341:top=400"});
    QVERIFY(SetUp(sim));
    Find<QPushButton>(Tab(), "cmdStart")->click();
    QVERIFY(sim.WaitFor(QStringLiteral("loco 341 throttle 10")));
    QVERIFY(sim.WaitFor(QStringLiteral("pass")));
    const size_t from = sim.Count();
    const qint64 at = sim.Now();
    QWidget* log = Home().SpeedLog()->Window();
    if (how == QLatin1String("stop")) {
        Find<QPushButton>(Tab(), "cmdStop")->click();
    } else if (how == QLatin1String("escape") || how == QLatin1String("space")) {
        // Wherever the focus is in the log's window.
        log->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(log));
        Find<QComboBox>(*log, "cboLocomotive")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), how == QLatin1String("escape") ? Qt::Key_Escape : Qt::Key_Space);
    } else if (how == QLatin1String("close")) {
        log->close();
    } else if (how == QLatin1String("stall")) {
        sim.Say("stall 341");
    } else if (how == QLatin1String("drop")) {
        sim.Say("drop");
    } else if (how == QLatin1String("trap")) {
        Home().Devices()->Link().Disconnect();
    } else if (how == QLatin1String("term")) {
        // Asked to end by the system: the event loop ends as after quitting, and then
        // the program's windows go.
        QuitOnEndSignals();  // back from the test framework's own handler
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        EndSession();
    } else {
        EndSession();
    }
    const auto stop = sim.WaitFor(stopped, 15000, from);
    QVERIFY2(stop, qPrintable(how));
    if (how != QLatin1String("stall") && how != QLatin1String("drop")) {
        // The user's stop, the program's end and a fault reach the station at once.
        QVERIFY2(stop->second - at < 100, qPrintable(QString::number(stop->second - at)));
    }
    if (how == QLatin1String("end") || how == QLatin1String("term")) {
        return;
    }
    QTRY_VERIFY(!Tab().Running());
    const QString text = Find<QLabel>(Tab(), "lblProfileState")->text();
    QVERIFY2(text.startsWith(told), qPrintable(text));
    if (how == QLatin1String("drop")) {
        QVERIFY2(text.endsWith(QStringLiteral("The station's heartbeat stops locomotive 341 (long) within 2 s; Trackpace "
                                              "does not start it again.")), qPrintable(text));
    }
    if (how == QLatin1String("stop") || how == QLatin1String("space")) {
        // Pressed again: an emergency stop.
        if (how == QLatin1String("stop")) {
            Find<QPushButton>(Tab(), "cmdStop")->click();
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }
        QVERIFY(sim.WaitFor(QStringLiteral("loco 341 estop"), 2000, from));
    }
    if (how == QLatin1String("escape")) {
        // Still rolling after Stop: a pass is no run at the step the log shows.
        const size_t runs = Rows(*log, "tblRuns").size();
        DeviceLink& trap = Home().Devices()->Link();
        emit trap.Measured(MeasuredRun{100.0, 500'000, QStringLiteral("trap"), QStringLiteral("±4 µs")});
        QCOMPARE(Rows(*log, "tblRuns").size(), runs);
        QCOMPARE(Home().Devices()->Link().State().section(QLatin1Char('\n'), 1),
                 QStringLiteral("Not logged: the profile was stopped, and the locomotive may still be rolling."));
    }
    // Nothing moves it again.
    QTest::qWait(300);
    for (size_t i = from; i < sim.Events().size(); ++i) {
        const QString event = sim.Events()[i];
        QVERIFY2(!event.startsWith(QLatin1String("loco 341 throttle")) || event.startsWith(QLatin1String("loco 341 throttle 0")),
                 qPrintable(event));
    }
}

void TestStation::Measure(const QString& locomotive, int address, bool longAddress)
{
    Choose(*Home().SpeedLog()->Window(), locomotive, 1);
    Find<QSpinBox>(Tab(), "spnAddress")->setValue(address);
    Find<QCheckBox>(Tab(), "chkLongAddress")->setChecked(longAddress);
    Find<QLineEdit>(Tab(), "txtSteps")->setText(QStringLiteral("10, 40, 70, 100, 126"));
    Find<QSpinBox>(Tab(), "spnHighest")->setValue(126);
    Find<QSpinBox>(Tab(), "spnPasses")->setValue(2);
    Find<QPushButton>(Tab(), "cmdStart")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!Tab().Running(), 60000);
}

DecoderTab& TestStation::Decoder(const QString& locomotive, int address, bool longAddress, std::array<int, 3> cvs)
{
    DecoderTab& tab = *Home().Decoder();
    Find<QComboBox>(tab, "cboDecoderLoco")->setCurrentText(locomotive);
    Find<QSpinBox>(tab, "spnDecoderAddress")->setValue(address);
    Find<QCheckBox>(tab, "chkDecoderLong")->setChecked(longAddress);
    Find<QSpinBox>(tab, "spnCv2")->setValue(cvs[0]);
    Find<QSpinBox>(tab, "spnCv6")->setValue(cvs[1]);
    Find<QSpinBox>(tab, "spnCv5")->setValue(cvs[2]);
    return tab;
}

void TestStation::decoderPlannedWrittenAndChecked()
{
    if (!HaveSim()) {
        QSKIP("no layout simulator here");
    }
    const QString dir = Session().dir.path();
    // A steep locomotive (175 scale mph at full) that runs slower backwards, and one to
    // match to it with other CVs and another motor. On a loop 61 spacings long or more, a
    // locomotive that stood between the sensors and turned back makes the trap time the
    // long way round once at most: its quiet half second or its 30 s give up puts it back
    // in step.
    LayoutSim sim({"--dccex", "0", "--trap-pty", dir + "/trap", "--loop", "3100", "--spacing", "50", "--speedup", "180", "--loco",
                   "341:top=900,rev=0.9,cv3=1,cv4=1", "--loco", "52:top=600,rev=1.0,cv2=4,cv6=90,cv3=1,cv4=1"});
    QVERIFY(SetUp(sim, StationKind::DccExTcp));
    Find<QDoubleSpinBox>(Tab(), "spnWarmUp")->setValue(0.0);
    Measure(QStringLiteral("RS3 341"), 341, true);
    // A pass just after the end is the locomotive coasting, not a run at the log's step.
    QVERIFY(Tab().HoldsPasses());
    QCOMPARE(Tab().Take({100.0, 200000, QStringLiteral("trap"), {}}),
             QStringLiteral("Not logged: the profile has just ended, and its locomotive may still be rolling."));
    Measure(QStringLiteral("SW1 52"), 52, false);
    const auto mph = [](double mmPerSecond) { return mmPerSecond * 87.0 * 0.00223694; };
    // What the tab planned from, and what it did: told where a check fails.
    const auto story = [](const DecoderTab& tab) {
        QStringList steps;
        for (const bool reverse : {false, true}) {
            for (const CurveSample& sample : tab.Measured().Way(reverse)) {
                steps << QStringLiteral("%1%2 %3").arg(reverse ? "r" : "").arg(sample.step).arg(sample.mph);
            }
        }
        return steps.join(QStringLiteral(", ")) + QLatin1Char('\n') + Find<QLabel>(tab, "lblRounds")->text();
    };

    // 2 to 60 mph, one round: the top step within 1 % both ways, reverse trimmed.
    DecoderTab& tab = Decoder(QStringLiteral("RS3 341"), 341, true, {8, 0, 0});
    Find<QSpinBox>(tab, "spnRounds")->setValue(1);
    QCOMPARE(tab.Measured().forward.size(), std::size_t(5));
    const QString before = story(tab);
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (!pdftotext.isEmpty()) {
        {
            QPdfWriter sheet(dir + QStringLiteral("/sheet.pdf"));
            QVERIFY(tab.ComposeSheet(sheet));
        }
        QProcess text;
        text.start(pdftotext, {dir + QStringLiteral("/sheet.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* line : {"Decoder sheet: RS3 341", "Address 341 (long), 128 speed steps, values 0-255.",
                                 "Target: 2.0 mph at step 1, 60.0 mph at the top step, straight.", "CV5 top voltage",
                                 "CV95 reverse trim", "predicted"}) {
            QVERIFY2(page.contains(QLatin1String(line)), line);
        }
    }
    confirmed_.clear();
    Find<QPushButton>(tab, "cmdWriteCvs")->click();
    QCOMPARE(confirmed_.size(), 1);
    QVERIFY2(confirmed_.at(0).startsWith(QStringLiteral("Round 1 of at most 1. Write to the decoder at address 341 "
                                                        "(long) on the main track:\rCV2 start voltage: 8 to ")),
             qPrintable(confirmed_.at(0)));
    QVERIFY(confirmed_.at(0).contains(QLatin1String("then measure steps 1, 10, 40, 70, 100, 126 again.")));
    QVERIFY(sim.WaitFor(QStringLiteral("cv 341 95=")));
    QTRY_VERIFY_WITH_TIMEOUT(!tab.Rounding(), 60000);
    const auto truth = sim.TrueSpeeds(341, 128);
    for (const bool reverse : {false, true}) {
        const double top = reverse ? truth.at(126).second : truth.at(126).first;
        QVERIFY2(std::abs(mph(top) / 60.0 - 1.0) < 0.01,
                 qPrintable(QStringLiteral("%1 mph; planned from %2; now %3").arg(mph(top)).arg(before, story(tab))));
        QCOMPARE(tab.Measured().Way(reverse).back().step, 126);
        QVERIFY2(std::abs(tab.Measured().Way(reverse).back().mph / 60.0 - 1.0) < 0.01, qPrintable(story(tab)));
    }
    auto* rounds = Find<QLabel>(tab, "lblRounds");
    QVERIFY2(rounds->text().contains(QLatin1String("round 1 wrote CV2 8>")), qPrintable(rounds->text()));
    QVERIFY(rounds->text().contains(QLatin1String("round 1 measured: farthest from the target ")));

    // SW1 52 matched to RS3 341 as measured now: every step within 0.75 km/h.
    Decoder(QStringLiteral("SW1 52"), 52, false, {4, 90, 0});
    Find<QRadioButton>(tab, "optMatch")->setChecked(true);
    Find<QComboBox>(tab, "cboMatchTo")->setCurrentText(QStringLiteral("RS3 341"));
    Find<QSpinBox>(tab, "spnRounds")->setValue(3);
    auto* consist = Find<QListWidget>(tab, "lstConsist");
    consist->findItems(QStringLiteral("SW1 52"), Qt::MatchExactly).at(0)->setCheckState(Qt::Checked);
    const auto predicted = Rows(tab, "tblConsist");
    QCOMPARE(predicted.size(), std::size_t(10));
    for (const QStringList& row : predicted) {
        QCOMPARE(row.at(0), QStringLiteral("SW1 52"));
        QVERIFY2(std::abs(row.at(5).toDouble()) < 0.5, qPrintable(row.join(QLatin1Char(' '))));
    }
    Find<QPushButton>(tab, "cmdWriteCvs")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!tab.Rounding(), 120000);
    auto* state = Find<QLabel>(tab, "lblDecoderState");
    QVERIFY2(state->text().startsWith(QStringLiteral("On target after round ")), qPrintable(state->text()));
    for (const StepAgainstTarget& step : AgainstTarget(tab.Measured(), 128, tab.Target())) {
        QVERIFY2(KmhOf(std::abs(step.Off())) <= 0.75, qPrintable(QString::number(step.step)));
    }

    // Its curve handed on: JMRI's speeds, read back, are the log's.
    tab.AskSavePath = [&dir](const QString&, const QString& suggested) {
        return dir + QLatin1Char('/') + suggested;
    };
    Find<QPushButton>(tab, "cmdExportJmri")->click();
    QFile file(dir + QStringLiteral("/SW1 52.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::vector<double> forward;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("forward")) {
            forward.push_back(mph(xml.readElementText().toDouble()));
        }
    }
    QCOMPARE(forward.size(), tab.Measured().forward.size());
    for (size_t i = 0; i < forward.size(); ++i) {
        QVERIFY(std::abs(forward[i] - tab.Measured().forward[i].mph) < 0.01);
    }

    // Beyond the motor: the nearest plan, and why.
    Find<QRadioButton>(tab, "optStraight")->setChecked(true);
    Find<QDoubleSpinBox>(tab, "spnTopSpeed")->setValue(400.0);
    QVERIFY2(state->text().startsWith(QStringLiteral("Out of reach: at full drive SW1 52 runs ")), qPrintable(state->text()));
    QCOMPARE(tab.Plan().setup.Cv(5), 255);

    // Esc in the middle of a round stops the locomotive, and no round follows.
    Find<QDoubleSpinBox>(tab, "spnTopSpeed")->setValue(40.0);
    Find<QPushButton>(tab, "cmdWriteCvs")->click();
    QVERIFY(sim.WaitFor(QStringLiteral("loco 52 throttle 1 forward"), 10000, sim.Count()));
    const size_t from = sim.Count();
    QTest::keyClick(Home().SpeedLog()->Window(), Qt::Key_Escape);
    QVERIFY(sim.WaitFor(QStringLiteral("loco 52 throttle 0"), 2000, from));
    QTRY_VERIFY(!tab.Rounding());
    QVERIFY2(state->text().startsWith(QStringLiteral("Round 1 ended before every step was measured")),
             qPrintable(state->text()));
    QTest::qWait(500);
    for (size_t i = from; i < sim.Events().size(); ++i) {
        QVERIFY2(!sim.Events()[i].contains(QLatin1String("throttle 1 ")), qPrintable(sim.Events()[i]));
    }

    // Written by hand: the plan's values become the decoder's, and its curve starts afresh.
    Decoder(QStringLiteral("RS3 341"), 341, true, {8, 0, 0});
    Find<QRadioButton>(tab, "optStraight")->setChecked(true);
    Find<QDoubleSpinBox>(tab, "spnTopSpeed")->setValue(50.0);
    QVERIFY(tab.Plan().Planned() && !tab.Plan().changes.empty());
    const std::vector<CvChange> written = tab.Plan().changes;
    Find<QPushButton>(tab, "cmdWrittenByHand")->click();
    QCOMPARE(state->text(), QStringLiteral("Kept as written. Measure RS3 341 again: the runs from now on are its new "
                                           "curve."));
    const std::map<int, const char*> boxes{{2, "spnCv2"}, {6, "spnCv6"}, {5, "spnCv5"}};
    for (const CvChange& change : written) {
        if (boxes.count(change.cv) != 0) {
            QCOMPARE(Find<QSpinBox>(tab, boxes.at(change.cv))->value(), change.value);
        }
    }
    QVERIFY(tab.Measured().forward.empty() && tab.Measured().reverse.empty());
    QVERIFY2(Find<QLabel>(tab, "lblRounds")->text().contains(QLatin1String("written by hand: CV")),
             qPrintable(Find<QLabel>(tab, "lblRounds")->text()));
}

void TestStation::decoderTabWithoutRuns()
{
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    DecoderTab& tab = *Home().Decoder();
    tab.AskSavePath = [](const QString&, const QString&) {
        qFatal("asked for a file with nothing to export");
        return QString();
    };
    QStringList ranges;
    for (int i = 0; i < Find<QComboBox>(tab, "cboDecoderRange")->count(); ++i) {
        ranges << Find<QComboBox>(tab, "cboDecoderRange")->itemText(i);
    }
    QCOMPARE(ranges, QStringList({"0-255 (standard)", "0-63", "0-31", "0-15"}));
    auto* state = Find<QLabel>(tab, "lblDecoderState");
    for (const char* button : {"cmdExportJmri", "cmdWriteCvs", "cmdWrittenByHand", "cmdSheetPdf"}) {
        state->clear();
        Find<QPushButton>(tab, button)->click();
        QCOMPARE(state->text(), QStringLiteral("No locomotive in the log yet: measure one first (the Profile tab)."));
    }
    QVERIFY(!tab.Rounding());
}

QTEST_MAIN(TestStation)
#include "tst_station.moc"
