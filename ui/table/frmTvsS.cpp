// The table window: drawing, the status message and the Print button.
#include "ui/table/frmTvsS.h"

#include "core/Files.h"
#include "core/General.h"
#include "core/MessageBox.h"
#include "ui/Aside.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"
#include "ui/table/TablePrint.h"
#include "ui/table/ZonedText.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

namespace {

constexpr int ClientWidth = 354;
constexpr int ClientHeight = 298;
constexpr int MessageMillis = 2000;
// How long the print system may take to answer before the user is told.
constexpr int NoAnswerMillis = 10000;
const QString SendingText = QStringLiteral("Sending table to printer");
const QString OfferText = QStringLiteral("\rSave the table as a PDF file instead?");

// Fills the temporary file `spool` (made and later removed by it) with `pdf`,
// unbuffered, so that a full folder is reported with the system's reason.
std::optional<QString> SpoolTo(QTemporaryFile& spool, const QByteArray& pdf)
{
    if (!spool.open()) {
        return spool.errorString();
    }
    QFile file(spool.fileName());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    return WriteAll(file, QByteArrayView(pdf));
}

QString NoPrinterText(const PrinterChoice& why)
{
    switch (why.kind) {
    case PrinterChoice::Kind::MissingDefault:
        return QStringLiteral("The default printer \"%1\" is not set up on this computer (it may have been removed).")
            .arg(why.name);
    case PrinterChoice::Kind::NoScheduler:
        return QStringLiteral("The printing system (CUPS) does not answer on this computer, so nothing can be "
                              "printed.");
    case PrinterChoice::Kind::NoDefault:
        return QStringLiteral("Printers are set up on this computer, but none of them is the default printer.");
    case PrinterChoice::Kind::NoPrinters:
    case PrinterChoice::Kind::Default:
        break;
    }
    return QStringLiteral("No printer is set up on this computer.");
}

QString AskPdfPathWithDialog(QWidget* parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Table as PDF"),
                                        QStringLiteral("Trackpace table.pdf"),
                                        QStringLiteral("PDF files (*.pdf)"));
}

}  // namespace

frmTvsS::frmTvsS(QWidget* owner, std::function<LengthEntry()> mainEntry)
    : QDialog(owner, DialogFlags()),
      Route(SystemPrintRoute()),
      AskPdfPath([this] { return AskPdfPathWithDialog(this); }),
      mainEntry_(std::move(mainEntry))
{
    setObjectName(QStringLiteral("frmTvsS"));
    setWindowTitle(QStringLiteral("Trackpace - Time vs. Speed Table"));
    setWindowIcon(StopwatchIcon());
    setFont(WindowFont());
    setFixedSize(ClientWidth, ClientHeight);

    cmdPrint = Place(new QPushButton(QStringLiteral("Print"), this), QStringLiteral("cmdPrint"), 2640, 3840, 972, 372);
    cmdPrint->setFont(ArialFont(9.75, true));
    cmdPrint->setToolTip(QStringLiteral(" Print the table "));
    auto* cmdExit = Place(new QPushButton(QStringLiteral("Exit"), this), QStringLiteral("cmdExit"), 3840, 3840, 972, 372);
    cmdExit->setFont(ArialFont(9.75, true));
    Place(new QLabel(QStringLiteral("This table is based on the following information:"), this),
          QStringLiteral("lblExplain"), 480, 120, 3492, 252);
    lblInfo1 = Place(new QLabel(QStringLiteral("Info Line"), this), QStringLiteral("lblInfo1"), 120, 360, 5052, 252);
    lblInfo1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMessage = Place(new QLabel(QStringLiteral("No Message"), this), QStringLiteral("lblMessage"), 990, 3915, 1035, 210);
    lblMessage->setFont(ArialFont(8.25, true));
    lblMessage->setAlignment(Qt::AlignCenter);
    messageCentre_ = lblMessage->geometry().center().x();
    tmrMsgTimer = new QTimer(this);
    tmrMsgTimer->setObjectName(QStringLiteral("tmrMsgTimer"));
    tmrMsgTimer->setInterval(MessageMillis);
    tmrMsgTimer->setSingleShot(true);
    // Two seconds, not the few percent either way that a coarse timer allows.
    tmrMsgTimer->setTimerType(Qt::PreciseTimer);

    // Only the buttons take the focus. Neither is ever the default button (not even
    // for a moment, after a message box); Enter presses the focused one (keyPressEvent).
    for (QPushButton* button : {cmdPrint, cmdExit}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(cmdPrint, cmdExit);
    cmdPrint->setFocus();

    connect(cmdPrint, &QPushButton::clicked, this, &frmTvsS::Print);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::accept);
    connect(tmrMsgTimer, &QTimer::timeout, this, &frmTvsS::MsgTimerTick);
    Load();
}

