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

// A text that typing can read only as text: it has no "$" and starts with
// an ASCII character that no number, amount or date starts with.
inline bool onlyText(std::string_view text)
{
    if (text.empty() || text.find('$') != std::string_view::npos)
        return false;
    const auto first = std::uint8_t(text.front());
    return first < 0x80 && first > 0x20 && !(first >= '0' && first <= '9') && first != '+' && first != '-'
           && first != '.' && first != '(';
}

// The cell that typing text makes at row and column, as the spreadsheet
// reads typing: a plain number, a currency text, a short date on or after
// kFirstCommonDay, or text. Into a column of the text format everything
// stays text.
JournalCell typedCell(int row, int column, const QString &text, bool textColumn);

// The cell that typing text makes in a column of no format, appended to
// cells; returns its kind.
CellKind appendReadCell(CellJournal &cells, int row, int column, std::string_view text);

// The same for a text in UTF-8 (its control characters blanked), with the
// reading the writer gave, appended to cells; a text that typing can only
// read as text goes over as it is. Returns the kind of the cell.
inline CellKind appendTypedCell(CellJournal &cells, int row, int column, std::string_view text,
                                const SpreadsheetApplication::Reading &reading, bool textColumn)
{
    using Kind = SpreadsheetApplication::Reading::Kind;
    if (!textColumn && reading.kind == Kind::Number) {
        cells.append(row, column, kNumberCell, reading.number, {});
        return kNumberCell;
    }
    if (!textColumn && reading.kind == Kind::Date && reading.date >= kFirstCommonDay) {
        cells.append(row, column, kDateCell, double(reading.date.toJulianDay()), {});
        return kDateCell;
    }
    if (textColumn || reading.kind == Kind::Date || onlyText(text)) {
        cells.append(row, column, kTextCell, 0, text);
        return kTextCell;
    }
    return appendReadCell(cells, row, column, text);
}

} // namespace tesmo::office
