// Lines of text written in print zones onto any painter, screen or paper.
#pragma once

#include <QPointF>
#include <QString>

#include <vector>

class QPainter;

// One item of a zoned line.
struct ZoneItem {
    enum class Kind { Text, Number, Blanks, Zone };
    Kind kind;
    QString text;
    int count = 0;  // the number of a Number item, the n of a Blanks item

    static ZoneItem Text(const QString& text) { return {Kind::Text, text, 0}; }
    static ZoneItem Number(int value) { return {Kind::Number, {}, value}; }
    static ZoneItem Blanks(int n) { return {Kind::Blanks, {}, n}; }
    static ZoneItem NextZone() { return {Kind::Zone, {}, 0}; }
};

using ZoneLine = std::vector<ZoneItem>;

// Where a piece of text was drawn: its top-left corner and the characters.
struct PlacedText {
    QPointF topLeft;
    QString text;
};

// Writes lines from the painter's top-left corner down, in the painter's current
// font and pen, measuring with the font's metrics on the painter's own device: the
// column unit is the average character width, a zone is 14 columns wide, and each
// line moves down by one line height. The table window and the printed page share
// it, so both place the columns by the same rule.
class ZonedText {
public:
    static constexpr int ZoneColumns = 14;

    explicit ZonedText(QPainter& painter);

    // Draws one line and returns what it drew, for the callers that need positions.
    std::vector<PlacedText> WriteLine(const ZoneLine& line);
    void WriteLines(const std::vector<ZoneLine>& lines);

    qreal ColumnWidth() const { return columnWidth_; }
    qreal LineHeight() const { return lineHeight_; }

private:
    qreal Draw(qreal x, const QString& text, std::vector<PlacedText>& placed);

    QPainter& painter_;
    qreal columnWidth_;
    qreal lineHeight_;
    qreal ascent_;
    qreal y_ = 0.0;
};
