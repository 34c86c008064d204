#include "store/CapitalReturns.h"

#include "store/Sqlite.h"
#include "text/IsoDate.h"

#include <algorithm>
#include <functional>
#include <sqlite3.h>

namespace tesmo {

namespace {

QDate dateOf(const Statement &s, int column)
{
    const QByteArray day = s.text(column).toLatin1();
    return readIsoDate({day.constData(), std::size_t(day.size())}).value_or(QDate());
}

constexpr const char *kGainsFrom = "FROM Actions AS a JOIN ActionLots AS l ON l.ActionID = a.ID "
                                   "WHERE a.Kind = 'Return of capital' AND l.Gain > 0 ";

// The gains of the returns of capital that where picks, of the values bound.
std::vector<SalePart> readGains(Database &db, const char *where, const std::function<void(Statement &)> &bind)
{
    std::vector<SalePart> gains;
    if (!hasTable(db, "ActionLots"))
        return gains;
    // The term as the file gives a sale's: long from the same day a year
    // after the day after the trade date.
    const QByteArray sql = QByteArray(
        "SELECT l.ID, a.ID, l.LotID, l.AfterName1, l.AfterTicker, l.BeforeTradeDate, a.Day, l.Gain, l.AfterShares, "
        "l.AfterNetAmount, CASE WHEN a.Day >= date(l.BeforeTradeDate, '+1 day', '+1 year') THEN 'Long' ELSE 'Short' END ")
        + kGainsFrom + where + " ORDER BY a.Day, l.ID";
    Statement rows(db.handle(), sql.constData());
    bind(rows);
    while (rows.step()) {
        SalePart gain;
        gain.id = -rows.int64(0);
        gain.saleNo = -rows.int64(1);
        gain.lot = LotId(rows.int64(2));
        gain.name = rows.isNull(3) ? QString() : rows.text(3);
        gain.ticker = rows.text(4);
        gain.acquired = dateOf(rows, 5);
        gain.sold = dateOf(rows, 6);
        if (!gain.acquired.isValid() || !gain.sold.isValid())
            continue;   // a lot an older tool gave no date
        gain.proceeds = ticksFromDouble(sqlite3_column_double(rows.handle(), 7)).value_or(0);
        gain.sharesLeft = sqlite3_column_double(rows.handle(), 8);
        if (!rows.isNull(9))
            gain.netLeft = ticksFromDouble(sqlite3_column_double(rows.handle(), 9));
        gain.term = rows.text(10);
        gains.push_back(std::move(gain));
    }
    return gains;
}

} // namespace

void sortAsSold(std::vector<SalePart> &parts)
{
    const auto earlier = [](const SalePart &a, const SalePart &b) {
        return std::pair(a.sold, a.id) < std::pair(b.sold, b.id);
    };
    if (!std::is_sorted(parts.begin(), parts.end(), earlier))
        std::stable_sort(parts.begin(), parts.end(), earlier);
}

std::vector<SalePart> withCapitalReturns(std::vector<SalePart> sales, const std::vector<SalePart> &gains)
{
    if (gains.empty())
        return sales;
    sales.insert(sales.end(), gains.begin(), gains.end());
    sortAsSold(sales);
    return sales;
}

std::vector<int> readCapitalReturnYears(Database &db)
{
    std::vector<int> years;
    if (!hasTable(db, "ActionLots"))
        return years;
    // Only a gain with both its dates is one (readGains).
    Statement rows(db.handle(), (QByteArray("SELECT DISTINCT a.Day, l.BeforeTradeDate ") + kGainsFrom).constData());
    while (rows.step())
        if (dateOf(rows, 1).isValid() && dateOf(rows, 0).isValid())
            years.push_back(dateOf(rows, 0).year());
    std::sort(years.begin(), years.end(), std::greater<>());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

std::vector<SalePart> readCapitalReturns(Database &db, std::optional<int> year)
{
    if (!year)
        return readGains(db, "", [](Statement &) {});
    return readGains(db, "AND a.Day BETWEEN ?1 AND ?2", [&](Statement &s) {
        s.bind(1, isoDateText(QDate(*year, 1, 1))).bind(2, isoDateText(QDate(*year, 12, 31)));
    });
}

std::vector<SalePart> readCapitalReturnsOf(Database &db, const QString &ticker)
{
    // An action names the ticker of the lots it reached, as they were.
    if (ticker.isEmpty())
        return readGains(db, "AND a.Ticker GLOB '*[^ -~]*'", [](Statement &) {});
    return readGains(db, "AND a.Ticker = ?1 COLLATE NOCASE", [&](Statement &s) { s.bind(1, ticker); });
}

} // namespace tesmo
