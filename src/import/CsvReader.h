// Reading the bytes of a CSV file as brokers write it: whether they are text
// at all, the text's encoding (UTF-8 with or without a byte-order mark, UTF-16
// with one or without, else Windows-1252), then its records, with libcsv,
// each with the line of the file on which it starts.
#pragma once

#include "platform/Progress.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo {

// The file's bytes as UTF-8 text, without a byte-order mark: UTF-8 and
// UTF-16 with a mark; UTF-16 without one when every other byte is NUL; UTF-8
// without one when the bytes are UTF-8 but for a few (each of those reads as
// U+FFFD); Windows-1252 otherwise. Bytes that are no text (NUL and other
// control bytes, the signature of an image, an archive or a PDF) give no
// text.
struct CsvText {
    QByteArray utf8;
    bool notText = false;
    std::vector<int> badLines;   // ascending lines (from 1) that hold bytes that are not UTF-8
};
CsvText csvText(const QByteArray &bytes);

// The records of a CSV text, in file order. Blank lines make no record.
class CsvTable {
public:
    int rowCount() const { return int(rows_.size()); }
    int fieldCount(int row) const { return int(rows_[std::size_t(row)].fields); }
    // The field's text as the file holds it, quotes taken off and doubled
    // quotes made single; the empty text beyond the end of the record.
    QString field(int row, int column) const;
    // The same as UTF-8 bytes, valid while the table lives.
    std::string_view utf8(int row, int column) const;
    // The line of the file (from 1) on which the record starts.
    int line(int row) const { return rows_[std::size_t(row)].line; }

private:
    friend class CsvParse;
    struct Row {
        int line;
        std::uint32_t firstField;
        std::uint32_t fields;
    };
    std::string pool_;                   // every field's bytes, one after the other
    std::vector<std::uint32_t> ends_;    // where each field ends in pool_
    std::vector<Row> rows_;
};

// Splits UTF-8 text into records at the separator (',', ';' or '\t'):
// quoted fields may hold separators, doubled quotes and line breaks; lines
// end with CR LF, LF or CR. Reports the bytes read to progress, when given.
// Raises Error 3112 when the progress was cancelled, 7 when the text is too
// large to be held.
CsvTable parseCsv(const QByteArray &utf8, char separator, Progress *progress = nullptr);

} // namespace tesmo
