// Money as an exact fixed-point amount: whole ten-thousandths of a dollar.
// Amounts are parsed from and written to decimal text directly, never through
// binary floating point.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace tesmo {

// Ten-thousandths of a dollar; 12.5 dollars is 125000.
using Ticks = std::int64_t;

inline constexpr Ticks kTicksPerDollar = 10000;

// Largest size of an amount the money type holds, about $450 billion: up to
// here every tick count has a double of its own, so amounts survive the
// file's REAL column unchanged. The ledger's own range (Limits.h) lies inside.
inline constexpr Ticks kMaxTicks = Ticks{1} << 52;

// Reads a plain decimal number ("12", "-3.25", ".5", "+007", "12.") as money,
// rounded half away from zero to four decimals. Returns nothing when the text
// is not a plain decimal number (see IsNumber) or its size exceeds kMaxTicks.
std::optional<Ticks> parseTicks(QStringView plain);

// The amount as plain decimal text, without trailing zeros: 12.5, 0.5, 7, -3.25.
QString plainTicksText(Ticks ticks);
// The same as bytes (ASCII) at out, which has kPlainTicksRoom; returns the end.
inline constexpr int kPlainTicksRoom = 32;
char *writePlainTicksText(char *out, Ticks ticks);

// Dollars as a double, for the file's REAL column.
double ticksToDouble(Ticks ticks);

// A value read from the file's REAL column, rounded to the nearest tick.
// Returns nothing when it is not finite or its size exceeds kMaxTicks.
std::optional<Ticks> ticksFromDouble(double dollars);

} // namespace tesmo
