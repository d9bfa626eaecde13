// Writing and reading CSV records in either form, with formulas kept from running.
#include "log/Csv.h"

#include <QBuffer>
#include <QLocale>

#include <array>
#include <cmath>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

// Windows-1252's characters for the bytes 0x80 to 0x9F (0: none); the others are Latin-1's.
constexpr std::array<char16_t, 32> Windows1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool Formula(QChar first)
{
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
}

}  // namespace

QChar SeparatorOf(CsvForm form)
{
    return form == CsvForm::Semicolon ? u';' : u',';
}

QChar DecimalSignOf(CsvForm form)
{
    return form == CsvForm::Semicolon ? u',' : u'.';
}

CsvForm SystemCsvForm()
{
    return QLocale::system().decimalPoint() == QStringLiteral(",") ? CsvForm::Semicolon : CsvForm::Comma;
}

QString CsvNumber(double value, int decimals, CsvForm form)
{
    return CsvNumber(QString::number(value, 'f', decimals), form);
}

QString CsvNumber(const QString& plain, CsvForm form)
{
    return form == CsvForm::Semicolon ? QString(plain).replace(u'.', u',') : plain;
}

std::optional<double> CsvReal(const QString& text)
{
    bool read = false;
    const double value = QString(text).replace(u',', u'.').toDouble(&read);
    return read && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString GuardedText(const QString& text)
{
    return !text.isEmpty() && Formula(text.front()) ? u'\'' + text : text;
}

QString UnguardedText(const QString& text)
{
    return text.size() > 1 && text.front() == u'\'' && Formula(text.at(1)) ? text.mid(1) : text;
}

QString CsvLine(const QStringList& fields, CsvForm form)
{
    const QChar separator = SeparatorOf(form);
    QStringList shown;
    for (const QString& field : fields) {
        const bool quote = field.contains(separator) || field.contains(u'"') || field.contains(u'\r') ||
                           field.contains(u'\n');
        shown << (quote ? u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"' : field);
    }
    return shown.join(separator) + QStringLiteral("\r\n");
}

CsvReader::CsvReader(QIODevice& device) : device_(device)
{
    // UTF-8 throughout, or else the Windows code page spreadsheets save in.
    const qint64 start = device_.pos();
    QStringDecoder check(QStringDecoder::Utf8);
    while (!device_.atEnd() && !check.hasError()) {
        static_cast<void>(QString(check.decode(device_.read(ChunkBytes))));
    }
    windows1252_ = check.hasError();
    device_.seek(start);
    // The separator the first line uses outside quotes.
    bool quoted = false;
    int commas = 0;
    int semicolons = 0;
    for (qsizetype i = 0;; ++i) {
        if (i >= buffer_.size() && !Fill()) {
            break;
        }
        const QChar c = buffer_.at(i);
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u'\n' || c == u'\r')) {
            break;
        } else if (!quoted) {
            commas += c == u',' ? 1 : 0;
            semicolons += c == u';' ? 1 : 0;
        }
    }
    separator_ = semicolons > commas ? u';' : u',';
}

QString CsvReader::Decode(const QByteArray& bytes)
{
    if (!windows1252_) {
        return decoder_.decode(bytes);
    }
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        const char16_t high = byte >= 0x80 && byte < 0xA0 ? Windows1252High.at(byte - 0x80) : 0;
        text[i] = QChar(high != 0 ? high : static_cast<char16_t>(byte));
    }
    return text;
}

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
    buffer_ = buffer_.mid(at_) + Decode(bytes);
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
    // The character `ahead` of `at_`, reading more where the buffer runs out; nothing at the end.
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
        } else if (c == separator_) {
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
