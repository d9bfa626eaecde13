// The speed log: runs timed and typed, their figures, the database's safety, CSV files, the curve and its page.
#include "core/Files.h"
#include "core/General.h"
#include "core/Version.h"
#include "settings/Settings.h"
#include "log/Csv.h"
#include "log/FleetFigures.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"
#include "ui/Fonts.h"
#include "ui/Modules.h"
#include "ui/home/frmHome.h"
#include "ui/log/SpeedCurve.h"
#include "ui/log/frmSpeedLog.h"
#include "ui/print/PagePrinter.h"
#include "ui/timer/frmRunTimer.h"

#include "TestSupport.h"
#include "log/LogTestSupport.h"

#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QSignalSpy>
#include <QTableView>
#include <QTabWidget>
#include <QListWidget>
#include <QPdfWriter>
#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QToolTip>

#include <optional>


class TestLog : public SessionTest {
    Q_OBJECT

private slots:
    void initTestCase() { UseArialMetrics(); }  // the windows' font, as the program sets it up
    void typedTimes_data();
    void typedTimes();
    void modulesOfAnotherVersion_data();
    void modulesOfAnotherVersion();
    void csvRecords_data();
    void csvRecords();
    void groupsInReadingOrder();
    void markedRuns_data();
    void markedRuns();
    void timedRunsGiveTheWorkedSpeeds();
    void devicesRunsInTheLogsOwnScale();
    void outlierIsMarkedAndCanBeLeftOut();
    void deleteAndUndo_data();
    void deleteAndUndo();
    void leftAsItIs_data();
    void leftAsItIs();
    void olderLogIsBroughtForward_data();
    void olderLogIsBroughtForward();
    void runsInMemoryGoAlongToTheNextFile();
    void killedRightAfterARun();
    void twoCopiesAtOnce();
    void csvRoundTrip();
    void badLinesAreReported();
    void csvFiles_data();
    void csvFiles();
    void formulasAreKeptFromRunning_data();
    void formulasAreKeptFromRunning();
    void tenThousandRuns();
    void keyboardOnly();
    void foldersInEveryAlphabet_data();
    void foldersInEveryAlphabet();
    void runsInMemoryAtTheEnd_data();
    void runsInMemoryAtTheEnd();
    void curveHoldsTheMeans();
    void legendShowsEveryName_data();
    void legendShowsEveryName();
    void curveLinesInPoints_data();
    void curveLinesInPoints();
    void pageHoldsTheStepTable();

private:
    // A log window of its own over the file `name` in the session's folder.
    frmSpeedLog& Window(const QString& name = QStringLiteral("Trackpace.log.sqlite"));
    void CloseFiles() override { window_.reset(); }
    QString InFolder(const QString& name) { return QDir(Session().dir.path()).filePath(name); }
    QString LogPath() { return InFolder(QStringLiteral("Trackpace.log.sqlite")); }

    TestHost host_;
    std::unique_ptr<frmSpeedLog> window_;
};

frmSpeedLog& TestLog::Window(const QString& name)
{
    host_.track = Ho48;
    host_.boxes.clear();
    host_.questions.clear();
    window_.reset();
    window_ = std::make_unique<frmSpeedLog>(host_, PathBytes(InFolder(name)));
    window_->AskPath = [this](frmSpeedLog::FileUse, const QString&, const QString& name) { return InFolder(name); };
    return *window_;
}

void TestLog::typedTimes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("microseconds");  // -1: refused
    QTest::newRow("whole") << "5" << qint64(5'000'000);
    QTest::newRow("tenths") << "5.0" << qint64(5'000'000);
    QTest::newRow("hundredths") << "5.00" << qint64(5'000'000);
    QTest::newRow("comma") << " 4,95 " << qint64(4'950'000);
    QTest::newRow("thousandths") << "5.123" << qint64(-1);
    QTest::newRow("zero") << "0.00" << qint64(-1);
    QTest::newRow("too short to be a run") << "0.01" << qint64(-1);
    QTest::newRow("the shortest run") << "0.05" << qint64(50'000);
    QTest::newRow("a day") << "86400" << qint64(86'400'000'000);
    QTest::newRow("more than a day") << "90000" << qint64(-1);
    QTest::newRow("negative") << "-5" << qint64(-1);
    QTest::newRow("text") << "five" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
}

void TestLog::typedTimes()
{
    QFETCH(QString, typed);
    QFETCH(qint64, microseconds);
    QCOMPARE(TypedMicroseconds(typed).value_or(-1), microseconds);
}

void TestLog::modulesOfAnotherVersion_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("told");  // empty: called
    QTest::newRow("this version") << "current" << "";
    QTest::newRow("another version") << "stale" << "belongs to Trackpace 0.9.0, not to this Trackpace %1";
    QTest::newRow("before modules said") << "unversioned" << "belongs to an older Trackpace, not to this Trackpace %1";
}

void TestLog::modulesOfAnotherVersion()
{
    QFETCH(QString, name);
    QFETCH(QString, told);
    const ModuleEntry entry = ModuleFunction(name, "TrackpaceOtherEntry");
    QCOMPARE(entry.function != nullptr, told.isEmpty());
    if (entry.function != nullptr) {
        QCOMPARE(reinterpret_cast<int (*)()>(entry.function)(), 42);
        return;
    }
    const QString file = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QStringLiteral("/trackpace-") +
                                                  name);
    const QString text = StaleModuleText(entry);
    QVERIFY2(text.startsWith(file + u'.') && text.contains(told.arg(QLatin1String(TrackpaceVersion))) &&
                 text.endsWith(QStringLiteral(": install Trackpace again, or remove that file.")),
             qPrintable(text));
}

void TestLog::csvRecords_data()
{
    // Records as "line: field|field", one per record, apart by "; ".
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("records");
    QTest::newRow("plain, CR LF") << "a,b\r\nc,d\r\n" << "1: a|b; 2: c|d";
    QTest::newRow("LF, no end") << "a,b\nc,d" << "1: a|b; 2: c|d";
    QTest::newRow("quoted comma and quotes") << "\"x, \"\"y\"\"\",z\r\n" << "1: x, \"y\"|z";
    QTest::newRow("line break inside quotes") << "\"one\r\ntwo\",3\r\nnext,4\r\n" << "1: one\r\ntwo|3; 3: next|4";
    QTest::newRow("blank lines skipped") << "a\r\n\r\n\r\nb\r\n" << "1: a; 4: b";
    QTest::newRow("empty fields") << ",,\r\n" << "1: ||";
    QTest::newRow("byte-order mark") << "\uFEFFh1,h2\r\n" << "1: h1|h2";
    QTest::newRow("quote never closed") << "a,\"b,c\r\nd" << "1: a|b,c\r\nd";
}

void TestLog::csvRecords()
{
    QFETCH(QString, text);
    QFETCH(QString, records);
    QStringList read;
    for (const CsvRecord& record : CsvRecords(text)) {
        read << QStringLiteral("%1: %2").arg(record.line).arg(record.fields.join(u'|'));
    }
    QCOMPARE(read.join(QStringLiteral("; ")), records);
    // Written again, each record reads back the same.
    for (const CsvRecord& record : CsvRecords(text)) {
        QCOMPARE(CsvRecords(CsvLine(record.fields)).at(0).fields, record.fields);
    }
}

