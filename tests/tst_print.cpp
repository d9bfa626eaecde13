// The printed page: its 22 lines in a PDF, the Print button, and a real print queue.
#include "core/General.h"
#include "ui/Fonts.h"
#include "ui/table/TablePage.h"
#include "ui/table/TablePrint.h"
#include "ui/table/frmTvsS.h"

#include "TestSupport.h"

#include <QtTest>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

namespace {

QString RunTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text lines of a PDF as pdftotext lays them out, blanks collapsed.
QStringList PdfLines(const QString& path)
{
    QStringList lines;
    const QString text = RunTool(QStringLiteral("pdftotext"), {"-layout", path, "-"});
    for (const QString& line : text.split(u'\n')) {
        if (!line.trimmed().isEmpty() && line != u"\f") {
            lines << line.simplified();
        }
    }
    return lines;
}

int PdfPages(const QString& path)
{
    const QString info = RunTool(QStringLiteral("pdfinfo"), {path});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QStringList ExpectedLines(const QString& basis, const QStringList& runTimes)
{
    QStringList lines{"Trackpace - TIME vs. SPEED Table", "This table is based on the following information:",
                      basis.simplified(), "Speed Run Time Seconds", "MPH Seconds per Mile"};
    const QList<int> perMile{360, 180, 120, 90, 72, 60, 51, 45, 40, 36, 33, 30};
    for (int row = 0; row < 12; ++row) {
        lines << QStringLiteral("%1 %2 %3").arg((row + 1) * 10).arg(runTimes.at(row)).arg(perMile.at(row));
    }
    return lines;
}

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void init();
    void basisLine_data();
    void basisLine();
    void pageLines();
    void pdfPage_data();
    void pdfPage();
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();
    void realPrinter();

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestPrint::init()
{
    ResetGeneral();
    dir_ = std::make_unique<QTemporaryDir>();
}

void TestPrint::basisLine_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<float>("feet");
    QTest::addColumn<QString>("line");

    QTest::newRow("HO straight 24") << false << "24" << 174.0F
                                    << "    Run Length: 24 in.   Scale: HO   Distance: 174 scale ft.";
    QTest::newRow("HO circle 18") << true << "18" << 819.0F
                                  << "    Circle Radius: 18 in.   Scale: HO   Distance: 819 scale ft.";
    QTest::newRow("024 as typed") << false << "024" << 174.0F
                                  << "    Run Length: 024 in.   Scale: HO   Distance: 174 scale ft.";
    QTest::newRow("empty entry") << false << "" << 0.0F << "    Run Length:  in.   Scale: HO   Distance: 0 scale ft.";
    QTest::newRow("empty circle") << true << "" << 0.0F
                                  << "    Circle Radius:  in.   Scale: HO   Distance: 0 scale ft.";
}

void TestPrint::basisLine()
{
    QFETCH(bool, circle);
    QFETCH(QString, entry);
    QFETCH(float, feet);
    QFETCH(QString, line);
    QCOMPARE(PrintBasisLine({circle, entry}, QStringLiteral("HO"), feet), line);
}

void TestPrint::pageLines()
{
    float workTime = 0.0F;
    const QString basis = PrintBasisLine({false, "24"}, "HO", 174.0F);
    const std::vector<ZoneLine> lines = PrintedPageLines(basis, 174.0F, workTime);
    QCOMPARE(lines.size(), std::size_t{22});
    for (const int empty : {0, 1, 2, 3, 7}) {
        QVERIFY(lines.at(empty).empty());
    }
    QCOMPARE(lines.at(4).at(0).text, QStringLiteral("    Trackpace - TIME vs. SPEED Table"));
    QCOMPARE(lines.at(5).at(0).text, QStringLiteral("    This table is based on the following information:"));
    QCOMPARE(lines.at(6).at(0).text, basis);
    QCOMPARE(lines.at(9).at(1).text, QStringLiteral(" MPH"));
    QCOMPARE(lines.at(9).at(5).text, QStringLiteral("per Mile"));
    // Paper rows: zone, number; zone, 2 blanks, run time; zone, 1 blank, number.
    const ZoneLine& row = lines.at(10);
    QCOMPARE(row.size(), std::size_t{8});
    QCOMPARE(row.at(0).kind, ZoneItem::Kind::Zone);
    QCOMPARE(row.at(1).kind, ZoneItem::Kind::Number);
    QCOMPARE(row.at(1).count, 10);
    QCOMPARE(row.at(3).count, 2);
    QCOMPARE(row.at(4).text, QStringLiteral("11.9"));
    QCOMPARE(row.at(6).count, 1);
    QCOMPARE(row.at(7).count, 360);
}

void TestPrint::pdfPage_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<float>("feet");
    QTest::addColumn<QStringList>("runTimes");

