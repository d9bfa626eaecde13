// The TIME vs. SPEED table window, with printing of the table.
#pragma once

#include "ui/table/TablePage.h"

#include <QDialog>
#include <QPrinterInfo>

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

    // Replaceable for tests: which printer counts as the default, and where the
    // user wants a PDF written when there is none (empty: not at all).
    std::function<QPrinterInfo()> DefaultPrinter;
    std::function<QString()> AskPdfPath;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Load();
    void Print();
    void PrintOn(const QPrinterInfo& info, const QString& basis);
    void OfferPdf(const QString& basis);
    void SetMessage(const QString& text);
    void MsgTimerTick();

    std::function<LengthEntry()> mainEntry_;
    int messageCentre_;
};
