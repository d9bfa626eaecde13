// Printing one page on the default printer: the print system asked aside, every way a job fares told in a box.
#pragma once

#include "ui/print/PrintJob.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QWidget;

// A page to print: what it is called in the queue, what the boxes call it ("table"),
// and how it is drawn onto a device (false where no painter could begin).
struct PrintedPage {
    QString title;
    QString noun;
    std::function<bool(QPagedPaintDevice& device)> compose;
};

// A PDF file's path chosen in the file dialog, which opens in the folder used last for
// a PDF file, else in the user's Documents folder; empty where none was chosen.
QString AskPdfFile(QWidget* window, const QString& caption, const QString& suggested);

// Sends a page to the default printer. Where the print system has CUPS the page goes
// as a PDF document through a temporary file; elsewhere through Qt's printing. The
// print system is never waited on: its requests run aside, and after 10 s without an
// answer a box says so. Where there is no printer the user is offered a PDF file.
class PagePrinter : public QObject {
    Q_OBJECT

public:
    explicit PagePrinter(QWidget* window);
    ~PagePrinter() override;

    // Replaceable for tests: the way to the printer, and where the user wants a PDF
    // written when there is none (empty: not at all).
    PrintRoute Route;
    std::function<QString()> AskPdfPath;

    void Print(const PrintedPage& page);
    // The page as a PDF file at a path the user chooses (AskPdfPath).
    void SavePdf(const PrintedPage& page);
    // True while a Print still waits for the print system's answer.
    bool Printing() const { return waiting_ > 0; }

signals:
    // Nothing is on its way: a message that the page is being sent must go.
    void NothingSent();
    // The print system has answered every Print (or has been given up on).
    void AllAnswered();

private:
    struct Run;
    void Found(const std::shared_ptr<Run>& run, const PrinterChoice& choice);
    void Submitted(const std::shared_ptr<Run>& run, const JobOutcome& outcome);
    void NoAnswer(const std::shared_ptr<Run>& run);
    void Finished(Run& run);
    void NotPrinted(const QString& text);
    void OfferPdf(const PrinterChoice& why, const PrintedPage& page);

    QWidget* window_;
    int waiting_ = 0;
};
