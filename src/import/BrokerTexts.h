// The readings of single texts of a broker's CSV file: the field a column's
// heading names, a number, a date and an action as brokers write them.
// Widget free, and free of any state: the import and its tests call them.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

namespace tesmo {

// The columns a lot's fields come from, in the order the preview lists them.
enum class ImportField : int { TradeDate, Ticker, Name, Shares, Price, NetAmount, Action };
inline constexpr int kImportFieldCount = 7;
inline constexpr int kNoColumn = -1;

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

namespace import {

// The field a heading names, whatever its case and a unit in parentheses
// after it ("Price ($)", "Price (p)"); nothing for any other text. rank: the
// place of the name in the field's list (lower is preferred).
std::optional<ImportField> headerField(QStringView header, int *rank = nullptr);
// The headings brokers give the field, the preferred first.
QStringList headerNames(ImportField field);
// True for a heading whose unit is pence: "(p)", "(pence)", "(GBX)", "(GBp)".
bool headerInPence(QStringView header);
// True for the heading of a settlement date.
bool isSettlementHeader(QStringView header);

// A number as a broker writes it (currency symbol or code, grouping in
// threes or in the Indian way, by commas, points, blanks or apostrophes,
// a minus, a triangle or parentheses, full-width digits) as plain decimal
// text without sign; negative tells the sign, pence a unit of pence ("51p",
// "GBX 51", "GBp 51"; "GBP" is pounds). Nothing when the text is no number
// in that form.
struct ReadNumber {
    QString plain;
    bool negative = false;
    bool pence = false;
};
std::optional<ReadNumber> readNumber(QStringView text, QChar decimal);
// Plain decimal text divided by 100, exactly: pence as pounds.
QString poundsOfPence(QStringView plain);

// The text of a date field that holds the trade date: the date after "as
// of" when the field gives one ("03/18/2024 as of 03/15/2024" was posted on
// the 18th for a trade of the 15th), else the whole text.
QStringView tradeDateText(QStringView text);

// The first three parts of a date: runs of digits or of letters, and the
// separator after the first (Japanese dates' 年 and 月 read as "/"), or the
// eight digits of a compact year-month-day ("20240315"). Nothing unless what
// follows the third part is a time of day (after a blank or a "T") or nothing.
struct DateParts {
    std::array<QStringView, 3> part;   // of the text given, or of held
    QChar sep;
    QString held;   // the text in plain digits, when it had full-width ones (its buffer moves with it)
};
std::optional<DateParts> dateParts(QStringView text);

// A date in the given order (a four-digit first field is always year first;
// month names read as such; a time of day after the date is ignored).
std::optional<QDate> readDate(QStringView text, DateOrder order);

} // namespace import

} // namespace tesmo
