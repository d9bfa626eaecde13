// A page as a PDF document, the paper pages are printed on, and the folder a document waits in for the print system.
#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

#include <functional>

class QPagedPaintDevice;

// A page drawn by `compose` as a PDF document titled `title` on `layout`'s paper;
// empty when it cannot be made.
QByteArray PagePdf(const QPageLayout& layout, const QString& title,
                   const std::function<bool(QPagedPaintDevice&)>& compose);

// The paper and margins `printer` prints on by default.
QPageLayout PrinterPageLayout(const QString& printer);
// The paper of a PDF file saved instead: the one this system's printing defaults to.
QPageLayout PdfFilePageLayout();

// The folder for the document handed to the print system: the temporary folder
// where it is one that may be written, else the user's runtime or cache folder.
QString SpoolFolder();
