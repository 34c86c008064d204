#include "text/Money.h"

#include <charconv>
#include <cmath>

namespace tesmo {

namespace {

constexpr int kDecimals = 4;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Magnitude of a tick count without the overflow that negating the smallest
// int64 would cause.
std::uint64_t magnitude(Ticks ticks)
{
    return ticks < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(ticks)
                     : static_cast<std::uint64_t>(ticks);
}

} // namespace

std::optional<Ticks> parseTicks(QStringView plain)
{
    qsizetype i = 0;
    const qsizetype n = plain.size();
    bool negative = false;
    if (i < n && (plain[i] == u'+' || plain[i] == u'-')) {
        negative = plain[i] == u'-';
        ++i;
    }

    // Whole dollars. Leading zeros are skipped by the arithmetic itself; the
    // running value is checked against the limit on every digit so that a long
    // run of digits can never overflow.
    constexpr Ticks kMaxDollars = kMaxTicks / kTicksPerDollar;
    Ticks dollars = 0;
    bool tooLarge = false;
    int digitCount = 0;
    for (; i < n && isAsciiDigit(plain[i]); ++i) {
        ++digitCount;
        if (!tooLarge) {
            dollars = dollars * 10 + (plain[i].unicode() - u'0');
            tooLarge = dollars > kMaxDollars;
        }
    }

    // Fraction: four digits kept, the fifth decides the rounding, the rest only
    // have to be digits. Half away from zero means a fifth digit of 5 or more
    // rounds the magnitude up, whatever follows it.
    Ticks fraction = 0;
    int kept = 0;
    bool roundUp = false;
    if (i < n && plain[i] == u'.') {
        ++i;
        for (; i < n && isAsciiDigit(plain[i]); ++i) {
            ++digitCount;
            const int digit = plain[i].unicode() - u'0';
            if (kept < kDecimals) {
                fraction = fraction * 10 + digit;
                ++kept;
            } else if (kept == kDecimals) {
                roundUp = digit >= 5;
                ++kept;
            }
        }
    }
    if (i != n || digitCount == 0 || tooLarge)
        return std::nullopt;

    for (; kept < kDecimals; ++kept)
        fraction *= 10;
    Ticks ticks = dollars * kTicksPerDollar + fraction + (roundUp ? 1 : 0);
    if (ticks > kMaxTicks)
        return std::nullopt;
    return negative ? -ticks : ticks;
}

char *writePlainTicksText(char *p, Ticks ticks)
{
    if (ticks < 0)
        *p++ = '-';
    const std::uint64_t size = magnitude(ticks);
    const std::uint64_t perDollar = static_cast<std::uint64_t>(kTicksPerDollar);
    p = std::to_chars(p, p + 24, size / perDollar).ptr;

    std::uint64_t fraction = size % perDollar;
    if (fraction != 0) {
        int digits = kDecimals;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        *p++ = '.';
        for (int i = digits - 1; i >= 0; --i, fraction /= 10)
            p[i] = char('0' + fraction % 10);
        p += digits;
    }
    return p;
}

QString plainTicksText(Ticks ticks)
{
    char buffer[kPlainTicksRoom];
    return QString::fromLatin1(buffer, writePlainTicksText(buffer, ticks) - buffer);
}

double ticksToDouble(Ticks ticks)
{
    // Both operands are exact for every amount up to kMaxTicks, so the result
    // is the double nearest to the true amount.
    return static_cast<double>(ticks) / static_cast<double>(kTicksPerDollar);
}

std::optional<Ticks> ticksFromDouble(double dollars)
{
    if (!std::isfinite(dollars))
        return std::nullopt;
    const double scaled = std::round(dollars * static_cast<double>(kTicksPerDollar));
    // Compare before converting: the conversion of an out-of-range double to an
    // integer is undefined.
    if (std::fabs(scaled) > static_cast<double>(kMaxTicks) + 1.0)
        return std::nullopt;
    Ticks ticks = static_cast<Ticks>(scaled);

    // The product above is itself rounded, which near the top of the range can
    // land it one tick away from the amount that was written. Prefer the tick
    // whose own double is exactly the value read, so that every amount written
    // with ticksToDouble reads back unchanged.
    if (ticksToDouble(ticks) != dollars) {
        for (Ticks neighbour : {ticks - 1, ticks + 1}) {
            if (ticksToDouble(neighbour) == dollars) {
                ticks = neighbour;
                break;
            }
        }
    }
    if (ticks > kMaxTicks || ticks < -kMaxTicks)
        return std::nullopt;
    return ticks;
}

} // namespace tesmo
