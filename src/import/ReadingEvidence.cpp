#include "import/ReadingEvidence.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace tesmo {

namespace {

// The longest a settlement takes after its trade, in days.
constexpr qint64 kSettlementDays = 10;

enum Currency { kPound = 1, kEuro = 2, kOtherCurrency = 4 };

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The currencies a text names: signs anywhere, codes as whole words.
int currenciesOf(QStringView text)
{
    static const QStringList others{"USD", "CAD", "AUD", "NZD", "HKD", "SGD", "CHF", "JPY"};
    int found = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\u00A3')
            found |= kPound;
        else if (c == u'\u20AC')
            found |= kEuro;
        else if (c.category() == QChar::Symbol_Currency)
            found |= kOtherCurrency;
        if (!c.isLetter())
            continue;
        qsizetype end = i;
        while (end < text.size() && text[end].isLetter())
            ++end;
        const QStringView word = text.sliced(i, end - i);
        if (word.size() == 3) {
            if (word.compare(QLatin1String("GBP"), Qt::CaseInsensitive) == 0
                || word.compare(QLatin1String("GBX"), Qt::CaseInsensitive) == 0)
                found |= kPound;
            else if (word.compare(QLatin1String("EUR"), Qt::CaseInsensitive) == 0)
                found |= kEuro;
            else if (others.contains(word.toString().toUpper()))
                found |= kOtherCurrency;
        }
        i = end - 1;
    }
    return found;
}

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The same of UTF-8 text; ASCII, nearly every field, without a copy: its one
// currency sign is the dollar's, and its letters are Latin ones. (Read from
// the bytes, the fields of a file take half the instructions they took as
// texts.)
int currenciesOf(std::string_view utf8)
{
    if (!isAscii(utf8))
        return currenciesOf(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    int found = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '$')
            found |= kOtherCurrency;
        if (!letter(utf8[i]))
            continue;
        std::size_t end = i;
        while (end < utf8.size() && letter(utf8[end]))
            ++end;
        if (end - i == 3)
            found |= currenciesOf(QStringView(QString::fromLatin1(utf8.data() + i, 3)));
        i = end - 1;
    }
    return found;
}

// The text of a field without the blanks around it, as UTF-8: a view of
// the table's bytes when they are ASCII, else held in place.
std::string_view trimmedField(const CsvTable &table, int row, int column, std::string &held)
{
    std::string_view t = table.utf8(row, column);
    if (!isAscii(t)) {
        held = table.field(row, column).trimmed().toStdString();
        return held;
    }
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!t.empty() && blank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && blank(t.back()))
        t.remove_suffix(1);
    return t;
}

// What one number's marks say: the point or the comma is its decimal
// separator, or a single mark with three digits after it, which reads either
// way ("1.000", "255,123"), or nothing. Of UTF-8 text: the marks and digits
// are single bytes, and the bytes of other characters are none of them.
enum class Mark { None, Point, Comma, ThreeAfterPoint, ThreeAfterComma };
Mark markOf(std::string_view t)
{
    const std::size_t lastPoint = t.rfind('.'), lastComma = t.rfind(',');
    const auto none = std::string_view::npos;
    if (lastPoint != none && lastComma != none)
        return lastPoint > lastComma ? Mark::Point : Mark::Comma;
    const std::size_t at = lastPoint != none ? lastPoint : lastComma;
    if (at == none)
        return Mark::None;
    const bool point = t[at] == '.';
    if (std::count(t.begin(), t.end(), t[at]) > 1)   // it groups
        return point ? Mark::Comma : Mark::Point;
    std::size_t after = 0, before = 0;
    while (at + 1 + after < t.size() && isDigit(QChar(t[at + 1 + after])))
        ++after;
    while (at - before > 0 && isDigit(QChar(t[at - before - 1])))
        ++before;
    // No group of thousands has other than three digits, none starts with 0
    // or stands alone after more than three.
    if (after != 3 || before == 0 || before > 3 || t[at - before] == '0')
        return point ? Mark::Point : Mark::Comma;
    return point ? Mark::ThreeAfterPoint : Mark::ThreeAfterComma;
}

