// The speed log suites' shared helpers.
#include "LogTestSupport.h"
#include "core/Files.h"

#include "log/Csv.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"
#include "ui/log/frmSpeedLog.h"
#include "ui/print/PagePrinter.h"

#include "TestSupport.h"

#include <QtTest>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>

void TestHost::Box(const QString& text, bool warning)
{
    boxes << text;
    if (warning) {
        warnings << text;
    }
}

int TestHost::AskSaveOrDiscard(const QString& text)
{
    questions << text;
    return answer;
}

void TestHost::PrintPage(QWidget* window, const QString& title, const QString& noun,
                         const std::function<bool(QPagedPaintDevice&)>& compose, bool /*toPdf*/)
{
    auto* printer = new PagePrinter(window);
    printer->AskPdfPath = [this] { return pdfPath; };
    printer->SavePdf({title, noun, compose});
}

std::vector<QStringList> Rows(const QObject& window, const char* view)
{
    const QAbstractItemModel* model = Find<QTableView>(window, QString::fromLatin1(view))->model();
    std::vector<QStringList> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column) {
            cells << model->index(row, column).data().toString();
        }
        rows.push_back(cells);
    }
    return rows;
}

void Choose(const QObject& window, const QString& locomotive, int throttle, bool reverse)
{
    Find<QComboBox>(window, "cboLocomotive")->setEditText(locomotive);
    Find<QSpinBox>(window, "spnThrottle")->setValue(throttle);
    Find<QComboBox>(window, "cboDirection")->setCurrentIndex(reverse ? 1 : 0);
}

QString Type(const QObject& window, const QString& seconds)
{
    auto* time = Find<QLineEdit>(window, "txtTime");
    time->setText(seconds);
    QTest::keyClick(time, Qt::Key_Return);
    return Find<QLabel>(window, "lblNote")->text();
}

void TypeFleet(const QObject& window)
{
    for (const auto& [locomotive, step, seconds] :
         std::vector<std::tuple<QString, int, QString>>{{"GP9 4071", 12, "4.9"},
                                                        {"GP9 4071", 12, "5.0"},
                                                        {"GP9 4071", 12, "5.1"},
                                                        {"GP9 4071", 20, "3.2"},
                                                        {"SD40 5300", 12, "5.5"},
                                                        {"SD40 5300", 20, "3.5"}}) {
        Choose(window, locomotive, step);
        Type(window, seconds);
    }
}

bool PressAndWait(frmSpeedLog& log, const char* button)
{
    QSignalSpy ended(&log, &frmSpeedLog::JobEnded);
    QTest::mouseClick(Find<QPushButton>(log, QString::fromLatin1(button)), Qt::LeftButton);
    return !log.Busy() || ended.wait(120000);
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool MakeDatabase(const QString& path, const QStringList& statements)
{
    SqliteDatabase db(PathBytes(path), SqliteDatabase::Mode::ReadWriteCreate, 1000);
    for (const QString& statement : statements) {
        if (db.Exec(statement.toUtf8())) {
            qWarning("%s failed", qPrintable(statement));
            return false;
        }
    }
    return true;
}

QString Pragma(const QString& path, const QString& pragma)
{
    SqliteDatabase db(PathBytes(path), SqliteDatabase::Mode::ReadOnly, 1000);
    return db.Value((QStringLiteral("PRAGMA ") + pragma).toUtf8()).value_or(QVariant()).toString();
}

std::vector<LoggedRun> RunsOf(const LogStore& store)
{
    std::vector<LoggedRun> runs;
    store.ForEachRun([&runs](const LoggedRun& run) {
        runs.push_back(run);
        return true;
    });
    return runs;
}

std::vector<LoggedRun> RunsIn(const QString& path)
{
    return RunsOf(LogStore(PathBytes(path)));
}

bool WriteFleetCsv(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray text = CsvLine(RunCsvHeader()).toUtf8();
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        text += CsvLine(RunCsvFields(MakeRun(start.addSecs(i), QStringLiteral("Loco %1").arg(i % 25), i % 29,
                                             i % 2 == 1, Ho48, (4000 + i % 2000) * 1000)))
                    .toUtf8();
    }
    return file.write(text) == text.size();
}

QString Writer()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/log_writer");
}
