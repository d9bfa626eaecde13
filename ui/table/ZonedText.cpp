// Zone arithmetic and drawing of zoned lines.
#include "ui/table/ZonedText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

ZonedText::ZonedText(QPainter& painter) : painter_(painter)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    columnWidth_ = metrics.averageCharWidth();
    // Whole device pixels per line, rounded up as text lines on a window advance; the
    // fractional height would creep the headings up onto the table's top edge.
    lineHeight_ = std::ceil(metrics.height());
    ascent_ = metrics.ascent();
}

qreal ZonedText::Draw(qreal x, const QString& text, std::vector<PlacedText>& placed)
{
    painter_.drawText(QPointF(x, y_ + ascent_), text);
    placed.push_back({QPointF(x, y_), text});
    return x + QFontMetricsF(painter_.font(), painter_.device()).horizontalAdvance(text);
}

std::vector<PlacedText> ZonedText::WriteLine(const ZoneLine& line)
{
    std::vector<PlacedText> placed;
    const qreal zoneWidth = ZoneColumns * columnWidth_;
    qreal x = 0.0;
    for (const ZoneItem& item : line) {
        switch (item.kind) {
        case ZoneItem::Kind::Text:
            x = Draw(x, item.text, placed);
            break;
        case ZoneItem::Kind::Number:
            x = Draw(x, u' ' + QString::number(item.count) + u' ', placed);
            break;
        case ZoneItem::Kind::Blanks:
            x = Draw(x, QString(item.count, u' '), placed);
            break;
        case ZoneItem::Kind::Zone:
            // The first zone that starts to the right of x; from x = 0 that is zone 2.
            x = (std::floor(x / zoneWidth + 1e-9) + 1.0) * zoneWidth;
            break;
        }
    }
    y_ += lineHeight_;
    return placed;
}

void ZonedText::WriteLines(const std::vector<ZoneLine>& lines)
{
    for (const ZoneLine& line : lines) {
        WriteLine(line);
    }
}
