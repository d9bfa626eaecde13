// One page of zoned lines on a printer or a PDF document.
#include "ui/table/TablePrint.h"

#include "ui/Fonts.h"
#include "ui/table/TablePage.h"
#include "ui/table/ZonedText.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// As fine as Qt's high-resolution printing, so the page is the one it always was.
constexpr int PdfDotsPerInch = 1200;

}  // namespace

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

QByteArray TablePagePdf(const QPageLayout& layout, const QString& basisLine, float scaleDistance, float& workTime)
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
        pdf.setTitle(TablePageTitle);
        pdf.setCreator(QStringLiteral("Trackpace"));
        if (!ComposeTablePage(pdf, basisLine, scaleDistance, workTime)) {
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

std::optional<QString> WriteAll(QFileDevice& file, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            return file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("The disk is full.");
        }
        done += written;
    }
    if (!file.flush()) {
        return file.errorString();
    }
    return std::nullopt;
}

std::optional<QString> WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered: a full disk shows in write() itself, not only at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    if (const std::optional<QString> failure = WriteAll(file, bytes)) {
        file.cancelWriting();
        return failure;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}
