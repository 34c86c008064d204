// Where a broker's file keeps its lots: the row that heads the columns and
// the column of each field, found from the file's table, and the separator
// that splits the file into those columns.
#pragma once

#include "import/BrokerTexts.h"
#include "import/CsvReader.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <vector>

namespace tesmo {

// Why a file gave no header row.
enum class ReadProblem {
    None,
    Empty,            // no bytes, or only blank lines
    NotText,          // an image, an archive, a program: bytes that are no text
    MissingColumns,   // a row names some of the columns, not all: missing says which
    NoHeader,         // no row names the columns in words the import knows
};

struct FileLayout {
    int headerRow = -1;   // of the table; -1 when no row names a ticker, a quantity and a date column
    // The line of the file of the header row; without one, that of the row
    // that names the most columns (MissingColumns).
    int headerLine = 0;
    QStringList headers;   // the header row's texts, trimmed
    std::array<int, kImportFieldCount> columns{kNoColumn, kNoColumn, kNoColumn, kNoColumn,
                                               kNoColumn, kNoColumn, kNoColumn};
    int settlementColumn = kNoColumn;   // a settlement date other than the trade date's
    ReadProblem problem = ReadProblem::None;
    std::vector<ImportField> missing;   // the ticker, quantity or date columns it lacks

    bool hasHeader() const { return headerRow >= 0; }
};

// The first row that names a ticker, a quantity and a date column, and the
// columns of the fields by the headings brokers give them. Without one, why:
// no text (notText: the file's bytes are none), no row, or the row that names
// the most columns and the ones it lacks.
FileLayout findLayout(const CsvTable &table, bool notText = false);

// The separator (',', ';' or '\t') under which the head of the text holds a
// header row; of several, the one that splits the header into the most
// columns; ',' when none does.
char separatorOf(const QByteArray &utf8);

} // namespace tesmo
