#include "text/Regional.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

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

// Inserts a comma between every group of three digits of a run of digits.
QString grouped(const QString &digits)
{
    QString text;
    text.reserve(digits.size() + digits.size() / 3);
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            text += u',';
        text += digits[i];
    }
    return text;
}

} // namespace

QString shortDate(QDate date)
{
    if (!date.isValid())
        return {};
    // The year always has at least four digits so that readDate never takes it
    // for a two-digit year. Written into a buffer: the lists make this text
    // for every lot.
    char buffer[32];
    char *p = std::to_chars(buffer, buffer + 4, date.month()).ptr;
    *p++ = '/';
    p = std::to_chars(p, p + 4, date.day()).ptr;
    *p++ = '/';
    int year = date.year();
    if (year < 0) {
        *p++ = '-';
        year = -year;
    }
    for (int digits = year < 10 ? 1 : year < 100 ? 2 : year < 1000 ? 3 : 4; digits < 4; ++digits)
        *p++ = '0';
    p = std::to_chars(p, buffer + sizeof buffer, year).ptr;
    return QString::fromLatin1(buffer, p - buffer);
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

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    if (value == 0)
        return QStringLiteral("0");
    // Whole numbers of up to 15 digits, the usual number of shares, need no
    // rounding to significant digits.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        std::array<char, 24> whole{};
        const auto end = std::to_chars(whole.data(), whole.data() + whole.size(), static_cast<long long>(value)).ptr;
        return QString::fromLatin1(whole.data(), end - whole.data());
    }

    // Fifteen significant digits in scientific form, d.dddddddddddddde+XX;
    // std::to_chars is independent of the process locale.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, 14);
    const std::string scientific(buffer.data(), result.ptr);

    const std::size_t e = scientific.find('e');
    int exponent = 0;
    std::from_chars(scientific.data() + e + 1 + (scientific[e + 1] == '+' ? 1 : 0),
                    scientific.data() + scientific.size(), exponent);

    std::string digits;
    bool negative = false;
    for (std::size_t i = 0; i < e; ++i) {
        const char c = scientific[i];
        if (c == '-')
            negative = true;
        else if (c != '.')
            digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    // The first digit stands for 10^exponent.
    std::string plain;
    if (exponent < 0) {
        plain = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            plain = digits + std::string(whole - digits.size(), '0');
        } else {
            plain = digits.substr(0, whole) + '.' + digits.substr(whole);
        }
    }
    if (negative)
        plain.insert(plain.begin(), '-');
    return QString::fromLatin1(plain.data(), static_cast<qsizetype>(plain.size()));
}

QString currencyText(Ticks ticks, int decimals, bool leadingZero, bool parentheses)
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
    const std::uint64_t fraction = shown % unit;

    QString number;
    if (whole != 0 || leadingZero || decimals == 0)
        number = grouped(QString::number(whole));
    if (decimals > 0)
        number += u'.' + QString::number(fraction).rightJustified(decimals, u'0');

    // An amount that rounds to zero is shown without a sign.
    const bool negative = ticks < 0 && shown != 0;
    if (!negative)
        return u'$' + number;
    if (parentheses)
        return QStringLiteral("($") + number + u')';
    return QStringLiteral("-$") + number;
}

QString priceText(Ticks ticks)
{
    return currencyText(ticks, 4, false, false);
}

QString netAmountText(Ticks ticks)
{
    return currencyText(ticks, 2, true, true);
}

QString regionalCurrencyText(Ticks ticks, int decimals)
{
    return currencyText(ticks, decimals, true, true);
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
