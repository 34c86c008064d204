#include "store/Sales.h"

#include "store/GainsTable.h"
#include "store/SaleNumbers.h"
#include "store/Schema.h"
#include "store/SchemaCheck.h"
#include "store/Sqlite.h"
#include "text/IsoDate.h"

#include <algorithm>
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
                                 "Term, SharesLeft, NetLeft, coalesce(SaleNo, ID) FROM Sales";
// The same of an earlier version's sales, which have no numbers: each part
// is its own until earlierSaleNumbers gathers them.
const char *const kEarlierSaleColumns = "SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, "
                                        "CostBasis, Term, SharesLeft, NetLeft, ID FROM Sales";

// The texts of the rows read one after another, shared where they repeat.
struct SaleTexts {
    SharedText name, ticker, term;
};

SalePart saleOf(const Statement &s, SaleTexts &texts)
{
    SalePart r;
    r.id = SaleId(s.int64(0));
    r.lot = LotId(s.int64(1));
    r.name = texts.name.of(s, 2);
    r.ticker = texts.ticker.of(s, 3);
    r.shares = sqlite3_column_double(s.handle(), 4);
    r.acquired = dateOf(s, 5, r.id, "date acquired");
    r.sold = dateOf(s, 6, r.id, "date sold");
    r.proceeds = requiredTicks(s, 7, r.id, "proceeds");
    r.cost = requiredTicks(s, 8, r.id, "cost");
    r.term = texts.term.of(s, 9);
    r.sharesLeft = sqlite3_column_double(s.handle(), 10);
    r.netLeft = ticksOf(s, 11, r.id, "net amount left");
    r.saleNo = SaleId(s.int64(12));
    return r;
}

