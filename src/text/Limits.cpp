#include "text/Limits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tesmo {

bool moneyInRange(Ticks ticks)
{
    return ticks >= kMinMoneyTicks && ticks <= kMaxMoneyTicks;
}

bool dollarsInRange(double dollars)
{
    return dollars >= 0 && dollars <= double(kMaxMoneyTicks / kTicksPerDollar);
}

bool sharesInRange(double shares)
{
    return std::isfinite(shares) && std::fabs(shares) <= kMaxShares;
}

double roundShares(double shares)
{
    constexpr double kLargest = 4503599627.370496;   // 2^52 millionths
    if (!std::isfinite(shares) || std::fabs(shares) >= kLargest)
        return shares;
    // The binary value's decimals, exact well past a tie at the seventh: the
    // doubles around one lie more than 1e-23 apart. One place is kept in
    // front for a carry ("999.9999995" becomes "1000.000000").
    char digits[64] = {'0'};
    const auto written = std::to_chars(digits + 1, digits + sizeof digits, std::fabs(shares),
                                       std::chars_format::fixed, 30);
    const auto point = std::size_t(std::find(digits + 1, written.ptr, '.') - digits);
    const std::size_t end = point + 1 + kShareDecimals;
    if (digits[end] >= '5') {
        for (std::size_t i = end - 1;; --i) {
            if (i == point)
                continue;
            if (digits[i] != '9') {
                ++digits[i];
                break;
            }
            digits[i] = '0';
        }
    }
    double rounded = 0;
    std::from_chars(digits, digits + end, rounded);
    return rounded == 0 ? 0.0 : std::copysign(rounded, shares);
}

bool sharesExact(double shares)
{
    return roundShares(shares) == shares;
}

qsizetype characterCount(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

bool isControlCharacter(QChar c)
{
    return isControlCodePoint(c.unicode());
}

bool hasControlCharacter(QStringView text)
{
    return std::any_of(text.begin(), text.end(), isControlCharacter);
}

bool fitsText(QStringView text, int length)
{
    return !hasControlCharacter(text) && characterCount(text) <= length;
}

} // namespace tesmo
