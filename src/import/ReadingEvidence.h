// Which decimal separator and date order a broker's file writes in: settled
// by the file's own values where one of them reads only one way; else by what
// else the file says (settlement dates a few days after the trade dates, its
// separator, its currency, dates written day.month.year, a column whose every
// value has three digits after its mark); else left open for the user, when
// the rows would read differently either way.
#pragma once

#include "import/FileLayout.h"

#include <QChar>
#include <QString>
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

// The rows after the layout's header row, read through its columns, split
// at separator.
SettledReading settleReading(const CsvTable &table, const FileLayout &layout, char separator);

} // namespace tesmo
