// The print flow of a page: the printer looked up, the document spooled and handed over, the outcome told.
#include "ui/print/PagePrinter.h"

#include "core/Files.h"
#include "core/General.h"
#include "core/MessageBox.h"
#include "core/ProgramFolders.h"
#include "ui/Aside.h"
#include "ui/print/PagePdf.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <QTimer>
#include <QWidget>

namespace {

// How long the print system may take to answer before the user is told.
constexpr int NoAnswerMillis = 10000;

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
    case PrinterChoice::Kind::NoRoute:
        return QStringLiteral("Nothing can be printed: %1").arg(why.name);
    case PrinterChoice::Kind::NoPrinters:
    case PrinterChoice::Kind::Default:
        break;
    }
    return QStringLiteral("No printer is set up on this computer.");
}

void Warn(const QString& text)
{
    MessageBox::Show(General::AppTitle, text, MessageBox::Icon::Exclamation);
}

// What became of a job, told once it is known; nothing where the printer took it.
void ReportOutcome(const QString& printer, const QString& noun, const JobOutcome& outcome)
{
    switch (outcome.state) {
    case JobOutcome::State::Accepted:
        return;
    case JobOutcome::State::Refused:
        Warn(QStringLiteral("Printer \"%1\" did not take the %2:\r%3\rNothing was printed.")
                 .arg(printer, noun, outcome.reason));
        return;
    case JobOutcome::State::Gone:
        Warn(QStringLiteral("Printer \"%1\" disappeared while the %2 was being sent to it: it is no longer set up "
                            "on this computer.\rNothing was printed.")
                 .arg(printer, noun));
        return;
    case JobOutcome::State::Held:
        MessageBox::Show(General::AppTitle,
                         QStringLiteral("Printer \"%1\" is paused. The %2 waits in its queue and will print when the "
                                        "printer is resumed.")
                             .arg(printer, noun),
                         MessageBox::Icon::Information);
        return;
    }
}

}  // namespace

// One click on Print, from the look-up of the printer to the print system's answer.
// Its requests run aside (see RunAside); this stays on the window's thread.
struct PagePrinter::Run {
    enum class Phase { Finding, Submitting, Done, Abandoned };
    Phase phase = Phase::Finding;
    PrintedPage page;
    QString printer;
};

QString AskPdfFile(QWidget* window, const QString& caption, const QString& suggested)
{
    // In the folder used last for a PDF file, else in Documents: never the working folder.
    return QFileDialog::getSaveFileName(window, caption,
                                        QDir(DialogFolder(General::LastPdfFolder)).filePath(suggested),
                                        QStringLiteral("PDF files (*.pdf)"));
}

