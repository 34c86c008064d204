#include "store/Sales.h"

#include "store/Schema.h"
#include "store/SchemaCheck.h"
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

const char *const kSaleColumns =
    "SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Term FROM qrySales";

SaleRecord saleOf(const Statement &s)
{
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
    return r;
}

// The sales as the file holds them now: a file that another program changed
// since it was opened is neither read nor written into.
PartShape salesShape(Database &db)
{
    const LedgerSchema schema = readLedgerSchema(db.handle());
    if (!schema.isLedger())
        throw notALedger(QStringLiteral("Tesmo.mdb"), schema);
    return schema.shapeOf("the sales");
}

} // namespace

bool hasSales(Database &db)
{
    return salesShape(db) != PartShape::None;
}

std::vector<SaleRecord> readSales(Database &db)
{
    std::vector<SaleRecord> sales;
    if (!hasSales(db))
        return sales;
    Statement s(db.handle(), kSaleColumns);
    while (s.step())
        sales.push_back(saleOf(s));
    return sales;
}

std::optional<SaleRecord> readSale(Database &db, SaleId id)
{
    if (!hasSales(db))
        return std::nullopt;
    Statement s(db.handle(), (QByteArray(kSaleColumns) + " WHERE ID = ?1").constData());
    s.bind(1, std::int64_t(id));
    return s.step() ? std::optional(saleOf(s)) : std::nullopt;
}

// Sales of an earlier version are brought up to date by rebuilding their
// table under the definitions of now, which take every row it holds, then
// the view and triggers, so that the rows go in without a trigger firing.
// Their IDs, and the counter of the IDs given, stay as they were.
void addSalesIfMissing(Database &db)
{
    switch (salesShape(db)) {
    case PartShape::Ours:
        return;
    case PartShape::None:
        db.exec(salesSchema().c_str());
        return;
    case PartShape::Earlier:
        break;
    }
    Statement counter(db.handle(), "SELECT max(seq) FROM sqlite_sequence WHERE name = 'Sales'");
    counter.step();
    const std::int64_t given = counter.int64(0);
    counter.reset();
    db.exec("CREATE TEMP TABLE SalesKept AS SELECT * FROM main.Sales; DROP VIEW main.qrySales; "
            "DROP TABLE main.Sales;");
    db.exec(salesTable().c_str());
    db.exec("INSERT INTO main.Sales SELECT * FROM temp.SalesKept; DROP TABLE temp.SalesKept;");
    db.exec(salesLinks().c_str());
    Statement keep(db.handle(), "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = 'Sales'");
    keep.bind(1, given).step();
    if (sqlite3_changes(db.handle()) == 0 && given > 0) {
        Statement counted(db.handle(), "INSERT INTO sqlite_sequence (name, seq) VALUES ('Sales', ?1)");
        counted.bind(1, given).step();
    }
}

} // namespace tesmo
