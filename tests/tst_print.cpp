// Printing: the page the printer receives, the status message, every way a job can fare, the PDF instead, a real queue.
#include "core/Files.h"
#include "core/General.h"
#include "ui/Fonts.h"
#include "ui/print/PagePdf.h"
#include "ui/print/PrintJob.h"
#include "ui/table/TablePage.h"
#include "ui/table/TablePrint.h"
#include "ui/table/frmTvsS.h"

#include "PosixSupport.h"
#include "TestSupport.h"

#include <QtTest>
#include <QLabel>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

const QString Sending = QStringLiteral("Sending table to printer");
const QString Offer = QStringLiteral("\rSave the table as a PDF file instead?");
const QStringList PerMile{"360", "180", "120", "90", "72", "60", "51", "45", "40", "36", "33", "30"};

QString RunTool(const QString& tool, const QStringList& arguments, int* status = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    const bool finished = process.waitForFinished(20000);
    if (status != nullptr) {
        *status = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// The text lines of a PDF as pdftotext lays them out, blanks collapsed.
QStringList PdfLines(const QString& path)
{
    QStringList lines;
    for (const QString& line : RunTool(QStringLiteral("pdftotext"), {"-layout", path, "-"}).split(u'\n')) {
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

struct Word {
    QString text;
    QRectF box;  // points from the page's top-left corner
};

// Every word of a PDF's first page with its box, as pdftotext -bbox reads it.
QList<Word> PdfWords(const QString& path)
{
    QList<Word> words;
    const QString html = RunTool(QStringLiteral("pdftotext"), {"-bbox", "-f", "1", "-l", "1", path, "-"});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        words << Word{m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))};
    }
    return words;
}

QString PdfInfo(const QString& path, const QString& field)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^%1:\\s+(.*)$").arg(field), QRegularExpression::MultilineOption)
            .match(RunTool(QStringLiteral("pdfinfo"), {path}));
    return match.captured(1).trimmed();
}

// The page's lines that hold text: title, explanation, basis, two headings and a
// row per speed, each row "speed run-time seconds-per-mile".
QStringList ExpectedPage(const QString& basis, const QStringList& runTimes)
{
    QStringList lines{"Trackpace - TIME vs. SPEED Table", "This table is based on the following information:",
                      basis.simplified(), "Speed Run Time Seconds", "MPH Seconds per Mile"};
    for (int row = 0; row < 12; ++row) {
        lines << QStringLiteral("%1 %2 %3").arg((row + 1) * 10).arg(runTimes.at(row), PerMile.at(row));
    }
    return lines;
}

// A print system that takes every job: it keeps a copy of each document it was
// handed, and what became of the file afterwards.
struct FakePrinter {
    JobOutcome outcome{JobOutcome::State::Accepted, {}};
    QString name = QStringLiteral("Desk Printer");
    PrinterChoice::Kind kind = PrinterChoice::Kind::Default;
    QStringList documents;  // copies, in the test's folder
    QStringList spooled;    // the paths the program handed over
    QString folder;

    PrintRoute Route()
    {
        return {[this] { return PrinterChoice{kind, kind == PrinterChoice::Kind::Default ? name : QString()}; },
                [this](const QString& printer, const QString& path, const QString& title) {
                    spooled << path;
                    const QString copy = folder + QStringLiteral("/job-%1.pdf").arg(documents.size() + 1);
                    if (printer == name && title == u"Trackpace - TIME vs. SPEED Table" && QFile::copy(path, copy)) {
                        documents << copy;
                    }
                    return outcome;
                }};
    }
};

