#include "store/Sales.h"

#include "store/Schema.h"
#include "store/Sqlite.h"
#include "text/IsoDate.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

QDate dateOf(const Statement &s, int column)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s.handle(), column));
    const auto date = p ? readIsoDate({p, std::size_t(sqlite3_column_bytes(s.handle(), column))}) : std::nullopt;
    return date.value_or(QDate());
}

Ticks ticksOf(const Statement &s, int column)
{
    return ticksFromDouble(sqlite3_column_double(s.handle(), column)).value_or(0);
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

std::vector<SaleRecord> readSales(Database &db)
{
    std::vector<SaleRecord> sales;
    if (!hasSales(db))
        return sales;
    Statement s(db.handle(), "SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Term "
                             "FROM qrySales");
    while (s.step()) {
        SaleRecord r;
        r.id = SaleId(s.int64(0));
        r.lot = LotId(s.int64(1));
        r.name = s.text(2);
        r.ticker = s.text(3);
        r.shares = sqlite3_column_double(s.handle(), 4);
        r.acquired = dateOf(s, 5);
        r.sold = dateOf(s, 6);
        r.proceeds = ticksOf(s, 7);
        r.cost = ticksOf(s, 8);
        r.term = s.text(9);
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
