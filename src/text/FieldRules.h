// The rules that the texts of a lot's fields must meet before a lot is
// stored, the number test, the way back from currency text to a number, and
// the one letter-case fold by which tickers are compared. Pure functions over
// text.
#pragma once

#include "text/Fields.h"
#include "text/Money.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <string_view>

namespace tesmo {

// True for a plain decimal number: one optional leading "+" or "-", then only
// digits and at most one ".", not empty and not "." alone. "12", "12.", ".5",
// "-3.25" and "+007" pass; "", ".", "-", "1.2.3", "1,000", "$5", " 5", "1e5" fail.
bool IsNumber(QStringView value);

// Currency text back to plain number text: when the text holds a "$" anywhere,
// its first character is dropped (a whole character, never half of one); then
// every "," is removed. "$1,234.5000" gives "1234.5000", "$.5000" ".5000",
// "1,000" "1000".
QString AwayFromCurrency(QStringView value);

// A field text read as money the way the store reads it: AwayFromCurrency,
// then a plain decimal number. Nothing when that fails or the amount is too
// large for the money type.
std::optional<Ticks> moneyFromText(QStringView text);

// A field text read as a number the way the store and the split read it:
// AwayFromCurrency, then a plain decimal number. Nothing when that fails or
// the value is not finite.
std::optional<double> numberFromText(QStringView text);

// A price per share split by ratio (new shares for one old) as a split
// gives it: the quotient as the price box shows it, read back as money.
// Nothing when that is not an amount the money type holds.
std::optional<Ticks> splitPrice(double price, double ratio);

// A rule that a field's text breaks: the field, the message the user is
// shown, and whether the field's whole text is selected for correcting.
struct BrokenRule {
    FieldPos field;
    QString message;
    bool selectAll;
};

// The first rule that the texts of fields 1 to 6 break, in the order in
// which the user is told; nothing when every rule holds. Empty means the
// empty text: blanks are not empty.
std::optional<BrokenRule> firstBrokenRule(const FieldTexts &texts);

// Tickers are compared ignoring letter case, by Unicode case folding: "été"
// and "ÉTÉ" are the same ticker, as are "ibm" and "IBM".
QString foldTicker(QStringView ticker);
bool sameTicker(QStringView a, QStringView b);

// One ticker that many lots' tickers (UTF-8) are compared with, as sameTicker
// compares them. Two ASCII tickers are compared byte by byte without the text
// conversions, since a ledger may hold a million lots.
class TickerMatcher {
public:
    explicit TickerMatcher(QStringView ticker);
    bool operator()(std::string_view lotTicker) const;

private:
    QString folded_;
    QByteArray utf8_;
    bool ascii_;
};

} // namespace tesmo
