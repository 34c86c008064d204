// What typing a text into a cell of the sheet makes of it: a number, an
// amount of money, a date, or text; and the number format that the cell
// takes from its kind when its column has none.
#pragma once

#include "platform/Spreadsheet.h"
#include "platform/office/CellJournal.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <string_view>

namespace tesmo::office {

enum CellKind : std::int32_t { kTextCell, kNumberCell, kCurrencyCell, kDateCell };

// The number format of text: what is typed into it stays text.
inline constexpr const char *kTextFormat = "@";

// The first day that every reader of workbooks counts alike: the readers
// disagree on whether the year 1900 had a 29 February, so a date before it
// stays text.
inline const QDate kFirstCommonDay(1900, 3, 1);

// The number format a cell of the kind takes when typed into a column of
// no format: a dollar amount, a short date, else none ("").
const char *typedFormat(CellKind kind);

// The cell that typing text makes at row and column, as the spreadsheet
// reads typing: a plain number, a currency text, a short date on or after
// kFirstCommonDay, or text. Into a column of the text format everything
// stays text.
JournalCell typedCell(int row, int column, const QString &text, bool textColumn);

// The same for a text in UTF-8 (its control characters blanked), with the
// reading the writer gave, appended to cells; a text that typing can only
// read as text goes over as it is. Returns the kind of the cell.
CellKind appendTypedCell(CellJournal &cells, int row, int column, std::string_view text,
                     const SpreadsheetApplication::Reading &reading, bool textColumn);

} // namespace tesmo::office
