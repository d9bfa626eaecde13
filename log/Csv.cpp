// Writing and reading CSV records.
#include "log/Csv.h"

#include <QBuffer>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

}  // namespace

QString CsvLine(const QStringList& fields)
{
    QStringList shown;
    for (const QString& field : fields) {
        const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
                           field.contains(u'\n');
        shown << (quote ? u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"' : field);
    }
    return shown.join(u',') + QStringLiteral("\r\n");
}

CsvReader::CsvReader(QIODevice& device) : device_(device) {}

bool CsvReader::Fill()
{
    if (device_.atEnd()) {
        return false;
    }
    const QByteArray bytes = device_.read(ChunkBytes);
    if (bytes.isEmpty()) {
        return false;
    }
    bytesRead_ += bytes.size();
    buffer_ = buffer_.mid(at_) + decoder_.decode(bytes);
    at_ = 0;
    if (!started_ && !buffer_.isEmpty()) {
        started_ = true;
        if (buffer_.startsWith(QChar(0xFEFF))) {
            at_ = 1;
        }
    }
    return true;
}

std::optional<CsvRecord> CsvReader::Next()
{
    CsvRecord record{line_, {}};
    QString field;
    bool quoted = false;
    bool any = false;  // the record has begun
    int quoteLine = 0;
    // The character at `at_`, reading more where the buffer runs out; nothing at the end.
    const auto peek = [this](qsizetype ahead) -> std::optional<QChar> {
        while (at_ + ahead >= buffer_.size()) {
            if (!Fill()) {
                return std::nullopt;
            }
        }
        return buffer_.at(at_ + ahead);
    };
    while (const std::optional<QChar> next = peek(0)) {
        const QChar c = *next;
        ++at_;
        if (quoted) {
            if (c == u'"' && peek(0) == QChar(u'"')) {
                field += u'"';
                ++at_;
            } else if (c == u'"') {
                quoted = false;
            } else {
                // A line break inside quotes still counts as a line of the file.
                if (c == u'\n' || (c == u'\r' && peek(0) != QChar(u'\n'))) {
                    ++line_;
                }
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            quoteLine = line_;
            any = true;
        } else if (c == u',') {
            record.fields << field;
            field.clear();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && peek(0) == QChar(u'\n')) {
                ++at_;
            }
            ++line_;
            if (any || !field.isEmpty()) {
                record.fields << field;
                return record;
            }
            record.line = line_;  // a blank line is no record
        } else {
            field += c;
            any = true;
        }
    }
    if (quoted) {
        unclosed_ = quoteLine;
    }
    if (any || !field.isEmpty()) {
        record.fields << field;
        return record;
    }
    return std::nullopt;
}

std::vector<CsvRecord> CsvRecords(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer);
    std::vector<CsvRecord> records;
    while (std::optional<CsvRecord> record = reader.Next()) {
        records.push_back(std::move(*record));
    }
    return records;
}
