// The print system's side of printing through CUPS's own interface, so that a refused or held job is known.
// Built as a module of its own (trackpace-cups), which the program loads at the first print.
#include "core/Version.h"
#include "ui/print/PrintJob.h"

#include <QFile>

#include <cups/cups.h>

namespace {

// How long one request may go unanswered before the request gives up. The window
// does not wait for it (the request runs aside, see frmTvsS); this only ends a
// request to a scheduler that has stopped answering.
constexpr int ConnectMillis = 10000;
constexpr double AnswerSeconds = 30.0;

// A connection of its own to the chosen server (the system's where `server` is
// empty), with time limits. Each request is a new one, so a scheduler started or
// stopped meanwhile is seen as it is now.
class Connection {
public:
    explicit Connection(const QByteArray& server)
    {
        // The library keeps the server per thread; every request runs on a thread of its own.
        cupsSetServer(server.isEmpty() ? nullptr : server.constData());
        http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectMillis, nullptr);
        if (http_ != nullptr) {
            httpSetTimeout(http_, AnswerSeconds, nullptr, nullptr);
        }
    }
    ~Connection()
    {
        if (http_ != nullptr) {
            httpClose(http_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    http_t* get() const { return http_; }

private:
    http_t* http_ = nullptr;
};

// A destination freed with the library's own call.
class Destination {
public:
    Destination(http_t* http, const QString& name)
        : dest_(cupsGetNamedDest(http, name.isEmpty() ? nullptr : name.toUtf8().constData(), nullptr))
    {
    }
    ~Destination()
    {
        if (dest_ != nullptr) {
            cupsFreeDests(1, dest_);
        }
    }
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    const cups_dest_t* operator->() const { return dest_; }
    explicit operator bool() const { return dest_ != nullptr; }

private:
    cups_dest_t* dest_;
};

// False for a printer the scheduler says it does not have.
bool Missing(http_t* http, const QString& printer)
{
    return !Destination(http, printer) && cupsLastError() < IPP_STATUS_ERROR_INTERNAL;
}

PrinterChoice FindDefault(const QByteArray& server)
{
    const Connection http(server);
    if (http.get() == nullptr) {
        return {PrinterChoice::Kind::NoScheduler, {}};
    }
    // The user's default (LPDEST, PRINTER, lpoptions) or else the scheduler's.
    if (const Destination dest(http.get(), {}); dest) {
        return {PrinterChoice::Kind::Default, QString::fromUtf8(dest->name)};
    }
    // A default the user chose that is not (or no longer) set up: named as such.
    const QString chosen = QString::fromUtf8(cupsGetDefault2(http.get()));
    if (!chosen.isEmpty() && Missing(http.get(), chosen)) {
        return {PrinterChoice::Kind::MissingDefault, chosen};
    }
    // No default: are there printers at all, and is anybody there to ask?
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t* response = cupsDoRequest(http.get(), request, "/");
    if (response == nullptr) {
        return {cupsLastError() >= IPP_STATUS_ERROR_INTERNAL ? PrinterChoice::Kind::NoScheduler
                                                              : PrinterChoice::Kind::NoPrinters,
                {}};
    }
    const bool any = ippFindAttribute(response, "printer-name", IPP_TAG_NAME) != nullptr;
    ippDelete(response);
    return {any ? PrinterChoice::Kind::NoDefault : PrinterChoice::Kind::NoPrinters, {}};
}

bool IsPaused(http_t* http, const QString& printer)
{
    const Destination dest(http, printer);
    if (!dest) {
        return false;
    }
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    return state != nullptr && QByteArray(state) == QByteArray::number(IPP_PSTATE_STOPPED);
}

JobOutcome Submit(const QByteArray& server, const QString& printer, const QString& pdfPath, const QString& title)
{
    const Connection http(server);
    if (http.get() == nullptr) {
        return {JobOutcome::State::Refused, QStringLiteral("The printing system (CUPS) does not answer.")};
    }
    cups_option_t* options = nullptr;
    const int count = cupsAddOption("document-format", "application/pdf", 0, &options);
    const int job = cupsPrintFile2(http.get(), printer.toUtf8().constData(), QFile::encodeName(pdfPath).constData(),
                                   title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0) {
        const QString reason = QString::fromUtf8(cupsLastErrorString());
        // Taken away while the page was on its way: say so, not the library's
        // "No such file or directory".
        return {Missing(http.get(), printer) ? JobOutcome::State::Gone : JobOutcome::State::Refused, reason};
    }
    return {IsPaused(http.get(), printer) ? JobOutcome::State::Held : JobOutcome::State::Accepted, {}};
}

}  // namespace

// What the program looks up in this module: the version it was built for, then the route.
extern "C" Q_DECL_EXPORT const char* TrackpaceModuleVersion()
{
    return TrackpaceVersion;
}

extern "C" Q_DECL_EXPORT void TrackpaceCupsRoute(const QByteArray* server, PrintRoute* route)
{
    *route = {[server = *server] { return FindDefault(server); },
              [server = *server](const QString& printer, const QString& pdfPath, const QString& title) {
                  return Submit(server, printer, pdfPath, title);
              }};
}
