// The speed log when things go wrong: a change cut off by a kill, stray journals, a folder it may not write, a full disk, a lock.
#include "core/Files.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"
#include "ui/log/frmSpeedLog.h"

#include "PosixSupport.h"
#include "TestSupport.h"
#include "log/LogTestSupport.h"

#include <QtTest>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString InMemoryNote = QStringLiteral(" It was left as it is; the runs of this session are kept only until "
                                            "Trackpace ends, unless you choose another file.");
const QString TooLarge = QStringLiteral("the file has reached the largest size this computer lets Trackpace write");

// A log at `path` with `count` runs of its own, each committed alone.
bool LogWithRuns(const QString& path, int count)
{
    LogStore store(PathBytes(path));
    for (int i = 0; i < count; ++i) {
        LoggedRun run = MakeRun(QDateTime::currentDateTimeUtc().addSecs(i), QStringLiteral("GP9 4071"), i % 3, false,
                                Ho48, 5'000'000 + i * 10'000);
        if (store.InMemory() || store.Add(run)) {
            return false;
        }
    }
    return true;
}

// Starts an import of `csv` into the log at `path` in a second process and kills it
// (SIGKILL) half way, once its journal holds some of its change.
bool KillImport(const QString& path, const QString& csv)
{
    QProcess writer;
    writer.start(Writer(), {QStringLiteral("import"), path, csv});
    if (!writer.waitForReadyRead(20000) || !writer.readAllStandardOutput().startsWith("importing")) {
        return false;
    }
    // Once its change has begun to reach the log's file itself: only then is its journal
    // marked as one to play back (before, SQLite rightly ignores it). A slow machine takes
    // its time to get there.
    QFileInfo log(path);
    const qint64 size = log.size();
    for (int i = 0; i < 6000 && log.size() < size + 1'000'000 && writer.state() == QProcess::Running; ++i) {
        QThread::msleep(10);
        log.refresh();
    }
    writer.kill();
    writer.waitForFinished(10000);
    log.refresh();
    return writer.exitStatus() == QProcess::CrashExit && log.size() >= size + 1'000'000 &&
           QFileInfo(path + QStringLiteral("-journal")).size() > 0;
}

}  // namespace

class TestLogFaults : public SessionTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void cutOffChange_data();
    void cutOffChange();
    void folderThatTakesNoJournal();
    void fullDisk_data();
    void fullDisk();
    void lockedLog();

private:
    frmSpeedLog& Window();
    void CloseFiles() override { window_.reset(); }
    QString InFolder(const QString& name) { return QDir(Session().dir.path()).filePath(name); }
    QString LogPath() { return InFolder(QStringLiteral("Trackpace.log.sqlite")); }

    TestHost host_;
    std::unique_ptr<frmSpeedLog> window_;
};

void TestLogFaults::initTestCase()
{
    // A file that grows beyond the size limit fails its write, and the program lives on.
    StartUpAsTheProgram();
}

frmSpeedLog& TestLogFaults::Window()
{
    host_.boxes.clear();
    host_.warnings.clear();
    window_.reset();
    window_ = std::make_unique<frmSpeedLog>(host_, PathBytes(LogPath()));
    window_->AskPath = [this](frmSpeedLog::FileUse, const QString&, const QString&) {
        return InFolder(QStringLiteral("fleet.csv"));
    };
    return *window_;
}

void TestLogFaults::cutOffChange_data()
{
    // Where the journal beside the log comes from.
    QTest::addColumn<QString>("journal");
    QTest::newRow("the log's own import, killed half way") << "own";
    QTest::newRow("another log's import, killed half way") << "other log";
    QTest::newRow("another database's write-ahead log") << "wal";
}

