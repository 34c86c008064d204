// The record store's corporate actions: an action written with the change of
// every lot it reaches in one transaction, its undo, and the record set
// following the lots.
#include "store/RecordStore.h"

#include "store/ActionLotsWrite.h"
#include "store/LargeWrite.h"
#include "store/LotChanges.h"
#include "store/Lot.h"
#include "store/WithoutTriggers.h"
#include "text/IsoDate.h"
#include "text/Regional.h"

#include <QStringList>
#include <algorithm>
#include <map>
#include <numeric>
#include <sqlite3.h>

namespace tesmo {

namespace {

[[noreturn]] void refuseUndo(const QString &reason)
{
    throw Error(kErrActionUndoRefused, reason);
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

// The page cache of a write of an action: a kibibyte a lot, up to half a
// gibibyte. An action writes about that much a lot (its row, the lot's
// change, a sale's row and its figures for taxes, with their indexes); with
// less, pages spill to the file before the commit and may be written twice.
qint64 kib(qint64 lots) { return std::min<qint64>(lots, 512 * 1024); }

// Adds to rows each lot of the action id that the file holds, as it holds
// it, in order of ID.
void readActionRows(Database &db, ActionId id, LotTable &rows)
{
    Statement s(db.handle(), "SELECT l.ID, l.Name1, l.Ticker, l.NumShares, l.Price, l.NetAmount, l.TradeDate "
                             "FROM ActionLots AS a JOIN Lots AS l ON l.ID = a.LotID WHERE a.ActionID = ?1 "
                             "ORDER BY a.LotID");
    s.bind(1, std::int64_t(id));
    sqlite3_value *values[kFieldCount];
    LotRow row;
    HeldTexts held;
    while (s.step()) {
        for (int pos = 0; pos < kFieldCount; ++pos)
            values[pos] = sqlite3_column_value(s.handle(), pos);
        readLotRow(values, row, held);
        row.boxAmounts = true;   // as a lot written shows them
        rows.append(row);
    }
}

} // namespace

CorporateAction RecordStore::RecordAction(const CorporateAction &action,
                                          const std::function<bool(qint64 done, qint64 total)> &progress)
{
    requireOpen();
    const auto lotCount = qint64(action.lots.size());
    ActionWritten written;
    LotTable after;   // the lots the action left in the file, as it left them
    try {
        const LargeWrite large(db_->handle(), kib(lotCount));
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
    const qint64 total = 2 * lotCount + qint64(action.sale.size());
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

    const SaleId afterSale = nextSaleId(*db_) - 1;

    Statement insert(db_->handle(),
                     "INSERT INTO Actions (Ticker, Day, Kind, Ratio, RatioText, NewTicker, NewName, Cash, Percent, "
                     "SaleNo, AfterSale) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    insert.bindUtf8(1, action.ticker.toStdString()).bind(2, isoDateText(action.day));
    insert.bind(3, actionKindText(action.kind));
    if (takesRatio(action.kind))
        insert.bind(4, action.ratio).bindUtf8(5, action.ratioText.toStdString());
    else
        insert.bindNull(4).bindNull(5);
    const bool hasNewTicker = namesNewTicker(action.kind);
    if (hasNewTicker)
        insert.bindUtf8(6, action.newTicker.toStdString());
    else
        insert.bindNull(6);
    if (hasNewTicker && !action.newName.isEmpty())
        insert.bindUtf8(7, action.newName.toStdString());
    else
        insert.bindNull(7);
    insert.bindTicks(8, action.cash);
    if (action.percent)
        insert.bind(9, *action.percent);
    else
        insert.bindNull(9);
    if (sale.empty())
        insert.bindNull(10);
    else
        insert.bind(10, std::int64_t(afterSale + 1));   // the ID writeSales gives the first part
    insert.bind(11, std::int64_t(afterSale));
    // A lot another program removed is told as such, before the file's own
    // check of the action's row finds the ticker without lots.
    const auto changed = std::find_if(action.lots.begin(), action.lots.end(), [](const ActionLot &l) { return !l.made(); });
    if (changed != action.lots.end()) {
        Statement there(db_->handle(), "SELECT 1 FROM Lots WHERE ID = ?1");
        if (!there.bind(1, std::int64_t(changed->lot)).step())
            throw Error(kErrLotGone,
                        QStringLiteral("Another program has removed lot %1 from the ledger file.").arg(changed->lot));
    }
    insert.step();
    const auto id = ActionId(sqlite3_last_insert_rowid(db_->handle()));

    // The record set holds each lot changed as the action was worked out on,
    // unless it was worked out on the file within this transaction.
    for (const ActionLot &lot : action.lots) {
        if (lot.made() || plannedOnFile)
            continue;
        const int pos = positionOf(lot.lot);
        if (!lot.before || pos < 0 || !holdsValues(rows_.lot(std::size_t(pos)), *lot.before))
            throw Error(kErrLotChanged,
                        QStringLiteral("Another program has changed lot %1 since Tesmo read it.").arg(lot.lot));
    }
    const std::map<LotId, LotId> made = writeActionLots(*db_, id, action, keepSplits, report);

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
    // The action returned is built from what was written, as the file now
    // holds it: its figures here, its lots and its sale below (copying
    // those with the figures would copy every lot and part once more).
    recorded.kind = action.kind;
    recorded.ticker = action.ticker;
    recorded.day = action.day;
    recorded.ratio = action.ratio;
    recorded.ratioText = action.ratioText;
    recorded.newTicker = action.newTicker;
    recorded.newName = action.newName;
    recorded.cash = action.cash;
    recorded.percent = action.percent;
    recorded.id = id;
    if (!takesRatio(action.kind))
        recorded.ratio = 0, recorded.ratioText.clear();
    if (!hasNewTicker)
        recorded.newTicker.clear(), recorded.newName.clear();
    recorded.saleNo = sale.empty() ? 0 : afterSale + 1;
    recorded.afterSale = afterSale;
    recorded.lots = lotsAsWritten(action.lots, made);
    std::optional<std::vector<SalePart>> saleWritten = std::vector<SalePart>();
    if (!sale.empty()) {
        // The parts as they are to be written, whose lots' tickers are
        // marked for the figures for taxes.
        std::vector<SaleId> ids(sale.size());
        std::iota(ids.begin(), ids.end(), recorded.saleNo);
        saleWritten = saleAsWritten(sale, ids, recorded.lots);
        QStringList tickers;
        if (saleWritten)
            for (const SalePart &part : *saleWritten)
                addTicker(tickers, part.ticker);
        if (saleWritten && writeActionSale(*db_, sale, recorded.saleNo, tickers)) {
            sold.ids = std::move(ids);
            sold.kept.reserve(sale.size());
            for (const SalePart &part : sale)
                sold.kept.push_back(part.wholeLot() ? std::nullopt : std::optional(readLot(part.lot)));
        } else {
            sold = writeSales(sale, true, [&](qint64 done, qint64) { return report(2 * lotCount + done); });
            saleWritten.reset();
        }
    }
    recorded.sale = saleWritten ? std::move(*saleWritten) : readSaleParts(*db_, recorded.saleNo);
    if (after)
        readActionRows(*db_, id, *after);   // as the action and its sale left them
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
        const LargeWrite large(db_->handle(), kib(lotCount));
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
                           .arg(actionTitle(laterAction.text(1), laterAction.text(2), laterAction.text(3))));
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
                           .arg(regional::shortDate(readIsoDate(laterSale.text(1).toStdString()).value_or(QDate()))));
        laterSale.reset();

        if (!seen.sale.empty()) {
            try {
                if (!undoActionSale(*db_, seen.saleNo))
                    undoSaleParts(seen.sale);   // which says why not
            } catch (const Error &e) {
                if (e.number() != kErrSaleUndoRefused)
                    throw;
                // The action's sale came with it.
                refuseUndo(QString(e.description()).replace(QStringLiteral("since this sale"),
                                                             QStringLiteral("since this action")));
            }
        }

        // Which of each lot's values differ from what the action left.
        Statement lots(db_->handle(),
                       "SELECT l.LotID, l.FromLot IS NOT NULL, Lots.ID IS NOT NULL, Lots.Name1 IS l.AfterName1, "
                       "Lots.Ticker IS l.AfterTicker, Lots.NumShares IS l.AfterShares, Lots.Price IS l.AfterPrice, "
                       "Lots.NetAmount IS l.AfterNetAmount, "
                       "Lots.TradeDate IS coalesce(l.BeforeTradeDate, f.BeforeTradeDate) "
                       "FROM ActionLots AS l LEFT JOIN Lots ON Lots.ID = l.LotID "
                       "LEFT JOIN ActionLots AS f ON f.ActionID = l.ActionID AND f.LotID = l.FromLot "
                       "WHERE l.ActionID = ?1 ORDER BY l.LotID");
        lots.bind(1, id);
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
            if (const QString changed = lotChanges(lots, 3); !changed.isEmpty())
                refuseUndo(QStringLiteral("Lot %1 changed since this action: %2.").arg(lot).arg(changed));
            if (isMade)
                made.push_back(lot);
        }
        lots.reset();
        // Every refusal has been made: a check goes no further, and the
        // transaction gives back the sale it undid.
        if (!commit)
            return;

