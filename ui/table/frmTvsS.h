// The TIME vs. SPEED table window, with printing of the table.
#pragma once

#include "ui/print/PrintJob.h"
#include "ui/table/TablePage.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

// Opened modally by the main window after it has set the information line. The
// table is drawn from the shared scale distance on every paint, so covering and
// uncovering the window keeps it; the window holds no table of its own. Its controls
// carry their control names (cmdPrint, lblInfo1, tmrMsgTimer …) as object names.
class frmTvsS : public QDialog {
    Q_OBJECT

public:
    // `mainEntry` reads the main window's length entry when a page is printed.
    frmTvsS(QWidget* owner, std::function<LengthEntry()> mainEntry);

    // The caption of lblInfo1, set by the main window before it shows the window.
    void SetInfoLine(const QString& line);

    // Replaceable for tests: the way to the printer, and where the user wants a PDF
    // written when there is none (empty: not at all).
    PrintRoute Route;
    std::function<QString()> AskPdfPath;
    // True while a Print still waits for the print system's answer.
    bool Printing() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Load();
    void Print();
    void SetMessage(const QString& text);
    void StopMessage();
    void MsgTimerTick();

    QPushButton* cmdPrint = nullptr;
    QLabel* lblInfo1 = nullptr;
    QLabel* lblMessage = nullptr;
    QTimer* tmrMsgTimer = nullptr;
    class PagePrinter* printer_ = nullptr;
    std::function<LengthEntry()> mainEntry_;
    int messageCentre_;
};
