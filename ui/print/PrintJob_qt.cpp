// The print system's side of printing where there is no CUPS (Windows): Qt's printers, printed natively.
#include "ui/print/PrintJob.h"

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
