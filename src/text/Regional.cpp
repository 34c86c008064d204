#include "text/Regional.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace tesmo::regional {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads a run of one to maxDigits ASCII digits starting at pos, moving pos past
// it. Returns -1 when there is no digit there or the run is longer than allowed.
int readDigits(QStringView text, qsizetype &pos, int maxDigits, int &count)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && isAsciiDigit(text[pos])) {
        if (++digits > maxDigits)
            return -1;
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
    }
    count = digits;
    return digits == 0 ? -1 : value;
}

// Writes the decimal digits of value at out, with a comma between every
// group of three; returns the end.
char *writeGrouped(char *out, std::uint64_t value)
{
    char digits[24];
    const char *end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const std::ptrdiff_t n = end - digits;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            *out++ = ',';
        *out++ = digits[i];
    }
    return out;
}

} // namespace

char *writeShortDate(char *out, QDate date)
{
    if (!date.isValid())
        return out;
    // The year always has at least four digits so that readDate never takes it
    // for a two-digit year.
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    out = std::to_chars(out, out + 2, month).ptr;
    *out++ = '/';
    out = std::to_chars(out, out + 2, day).ptr;
    *out++ = '/';
    if (year < 0) {
        *out++ = '-';
        year = -year;
    }
    for (int digits = year < 10 ? 1 : year < 100 ? 2 : year < 1000 ? 3 : 4; digits < 4; ++digits)
        *out++ = '0';
    return std::to_chars(out, out + 12, year).ptr;
}

QString shortDate(QDate date)
{
    char buffer[kShortDateRoom];
    return QString::fromLatin1(buffer, writeShortDate(buffer, date) - buffer);
}

std::optional<QDate> readDate(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype pos = 0;
    int digits = 0;

    const int month = readDigits(t, pos, 2, digits);
    if (month < 0 || pos >= t.size())
        return std::nullopt;
    const QChar separator = t[pos];
    if (separator != u'/' && separator != u'-')
        return std::nullopt;
    ++pos;

    const int day = readDigits(t, pos, 2, digits);
    if (day < 0 || pos >= t.size() || t[pos] != separator)
        return std::nullopt;
    ++pos;

    int year = readDigits(t, pos, 4, digits);
    if (year < 0 || pos != t.size() || (digits != 2 && digits != 4))
        return std::nullopt;
    if (digits == 2)
        year += year < 30 ? 2000 : 1900;

    // QDate checks the calendar: month range, month length and leap years.
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

char *writeNumberText(char *out, double value)
{
    const auto put = [&out](std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    };
    if (std::isnan(value))
        return put("NaN");
    if (std::isinf(value))
        return put(value < 0 ? "-Infinity" : "Infinity");
    if (value == 0)
        return put("0");
    // Whole numbers of up to 15 digits, the usual number of shares, need no
    // rounding to significant digits.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return std::to_chars(out, out + 24, static_cast<long long>(value)).ptr;

    // Fifteen significant digits in scientific form, -d.dddddddddddddde+XXX;
    // std::to_chars is independent of the process locale.
    char scientific[32];
    const char *end = std::to_chars(scientific, scientific + sizeof scientific, value,
                                    std::chars_format::scientific, 14).ptr;
    const char *e = std::find(static_cast<const char *>(scientific), end, 'e');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), end, exponent);

    const bool negative = scientific[0] == '-';
    char digits[16];
    int count = 0;
    for (const char *p = scientific + (negative ? 1 : 0); p < e; ++p) {
        if (*p != '.')
            digits[count++] = *p;
    }
    while (count > 1 && digits[count - 1] == '0')
        --count;

    // The first digit stands for 10^exponent.
    if (negative)
        *out++ = '-';
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -exponent - 1, '0');
        return std::copy_n(digits, count, out);
    }
    const int whole = exponent + 1;
    if (count <= whole) {
        out = std::copy_n(digits, count, out);
        return std::fill_n(out, whole - count, '0');
    }
    out = std::copy_n(digits, whole, out);
    *out++ = '.';
    return std::copy_n(digits + whole, count - whole, out);
}

