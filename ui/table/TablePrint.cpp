// One page of zoned lines on a printer or PDF writer.
#include "ui/table/TablePrint.h"

#include "ui/Fonts.h"
#include "ui/table/TablePage.h"
#include "ui/table/ZonedText.h"

#include <QPagedPaintDevice>
#include <QPainter>

bool ComposeTablePage(QPagedPaintDevice& device, const QString& basisLine, float scaleDistance,
                      float& workTime)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    // The printer has no default font of its own here; Arial keeps paper and screen alike.
    painter.setFont(ArialFont(10.0));
    painter.setPen(Qt::black);
    ZonedText writer(painter);
    writer.WriteLines(PrintedPageLines(basisLine, scaleDistance, workTime));
    return painter.end();
}
