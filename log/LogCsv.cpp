// The import of runs (read record by record, checked, kept whole or not at all) and their export.
#include "log/LogCsv.h"

#include "log/Csv.h"
#include "core/Files.h"
#include "log/FleetFigures.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"

#include <QFileDevice>
#include <QIODevice>
#include <QSet>

#include <algorithm>

namespace {

// Between two looks at `cancel` and two reports of progress.
constexpr int RecordsBetweenLooks = 2000;

ImportReport Failed(SqliteDatabase& db, ImportReport report, const QString& why)
{
    db.Exec("ROLLBACK");
    report.added = 0;
    report.skipped = 0;
    report.failure = why;
    return report;
}

}  // namespace

ImportReport ImportRuns(SqliteDatabase& db, QIODevice& file, const std::atomic<bool>& cancel,
                        const std::function<void(qint64)>& progress)
{
    ImportReport report;
    CsvReader reader(file);
    const std::optional<CsvRecord> header = reader.Next();
    if (!header) {
        report.failure = QStringLiteral("the file is empty");
        return report;
    }
    if (reader.Latin1()) {
        report.notes << QStringLiteral("The file is not UTF-8: it was read as Windows-1252.");
    }
    const std::vector<qsizetype> columns = RunCsvColumns(header->fields);
    if (std::count(columns.begin(), columns.end(), -1) > 1) {
        // More than the source, which older files lack, is missing.
        const bool means = header->fields.contains(MeansCsvHeader().at(5), Qt::CaseInsensitive);
        report.failure = means ? QStringLiteral("it holds the means of steps (as Export Means writes them), not "
                                                "runs: import a file that Export Runs wrote")
                               : QStringLiteral("it is no file of runs: its first line does not name the columns "
                                                "of one (%1)")
                                     .arg(RunCsvHeader().join(QStringLiteral(", ")));
        return report;
    }
    if (const std::optional<SqliteFault> fault = db.Exec("BEGIN IMMEDIATE")) {
        report.failure = fault->Plain();
        return report;
    }
    // Room to hold the pages an import of many runs goes through.
    db.Exec("PRAGMA cache_size = -262144");
    LogWriter writer(db);
    QSet<StepKey> touched;
    int sinceLook = 0;
    while (const std::optional<CsvRecord> record = reader.Next()) {
        if (++sinceLook == RecordsBetweenLooks) {
            sinceLook = 0;
            if (cancel.load()) {
                report = Failed(db, report, QStringLiteral("it was cancelled"));
                report.cancelled = true;
                return report;
            }
            progress(reader.BytesRead());
        }
        QString whyNot;
        std::optional<LoggedRun> run = RunFromCsv(columns, record->fields, whyNot);
        if (!run) {
            if (report.refused.size() < ReportedLines) {
                report.refused << QStringLiteral("Line %1: %2.").arg(record->line).arg(whyNot);
            }
            ++report.refusedCount;
            continue;
        }
        if (writer.Has(*run)) {
            ++report.skipped;
            continue;
        }
        if (!writer.Insert(*run)) {
            return Failed(db, report, writer.Fault().value_or(QString()));
        }
        touched.insert(StepKey{run->locomotive, run->reverse, run->throttle});
        ++report.added;
    }
    if (const std::optional<int> opened = reader.Unclosed()) {
        report.refused.prepend(QStringLiteral("Line %1: a quote opens there and never closes, so the rest of the file "
                                              "was read as one field.")
                                   .arg(*opened));
        ++report.refusedCount;
    }
    if (!writer.Refigure(std::vector<StepKey>(touched.begin(), touched.end()))) {
        return Failed(db, report, writer.Fault().value_or(QString()));
    }
    if (cancel.load()) {
        report = Failed(db, report, QStringLiteral("it was cancelled"));
        report.cancelled = true;
        return report;
    }
    if (const std::optional<SqliteFault> fault = db.Exec("COMMIT")) {
        return Failed(db, report, fault->Plain());
    }
    progress(reader.BytesRead());
    return report;
}

std::optional<QString> ExportRuns(SqliteDatabase& db, QIODevice& file, CsvForm form, const std::atomic<bool>& cancel,
                                  const std::function<void(qint64)>& progress)
{
    // With a byte-order mark, so that spreadsheet programs read the names as UTF-8.
    constexpr qsizetype FlushBytes = 1 << 20;
    QByteArray pending = QByteArrayLiteral("\xEF\xBB\xBF") + CsvLine(RunCsvHeader(), form).toUtf8();
    std::optional<QString> failed;
    qint64 written = 0;
    const auto flush = [&]() {
        auto* device = qobject_cast<QFileDevice*>(&file);
        if (device != nullptr) {
            failed = WriteAll(*device, pending);
        } else if (file.write(pending) != pending.size()) {
            failed = file.errorString();
        }
        pending.clear();
        return !failed;
    };
    const std::optional<QString> read = EachRun(db, [&](const LoggedRun& run) {
        pending += CsvLine(RunCsvFields(run, form), form).toUtf8();
        if (++written % RecordsBetweenLooks == 0) {
            progress(written);
            if (cancel.load()) {
                failed = QStringLiteral("it was cancelled");
                return false;
            }
        }
        return pending.size() < FlushBytes || flush();
    });
    if (!failed && read) {
        failed = read;
    }
    if (!failed) {
        flush();
    }
    progress(written);
    return failed;
}