void TestLog::groupsInReadingOrder()
{
    std::vector<LoggedRun> runs;
    for (const auto& [name, step, reverse] : std::vector<std::tuple<QString, int, bool>>{
             {"GP10", 4, false}, {"gp9", 12, true}, {"GP9", 12, false}, {"Alco S2", 30, false}, {"GP9", 2, false},
             {"GP", 1, false}, {"GP9 B", 1, false}}) {
        runs.push_back(MakeRun({}, name, step, reverse, Ho48, 5'000'000));
    }
    QStringList order;
    for (const StepGroup& group : GroupsOf(runs)) {
        order << QStringLiteral("%1 %2 %3")
                     .arg(group.key.locomotive)
                     .arg(group.key.throttle)
                     .arg(DirectionText(group.key.reverse));
    }
    QCOMPARE(order, (QStringList{"Alco S2 30 forward", "GP 1 forward", "GP9 2 forward", "GP9 12 forward",
                                 "gp9 12 reverse", "GP9 B 1 forward", "GP10 4 forward"}));
}

void TestLog::markedRuns_data()
{
    // "+" for a speed more than 15 % away from the median, "-" for one within.
    QTest::addColumn<std::vector<double>>("speeds");
    QTest::addColumn<QString>("marks");
    QTest::newRow("odd: the middle one") << std::vector<double>{14, 10, 12} << "++-";  // 12: 16.7 % either way
    QTest::newRow("even: between the middle two") << std::vector<double>{10, 12, 16, 40} << "+--+";  // 14
    QTest::newRow("15 % is not more") << std::vector<double>{17, 20, 23} << "---";
    QTest::newRow("one run") << std::vector<double>{10} << "-";
}

void TestLog::markedRuns()
{
    QFETCH(std::vector<double>, speeds);
    QFETCH(QString, marks);
    QString marked;
    for (const bool mark : MarkedOf(speeds)) {
        marked += mark ? u'+' : u'-';
    }
    QCOMPARE(marked, marks);
}