// Clicks Print and waits until the print system's answer has been dealt with (the
// requests to it run aside, on threads of their own).
void PrintAndWait(frmTvsS& table)
{
    QTest::mouseClick(Find<QPushButton>(table, "cmdPrint"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!table.Printing(), 15000);
}

// Puts a shell command's change back when the test leaves, however it leaves.
class Restore {
public:
    explicit Restore(QStringList command) : command_(std::move(command)) {}
    ~Restore() { RunTool(command_.front(), command_.mid(1)); }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    QStringList command_;
};

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void basisLine_data();
    void basisLine();
    void printedPage_data();
    void printedPage();
    void paperLayout();
    void statusMessage();
    void jobThatIsNotPrinted_data();
    void jobThatIsNotPrinted();
    void pausedPrinter();
    void fullTemporaryFolder();
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();
    void pdfThatCannotBeWritten_data();
    void pdfThatCannotBeWritten();
    void printSystemThatNeverAnswers();
    void missingTemporaryFolder();
    void schedulerThatDoesNotAnswer();
    void realQueueGetsTheDocument();
    void realQueueRefuses();
    void realQueuePaused();
    void realDefaultThatIsNotSetUp();
    void realPrintersWithoutDefault();

private:
    // A table window over a main window showing `entry`, printing through `route`.
    std::unique_ptr<frmTvsS> Table(const LengthEntry& entry, const PrintRoute& route);
    // Every file the temporary folder holds (it is this test's own).
    QStringList TemporaryFiles() const;
    // The real queue named by TRACKPACE_CUPS_QUEUE, or empty (the test then skips).
    QString RealQueue() const;

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QTemporaryDir> temp_;
    std::unique_ptr<MessageRecorder> boxes_;
    FakePrinter printer_;
    QByteArray previousTemp_;
};

void TestPrint::initTestCase()
{
    // A full disk must fail as the program fails, not end the test.
    StartUpAsTheProgram();
    previousTemp_ = qgetenv("TMPDIR");
}

void TestPrint::init()
{
    // The tests named real… need the real scheduler that CI starts (see RealQueue).
    if (QByteArray(QTest::currentTestFunction()).startsWith("real") && RealQueue().isEmpty()) {
        QSKIP("no real print queue (TRACKPACE_CUPS_QUEUE)");
    }
    ResetGeneral();
    General::ScaleName = QStringLiteral("HO");
    dir_ = std::make_unique<QTemporaryDir>();
    temp_ = std::make_unique<QTemporaryDir>();
    qputenv("TMPDIR", PathBytes(temp_->path()));
    boxes_ = std::make_unique<MessageRecorder>();
    printer_ = FakePrinter{};
    printer_.folder = dir_->path();
}

void TestPrint::cleanup()
{
    boxes_.reset();
    qputenv("TMPDIR", previousTemp_);
}

std::unique_ptr<frmTvsS> TestPrint::Table(const LengthEntry& entry, const PrintRoute& route)
{
    auto table = std::make_unique<frmTvsS>(nullptr, [entry] { return entry; });
    table->Route = route;
    table->AskPdfPath = [this] { return dir_->filePath(QStringLiteral("table.pdf")); };
    table->show();
    static_cast<void>(QTest::qWaitForWindowExposed(table.get()));
    return table;
}

QStringList TestPrint::TemporaryFiles() const
{
    return QDir(temp_->path()).entryList(QDir::Files | QDir::Hidden);
}