void frmTvsS::Load()
{
    SetMessage(QString());
}

void frmTvsS::SetInfoLine(const QString& line)
{
    lblInfo1->setText(line);
}

void frmTvsS::SetMessage(const QString& text)
{
    lblMessage->setText(text);
    // The label grows around its own centre, which keeps it clear of Print.
    const int width = std::max(Px(1035), lblMessage->sizeHint().width());
    QRect area = lblMessage->geometry();
    area.setWidth(width);
    area.moveLeft(messageCentre_ - width / 2);
    lblMessage->setGeometry(area);
}

void frmTvsS::MsgTimerTick()
{
    tmrMsgTimer->stop();
    // While the print system has not answered yet, the table is still being sent.
    if (waiting_ == 0) {
        SetMessage(QString());
    }
}

void frmTvsS::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QPoint topLeft(Px(480), Px(600));
    const QPoint bottomRight(Px(4800), Px(3600));
    painter.drawLine(topLeft, QPoint(bottomRight.x(), topLeft.y()));
    painter.drawLine(QPoint(topLeft.x(), bottomRight.y()), bottomRight);
    painter.drawLine(topLeft, QPoint(topLeft.x(), bottomRight.y()));
    painter.drawLine(QPoint(bottomRight.x(), topLeft.y()), bottomRight);
    painter.setFont(WindowFont());
    ZonedText writer(painter);
    const TableRows rows = TableRowsOf(General::ScaleDistance);
    // The drawing leaves the last row's run time in the work value, as each row's
    // was there while it was written.
    General::WorkTime = rows.back().runTime;
    writer.WriteLines(ScreenTableLines(rows));
}

void frmTvsS::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Esc closes nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmTvsS::Print()
{
    // Everything the page needs is taken now, as the click finds it.
    const QString basis = PrintBasisLine(mainEntry_(), General::ScaleName, General::ScaleDistance);
    const TableRows rows = TableRowsOf(General::ScaleDistance);
    General::WorkTime = rows.back().runTime;
    SetMessage(SendingText);
    tmrMsgTimer->start();
    repaint();
    auto run = std::make_shared<PrintRun>();
    ++waiting_;
    QTimer::singleShot(NoAnswerMillis, this, [this, run] { NoAnswer(run); });
    RunAside<PrinterChoice>(Route.findPrinter,
                            [self = QPointer<frmTvsS>(this), run, basis, rows](PrinterChoice choice) {
                                if (self) {
                                    self->PrinterFound(run, choice, basis, rows);
                                }
                            });
}

void frmTvsS::Finished(PrintRun& run)
{
    if (run.phase == PrintRun::Phase::Abandoned || run.phase == PrintRun::Phase::Done) {
        return;
    }
    run.phase = PrintRun::Phase::Done;
    --waiting_;
    // A job that took longer than the message's two seconds kept it up until now.
    if (waiting_ == 0 && !tmrMsgTimer->isActive()) {
        SetMessage(QString());
    }
}

void frmTvsS::PrinterFound(const std::shared_ptr<PrintRun>& run, const PrinterChoice& choice, const QString& basis,
                           const TableRows& rows)
{
    if (run->phase == PrintRun::Phase::Abandoned) {
        // The user has been told that nothing was sent; nothing is.
        return;
    }
    if (choice.kind != PrinterChoice::Kind::Default) {
        Finished(*run);
        StopMessage();
        OfferPdf(choice, basis, rows);
        return;
    }
    if (!Route.submit) {
        Finished(*run);
        PrintNatively(choice.name, basis, rows);
        return;
    }
    // The page goes to the print system as a PDF document in a temporary file, which
    // the request removes again however the job fares.
    const QByteArray pdf = TablePagePdf(PrinterPageLayout(choice.name), basis, rows);
    const QString folder = SpoolFolder();
    QTemporaryFile spool(folder + QStringLiteral("/trackpace-table-XXXXXX.pdf"));
    spool.setAutoRemove(false);
    const std::optional<QString> failure =
        pdf.isEmpty() ? QStringLiteral("The page could not be composed.") : SpoolTo(spool, pdf);
    if (failure) {
        Finished(*run);
        spool.remove();
        ReportNotPrinted(QStringLiteral("The table could not be prepared for printer \"%1\" in %2:\r%3\r"
                                        "Nothing was printed.")
                             .arg(choice.name, QDir::toNativeSeparators(folder), *failure));
        return;
    }
    spool.close();
    run->phase = PrintRun::Phase::Submitting;
    run->printer = choice.name;
    const QString path = spool.fileName();
    RunAside<JobOutcome>(
        [submit = Route.submit, printer = choice.name, path] {
            const JobOutcome outcome = submit(printer, path, TablePageTitle);
            QFile::remove(path);
            return outcome;
        },
        [self = QPointer<frmTvsS>(this), run](JobOutcome outcome) {
            if (self) {
                self->Submitted(run, outcome);
            } else {
                // The window has been closed meanwhile; what became of the job is still told.
                ReportOutcome(run->printer, outcome);
            }
        });
}

