#include "import/DecimalEvidence.h"

#include <QStringList>
#include <algorithm>
#include <bit>
#include <cmath>

namespace tesmo {

namespace {

// How far shares times price may stray from the amount, as a part of the
// larger, and still agree: fees.
constexpr double kFeesPart = 0.05;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char *const kColumnNouns[kNumberColumns] = {"shares", "prices", "amounts"};

// A value of a column read with a mark, as a number; pence as pounds.
std::optional<double> valueOf(const QString &text, QChar mark, bool inPence)
{
    const auto n = import::readNumber(text, mark);
    if (!n)
        return std::nullopt;
    bool ok = false;
    const double v = n->plain.toDouble(&ok);
    return ok ? std::optional(n->pence || inPence ? v / 100 : v) : std::nullopt;
}

// "line 2: 100 × 1,250, 125,000"
QString figures(const CsvTable &table, const std::array<int, kNumberColumns> &columns, int row)
{
    return QStringLiteral("line %1: %2 \u00d7 %3, %4")
        .arg(table.line(row))
        .arg(table.field(row, columns[0]).trimmed(), table.field(row, columns[1]).trimmed(),
             table.field(row, columns[2]).trimmed());
}

} // namespace

void Seen::add(int atLine, std::string_view utf8)
{
    if (count++ == 0) {
        line = atLine;
        text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    }
}

void Seen::add(int atLine, const QString &t)
{
    if (count++ == 0) {
        line = atLine;
        text = t;
    }
}

QString Seen::where() const
{
    return QStringLiteral("'%1' on line %2").arg(text).arg(line);
}

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
    while (at + 1 + after < t.size() && isDigit(t[at + 1 + after]))
        ++after;
    while (at - before > 0 && isDigit(t[at - before - 1]))
        ++before;
    // No group of thousands has other than three digits, none starts with 0
    // or stands alone after more than three.
    if (after != 3 || before == 0 || before > 3 || t[at - before] == '0')
        return point ? Mark::Point : Mark::Comma;
    return Mark::Either;
}

void MarkTally::add(int row, int line, std::string_view t)
{
    switch (markOf(t)) {
    case Mark::Point: point.add(line, t); break;
    case Mark::Comma: comma.add(line, t); break;
    case Mark::Either:
        either.add(line, t);
        eitherRows.push_back(row);
        break;
    case Mark::None: break;
    }
}