QString TestPrint::RealQueue() const
{
    return qEnvironmentVariable("TRACKPACE_CUPS_QUEUE");
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

void TestPrint::printedPage_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<float>("feet");
    QTest::addColumn<QStringList>("runTimes");

    // Run time = seconds per mile x feet / 5280, one decimal, halves away from zero.
    QTest::newRow("HO straight 24: 174 ft") << false << "24" << "HO" << 174.0F << RunTimes174;
    // 30 x 819 / 5280 = 4.653: 4.7; 90 x 819 / 5280 = 13.96: 14.0.
    QTest::newRow("HO circle 18: 819 ft") << true << "18" << "HO" << 819.0F
                                          << QStringList{"55.8", "27.9", "18.6", "14.0", "11.2", "9.3",
                                                         "7.9", "7.0", "6.2", "5.6", "5.1", "4.7"};
    QTest::newRow("024 printed as typed") << false << "024" << "HO" << 174.0F << RunTimes174;
    // O 11 in: 44 ft; 120 mph gives exactly 0.25 s, shown .3.
    QTest::newRow("O straight 11: 44 ft") << false << "11" << "O" << 44.0F
                                          << QStringList{"3.0", "1.5", "1.0", ".8", ".6", ".5",
                                                         ".4", ".4", ".3", ".3", ".3", ".3"};
    // 51 x 1740 / 5280 = 16.81 (not 16.9 from 3600 / 70), 33 x 1740 / 5280 = 10.875.
    QTest::newRow("HO straight 240: 1740 ft") << false << "240" << "HO" << 1740.0F
                                              << QStringList{"118.6", "59.3", "39.5", "29.7", "23.7", "19.8",
                                                             "16.8", "14.8", "13.2", "11.9", "10.9", "9.9"};
    QTest::newRow("empty entry") << false << "" << "HO" << 0.0F << QStringList(12, QStringLiteral(".0"));
}

void TestPrint::printedPage()
{
    QFETCH(bool, circle);
    QFETCH(QString, entry);
    QFETCH(QString, scale);
    QFETCH(float, feet);
    QFETCH(QStringList, runTimes);
    General::ScaleName = scale;
    General::ScaleDistance = feet;
    const auto table = Table({circle, entry}, printer_.Route());
    PrintAndWait(*table);

    QVERIFY2(boxes_->boxes.empty(), qPrintable(boxes_->Texts().join(u'|')));
    QCOMPARE(printer_.documents.size(), 1);
    const QString basis = QStringLiteral("%1 %2 in. Scale: %3 Distance: %4 scale ft.")
                              .arg(circle ? QStringLiteral("Circle Radius:") : QStringLiteral("Run Length:"), entry,
                                   scale, QString::number(static_cast<int>(feet)))
                              .simplified();
    QCOMPARE(PdfPages(printer_.documents.front()), 1);
    QCOMPARE(PdfLines(printer_.documents.front()), ExpectedPage(basis, runTimes));
    // The spooled file is gone once the job is handed over.
    QCOMPARE(TemporaryFiles(), QStringList());
    QVERIFY(!QFile::exists(printer_.spooled.front()));
}

