// What the ledger holds, in one place: the file's checks, the field rules and
// the readers all take their ranges and lengths from here.
#pragma once

#include "text/Money.h"

#include <QStringView>

namespace tesmo {

// Prices and net amounts: from $0 up to $450 billion. Every amount in this
// range, in whole ten-thousandths, survives the file's REAL column exactly.
inline constexpr Ticks kMinMoneyTicks = 0;
inline constexpr Ticks kMaxMoneyTicks = Ticks{450'000'000'000} * kTicksPerDollar;
static_assert(kMaxMoneyTicks <= kMaxTicks);

// The range in dollars, as the file's checks compare the stored values.
bool dollarsInRange(double dollars);

// Numbers of shares: at most fifteen whole digits either side of zero, which
// the window shows exactly.
inline constexpr double kMaxShares = 999'999'999'999'999.0;

// Shares are kept to six decimals, the finest fraction of a share that
// brokers trade: a double holds fifteen significant digits, so a count of up
// to 999,999,999.999999 shares reads back exactly as typed, and a sum or
// difference of counts, rounded again, leaves no remnant in the last digits.
inline constexpr int kShareDecimals = 6;

// Longest texts, in characters (Unicode code points, as SQLite's length()).
inline constexpr int kNameLength = 50;
inline constexpr int kTickerLength = 10;

// The start-up password, in characters: the protection dialog, the password
// prompt and the file all take at most this many.
inline constexpr int kPasswordLength = 256;

// Trade dates run from 1 January of the year 1 to 31 December 9999.
inline constexpr int kFirstYear = 1;
inline constexpr int kLastYear = 9999;

bool moneyInRange(Ticks ticks);
bool sharesInRange(double shares);

// shares rounded to kShareDecimals, half away from zero, as the decimal its
// digits spell: the double nearest to it. Every number of shares that the
// program works out goes through here before it is kept. Counts too large for
// a millionth of a share to show in a double (above 2^52 millionths), and
// values that are not finite, stay as they are.
double roundShares(double shares);
// True when shares needs no rounding to kShareDecimals.
bool sharesExact(double shares);

// The number of characters of a text: code points, a surrogate pair counting
// once.
qsizetype characterCount(QStringView text);

// True for a control character: U+0000-U+001F and U+007F-U+009F. Names and
// tickers never hold one (a line break would split a lot's line in a file).
bool isControlCharacter(QChar c);
constexpr bool isControlCodePoint(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}
bool hasControlCharacter(QStringView text);

// True when a text fits a name or ticker field of the given length: at most
// that many characters and no control character (NUL included).
bool fitsText(QStringView text, int length);

} // namespace tesmo
