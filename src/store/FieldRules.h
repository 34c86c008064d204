// The rules that the text of a lot's fields must meet, and the way back from
// currency text to a number. Pure functions over text.
#pragma once

#include "store/Money.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>

namespace tesmo {

// True for a plain decimal number: one optional leading "+" or "-", then only
// digits and at most one ".", not empty and not "." alone. "12", "12.", ".5",
// "-3.25" and "+007" pass; "", ".", "-", "1.2.3", "1,000", "$5", " 5", "1e5" fail.
bool IsNumber(QStringView value);

// Currency text back to plain number text: when the text holds a "$" anywhere,
// its first character is dropped (whatever it is); then every "," is removed.
// "$1,234.5000" gives "1234.5000", "$.5000" ".5000", "1,000" "1000".
QString AwayFromCurrency(QStringView value);

// A field text read as money the way the store reads it: AwayFromCurrency, then
// a plain decimal number. Nothing when that fails.
std::optional<Ticks> moneyFromText(QStringView text);

// A field text read as a number the way the store and the split read it:
// AwayFromCurrency, then a plain decimal number. Nothing when that fails or
// the value is not finite.
std::optional<double> numberFromText(QStringView text);

} // namespace tesmo
