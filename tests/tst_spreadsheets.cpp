// The speed log's CSV files opened by LibreOffice Calc itself, headless, with English, German and French settings.
#include "log/LogCsv.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"

#include "log/LogTestSupport.h"

#include <QtTest>
#include <QProcess>
#include <QXmlStreamReader>

namespace {

// A cell as Calc holds it: its kind ("string", "float" …), its value or text, and
// whether it is a formula.
struct Cell {
    QString kind;
    QString value;
    bool formula = false;
};

// The cells of the first sheet of a flat OpenDocument spreadsheet, row by row.
std::vector<std::vector<Cell>> Cells(const QString& path)
{
    QFile file(path);
    std::vector<std::vector<Cell>> rows;
    if (!file.open(QIODevice::ReadOnly)) {
        return rows;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"table-row") {
            rows.emplace_back();
        } else if (xml.isStartElement() && xml.name() == u"table-cell" && !rows.empty()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            Cell cell{attributes.value(QStringLiteral("office:value-type")).toString(),
                      attributes.value(QStringLiteral("office:value")).toString(),
                      attributes.hasAttribute(QStringLiteral("table:formula"))};
            if (cell.kind == u"string") {
                cell.value = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            }
            rows.back().push_back(cell);
        }
    }
    return rows;
}

}  // namespace

class TestSpreadsheets : public QObject {
    Q_OBJECT

private slots:
    void openedAsTheyAre_data();
    void openedAsTheyAre();
};

void TestSpreadsheets::openedAsTheyAre_data()
{
    // The form written, and Calc's import as a spreadsheet of that language opens a
    // CSV file: its separator, its language (for the decimal sign), formulas evaluated.
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("filter");
    QTest::newRow("English: commas and decimal points")
        << int(CsvForm::Comma) << "CSV:44,34,76,1,,1033,false,true,false,false,false,0,true";
    QTest::newRow("German: semicolons and decimal commas")
        << int(CsvForm::Semicolon) << "CSV:59,34,76,1,,1031,false,true,false,false,false,0,true";
    QTest::newRow("French: semicolons and decimal commas")
        << int(CsvForm::Semicolon) << "CSV:59,34,76,1,,1036,false,true,false,false,false,0,true";
}

void TestSpreadsheets::openedAsTheyAre()
{
    QFETCH(int, form);
    QFETCH(QString, filter);
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        QSKIP("LibreOffice (libreoffice-calc-nogui) is not installed");
    }
    // Runs whose names a spreadsheet would run as formulas, over a track with decimals.
    const QStringList names{"=HYPERLINK(\"http://example.com\",\"GP9\")", "=1+2", "+44", "M\u00FCller 01"};
    LogStore log{QByteArray()};
    const TrackNow track{QStringLiteral("HO"), 87.0, false, 12.5};
    for (qsizetype i = 0; i < names.size(); ++i) {
        LoggedRun run = MakeRun(QDateTime(QDate(2026, 5, 1), QTime(10, 0, static_cast<int>(i)), Qt::UTC), names.at(i),
                                3, false, track, 1'234'567);
        QVERIFY(!log.Add(run));
    }
    const QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("runs.csv"));
    {
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const std::atomic<bool> never{false};
        QVERIFY(!ExportRuns(*log.Connect(), file, static_cast<CsvForm>(form), never, [](qint64) {}));
    }
    QProcess calc;
    calc.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                         QStringLiteral("--headless"), QStringLiteral("--infilter=") + filter,
                         QStringLiteral("--convert-to"), QStringLiteral("fods"), QStringLiteral("--outdir"), dir.path(),
                         csv});
    QVERIFY(calc.waitForFinished(180000));
    const std::vector<std::vector<Cell>> rows = Cells(dir.filePath(QStringLiteral("runs.fods")));
    QCOMPARE(rows.size(), std::size_t(1 + names.size()));
    const QStringList header = RunCsvHeader();
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const std::vector<Cell>& cells = rows.at(row);
        QVERIFY(cells.size() >= std::size_t(header.size()));
        for (const Cell& cell : cells) {
            QVERIFY2(!cell.formula, qPrintable(cell.value));  // nothing runs
        }
        // The name as text, kept from running by its apostrophe.
        QCOMPARE(cells.at(1).kind, QStringLiteral("string"));
        QCOMPARE(cells.at(1).value, GuardedText(names.at(static_cast<qsizetype>(row) - 1)));
        // The figures as numbers: 12.5 in, 90.625 ft, 1234.567 ms, 50.050 mph.
        const std::vector<std::pair<int, double>> figures{{7, 12.5}, {8, 90.625}, {9, 1234.567}, {10, 50.050}};
        for (const auto& [column, value] : figures) {
            const Cell& cell = cells.at(static_cast<std::size_t>(column));
            QVERIFY2(cell.kind == u"float", qPrintable(header.at(column) + u' ' + cell.kind + u' ' + cell.value));
            QCOMPARE(cell.value.toDouble(), value);
        }
    }
}

QTEST_GUILESS_MAIN(TestSpreadsheets)
#include "tst_spreadsheets.moc"
