// The print system's side of printing: CUPS's own interface, or Qt's printers where there is no CUPS.
#include "ui/table/PrintJob.h"

#ifdef TRACKPACE_HAVE_CUPS
#include <QLibrary>

#include <cups/cups.h>

#include <memory>
#include <optional>

namespace {

// CUPS's library, loaded when the first table is printed: linked to the program it
// would bring some twenty libraries of its own into every start.
struct CupsLibrary {
    decltype(&cupsSetServer) setServer = nullptr;
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&cupsGetNamedDest) getNamedDest = nullptr;
    decltype(&cupsFreeDests) freeDests = nullptr;
    decltype(&cupsGetOption) getOption = nullptr;
    decltype(&cupsAddOption) addOption = nullptr;
    decltype(&cupsFreeOptions) freeOptions = nullptr;
    decltype(&cupsPrintFile2) printFile = nullptr;
    decltype(&cupsDoRequest) doRequest = nullptr;
    decltype(&ippNewRequest) newRequest = nullptr;
    decltype(&ippAddString) addString = nullptr;
    decltype(&ippFindAttribute) findAttribute = nullptr;
    decltype(&ippDelete) deleteIpp = nullptr;
};

template <typename Function>
bool Resolve(QLibrary& library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

// Nothing where the library cannot be loaded (CUPS is not installed).
const CupsLibrary* Cups()
{
    static const std::optional<CupsLibrary> cups = []() -> std::optional<CupsLibrary> {
        QLibrary library(QStringLiteral("cups"), 2);
        CupsLibrary c;
        const bool all = Resolve(library, c.setServer, "cupsSetServer") &&
                         Resolve(library, c.lastError, "cupsLastError") &&
                         Resolve(library, c.lastErrorString, "cupsLastErrorString") &&
                         Resolve(library, c.getNamedDest, "cupsGetNamedDest") &&
                         Resolve(library, c.freeDests, "cupsFreeDests") &&
                         Resolve(library, c.getOption, "cupsGetOption") &&
                         Resolve(library, c.addOption, "cupsAddOption") &&
                         Resolve(library, c.freeOptions, "cupsFreeOptions") &&
                         Resolve(library, c.printFile, "cupsPrintFile2") &&
                         Resolve(library, c.doRequest, "cupsDoRequest") &&
                         Resolve(library, c.newRequest, "ippNewRequest") &&
                         Resolve(library, c.addString, "ippAddString") &&
                         Resolve(library, c.findAttribute, "ippFindAttribute") &&
                         Resolve(library, c.deleteIpp, "ippDelete");
        return all ? std::optional<CupsLibrary>(c) : std::nullopt;
    }();
    return cups ? &*cups : nullptr;
}

// Each request goes to the chosen server; nothing is kept between requests, so a
// scheduler started or stopped meanwhile is seen as it is now.
void UseServer(const CupsLibrary& cups, const QByteArray& server)
{
    cups.setServer(server.isEmpty() ? nullptr : server.constData());
}

// A destination freed with its library's own call.
class Destination {
public:
    Destination(const CupsLibrary& cups, cups_dest_t* dest) : cups_(cups), dest_(dest) {}
    ~Destination()
    {
        if (dest_ != nullptr) {
            cups_.freeDests(1, dest_);
        }
    }
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    const cups_dest_t* operator->() const { return dest_; }
    explicit operator bool() const { return dest_ != nullptr; }

private:
    const CupsLibrary& cups_;
    cups_dest_t* dest_;
};

PrinterChoice FindDefault(const QByteArray& server)
{
    const CupsLibrary* cups = Cups();
    if (cups == nullptr) {
        return {PrinterChoice::Kind::NoScheduler, {}};
    }
    UseServer(*cups, server);
    // The user's default (lpoptions, LPDEST, PRINTER) or else the scheduler's.
    if (const Destination dest{*cups, cups->getNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)}) {
        return {PrinterChoice::Kind::Default, QString::fromUtf8(dest->name)};
    }
    // No default: are there printers at all, and is anybody there to ask?
    ipp_t* request = cups->newRequest(IPP_OP_CUPS_GET_PRINTERS);
    cups->addString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t* response = cups->doRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (response == nullptr) {
        return {cups->lastError() >= IPP_STATUS_ERROR_INTERNAL ? PrinterChoice::Kind::NoScheduler
                                                                : PrinterChoice::Kind::NoPrinters,
                {}};
    }
    const bool any = cups->findAttribute(response, "printer-name", IPP_TAG_NAME) != nullptr;
    cups->deleteIpp(response);
    return {any ? PrinterChoice::Kind::NoDefault : PrinterChoice::Kind::NoPrinters, {}};
}

bool IsPaused(const CupsLibrary& cups, const QString& printer)
{
    const Destination dest{cups, cups.getNamedDest(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), nullptr)};
    if (!dest) {
        return false;
    }
    const char* state = cups.getOption("printer-state", dest->num_options, dest->options);
    return state != nullptr && QByteArray(state) == QByteArray::number(IPP_PSTATE_STOPPED);
}

JobOutcome Submit(const QByteArray& server, const QString& printer, const QString& pdfPath, const QString& title)
{
    const CupsLibrary* cups = Cups();
    if (cups == nullptr) {
        return {JobOutcome::State::Refused, QStringLiteral("CUPS's library could not be loaded.")};
    }
    UseServer(*cups, server);
    cups_option_t* options = nullptr;
    const int count = cups->addOption("document-format", "application/pdf", 0, &options);
    const int job = cups->printFile(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), pdfPath.toLocal8Bit().constData(),
                                    title.toUtf8().constData(), count, options);
    cups->freeOptions(count, options);
    if (job == 0) {
        return {JobOutcome::State::Refused, QString::fromUtf8(cups->lastErrorString())};
    }
    return {IsPaused(*cups, printer) ? JobOutcome::State::Held : JobOutcome::State::Accepted, {}};
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
