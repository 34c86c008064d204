#include "store/ActionLotsWrite.h"

#include "store/LotSplits.h"
#include "store/RowBatch.h"
#include "store/Schema.h"
#include "store/SortedLookup.h"
#include "store/WithoutTriggers.h"
#include "text/IsoDate.h"

#include <algorithm>
#include <sqlite3.h>

namespace tesmo {

namespace {

// The lots of the action being written: a lot changed under its ID with
// what it held before (B...), a lot made under its placeholder with the
// lot it came from and its place in the order made. Named: the lot's name
// or ticker changes (the ticker is indexed: it is written only then).
const char *const kPlanTable =
    "CREATE TEMP TABLE IF NOT EXISTS ActionPlan (LotID INTEGER PRIMARY KEY, FromLot INTEGER, Made INTEGER, "
    "Name1, Ticker, NumShares, Price, NetAmount, TradeDate, "
    "BName1, BTicker, BShares, BPrice, BNetAmount, BTradeDate, Gain, Named); DELETE FROM temp.ActionPlan";

// Whether a lot's amounts are the same, as bound: IS in the file.
bool sameAmounts(const ActionLotValues &a, const ActionLotValues &b)
{
    return a.shares == b.shares && a.price == b.price && a.netAmount == b.netAmount;
}

// Binds a lot's six values to the parameters first to first + 5.
void bindValues(Statement &s, int first, const ActionLotValues &v, Utf8 &name, Utf8 &ticker)
{
    if (v.nameIsNull)
        s.bindNull(first);
    else
        s.bindUtf8(first, name.of(v.name));
    s.bindUtf8(first + 1, ticker.of(v.ticker));
    s.bind(first + 2, v.shares);
    s.bindTicks(first + 3, v.price).bindTicks(first + 4, v.netAmount).bindDate(first + 5, v.tradeDate);
}

void run(Database &db, const char *sql, std::int64_t first = 0, std::int64_t second = 0)
{
    Statement s(db.handle(), sql);
    if (sqlite3_bind_parameter_count(s.handle()) >= 1)
        s.bind(1, first);
    if (sqlite3_bind_parameter_count(s.handle()) >= 2)
        s.bind(2, second);
    while (s.step()) {
    }
}

// Writes rows of ActionLots from the plan's lots changed (made false) or
// made, of the action id, by sql: the checks of the table's trigger done
// once for them all, then without it; when a row fails them, with it, which
// refuses the row and says why.
void writeActionRows(Database &db, const char *sql, bool made, std::int64_t id, std::int64_t second = 0)
{
    Statement refused(db.handle(),
                      made ? "SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM Actions WHERE ID = ?1 AND Kind = 'Spin-off') "
                             "AND EXISTS (SELECT 1 FROM temp.ActionPlan WHERE FromLot IS NOT NULL)"
                           : "SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM Actions WHERE ID = ?1) "
                             "OR (SELECT Kind FROM Actions WHERE ID = ?1) <> 'Return of capital' "
                             "AND EXISTS (SELECT 1 FROM temp.ActionPlan WHERE FromLot IS NULL AND Gain > 0)");
    if (refused.bind(1, id).step()) {
        run(db, sql, id, second);
        return;
    }
    const TriggersOff once(db);
    run(db, sql, id, second);
}

} // namespace

std::map<LotId, LotId> writeActionLots(Database &db, ActionId id, const CorporateAction &action, bool keepSplits,
                                       const std::function<bool(qint64 done)> &progress)
{
    const auto lots = qint64(action.lots.size());
    const auto report = [&](qint64 done) {
        if (progress && !progress(done))
            throw Error(kErrUserCancelled);
    };
    db.exec(kPlanTable);
    std::map<LotId, LotId> made;   // placeholder -> place in the order made, then ID
    // Whether any lot changed takes a new name or ticker, or new amounts
    // under the same name: a cash merger's lots keep theirs.
    bool anyNamed = false, anyRevalued = false;
    QStringList tickers;   // of the lots before and after
    {
        Utf8 names[2], tickerTexts[2];   // after, before
        RowBatch batch(db.handle(), "INSERT INTO temp.ActionPlan", 17, action.lots.size());
        Statement &plan = batch.row();
        for (qint64 i = 0; i < lots; ++i) {
            if (i % 512 == 0)
                report(i);
            const ActionLot &lot = action.lots[std::size_t(i)];
            plan.bind(batch.at(1), std::int64_t(lot.lot));
            if (lot.made()) {
                made.emplace(lot.lot, LotId(made.size()));
                plan.bind(batch.at(2), std::int64_t(lot.fromLot)).bind(batch.at(3), std::int64_t(made.size()));
            }
            bindValues(plan, batch.at(4), lot.after, names[0], tickerTexts[0]);
            const bool sameName = lot.before && lot.after.name == lot.before->name;
            const bool sameTicker = lot.before && lot.after.ticker == lot.before->ticker;
            if (lot.before)   // a name or ticker the action keeps is made UTF-8 once
                bindValues(plan, batch.at(10), *lot.before, names[sameName ? 0 : 1], tickerTexts[sameTicker ? 0 : 1]);
            addTicker(tickers, lot.after.ticker);
            if (lot.before && !sameTicker)
                addTicker(tickers, lot.before->ticker);
            const bool named = lot.before
                            && (!sameTicker || !sameName || lot.after.nameIsNull != lot.before->nameIsNull);
            if (lot.before && !lot.made()) {
                anyNamed = anyNamed || named;
                anyRevalued = anyRevalued || (!named && !sameAmounts(lot.after, *lot.before));
            }
            plan.bind(batch.at(16), ticksToDouble(lot.gain)).bind(batch.at(17), std::int64_t(named));
            batch.next();
        }
        batch.finish();
    }
    // Each lot changed as it was worked out on.
    {
        Statement differ(db.handle(),
                         "SELECT p.LotID, l.ID IS NOT NULL FROM temp.ActionPlan AS p "
                         "LEFT JOIN Lots AS l ON l.ID = p.LotID "
                         "WHERE p.FromLot IS NULL AND NOT coalesce(l.Name1 IS p.BName1 AND l.Ticker IS p.BTicker "
                         "AND l.NumShares IS p.BShares AND l.Price IS p.BPrice AND l.NetAmount IS p.BNetAmount "
                         "AND l.TradeDate IS p.BTradeDate, 0) LIMIT 1");
        if (differ.step()) {
            const auto lot = LotId(differ.int64(0));
            if (differ.int64(1))
                throw Error(kErrLotChanged,
                            QStringLiteral("Another program has changed lot %1 since Tesmo read it.").arg(lot));
            throw Error(kErrLotGone,
                        QStringLiteral("Another program has removed lot %1 from the ledger file.").arg(lot));
        }
    }
    // A lot made comes from a lot the action changes, and keeps its trade
    // date: the file keeps the one of the two.
    if (!made.empty()) {
        Statement orphan(db.handle(),
                         "SELECT m.LotID, m.FromLot FROM temp.ActionPlan AS m "
                         "LEFT JOIN temp.ActionPlan AS p ON p.LotID = m.FromLot AND p.FromLot IS NULL "
                         "WHERE m.FromLot IS NOT NULL AND p.BTradeDate IS NOT m.TradeDate LIMIT 1");
        if (orphan.step())
            throw Error(kErrOutOfRange, QStringLiteral("The lot the action makes from lot %1 is not of a lot it "
                                                       "changes, bought on the same day.")
                                            .arg(orphan.int64(1)));
    }
    report(lots + lots / 4);
    // A split kept as the one-lot split keeps it: after the largest sale ID
    // given so far.
    keepSplits = keepSplits && lotSplitsKept(db);
    if (keepSplits) {
        Statement split(db.handle(), "INSERT INTO LotSplits (LotID, AfterSale, Factor) "
                                     "SELECT LotID, (SELECT coalesce(max(seq), 0) FROM sqlite_sequence "
                                     "WHERE name = 'Sales'), ?1 FROM temp.ActionPlan WHERE FromLot IS NULL "
                                     "ORDER BY LotID");
        split.bind(1, action.ratio).step();
    }
    writeActionRows(db,
        keepSplits ? "INSERT INTO ActionLots (ActionID, LotID, BeforeName1, BeforeTicker, BeforeShares, BeforePrice, "
                     "BeforeNetAmount, BeforeTradeDate, AfterName1, AfterTicker, AfterShares, AfterPrice, "
                     "AfterNetAmount, SplitID, Gain) "
                     "SELECT ?1, l.ID, l.Name1, l.Ticker, l.NumShares, l.Price, l.NetAmount, l.TradeDate, p.Name1, "
                     "p.Ticker, p.NumShares, p.Price, p.NetAmount, (SELECT max(ID) FROM LotSplits WHERE LotID = l.ID), "
                     "p.Gain FROM temp.ActionPlan AS p JOIN Lots AS l ON l.ID = p.LotID WHERE p.FromLot IS NULL "
                     "ORDER BY p.LotID"
                   : "INSERT INTO ActionLots (ActionID, LotID, BeforeName1, BeforeTicker, BeforeShares, BeforePrice, "
                     "BeforeNetAmount, BeforeTradeDate, AfterName1, AfterTicker, AfterShares, AfterPrice, "
                     "AfterNetAmount, Gain) "
                     "SELECT ?1, l.ID, l.Name1, l.Ticker, l.NumShares, l.Price, l.NetAmount, l.TradeDate, p.Name1, "
                     "p.Ticker, p.NumShares, p.Price, p.NetAmount, p.Gain "
                     "FROM temp.ActionPlan AS p JOIN Lots AS l ON l.ID = p.LotID WHERE p.FromLot IS NULL "
                     "ORDER BY p.LotID",
        false, id);
    report(lots + lots / 2);
    // The lots' triggers only mark the figures of their tickers: those are
    // marked once for all of them.
    markLotTickers(db, tickers);
    {
        const TriggersOff once(db);
        if (anyNamed)
            run(db, "UPDATE Lots SET Name1 = p.Name1, Ticker = p.Ticker, NumShares = p.NumShares, Price = p.Price, "
                    "NetAmount = p.NetAmount FROM temp.ActionPlan AS p "
                    "WHERE p.LotID = Lots.ID AND p.FromLot IS NULL AND p.Named");
        // A lot whose amounts stay (a cash merger's, sold whole next) keeps them
        // as the file holds them, which are its before values.
        if (anyRevalued)
            run(db, "UPDATE Lots SET NumShares = p.NumShares, Price = p.Price, NetAmount = p.NetAmount "
                    "FROM temp.ActionPlan AS p WHERE p.LotID = Lots.ID AND p.FromLot IS NULL AND NOT p.Named "
                    "AND NOT (p.NumShares IS p.BShares AND p.Price IS p.BPrice AND p.NetAmount IS p.BNetAmount)");
    }
    report(lots + 3 * lots / 4);
    if (!made.empty()) {
        // The IDs of one statement's lots are consecutive: AUTOINCREMENT
        // gives each lot one more than the largest ID the table ever held.
        {
            const TriggersOff once(db);
            run(db, "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                    "SELECT Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM temp.ActionPlan "
                    "WHERE FromLot IS NOT NULL ORDER BY Made");
        }
        const auto first = LotId(sqlite3_last_insert_rowid(db.handle())) - LotId(made.size()) + 1;
        writeActionRows(db, "INSERT INTO ActionLots (ActionID, LotID, FromLot, AfterName1, AfterTicker, AfterShares, "
                            "AfterPrice, AfterNetAmount) SELECT ?1, ?2 + Made - 1, FromLot, Name1, Ticker, NumShares, "
                            "Price, NetAmount FROM temp.ActionPlan WHERE FromLot IS NOT NULL ORDER BY Made",
                        true, id, first);
        for (auto &[placeholder, place] : made)
            place += first;
    }
    db.exec("DELETE FROM temp.ActionPlan");
    report(2 * lots);
    return made;
}

// A lot the action left as it was (a cash merger's, back from its sale) is
// not written: the file holds its values before as they were, in the
// columns' one type.
void restoreActionLots(Database &db, ActionId id, const QStringList &tickers)
{
    // The lots' triggers only mark the figures of their tickers, and take a
    // deleted lot's splits with it when it has no sales: that is done here
    // once for all the lots, the splits' own triggers marking as they do.
    markLotTickers(db, tickers);
    // The splits the action kept go with it. Splits are kept only in a
    // ledger with sales, which has their table.
    if (hasTable(db, "LotSplits")) {
        run(db, "DELETE FROM LotSplits WHERE ID IN (SELECT SplitID FROM ActionLots WHERE ActionID = ?1)", id);
        run(db, "DELETE FROM LotSplits WHERE LotID IN (SELECT LotID FROM ActionLots WHERE ActionID = ?1 "
                "AND FromLot IS NOT NULL) AND NOT EXISTS (SELECT 1 FROM Sales WHERE Sales.LotID = LotSplits.LotID)",
            id);
    }
    const TriggersOff once(db);
    run(db, "UPDATE Lots SET (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) = "
            "(a.BeforeName1, a.BeforeTicker, a.BeforeShares, a.BeforePrice, a.BeforeNetAmount, a.BeforeTradeDate) "
            "FROM ActionLots AS a WHERE a.ActionID = ?1 AND a.LotID = Lots.ID AND a.FromLot IS NULL "
            "AND NOT (a.BeforeName1 IS a.AfterName1 AND a.BeforeTicker IS a.AfterTicker)",
        id);
    run(db, "UPDATE Lots SET (NumShares, Price, NetAmount, TradeDate) = "
            "(a.BeforeShares, a.BeforePrice, a.BeforeNetAmount, a.BeforeTradeDate) "
            "FROM ActionLots AS a WHERE a.ActionID = ?1 AND a.LotID = Lots.ID AND a.FromLot IS NULL "
            "AND a.BeforeName1 IS a.AfterName1 AND a.BeforeTicker IS a.AfterTicker "
            "AND NOT (a.BeforeShares IS a.AfterShares AND a.BeforePrice IS a.AfterPrice "
            "AND a.BeforeNetAmount IS a.AfterNetAmount)",
        id);
    run(db, "DELETE FROM Lots WHERE ID IN (SELECT LotID FROM ActionLots WHERE ActionID = ?1 AND FromLot IS NOT NULL)",
        id);
}

bool writeActionSale(Database &db, const std::vector<SalePart> &parts, SaleId saleNo, const QStringList &tickers)
{
    const auto first = std::int64_t(saleNo);
    {
        std::vector<LotId> lots;
        lots.reserve(parts.size());
        for (const SalePart &part : parts)
            lots.push_back(part.lot);
        std::sort(lots.begin(), lots.end());
        if (std::adjacent_find(lots.begin(), lots.end()) != lots.end())
            return false;   // a lot with two parts
    }
    db.exec("CREATE TEMP TABLE IF NOT EXISTS SalePlan (ID INTEGER PRIMARY KEY, LotID INTEGER, Shares, Sold, "
            "Proceeds, Cost, Term, SharesLeft, NetLeft); DELETE FROM temp.SalePlan");
    bool wholeLots = false, partLots = false;
    {
        RowBatch batch(db.handle(), "INSERT INTO temp.SalePlan", 9, parts.size());
        Statement &plan = batch.row();
        // Each row gets the ID the next row of Sales would get, as Sell
        // gives them.
        std::int64_t id = first;
        Utf8 term;
        for (const SalePart &part : parts) {
            const auto at = [&](int column) { return batch.at(column); };
            plan.bind(at(1), id++).bind(at(2), std::int64_t(part.lot)).bind(at(3), part.shares);
            plan.bindDate(at(4), part.sold);
            plan.bind(at(5), ticksToDouble(part.proceeds)).bind(at(6), ticksToDouble(part.cost));
            plan.bindUtf8(at(7), term.of(part.term)).bind(at(8), part.sharesLeft);
            plan.bindTicks(at(9), part.netLeft);
            batch.next();
            (part.sharesLeft == 0 ? wholeLots : partLots) = true;
        }
        batch.finish();
    }
    // The checks of the sales' triggers, once for all the rows: each row is
    // its lot as the file holds it, taken from the file before the first
    // row changes it (no lot has two parts); its shares need no rounding
    // but for a lot sold whole; all are sold on the first's day. A row they
    // refuse is written a part at a time, whose triggers say why.
    {
        Statement refused(db.handle(), withSchemaLimits(
            "SELECT 1 FROM (SELECT LotID, Shares AS NumShares, SharesLeft, Sold FROM temp.SalePlan) AS NEW "
            "WHERE NOT ({EXACT:NEW.SharesLeft} AND ({EXACT:NEW.NumShares} "
            "OR EXISTS (SELECT 1 FROM Lots WHERE ID = NEW.LotID AND NumShares = NEW.NumShares))) "
            "OR NEW.Sold IS NOT (SELECT Sold FROM temp.SalePlan WHERE ID = ?1) LIMIT 1").c_str());
        if (refused.bind(1, first).step()) {
            db.exec("DELETE FROM temp.SalePlan");
            return false;
        }
    }
    markSoldTickers(db, tickers);
    {
        // What the triggers do with each row: a lot sold whole leaves, the
        // others keep what their part left.
        const TriggersOff once(db);
        run(db, "INSERT INTO Sales (ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Term, "
                "LotNumShares, LotPrice, LotNetAmount, SharesLeft, NetLeft, SaleNo) "
                "SELECT p.ID, p.LotID, l.Name1, l.Ticker, p.Shares, l.TradeDate, p.Sold, p.Proceeds, p.Cost, p.Term, "
                "l.NumShares, l.Price, l.NetAmount, p.SharesLeft, p.NetLeft, ?1 "
                "FROM temp.SalePlan AS p JOIN Lots AS l ON l.ID = p.LotID ORDER BY p.ID",
            first);
        // A part whose lot the file no longer holds wrote no row; the
        // caller's transaction undoes the others.
        if (std::size_t(sqlite3_changes(db.handle())) != parts.size()) {
            Statement gone(db.handle(), "SELECT LotID FROM temp.SalePlan WHERE LotID NOT IN (SELECT ID FROM Lots) "
                                        "LIMIT 1");
            throw Error(kErrLotGone, QStringLiteral("Another program has removed lot %1 from the ledger file.")
                                         .arg(gone.step() ? gone.int64(0) : 0));
        }
        if (wholeLots)
            run(db, "DELETE FROM Lots WHERE ID IN (SELECT LotID FROM temp.SalePlan WHERE SharesLeft = 0)");
        if (partLots)
            run(db, "UPDATE Lots SET NumShares = s.SharesLeft, NetAmount = s.NetLeft FROM temp.SalePlan AS s "
                    "WHERE s.LotID = Lots.ID AND s.SharesLeft <> 0");
    }
    db.exec("DELETE FROM temp.SalePlan");
    return true;
}

bool undoActionSale(Database &db, SaleId saleNo)
{
    // A lot of two parts, or one not as its part left it: a lot sold whole
    // is gone, another holds what its part left.
    Statement differ(db.handle(),
                     "SELECT 1 FROM Sales AS s LEFT JOIN Lots AS l ON l.ID = s.LotID WHERE s.SaleNo = ?1 "
                     "AND (EXISTS (SELECT 1 FROM Sales AS o WHERE o.LotID = s.LotID AND o.ID > s.ID) "
                     "OR CASE WHEN s.SharesLeft = 0 THEN l.ID IS NOT NULL "
                     "ELSE NOT coalesce(l.Name1 IS s.Name1 AND l.Ticker IS s.Ticker AND l.NumShares IS s.SharesLeft "
                     "AND l.Price IS s.LotPrice AND l.NetAmount IS s.NetLeft AND l.TradeDate IS s.Acquired, 0) END) "
                     "LIMIT 1");
    differ.bind(1, std::int64_t(saleNo));
    if (differ.step())
        return false;
    differ.reset();
    // The triggers of the lots and the sales only mark the tickers sold.
    const QByteArray sold = "SELECT Ticker FROM Sales WHERE SaleNo = " + QByteArray::number(saleNo);
    markSoldTickers(db, sold.constData());
    const TriggersOff once(db);
    run(db, "INSERT INTO Lots (ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
            "SELECT LotID, Name1, Ticker, LotNumShares, LotPrice, LotNetAmount, Acquired FROM Sales "
            "WHERE SaleNo = ?1 AND SharesLeft = 0 ORDER BY ID",
        saleNo);
    run(db, "UPDATE Lots SET (NumShares, NetAmount) = (s.LotNumShares, s.LotNetAmount) FROM Sales AS s "
            "WHERE s.SaleNo = ?1 AND s.SharesLeft <> 0 AND s.LotID = Lots.ID",
        saleNo);
    run(db, "DELETE FROM Sales WHERE SaleNo = ?1", saleNo);
    return true;
}

std::vector<ActionLot> lotsAsWritten(const std::vector<ActionLot> &lots, const std::map<LotId, LotId> &made)
{
    std::vector<ActionLot> written = lots;
    for (ActionLot &lot : written) {
        if (lot.made()) {
            lot.lot = made.at(lot.lot);
            lot.before.reset();
        } else if (lot.before) {
            lot.after.tradeDate = lot.before->tradeDate;   // the action never changes it
        }
        for (ActionLotValues *v : {lot.before ? &*lot.before : nullptr, &lot.after})
            if (v && v->nameIsNull)
                v->name.clear();
    }
    const auto before = [](const ActionLot &a, const ActionLot &b) {
        return std::pair(a.made(), a.lot) < std::pair(b.made(), b.lot);
    };
    if (!std::is_sorted(written.begin(), written.end(), before))
        std::stable_sort(written.begin(), written.end(), before);
    return written;
}

std::optional<std::vector<SalePart>> saleAsWritten(const std::vector<SalePart> &parts, const std::vector<SaleId> &ids,
                                                   const std::vector<ActionLot> &lots)
{
    SortedLookup<LotId, ActionLotValues> after(lots.size());
    for (const ActionLot &lot : lots)
        after.add(lot.lot, lot.after);
    after.sort();
    std::vector<SalePart> written = parts;
    for (std::size_t i = 0; i < written.size(); ++i) {
        SalePart &part = written[i];
        const ActionLotValues *found = after.find(part.lot);
        if (!found || i >= ids.size())
            return std::nullopt;
        const ActionLotValues &v = *found;
        part.id = ids[i];
        part.saleNo = ids.front();
        part.name = v.nameIsNull ? QString() : v.name;
        part.ticker = v.ticker;
        part.acquired = v.tradeDate;
    }
    return written;
}

} // namespace tesmo