void TestLogFaults::cutOffChange()
{
    QFETCH(QString, journal);
    QVERIFY(LogWithRuns(LogPath(), 3));
    QVERIFY(WriteFleetCsv(InFolder(QStringLiteral("fleet.csv")), 60000));
    QString stray;
    QByteArray strayBytes;
    if (journal == u"own") {
        QVERIFY(KillImport(LogPath(), InFolder(QStringLiteral("fleet.csv"))));
    } else if (journal == u"other log") {
        const QString other = InFolder(QStringLiteral("other.sqlite"));
        QVERIFY(LogWithRuns(other, 10));
        QVERIFY(KillImport(other, InFolder(QStringLiteral("fleet.csv"))));
        stray = LogPath() + QStringLiteral("-journal");
        QVERIFY(QFile::copy(other + QStringLiteral("-journal"), stray));
    } else {
        // A database of another program in write-ahead mode, its log copied beside ours.
        const QString other = InFolder(QStringLiteral("other.sqlite"));
        SqliteDatabase db(PathBytes(other), SqliteDatabase::Mode::ReadWriteCreate, 1000);
        QVERIFY(!db.Exec("PRAGMA journal_mode = WAL; CREATE TABLE t (x); INSERT INTO t VALUES (1), (2), (3);"));
        stray = LogPath() + QStringLiteral("-wal");
        QVERIFY(QFile::copy(other + QStringLiteral("-wal"), stray));
    }
    strayBytes = stray.isEmpty() ? QByteArray() : ReadBytes(stray);

    // Every committed run is there, the log reads back whole, and it takes the next run.
    frmSpeedLog& log = Window();
    QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 3 runs"));
    QVERIFY2(!log.Store().InMemory(), qPrintable(log.Store().Problem()));
    const QString fileLine = Find<QLabel>(log, "lblFile")->text();
    Choose(log, QStringLiteral("SD40 5300"), 4);
    QCOMPARE(Type(log, QStringLiteral("9.5")).right(7), QStringLiteral("9.50 s."));
    window_.reset();
    QCOMPARE(RunsIn(LogPath()).size(), std::size_t(4));
    QCOMPARE(Pragma(LogPath(), QStringLiteral("integrity_check")), QStringLiteral("ok"));
    // A journal of another database is moved aside whole, not played into the log.
    QCOMPARE(fileLine.contains(QStringLiteral("belonged to another database; it was moved to ") +
                               QDir::toNativeSeparators(stray).toHtmlEscaped() + QStringLiteral(".not-this-log.")),
             !stray.isEmpty());
    if (journal == u"other log") {
        QVERIFY(!QFileInfo::exists(stray));
        QCOMPARE(ReadBytes(stray + QStringLiteral(".not-this-log")), strayBytes);
    } else if (journal == u"wal") {
        QVERIFY(!QFileInfo::exists(stray));
        QCOMPARE(ReadBytes(stray + QStringLiteral(".not-this-log")), strayBytes);
    }
}

void TestLogFaults::folderThatTakesNoJournal()
{
    // A log that may be written in a folder that takes no new file: SQLite cannot make
    // the journal every change needs, so the log says so before the first run.
    const QString folder = InFolder(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Trackpace.log.sqlite");
    QVERIFY(LogWithRuns(path, 2));
    QVERIFY(::chmod(PathBytes(path).constData(), 0666) == 0);
    QVERIFY(::chmod(PathBytes(folder).constData(), 0555) == 0);
    ::chmod(PathBytes(Session().dir.path()).constData(), 0755);
    const QByteArray before = ReadBytes(path);
    QProcess looker;
    looker.start(Writer(), {QStringLiteral("look"), path, QStringLiteral("nobody")});
    QVERIFY(looker.waitForFinished(20000));
    const QStringList said = QString::fromUtf8(looker.readAllStandardOutput()).split(u'\n');
    ::chmod(PathBytes(folder).constData(), 0755);
    QCOMPARE(looker.exitCode(), 0);
    QCOMPARE(said.value(0), QDir::toNativeSeparators(path) +
                                QStringLiteral(" cannot take runs: its folder does not let Trackpace make the journal "
                                               "file that every change needs beside the log.") +
                                InMemoryNote);
    QCOMPARE(said.value(1), QStringLiteral("run kept"));  // in memory
    QCOMPARE(ReadBytes(path), before);
}

void TestLogFaults::fullDisk_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("Add Run") << "add";
    QTest::newRow("Undo of 23 runs") << "undo";
    QTest::newRow("Import") << "import";
}

