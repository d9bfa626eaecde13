// The TIME vs. SPEED table as zoned lines, for the window and for the printed page.
#pragma once

#include "core/Scales.h"
#include "ui/table/ZonedText.h"

#include <QString>

#include <vector>

// The printed page's title, also the document's name in the print queue.
inline const QString TablePageTitle = QStringLiteral("Trackpace - TIME vs. SPEED Table");

// What the main window's length entry says: a radius or a run length, as typed.
struct LengthEntry {
    bool circle = false;
    QString text;
};

// The window's information line: "Run Length:  48 in.      Scale:  HO      ...".
QString TableInfoLine(bool circle, const QString& lengthText, const QString& scaleName, float scaleDistance);
// The printed page's basis line: one blank after each label, 3 between groups.
QString PrintBasisLine(const LengthEntry& entry, const QString& scaleName, float scaleDistance);

using TableRows = std::array<TableRow, TableRowCount>;

// The window's table: three empty lines, two headings, the twelve rows.
std::vector<ZoneLine> ScreenTableLines(const TableRows& rows);
// The printed page: 22 lines with title and basis line; the headings carry the
// paper's own blanks.
std::vector<ZoneLine> PrintedPageLines(const QString& basisLine, const TableRows& rows);
