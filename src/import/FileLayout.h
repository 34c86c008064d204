// Where a broker's file keeps its lots: the row that heads the columns and
// the column of each field, each with the evidence that settles it or the
// question that stays open, and the separator that splits the file into
// those columns.
#pragma once

#include "import/BrokerTexts.h"
#include "import/CsvReader.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <vector>

namespace tesmo {

// A column the file does not settle: the user is asked for it.
inline constexpr int kAskedColumn = -2;

// Why a file gave no header row.
enum class ReadProblem {
    None,
    Empty,     // no bytes, or only blank lines
    NotText,   // an image, an archive, a program: bytes that are no text
    NoHeader,  // no row of headings over rows of data
};

struct FileLayout {
    int headerRow = -1;   // of the table; -1 when no row heads the data
    int headerLine = 0;   // the line of the file of the header row
    QStringList headers;  // the header row's texts, trimmed
    // The column of each field: a column, kNoColumn (the file has none) or
    // kAskedColumn (the file does not say which).
    std::array<int, kImportFieldCount> columns{kNoColumn, kNoColumn, kNoColumn, kNoColumn,
                                               kNoColumn, kNoColumn, kNoColumn};
    // What settles each column, or why it is asked, as the end of a sentence,
    // and by what it is settled.
    std::array<QString, kImportFieldCount> columnEvidence;
    enum class By { Nothing, Name, Words, Values };
    std::array<By, kImportFieldCount> columnBy{};
    QString headerEvidence;               // why this row is the header
    bool headingsName = false;            // its headings name the ticker, shares and date columns
    // Where the action column's values in this very file say buy or sell:
    // that ("the values of 'Type' say buy or sell ('BUY' on line 2)").
    QString actionByValues;
    // A file of several tables, each row led by its table's name, as
    // "Trades" leads the rows of the trades: that column, and the name.
    int tableColumn = kNoColumn;
    QString table;
    int settlementColumn = kNoColumn;     // a settlement date other than the trade date's
    bool moneyPaidColumn = false;         // the amounts' heading says they are money paid ("Debit")
    int creditColumn = kNoColumn;         // beside such amounts, the money received ("Credit")
    ReadProblem problem = ReadProblem::None;

    bool hasHeader() const { return headerRow >= 0; }
    int column(ImportField f) const { return columns[std::size_t(f)]; }
};

// The first row that names a ticker, a quantity and a date column, by the
// headings brokers give them or by the words of its headings; else the
// first row of headings alone over rows of data. Without one, why: no text
// (notText: the file's bytes are none), no row, or no headings.
FileLayout findLayout(const CsvTable &table, bool notText = false);

// The layout under the given row of the table as the header.
FileLayout layoutAt(const CsvTable &table, int headerRow);

// The separator (',', ';' or '\t') under which the head of the text holds a
// header row; of several, the one that splits the header into the most
// columns; ',' when none does. evidence: why, as the end of a sentence.
char separatorOf(const QByteArray &utf8, QString *evidence = nullptr);

} // namespace tesmo