QString numberText(double value)
{
    char buffer[kNumberTextRoom];
    return QString::fromLatin1(buffer, writeNumberText(buffer, value) - buffer);
}

char *writeCurrencyText(char *out, Ticks ticks, int decimals, bool leadingZero, bool parentheses)
{
    decimals = std::clamp(decimals, 0, 4);
    std::uint64_t divisor = 1;
    for (int i = decimals; i < 4; ++i)
        divisor *= 10;

    // Round the magnitude half away from zero to the shown decimals. The
    // magnitude is unsigned so the smallest int64 needs no separate handling.
    const std::uint64_t size = ticks < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(ticks)
                                         : static_cast<std::uint64_t>(ticks);
    const std::uint64_t shown = size / divisor + ((size % divisor) * 2 >= divisor && divisor > 1 ? 1 : 0);

    std::uint64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    const std::uint64_t whole = shown / unit;
    std::uint64_t fraction = shown % unit;

    // An amount that rounds to zero is shown without a sign.
    const bool negative = ticks < 0 && shown != 0;
    if (negative)
        *out++ = parentheses ? '(' : '-';
    *out++ = '$';
    if (whole != 0 || leadingZero || decimals == 0)
        out = writeGrouped(out, whole);
    if (decimals > 0) {
        *out++ = '.';
        for (int i = decimals - 1; i >= 0; --i, fraction /= 10)
            out[i] = char('0' + fraction % 10);
        out += decimals;
    }
    if (negative && parentheses)
        *out++ = ')';
    return out;
}

QString currencyText(Ticks ticks, int decimals, bool leadingZero, bool parentheses)
{
    char buffer[kCurrencyTextRoom];
    return QString::fromLatin1(buffer, writeCurrencyText(buffer, ticks, decimals, leadingZero, parentheses) - buffer);
}

QString priceText(Ticks ticks)
{
    return currencyText(ticks, 4, false, false);
}

char *writePriceText(char *out, Ticks ticks)
{
    return writeCurrencyText(out, ticks, 4, false, false);
}

QString netAmountText(Ticks ticks)
{
    return currencyText(ticks, 2, true, true);
}

char *writeNetAmountText(char *out, Ticks ticks)
{
    return writeCurrencyText(out, ticks, 2, true, true);
}

QString regionalCurrencyText(Ticks ticks, int decimals)
{
    return currencyText(ticks, decimals, true, true);
}

char *writeRegionalCurrencyText(char *out, Ticks ticks, int decimals)
{
    return writeCurrencyText(out, ticks, decimals, true, true);
}

std::optional<Ticks> readAmount(QStringView text)
{
    QStringView t = text.trimmed();
    if (!t.isEmpty() && t.front() != u'+' && t.front() != u'-' && t.front() != u'(' && t.front() != u'$'
        && !t.contains(u','))
        return parseTicks(t);
    bool negative = false;
    if (t.size() >= 2 && t.front() == u'(' && t.back() == u')') {
        negative = true;
        t = t.sliced(1, t.size() - 2);
    }
    const auto takeMinus = [&] {
        if (!negative && t.startsWith(u'-')) {
            negative = true;
            t = t.sliced(1);
        }
    };
    takeMinus();
    const bool currency = t.startsWith(u'$');
    if (currency) {
        t = t.sliced(1);
        takeMinus();
    }

    // Commas may only separate whole digits, and never start the number.
    const qsizetype point = t.indexOf(u'.');
    const QStringView whole = point < 0 ? t : t.first(point);
    if (t.startsWith(u',') || t.sliced(whole.size()).contains(u','))
        return std::nullopt;
    QString plain = t.toString();
    plain.remove(u',');
    if (plain.isEmpty() || plain.front() == u'+' || plain.front() == u'-')
        return std::nullopt;
    const auto ticks = parseTicks(plain);
    if (!ticks)
        return std::nullopt;
    return negative ? -*ticks : *ticks;
}

} // namespace tesmo::regional
