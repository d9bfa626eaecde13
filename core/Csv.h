// Comma-separated values as RFC 4180 writes them, which spreadsheet programs open as they are.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// One record as a line: fields joined by commas, a field quoted (its quotes doubled)
// where it holds a comma, a quote or a line break, ended by CR LF.
QString CsvLine(const QStringList& fields);

// A record read back, with the number of the line it starts on (1 for the first).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};

// The records of a whole text: quoted fields may hold commas, doubled quotes and line
// breaks; lines end at CR LF or LF; a UTF-8 byte-order mark at the start is skipped.
// A record whose quotes never close runs to the end and is returned as it stands.
std::vector<CsvRecord> CsvRecords(const QString& text);
