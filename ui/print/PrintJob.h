// How a printed page reaches the printer: the default printer, and the job's fate as the print system tells it.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Which printer Print uses, or why there is none.
struct PrinterChoice {
    enum class Kind { Default, NoScheduler, NoPrinters, NoDefault, MissingDefault, NoRoute };
    Kind kind = Kind::NoPrinters;
    // The default printer; for MissingDefault the one chosen that is not set up; for
    // NoRoute why the way to the print system cannot be used.
    QString name;
};

// What the print system did with a job.
struct JobOutcome {
    enum class State { Accepted, Held, Refused, Gone };
    State state = State::Refused;
    QString reason;  // the print system's words for a refusal
};

// The two steps that involve the print system, replaceable for tests. `submit`
// sends a finished PDF document; where it is empty (systems without CUPS) the page
// goes to the printer through Qt's own printing instead. Both may take long (a
// print system that does not answer): PagePrinter runs them aside, each on a
// thread of its own, so they touch nothing but what they are given.
struct PrintRoute {
    std::function<PrinterChoice()> findPrinter;
    std::function<JobOutcome(const QString& printer, const QString& pdfPath, const QString& title)> submit;
};

// CUPS where the system has it, else Qt's printers. `server` names another print
// server than the system's (a socket path or host); empty for the system's own.
PrintRoute SystemPrintRoute(const QByteArray& server = {});
