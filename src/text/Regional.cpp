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
// group of three; returns the end. The digits are made from the last.
char *writeGrouped(char *out, std::uint64_t value)
{
    char digits[32];
    char *const end = digits + sizeof digits;
    char *p = end;
    for (int inGroup = 0;; ++inGroup) {
        if (inGroup == 3) {
            *--p = ',';
            inGroup = 0;
        }
        *--p = char('0' + value % 10);
        if ((value /= 10) == 0)
            break;
    }
    std::memcpy(out, p, std::size_t(end - p));
    return out + (end - p);
}

constexpr std::uint64_t powerOfTen(int n)
{
    return n == 0 ? 1 : 10 * powerOfTen(n - 1);
}

// writeCurrencyText for a number of decimals known here, so that the
// divisions are by constants.
template <int Decimals>
char *writeCurrency(char *out, Ticks ticks, bool leadingZero, bool parentheses)
{
    constexpr std::uint64_t divisor = powerOfTen(4 - Decimals);
    constexpr std::uint64_t unit = powerOfTen(Decimals);
    // Round the magnitude half away from zero to the shown decimals. The
    // magnitude is unsigned so the smallest int64 needs no separate handling.
    const std::uint64_t size = ticks < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(ticks)
                                         : static_cast<std::uint64_t>(ticks);
    const std::uint64_t shown = size / divisor + ((size % divisor) * 2 >= divisor && divisor > 1 ? 1 : 0);
    const std::uint64_t whole = shown / unit;
    std::uint64_t fraction = shown % unit;

    // An amount that rounds to zero is shown without a sign.
    const bool negative = ticks < 0 && shown != 0;
    if (negative)
        *out++ = parentheses ? '(' : '-';
    *out++ = '$';
    if (whole != 0 || leadingZero || Decimals == 0)
        out = writeGrouped(out, whole);
    if (Decimals > 0) {
        *out++ = '.';
        for (int i = Decimals - 1; i >= 0; --i, fraction /= 10)
            out[i] = char('0' + fraction % 10);
        out += Decimals;
    }
    if (negative && parentheses)
        *out++ = ')';
    return out;
}

// The year, month and day of a Julian day in the proleptic Gregorian
// calendar, as QDate counts them (no year 0: the year before 1 is -1);
// the days are counted in eras of 400 years from 1 March of the year 0.
void civilFromJulianDay(qint64 julianDay, int &year, int &month, int &day)
{
    const qint64 days = julianDay - 1721120;   // 1 March of the year 0
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 ofEra = days - era * 146097;                                              // [0, 146096]
    const qint64 yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365;   // [0, 399]
    const qint64 ofYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);      // [0, 365]
    const qint64 monthFromMarch = (5 * ofYear + 2) / 153;                                  // [0, 11]
    day = int(ofYear - (153 * monthFromMarch + 2) / 5 + 1);
    month = int(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const qint64 y = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    year = int(y <= 0 ? y - 1 : y);
}

} // namespace

char *writeShortDate(char *out, QDate date)
{
    if (!date.isValid())
        return out;
    // The year always has at least four digits so that readDate never takes it
    // for a two-digit year.
    int year = 0, month = 0, day = 0;
    civilFromJulianDay(date.toJulianDay(), year, month, day);
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
    switch (std::clamp(decimals, 0, 4)) {
    case 0:
        return writeCurrency<0>(out, ticks, leadingZero, parentheses);
    case 1:
        return writeCurrency<1>(out, ticks, leadingZero, parentheses);
    case 2:
        return writeCurrency<2>(out, ticks, leadingZero, parentheses);
    case 3:
        return writeCurrency<3>(out, ticks, leadingZero, parentheses);
    default:
        return writeCurrency<4>(out, ticks, leadingZero, parentheses);
    }
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

QString counted(qint64 n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

QString listed(QStringList items)
{
    if (items.size() < 2)
        return items.value(0);
    const QString last = items.takeLast();
    return items.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

} // namespace tesmo::regional
