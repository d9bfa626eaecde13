// The table's page of zoned lines on a printer or a PDF document.
#include "ui/table/TablePrint.h"

#include "ui/Fonts.h"
#include "ui/print/PagePdf.h"
#include "ui/table/ZonedText.h"

#include <QPagedPaintDevice>
#include <QPainter>

bool ComposeTablePage(QPagedPaintDevice& device, const QString& basisLine, const TableRows& rows)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    // The printer has no default font of its own here; Arial keeps paper and screen alike.
    painter.setFont(ArialFont(10.0));
    painter.setPen(Qt::black);
    ZonedText writer(painter);
    writer.WriteLines(PrintedPageLines(basisLine, rows));
    return painter.end();
}

QByteArray TablePagePdf(const QPageLayout& layout, const QString& basisLine, const TableRows& rows)
{
    return PagePdf(layout, TablePageTitle,
                   [&](QPagedPaintDevice& device) { return ComposeTablePage(device, basisLine, rows); });
}
