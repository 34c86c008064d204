#include "import/ReadingEvidence.h"

#include <QStringList>

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

// What one number's marks say: the point or the comma is its decimal
// separator, or a single mark with three digits after it, which reads either
// way ("1.000", "255,123"), or nothing.
enum class Mark { None, Point, Comma, ThreeAfterPoint, ThreeAfterComma };
Mark markOf(QStringView t)
{
    const qsizetype lastPoint = t.lastIndexOf(u'.'), lastComma = t.lastIndexOf(u',');
    if (lastPoint >= 0 && lastComma >= 0)
        return lastPoint > lastComma ? Mark::Point : Mark::Comma;
    const qsizetype at = std::max(lastPoint, lastComma);
    if (at < 0)
        return Mark::None;
    const bool point = t[at] == u'.';
    if (t.count(t[at]) > 1)   // it groups
        return point ? Mark::Comma : Mark::Point;
    qsizetype after = 0, before = 0;
    while (at + 1 + after < t.size() && isDigit(t[at + 1 + after]))
        ++after;
    while (at - before > 0 && isDigit(t[at - before - 1]))
        ++before;
    // No group of thousands has other than three digits, none starts with 0
    // or stands alone after more than three.
    if (after != 3 || before == 0 || before > 3 || t[at - before] == u'0')
        return point ? Mark::Point : Mark::Comma;
    return point ? Mark::ThreeAfterPoint : Mark::ThreeAfterComma;
}

// The first line that shows a thing, and its text.
struct Seen {
    int count = 0;
    int line = 0;
    QString text;
    void add(int atLine, const QString &t)
    {
        if (count++ == 0) {
            line = atLine;
            text = t;
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

SettledReading settleReading(const CsvTable &table, int headerRow, const std::array<int, kImportFieldCount> &columns,
                             int settlement, char separator)
{
    const auto column = [&](ImportField f) { return columns[std::size_t(f)]; };
    constexpr ImportField kNumbers[] = {ImportField::Shares, ImportField::Price, ImportField::NetAmount};
    Seen point, comma, eitherNumber;
    std::array<int, 3> values{}, threeAfterPoint{}, threeAfterComma{};
    Seen dayFirst, monthFirst, eitherDate, settlesMonthFirst, settlesDayFirst;
    int iso = 0, dotted = 0, currencies = 0;
    for (int c = 0; c < table.fieldCount(headerRow); ++c)
        currencies |= currenciesOf(table.field(headerRow, c));

    for (int row = headerRow + 1; row < table.rowCount(); ++row) {
        const int line = table.line(row);
        for (int c = 0; c < table.fieldCount(row); ++c) {
            if (c != column(ImportField::Ticker) && c != column(ImportField::Name) && c != column(ImportField::Action)
                && c != column(ImportField::TradeDate))
                currencies |= currenciesOf(table.field(row, c));
        }
        for (std::size_t n = 0; n < std::size(kNumbers); ++n) {
            const QString t = table.field(row, column(kNumbers[n])).trimmed();
            if (t.isEmpty())
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
