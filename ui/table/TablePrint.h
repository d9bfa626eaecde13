// The printed TIME vs. SPEED page: composed onto any paged device, and as a PDF document.
#pragma once

#include "ui/table/TablePage.h"

#include <QByteArray>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;

// Writes the 22 lines of the page in Arial 10 pt from the top-left of the printable
// area and ends the document. False when no painter could begin on the device.
bool ComposeTablePage(QPagedPaintDevice& device, const QString& basisLine, const TableRows& rows);

// The table's page as a PDF document (PagePdf).
QByteArray TablePagePdf(const QPageLayout& layout, const QString& basisLine, const TableRows& rows);
