// The record store's corporate actions: an action written with the change of
// every lot it reaches in one transaction, its undo, and the record set
// following the lots.
#include "store/RecordStore.h"

#include "store/LargeWrite.h"
#include "store/Lot.h"
#include "text/IsoDate.h"
#include "text/Regional.h"

#include <QSet>
#include <QStringList>
#include <map>
#include <sqlite3.h>

namespace tesmo {

namespace {

const char *const kReadLot =
    "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots WHERE ID = ?1";

[[noreturn]] void refuseUndo(const QString &reason)
{
    throw Error(kErrActionUndoRefused, reason);
}

// "a", "a and b", "a, b and c".
QString listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.back();
}

void bindTicks(Statement &s, int index, const std::optional<Ticks> &ticks)
{
    if (ticks)
        s.bind(index, ticksToDouble(*ticks));
    else
        s.bindNull(index);
}

// Binds a lot's name, ticker, shares, price and net amount to the parameters
// first to first + 4.
void bindValues(Statement &s, int first, const ActionLotValues &v)
{
    if (v.nameIsNull)
        s.bindNull(first);
    else
        s.bindUtf8(first, v.name.toStdString());
    s.bindUtf8(first + 1, v.ticker.toStdString());
    s.bind(first + 2, v.shares);
    bindTicks(s, first + 3, v.price);
    bindTicks(s, first + 4, v.netAmount);
}

// True when the record set's row holds the values.
bool holdsValues(const LotRow &row, const ActionLotValues &v)
{
    return row.heldAsText == 0 && row.nameIsNull == v.nameIsNull
        && (v.nameIsNull || QString::fromUtf8(row.name) == v.name) && QString::fromUtf8(row.ticker) == v.ticker
        && row.numShares == v.shares && row.price == v.price && row.netAmount == v.netAmount
        && row.tradeDay == v.tradeDate.toJulianDay();
}

// An action splits the shares of the lots it changes when it scales them:
// the wash-sale figures count the shares through it.
bool splitsShares(const CorporateAction &action)
{
    return (action.kind == ActionKind::Split || action.kind == ActionKind::Merger) && action.ratio != 1;
}

// A day the file holds as the user reads it: 6/3/2024.
QString dayText(const QString &iso)
{
    const std::optional<QDate> date = readIsoDate(iso.toStdString());
    return date ? regional::shortDate(*date) : iso;
}

qint64 kib(qint64 lots) { return lots / 2; }

} // namespace

CorporateAction RecordStore::RecordAction(const CorporateAction &action,
                                          const std::function<bool(qint64 done, qint64 total)> &progress)
{
    requireOpen();
    ActionWritten written;
    LotTable after;   // the lots the action left in the file, as it left them
    try {
        const LargeWrite large(db_->handle(), kib(qint64(action.lots.size() + action.sale.size())));
        Database::Transaction transaction(*db_);
        written = writeAction(action, false, &after, progress);
        transaction.commit();
    } catch (const Error &e) {
        if (e.number() != kErrLotChanged && e.number() != kErrLotGone)
            throw;
        // The action was worked out on lots another program changed: they
        // are shown as the file holds them, for the user to record it again.
        followActionLots(action);
        throw Error(e.number(), e.description() + QStringLiteral(" Its lots are now shown as the ledger file holds "
                                                                 "them."));
    }
    followCurrent(after);
    followSales(written.sale, written.sold);
    return written.recorded;
}

