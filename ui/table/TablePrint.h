// The printed TIME vs. SPEED page: composed onto any paged device, as a PDF document, and written to a file.
#pragma once

#include "ui/table/TablePage.h"

#include <QByteArray>
#include <QPageLayout>
#include <QString>

#include <functional>

class QPagedPaintDevice;

// Writes the 22 lines of the page in Arial 10 pt from the top-left of the printable
// area and ends the document. False when no painter could begin on the device.
bool ComposeTablePage(QPagedPaintDevice& device, const QString& basisLine, const TableRows& rows);

// A page drawn by `compose` as a PDF document titled `title` on `layout`'s paper;
// empty when it cannot be made.
QByteArray PagePdf(const QPageLayout& layout, const QString& title,
                   const std::function<bool(QPagedPaintDevice&)>& compose);
// The table's page as such a document.
QByteArray TablePagePdf(const QPageLayout& layout, const QString& basisLine, const TableRows& rows);

// The paper and margins `printer` prints on by default.
QPageLayout PrinterPageLayout(const QString& printer);
// The paper of a PDF file saved instead: the one this system's printing defaults to.
QPageLayout PdfFilePageLayout();

// The folder for the document handed to the print system: the temporary folder
// where it is one that may be written, else the user's runtime or cache folder.
QString SpoolFolder();