void TestLogFaults::fullDisk()
{
    QFETCH(QString, change);
    QVERIFY(LogWithRuns(LogPath(), 30));
    QVERIFY(WriteFleetCsv(InFolder(QStringLiteral("fleet.csv")), 5000));
    frmSpeedLog& log = Window();
    Choose(log, QStringLiteral("GP9 4071"), 7);
    if (change == u"undo") {
        auto* view = Find<QTableView>(log, "tblRuns");
        view->setSelectionMode(QAbstractItemView::MultiSelection);
        for (int row = 0; row < 23; ++row) {
            view->selectRow(row);
        }
        QTest::mouseClick(Find<QPushButton>(log, "cmdDelete"), Qt::LeftButton);
        QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 7 runs"));
    }
    const QByteArray before = ReadBytes(LogPath());
    const std::size_t runsBefore = RunsIn(LogPath()).size();
    {
        // No byte may be written beyond the first 2 KiB of any file: a full disk.
        const FileSizeLimit full(2048);
        if (change == u"add") {
            const QString note = Type(log, QStringLiteral("5.0"));
            QVERIFY2(note.endsWith(QStringLiteral(", in memory only: the log's file did not take it (%1).").arg(TooLarge)),
                     qPrintable(note));
            Type(log, QStringLiteral("5.1"));
        } else if (change == u"undo") {
            QTest::mouseClick(Find<QPushButton>(log, "cmdUndo"), Qt::LeftButton);
            QTest::mouseClick(Find<QPushButton>(log, "cmdUndo"), Qt::LeftButton);
        } else {
            QVERIFY(PressAndWait(log, "cmdImport"));
        }
    }
    // Told once, naming the file; the file as it was.
    QCOMPARE(host_.warnings.size(), change == u"undo" ? 2 : 1);
    const QString shown = QDir::toNativeSeparators(LogPath());
    const QMap<QString, QString> told{
        {"add", shown + QStringLiteral(" did not take a run: ") + TooLarge +
                    QStringLiteral(". That run and the next are kept only until Trackpace ends, unless you choose "
                                   "another file (or press Refresh once the file can take runs again); the 30 runs "
                                   "logged before stay in the file.")},
        {"undo", QStringLiteral("The 23 runs deleted last could not be put back into %1: %2. Undo still holds them; "
                                "press it again once the log can take them.")
                     .arg(shown, TooLarge)},
        {"import", QStringLiteral("Nothing was imported from fleet.csv into %1: %2.").arg(shown, TooLarge)}};
    QCOMPARE(host_.warnings.at(0), told.value(change));
    QCOMPARE(ReadBytes(LogPath()), before);
    QCOMPARE(RunsIn(LogPath()).size(), runsBefore);
    if (change == u"add") {
        // The session's runs are kept in memory, and go into the file once it takes them.
        QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 2 runs"));
        QTest::mouseClick(Find<QPushButton>(log, "cmdRefresh"), Qt::LeftButton);
        QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 32 runs"));
    } else if (change == u"undo") {
        QTest::mouseClick(Find<QPushButton>(log, "cmdUndo"), Qt::LeftButton);
        QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 30 runs"));
    } else {
        QCOMPARE(log.windowTitle(), QStringLiteral("Trackpace - Speed Log - 30 runs"));
    }
    QCOMPARE(host_.warnings.size(), change == u"undo" ? 2 : 1);
    window_.reset();
    QCOMPARE(Pragma(LogPath(), QStringLiteral("integrity_check")), QStringLiteral("ok"));
}

void TestLogFaults::lockedLog()
{
    QVERIFY(LogWithRuns(LogPath(), 2));
    QVERIFY(WriteFleetCsv(InFolder(QStringLiteral("fleet.csv")), 100));
    frmSpeedLog& log = Window();
    // Another program takes the whole log: an import says so once.
    auto holder = std::make_unique<SqliteDatabase>(PathBytes(LogPath()), SqliteDatabase::Mode::ReadWrite, 0);
    QVERIFY(!holder->Exec("BEGIN EXCLUSIVE"));
    QVERIFY(PressAndWait(log, "cmdImport"));
    QCOMPARE(host_.warnings,
             QStringList{QStringLiteral("Nothing was imported from fleet.csv into %1: another program is using it.")
                             .arg(QDir::toNativeSeparators(LogPath()))});
    // Opened while it is held, the log works in memory; Refresh tries the file again
    // once it is free, and the run kept meanwhile goes into it.
    Window();
    QVERIFY(window_->Store().InMemory());
    Choose(*window_, QStringLiteral("GP9 4071"), 9);
    Type(*window_, QStringLiteral("4.0"));
    holder.reset();
    QTest::mouseClick(Find<QPushButton>(*window_, "cmdRefresh"), Qt::LeftButton);
    QVERIFY(!window_->Store().InMemory());
    QCOMPARE(window_->windowTitle(), QStringLiteral("Trackpace - Speed Log - 3 runs"));
}

QTEST_MAIN(TestLogFaults)
#include "tst_logfaults.moc"