RecordStore::ActionWritten RecordStore::writeAction(const CorporateAction &action, bool plannedOnFile, LotTable *after,
                                                    const std::function<bool(qint64 done, qint64 total)> &progress)
{
    const auto lotCount = qint64(action.lots.size());
    const qint64 total = lotCount + qint64(action.sale.size());
    const auto report = [&](qint64 done) { return !progress || progress(done, total); };
    ActionWritten written;
    CorporateAction &recorded = written.recorded;
    std::vector<SalePart> &sale = written.sale;
    sale = action.sale;
    SalesWritten &sold = written.sold;
    // A ledger that never had sales keeps no splits: every sale to come
    // counts the lots as split.
    const bool keepSplits = splitsShares(action) && hasSales(*db_);
    addActionsIfMissing(*db_);
    std::optional<LotSplitWriter> splits;
    if (keepSplits)
        splits.emplace(*db_);

    Statement last(db_->handle(), "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'Sales'), 0), "
                                  "coalesce((SELECT max(ID) FROM Sales), 0))");
    last.step();
    const SaleId afterSale = last.int64(0);
    last.reset();

    Statement insert(db_->handle(),
                     "INSERT INTO Actions (Ticker, Day, Kind, Ratio, RatioText, NewTicker, NewName, Cash, Percent, "
                     "SaleNo, AfterSale) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    insert.bindUtf8(1, action.ticker.toStdString()).bind(2, isoDateText(action.day));
    insert.bind(3, actionKindText(action.kind));
    const bool hasRatio = action.kind == ActionKind::Split || action.kind == ActionKind::Merger
                       || action.kind == ActionKind::SpinOff;
    if (hasRatio)
        insert.bind(4, action.ratio).bindUtf8(5, action.ratioText.toStdString());
    else
        insert.bindNull(4).bindNull(5);
    const bool hasNewTicker = action.kind == ActionKind::TickerChange || action.kind == ActionKind::Merger
                           || action.kind == ActionKind::SpinOff;
    if (hasNewTicker)
        insert.bindUtf8(6, action.newTicker.toStdString());
    else
        insert.bindNull(6);
    if (hasNewTicker && !action.newName.isEmpty())
        insert.bindUtf8(7, action.newName.toStdString());
    else
        insert.bindNull(7);
    bindTicks(insert, 8, action.cash);
    if (action.percent)
        insert.bind(9, *action.percent);
    else
        insert.bindNull(9);
    if (sale.empty())
        insert.bindNull(10);
    else
        insert.bind(10, std::int64_t(afterSale + 1));   // the ID writeSales gives the first part
    insert.bind(11, std::int64_t(afterSale));
    insert.step();
    const auto id = ActionId(sqlite3_last_insert_rowid(db_->handle()));

    // Each lot changed keeps what it held before, copied from the file
    // as it holds it, provided it holds what the action was worked out on.
    Statement keep(db_->handle(),
                   "INSERT INTO ActionLots (ActionID, LotID, BeforeName1, BeforeTicker, BeforeShares, BeforePrice, "
                   "BeforeNetAmount, BeforeTradeDate, AfterName1, AfterTicker, AfterShares, AfterPrice, "
                   "AfterNetAmount, SplitID, Gain) "
                   "SELECT ?1, ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate, ?2, ?3, ?4, ?5, ?6, ?7, ?8 "
                   "FROM Lots WHERE ID = ?9 AND Name1 IS ?10 AND Ticker IS ?11 AND NumShares IS ?12 "
                   "AND Price IS ?13 AND NetAmount IS ?14 AND TradeDate IS ?15");
    Statement exists(db_->handle(), "SELECT 1 FROM Lots WHERE ID = ?1");
    // The ticker is indexed: it is written only when it changes.
    Statement change(db_->handle(), "UPDATE Lots SET Name1 = ?1, Ticker = ?2, NumShares = ?3, Price = ?4, "
                                    "NetAmount = ?5 WHERE ID = ?6");
    Statement changeAmounts(db_->handle(), "UPDATE Lots SET NumShares = ?3, Price = ?4, NetAmount = ?5 "
                                           "WHERE ID = ?6");
    Statement make(db_->handle(), "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    Statement keepMade(db_->handle(),
                       "INSERT INTO ActionLots (ActionID, LotID, FromLot, AfterName1, AfterTicker, AfterShares, "
                       "AfterPrice, AfterNetAmount) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    std::map<LotId, LotId> made;   // placeholder -> ID given
    for (qint64 i = 0; i < lotCount; ++i) {
        if (i % 256 == 0 && !report(i))
            throw Error(kErrUserCancelled);
        const ActionLot &lot = action.lots[std::size_t(i)];
        if (lot.made()) {
            bindValues(make, 1, lot.after);
            make.bind(6, isoDateText(lot.after.tradeDate));
            make.step();
            make.reset();
            const auto madeId = LotId(sqlite3_last_insert_rowid(db_->handle()));
            made[lot.lot] = madeId;
            keepMade.bind(1, std::int64_t(id)).bind(2, std::int64_t(madeId)).bind(3, std::int64_t(lot.fromLot));
            bindValues(keepMade, 4, lot.after);
            keepMade.step();
            keepMade.reset();
            continue;
        }
        const int pos = positionOf(lot.lot);
        if (!lot.before || (!plannedOnFile && (pos < 0 || !holdsValues(rows_.lot(std::size_t(pos)), *lot.before))))
            throw Error(kErrLotChanged,
                        QStringLiteral("Another program has changed lot %1 since Tesmo read it.").arg(lot.lot));
        const std::optional<qint64> split = splits ? splits->record(lot.lot, action.ratio) : std::nullopt;
        keep.bind(1, std::int64_t(id));
        bindValues(keep, 2, lot.after);
        if (split)
            keep.bind(7, std::int64_t(*split));
        else
            keep.bindNull(7);
        keep.bind(8, ticksToDouble(lot.gain)).bind(9, std::int64_t(lot.lot));
        bindValues(keep, 10, *lot.before);
        keep.bind(15, isoDateText(lot.before->tradeDate));
        keep.step();
        keep.reset();
        if (sqlite3_changes(db_->handle()) == 0) {
            exists.bind(1, std::int64_t(lot.lot));
            const bool there = exists.step();
            exists.reset();
            throw there ? Error(kErrLotChanged,
                                QStringLiteral("Another program has changed lot %1 since Tesmo read it.").arg(lot.lot))
                        : Error(kErrLotGone, QStringLiteral("Another program has removed lot %1 from the ledger "
                                                            "file.")
                                                 .arg(lot.lot));
        }
        const bool named = lot.after.ticker != lot.before->ticker || lot.after.name != lot.before->name
                        || lot.after.nameIsNull != lot.before->nameIsNull;
        Statement &write = named ? change : changeAmounts;
        bindValues(write, 1, lot.after);
        write.bind(6, std::int64_t(lot.lot));
        write.step();
        write.reset();
    }

    // The sale, on the lots as the action left them; a part of a lot made
    // names it by its placeholder until now.
    for (SalePart &part : sale) {
        if (part.lot >= 0)
            continue;
        const auto found = made.find(part.lot);
        if (found == made.end())
            throw Error(kErrOutOfRange, QStringLiteral("The action's sale takes from lot %1, which it does not "
                                                       "make.")
                                            .arg(part.lot));
        part.lot = found->second;
    }
    if (!sale.empty())
        sold = writeSales(sale, true, [&](qint64 done, qint64) { return report(lotCount + done); });

    recorded = *readAction(*db_, id);
    // The lots as the action and its sale left them, for the record set.
    QSet<LotId> soldWhole;
    for (const SalePart &part : sale)
        if (part.wholeLot())
            soldWhole.insert(part.lot);
    for (const ActionLot &lot : recorded.lots)
        if (after && !soldWhole.contains(lot.lot))
            keepRow(*after, lot.lot);
    report(total);
    return written;
}

void RecordStore::UndoAction(const CorporateAction &action,
                             const std::function<bool(qint64 done, qint64 total)> &progress)
{
    undoAction(action, progress, true);
}

void RecordStore::CheckUndoAction(const CorporateAction &action)
{
    undoAction(action, {}, false);
}

// Refuses, before anything is changed, when the file no longer holds the
// action as it was read, or a later action or sale reached one of its lots;
// then undoes its sale, and refuses when a lot is not as the action left it.
void RecordStore::undoAction(const CorporateAction &seen,
                             const std::function<bool(qint64 done, qint64 total)> &progress, bool commit)
{
    requireOpen();
    const auto lotCount = qint64(seen.lots.size());
    const qint64 total = 2 * lotCount;
    const auto report = [&](qint64 done) { return !progress || progress(done, total); };
    LotTable after;   // the lots the action changed, as they are back
    std::vector<LotId> made;
    try {
        const LargeWrite large(db_->handle(), kib(total));
        Database::Transaction transaction(*db_);
        const std::optional<CorporateAction> stored = readAction(*db_, seen.id);
        if (!stored)
            refuseUndo(QStringLiteral("This action is no longer in the ledger file."));
        if (*stored != seen)
            refuseUndo(QStringLiteral("The ledger file holds another action under this number since Tesmo read it "
                                      "(a copy of the ledger was restored meanwhile)."));
        const auto id = std::int64_t(seen.id);

        Statement laterAction(db_->handle(),
                              "SELECT later.LotID, a.Kind, a.Ticker, a.Day FROM ActionLots AS mine "
                              "JOIN ActionLots AS later ON later.LotID = mine.LotID AND later.ActionID > mine.ActionID "
                              "JOIN Actions AS a ON a.ID = later.ActionID "
                              "WHERE mine.ActionID = ?1 ORDER BY later.ActionID DESC, later.LotID LIMIT 1");
        laterAction.bind(1, id);
        if (laterAction.step())
            refuseUndo(QStringLiteral("Lot %1 changed since this action: %2 reached it later. Undo that action first.")
                           .arg(laterAction.int64(0))
                           .arg(QStringLiteral("the %1 of %2 on %3")
                                    .arg(laterAction.text(1).toLower(), laterAction.text(2),
                                         dayText(laterAction.text(3)))));
        laterAction.reset();

        // Sale IDs are never given twice: a sale after the action has a
        // larger ID than any before it.
        Statement laterSale(db_->handle(),
                            "SELECT s.LotID, s.Sold FROM ActionLots AS mine "
                            "JOIN Sales AS s ON s.LotID = mine.LotID AND s.ID > ?2 "
                            "AND coalesce(s.SaleNo, s.ID) IS NOT ?3 "
                            "WHERE mine.ActionID = ?1 ORDER BY s.ID DESC LIMIT 1");
        laterSale.bind(1, id).bind(2, std::int64_t(seen.afterSale));
        if (seen.saleNo)
            laterSale.bind(3, std::int64_t(seen.saleNo));
        else
            laterSale.bindNull(3);
        if (laterSale.step())
            refuseUndo(QStringLiteral("Lot %1 changed since this action: a sale on %2 took shares from it. Undo that "
                                      "sale first.")
                           .arg(laterSale.int64(0))
                           .arg(dayText(laterSale.text(1))));
        laterSale.reset();

        if (!seen.sale.empty()) {
            try {
                undoSaleParts(seen.sale);
            } catch (const Error &e) {
                if (e.number() != kErrSaleUndoRefused)
                    throw;
                refuseUndo(e.description());
            }
        }

        // Which of each lot's values differ from what the action left.
        Statement lots(db_->handle(),
                       "SELECT l.LotID, l.FromLot IS NOT NULL, Lots.ID IS NOT NULL, Lots.Name1 IS l.AfterName1, "
                       "Lots.Ticker IS l.AfterTicker, Lots.NumShares IS l.AfterShares, Lots.Price IS l.AfterPrice, "
                       "Lots.NetAmount IS l.AfterNetAmount, "
                       "Lots.TradeDate IS coalesce(l.BeforeTradeDate, f.BeforeTradeDate), "
                       "l.BeforeName1 IS l.AfterName1 AND l.BeforeTicker IS l.AfterTicker "
                       "FROM ActionLots AS l LEFT JOIN Lots ON Lots.ID = l.LotID "
                       "LEFT JOIN ActionLots AS f ON f.ActionID = l.ActionID AND f.LotID = l.FromLot "
                       "WHERE l.ActionID = ?1 ORDER BY l.LotID");
        lots.bind(1, id);
        std::vector<std::pair<LotId, bool>> changed;   // and whether its ticker or name changed
        for (qint64 i = 0; lots.step(); ++i) {
            if (i % 256 == 0 && !report(i))
                throw Error(kErrUserCancelled);
            const auto lot = LotId(lots.int64(0));
            const bool isMade = lots.int64(1) != 0;
            // A lot made and deleted since leaves as undoing the action
            // would have it leave.
            if (!lots.int64(2)) {
                if (isMade)
                    continue;
                refuseUndo(QStringLiteral("Lot %1 was deleted since this action, so its values cannot be given back.")
                               .arg(lot));
            }
            static const char *const kValues[] = {"name", "ticker symbol", "number of shares", "price per share",
                                                  "net amount", "trade date"};
            QStringList differ;
            for (int column = 0; column < 6; ++column)
                if (lots.int64(3 + column) == 0)
                    differ << QString::fromLatin1(kValues[column]);
            // A split changes the number of shares and the price; anything
            // else is an edit.
            const bool split = lots.int64(5) == 0 || lots.int64(6) == 0;
            if (!differ.isEmpty())
                refuseUndo(QStringLiteral("Lot %1 changed since this action: its %2 changed (%3).")
                               .arg(lot)
                               .arg(listed(differ), split ? QStringLiteral("a split or an edit") : QStringLiteral("an edit")));
            if (isMade)
                made.push_back(lot);
            else
                changed.emplace_back(lot, lots.int64(9) == 0);
        }
        lots.reset();

        // The ticker is indexed: it is written only when the action changed it.
        Statement restore(db_->handle(),
                          "UPDATE Lots SET (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) = "
                          "(SELECT BeforeName1, BeforeTicker, BeforeShares, BeforePrice, BeforeNetAmount, "
                          "BeforeTradeDate FROM ActionLots WHERE ActionID = ?1 AND LotID = ?2) WHERE ID = ?2");
        Statement restoreAmounts(db_->handle(),
                                 "UPDATE Lots SET (NumShares, Price, NetAmount, TradeDate) = "
                                 "(SELECT BeforeShares, BeforePrice, BeforeNetAmount, BeforeTradeDate "
                                 "FROM ActionLots WHERE ActionID = ?1 AND LotID = ?2) WHERE ID = ?2");
        for (std::size_t i = 0; i < changed.size(); ++i) {
            if (i % 256 == 0 && !report(lotCount + qint64(i)))
                throw Error(kErrUserCancelled);
            Statement &write = changed[i].second ? restore : restoreAmounts;
            write.bind(1, id).bind(2, std::int64_t(changed[i].first)).step();
            write.reset();
        }
        Statement remove(db_->handle(), "DELETE FROM Lots WHERE ID = ?1");
        for (const LotId lot : made) {
            remove.bind(1, std::int64_t(lot)).step();
            remove.reset();
        }
        // Splits were kept only in a ledger with sales, which has their table.
        Statement split(db_->handle(), "SELECT 1 FROM ActionLots WHERE ActionID = ?1 AND SplitID IS NOT NULL");
        if (split.bind(1, id).step()) {
            split.reset();
            Statement splits(db_->handle(), "DELETE FROM LotSplits WHERE ID IN "
                                            "(SELECT SplitID FROM ActionLots WHERE ActionID = ?1)");
            splits.bind(1, id).step();
        }
        Statement rows(db_->handle(), "DELETE FROM ActionLots WHERE ActionID = ?1");
        rows.bind(1, id).step();
        Statement action(db_->handle(), "DELETE FROM Actions WHERE ID = ?1");
        action.bind(1, id).step();

        for (const auto &[lot, named] : changed)
            keepRow(after, lot);
        report(total);
        if (!commit)
            return;   // and rolled back
        transaction.commit();
    } catch (const Error &) {
        followActionLots(seen);
        throw;
    }
    followCurrent(after);
    std::vector<std::size_t> leaving;
    for (const LotId lot : made)
        if (const int pos = positionOf(lot); pos >= 0)
            leaving.push_back(std::size_t(pos));
    removeRows(leaving);
}

// Adds the lot as the file holds it to rows, without a copy of its values.
void RecordStore::keepRow(LotTable &rows, LotId id)
{
    Statement &s = cached(readStmt_, kReadLot);
    s.bind(1, std::int64_t(id));
    if (s.step()) {
        sqlite3_value *values[kFieldCount];
        for (int pos = 0; pos < kFieldCount; ++pos)
            values[pos] = sqlite3_column_value(s.handle(), pos);
        LotRow row;
        HeldTexts held;
        readLotRow(values, row, held);
        row.boxAmounts = true;   // as a lot written shows them
        rows.insert(row);
    }
    s.reset();
}

// The record set's rows of the lots in rows take their values; the current
// lot among them is read again and shown.
void RecordStore::followCurrent(const LotTable &rows)
{
    bool current = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LotRow row = rows.lot(i);
        current = current || (place_.onLot && current_.id() == row.id);
        if (const int pos = positionOf(row.id); pos >= 0)
            rows_.replace(std::size_t(pos), row);
        else
            added(row);   // made, or sold whole and back
    }
    if (current) {
        current_ = readLot(current_.id());
        showCurrent();
    }
}

void RecordStore::followActionLots(const CorporateAction &action)
{
    std::vector<LotId> lots;
    for (const ActionLot &lot : action.lots)
        if (lot.lot > 0)
            lots.push_back(lot.lot);
    followFile(lots);
}

std::vector<CorporateAction> RecordStore::Actions(const QString &ticker)
{
    requireOpen();
    return readActionsOf(*db_, ticker);
}

} // namespace tesmo
