#include "store/Sales.h"

#include "store/Schema.h"
#include "store/Sqlite.h"
#include "text/IsoDate.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

// A sale whose value is not of its kind: the file's checks keep every value
// of a sale of its kind, so another tool has gone round them.
[[noreturn]] void refuseValue(SaleId id, const char *column)
{
    throw Error(kErrNotALedger, QStringLiteral("The sale with ID %1 in Tesmo.mdb holds a %2 that is not of its "
                                               "kind; no sale was read.")
                                    .arg(id)
                                    .arg(QLatin1String(column)));
}

QDate dateOf(const Statement &s, int column, SaleId id, const char *name)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s.handle(), column));
    const auto date = p ? readIsoDate({p, std::size_t(sqlite3_column_bytes(s.handle(), column))}) : std::nullopt;
    if (!date)
        refuseValue(id, name);
    return *date;
}

std::optional<Ticks> ticksOf(const Statement &s, int column, SaleId id, const char *name)
{
    if (s.isNull(column))
        return std::nullopt;
    const auto ticks = ticksFromDouble(sqlite3_column_double(s.handle(), column));
    if (!ticks)
        refuseValue(id, name);
    return ticks;
}

Ticks requiredTicks(const Statement &s, int column, SaleId id, const char *name)
{
    const auto ticks = ticksOf(s, column, id, name);
    if (!ticks)
        refuseValue(id, name);
    return *ticks;
}

} // namespace

// Something else under the sales' names is neither read nor written into.
bool hasSales(Database &db)
{
    switch (salesShape(db.handle())) {
    case SalesShape::None:
        return false;
    case SalesShape::Ours:
        return true;
    case SalesShape::Foreign:
        break;
    }
    throw Error(kErrNotALedger, QStringLiteral("The sales in Tesmo.mdb (the table Sales and the view qrySales) are "
                                               "not as Tesmo keeps them; no sale was read or written."));
}

std::vector<SalePart> readSales(Database &db)
{
    std::vector<SalePart> sales;
    if (!hasSales(db))
        return sales;
    Statement s(db.handle(), "SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Term, "
                             "SharesLeft, NetLeft FROM Sales ORDER BY Sold, ID");
    while (s.step()) {
        SalePart r;
        r.id = SaleId(s.int64(0));
        r.lot = LotId(s.int64(1));
        r.name = s.text(2);
        r.ticker = s.text(3);
        r.shares = sqlite3_column_double(s.handle(), 4);
        r.acquired = dateOf(s, 5, r.id, "date acquired");
        r.sold = dateOf(s, 6, r.id, "date sold");
        r.proceeds = requiredTicks(s, 7, r.id, "proceeds");
        r.cost = requiredTicks(s, 8, r.id, "cost");
        r.term = s.text(9);
        r.sharesLeft = sqlite3_column_double(s.handle(), 10);
        r.netLeft = ticksOf(s, 11, r.id, "net amount left");
        sales.push_back(std::move(r));
    }
    return sales;
}

void addSalesIfMissing(Database &db)
{
    if (!hasSales(db))
        db.exec(salesSchema().c_str());
}

} // namespace tesmo
