// Comma-separated values as RFC 4180 writes them, which spreadsheet programs open as they are.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <optional>
#include <vector>

class QIODevice;

// One record as a line: fields joined by commas, a field quoted (its quotes doubled)
// where it holds a comma, a quote or a line break, ended by CR LF.
QString CsvLine(const QStringList& fields);

// A record read back, with the number of the line it starts on (1 for the first).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};

// Reads the records of a UTF-8 file a piece at a time, so that a file of any length
// takes little memory: quoted fields may hold commas, doubled quotes and line breaks;
// lines end at CR LF, LF or CR alone; a UTF-8 byte-order mark at the start is skipped;
// blank lines are no records. A record whose quotes never close runs to the end and
// is returned as it stands (Unclosed() then gives the line its quote opened on).
class CsvReader {
public:
    explicit CsvReader(QIODevice& device);
    std::optional<CsvRecord> Next();
    // How far into the file the reading has come.
    qint64 BytesRead() const { return bytesRead_; }
    std::optional<int> Unclosed() const { return unclosed_; }

private:
    bool Fill();

    QIODevice& device_;
    QStringDecoder decoder_{QStringDecoder::Utf8};
    QString buffer_;
    qsizetype at_ = 0;
    qint64 bytesRead_ = 0;
    int line_ = 1;
    bool started_ = false;
    std::optional<int> unclosed_;
};

// The records of a whole text, read as CsvReader reads a file.
std::vector<CsvRecord> CsvRecords(const QString& text);
