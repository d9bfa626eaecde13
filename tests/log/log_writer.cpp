// A second copy of Trackpace as the log tests need one: adds runs to a log, imports a file into it, or tells what it finds.
#include "core/Files.h"
#include "log/LogCsv.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

int Usage()
{
    std::fputs("usage: log_writer PATH COUNT [hang] | log_writer import PATH CSV | log_writer look PATH [nobody]\n",
               stderr);
    return 2;
}

// COUNT runs of "Writer <pid>", each committed alone; with `hang`, "kept" is printed
// once they are and the process waits to be killed.
int Write(const QString& path, int count, bool hang)
{
    LogStore store(PathBytes(path));
    if (store.InMemory()) {
        std::fprintf(stderr, "%s\n", qPrintable(store.Problem()));
        return 1;
    }
    const TrackNow track{QStringLiteral("HO"), 87.0, false, 48.0};
    const QString name = QStringLiteral("Writer %1").arg(QCoreApplication::applicationPid());
    for (int i = 0; i < count; ++i) {
        LoggedRun run = MakeRun(QDateTime::currentDateTimeUtc(), name, i % 10, false, track, 5'000'000 + i * 1000);
        if (const std::optional<QString> failed = store.Add(run)) {
            std::fprintf(stderr, "run %d: %s\n", i, qPrintable(*failed));
            return 1;
        }
    }
    if (hang) {
        std::puts("kept");
        std::fflush(stdout);
        QThread::sleep(600);
    }
    return 0;
}

// Imports CSV into the log, saying "importing" as it begins: to be killed half way.
int Import(const QString& path, const QString& csv)
{
    const LogStore store(PathBytes(path));
    const std::unique_ptr<SqliteDatabase> db = store.Connect();
    QFile file(csv);
    if (store.InMemory() || !db || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot import: %s\n", qPrintable(store.Problem()));
        return 1;
    }
    std::puts("importing");
    std::fflush(stdout);
    const std::atomic<bool> never{false};
    const ImportReport report = ImportRuns(*db, file, never, [](qint64) {});
    std::printf("added %d\n", report.added);
    return report.failure ? 1 : 0;
}

// What the log at `path` says of itself, and whether it takes a run: as `nobody`
// where asked (and where this runs as root), for a folder that only root may write.
int Look(const QString& path, bool asNobody)
{
#ifndef _WIN32
    constexpr uid_t Nobody = 65534;
    if (asNobody && ::geteuid() == 0 && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)) {
        return 3;
    }
#else
    Q_UNUSED(asNobody);
#endif
    LogStore store(PathBytes(path));
    std::printf("%s\n", qPrintable(store.InMemory() ? store.Problem() : QStringLiteral("usable")));
    LoggedRun run = MakeRun(QDateTime::currentDateTimeUtc(), QStringLiteral("Looker"), 1, false,
                            TrackNow{QStringLiteral("HO"), 87.0, false, 48.0}, 5'000'000);
    const std::optional<QString> failed = store.Add(run);
    std::printf("%s\n", failed ? qPrintable(*failed) : "run kept");
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 4 && args.at(1) == u"import") {
        return Import(args.at(2), args.at(3));
    }
    if (args.size() >= 3 && args.at(1) == u"look") {
        return Look(args.at(2), args.size() > 3 && args.at(3) == u"nobody");
    }
    if (args.size() < 3) {
        return Usage();
    }
    return Write(args.at(1), args.at(2).toInt(), args.size() > 3);
}
