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

// A number as a broker writes it (currency symbol or code, grouping, a
// minus or parentheses) as plain decimal text without sign; negative tells
// the sign, pence a unit of pence ("51p", "GBX 51", "GBp 51"; "GBP" is
// pounds). Nothing when the text is no number in that form.
struct ReadNumber {
    QString plain;
    bool negative = false;
    bool pence = false;
};
std::optional<ReadNumber> readNumber(QStringView text, QChar decimal);
// Plain decimal text divided by 100, exactly: pence as pounds.
QString poundsOfPence(QStringView plain);

// The first three parts of a date: runs of digits or of letters, and the
// separator after the first. Nothing unless what follows the third part is
// a time of day (after a blank or a "T") or nothing.
struct DateParts {
    std::array<QStringView, 3> part;
    QChar sep;
};
std::optional<DateParts> dateParts(QStringView text);

// A date in the given order (a four-digit first field is always year first;
// month names read as such; a time of day after the date is ignored).
std::optional<QDate> readDate(QStringView text, DateOrder order);

// What an action says: a purchase (buy, bought, purchase, reinvestment), a
// purchase undone (a purchase word with a cancellation, a reversal or a
// correction), a sale (sell, sold, sale, a tender, a redemption) that is not
// undone, or anything else (a dividend, a fee, a sale undone). A purchase
// word beside a sale or tender word is neither.
enum class Action { Purchase, PurchaseUndone, Sale, Other };
Action actionOf(QStringView action);

} // namespace import

} // namespace tesmo
