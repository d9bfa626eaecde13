// Composition of the table's lines and of the two describing lines.
#include "ui/table/TablePage.h"


namespace {

using Item = ZoneItem;

QString LengthLabel(bool circle, const QString& blanksAfter)
{
    return (circle ? QStringLiteral("Circle Radius:") : QStringLiteral("Run Length:")) + blanksAfter;
}

// The blanks that stand before the run time and the seconds per mile differ between
// screen and paper; everything else of a row is the same.
struct RowBlanks {
    int beforeSpeed;
    int beforeSeconds;
};

std::vector<ZoneLine> Rows(const TableRows& rows, RowBlanks blanks)
{
    std::vector<ZoneLine> lines;
    for (const TableRow& values : rows) {
        // No blanks at all (paper, before the speed) draw nothing.
        lines.push_back({Item::NextZone(), Item::Blanks(blanks.beforeSpeed), Item::Number(values.speed),
                         Item::NextZone(), Item::Blanks(2), Item::Text(values.runTimeText), Item::NextZone(),
                         Item::Blanks(blanks.beforeSeconds), Item::Number(values.secondsPerMile)});
    }
    return lines;
}

ZoneLine Heading(const QString& first, const QString& second, const QString& third)
{
    return {Item::NextZone(), Item::Text(first), Item::NextZone(), Item::Text(second),
            Item::NextZone(), Item::Text(third)};
}

}  // namespace

QString TableInfoLine(bool circle, const QString& lengthText, const QString& scaleName, float scaleDistance)
{
    const QString gap(6, u' ');
    return LengthLabel(circle, QStringLiteral("  ")) + lengthText + QStringLiteral(" in.") + gap +
           QStringLiteral("Scale:  ") + scaleName + gap + QStringLiteral("Distance:  ") +
           WholeText(scaleDistance) + QStringLiteral(" scale ft.");
}

QString PrintBasisLine(const LengthEntry& entry, const QString& scaleName, float scaleDistance)
{
    const QString gap(3, u' ');
    return QString(4, u' ') + LengthLabel(entry.circle, QStringLiteral(" ")) + entry.text +
           QStringLiteral(" in.") + gap + QStringLiteral("Scale: ") + scaleName + gap +
           QStringLiteral("Distance: ") + WholeText(scaleDistance) + QStringLiteral(" scale ft.");
}

std::vector<ZoneLine> ScreenTableLines(const TableRows& rows)
{
    std::vector<ZoneLine> lines(3);
    lines.push_back(Heading(QStringLiteral("Speed"), QStringLiteral("Run Time"), QStringLiteral("Seconds")));
    lines.push_back(Heading(QStringLiteral("  MPH"), QStringLiteral("Seconds"), QStringLiteral(" per Mile")));
    const std::vector<ZoneLine> rowLines = Rows(rows, {1, 2});
    lines.insert(lines.end(), rowLines.begin(), rowLines.end());
    return lines;
}

std::vector<ZoneLine> PrintedPageLines(const QString& basisLine, const TableRows& rows)
{
    const QString indent(4, u' ');
    std::vector<ZoneLine> lines(4);
    lines.push_back({Item::Text(indent + TablePageTitle)});
    lines.push_back({Item::Text(indent + QStringLiteral("This table is based on the following information:"))});
    lines.push_back({Item::Text(basisLine)});
    lines.emplace_back();
    lines.push_back(Heading(QStringLiteral("Speed"), QStringLiteral("Run Time"), QStringLiteral("Seconds")));
    lines.push_back(Heading(QStringLiteral(" MPH"), QStringLiteral("Seconds"), QStringLiteral("per Mile")));
    const std::vector<ZoneLine> rowLines = Rows(rows, {0, 1});
    lines.insert(lines.end(), rowLines.begin(), rowLines.end());
    return lines;
}
