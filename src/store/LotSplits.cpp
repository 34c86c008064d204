#include "store/LotSplits.h"

#include "store/Schema.h"
#include "store/SchemaCheck.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

// The file's splits and sales as it holds them now: a file that another
// program changed since it was opened is neither read nor written into.
LedgerSchema schemaOf(Database &db)
{
    LedgerSchema schema = readLedgerSchema(db.handle());
    if (!schema.isLedger())
        throw notALedger(QStringLiteral("Tesmo.mdb"), schema);
    return schema;
}

} // namespace

bool lotSplitsKept(Database &db)
{
    const LedgerSchema schema = schemaOf(db);
    if (schema.shapeOf("the sales") == PartShape::None)
        return false;
    if (schema.shapeOf(kLotSplitsPart) == PartShape::None)
        db.exec(lotSplitsSchema().c_str());
    return true;
}

void recordLotSplit(Database &db, LotId lot, double factor)
{
    if (factor == 1 || !lotSplitsKept(db))
        return;
    // The largest ID given, not the largest held: an undone sale's ID is
    // never given again.
    Statement s(db.handle(), "INSERT INTO LotSplits (LotID, AfterSale, Factor) VALUES (?1, "
                             "(SELECT coalesce(max(seq), 0) FROM sqlite_sequence WHERE name = 'Sales'), ?2)");
    s.bind(1, std::int64_t(lot)).bind(2, factor).step();
}

std::vector<LotSplit> readLotSplits(Database &db)
{
    std::vector<LotSplit> splits;
    if (schemaOf(db).shapeOf(kLotSplitsPart) == PartShape::None)
        return splits;
    Statement s(db.handle(), "SELECT LotID, AfterSale, Factor FROM LotSplits ORDER BY LotID, ID");
    while (s.step()) {
        const LotSplit split{LotId(s.int64(0)), SaleId(s.int64(1)), sqlite3_column_double(s.handle(), 2)};
        if (!(split.factor >= 1e-21 && split.factor <= 1e21) || split.lot < 1 || split.afterSale < 0)
            throw Error(kErrNotALedger, QStringLiteral("The split of the lot with ID %1 in Tesmo.mdb holds a value "
                                                       "that is not of its kind; no split was read.")
                                            .arg(split.lot));
        splits.push_back(split);
    }
    return splits;
}

} // namespace tesmo