void frmTvsS::Submitted(const std::shared_ptr<PrintRun>& run, const JobOutcome& outcome)
{
    const bool told = run->phase == PrintRun::Phase::Abandoned;
    Finished(*run);
    if (outcome.state == JobOutcome::State::Refused || outcome.state == JobOutcome::State::Gone) {
        // Nothing is on its way: the status message must not say otherwise.
        if (waiting_ == 0) {
            StopMessage();
        }
    }
    // An answer after "does not answer" is told only where it is news: a refusal.
    if (!told || outcome.state != JobOutcome::State::Accepted) {
        ReportOutcome(run->printer, outcome);
    }
}

void frmTvsS::NoAnswer(const std::shared_ptr<PrintRun>& run)
{
    const PrintRun::Phase phase = run->phase;
    if (phase == PrintRun::Phase::Done || phase == PrintRun::Phase::Abandoned) {
        return;
    }
    --waiting_;
    run->phase = PrintRun::Phase::Abandoned;
    if (waiting_ == 0) {
        StopMessage();
    }
    const QString text =
        phase == PrintRun::Phase::Finding
            ? QStringLiteral("The printing system does not answer. Nothing was sent to a printer, so nothing "
                             "will print.")
            : QStringLiteral("The printing system does not answer. The table was being handed to printer \"%1\"; "
                             "it may still print once the printing system answers.")
                  .arg(run->printer);
    MessageBox::Show(General::AppTitle, text, MessageBox::Icon::Exclamation);
}

void frmTvsS::StopMessage()
{
    tmrMsgTimer->stop();
    SetMessage(QString());
}

void frmTvsS::ReportNotPrinted(const QString& text)
{
    // Nothing is on its way: the status message must not say otherwise.
    StopMessage();
    MessageBox::Show(General::AppTitle, text, MessageBox::Icon::Exclamation);
}

void frmTvsS::ReportOutcome(const QString& printer, const JobOutcome& outcome)
{
    QString text;
    MessageBox::Icon icon = MessageBox::Icon::Exclamation;
    switch (outcome.state) {
    case JobOutcome::State::Accepted:
        return;
    case JobOutcome::State::Refused:
        text = QStringLiteral("Printer \"%1\" did not take the table:\r%2\rNothing was printed.").arg(printer, outcome.reason);
        break;
    case JobOutcome::State::Gone:
        text = QStringLiteral("Printer \"%1\" disappeared while the table was being sent to it: it is no longer set "
                              "up on this computer.\rNothing was printed.")
                   .arg(printer);
        break;
    case JobOutcome::State::Held:
        text = QStringLiteral("Printer \"%1\" is paused. The table waits in its queue and will print when the "
                              "printer is resumed.")
                   .arg(printer);
        icon = MessageBox::Icon::Information;
        break;
    }
    MessageBox::Show(General::AppTitle, text, icon);
}

void frmTvsS::PrintNatively(const QString& printer, const QString& basis, const TableRows& rows)
{
    QPrinter device(QPrinterInfo::printerInfo(printer), QPrinter::HighResolution);
    device.setDocName(TablePageTitle);
    const bool composed = ComposeTablePage(device, basis, rows);
    if (!composed || device.printerState() == QPrinter::Error) {
        ReportNotPrinted(QStringLiteral("Printer \"%1\" reported an error.\rNothing was printed.").arg(printer));
    }
}

void frmTvsS::OfferPdf(const PrinterChoice& why, const QString& basis, const TableRows& rows)
{
    if (!MessageBox::AskSave(General::AppTitle, NoPrinterText(why) + OfferText, MessageBox::Icon::Exclamation)) {
        return;
    }
    const QString path = AskPdfPath();
    if (path.isEmpty()) {
        return;
    }
    const QByteArray pdf = TablePagePdf(PdfFilePageLayout(), basis, rows);
    const std::optional<QString> failure =
        pdf.isEmpty() ? QStringLiteral("The page could not be composed.") : WriteWholeFile(path, pdf);
    if (failure) {
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("The table could not be saved as\r%1\r%2")
                             .arg(QDir::toNativeSeparators(path), *failure),
                         MessageBox::Icon::Exclamation);
    }
}
