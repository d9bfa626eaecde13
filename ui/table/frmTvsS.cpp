// The table window: drawing, the status message and the Print button.
#include "ui/table/frmTvsS.h"

#include "core/General.h"
#include "core/MessageBox.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"
#include "ui/table/TablePrint.h"
#include "ui/table/ZonedText.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int ClientWidth = 354;
constexpr int ClientHeight = 298;
constexpr int MessageMillis = 2000;
const QString SendingText = QStringLiteral("Sending table to printer");

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
      DefaultPrinter(&QPrinterInfo::defaultPrinter),
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

    // Only the buttons take the focus; Enter presses the focused one.
    for (QPushButton* button : {cmdPrint, cmdExit}) {
        button->setAutoDefault(true);
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
    QDialog::keyPressEvent(event);
}

void frmTvsS::Print()
{
    const QString basis = PrintBasisLine(mainEntry_(), General::ScaleName, General::ScaleDistance);
    const QPrinterInfo info = DefaultPrinter();
    if (info.isNull()) {
        OfferPdf(basis);
        return;
    }
    SetMessage(SendingText);
    tmrMsgTimer->start();
    repaint();
    PrintOn(info, basis);
}

void frmTvsS::PrintOn(const QPrinterInfo& info, const QString& basis)
{
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Trackpace - TIME vs. SPEED Table"));
    const bool composed = ComposeTablePage(printer, basis, General::ScaleDistance, General::WorkTime);
    if (!composed || printer.printerState() == QPrinter::Error) {
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("Printer \"%1\" reported an error.\rThe table could not be printed.")
                             .arg(info.printerName()),
                         MessageBox::Icon::Exclamation);
    }
}

void frmTvsS::OfferPdf(const QString& basis)
{
    const bool save = MessageBox::AskSave(
        General::AppTitle,
        QStringLiteral("No printer is set up on this computer.\rSave the table as a PDF file instead?"),
        MessageBox::Icon::Exclamation);
    if (!save) {
        return;
    }
    const QString path = AskPdfPath();
    if (path.isEmpty()) {
        return;
    }
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    if (!ComposeTablePage(pdf, basis, General::ScaleDistance, General::WorkTime)) {
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("The table could not be saved as\r%1").arg(path),
                         MessageBox::Icon::Exclamation);
    }
}
