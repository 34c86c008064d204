// Reading the bytes of a CSV file as brokers write it: whether they are text
// at all, the text's encoding (UTF-8 with or without a byte-order mark, UTF-16
// with one or without, Shift_JIS, Windows-1252) with the evidence that
// settles it, then its records, with libcsv, each with the line of the file
// on which it starts.
#pragma once

#include "platform/Progress.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo {

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, ShiftJis, Windows1252 };

// The file's bytes as UTF-8 text, without a byte-order mark, and the
// encoding they were read in with its evidence. A mark settles it; so do
// every other byte NUL (UTF-16), the share of the bytes beyond ASCII that
// form UTF-8 characters (half or more: UTF-8, each byte that does not read
// as U+FFFD and its line noted, as text of another encoding nearly never
// forms them while a UTF-8 file spoilt by a copy keeps most; one in five or
// fewer: not UTF-8),
// and, for the others, whether they pair as Japanese characters (Shift_JIS)
// or stand alone (Windows-1252). Between the two shares the encoding is not
// settled: the text is read as UTF-8 meanwhile, and the lines that hold
// bytes beyond ASCII are noted. Bytes that are no text (NUL and other
// control bytes, the signature of an image, an archive or a PDF) give no
// text.
struct CsvText {
    QByteArray utf8;
    bool notText = false;
    std::vector<int> badLines;    // ascending lines (from 1) that hold bytes that are not UTF-8
    std::optional<TextEncoding> encoding;   // nothing: not settled
    QString evidence;             // what settles it, or why it is not, as the end of a sentence
    std::vector<int> wideLines;   // while not settled: the lines that hold bytes beyond ASCII
};
CsvText csvText(const QByteArray &bytes);
// The bytes read in the given encoding (a byte-order mark is dropped).
CsvText decodeAs(const QByteArray &bytes, TextEncoding encoding);
// "UTF-8", "Shift_JIS" and so on.
QString encodingName(TextEncoding encoding);

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