    QTest::newRow("HO straight 24") << false << "24" << 174.0F
                                    << QStringList{"11.9", "5.9", "4.0", "3.0", "2.4", "2.0",
                                                   "1.7", "1.5", "1.3", "1.2", "1.1", "1.0"};
    QTest::newRow("HO circle 18") << true << "18" << 819.0F
                                  << QStringList{"55.8", "27.9", "18.6", "14.0", "11.2", "9.3",
                                                 "7.9", "7.0", "6.2", "5.6", "5.1", "4.7"};
    QTest::newRow("024 as typed") << false << "024" << 174.0F
                                  << QStringList{"11.9", "5.9", "4.0", "3.0", "2.4", "2.0",
                                                 "1.7", "1.5", "1.3", "1.2", "1.1", "1.0"};
    QTest::newRow("empty entry") << false << "" << 0.0F << QStringList(12, QStringLiteral(".0"));
}

void TestPrint::pdfPage()
{
    QFETCH(bool, circle);
    QFETCH(QString, entry);
    QFETCH(float, feet);
    QFETCH(QStringList, runTimes);
    const QString path = dir_->filePath(QStringLiteral("page.pdf"));
    const QString basis = PrintBasisLine({circle, entry}, QStringLiteral("HO"), feet);
    {
        QPdfWriter pdf(path);
        float workTime = 0.0F;
        QVERIFY(ComposeTablePage(pdf, basis, feet, workTime));
    }
    QCOMPARE(PdfPages(path), 1);
    QCOMPARE(PdfLines(path), ExpectedLines(basis, runTimes));
}

void TestPrint::noPrinterOffersPdf_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("Save writes a PDF") << true;
    QTest::newRow("Cancel writes nothing") << false;
}

void TestPrint::noPrinterOffersPdf()
{
    QFETCH(bool, save);
    General::ScaleName = QStringLiteral("HO");
    General::ScaleDistance = 174.0F;
    MessageRecorder boxes;
    boxes.answer = save ? MessageBox::Answer::Save : MessageBox::Answer::Cancel;
    const QString path = dir_->filePath(QStringLiteral("table.pdf"));
    frmTvsS table(nullptr, [] { return LengthEntry{false, QStringLiteral("24")}; });
    table.DefaultPrinter = [] { return QPrinterInfo(); };
    table.AskPdfPath = [&path] { return path; };
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QTest::mouseClick(table.cmdPrint, Qt::LeftButton);

    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(boxes.boxes.front().title, QStringLiteral("Trackpace"));
    QCOMPARE(boxes.boxes.front().text,
             QStringLiteral("No printer is set up on this computer.\rSave the table as a PDF file instead?"));
    QCOMPARE(boxes.boxes.front().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(boxes.boxes.front().buttons, MessageBox::Buttons::SaveCancel);
    QCOMPARE(table.lblMessage->text(), QString());
    QVERIFY(!table.tmrMsgTimer->isActive());
    QVERIFY(table.isVisible());
    QCOMPARE(QFile::exists(path), save);
    if (save) {
        QCOMPARE(PdfPages(path), 1);
        QCOMPARE(PdfLines(path).at(2), QStringLiteral("Run Length: 24 in. Scale: HO Distance: 174 scale ft."));
    }
}

// Needs a default print queue that writes PDF files (CI sets one up with CUPS-PDF and
// names its output folder in TRACKPACE_PRINT_OUTPUT).
void TestPrint::realPrinter()
{
    const QString output = qEnvironmentVariable("TRACKPACE_PRINT_OUTPUT");
    if (QPrinterInfo::defaultPrinter().isNull() || output.isEmpty()) {
        QSKIP("no default PDF print queue on this machine");
    }
    const QDir outputDir(output);
    const auto pdfCount = [&outputDir] { return outputDir.entryList({"*.pdf"}, QDir::Files).size(); };
    const qsizetype before = pdfCount();

    General::ScaleName = QStringLiteral("HO");
    General::ScaleDistance = 174.0F;
    MessageRecorder boxes;
    frmTvsS table(nullptr, [] { return LengthEntry{false, QStringLiteral("24")}; });
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    const int centre = table.lblMessage->geometry().center().x();
    for (int click = 1; click <= 2; ++click) {
        QTest::mouseClick(table.cmdPrint, Qt::LeftButton);
        QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.Texts().join(u'|')));
        QCOMPARE(table.lblMessage->text(), QStringLiteral("Sending table to printer"));
        QVERIFY(table.tmrMsgTimer->isActive());
        QVERIFY(std::abs(table.lblMessage->geometry().center().x() - centre) <= 1);
        QVERIFY(table.lblMessage->geometry().right() < table.cmdPrint->geometry().left());
        QVERIFY(table.lblMessage->width() >= table.lblMessage->sizeHint().width());
    }
    QTRY_COMPARE_WITH_TIMEOUT(table.lblMessage->text(), QString(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(pdfCount(), before + 2, 30000);
    for (const QString& name : outputDir.entryList({"*.pdf"}, QDir::Files, QDir::Time).mid(0, 2)) {
        const QString path = outputDir.filePath(name);
        QTRY_COMPARE_WITH_TIMEOUT(PdfPages(path), 1, 10000);
    }
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
