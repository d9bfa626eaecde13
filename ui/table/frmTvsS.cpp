// The table window: drawing, the status message and the Print button.
#include "ui/table/frmTvsS.h"

#include "core/General.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"
#include "ui/print/PagePrinter.h"
#include "ui/table/TablePrint.h"
#include "ui/table/ZonedText.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int ClientWidth = 354;
constexpr int ClientHeight = 298;
constexpr int MessageMillis = 2000;
const QString SendingText = QStringLiteral("Sending table to printer");

}  // namespace

frmTvsS::frmTvsS(QWidget* owner, std::function<LengthEntry()> mainEntry)
    : QDialog(owner, DialogFlags()),
      Route(SystemPrintRoute()),
      AskPdfPath([this] { return AskPdfFile(this, QStringLiteral("Save Table as PDF"), QStringLiteral("Trackpace table.pdf")); }),
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
    printer_ = new PagePrinter(this);
    connect(printer_, &PagePrinter::NothingSent, this, &frmTvsS::StopMessage);
    // A job that took longer than the message's two seconds kept it up until now.
    connect(printer_, &PagePrinter::AllAnswered, this, [this] {
        if (!tmrMsgTimer->isActive()) {
            SetMessage(QString());
        }
    });
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
    if (!printer_->Printing()) {
        SetMessage(QString());
    }
}

bool frmTvsS::Printing() const
{
    return printer_->Printing();
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
    printer_->Route = Route;
    printer_->AskPdfPath = AskPdfPath;
    printer_->Print({TablePageTitle, QStringLiteral("table"), [basis, rows](QPagedPaintDevice& device) {
                         return ComposeTablePage(device, basis, rows);
                     }});
}

void frmTvsS::StopMessage()
{
    tmrMsgTimer->stop();
    SetMessage(QString());
}