// Numbers the parts of an earlier version's sales, in whatever order.
void numberEarlier(std::vector<SalePart> &parts)
{
    std::vector<SalePart *> byId;
    for (SalePart &part : parts)
        byId.push_back(&part);
    std::sort(byId.begin(), byId.end(), [](const SalePart *a, const SalePart *b) { return a->id < b->id; });
    std::vector<EarlierSalePart> earlier;
    earlier.reserve(byId.size());
    for (const SalePart *part : byId)
        earlier.push_back({part->id, part->lot, part->ticker, part->sold, part->shares, ticksToDouble(part->proceeds)});
    const std::vector<qint64> numbers = earlierSaleNumbers(earlier);
    for (std::size_t i = 0; i < byId.size(); ++i)
        byId[i]->saleNo = numbers[i];
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

SaleId nextSaleId(Database &db)
{
    Statement next(db.handle(), "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'Sales'), 0), "
                                "coalesce((SELECT max(ID) FROM Sales), 0)) + 1");
    next.step();
    return SaleId(next.int64(0));
}

std::vector<SalePart> readSales(Database &db, std::optional<int> year)
{
    std::vector<SalePart> sales;
    const PartShape shape = salesShape(db);
    if (shape == PartShape::None)
        return sales;
    const bool earlier = shape == PartShape::Earlier;
    Statement s(db.handle(), (QByteArray(earlier ? kEarlierSaleColumns : kSaleColumns)
                              + (year ? " WHERE Sold BETWEEN ?1 AND ?2" : "") + " ORDER BY Sold, ID")
                                 .constData());
    if (year)
        s.bind(1, isoDateText(QDate(*year, 1, 1))).bind(2, isoDateText(QDate(*year, 12, 31)));
    SaleTexts texts;
    while (s.step())
        sales.push_back(saleOf(s, texts));
    if (earlier)
        numberEarlier(sales);
    return sales;
}

std::vector<int> readSaleYears(Database &db)
{
    std::vector<int> years;
    if (!hasSales(db))
        return years;
    Statement s(db.handle(), "SELECT DISTINCT CAST(substr(Sold, 1, 4) AS INTEGER) FROM Sales ORDER BY 1 DESC");
    while (s.step())
        years.push_back(int(s.int64(0)));
    return years;
}

std::vector<SalePart> readSalesOf(Database &db, const QString &ticker)
{
    std::vector<SalePart> sales;
    Statement s(db.handle(), (QByteArray(kSaleColumns)
                              + (ticker.isEmpty() ? " WHERE Ticker GLOB '*[^ -~]*'" : " WHERE Ticker = ?1 COLLATE NOCASE"))
                                 .constData());
    if (!ticker.isEmpty())
        s.bind(1, ticker);
    SaleTexts texts;
    while (s.step())
        sales.push_back(saleOf(s, texts));
    return sales;
}

std::optional<SalePart> readSale(Database &db, SaleId id)
{
    if (!hasSales(db))
        return std::nullopt;
    Statement s(db.handle(), (QByteArray(kSaleColumns) + " WHERE ID = ?1").constData());
    s.bind(1, std::int64_t(id));
    SaleTexts texts;
    return s.step() ? std::optional(saleOf(s, texts)) : std::nullopt;
}

std::vector<SalePart> readSaleParts(Database &db, SaleId saleNo)
{
    return hasSales(db) ? readSalePartsOfSales(db, saleNo) : std::vector<SalePart>();
}

std::vector<SalePart> readSalePartsOfSales(Database &db, SaleId saleNo)
{
    std::vector<SalePart> parts;
    SaleTexts texts;
    // A part of a sale of an earlier version is a sale of its own; a sale's
    // parts follow its first, whose ID is its number, through their index.
    for (const char *where : {" WHERE ID = ?1 AND SaleNo IS NULL", " WHERE SaleNo = ?1 ORDER BY SaleNo, ID"}) {
        Statement s(db.handle(), (QByteArray(kSaleColumns) + where).constData());
        s.bind(1, std::int64_t(saleNo));
        while (s.step())
            parts.push_back(saleOf(s, texts));
    }
    return parts;
}

// Sales of an earlier version are brought up to date by rebuilding their
// table under the definitions of now, which take every row it holds, with
// its sale's number and its term as the day after the trade date counts it
// (nothing else of a row changes), then the view, the triggers and the
// figures for taxes, so that the rows go in without a trigger firing. Their
// IDs, and the counter of the IDs given, stay as they were.
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
    std::vector<SalePart> parts;
    {
        Statement s(db.handle(), kEarlierSaleColumns);
        SaleTexts texts;
        while (s.step())
            parts.push_back(saleOf(s, texts));
    }
    numberEarlier(parts);
    db.exec("CREATE TEMP TABLE SaleNumbers (ID INTEGER PRIMARY KEY, SaleNo INTEGER NOT NULL)");
    {
        Statement number(db.handle(), "INSERT INTO temp.SaleNumbers (ID, SaleNo) VALUES (?1, ?2)");
        for (const SalePart &part : parts) {
            number.bind(1, std::int64_t(part.id)).bind(2, std::int64_t(part.saleNo)).step();
            number.reset();
        }
    }
    db.exec("CREATE TEMP TABLE SalesKept AS SELECT * FROM main.Sales; DROP VIEW main.qrySales; "
            "DROP TABLE main.Sales;");
    db.exec(salesTable().c_str());
    db.exec("INSERT INTO main.Sales (ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Term, "
            "LotNumShares, LotPrice, LotNetAmount, SharesLeft, NetLeft, SaleNo) "
            "SELECT k.ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, "
            "CASE WHEN Sold >= date(Acquired, '+1 day', '+1 year') THEN 'Long' ELSE 'Short' END, "
            "LotNumShares, LotPrice, LotNetAmount, SharesLeft, NetLeft, n.SaleNo "
            "FROM temp.SalesKept AS k JOIN temp.SaleNumbers AS n ON n.ID = k.ID ORDER BY k.ID; "
            "DROP TABLE temp.SalesKept; DROP TABLE temp.SaleNumbers;");
    db.exec(salesLinks().c_str());
    db.exec("INSERT OR IGNORE INTO GainsStale (Ticker) SELECT Ticker FROM Sales");
    Statement keep(db.handle(), "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = 'Sales'");
    keep.bind(1, given).step();
    if (sqlite3_changes(db.handle()) == 0 && given > 0) {
        Statement counted(db.handle(), "INSERT INTO sqlite_sequence (name, seq) VALUES ('Sales', ?1)");
        counted.bind(1, given).step();
    }
}

void bringSalesUpToDate(Database &db)
{
    const PartShape shape = salesShape(db);
    if (shape == PartShape::None)
        return;
    if (shape == PartShape::Ours) {
        Statement marked(db.handle(), "SELECT EXISTS (SELECT 1 FROM GainsStale)");
        marked.step();
        if (marked.int64(0) == 0)
            return;
    }
    Database::Transaction transaction(db);
    addSalesIfMissing(db);
    transaction.commit();   // which works out the figures marked
}

} // namespace tesmo