PagePrinter::PagePrinter(QWidget* window)
    : QObject(window),
      Route(SystemPrintRoute()),
      AskPdfPath([window] { return AskPdfFile(window, QStringLiteral("Save as PDF"), QStringLiteral("Trackpace.pdf")); }),
      window_(window)
{
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::Print(const PrintedPage& page)
{
    auto run = std::make_shared<Run>();
    run->page = page;
    ++waiting_;
    QTimer::singleShot(NoAnswerMillis, this, [this, run] { NoAnswer(run); });
    RunAside<PrinterChoice>(Route.findPrinter, [self = QPointer<PagePrinter>(this), run](PrinterChoice choice) {
        if (self) {
            self->Found(run, choice);
        }
    });
}

void PagePrinter::Finished(Run& run)
{
    if (run.phase == Run::Phase::Abandoned || run.phase == Run::Phase::Done) {
        return;
    }
    run.phase = Run::Phase::Done;
    --waiting_;
    if (waiting_ == 0) {
        emit AllAnswered();
    }
}

void PagePrinter::NotPrinted(const QString& text)
{
    emit NothingSent();
    Warn(text);
}

void PagePrinter::Found(const std::shared_ptr<Run>& run, const PrinterChoice& choice)
{
    if (run->phase == Run::Phase::Abandoned) {
        // The user has been told that nothing was sent; nothing is.
        return;
    }
    if (choice.kind != PrinterChoice::Kind::Default) {
        Finished(*run);
        emit NothingSent();
        OfferPdf(choice, run->page);
        return;
    }
    if (!Route.submit) {
        Finished(*run);
        QPrinter device(QPrinterInfo::printerInfo(choice.name), QPrinter::HighResolution);
        device.setDocName(run->page.title);
        if (!run->page.compose(device) || device.printerState() == QPrinter::Error) {
            NotPrinted(QStringLiteral("Printer \"%1\" reported an error.\rNothing was printed.").arg(choice.name));
        }
        return;
    }
    // The page goes to the print system as a PDF document in a temporary file, which
    // the request removes again however the job fares.
    const QByteArray pdf = PagePdf(PrinterPageLayout(choice.name), run->page.title, run->page.compose);
    const QString folder = SpoolFolder();
    QTemporaryFile spool(folder + QStringLiteral("/trackpace-page-XXXXXX.pdf"));
    spool.setAutoRemove(false);
    const std::optional<QString> failure =
        pdf.isEmpty() ? QStringLiteral("The page could not be composed.") : SpoolTo(spool, pdf);
    if (failure) {
        Finished(*run);
        spool.remove();
        NotPrinted(QStringLiteral("The %1 could not be prepared for printer \"%2\" in %3:\r%4\rNothing was printed.")
                       .arg(run->page.noun, choice.name, QDir::toNativeSeparators(folder), *failure));
        return;
    }
    spool.close();
    run->phase = Run::Phase::Submitting;
    run->printer = choice.name;
    const QString path = spool.fileName();
    RunAside<JobOutcome>(
        [submit = Route.submit, printer = choice.name, path, title = run->page.title] {
            const JobOutcome outcome = submit(printer, path, title);
            QFile::remove(path);
            return outcome;
        },
        [self = QPointer<PagePrinter>(this), run](JobOutcome outcome) {
            if (self) {
                self->Submitted(run, outcome);
            } else {
                // The window has been closed meanwhile; what became of the job is still told.
                ReportOutcome(run->printer, run->page.noun, outcome);
            }
        });
}

void PagePrinter::Submitted(const std::shared_ptr<Run>& run, const JobOutcome& outcome)
{
    const bool told = run->phase == Run::Phase::Abandoned;
    Finished(*run);
    if ((outcome.state == JobOutcome::State::Refused || outcome.state == JobOutcome::State::Gone) && waiting_ == 0) {
        emit NothingSent();
    }
    // An answer after "does not answer" is told only where it is news: a refusal.
    if (!told || outcome.state != JobOutcome::State::Accepted) {
        ReportOutcome(run->printer, run->page.noun, outcome);
    }
}

void PagePrinter::NoAnswer(const std::shared_ptr<Run>& run)
{
    const Run::Phase phase = run->phase;
    if (phase == Run::Phase::Done || phase == Run::Phase::Abandoned) {
        return;
    }
    --waiting_;
    run->phase = Run::Phase::Abandoned;
    if (waiting_ == 0) {
        emit NothingSent();
        emit AllAnswered();
    }
    Warn(phase == Run::Phase::Finding
             ? QStringLiteral("The printing system does not answer. Nothing was sent to a printer, so nothing will "
                              "print.")
             : QStringLiteral("The printing system does not answer. The %1 was being handed to printer \"%2\"; it "
                              "may still print once the printing system answers.")
                   .arg(run->page.noun, run->printer));
}

void PagePrinter::OfferPdf(const PrinterChoice& why, const PrintedPage& page)
{
    if (MessageBox::AskSave(General::AppTitle,
                            NoPrinterText(why) + QStringLiteral("\rSave the %1 as a PDF file instead?").arg(page.noun),
                            MessageBox::Icon::Exclamation)) {
        SavePdf(page);
    }
}

void PagePrinter::SavePdf(const PrintedPage& page)
{
    const QString path = AskPdfPath();
    if (!path.isEmpty()) {
        General::LastPdfFolder = QFileInfo(path).absolutePath();
    }
    if (path.isEmpty()) {
        return;
    }
    const QByteArray pdf = PagePdf(PdfFilePageLayout(), page.title, page.compose);
    const std::optional<QString> failure =
        pdf.isEmpty() ? QStringLiteral("The page could not be composed.") : WriteWholeFile(path, pdf);
    if (failure) {
        Warn(QStringLiteral("The %1 could not be saved as\r%2\r%3").arg(page.noun, QDir::toNativeSeparators(path), *failure));
    }
}
