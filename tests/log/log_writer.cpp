// A second copy of Trackpace as the log tests need one: adds runs to a log file, or adds one and waits to be killed.
#include "ui/log/LogStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>

// log_writer PATH COUNT [hang]: COUNT runs of "Writer <pid>", each committed alone;
// with "hang", "kept" is printed once they are and the process waits to be killed.
int main(int argc, char* argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: log_writer PATH COUNT [hang]\n", stderr);
        return 2;
    }
    LogStore store(QFile::encodeName(args.at(1)));
    if (store.InMemory()) {
        std::fprintf(stderr, "%s\n", qPrintable(store.Problem()));
        return 1;
    }
    const TrackNow track{QStringLiteral("HO"), 87.1, false, 48.0, 348.0};
    const QString name = QStringLiteral("Writer %1").arg(QCoreApplication::applicationPid());
    for (int i = 0; i < args.at(2).toInt(); ++i) {
        LoggedRun run = MakeRun(QDateTime::currentDateTimeUtc(), name, i % 10, false, track, 5000 + i);
        if (const std::optional<QString> failed = store.Add(run)) {
            std::fprintf(stderr, "run %d: %s\n", i, qPrintable(*failed));
            return 1;
        }
    }
    if (args.size() > 3) {
        std::puts("kept");
        std::fflush(stdout);
        QThread::sleep(600);
    }
    return 0;
}
