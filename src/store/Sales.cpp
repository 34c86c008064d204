#include "store/Sales.h"

#include "store/Schema.h"
#include "store/SchemaCheck.h"
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

const char *const kSaleColumns = "SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, "
                                 "Term, SharesLeft, NetLeft FROM Sales";

SalePart saleOf(const Statement &s)
{
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

std::vector<SalePart> readSales(Database &db)
{
    std::vector<SalePart> sales;
    if (!hasSales(db))
        return sales;
    Statement s(db.handle(), (QByteArray(kSaleColumns) + " ORDER BY Sold, ID").constData());
    while (s.step())
        sales.push_back(saleOf(s));
    return sales;
}

std::optional<SalePart> readSale(Database &db, SaleId id)
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
