// Writing and reading CSV records.
#include "core/Csv.h"

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

std::vector<CsvRecord> CsvRecords(const QString& text)
{
    std::vector<CsvRecord> records;
    CsvRecord record{1, {}};
    QString field;
    bool quoted = false;
    bool any = false;  // the record has begun
    int line = 1;
    qsizetype i = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    const auto endRecord = [&] {
        record.fields << field;
        records.push_back(record);
        record = CsvRecord{line, {}};
        field.clear();
        any = false;
    };
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                line += c == u'\n' ? 1 : 0;
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            record.fields << field;
            field.clear();
            any = true;
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            continue;  // the LF ends the record
        } else if (c == u'\n') {
            ++line;
            if (any || !field.isEmpty()) {
                endRecord();
            } else {
                record.line = line;  // a blank line is no record
            }
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        endRecord();
    }
    return records;
}
