// The speed log at a million runs: opening the window, one change, units, an import of a million rows beside the window.
#include "core/Files.h"
#include "log/Csv.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"
#include "ui/log/frmSpeedLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPagedPaintDevice>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

const TrackNow Ho48{QStringLiteral("HO"), 87.0, false, 48.0};
constexpr int Locomotives = 50;
constexpr int Steps = 29;

class QuietHost final : public SpeedLogHost {
public:
    TrackNow Track() const override { return Ho48; }
    void Box(const QString& text, bool) override { std::fprintf(stderr, "box: %s\n", qPrintable(text)); }
    int AskSaveOrDiscard(const QString&) override { return 0; }
    void ShowRunTimer() override {}
    void PrintPage(QWidget*, const QString&, const QString&, const std::function<bool(QPagedPaintDevice&)>&,
                   bool) override
    {
    }
};

LoggedRun FleetRun(int i, int offsetSeconds)
{
    const QDateTime start(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC);
    return MakeRun(start.addSecs(i + offsetSeconds), QStringLiteral("Loco %1").arg(i % Locomotives),
                   (i / Locomotives) % Steps, (i / (Locomotives * Steps)) % 2 == 1, Ho48,
                   4'000'000 + (i % 997) * 1000, TimedSource);
}

// A log of `count` runs, written in one transaction.
void MakeLog(const QString& path, int count)
{
    LogStore store(PathBytes(path));
    const std::unique_ptr<SqliteDatabase> db = store.Connect();
    db->Exec("BEGIN IMMEDIATE");
    LogWriter writer(*db);
    for (int i = 0; i < count; ++i) {
        LoggedRun run = FleetRun(i, 0);
        writer.Insert(run);
    }
    writer.Refigure({});
    db->Exec("COMMIT");
}

void MakeCsv(const QString& path, int count)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray text = CsvLine(RunCsvHeader()).toUtf8();
    for (int i = 0; i < count; ++i) {
        text += CsvLine(RunCsvFields(FleetRun(i, 50'000'000))).toUtf8();
        if (text.size() > (1 << 22)) {
            file.write(text);
            text.clear();
        }
    }
    file.write(text);
}

double ResidentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void Settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// One Add, Delete and Undo at the end of the log, each with its commit and the
// window's models brought up to date, and again until the window has painted it;
// the medians of 21 rounds.
void Changes(frmSpeedLog& log, const char* size)
{
    std::vector<double> done[3];
    std::vector<double> painted[3];
    auto* time = log.findChild<QLineEdit*>(QStringLiteral("txtTime"));
    auto* view = log.findChild<QTableView*>(QStringLiteral("tblRuns"));
    log.findChild<QComboBox*>(QStringLiteral("cboLocomotive"))->setEditText(QStringLiteral("Loco 7"));
    log.findChild<QSpinBox*>(QStringLiteral("spnThrottle"))->setValue(12);
    const char* buttons[3] = {"cmdAdd", "cmdDelete", "cmdUndo"};
    for (int round = 0; round < 21; ++round) {
        time->setText(QStringLiteral("5.%1").arg(round % 100, 2, 10, QLatin1Char('0')));
        for (int change = 0; change < 3; ++change) {
            if (change == 1) {
                view->selectRow(static_cast<int>(log.RunIds().size()) - 1);
            }
            QElapsedTimer clock;
            clock.start();
            log.findChild<QPushButton*>(QString::fromLatin1(buttons[change]))->click();
            done[change].push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            Settle();
            painted[change].push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }
    const char* names[3] = {"add", "delete", "undo"};
    for (int change = 0; change < 3; ++change) {
        std::printf("%s one run at %s runs, with its commit (median of 21): %.2f ms (target <= 10); painted: %.2f ms\n",
                    names[change], size, Median(done[change]), Median(painted[change]));
    }
}

}  // namespace

// bench_log make FOLDER RUNS: a log of RUNS runs, one of 1,000 and a CSV file of RUNS rows.
// bench_log measure FOLDER RUNS: the timings, in a process that made none of them.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: bench_log make|measure FOLDER RUNS\n", stderr);
        return 2;
    }
    const QDir dir(args.at(2));
    const int runs = args.at(3).toInt();
    const QString big = dir.filePath(QStringLiteral("big.sqlite"));
    const QString small = dir.filePath(QStringLiteral("small.sqlite"));
    const QString csv = dir.filePath(QStringLiteral("fleet.csv"));
    QElapsedTimer clock;
    clock.start();
    if (args.at(1) == u"make") {
        MakeLog(big, runs);
        MakeLog(small, 1000);
        MakeCsv(csv, runs);
        std::printf("made a log of %d runs and a CSV file of as many rows in %.1f s\n", runs,
                    static_cast<double>(clock.elapsed()) / 1000.0);
        return 0;
    }

    // The program's own windows stand in for the main window's memory.
    QWidget main;
    main.show();
    Settle();
    const double before = ResidentMb();
    QuietHost host;
    clock.restart();
    auto log = std::make_unique<frmSpeedLog>(host, PathBytes(big));
    log->show();
    log->findChild<QTableView*>(QStringLiteral("tblRuns"))->scrollToBottom();
    Settle();
    std::printf("log window usable (runs listed, steps and curve drawn) at %d runs: %lld ms (target <= 1000)\n", runs,
                clock.elapsed());
    std::printf("memory of the open log: %.1f MB above the program without it (target <= 100)\n",
                ResidentMb() - before);
    Changes(*log, "1,000,000");

    for (const char* control : {"cboUnits", "chkLeaveOut"}) {
        std::vector<double> times;
        for (int round = 0; round < 5; ++round) {
            clock.restart();
            if (auto* units = log->findChild<QComboBox*>(QString::fromLatin1(control))) {
                units->setCurrentIndex(1 - units->currentIndex());
            } else {
                log->findChild<QCheckBox*>(QString::fromLatin1(control))->toggle();
            }
            Settle();
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        std::printf("%s switched: %.1f ms (target <= 100)\n",
                    std::string(control) == "cboUnits" ? "units" : "leave marked runs out", Median(times));
    }

    // The import beside the window, the window's answer time measured all along.
    log->AskPath = [csv](frmSpeedLog::FileUse, const QString&, const QString&) { return csv; };
    qint64 longest = 0;
    QElapsedTimer beat;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, beat.restart()); });
    QSignalSpy ended(log.get(), &frmSpeedLog::JobEnded);
    clock.restart();
    beat.start();
    ticker.start();
    log->findChild<QPushButton*>(QStringLiteral("cmdImport"))->click();
    ended.wait(600'000);
    ticker.stop();
    std::printf("import of %d CSV rows into the log of %d: %.1f s (target <= 20), the window answering within %lld ms "
                "throughout (target < 100, a tick every 10 ms); the log now holds %zu runs\n",
                runs, runs, static_cast<double>(clock.elapsed()) / 1000.0, longest, log->RunIds().size());
    log.reset();

    frmSpeedLog few(host, PathBytes(small));
    few.show();
    Settle();
    Changes(few, "1,000");
    return 0;
}
