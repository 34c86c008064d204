#include "text/Limits.h"

#include <algorithm>
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
