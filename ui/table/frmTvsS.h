// The TIME vs. SPEED table window, with printing of the table.
#pragma once

#include "ui/table/PrintJob.h"
#include "ui/table/TablePage.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

// Opened modally by the main window after it has set lblInfo1. The table is drawn
// from the shared scale distance on every paint, so covering and uncovering the
// window keeps it; the window holds no table of its own.
class frmTvsS : public QDialog {
    Q_OBJECT

public:
    // `mainEntry` reads the main window's length entry when a page is printed.
    frmTvsS(QWidget* owner, std::function<LengthEntry()> mainEntry);

    QPushButton* cmdPrint;
    QPushButton* cmdExit;
    QLabel* lblExplain;
    QLabel* lblInfo1;
    QLabel* lblMessage;
    QTimer* tmrMsgTimer;

    // Replaceable for tests: the way to the printer, and where the user wants a PDF
    // written when there is none (empty: not at all).
    PrintRoute Route;
    std::function<QString()> AskPdfPath;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Load();
    void Print();
    void PrintThroughSpool(const QString& printer, const QString& basis);
    void PrintNatively(const QString& printer, const QString& basis);
    void ReportNotPrinted(const QString& text);
    void OfferPdf(PrinterChoice::Kind why, const QString& basis);
    void SetMessage(const QString& text);
    void MsgTimerTick();

    std::function<LengthEntry()> mainEntry_;
    int messageCentre_;
};