std::array<DecimalReading, kNumberColumns> settleDecimals(const CsvTable &table,
                                                          const std::array<int, kNumberColumns> &columns,
                                                          const std::array<MarkTally, kNumberColumns> &tally,
                                                          bool priceInPence, CostWays *cost)
{
    std::array<DecimalReading, kNumberColumns> r;
    std::vector<int> open;
    // A column's own values.
    for (int n = 0; n < kNumberColumns; ++n) {
        const MarkTally &t = tally[std::size_t(n)];
        DecimalReading &d = r[std::size_t(n)];
        d.matters = t.point || t.comma || t.either;
        if (t.point && t.comma) {
            d.evidence = QStringLiteral("%1 reads only with a point, %2 only with a comma")
                             .arg(t.point.where(), t.comma.where());
        } else if (t.point || t.comma) {
            d.mark = t.point ? u'.' : u',';
            d.byValues = true;
            d.evidence = QStringLiteral("%1 reads only so").arg((t.point ? t.point : t.comma).where());
        } else if (!t.either) {
            d.mark = u'.';   // nothing reads differently either way
        } else {
            open.push_back(n);
        }
    }
    // The file's other number columns, where they agree; then shares times
    // price against the amounts, under each mark of the columns still open:
    // a column whose mark is the same in every way that agrees wherever any
    // way does; then the others again, with the marks that settled.
    const bool all = std::all_of(columns.begin(), columns.end(), [](int c) { return c >= 0; });
    for (int round = 0; round < 2 && !open.empty(); ++round) {
        std::optional<QChar> others;
        bool agree = true;
        int example = -1;
        for (int n = 0; n < kNumberColumns; ++n) {
            const DecimalReading &d = r[std::size_t(n)];
            if (!d.matters || !d.mark || std::find(open.begin(), open.end(), n) != open.end())
                continue;
            agree = agree && (!others || others == d.mark);
            others = d.mark;
            example = example < 0 ? n : example;
        }
        if (others && agree) {
            const MarkTally &t = tally[std::size_t(example)];
            const QString where = (t.point ? t.point : t.comma ? t.comma : t.either).where();
            for (const int n : open)
                r[std::size_t(n)] = {others, QStringLiteral("the %1 write their marks so (%2)")
                                                 .arg(QLatin1String(kColumnNouns[example]), where),
                                     false, true};
            open.clear();
        }
        if (open.empty() || !all || round > 0)
            break;
        std::vector<int> rows;
        for (const int n : open)
            rows.insert(rows.end(), tally[std::size_t(n)].eitherRows.begin(), tally[std::size_t(n)].eitherRows.end());
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        const unsigned ways = 1u << open.size(), every = (1u << ways) - 1;
        unsigned fits = every;
        int toldRow = -1;
        std::vector<int> deniedBy(ways, -1);
        for (const int row : rows) {
            unsigned agreeing = 0;
            for (unsigned way = 0; way < ways; ++way) {
                std::array<std::optional<double>, kNumberColumns> v;
                for (int n = 0; n < kNumberColumns; ++n) {
                    QChar mark = r[std::size_t(n)].mark.value_or(u'.');
                    const auto at = std::find(open.begin(), open.end(), n);
                    if (at != open.end())
                        mark = (way >> (at - open.begin())) & 1 ? u',' : u'.';
                    v[std::size_t(n)] = valueOf(table.field(row, columns[std::size_t(n)]).trimmed(), mark,
                                                n == 1 && priceInPence);
                }
                if (!v[0] || !v[1] || !v[2])
                    continue;
                const double cost = std::abs(*v[0] * *v[1]), amount = std::abs(*v[2]);
                if (amount > 0 && std::abs(cost - amount) <= kFeesPart * std::max(cost, amount))
                    agreeing |= 1u << way;
            }
            if (agreeing == 0)
                continue;   // figures that disagree every way tell nothing
            for (unsigned way = 0; way < ways; ++way)
                if (!(agreeing >> way & 1) && deniedBy[way] < 0)
                    deniedBy[way] = row;
            if (agreeing != every && (fits & agreeing) != fits && toldRow < 0)
                toldRow = row;
            fits &= agreeing;
        }
        std::vector<int> still;
        for (std::size_t i = 0; i < open.size(); ++i) {
            // The column's mark in each way that fits.
            unsigned comma = 0, point = 0;
            for (unsigned way = 0; way < ways; ++way)
                if (fits >> way & 1)
                    ++((way >> i) & 1 ? comma : point);
            if (toldRow < 0 || (comma > 0) == (point > 0)) {
                still.push_back(open[i]);
                continue;
            }
            DecimalReading &d = r[std::size_t(open[i])];
            d.mark = comma > 0 ? u',' : u'.';
            d.evidence = QStringLiteral("shares \u00d7 price agrees with the amounts only so (%1)")
                             .arg(figures(table, columns, toldRow));
        }
        if (cost) {
            cost->open = open;
            for (const int row : deniedBy)
                cost->deniedBy.push_back(row < 0 ? QString() : figures(table, columns, row));
        }
        open = still;
    }
    for (const int n : open)
        r[std::size_t(n)].evidence = QStringLiteral("%1 reads either way, and nothing else in the file says which")
                                         .arg(tally[std::size_t(n)].either.where());
    // A mark that does not matter reads alike either way; it follows the others.
    for (const DecimalReading &d : r)
        if (d.matters && d.mark)
            for (DecimalReading &plain : r)
                if (!plain.matters)
                    plain.mark = d.mark;
    return r;
}

} // namespace tesmo