void TestLog::devicesRunsInTheLogsOwnScale()
{
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    SpeedLogLink& link = *Home().SpeedLog();
    QWidget* log = link.Window();
    QTRY_VERIFY(log->isVisible());
    Choose(*log, QStringLiteral("GP9 4071"), 12);
    // 600 mm x 87 in 1.234567 s: 42.2824 m/s, 94.58 mph.
    const MeasuredRun pass{600.0, 1'234'567, QStringLiteral("trap"), QStringLiteral("±4 µs")};
    QCOMPARE(link.RecordMeasuredRun(pass),
             QStringLiteral("Logged for GP9 4071 at step 12 forward: 94.6 mph (trap, ±4 µs), 600 mm in 1.234567 s."));
    auto* scale = Find<QComboBox>(*log, "cboDeviceScale");
    QCOMPARE(scale->count(), 16);
    const auto choose = [&](const QString& typed) {
        scale->setEditText(typed);
        emit scale->lineEdit()->editingFinished();
        return scale->currentText();
    };
    QCOMPARE(choose(QStringLiteral("Sn3")), QStringLiteral("HO 1:87"));
    QCOMPARE(Find<QLabel>(*log, "lblNote")->text(), QStringLiteral("\"Sn3\" is no scale: choose one, or type its ratio as 1:64."));
    QCOMPARE(choose(QStringLiteral(" oo 1 : 76,2 ")), QStringLiteral("oo 1:76.2"));
    QCOMPARE(choose(QStringLiteral("OO 1:76.2")), QStringLiteral("OO 1:76.2"));
    // 0.6 m x 76.2 in 1.234567 s: 37.0337 m/s, 82.84 mph; the main window's HO is untouched.
    QVERIFY(link.RecordMeasuredRun(pass).contains(QStringLiteral(": 82.8 mph (trap")));
    QCOMPARE(link.Window()->findChild<QLabel*>(QStringLiteral("lblTrack"))->text().left(36),
             QStringLiteral("Over the main window's track: HO str"));
    // 600 mm in 0.05 s at 1:76.2 is 914.4 m/s: 2045.5 mph.
    QCOMPARE(link.RecordMeasuredRun({600.0, 50'000, QStringLiteral("trap"), QString()}).left(47),
             QStringLiteral("Not logged: 600 mm in 0.05 s is 2045.5 mph in O"));
    QCOMPARE(link.RecordMeasuredRun({600.0, 49'999, QStringLiteral("trap"), QString()}).left(29),
             QStringLiteral("Not logged: the log takes run"));
    const std::vector<QStringList> runs = Rows(*log, "tblRuns");
    QCOMPARE(runs.size(), std::size_t(2));
    QCOMPARE(runs.at(1).mid(4, 3), (QStringList{"OO straight 23.622 in, 150 scale ft", "1.234567", "82.8"}));
    QCOMPARE(static_cast<frmSpeedLog*>(log)->Store().Setting(QStringLiteral("device_scale"), {}),
             QStringLiteral("OO 1:76.2"));
    log->close();
    QCOMPARE(link.RecordMeasuredRun(pass), QStringLiteral("Not logged: the speed log is closed (Ctrl+L opens it again)."));
}

void TestLog::timedRunsGiveTheWorkedSpeeds()
{
    // The main window's HO 48 in, the run timer on a clock moved by hand.
    qint64 now = 1000;
    frmRunTimer* timer = Home().RunTimer();
    struct Clock final : RunClock {
        const qint64& now;
        explicit Clock(const qint64& at) : now(at) {}
        qint64 Milliseconds() const override { return now; }
    };
    timer->UseDevices(std::make_unique<Clock>(now), SystemSound());
    QTest::keySequence(&Home(), QKeySequence(QStringLiteral("Ctrl+L")));
    QWidget* log = Home().SpeedLog()->Window();
    QTRY_VERIFY(log->isVisible());
    auto* stop = Find<QPushButton>(*timer, "cmdStartStop");
    const auto time = [&](qint64 milliseconds) {
        stop->click();
        now += milliseconds;
        stop->click();
        return Find<QLabel>(*timer, "lblLog")->text();
    };
    QCOMPARE(time(5000), QStringLiteral("Not logged: type or choose a locomotive in the speed log first."));
    Choose(*log, QStringLiteral("GP9 4071"), 12);
    QCOMPARE(time(4900), QStringLiteral("Logged for GP9 4071 at step 12 forward: 48.4 mph in 4.90 s."));
    time(5000);
    time(5100);
    Choose(*log, QStringLiteral("GP9 4071"), 13);
    QCOMPARE(Type(*log, QStringLiteral("5.00")),
             QStringLiteral("Logged for GP9 4071 at step 13 forward: 47.5 mph in 5.00 s."));
    QCOMPARE(Type(*log, QStringLiteral("5.123")).left(37), QStringLiteral("Not logged: type the time in seconds,"));

    const std::vector<QStringList> runs = Rows(*log, "tblRuns");
    QCOMPARE(runs.size(), std::size_t(4));
    QCOMPARE(runs.at(0).mid(1),
             (QStringList{"GP9 4071", "12", "forward", "HO straight 48 in, 348 scale ft", "4.90", "48.4", ""}));
    QCOMPARE(runs.at(1).mid(5, 2), (QStringList{"5.00", "47.5"}));
    QCOMPARE(runs.at(2).mid(5, 2), (QStringList{"5.10", "46.5"}));
    // A typed 5.00 s is the same run as one timed at 5.0 s.
    QCOMPARE(runs.at(3).mid(5, 2), runs.at(1).mid(5, 2));
    QCOMPARE(Rows(*log, "tblSteps").at(0),
             (QStringList{"GP9 4071", "12", "forward", "3", "47.5", "0.95", "46.5", "48.4", "0"}));
    Find<QComboBox>(*log, "cboUnits")->setCurrentIndex(1);
    QCOMPARE(Rows(*log, "tblSteps").at(0).mid(4, 4), (QStringList{"76.4", "1.53", "74.9", "77.9"}));
    // The log's note tells of the last run, timed or typed.
    time(4900);
    QCOMPARE(Find<QLabel>(*log, "lblNote")->text(),
             QStringLiteral("Logged for GP9 4071 at step 13 forward: 77.9 km/h in 4.90 s."));
    // Closed, the log takes no more runs, and the run timer says so.
    log->close();
    QCOMPARE(time(5000), QStringLiteral("Not logged: the speed log is closed (Ctrl+L opens it again)."));
    QCOMPARE(RunsIn(LogPath()).size(), std::size_t(5));
    // Ctrl+L in the run timer opens it again, Ctrl+T there brings back the timer.
    QTest::keySequence(timer, QKeySequence(QStringLiteral("Ctrl+L")));
    QTRY_VERIFY(log->isVisible());
    timer->hide();
    QTest::keySequence(log, QKeySequence(QStringLiteral("Ctrl+T")));
    QTRY_VERIFY(timer->isVisible());
}

void TestLog::outlierIsMarkedAndCanBeLeftOut()
{
    frmSpeedLog& log = Window();
    Choose(log, QStringLiteral("GP9 4071"), 12);
    // 6.25 s is 20 % slower than the median of 5.0 s; 5.5 s only 9 %.
    for (const char* seconds : {"5.0", "5.0", "6.25", "5.5", "5.0"}) {
        Type(log, QString::fromLatin1(seconds));
    }
    QStringList notes;
    for (const QStringList& row : Rows(log, "tblRuns")) {
        notes << row.at(7);
    }
    QCOMPARE(notes, (QStringList{"", "", "more than 15 % off the median", "", ""}));
    QCOMPARE(Rows(log, "tblSteps").at(0).mid(3), (QStringList{"5", "44.7", "4.20", "38.0", "47.5", "0"}));
    Find<QCheckBox>(log, "chkLeaveOut")->setChecked(true);
    QCOMPARE(Rows(log, "tblSteps").at(0).mid(3), (QStringList{"4", "46.4", "2.16", "43.1", "47.5", "1"}));
    QCOMPARE(Rows(log, "tblRuns").at(2).at(7), QStringLiteral("more than 15 % off the median, left out"));
    QCOMPARE(log.RunIds().size(), std::size_t(5));
}

void TestLog::deleteAndUndo_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("addBeforeUndo");
    QTest::newRow("a run in the middle") << 1 << false;
    // The newest run's number is not given to the next run: Undo puts it back as it was.
    QTest::newRow("the newest, then a run added") << 5 << true;
}

void TestLog::deleteAndUndo()
{
    QFETCH(int, row);
    QFETCH(bool, addBeforeUndo);
    frmSpeedLog& log = Window();
    TypeFleet(log);
    const std::vector<LoggedRun> before = RunsOf(log.Store());
    auto* view = Find<QTableView>(log, "tblRuns");
    view->selectRow(row);
    QTest::mouseClick(Find<QPushButton>(log, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(log, "lblNote")->text(), QStringLiteral("Deleted 1 run; Undo puts it back."));
    QCOMPARE(RunsIn(LogPath()).size(), before.size() - 1);
    QCOMPARE(Rows(log, "tblSteps").at(0).at(3), QString::fromLatin1(row == 1 ? "2" : "3"));
    if (addBeforeUndo) {
        QCOMPARE(Type(log, QStringLiteral("6.0")).left(10), QStringLiteral("Logged for"));
    }
    QTest::mouseClick(Find<QPushButton>(log, "cmdUndo"), Qt::LeftButton);
    QVERIFY(host_.boxes.isEmpty());
    const std::vector<LoggedRun> after = RunsIn(LogPath());
    QCOMPARE(after.size(), before.size() + (addBeforeUndo ? 1 : 0));
    const auto found = std::find_if(after.begin(), after.end(), [&](const LoggedRun& run) {
        return run.id == before.at(static_cast<std::size_t>(row)).id;
    });
    QVERIFY(found != after.end());
    QCOMPARE(RunCsvFields(*found), RunCsvFields(before.at(static_cast<std::size_t>(row))));
    QCOMPARE(log.RunIds().size(), after.size());
    QVERIFY(!Find<QPushButton>(log, "cmdUndo")->isEnabled());
}

void TestLog::leftAsItIs_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("text file") << "text"
                               << "is not a Trackpace speed log (it is no database).";
    QTest::newRow("corrupt") << "corrupt"
                             << "is damaged: the database does not read back whole.";
    QTest::newRow("other database") << "other"
                                    << "is another program's database, not a Trackpace speed log.";
    QTest::newRow("newer Trackpace") << "newer"
                                     << "was written by a newer Trackpace.";
    QTest::newRow("read-only") << "readonly"
                               << "is read-only.";
    QTest::newRow("folder") << "folder"
                            << "is a folder, not a Trackpace speed log.";
    QTest::newRow("locked by another program") << "locked" << "is locked by another program.";
}

void TestLog::leftAsItIs()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    const QString path = LogPath();
    if (kind == u"folder") {
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    } else if (kind == u"text") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("recorded,locomotive\r\nnot a database\r\n");
    } else if (kind == u"other") {
        QVERIFY(MakeDatabase(path, {"CREATE TABLE accounts (id INTEGER PRIMARY KEY, owner TEXT)",
                            "INSERT INTO accounts (owner) VALUES ('someone')"}));
    } else {
        Window().close();  // a real log with a run in it
        Choose(*window_, QStringLiteral("GP9 4071"), 12);
        Type(*window_, QStringLiteral("5.0"));
        window_.reset();
        if (kind == u"newer") {
            QVERIFY(MakeDatabase(path, {"PRAGMA user_version = 9"}));
        } else if (kind == u"readonly") {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (kind == u"corrupt") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(100);
            file.write(QByteArray(3000, '\xA5'));
        }
    }
    // Another program that holds the whole file while the log opens.
    std::optional<SqliteDatabase> holder;
    if (kind == u"locked") {
        holder.emplace(PathBytes(path), SqliteDatabase::Mode::ReadWrite, 0);
        QVERIFY(!holder->Exec("BEGIN EXCLUSIVE"));
    }
    const QByteArray bytes = ReadBytes(path);
    frmSpeedLog& log = Window();
    QVERIFY2(Find<QLabel>(log, "lblFile")
                 ->text()
                 .contains(QDir::toNativeSeparators(path).toHtmlEscaped() + u' ' + problem.toHtmlEscaped()),
             qPrintable(Find<QLabel>(log, "lblFile")->text()));
    // The log goes on in memory, and the file stays as it was.
    Choose(log, QStringLiteral("SD40 5300"), 4);
    QCOMPARE(Type(log, QStringLiteral("9.5")).left(10), QStringLiteral("Logged for"));
    QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 1 run"));
    window_.reset();
    QCOMPARE(ReadBytes(path), bytes);
    QCOMPARE(QFileInfo(path).isDir(), kind == u"folder");
    holder.reset();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestLog::olderLogIsBroughtForward_data()
{
    // Logs of earlier versions, whose speeds came from whole scale feet: G 25 in was
    // 46 ft (6.273 mph in 5.0 s), exactly 46.875 ft (6.392 mph).
    const QString runs = QStringLiteral(
        "CREATE TABLE runs (id INTEGER PRIMARY KEY, recorded TEXT NOT NULL, locomotive TEXT NOT NULL, "
        "throttle INTEGER NOT NULL, direction TEXT NOT NULL, scale TEXT NOT NULL, ratio REAL NOT NULL, "
        "track TEXT NOT NULL, inches REAL NOT NULL, scale_feet REAL NOT NULL, milliseconds INTEGER NOT NULL, "
        "mph REAL NOT NULL, kmh REAL NOT NULL)");
    const QStringList rows{
        "INSERT INTO runs VALUES (7, '2026-05-01T10:00:00.000+02:00', 'Mogul 7', 12, 'forward', 'G', 22.5, "
        "'STRAIGHT', 25, 46, 5000, 6.273, 10.095)",
        "INSERT INTO runs VALUES (9, '2026-05-01T10:01:00.000+02:00', 'Mogul 7', 12, 'reverse', 'HO', 87, "
        "'CIRCLE', 24, 1093, 10000, 74.52, 119.93)"};
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("version 1") << (QStringList{"PRAGMA application_id = 1414679376", "PRAGMA user_version = 1", runs} +
                                   rows);
    QTest::newRow("version 2") << (QStringList{"PRAGMA application_id = 1414679376", "PRAGMA user_version = 2", runs,
                                               "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
                                               "INSERT INTO settings VALUES ('units', 'mph')"} +
                                   rows);
}

void TestLog::olderLogIsBroughtForward()
{
    QFETCH(QStringList, statements);
    QVERIFY(MakeDatabase(LogPath(), statements));
    frmSpeedLog& log = Window();
    QCOMPARE(Rows(log, "tblRuns").at(0).mid(1, 6),
             (QStringList{"Mogul 7", "12", "forward", "G straight 25 in, 46.9 scale ft", "5.00", "6.4"}));
    QCOMPARE(Rows(log, "tblRuns").at(1).mid(4, 3),
             (QStringList{"HO circle of radius 24 in, 1093.3 scale ft", "10.00", "74.5"}));
    const std::vector<LoggedRun> runs = RunsOf(log.Store());
    QCOMPARE(runs.at(0).id, qint64(7));
    QCOMPARE(QString::number(runs.at(0).mph, 'f', 3), QStringLiteral("6.392"));
    QCOMPARE(QString::number(runs.at(1).mph, 'f', 3), QStringLiteral("74.541"));
    QCOMPARE(Rows(log, "tblSteps").size(), std::size_t(2));
    Find<QComboBox>(log, "cboUnits")->setCurrentIndex(1);
    window_.reset();
    QCOMPARE(Pragma(LogPath(), QStringLiteral("user_version")), QStringLiteral("3"));
    QCOMPARE(Window().findChild<QComboBox*>(QStringLiteral("cboUnits"))->currentText(), QStringLiteral("km/h"));
    // A number once used is not given again, even where its run was the newest.
    LogStore store(PathBytes(LogPath()));
    QVERIFY(!store.Remove({9}));
    LoggedRun next = MakeRun(QDateTime::currentDateTime(), QStringLiteral("Mogul 7"), 3, false, Ho48, 5'000'000);
    QVERIFY(!store.Add(next));
    QCOMPARE(next.id, qint64(10));
}

void TestLog::runsInMemoryGoAlongToTheNextFile()
{
    QVERIFY(QDir().mkpath(LogPath()));
    frmSpeedLog& log = Window();
    Choose(log, QStringLiteral("GP9 4071"), 12);
    Type(log, QStringLiteral("5.0"));
    QTest::mouseClick(Find<QPushButton>(log, "cmdOpen"), Qt::LeftButton);  // to "Trackpace.log.sqlite": a folder
    QCOMPARE(host_.boxes.size(), 1);
    QVERIFY(host_.boxes.at(0).endsWith(QStringLiteral("is a folder, not a Trackpace speed log. It was left as it "
                                                      "is; the runs of this session are kept only until Trackpace "
                                                      "ends, unless you choose another file.")));
    log.AskPath = [this](frmSpeedLog::FileUse, const QString&, const QString&) { return InFolder("kept.sqlite"); };
    QTest::mouseClick(Find<QPushButton>(log, "cmdOpen"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(log, "lblFile")->text(), QStringLiteral("1 run in ") + QDir::toNativeSeparators(InFolder("kept.sqlite")));
    QCOMPARE(RunsIn(InFolder("kept.sqlite")).at(0).microseconds, qint64(5'000'000));
}

void TestLog::killedRightAfterARun()
{
    QProcess writer;
    writer.start(Writer(), {LogPath(), QStringLiteral("1"), QStringLiteral("hang")});
    QVERIFY(writer.waitForReadyRead(20000));
    QCOMPARE(writer.readAllStandardOutput().trimmed(), QByteArray("kept"));
    writer.kill();  // SIGKILL: no chance to tidy up
    QVERIFY(writer.waitForFinished(10000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    const std::vector<LoggedRun> runs = RunsIn(LogPath());
    QCOMPARE(runs.size(), std::size_t(1));
    QCOMPARE(runs.at(0).microseconds, qint64(5'000'000));
}

void TestLog::twoCopiesAtOnce()
{
    frmSpeedLog& log = Window();
    std::array<QProcess, 2> writers;
    for (QProcess& writer : writers) {
        writer.start(Writer(), {LogPath(), QStringLiteral("500")});
    }
    for (QProcess& writer : writers) {
        QVERIFY(writer.waitForFinished(240000));
        QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());
    }
    QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 0 runs"));
    QTest::mouseClick(Find<QPushButton>(log, "cmdRefresh"), Qt::LeftButton);
    QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 1000 runs"));
    QCOMPARE(Rows(log, "tblSteps").size(), std::size_t(20));  // two writers, ten steps each
    window_.reset();
    QCOMPARE(Pragma(LogPath(), QStringLiteral("integrity_check")), QStringLiteral("ok"));
}

void TestLog::csvRoundTrip()
{
    frmSpeedLog& log = Window();
    TypeFleet(log);
    // Names a spreadsheet must keep whole: a comma, quotes, letters beyond ASCII.
    Choose(log, QStringLiteral("Big \"Boy\", 4014"), 3, true);
    Type(log, QStringLiteral("12.25"));
    Choose(log, QStringLiteral("Baureihe 01 \u2013 Dampf"), 128);
    host_.track = {QStringLiteral("N"), 160.0, true, 12.5};
    Type(log, QStringLiteral("7"));
    QVERIFY(PressAndWait(log, "cmdExportRuns"));
    const QByteArray csv = ReadBytes(InFolder(QStringLiteral("runs.csv")));
    QVERIFY(
        csv.startsWith("\xEF\xBB\xBFrecorded,locomotive,throttle,direction,scale,ratio,track,inches,scale_feet,"
                       "milliseconds,mph,kmh,source\r\n"));
    QVERIFY(csv.contains(",\"Big \"\"Boy\"\", 4014\",3,reverse,HO,87,STRAIGHT,48,348.000,12250,19.369,31.172,typed\r\n"));
    // A circle's distance is its whole circumference: N, radius 12.5 in.
    QVERIFY(csv.contains(",N,160,CIRCLE,12.5,1047.198,7000,102.000,164.153,typed\r\n"));
    const std::vector<LoggedRun> exported = RunsOf(log.Store());
    QTest::mouseClick(Find<QPushButton>(log, "cmdExportMeans"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(log, "lblNote")->text(),
             QStringLiteral("Exported the means of 6 steps to %1 (commas and decimal points).")
                 .arg(QDir::toNativeSeparators(InFolder("means.csv"))));
    QVERIFY(ReadBytes(InFolder("means.csv"))
                .startsWith("\xEF\xBB\xBFlocomotive,throttle,direction,runs,left_out,mean_mph,sd_mph,min_mph,max_mph,"
                            "mean_kmh,sd_kmh,min_kmh,max_kmh\r\n"
                            "Baureihe 01 \xE2\x80\x93 Dampf,128,forward,1,0,"));
    QVERIFY(ReadBytes(InFolder("means.csv"))
                .contains("\r\nGP9 4071,12,forward,3,0,47.467,0.950,46.524,48.423,76.391,1.528,74.873,77.929\r\n"));

    frmSpeedLog& empty = Window(QStringLiteral("empty.sqlite"));
    empty.AskPath = [this](frmSpeedLog::FileUse, const QString&, const QString&) {
        return InFolder(QStringLiteral("runs.csv"));
    };
    QVERIFY(PressAndWait(empty, "cmdImport"));
    QVERIFY(PressAndWait(empty, "cmdImport"));
    QCOMPARE(host_.boxes, (QStringList{"From runs.csv: 8 runs added, 0 already in the log.",
                                       "From runs.csv: 0 runs added, 8 already in the log."}));
    const std::vector<LoggedRun> imported = RunsOf(empty.Store());
    QCOMPARE(imported.size(), exported.size());
    for (std::size_t i = 0; i < exported.size(); ++i) {
        QCOMPARE(RunCsvFields(imported.at(i)), RunCsvFields(exported.at(i)));
    }

    // A place that cannot be written: said in a box, and no half file left behind.
    const QString lost = InFolder(QStringLiteral("gone/runs.csv"));
    empty.AskPath = [lost](frmSpeedLog::FileUse, const QString&, const QString&) { return lost; };
    host_.boxes.clear();
    host_.warnings.clear();
    QVERIFY(PressAndWait(empty, "cmdExportRuns"));
    QCOMPARE(host_.warnings, host_.boxes);
    QCOMPARE(host_.boxes.size(), 1);
    QVERIFY2(host_.boxes.at(0).startsWith(QDir::toNativeSeparators(lost) + " could not be written: ") &&
                 host_.boxes.at(0).endsWith("\rNothing was exported."),
             qPrintable(host_.boxes.at(0)));
    QVERIFY(!QFileInfo::exists(lost));
}

void TestLog::badLinesAreReported()
{
    const QString path = InFolder(QStringLiteral("bad.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString good =
        QStringLiteral("2026-05-01T10:00:0%1.000+02:00,\"GP9\n4071\",12,forward,HO,87,STRAIGHT,48,348,5000,0,0\r\n");
    file.write(
        (RunCsvHeader().join(u',') + QStringLiteral("\r\n") + good.arg(1) +
         QStringLiteral("2026-05-01T10:00:02.000+02:00,GP9 4071,x,forward,HO,87,STRAIGHT,48,348,5000,0,0\r\n") +
         good.arg(3) + QStringLiteral("yesterday,GP9 4071,12,forward,HO,87,STRAIGHT,48,348,5000,0,0\r\n") +
         QStringLiteral("2026-05-01T10:00:05.000+02:00,GP9 4071,12,forward,HO,87,STRAIGHT,-48,348,5000,0,0\r\n") +
         QStringLiteral("2026-05-01T10:00:06.000+02:00,GP9 4071,12,forward,HO,87,STRAIGHT,48,348,0,0,0\r\n") +
         QStringLiteral("2026-05-01T10:00:07.000+02:00,GP9 4071,12,forward,HO,87,STRAIGHT,48,348,90000000,0,0\r\n"))
            .toUtf8());
    file.close();
    frmSpeedLog& log = Window();
    log.AskPath = [path](frmSpeedLog::FileUse, const QString&, const QString&) { return path; };
    QVERIFY(PressAndWait(log, "cmdImport"));
    // The quoted line break makes the first run two lines long.
    QCOMPARE(host_.boxes, QStringList{"From bad.csv: 2 runs added, 0 already in the log.\r"
                                      "Line 4: its throttle \"x\" is not a whole number from 0 to 128.\r"
                                      "Line 7: its time \"yesterday\" is no ISO 8601 date and time.\r"
                                      "Line 8: its inches \"-48\" is not a number of 0 or more.\r"
                                      "Line 9: its milliseconds \"0\" is not a run's time from 0.05 s to 86400 s (a day).\r"
                                      "Line 10: its milliseconds \"90000000\" is not a run's time from 0.05 s to 86400 s (a day)."});
    // A line break in a name parts its words as a blank does; the speed is worked out again.
    QCOMPARE(Rows(log, "tblRuns").at(0).mid(1, 1), QStringList{"GP9 4071"});
    QCOMPARE(Rows(log, "tblRuns").at(0).at(6), QStringLiteral("47.5"));
}

void TestLog::csvFiles_data()
{
    // A file as a spreadsheet or a club mate saves it, what the import says, and the
    // first run's locomotive, track and speed in the Runs list.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QStringList>("first");
    const QByteArray header = "recorded,locomotive,throttle,direction,scale,ratio,track,inches,scale_feet,milliseconds,mph,kmh";
    const QByteArray run = "2026-05-01T10:00:00.000+02:00,GP9 4071,12,forward,HO,87,STRAIGHT,48,348,5000,47.455,76.371";
    const QStringList gp9{"GP9 4071", "HO straight 48 in, 348 scale ft", "47.5"};
    QTest::newRow("commas, CR LF") << header + "\r\n" + run + "\r\n" << "From f.csv: 1 run added, 0 already in the log." << gp9;
    QTest::newRow("line ends of CR alone") << header + "\r" + run + "\r" << "From f.csv: 1 run added, 0 already in the log." << gp9;
    QTest::newRow("line ends of LF alone") << header + "\n" + run << "From f.csv: 1 run added, 0 already in the log." << gp9;
    QTest::newRow("a German re-save: semicolons, decimal commas")
        << QByteArray("\xEF\xBB\xBFrecorded;locomotive;throttle;direction;scale;ratio;track;inches;scale_feet;"
                      "milliseconds;mph;kmh;source\r\n2026-05-01T10:00:00.000+02:00;M\xC3\xBCller 1;12;forward;HO;87;"
                      "STRAIGHT;12,5;90,625;5000,5;12,356;19,886;typed\r\n")
        << "From f.csv: 1 run added, 0 already in the log."
        << QStringList{"M\u00FCller 1", "HO straight 12.5 in, 90.6 scale ft", "12.4"};
    QTest::newRow("columns in another case and order")
        << QByteArray("Locomotive,MILLISECONDS,Recorded,throttle,Direction,scale,RATIO,track,inches,scale_feet,mph,kmh\r\n"
                      "GP9 4071,5000,2026-05-01T10:00:00.000+02:00,12,forward,HO,87,STRAIGHT,48,348,0,0\r\n")
        << "From f.csv: 1 run added, 0 already in the log." << gp9;
    QTest::newRow("not UTF-8: Windows-1252")
        << header + "\r\n" + QByteArray(run).replace("GP9 4071", "M\xFCller \x80 1") + "\r\n"
        << "From f.csv: 1 run added, 0 already in the log.\rThe file is not UTF-8: it was read as Windows-1252."
        << QStringList{"M\u00FCller \u20AC 1", gp9.at(1), gp9.at(2)};
    QTest::newRow("a quote that never closes")
        << header + "\r\n" + run + "\r\n" + QByteArray(run).replace("GP9 4071", "\"GP9 4072") + "\r\n" + run + "\r\n"
        << "From f.csv: 1 run added, 0 already in the log.\rLine 3: a quote opens there and never closes, so the "
           "rest of the file was read as one field.\rLine 3: it has no throttle."
        << gp9;
    QTest::newRow("a means file")
        << QByteArray("locomotive,throttle,direction,runs,left_out,mean_mph,sd_mph,min_mph,max_mph,mean_kmh,sd_kmh,"
                      "min_kmh,max_kmh\r\nGP9 4071,12,forward,3,0,47.467,0.950,46.524,48.423,76.391,1.528,74.873,77.929\r\n")
        << "Nothing was imported from f.csv into the log in memory: it holds the means of steps (as Export Means "
           "writes them), not runs: import a file that Export Runs wrote."
        << QStringList();
    QTest::newRow("no runs at all")
        << QByteArray("name,address\r\nSomeone,Somewhere\r\n")
        << "Nothing was imported from f.csv into the log in memory: it is no file of runs: its first line does not "
           "name the columns of one (recorded, locomotive, throttle, direction, scale, ratio, track, inches, "
           "scale_feet, milliseconds, mph, kmh, source)."
        << QStringList();
}

void TestLog::csvFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, told);
    QFETCH(QStringList, first);
    const QString path = InFolder(QStringLiteral("f.csv"));
    QFile csv(path);
    QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(file) == file.size());
    csv.close();
    frmSpeedLog& log = Window(QStringLiteral("folder-that-is-not/"));  // in memory
    log.AskPath = [path](frmSpeedLog::FileUse, const QString&, const QString&) { return path; };
    QVERIFY(PressAndWait(log, "cmdImport"));
    QCOMPARE(host_.boxes, QStringList{told});
    const std::vector<QStringList> rows = Rows(log, "tblRuns");
    QCOMPARE(rows.empty() ? QStringList() : (QStringList{rows.at(0).at(1), rows.at(0).at(4), rows.at(0).at(6)}), first);
}

void TestLog::formulasAreKeptFromRunning_data()
{
    // A name that a spreadsheet would run as a formula, and how the file holds it.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("held");
    QTest::newRow("a link") << "=HYPERLINK(\"http://example.com\",\"GP9\")"
                            << QByteArray(",\"'=HYPERLINK(\"\"http://example.com\"\",\"\"GP9\"\")\",");
    QTest::newRow("a sum") << "=1+2" << QByteArray(",'=1+2,");
    QTest::newRow("plus") << "+44 Class" << QByteArray(",'+44 Class,");
    QTest::newRow("minus") << "-SD40-" << QByteArray(",'-SD40-,");
    QTest::newRow("at") << "@home" << QByteArray(",'@home,");
    QTest::newRow("an apostrophe of its own") << "'Big Boy'" << QByteArray(",'Big Boy',");
}

void TestLog::formulasAreKeptFromRunning()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, held);
    const QString path = InFolder(QStringLiteral("runs.csv"));
    for (const CsvForm form : {CsvForm::Comma, CsvForm::Semicolon}) {
        frmSpeedLog& log = Window(form == CsvForm::Comma ? QStringLiteral("a.sqlite") : QStringLiteral("b.sqlite"));
        Choose(log, name, 5);
        Type(log, QStringLiteral("5.0"));
        log.AskPath = [path, form](frmSpeedLog::FileUse, const QString&, const QString&) {
            return frmSpeedLog::FileChoice(path, form);
        };
        QVERIFY(PressAndWait(log, "cmdExportRuns"));
        const QByteArray csv = ReadBytes(path);
        QByteArray between = held;  // the field between its two separators
        if (form == CsvForm::Semicolon) {
            between.front() = ';';
            between.back() = ';';
        }
        QVERIFY2(csv.contains(between), csv.constData());
        frmSpeedLog& back = Window(form == CsvForm::Comma ? QStringLiteral("c.sqlite") : QStringLiteral("d.sqlite"));
        back.AskPath = [path](frmSpeedLog::FileUse, const QString&, const QString&) { return path; };
        QVERIFY(PressAndWait(back, "cmdImport"));
        QCOMPARE(Rows(back, "tblRuns").at(0).at(1), name);
        QCOMPARE(Rows(back, "tblRuns").at(0).at(6), QStringLiteral("47.5"));
    }
}

void TestLog::keyboardOnly()
{
    frmSpeedLog& log = Window();
    TypeFleet(log);
    log.show();
    QVERIFY(QTest::qWaitForWindowActive(&log));
    // Every access letter of the window's buttons, captions, tabs and boxes is its own.
    QStringList letters;
    const auto letter = [&letters](const QString& text) {
        const qsizetype at = text.indexOf(u'&');
        if (at >= 0 && at + 1 < text.size()) {
            letters << text.at(at + 1).toLower();
        }
    };
    for (const QAbstractButton* button : log.findChildren<QAbstractButton*>()) {
        letter(button->text());
    }
    for (const QLabel* label : log.findChildren<QLabel*>()) {
        letter(label->text());
    }
    auto* tabs = Find<QTabWidget>(log, "tabLog");
    for (int i = 0; i < tabs->count(); ++i) {
        letter(tabs->tabText(i));
    }
    QStringList unique = letters;
    unique.removeDuplicates();
    QCOMPARE(letters.size(), unique.size());
    QVERIFY(Find<QPushButton>(log, "cmdUndo")->text().contains(u'&'));
    // Tab leaves the list of runs, and comes back round to it.
    auto* runs = Find<QTableView>(log, "tblRuns");
    runs->setFocus();
    QWidgetList visited;
    for (int i = 0; i < 40 && (visited.isEmpty() || QApplication::focusWidget() != runs); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(QApplication::focusWidget(), runs);
    QVERIFY(visited.contains(Find<QLineEdit>(log, "txtTime")) && visited.contains(Find<QPushButton>(log, "cmdAdd")));
    // Delete acts in the list of runs only.
    runs->setFocus();
    runs->selectRow(0);
    Find<QComboBox>(log, "cboDirection")->setFocus();
    QTest::keyClick(Find<QComboBox>(log, "cboDirection"), Qt::Key_Delete);
    QCOMPARE(log.RunIds().size(), std::size_t(6));
    runs->setFocus();
    QTest::keyClick(runs, Qt::Key_Delete);
    QCOMPARE(log.RunIds().size(), std::size_t(5));
    // Ctrl+Z in a text field is the field's own; elsewhere it puts the run back.
    Choose(log, QStringLiteral("GP9 4071"), 12);
    QCOMPARE(Type(log, QStringLiteral("5.0")).left(10), QStringLiteral("Logged for"));
    QTest::keySequence(Find<QLineEdit>(log, "txtTime"), QKeySequence::Undo);
    QTest::qWait(200);  // longer than a button's shortcut takes to click it
    QCOMPARE(Find<QLineEdit>(log, "txtTime")->text(), QString());  // the time typed is not brought back
    QCOMPARE(log.RunIds().size(), std::size_t(6));
    runs->setFocus();
    QTest::keySequence(runs, QKeySequence::Undo);
    QTRY_COMPARE(log.RunIds().size(), std::size_t(7));  // a button's shortcut clicks it a moment later
    // Small enough for any screen: scrolled where it is smaller than its controls.
    QVERIFY(log.minimumSizeHint().width() <= 400 && log.minimumSizeHint().height() <= 300);
}

void TestLog::foldersInEveryAlphabet_data()
{
    // A folder as a user's profile or a memory stick names it: the settings and the log
    // are kept there and found again, and the boxes name it letter for letter.
    QTest::addColumn<QString>("folder");
    QTest::newRow("Cyrillic and Polish") << QStringLiteral("\u041C\u043E\u0434\u0435\u043B\u0438 \u0141\u00F3d\u017A");
    QTest::newRow("Greek") << QStringLiteral("\u039C\u03BF\u03BD\u03C4\u03AD\u03BB\u03B1");
    QTest::newRow("Chinese and Japanese") << QStringLiteral("\u6A21\u578B\u9244\u9053");
    // A path of more than 300 characters, beyond the old 260 of Windows.
    QTest::newRow("a long path") << (QStringLiteral("Modell\u00E4") + QString(60, u'a') + u'/' + QString(80, u'b') + u'/' +
                                     QString(80, u'c') + u'/' + QString(60, u'd'));
}

void TestLog::foldersInEveryAlphabet()
{
    QFETCH(QString, folder);
    const QString path = InFolder(folder);
    General::SetIniFolder(PathBytes(path));
    QCOMPARE(General::IniPath, QDir::toNativeSeparators(path + QStringLiteral("/Trackpace.ini")));
    General::DefScale = QStringLiteral("N");
    General::DefTrackConfig = QStringLiteral("CIRCLE");
    General::DefLength = 24.0F;
    QVERIFY2(WriteSettingsFile().ok, qPrintable(WriteSettingsFile().reason));
    QCOMPARE(ReadAll(path + QStringLiteral("/Trackpace.ini")),
             QByteArray("[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=24\r\n"));
    // The log there, kept and found again.
    {
        frmSpeedLog& log = Window(folder + QStringLiteral("/Trackpace.log.sqlite"));
        QVERIFY2(!log.Store().InMemory(), qPrintable(log.Store().Problem()));
        QVERIFY(Find<QLabel>(log, "lblFile")->text().contains(QDir::toNativeSeparators(path).toHtmlEscaped()));
        Choose(log, QStringLiteral("GP9 4071"), 12);
        QCOMPARE(Type(log, QStringLiteral("5.0")).left(10), QStringLiteral("Logged for"));
    }
    window_.reset();
    QCOMPARE(RunsIn(path + QStringLiteral("/Trackpace.log.sqlite")).size(), std::size_t(1));
}

void TestLog::runsInMemoryAtTheEnd_data()
{
    // The answer to "save them first?", whether a file is then chosen, and whether
    // Trackpace may end and the runs are in that file.
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("chooseFile");
    QTest::addColumn<bool>("mayEnd");
    QTest::newRow("Save, in a file chosen") << 1 << true << true;
    QTest::newRow("Save, but no file chosen") << 1 << false << false;
    QTest::newRow("Discard") << 0 << true << true;
    QTest::newRow("Cancel") << -1 << true << false;
}

void TestLog::runsInMemoryAtTheEnd()
{
    QFETCH(int, answer);
    QFETCH(bool, chooseFile);
    QFETCH(bool, mayEnd);
    QVERIFY(QDir().mkpath(LogPath()));  // a folder where the log should be: in memory
    frmSpeedLog& log = Window();
    host_.answer = answer;
    const QString kept = InFolder(QStringLiteral("kept.sqlite"));
    log.AskPath = [&](frmSpeedLog::FileUse, const QString&, const QString&) { return chooseFile ? kept : QString(); };
    QVERIFY(log.MayEnd());  // nothing held yet
    TypeFleet(log);
    QCOMPARE(log.MayEnd(), mayEnd);
    QCOMPARE(host_.questions,
             QStringList{"The speed log holds 6 runs only in memory: they are lost when Trackpace ends.\rSave them in "
                         "a log file first?"});
    QCOMPARE(RunsIn(kept).size(), std::size_t(answer == 1 && chooseFile ? 6 : 0));
}

void TestLog::tenThousandRuns()
{
    const QString path = InFolder(QStringLiteral("fleet.csv"));
    QVERIFY(WriteFleetCsv(path, 10000));
    frmSpeedLog& log = Window();
    log.AskPath = [path](frmSpeedLog::FileUse, const QString&, const QString&) { return path; };
    QVERIFY(PressAndWait(log, "cmdImport"));
    QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 10000 runs"));
    QCOMPARE(Rows(log, "tblSteps").size(), std::size_t(1450));
    // The groups' figures as the log keeps them are those of the runs themselves.
    const std::vector<StepGroup> worked = GroupsOf(RunsOf(log.Store()));
    QCOMPARE(log.Groups().size(), worked.size());
    for (std::size_t i = 0; i < worked.size(); i += 97) {
        QCOMPARE(log.Groups().at(i).key, worked.at(i).key);
        QCOMPARE(log.Groups().at(i).figures.all.count, worked.at(i).figures.all.count);
        QVERIFY(qAbs(log.Groups().at(i).figures.kept.mean - worked.at(i).figures.kept.mean) < 1e-9);
    }
}

void TestLog::curveHoldsTheMeans()
{
    frmSpeedLog& log = Window();
    TypeFleet(log);
    Choose(log, QStringLiteral("GP9 4071"), 12, true);  // backwards: a line of its own
    Type(log, QStringLiteral("6.0"));
    Find<QComboBox>(log, "cboUnits")->setCurrentIndex(1);
    Find<QDoubleSpinBox>(log, "spnTarget")->setValue(60.0);
    QCOMPARE(Rows(log, "tblMatch"), (std::vector<QStringList>{{"12", "forward", "76.4", "69.4", "-7.0"},
                                                              {"20", "forward", "119.3", "109.1", "-10.2"}}));
    // The means per step in km/h, with the lowest and highest of each: 348 ft in 4.9,
    // 5.0, 5.1 s and 3.2 s; in 5.5 s and 3.5 s; backwards in 6.0 s.
    const auto* curve = Find<SpeedCurve>(log, "curve");
    const std::vector<std::tuple<QString, int, double, double, double>> expected{
        {"GP9 4071", 12, 76.39, 74.87, 77.93}, {"GP9 4071", 20, 119.33, 119.33, 119.33},
        {"GP9 4071 (reverse)", 12, 63.64, 63.64, 63.64}, {"SD40 5300", 12, 69.43, 69.43, 69.43},
        {"SD40 5300", 20, 109.10, 109.10, 109.10}};
    std::vector<std::tuple<QString, int, double, double, double>> drawn;
    for (const CurveLine& line : curve->Lines()) {
        for (const CurvePoint& point : line.points) {
            drawn.emplace_back(line.name, point.throttle, KmhOf(point.mean), KmhOf(point.min), KmhOf(point.max));
        }
    }
    QCOMPARE(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const auto& [name, step, mean, low, high] = drawn.at(i);
        const auto& [wantedName, wantedStep, wantedMean, wantedLow, wantedHigh] = expected.at(i);
        QCOMPARE(name, wantedName);
        QCOMPARE(step, wantedStep);
        for (const auto& [value, wanted] : {std::pair{mean, wantedMean}, {low, wantedLow}, {high, wantedHigh}}) {
            QVERIFY2(qAbs(value - wanted) < 0.01, qPrintable(QStringLiteral("%1 step %2").arg(name).arg(step)));
        }
    }
    QVERIFY(qAbs(KmhOf(curve->TargetMph()) - 60.0) < 1e-9);
}

void TestLog::legendShowsEveryName_data()
{
    // The curve at the window's default size and squeezed; names that must be shortened
    // have their whole name as a tooltip.
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("whole");
    QTest::newRow("the default size") << 0 << true;
    QTest::newRow("a narrow curve") << 300 << false;
}

void TestLog::legendShowsEveryName()
{
    QFETCH(int, width);
    QFETCH(bool, whole);
    frmSpeedLog& log = Window();
    // Three locomotives both ways, one of them named as rich text would be read.
    const QStringList names{"<b>Bold</b> & Co 1066", "GP9 4071", "SD40-2 5300 Union Pacific"};  // in reading order
    for (const QString& name : names) {
        for (const bool reverse : {false, true}) {
            Choose(log, name, 10, reverse);
            Type(log, reverse ? QStringLiteral("6.0") : QStringLiteral("5.0"));
        }
    }
    log.show();
    Find<QTabWidget>(log, "tabLog")->setCurrentIndex(2);
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    SpeedCurve narrow(nullptr);
    auto* curve = width > 0 ? &narrow : Find<SpeedCurve>(log, "curve");
    narrow.Show(Find<SpeedCurve>(log, "curve")->Lines(), SpeedUnit::Mph, 0.0);
    narrow.resize(width, 240);
    static_cast<void>(curve->grab());  // painted as on the screen
    const std::vector<LegendEntry>& legend = curve->Legend();
    QCOMPARE(legend.size(), std::size_t(6));
    QRectF seen;
    for (std::size_t i = 0; i < legend.size(); ++i) {
        const LegendEntry& entry = legend.at(i);
        QCOMPARE(entry.name, names.at(static_cast<qsizetype>(i / 2)) + (i % 2 == 1 ? QStringLiteral(" (reverse)") : QString()));
        QVERIFY2(QRectF(curve->rect()).contains(entry.area), qPrintable(entry.name));
        for (std::size_t j = 0; j < i; ++j) {
            QVERIFY(!legend.at(j).area.intersects(entry.area));
        }
        if (whole) {
            QCOMPARE(entry.shown, entry.name);
        }
        seen = seen.united(entry.area);
    }
    if (!whole) {
        const auto shortened = std::find_if(legend.begin(), legend.end(),
                                            [](const LegendEntry& entry) { return entry.shown != entry.name; });
        QVERIFY(shortened != legend.end());
        QHelpEvent help(QEvent::ToolTip, shortened->area.center().toPoint(),
                        curve->mapToGlobal(shortened->area.center().toPoint()));
        QCoreApplication::sendEvent(curve, &help);
        QCOMPARE(QToolTip::text(), shortened->name);
        QToolTip::hideText();
    }
    // A name is text as typed, wherever it shows.
    QVERIFY(Find<QLabel>(log, "lblMatch")->text().contains(names.at(0)));
    QCOMPARE(Find<QLabel>(log, "lblMatch")->textFormat(), Qt::PlainText);
    QCOMPARE(Find<QLabel>(log, "lblNote")->textFormat(), Qt::PlainText);
}

void TestLog::curveLinesInPoints_data()
{
    QTest::addColumn<int>("dotsPerInch");
    QTest::newRow("300 dpi") << 300;
    QTest::newRow("1200 dpi") << 1200;
}

void TestLog::curveLinesInPoints()
{
    QFETCH(int, dotsPerInch);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftocairo")).isEmpty()) {
        QSKIP("pdftocairo (poppler-utils) is not installed");
    }
    frmSpeedLog& log = Window();
    TypeFleet(log);
    Choose(log, QStringLiteral("GP9 4071"), 12, true);
    Type(log, QStringLiteral("6.0"));
    // The curve on a PDF page of `dotsPerInch`, read back as SVG, whose units are points.
    const QString pdf = InFolder(QStringLiteral("curve.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(dotsPerInch);
        QPainter painter(&writer);
        Find<SpeedCurve>(log, "curve")->Render(painter, QRectF(0, 0, writer.width(), writer.height() / 2));
    }
    QProcess svg;
    svg.start(QStringLiteral("pdftocairo"), {QStringLiteral("-svg"), pdf, QStringLiteral("-")});
    QVERIFY(svg.waitForFinished(20000));
    // The first locomotive's paths in its colour: their widths as drawn, in points.
    const QString colour = QStringLiteral("stroke:rgb(12.548828%,47.058105%,78.430176%)");
    static const QRegularExpression path(
        QStringLiteral("<path style=\"([^\"]*)\"[^>]*transform=\"matrix\\(([0-9.]+),"));
    QList<double> widths;
    bool dashed = false;
    for (const QRegularExpressionMatch& match : path.globalMatch(QString::fromUtf8(svg.readAllStandardOutput()))) {
        const QString style = match.captured(1);
        if (style.contains(colour)) {
            static const QRegularExpression width(QStringLiteral("stroke-width:([0-9.]+)"));
            widths << std::round(width.match(style).captured(1).toDouble() * match.captured(2).toDouble() * 100) / 100;
            dashed = dashed || style.contains(QStringLiteral("stroke-dasharray"));
        }
    }
    std::sort(widths.begin(), widths.end());
    widths.erase(std::unique(widths.begin(), widths.end()), widths.end());
    QCOMPARE(widths, (QList<double>{BarPenPoints, CurvePenPoints}));
    QVERIFY(dashed);  // the reverse line, in the forward line's colour
}

void TestLog::pageHoldsTheStepTable()
{
    // Where this system cannot read a PDF (Windows), the page is left beside the suite
    // and read by this test on Linux: TRACKPACE_PAGE_FROM names that page there.
    const QString written = QCoreApplication::applicationDirPath() + QStringLiteral("/tst_log-page.pdf");
    const QString from = qEnvironmentVariable("TRACKPACE_PAGE_FROM");
    if (from.isEmpty()) {
        frmSpeedLog& log = Window();
        TypeFleet(log);
        host_.pdfPath = InFolder(QStringLiteral("log.pdf"));
        QTest::mouseClick(Find<QPushButton>(log, "cmdPdf"), Qt::LeftButton);
        QFile::remove(written);
        QVERIFY(QFile::copy(host_.pdfPath, written));
    }
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed: the page is left as tst_log-page.pdf beside this suite");
    }
    host_.pdfPath = from.isEmpty() ? written : from;
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), host_.pdfPath, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(20000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    QVERIFY2(page.startsWith(QStringLiteral("Trackpace - Speed Log")), qPrintable(page));
    for (const char* row :
         {"Locomotive Step Direction Runs Mean (mph) Std. dev. Lowest Highest Left out",
          "GP9 4071 12 forward 3 47.5 0.95 46.5 48.4 0", "GP9 4071 20 forward 1 74.1 0.00 74.1 74.1 0",
          "SD40 5300 12 forward 1 43.1 0.00 43.1 43.1 0"}) {
        QVERIFY2(page.contains(QString::fromUtf8(row)), row);
    }
    QCOMPARE(page.count(QChar(0x0C)), 0);  // one page
}

QTEST_MAIN(TestLog)
#include "tst_log.moc"