void TestPrint::paperLayout()
{
    // On Letter paper with margins of 0.5 in left and 0.75 in top: the lines start at
    // the printable area's corner in Arial 10 pt, 4 blanks before the title, and the
    // columns at zones 2, 3 and 4 of 14 average characters of that font.
    const QPageLayout letter(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(36, 54, 36, 36),
                             QPageLayout::Point);
    const QString path = dir_->filePath(QStringLiteral("letter.pdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(TablePagePdf(letter, PrintBasisLine({false, "24"}, "HO", 174.0F), TableRowsOf(174.0F)));
    file.close();
    QCOMPARE(PdfInfo(path, QStringLiteral("Page size")), QStringLiteral("612 x 792 pts (letter)"));
    QCOMPARE(PdfInfo(path, QStringLiteral("Title")), QStringLiteral("Trackpace - TIME vs. SPEED Table"));
    QVERIFY2(RunTool(QStringLiteral("pdffonts"), {path}).contains(QStringLiteral("LiberationSans")),
             "the page is not in Arial's metric twin");

    QPdfWriter probe(dir_->filePath(QStringLiteral("probe.pdf")));
    probe.setResolution(1200);
    const QFontMetricsF metrics(ArialFont(10.0), &probe);
    const qreal toPoints = 72.0 / 1200.0;
    const qreal zone = 14 * metrics.averageCharWidth() * toPoints;
    const qreal blank = metrics.horizontalAdvance(u' ') * toPoints;
    const QList<Word> words = PdfWords(path);
    // The first such word, or the first on the line that starts at `top`.
    const auto first = [&words](const QString& text, qreal top = -1) {
        for (const Word& word : words) {
            if (word.text == text && (top < 0 || std::abs(word.box.top() - top) < 1)) {
                return word.box;
            }
        }
        return QRectF();
    };
    const auto near = [](qreal a, qreal b) { return std::abs(a - b) < 0.5; };
    const QRectF title = first(QStringLiteral("Trackpace"));
    QVERIFY2(near(title.left(), 36 + 4 * blank), qPrintable(QString::number(title.left())));
    // Four empty lines above the title: its top is between four and five lines down.
    const qreal line = std::ceil(metrics.height()) * toPoints;
    QVERIFY2(title.top() > 54 + 4 * line && title.top() < 54 + 5 * line, qPrintable(QString::number(title.top())));
    const QRectF speed = first(QStringLiteral("Speed"));
    QVERIFY(near(speed.left(), 36 + zone));
    QVERIFY(near(first(QStringLiteral("Run"), speed.top()).left(), 36 + 2 * zone));
    QVERIFY(near(first(QStringLiteral("Seconds"), speed.top()).left(), 36 + 3 * zone));
    // The 10 mph row: the number item's blank, then the digits; run time two blanks
    // into zone 3; the seconds per mile after one blank and the number's own.
    QVERIFY(near(first(QStringLiteral("10")).left(), 36 + zone + blank));
    QVERIFY(near(first(QStringLiteral("11.9")).left(), 36 + 2 * zone + 2 * blank));
    QVERIFY(near(first(QStringLiteral("360")).left(), 36 + 3 * zone + 2 * blank));
    QVERIFY2(near(first(QStringLiteral("Speed")).height(), first(QStringLiteral("11.9")).height()), "one font size");
}

void TestPrint::statusMessage()
{
    General::ScaleDistance = 174.0F;
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), QString());
    const int centre = Find<QLabel>(*table, "lblMessage")->geometry().center().x();
    // When the two seconds started, seen from the moment the click began.
    QElapsedTimer click;
    const auto startedAfter = [&] { return 2000 - Find<QTimer>(*table, "tmrMsgTimer")->remainingTime() - click.elapsed(); };
    click.start();
    QTest::mouseClick(Find<QPushButton>(*table, "cmdPrint"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), Sending);
    QVERIFY2(std::abs(startedAfter()) <= 50, qPrintable(QString::number(startedAfter())));
    // The grown message stays centred where it was and clear of Print.
    QVERIFY(std::abs(Find<QLabel>(*table, "lblMessage")->geometry().center().x() - centre) <= 1);
    QVERIFY(Find<QLabel>(*table, "lblMessage")->width() >= Find<QLabel>(*table, "lblMessage")->sizeHint().width());
    QVERIFY(Find<QLabel>(*table, "lblMessage")->geometry().right() < Find<QPushButton>(*table, "cmdPrint")->geometry().left());

    // A second click half a second later starts the two seconds again.
    QTest::qWait(500);
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), Sending);
    click.start();
    QTest::mouseClick(Find<QPushButton>(*table, "cmdPrint"), Qt::LeftButton);
    QVERIFY2(std::abs(startedAfter()) <= 50, qPrintable(QString::number(startedAfter())));
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(*table, "lblMessage")->text(), QString(), 4000);
    QVERIFY(!table->Printing());
    QVERIFY2(click.elapsed() >= 1950, qPrintable(QString::number(click.elapsed())));
    QVERIFY(!Find<QTimer>(*table, "tmrMsgTimer")->isActive());
    QCOMPARE(printer_.documents.size(), 2);
    QVERIFY(boxes_->boxes.empty());
}

void TestPrint::jobThatIsNotPrinted_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("text");
    const int refused = int(JobOutcome::State::Refused);
    QTest::newRow("not accepting jobs") << refused << "Destination \"Desk Printer\" is not accepting jobs."
                                        << "Printer \"Desk Printer\" did not take the table:\rDestination \"Desk "
                                           "Printer\" is not accepting jobs.\rNothing was printed.";
    QTest::newRow("document refused") << refused << "Unable to add document to print job."
                                      << "Printer \"Desk Printer\" did not take the table:\rUnable to add document to "
                                         "print job.\rNothing was printed.";
    QTest::newRow("queue deleted meanwhile") << int(JobOutcome::State::Gone) << "No such file or directory"
                                             << "Printer \"Desk Printer\" disappeared while the table was being sent "
                                                "to it: it is no longer set up on this computer.\rNothing was printed.";
}

