// Pages as PDF documents, their paper, and the spool folder.
#include "ui/print/PagePdf.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace {

// As fine as Qt's high-resolution printing: the page sent as a PDF and the page Qt
// prints directly place their text alike.
constexpr int PdfDotsPerInch = 1200;

}  // namespace

QByteArray PagePdf(const QPageLayout& layout, const QString& title,
                   const std::function<bool(QPagedPaintDevice&)>& compose)
{
    QByteArray document;
    QBuffer buffer(&document);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return {};
    }
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(PdfDotsPerInch);
        pdf.setPageLayout(layout);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Trackpace"));
        if (!compose(pdf)) {
            return {};
        }
    }
    return document;
}

QPageLayout PrinterPageLayout(const QString& printer)
{
    const QPrinter probe(QPrinterInfo::printerInfo(printer), QPrinter::HighResolution);
    return probe.pageLayout();
}

QPageLayout PdfFilePageLayout()
{
    const QPrinter probe(QPrinter::HighResolution);
    return probe.pageLayout();
}

QString SpoolFolder()
{
    // QDir::tempPath() is empty where TMPDIR names no folder (or no text); it must
    // then not become the root folder.
    const QString temporary = QDir::tempPath();
    const QFileInfo info(temporary);
    if (!temporary.isEmpty() && info.isDir() && info.isWritable()) {
        return temporary;
    }
    for (const auto location : {QStandardPaths::RuntimeLocation, QStandardPaths::CacheLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QDir().mkpath(folder)) {
            return folder;
        }
    }
    return QDir::homePath();
}
