// The print system's side of printing: CUPS's own interface, or Qt's printers where there is no CUPS.
#include "ui/table/PrintJob.h"

#ifdef TRACKPACE_HAVE_CUPS
#include <cups/cups.h>

#include <memory>

namespace {

// Each request goes to the chosen server; nothing is kept between requests, so a
// scheduler started or stopped meanwhile is seen as it is now.
void UseServer(const QByteArray& server)
{
    cupsSetServer(server.isEmpty() ? nullptr : server.constData());
}

QString LastError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

struct DestinationFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using Destination = std::unique_ptr<cups_dest_t, DestinationFree>;

struct ResponseFree {
    void operator()(ipp_t* response) const { ippDelete(response); }
};

PrinterChoice FindDefault(const QByteArray& server)
{
    UseServer(server);
    // The user's default (lpoptions, LPDEST, PRINTER) or else the scheduler's.
    if (const Destination dest{cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)}) {
        return {PrinterChoice::Kind::Default, QString::fromUtf8(dest->name)};
    }
    // No default: are there printers at all, and is anybody there to ask?
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    const std::unique_ptr<ipp_t, ResponseFree> response{cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/")};
    if (!response && cupsLastError() >= IPP_STATUS_ERROR_INTERNAL) {
        return {PrinterChoice::Kind::NoScheduler, {}};
    }
    const bool any = response && ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME) != nullptr;
    return {any ? PrinterChoice::Kind::NoDefault : PrinterChoice::Kind::NoPrinters, {}};
}

bool IsPaused(const QString& printer)
{
    const Destination dest{cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), nullptr)};
    if (!dest) {
        return false;
    }
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    return state != nullptr && QByteArray(state) == QByteArray::number(IPP_PSTATE_STOPPED);
}

JobOutcome Submit(const QByteArray& server, const QString& printer, const QString& pdfPath, const QString& title)
{
    UseServer(server);
    cups_option_t* options = nullptr;
    const int count = cupsAddOption("document-format", "application/pdf", 0, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), pdfPath.toLocal8Bit().constData(),
                                   title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0) {
        return {JobOutcome::State::Refused, LastError()};
    }
    return {IsPaused(printer) ? JobOutcome::State::Held : JobOutcome::State::Accepted, {}};
}

}  // namespace

PrintRoute SystemPrintRoute(const QByteArray& server)
{
    return {[server] { return FindDefault(server); },
            [server](const QString& printer, const QString& pdfPath, const QString& title) {
                return Submit(server, printer, pdfPath, title);
            }};
}

#else  // Windows and other systems without CUPS: Qt's printers, printed natively.

#include <QPrinterInfo>

PrintRoute SystemPrintRoute(const QByteArray& server)
{
    Q_UNUSED(server);
    return {[] {
                const QPrinterInfo info = QPrinterInfo::defaultPrinter();
                if (!info.isNull()) {
                    return PrinterChoice{PrinterChoice::Kind::Default, info.printerName()};
                }
                return PrinterChoice{QPrinterInfo::availablePrinterNames().isEmpty() ? PrinterChoice::Kind::NoPrinters
                                                                                      : PrinterChoice::Kind::NoDefault,
                                     {}};
            },
            {}};
}

#endif