void TestPrint::jobThatIsNotPrinted()
{
    QFETCH(int, state);
    QFETCH(QString, reason);
    QFETCH(QString, text);
    printer_.outcome = {static_cast<JobOutcome::State>(state), reason};
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    QString messageAtBox = QStringLiteral("<no box>");
    boxes_->onShow = [&](const MessageBox::Request&) { messageAtBox = Find<QLabel>(*table, "lblMessage")->text(); };
    PrintAndWait(*table);

    QCOMPARE(boxes_->boxes.size(), std::size_t{1});
    const MessageBox::Request& box = boxes_->boxes.front();
    CheckBox(box, QStringLiteral("Trackpace"), MessageBox::Icon::Exclamation);
    QCOMPARE(box.text, text);
    QCOMPARE(messageAtBox, QString());
    QVERIFY(!Find<QTimer>(*table, "tmrMsgTimer")->isActive());
    QVERIFY(table->isVisible());
    QCOMPARE(TemporaryFiles(), QStringList());
}

void TestPrint::pausedPrinter()
{
    printer_.outcome = {JobOutcome::State::Held, {}};
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    PrintAndWait(*table);
    QCOMPARE(boxes_->Texts(), QStringList{"Printer \"Desk Printer\" is paused. The table waits in its queue and will "
                                          "print when the printer is resumed."});
    QCOMPARE(boxes_->boxes.front().icon, MessageBox::Icon::Information);
    // The job is on its way, so the message stays for its two seconds.
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), Sending);
    QVERIFY(Find<QTimer>(*table, "tmrMsgTimer")->isActive());
    QCOMPARE(TemporaryFiles(), QStringList());
}

void TestPrint::fullTemporaryFolder()
{
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    {
        const FileSizeLimit full(1000);
        PrintAndWait(*table);
    }
    QCOMPARE(boxes_->Texts(), QStringList{QStringLiteral("The table could not be prepared for printer \"Desk Printer\" "
                                                         "in %1:\rFile too large\rNothing was printed.")
                                              .arg(temp_->path())});
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), QString());
    QVERIFY(printer_.spooled.isEmpty());
    QCOMPARE(TemporaryFiles(), QStringList());
}

void TestPrint::noPrinterOffersPdf_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("text");

    const QString none = QStringLiteral("No printer is set up on this computer.");
    const QString noDefault =
        QStringLiteral("Printers are set up on this computer, but none of them is the default printer.");
    const QString noScheduler =
        QStringLiteral("The printing system (CUPS) does not answer on this computer, so nothing can be printed.");
    QTest::newRow("no printers, Save") << int(PrinterChoice::Kind::NoPrinters) << true << none;
    QTest::newRow("no printers, Cancel") << int(PrinterChoice::Kind::NoPrinters) << false << none;
    QTest::newRow("no default, Save") << int(PrinterChoice::Kind::NoDefault) << true << noDefault;
    QTest::newRow("no scheduler, Save") << int(PrinterChoice::Kind::NoScheduler) << true << noScheduler;
    QTest::newRow("no scheduler, Cancel") << int(PrinterChoice::Kind::NoScheduler) << false << noScheduler;
}

