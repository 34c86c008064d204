#include "import/BrokerTexts.h"

#include "text/Limits.h"

#include <algorithm>
#include <vector>

namespace tesmo::import {

namespace {

// The names by which brokers head each field's column, the preferred first;
// a settlement date stands in for the trade date only when no other date is
// there.
const std::vector<std::vector<const char *>> kHeaderNames = {
    {"Trade Date", "Date", "Transaction Date", "Run Date", "Settlement Date"},
    {"Symbol", "Ticker", "Ticker Symbol"},
    {"Description", "Security Description", "Security", "Name", "Investment Name"},
    {"Quantity", "Shares", "Qty", "Units"},
    {"Price", "Share Price", "Unit Price"},
    {"Net Amount", "Amount", "Total", "Principal", "Cost"},
    {"Action", "Type", "Transaction Type", "Activity"},
};

const char *const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Full-width digits and marks ("１０", "１，２３４．５") as their plain forms,
// in held when they are there; the text itself otherwise.
QStringView plainForm(QStringView text, QString &held)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF; }))
        return text;
    held = text.toString().normalized(QString::NormalizationForm_KC);
    return held;
}

int monthOfName(QStringView name)
{
    if (name.size() < 3)
        return 0;
    for (int m = 0; m < 12; ++m) {
        if (name.first(3).compare(QLatin1String(kMonths[m]), Qt::CaseInsensitive) == 0)
            return m + 1;
    }
    return 0;
}

bool allDigits(QStringView s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isDigit);
}

// A year of two or four digits; two-digit years as the field rules read them.
int yearOf(QStringView s)
{
    if (!allDigits(s) || (s.size() != 2 && s.size() != 4))
        return -1;
    const int y = s.toInt();
    return s.size() == 4 ? y : y + (y < 30 ? 2000 : 1900);
}

int numberOf(QStringView s)
{
    return allDigits(s) && s.size() <= 2 ? s.toInt() : -1;
}

bool isCurrencySign(QChar c)
{
    return c.category() == QChar::Symbol_Currency;
}

// "GBX" in any case and "GBp" are pence; "GBP" is pounds.
bool isPenceCode(QStringView code)
{
    return code.compare(QLatin1String("GBX"), Qt::CaseInsensitive) == 0 || code == QLatin1String("GBp");
}

// A heading as compared: quotes taken off, blanks made single, and a unit in
// parentheses at its end set apart.
struct Heading {
    QString key;    // in lower case
    QString unit;   // as written
};
Heading headingOf(QStringView header)
{
    QString h = header.trimmed().toString();
    h.remove(u'"');
    h = h.simplified();
    Heading heading;
    const qsizetype open = h.lastIndexOf(u'(');
    if (h.endsWith(u')') && open > 0) {
        heading.unit = h.sliced(open + 1, h.size() - open - 2).trimmed();
        h.truncate(open);
    }
    heading.key = h.trimmed().toLower();
    return heading;
}

} // namespace

std::optional<ImportField> headerField(QStringView header, int *rank)
{
    // No heading holds a figure outside its unit: a row's values are passed
    // over at once.
    if (std::any_of(header.begin(), header.end(), isDigit) && !header.contains(u'('))
        return std::nullopt;
    const QString key = headingOf(header).key;
    for (std::size_t f = 0; f < kHeaderNames.size(); ++f) {
        const auto &names = kHeaderNames[f];
        for (std::size_t r = 0; r < names.size(); ++r) {
            if (key.compare(QLatin1String(names[r]), Qt::CaseInsensitive) == 0) {
                if (rank)
                    *rank = int(r);
                return ImportField(f);
            }
        }
    }
    return std::nullopt;
}

QStringList headerNames(ImportField field)
{
    QStringList names;
    for (const char *name : kHeaderNames[std::size_t(field)])
        names << QString::fromLatin1(name);
    return names;
}

bool headerInPence(QStringView header)
{
    const QString unit = headingOf(header).unit;
    return unit.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0
           || unit.compare(QLatin1String("pence"), Qt::CaseInsensitive) == 0 || isPenceCode(unit);
}

