// The table window: drawing, the status message and the Print button.
#include "ui/table/frmTvsS.h"

#include "core/General.h"
#include "core/MessageBox.h"
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
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

namespace {

constexpr int ClientWidth = 354;
constexpr int ClientHeight = 298;
constexpr int MessageMillis = 2000;
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
    return WriteAll(file, pdf);
}

QString NoPrinterText(PrinterChoice::Kind why)
{
    switch (why) {
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
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Route(SystemPrintRoute()),
      AskPdfPath([this] { return AskPdfPathWithDialog(this); }),
      mainEntry_(std::move(mainEntry))
{
    setWindowTitle(QStringLiteral("Trackpace - Time vs. Speed Table"));
    setWindowIcon(StopwatchIcon());
    setFont(WindowFont());
    setFixedSize(ClientWidth, ClientHeight);

    cmdPrint = Place(new QPushButton(QStringLiteral("Print"), this), 2640, 3840, 972, 372);
    cmdPrint->setFont(ArialFont(9.75, true));
    cmdPrint->setToolTip(QStringLiteral(" Print the table "));
    cmdExit = Place(new QPushButton(QStringLiteral("Exit"), this), 3840, 3840, 972, 372);
    cmdExit->setFont(ArialFont(9.75, true));
    lblExplain = Place(new QLabel(QStringLiteral("This table is based on the following information:"), this),
                       480, 120, 3492, 252);
    lblInfo1 = Place(new QLabel(QStringLiteral("Info Line"), this), 120, 360, 5052, 252);
    lblInfo1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMessage = Place(new QLabel(QStringLiteral("No Message"), this), 990, 3915, 1035, 210);
    lblMessage->setFont(ArialFont(8.25, true));
    lblMessage->setAlignment(Qt::AlignCenter);
    messageCentre_ = lblMessage->geometry().center().x();
    tmrMsgTimer = new QTimer(this);
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
    SetMessage(QString());
    tmrMsgTimer->stop();
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
    writer.WriteLines(ScreenTableLines(General::ScaleDistance, General::WorkTime));
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
    const QString basis = PrintBasisLine(mainEntry_(), General::ScaleName, General::ScaleDistance);
    const PrinterChoice choice = Route.findPrinter();
    if (choice.kind != PrinterChoice::Kind::Default) {
        OfferPdf(choice.kind, basis);
        return;
    }
    SetMessage(SendingText);
    tmrMsgTimer->start();
    repaint();
    if (Route.submit) {
        PrintThroughSpool(choice.name, basis);
    } else {
        PrintNatively(choice.name, basis);
    }
}

void frmTvsS::ReportNotPrinted(const QString& text)
{
    // Nothing is on its way: the status message must not say otherwise.
    tmrMsgTimer->stop();
    SetMessage(QString());
    MessageBox::Show(General::AppTitle, text, MessageBox::Icon::Exclamation);
}

void frmTvsS::PrintThroughSpool(const QString& printer, const QString& basis)
{
    // The page goes to the print system as a PDF document in a temporary file, which
    // is removed again however the job fares.
    const QByteArray pdf = TablePagePdf(PrinterPageLayout(printer), basis, General::ScaleDistance, General::WorkTime);
    QTemporaryFile spool(QDir::tempPath() + QStringLiteral("/trackpace-table-XXXXXX.pdf"));
    const std::optional<QString> failure = pdf.isEmpty() ? QStringLiteral("The page could not be composed.")
                                                         : SpoolTo(spool, pdf);
    if (failure) {
        ReportNotPrinted(QStringLiteral("The table could not be prepared for printer \"%1\" in %2:\r%3\r"
                                        "Nothing was printed.")
                             .arg(printer, QDir::toNativeSeparators(QDir::tempPath()), *failure));
        return;
    }
    spool.close();
    const JobOutcome outcome = Route.submit(printer, spool.fileName(), TablePageTitle);
    if (outcome.state == JobOutcome::State::Refused) {
        ReportNotPrinted(QStringLiteral("Printer \"%1\" did not take the table:\r%2\rNothing was printed.")
                             .arg(printer, outcome.reason));
    } else if (outcome.state == JobOutcome::State::Held) {
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("Printer \"%1\" is paused. The table waits in its queue and will print "
                                        "when the printer is resumed.")
                             .arg(printer),
                         MessageBox::Icon::Information);
    }
}

void frmTvsS::PrintNatively(const QString& printer, const QString& basis)
{
    QPrinter device(QPrinterInfo::printerInfo(printer), QPrinter::HighResolution);
    device.setDocName(TablePageTitle);
    const bool composed = ComposeTablePage(device, basis, General::ScaleDistance, General::WorkTime);
    if (!composed || device.printerState() == QPrinter::Error) {
        ReportNotPrinted(QStringLiteral("Printer \"%1\" reported an error.\rNothing was printed.").arg(printer));
    }
}

void frmTvsS::OfferPdf(PrinterChoice::Kind why, const QString& basis)
{
    if (!MessageBox::AskSave(General::AppTitle, NoPrinterText(why) + OfferText, MessageBox::Icon::Exclamation)) {
        return;
    }
    const QString path = AskPdfPath();
    if (path.isEmpty()) {
        return;
    }
    const QByteArray pdf = TablePagePdf(PdfFilePageLayout(), basis, General::ScaleDistance, General::WorkTime);
    const std::optional<QString> failure =
        pdf.isEmpty() ? QStringLiteral("The page could not be composed.") : WriteWholeFile(path, pdf);
    if (failure) {
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("The table could not be saved as\r%1\r%2")
                             .arg(QDir::toNativeSeparators(path), *failure),
                         MessageBox::Icon::Exclamation);
    }
}