void TestPrint::noPrinterOffersPdf()
{
    QFETCH(int, kind);
    QFETCH(bool, save);
    QFETCH(QString, text);
    General::ScaleDistance = 174.0F;
    printer_.kind = static_cast<PrinterChoice::Kind>(kind);
    boxes_->answer = save ? MessageBox::Answer::Save : MessageBox::Answer::Cancel;
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    PrintAndWait(*table);

    QCOMPARE(boxes_->boxes.size(), std::size_t{1});
    CheckBox(boxes_->boxes.front(), QStringLiteral("Trackpace"), MessageBox::Icon::Exclamation,
             MessageBox::Buttons::SaveCancel);
    QCOMPARE(boxes_->boxes.front().text, text + Offer);
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), QString());
    QVERIFY(!Find<QTimer>(*table, "tmrMsgTimer")->isActive());
    QVERIFY(printer_.spooled.isEmpty());
    const QString pdf = dir_->filePath(QStringLiteral("table.pdf"));
    QCOMPARE(QFile::exists(pdf), save);
    if (save) {
        QCOMPARE(PdfLines(pdf),
                 ExpectedPage(QStringLiteral("Run Length: 24 in. Scale: HO Distance: 174 scale ft."), RunTimes174));
    }
}

void TestPrint::pdfThatCannotBeWritten_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("full disk") << true;
    QTest::newRow("folder that takes no file") << false;
}

void TestPrint::pdfThatCannotBeWritten()
{
    QFETCH(bool, fullDisk);
    printer_.kind = PrinterChoice::Kind::NoPrinters;
    boxes_->answer = MessageBox::Answer::Save;
    QString path = dir_->filePath(QStringLiteral("table.pdf"));
    if (!fullDisk) {
        // Root writes into any folder; /proc takes no new file from anybody.
        path = ::geteuid() == 0 ? QStringLiteral("/proc/table.pdf") : path;
        QVERIFY(QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    table->AskPdfPath = [path] { return path; };
    {
        const std::unique_ptr<FileSizeLimit> full = fullDisk ? std::make_unique<FileSizeLimit>(1000) : nullptr;
        PrintAndWait(*table);
    }
    QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    const QString shown = boxes_->boxes.back().text;
    QVERIFY2(shown.startsWith(QStringLiteral("The table could not be saved as\r") + path + u'\r'), qPrintable(shown));
    QVERIFY2(shown.size() > QStringLiteral("The table could not be saved as\r\r").size() + path.size(), qPrintable(shown));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestPrint::printSystemThatNeverAnswers()
{
    // A print server that takes the connection and then says nothing, ever.
    const QByteArray socketPath = PathBytes(temp_->filePath(QStringLiteral("silent.sock")));
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
    QCOMPARE(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QCOMPARE(::listen(silent, 8), 0);
    const auto table = Table({false, QStringLiteral("24")}, SystemPrintRoute(socketPath));
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(100);
    QElapsedTimer waited;
    waited.start();
    QTest::mouseClick(Find<QPushButton>(*table, "cmdPrint"), Qt::LeftButton);
    // The window goes on answering: its timers fire, and it says what it is doing.
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 2000);
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), Sending);
    QTRY_COMPARE_WITH_TIMEOUT(boxes_->boxes.size(), std::size_t{1}, 12000);
    QVERIFY2(waited.elapsed() <= 12000, qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(boxes_->Texts(), QStringList{"The printing system does not answer. Nothing was sent to a printer, so "
                                          "nothing will print."});
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), QString());
    QVERIFY(!table->Printing());
    ::close(silent);
}

void TestPrint::missingTemporaryFolder()
{
    // TMPDIR names a folder that is not there: the document goes to the user's
    // runtime folder instead, never to the root folder.
    QTemporaryDir runtime;
    const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", PathBytes(runtime.path()));
    qputenv("TMPDIR", PathBytes(temp_->filePath(QStringLiteral("gone"))));
    const QStringList rootBefore = QDir(QStringLiteral("/")).entryList({"trackpace-*"}, QDir::Files);
    General::ScaleDistance = 174.0F;
    const auto table = Table({false, QStringLiteral("24")}, printer_.Route());
    PrintAndWait(*table);
    qputenv("XDG_RUNTIME_DIR", previousRuntime);
    QVERIFY2(boxes_->boxes.empty(), qPrintable(boxes_->Texts().join(u'|')));
    QCOMPARE(printer_.documents.size(), 1);
    QCOMPARE(QFileInfo(printer_.spooled.front()).absolutePath(), runtime.path());
    QCOMPARE(QDir(QStringLiteral("/")).entryList({"trackpace-*"}, QDir::Files), rootBefore);
    QCOMPARE(QDir(runtime.path()).entryList(QDir::Files), QStringList());
}

