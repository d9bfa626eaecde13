// Printing on POSIX systems goes through CUPS, whose code the program loads at the first print.
#include "ui/print/PrintJob.h"

#include "ui/Modules.h"

PrintRoute SystemPrintRoute(const QByteArray& server)
{
    // CUPS's library brings some twenty libraries of its own: linked to the program,
    // they would slow down every start, printing or not.
    using RouteFunction = void (*)(const QByteArray*, PrintRoute*);
    const ModuleEntry entry = ModuleFunction(QStringLiteral("cups"), "TrackpaceCupsRoute");
    if (const auto make = reinterpret_cast<RouteFunction>(entry.function)) {
        PrintRoute route;
        make(&server, &route);
        return route;
    }
    // Without the module (or CUPS's library) there is no print system to ask; a module
    // of another version is not asked either.
    const PrinterChoice none = entry.staleFile.isEmpty()
                                   ? PrinterChoice{PrinterChoice::Kind::NoScheduler, {}}
                                   : PrinterChoice{PrinterChoice::Kind::NoRoute, StaleModuleText(entry)};
    return {[none] { return none; },
            [](const QString&, const QString&, const QString&) {
                return JobOutcome{JobOutcome::State::Refused, QStringLiteral("CUPS's library could not be loaded.")};
            }};
}
