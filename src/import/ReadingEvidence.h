// Which decimal separator and date order a broker's file writes in: settled
// by the file's own values where one of them reads only one way; else by what
// else the file says (settlement dates a few days after the trade dates, its
// separator, its currency, dates written day.month.year, a column whose every
// value has three digits after its mark); else left open for the user, when
// the rows would read differently either way.
#pragma once

#include "import/CsvReader.h"
#include "import/FieldReading.h"

#include <QChar>
#include <QString>
#include <array>
#include <optional>

namespace tesmo {

struct SettledReading {
    std::optional<QChar> decimal;         // nothing: open, and the rows differ with it
    std::optional<DateOrder> dateOrder;   // likewise
    // What settled each, or why it is open, as a sentence for the preview;
    // empty when nothing in the file reads differently either way.
    QString decimalEvidence;
    QString dateEvidence;
};

// The rows after headerRow, read through the columns of the fields;
// settlement: the column of a settlement date other than the trade date's,
// or kNoColumn.
SettledReading settleReading(const CsvTable &table, int headerRow, const std::array<int, kImportFieldCount> &columns,
                             int settlement, char separator);

} // namespace tesmo