bool isSettlementHeader(QStringView header)
{
    return headingOf(header).key == QLatin1String("settlement date");
}

std::optional<ReadNumber> readNumber(QStringView text, QChar decimal)
{
    QString wide;
    QStringView t = plainForm(text, wide).trimmed();
    bool negative = false, pence = false;
    // Signs, parentheses, currency symbols and three-letter codes, in any
    // order around the digits, a "p" of pence after them, and the units of
    // Japanese files (円, 株, 口) after them.
    for (bool changed = true; changed && !t.isEmpty();) {
        changed = false;
        const auto take = [&](qsizetype front, qsizetype back) {
            t = t.sliced(front, t.size() - front - back).trimmed();
            changed = true;
        };
        const qsizetype n = t.size();
        if (n >= 2 && t.front() == u'(' && t.back() == u')') {
            negative = true;
            take(1, 1);
        } else if (t.front() == u'-' || t.front() == u'\u2212' || t.front() == u'+' || t.front() == u'\u25B2'
                   || t.front() == u'\u25B3') {
            negative = negative || t.front() != u'+';
            take(1, 0);
        } else if (t.back() == u'-' || t.back() == u'+') {
            negative = negative || t.back() == u'-';
            take(0, 1);
        } else if (isCurrencySign(t.front())) {
            take(1, 0);
        } else if (isCurrencySign(t.back()) || t.back() == u'\u5186' || t.back() == u'\u682A' || t.back() == u'\u53E3') {
            take(0, 1);
        } else if (n > 3 && isLetter(t[0]) && isLetter(t[1]) && isLetter(t[2]) && !isLetter(t[3])) {
            pence = pence || isPenceCode(t.first(3));
            take(3, 0);
        } else if (n > 3 && isLetter(t[n - 1]) && isLetter(t[n - 2]) && isLetter(t[n - 3]) && !isLetter(t[n - 4])) {
            pence = pence || isPenceCode(t.last(3));
            take(0, 3);
        } else if (n > 1 && t.back() == u'p' && !isLetter(t[n - 2])) {
            pence = true;
            take(0, 1);
        }
    }
    // Digits in groups after the first, by one mark throughout, then the
    // decimals.
    const auto isGroup = [&](QChar c) {
        return (c == u',' || c == u'.' || c == u' ' || c == u'\u00A0' || c == u'\u202F' || c == u'\''
                || c == u'\u2019' || c == u'\u02BC')
               && c != decimal;
    };
    QString plain;
    plain.reserve(t.size());
    qsizetype i = 0;
    int run = 0;
    QChar mark;
    std::vector<int> groups;
    while (i < t.size()) {
        const QChar c = t[i];
        if (isDigit(c)) {
            plain += c;
            ++run;
        } else if (isGroup(c) && run > 0 && i + 1 < t.size() && isDigit(t[i + 1])) {
            if (!mark.isNull() && c != mark)
                return std::nullopt;
            mark = c;
            groups.push_back(run);
            run = 0;
        } else {
            break;
        }
        ++i;
    }
    if (!groups.empty()) {
        groups.push_back(run);
        // Threes after the first group of one to three; or the Indian way,
        // twos between a first of one or two and a last three. The first
        // group of a grouped number never starts with 0.
        const auto all = [&](int from, int to, int n) {
            return std::all_of(groups.begin() + from, groups.begin() + to, [n](int g) { return g == n; });
        };
        const int count = int(groups.size());
        const bool threes = groups.front() <= 3 && all(1, count, 3);
        const bool indian = count >= 3 && groups.front() <= 2 && groups.back() == 3 && all(1, count - 1, 2);
        if (plain.front() == u'0' || (!threes && !indian))
            return std::nullopt;
    }
    if (i < t.size() && t[i] == decimal) {
        plain += u'.';
        for (++i; i < t.size() && isDigit(t[i]); ++i)
            plain += t[i];
    }
    if (i != t.size() || !std::any_of(plain.cbegin(), plain.cend(), isDigit))
        return std::nullopt;
    return ReadNumber{plain, negative, pence};
}