void TestPrint::schedulerThatDoesNotAnswer()
{
    // The system's own route, sent to a print server that is not there: a socket
    // path that nothing listens on, as when the scheduler is stopped.
    const auto table = Table({false, QStringLiteral("24")}, SystemPrintRoute(PathBytes(temp_->filePath("cups.sock"))));
    PrintAndWait(*table);
    QCOMPARE(boxes_->Texts(), QStringList{QStringLiteral("The printing system (CUPS) does not answer on this computer, "
                                                         "so nothing can be printed.") +
                                          Offer});
    QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), QString());
}

// The tests below need the real scheduler that CI starts, with a queue whose output
// is each document exactly as it was sent (TRACKPACE_CUPS_QUEUE, written into the
// folder TRACKPACE_CUPS_OUTPUT); the queue is the default printer.
void TestPrint::realQueueGetsTheDocument()
{
    const QString queue = RealQueue();
    const QDir output(qEnvironmentVariable("TRACKPACE_CUPS_OUTPUT"));
    struct Case {
        LengthEntry entry;
        QString scale;
        float feet;
        QString basis;
        QStringList runTimes;
    };
    const QList<Case> cases{
        {{false, QStringLiteral("24")}, "HO", 174.0F, "Run Length: 24 in. Scale: HO Distance: 174 scale ft.",
         RunTimes174},
        {{true, QStringLiteral("18")}, "HO", 819.0F, "Circle Radius: 18 in. Scale: HO Distance: 819 scale ft.",
         {"55.8", "27.9", "18.6", "14.0", "11.2", "9.3", "7.9", "7.0", "6.2", "5.6", "5.1", "4.7"}},
    };
    for (const Case& sent : cases) {
        const QStringList before = output.entryList({"job-*.pdf"}, QDir::Files);
        General::ScaleName = sent.scale;
        General::ScaleDistance = sent.feet;
        const auto table = Table(sent.entry, SystemPrintRoute());
        PrintAndWait(*table);
        QVERIFY2(boxes_->boxes.empty(), qPrintable(boxes_->Texts().join(u'|')));
        QCOMPARE(Find<QLabel>(*table, "lblMessage")->text(), Sending);
        QTRY_COMPARE_WITH_TIMEOUT(output.entryList({"job-*.pdf"}, QDir::Files).size(), before.size() + 1, 30000);
        QStringList now = output.entryList({"job-*.pdf"}, QDir::Files);
        for (const QString& old : before) {
            now.removeAll(old);
        }
        const QString document = output.filePath(now.front());
        QCOMPARE(PdfPages(document), 1);
        QCOMPARE(PdfLines(document), ExpectedPage(sent.basis, sent.runTimes));
        QCOMPARE(TemporaryFiles(), QStringList());
    }
}

void TestPrint::realQueueRefuses()
{
    const QString queue = RealQueue();
    RunTool(QStringLiteral("cupsreject"), {queue});
    const Restore accept({QStringLiteral("cupsaccept"), queue});
    const auto table = Table({false, QStringLiteral("24")}, SystemPrintRoute());
    QString messageAtBox = QStringLiteral("<no box>");
    boxes_->onShow = [&](const MessageBox::Request&) { messageAtBox = Find<QLabel>(*table, "lblMessage")->text(); };
    PrintAndWait(*table);
    QCOMPARE(boxes_->boxes.size(), std::size_t{1});
    QVERIFY2(boxes_->boxes.front().text.startsWith(QStringLiteral("Printer \"%1\" did not take the table:\r").arg(queue)),
             qPrintable(boxes_->boxes.front().text));
    QVERIFY2(boxes_->boxes.front().text.contains(QStringLiteral("not accepting jobs")), qPrintable(boxes_->boxes.front().text));
    QCOMPARE(messageAtBox, QString());
    QCOMPARE(RunTool(QStringLiteral("lpstat"), {"-o", queue}).trimmed(), QString());
    QCOMPARE(TemporaryFiles(), QStringList());
}

