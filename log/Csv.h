// Comma- or semicolon-separated values, in the two forms spreadsheet programs open as they are, read back safely.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <optional>
#include <vector>

class QIODevice;

// The two forms spreadsheets read without asking: commas between fields and a decimal
// point (English settings), or semicolons between fields and a decimal comma (German,
// French and most of Europe).
enum class CsvForm { Comma, Semicolon };
QChar SeparatorOf(CsvForm form);
QChar DecimalSignOf(CsvForm form);
// The form this computer's own decimal sign asks for.
CsvForm SystemCsvForm();

// A number in a form's decimal sign: "8.162" or "8,162".
QString CsvNumber(double value, int decimals, CsvForm form);
QString CsvNumber(const QString& plain, CsvForm form);
// A number read back with either decimal sign; nothing where the text is no number.
std::optional<double> CsvReal(const QString& text);

// A text field as written: one that a spreadsheet would run as a formula (it begins
// with =, +, -, @, a tab or a carriage return) gets a leading apostrophe, which
// UnguardedText takes off again, so that every name comes back as it was.
QString GuardedText(const QString& text);
QString UnguardedText(const QString& text);

// One record as a line: fields joined by the form's separator, a field quoted (its
// quotes doubled) where it holds the separator, a quote or a line break, ended by CR LF.
QString CsvLine(const QStringList& fields, CsvForm form = CsvForm::Comma);

// A record read back, with the number of the line it starts on (1 for the first).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};

// Reads the records of a file a piece at a time, so that a file of any length takes
// little memory. The separator is the one the first line uses (a comma or a
// semicolon, outside quotes); the text is UTF-8, or where the file is not UTF-8
// Windows-1252 (which Latin1() then says). Quoted fields may hold separators,
// doubled quotes and line breaks; lines end at CR LF, LF or CR alone; a byte-order
// mark at the start is skipped; blank lines are no records. A record whose quotes
// never close runs to the end and is returned as it stands (Unclosed() then gives
// the line its quote opened on).
class CsvReader {
public:
    explicit CsvReader(QIODevice& device);
    std::optional<CsvRecord> Next();
    // How far into the file the reading has come.
    qint64 BytesRead() const { return bytesRead_; }
    std::optional<int> Unclosed() const { return unclosed_; }
    bool Latin1() const { return windows1252_; }
    QChar Separator() const { return separator_; }

private:
    bool Fill();
    QString Decode(const QByteArray& bytes);

    QIODevice& device_;
    QStringDecoder decoder_{QStringDecoder::Utf8};
    bool windows1252_ = false;
    QChar separator_ = u',';
    QString buffer_;
    qsizetype at_ = 0;
    qint64 bytesRead_ = 0;
    int line_ = 1;
    bool started_ = false;
    std::optional<int> unclosed_;
};

// The records of a whole text, read as CsvReader reads a file.
std::vector<CsvRecord> CsvRecords(const QString& text);