QString poundsOfPence(QStringView plain)
{
    qsizetype point = plain.indexOf(u'.');
    if (point < 0)
        point = plain.size();
    QString digits = plain.toString();
    if (point < digits.size())
        digits.remove(point, 1);
    qsizetype at = point - 2;
    if (at < 1) {
        digits.prepend(QString(1 - at, u'0'));
        at = 1;
    }
    digits.insert(at, u'.');
    return digits;
}

QStringView tradeDateText(QStringView text)
{
    // Dates are short, and nearly none holds a blank before an "a": a
    // search letter by letter.
    const auto is = [&](qsizetype i, char16_t c) { return text[i].toLower() == c; };
    for (qsizetype i = 0; i + 7 <= text.size(); ++i)
        if (text[i] == u' ' && is(i + 1, u'a') && is(i + 2, u's') && text[i + 3] == u' ' && is(i + 4, u'o')
            && is(i + 5, u'f') && text[i + 6] == u' ')
            return text.sliced(i + 7).trimmed();
    return text;
}

std::optional<DateParts> dateParts(QStringView text)
{
    DateParts d;
    QStringView t = plainForm(tradeDateText(text), d.held).trimmed();
    // What may follow a date: nothing, a time of day, or the 日 of a Japanese date.
    const auto ends = [&](qsizetype i) {
        return i == t.size() || t[i].isSpace() || t[i] == u'T' || t[i] == u';' || t[i] == u',' || t[i] == u'\u65E5';
    };
    if (t.size() >= 8 && std::all_of(t.begin(), t.begin() + 8, isDigit) && ends(8)) {
        d.part = {t.first(4), t.sliced(4, 2), t.sliced(6, 2)};
        return d;
    }
    const auto isSeparator = [](QChar c) {
        return c == u'/' || c == u'-' || c == u'.' || c == u',' || c == u' ' || c == u'\u5E74' || c == u'\u6708';
    };
    qsizetype i = 0;
    for (int p = 0; p < 3; ++p) {
        if (p > 0) {
            const qsizetype start = i;
            while (i < t.size() && isSeparator(t[i]))
                ++i;
            if (i == start)
                return std::nullopt;
            if (p == 1)
                d.sep = t[start] == u'\u5E74' ? QChar(u'/') : t[start];
        }
        const qsizetype start = i;
        const bool digits = i < t.size() && isDigit(t[i]);
        while (i < t.size() && (digits ? isDigit(t[i]) : isLetter(t[i])))
            ++i;
        if (i == start)
            return std::nullopt;
        d.part[std::size_t(p)] = t.sliced(start, i - start);
    }
    if (!ends(i))
        return std::nullopt;
    return d;
}

std::optional<QDate> readDate(QStringView text, DateOrder order)
{
    const auto d = dateParts(text);
    if (!d)
        return std::nullopt;
    const auto &p = d->part;
    int year = -1, month = -1, day = -1;
    if (const int m = monthOfName(p[0]); m && !isLetter(p[1][0])) {   // Jan 5, 2024
        month = m;
        day = numberOf(p[1]);
        year = yearOf(p[2]);
    } else if (const int m1 = monthOfName(p[1]); m1 && !isLetter(p[0][0])) {   // 5-Jan-2024
        month = m1;
        day = numberOf(p[0]);
        year = yearOf(p[2]);
    } else if (p[0].size() == 4 || order == DateOrder::YearMonthDay) {
        year = yearOf(p[0]);
        month = numberOf(p[1]);
        day = numberOf(p[2]);
    } else {
        year = yearOf(p[2]);
        month = numberOf(order == DateOrder::MonthDayYear ? p[0] : p[1]);
        day = numberOf(order == DateOrder::MonthDayYear ? p[1] : p[0]);
    }
    if (year < 0 || month < 1 || day < 1)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid() || year < kFirstYear || year > kLastYear)
        return std::nullopt;
    return date;
}

} // namespace tesmo::import