// The first line that shows a thing, and its text.
struct Seen {
    int count = 0;
    int line = 0;
    QString text;
    void add(int atLine, QStringView t)
    {
        if (count++ == 0) {
            line = atLine;
            text = t.toString();
        }
    }
    void add(int atLine, std::string_view utf8)
    {
        if (count++ == 0) {
            line = atLine;
            text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        }
    }
    explicit operator bool() const { return count > 0; }
    QString where() const { return QStringLiteral("line %1 (\"%2\")").arg(line).arg(text); }
};

QString settledBy(const QString &why)
{
    return QStringLiteral("Settled by this file: %1.").arg(why);
}

// Reasons on each side: the side that alone has some wins.
template <typename T>
std::optional<T> sideOf(const QStringList &forA, T a, const QStringList &forB, T b, QString &evidence)
{
    if (!forA.isEmpty() && forB.isEmpty()) {
        evidence = settledBy(forA.join(QStringLiteral("; ")));
        return a;
    }
    if (!forB.isEmpty() && forA.isEmpty()) {
        evidence = settledBy(forB.join(QStringLiteral("; ")));
        return b;
    }
    return std::nullopt;
}

} // namespace

SettledReading settleReading(const CsvTable &table, const FileLayout &layout, char separator)
{
    const int headerRow = layout.headerRow, settlement = layout.settlementColumn;
    const auto column = [&](ImportField f) { return layout.columns[std::size_t(f)]; };
    constexpr ImportField kNumbers[] = {ImportField::Shares, ImportField::Price, ImportField::NetAmount};
    Seen point, comma, eitherNumber;
    std::array<int, 3> values{}, threeAfterPoint{}, threeAfterComma{};
    Seen dayFirst, monthFirst, eitherDate, settlesMonthFirst, settlesDayFirst;
    int iso = 0, dotted = 0, currencies = 0;
    for (int c = 0; c < table.fieldCount(headerRow); ++c)
        currencies |= currenciesOf(table.field(headerRow, c));

    std::string held;
    for (int row = headerRow + 1; row < table.rowCount(); ++row) {
        const int line = table.line(row);
        for (int c = 0; c < table.fieldCount(row); ++c) {
            if (c != column(ImportField::Ticker) && c != column(ImportField::Name) && c != column(ImportField::Action)
                && c != column(ImportField::TradeDate))
                currencies |= currenciesOf(table.utf8(row, c));
        }
        for (std::size_t n = 0; n < std::size(kNumbers); ++n) {
            const std::string_view t = trimmedField(table, row, column(kNumbers[n]), held);
            if (t.empty())
                continue;
            ++values[n];
            switch (markOf(t)) {
            case Mark::Point: point.add(line, t); break;
            case Mark::Comma: comma.add(line, t); break;
            case Mark::ThreeAfterPoint: ++threeAfterPoint[n]; eitherNumber.add(line, t); break;
            case Mark::ThreeAfterComma: ++threeAfterComma[n]; eitherNumber.add(line, t); break;
            case Mark::None: break;
            }
        }

        const QString date = table.field(row, column(ImportField::TradeDate)).trimmed();
        const auto d = import::dateParts(date);
        if (!d)
            continue;
        if (d->part[0].size() == 4) {
            ++iso;
            continue;
        }
        const auto number = [](QStringView s) { return s.size() <= 2 && isDigit(s[0]) ? s.toInt() : -1; };
        const int a = number(d->part[0]), b = number(d->part[1]);
        if (a < 1 || b < 1)
            continue;
        dotted += d->sep == u'.';
        if (a > 12 && b <= 12)
            dayFirst.add(line, date);
        else if (b > 12 && a <= 12)
            monthFirst.add(line, date);
        else if (a <= 12 && b <= 12 && a != b)
            eitherDate.add(line, date);
        if (settlement == kNoColumn)
            continue;
        // Read rightly, a trade settles a few days after it was made.
        const QString settled = table.field(row, settlement);
        const auto settlesSoon = [&](DateOrder order) {
            const auto trade = import::readDate(date, order), settle = import::readDate(settled, order);
            return trade && settle && trade->daysTo(*settle) >= 0 && trade->daysTo(*settle) <= kSettlementDays;
        };
        const bool asMonthFirst = settlesSoon(DateOrder::MonthDayYear), asDayFirst = settlesSoon(DateOrder::DayMonthYear);
        if (asMonthFirst != asDayFirst)
            (asMonthFirst ? settlesMonthFirst : settlesDayFirst).add(line, date);
    }
    const bool oneCurrency = currencies == kPound || currencies == kEuro;

    SettledReading r;
    // The decimal separator.
    if (point && comma) {
        r.decimalEvidence = QStringLiteral("Not settled by this file: %1 has a decimal point, %2 a decimal comma.")
                                .arg(point.where(), comma.where());
    } else if (point || comma) {
        r.decimal = point ? u'.' : u',';
        r.decimalEvidence = settledBy((point ? point : comma).where());
    } else if (!eitherNumber) {
        r.decimal = u'.';
    } else {
        QStringList forComma, forPoint;
        if (separator == ';')
            forComma << QStringLiteral("its fields are separated by semicolons");
        if (dotted > 0)
            forComma << QStringLiteral("its dates are written day.month.year");
        if (oneCurrency)
            (currencies == kEuro ? forComma : forPoint) << (currencies == kEuro ? QStringLiteral("its amounts are in euros")
                                                                               : QStringLiteral("its amounts are in pounds"));
        for (std::size_t n = 0; n < std::size(kNumbers); ++n) {
            const QString heading = table.field(headerRow, column(kNumbers[n])).trimmed();
            if (values[n] >= 2 && threeAfterPoint[n] == values[n])
                forComma << QStringLiteral("every \"%1\" has a group of three digits after its point").arg(heading);
            if (values[n] >= 2 && threeAfterComma[n] == values[n])
                forPoint << QStringLiteral("every \"%1\" has a group of three digits after its comma").arg(heading);
        }
        r.decimal = sideOf(forComma, QChar(u','), forPoint, QChar(u'.'), r.decimalEvidence);
        if (!r.decimal)
            r.decimalEvidence = QStringLiteral("Not settled by this file: %1 reads either way.").arg(eitherNumber.where());
    }

    // The date order.
    if (dayFirst && monthFirst) {
        r.dateEvidence = QStringLiteral("Not settled by this file: %1 reads only day first, %2 only month first.")
                             .arg(dayFirst.where(), monthFirst.where());
    } else if (dayFirst || monthFirst) {
        r.dateOrder = dayFirst ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
        r.dateEvidence = settledBy((dayFirst ? dayFirst : monthFirst).where());
    } else if (!eitherDate) {
        r.dateOrder = dotted > 0 ? DateOrder::DayMonthYear
                                 : iso > 0 ? DateOrder::YearMonthDay : DateOrder::MonthDayYear;
    } else {
        QStringList forDayFirst;
        if (dotted > 0)
            forDayFirst << QStringLiteral("its dates are written day.month.year");
        if (oneCurrency)
            forDayFirst << (currencies == kEuro ? QStringLiteral("its amounts are in euros")
                                                : QStringLiteral("its amounts are in pounds"));
        if (r.decimal == u',')
            forDayFirst << QStringLiteral("its numbers have decimal commas");
        if (separator == ';')
            forDayFirst << QStringLiteral("its fields are separated by semicolons");
        // The settlement dates, about these very dates, come before the rest.
        const QString settles = QStringLiteral("its settlement dates follow the trade dates within days");
        QStringList forMonthFirst;
        if (settlesMonthFirst && !settlesDayFirst) {
            forMonthFirst = {settles};
            forDayFirst.clear();
        } else if (settlesDayFirst && !settlesMonthFirst) {
            forDayFirst = {settles};
        }
        r.dateOrder = sideOf(forMonthFirst, DateOrder::MonthDayYear, forDayFirst, DateOrder::DayMonthYear,
                             r.dateEvidence);
        if (!r.dateOrder)
            r.dateEvidence = QStringLiteral("Not settled by this file: %1 reads either way.").arg(eitherDate.where());
    }
    return r;
}

} // namespace tesmo
