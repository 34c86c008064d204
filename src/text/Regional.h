// The regional conversions of the program, United States rules, gathered in one
// place: short dates, plain number text and currency text.
#pragma once

#include "text/Money.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace tesmo::regional {

// The texts below are also written as bytes (ASCII) into a buffer of the
// given room, for the exports, which make them for every lot: each writer
// returns the end of what it wrote.
inline constexpr int kShortDateRoom = 24;
inline constexpr int kNumberTextRoom = 400;
inline constexpr int kCurrencyTextRoom = 40;

// Short date form M/D/YYYY without leading zeros: 1/5/2003; the empty text
// for an invalid date.
QString shortDate(QDate date);
char *writeShortDate(char *out, QDate date);

// Reads a date typed by the user: month, day and year separated by "/" (or "-"),
// one or two digits for month and day, two or four for the year, forming a real
// calendar date; blanks around the whole text are ignored. A two-digit year
// 00-29 falls in 2000-2029, 30-99 in 1930-1999. Returns nothing otherwise.
std::optional<QDate> readDate(QStringView text);

// A number as plain text: at most 15 significant digits, no grouping, no
// exponent, no trailing zeros ("200", "33.3333333333333", "0.5", "-2.5").
QString numberText(double value);
char *writeNumberText(char *out, double value);

// Currency text with comma grouping and the given number of decimals (0-4).
// leadingZero: whether a value below 1 gets a 0 before the point ($0.50 or $.5000).
// A negative amount gets a minus sign before the dollar sign (-$1,234.5000)
// unless parentheses is set, which gives ($1,234.50).
QString currencyText(Ticks ticks, int decimals, bool leadingZero, bool parentheses);
char *writeCurrencyText(char *out, Ticks ticks, int decimals, bool leadingZero, bool parentheses);

// The price per share as shown in the window: 4 decimals, no digit before the
// point below 1, minus sign for negatives. 1234.5 gives $1,234.5000, 0.5 $.5000.
QString priceText(Ticks ticks);
char *writePriceText(char *out, Ticks ticks);

// The net amount as shown in the window: 2 decimals, a 0 before the point,
// parentheses for negatives. 1234.5 gives $1,234.50, 0.5 $0.50.
QString netAmountText(Ticks ticks);
char *writeNetAmountText(char *out, Ticks ticks);

// The number of decimals of the regional currency format.
inline constexpr int kCurrencyDecimals = 2;

// The regional currency format with the given number of decimals: a 0 before
// the point, parentheses for negatives. 12.5 with 4 gives $12.5000, 1250 with
// 2 gives $1,250.00.
QString regionalCurrencyText(Ticks ticks, int decimals = kCurrencyDecimals);
char *writeRegionalCurrencyText(char *out, Ticks ticks, int decimals = kCurrencyDecimals);

// Reads a text as an amount the way money typed by a user is read: a plain
// decimal number ("12.5", "-3", ".5"), or currency text with a "$", commas
// between the whole digits and a minus sign or parentheses for a negative
// amount ("$1,234.50", "-$5.00", "$-5.00", "($5.00)"). Blanks around the text
// are ignored. Nothing for any other text, or an amount too large for Ticks.
std::optional<Ticks> readAmount(QStringView text);

// A count and what it counts, one or many: "1 lot", "3 lots".
QString counted(qint64 n, const char *one, const char *many);

// Items in a sentence: "a", "a and b", "a, b and c"; empty for none.
QString listed(QStringList items);

} // namespace tesmo::regional
