// The print system's side of printing through CUPS's own interface, so that a refused or held job is known.
#include "ui/table/PrintJob.h"

#include <QFile>
#include <QLibrary>

#include <cups/cups.h>

#include <memory>
#include <optional>

namespace {

// How long one request may go unanswered before the request gives up. The window
// does not wait for it (the request runs aside, see frmTvsS); this only ends a
// request to a scheduler that has stopped answering.
constexpr int ConnectMillis = 10000;
constexpr double AnswerSeconds = 30.0;

// CUPS's library, loaded when the first table is printed: linked to the program it
// would bring some twenty libraries of its own into every start.
struct CupsLibrary {
    decltype(&cupsSetServer) setServer = nullptr;
    decltype(&cupsServer) server = nullptr;
    decltype(&cupsEncryption) encryption = nullptr;
    decltype(&ippPort) port = nullptr;
    decltype(&httpConnect2) connect = nullptr;
    decltype(&httpSetTimeout) setTimeout = nullptr;
    decltype(&httpClose) close = nullptr;
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&cupsGetDefault2) getDefault = nullptr;
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
        const bool all = Resolve(library, c.setServer, "cupsSetServer") && Resolve(library, c.server, "cupsServer") &&
                         Resolve(library, c.encryption, "cupsEncryption") && Resolve(library, c.port, "ippPort") &&
                         Resolve(library, c.connect, "httpConnect2") &&
                         Resolve(library, c.setTimeout, "httpSetTimeout") && Resolve(library, c.close, "httpClose") &&
                         Resolve(library, c.lastError, "cupsLastError") &&
                         Resolve(library, c.lastErrorString, "cupsLastErrorString") &&
                         Resolve(library, c.getDefault, "cupsGetDefault2") &&
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

// A connection of its own to the chosen server (the system's where `server` is
// empty), with time limits, closed with the library's own call. Each request is a
// new one, so a scheduler started or stopped meanwhile is seen as it is now.
class Connection {
public:
    Connection(const CupsLibrary& cups, const QByteArray& server) : cups_(cups)
    {
        // The library keeps the server per thread; every request runs on a thread of its own.
        cups.setServer(server.isEmpty() ? nullptr : server.constData());
        http_ = cups.connect(cups.server(), cups.port(), nullptr, AF_UNSPEC, cups.encryption(), 1, ConnectMillis,
                             nullptr);
        if (http_ != nullptr) {
            cups.setTimeout(http_, AnswerSeconds, nullptr, nullptr);
        }
    }
    ~Connection()
    {
        if (http_ != nullptr) {
            cups_.close(http_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    http_t* get() const { return http_; }

private:
    const CupsLibrary& cups_;
    http_t* http_ = nullptr;
};

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

bool Exists(const CupsLibrary& cups, http_t* http, const QString& printer)
{
    return static_cast<bool>(Destination{cups, cups.getNamedDest(http, printer.toUtf8().constData(), nullptr)});
}

PrinterChoice FindDefault(const QByteArray& server)
{
    const CupsLibrary* cups = Cups();
    if (cups == nullptr) {
        return {PrinterChoice::Kind::NoScheduler, {}};
    }
    const Connection http(*cups, server);
    if (http.get() == nullptr) {
        return {PrinterChoice::Kind::NoScheduler, {}};
    }
    // The user's default (LPDEST, PRINTER, lpoptions) or else the scheduler's.
    if (const Destination dest{*cups, cups->getNamedDest(http.get(), nullptr, nullptr)}) {
        return {PrinterChoice::Kind::Default, QString::fromUtf8(dest->name)};
    }
    // A default the user chose that is not (or no longer) set up: named as such.
    const QString chosen = QString::fromUtf8(cups->getDefault(http.get()));
    if (!chosen.isEmpty() && !Exists(*cups, http.get(), chosen) && cups->lastError() < IPP_STATUS_ERROR_INTERNAL) {
        return {PrinterChoice::Kind::MissingDefault, chosen};
    }
    // No default: are there printers at all, and is anybody there to ask?
    ipp_t* request = cups->newRequest(IPP_OP_CUPS_GET_PRINTERS);
    cups->addString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t* response = cups->doRequest(http.get(), request, "/");
    if (response == nullptr) {
        return {cups->lastError() >= IPP_STATUS_ERROR_INTERNAL ? PrinterChoice::Kind::NoScheduler
                                                                : PrinterChoice::Kind::NoPrinters,
                {}};
    }
    const bool any = cups->findAttribute(response, "printer-name", IPP_TAG_NAME) != nullptr;
    cups->deleteIpp(response);
    return {any ? PrinterChoice::Kind::NoDefault : PrinterChoice::Kind::NoPrinters, {}};
}

bool IsPaused(const CupsLibrary& cups, http_t* http, const QString& printer)
{
    const Destination dest{cups, cups.getNamedDest(http, printer.toUtf8().constData(), nullptr)};
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
    const Connection http(*cups, server);
    if (http.get() == nullptr) {
        return {JobOutcome::State::Refused, QStringLiteral("The printing system (CUPS) does not answer.")};
    }
    cups_option_t* options = nullptr;
    const int count = cups->addOption("document-format", "application/pdf", 0, &options);
    const int job = cups->printFile(http.get(), printer.toUtf8().constData(), QFile::encodeName(pdfPath).constData(),
                                    title.toUtf8().constData(), count, options);
    cups->freeOptions(count, options);
    if (job == 0) {
        const QString reason = QString::fromUtf8(cups->lastErrorString());
        // Taken away while the table was on its way: say so, not the library's
        // "No such file or directory".
        if (!Exists(*cups, http.get(), printer) && cups->lastError() < IPP_STATUS_ERROR_INTERNAL) {
            return {JobOutcome::State::Gone, reason};
        }
        return {JobOutcome::State::Refused, reason};
    }
    return {IsPaused(*cups, http.get(), printer) ? JobOutcome::State::Held : JobOutcome::State::Accepted, {}};
}

}  // namespace

PrintRoute SystemPrintRoute(const QByteArray& server)
{
    return {[server] { return FindDefault(server); },
            [server](const QString& printer, const QString& pdfPath, const QString& title) {
                return Submit(server, printer, pdfPath, title);
            }};
}