        QStringList tickers;   // of its lots before and after
        for (const ActionLot &lot : seen.lots) {
            addTicker(tickers, lot.after.ticker);
            if (lot.before)
                addTicker(tickers, lot.before->ticker);
        }
        restoreActionLots(*db_, seen.id, tickers);
        readActionRows(*db_, seen.id, after);   // those it changed, as they are back
        Statement rows(db_->handle(), "DELETE FROM ActionLots WHERE ActionID = ?1");
        rows.bind(1, id).step();
        Statement action(db_->handle(), "DELETE FROM Actions WHERE ID = ?1");
        action.bind(1, id).step();

        report(total);
        transaction.commit();
    } catch (const Error &e) {
        if (e.number() == kErrActionUndoRefused)
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

// The record set's rows of the lots in rows (in ascending ID order) take
// their values, and those it lacks join it; the current lot among them is
// read again and shown. The cursor keeps its lot, or the gap where it stood.
void RecordStore::followCurrent(const LotTable &rows)
{
    bool current = false;
    LotTable back;   // made, or sold whole and back
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LotRow row = rows.lot(i);
        current = current || (place_.onLot && current_.id() == row.id);
        if (const int pos = positionOf(row.id); pos >= 0)
            rows_.replace(std::size_t(pos), row);
        else
            back.append(row);
    }
    if (back.size() > 1) {
        // The lot the cursor stands on, or the one before the gap.
        const bool before = !place_.onLot;
        const int at = place_.position - (before ? 1 : 0);
        const std::optional<LotId> anchor = at >= 0 && at < RecordCount() ? std::optional(rows_.id(std::size_t(at)))
                                                                           : std::nullopt;
        rows_.insert(back);
        if (anchor)
            place_.position = positionOf(*anchor) + (before ? 1 : 0);
    } else if (back.size() == 1) {
        added(back.lot(0));
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

QStringList RecordStore::ActionTickers()
{
    requireOpen();
    return readActionTickers(*db_);
}

} // namespace tesmo