void TestPrint::realQueuePaused()
{
    const QString queue = RealQueue();
    RunTool(QStringLiteral("cupsdisable"), {queue});
    const Restore enable({QStringLiteral("cupsenable"), queue});
    const Restore cancel({QStringLiteral("cancel"), QStringLiteral("-a"), queue});
    const auto table = Table({false, QStringLiteral("24")}, SystemPrintRoute());
    PrintAndWait(*table);
    QCOMPARE(boxes_->Texts(), QStringList{QStringLiteral("Printer \"%1\" is paused. The table waits in its queue and "
                                                         "will print when the printer is resumed.")
                                              .arg(queue)});
    const QStringList held = RunTool(QStringLiteral("lpstat"), {"-o", queue}).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(held.size(), 1);
    QCOMPARE(TemporaryFiles(), QStringList());
}

void TestPrint::realDefaultThatIsNotSetUp()
{
    // The user's own choice of default names a queue the scheduler does not have.
    const QByteArray previous = qgetenv("PRINTER");
    qputenv("PRINTER", "NoSuchQueue");
    const auto table = Table({false, QStringLiteral("24")}, SystemPrintRoute());
    PrintAndWait(*table);
    qputenv("PRINTER", previous);
    QCOMPARE(boxes_->Texts(), QStringList{QStringLiteral("The default printer \"NoSuchQueue\" is not set up on this "
                                                         "computer (it may have been removed).") +
                                          Offer});
    // A queue that is gone by the time the document reaches the scheduler.
    const QString document = dir_->filePath(QStringLiteral("page.pdf"));
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(TablePagePdf(PdfFilePageLayout(), PrintBasisLine({false, "24"}, "HO", 174.0F), TableRowsOf(174.0F)));
    file.close();
    QCOMPARE(SystemPrintRoute().submit(QStringLiteral("NoSuchQueue"), document, TablePageTitle).state,
             JobOutcome::State::Gone);
}

void TestPrint::realPrintersWithoutDefault()
{
    const QString queue = RealQueue();
    // The queue taken away leaves no printer (where it was the only one); set up
    // again, it is no longer the default.
    const QString device = RunTool(QStringLiteral("lpstat"), {"-v", queue}).section(QStringLiteral(": "), 1).trimmed();
    QVERIFY2(!device.isEmpty(), "the queue's device is not known");
    const QStringList others = RunTool(QStringLiteral("lpstat"), {"-e"}).split(u'\n', Qt::SkipEmptyParts);
    int status = -1;
    RunTool(QStringLiteral("lpadmin"), {"-x", queue}, &status);
    const Restore makeDefault({QStringLiteral("sh"), QStringLiteral("-c"),
                               QStringLiteral("lpadmin -p '%1' -E -v '%2' -m raw; lpadmin -d '%1'").arg(queue, device)});
    QCOMPARE(status, 0);
    const auto table = Table({false, QStringLiteral("24")}, SystemPrintRoute());
    // With the only queue gone: no printer at all.
    if (others == QStringList{queue}) {
        PrintAndWait(*table);
        QCOMPARE(boxes_->Texts(), QStringList{QStringLiteral("No printer is set up on this computer.") + Offer});
        boxes_->boxes.clear();
    }
    RunTool(QStringLiteral("lpadmin"), {"-p", queue, "-E", "-v", device, "-m", "raw"}, &status);
    QCOMPARE(status, 0);
    PrintAndWait(*table);
    QCOMPARE(boxes_->Texts(), QStringList{QStringLiteral("Printers are set up on this computer, but none of them is "
                                                         "the default printer.") +
                                          Offer});
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
