// The record store's sales: a sale written with the change of its lots in one
// transaction, its undo, and the record set following the lots.
#include "store/RecordStore.h"

#include "store/CapitalReturns.h"
#include "store/LotChanges.h"

#include "text/IsoDate.h"
#include "text/Regional.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <sqlite3.h>

namespace tesmo {

namespace {

[[noreturn]] void refuseUndo(const QString &reason)
{
    throw Error(kErrSaleUndoRefused, reason);
}

// What read gives of the figures the file keeps; when a change another
// program made has marked them, worked out and kept again first, if the
// ledger can be written.
template <class Read>
auto keptOrWorkedOut(Database &db, const Read &read) -> decltype(read())
{
    if (auto kept = read(); kept || db.readOnly())
        return kept;
    try {
        bringSalesUpToDate(db);   // works out the figures another program's change marked
    } catch (const Error &) {
        return std::nullopt;      // the file is busy: the caller works them out
    }
    return read();
}

// A sale an action recorded is undone with the action, never alone.
void refuseActionSale(Database &db, const std::vector<SalePart> &sale)
{
    if (sale.empty())
        return;
    if (const std::optional<QString> action = actionOfSale(db, sale.front().saleNo))
        refuseUndo(QStringLiteral("This sale came with %1. Undo that action instead.").arg(*action));
}

} // namespace

std::vector<SaleId> RecordStore::Sell(const std::vector<SalePart> &parts,
                                      const std::function<bool(qint64 done, qint64 total)> &progress)
{
    requireOpen();
    SalesWritten written;
    try {
        Database::Transaction transaction(*db_);
        written = writeSales(parts, false, progress);
        transaction.commit();
    } catch (const Error &e) {
        if (e.number() != kErrLotChanged && e.number() != kErrLotGone)
            throw;
        // The sale was planned on lots another program changed: they are
        // shown as the file holds them, for the user to sell again.
        followSaleLots(parts);
        throw Error(e.number(), e.description() + QStringLiteral(" Its lots are now shown as the ledger file holds "
                                                                 "them."));
    }
    followSales(parts, written);
    return written.ids;
}

RecordStore::SalesWritten RecordStore::writeSales(const std::vector<SalePart> &parts, bool plannedOnFile,
                                                   const std::function<bool(qint64 done, qint64 total)> &progress)
{
    SalesWritten written;
    std::vector<SaleId> &ids = written.ids;
    std::vector<std::optional<StoredLot>> &kept = written.kept;
    QSet<LotId> sold;   // the lots of the parts written so far
    addSalesIfMissing(*db_);
    {
        // The lot's name, ticker, trade date, shares and amounts as the file
        // holds them, and what the part takes and leaves; the file's triggers
        // change the lot.
        Statement insert(db_->handle(),
                         "INSERT INTO Sales (ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, "
                         "Term, LotNumShares, LotPrice, LotNetAmount, SharesLeft, NetLeft, SaleNo) "
                         "SELECT ?9, ID, Name1, Ticker, ?2, TradeDate, ?3, ?4, ?5, ?6, NumShares, Price, NetAmount, "
                         "?7, ?8, ?10 FROM Lots WHERE ID = ?1 RETURNING ID");
        // Each row gets the ID the next row of Sales would get, so that a
        // sale's number, the ID of its first part, is known as it is written.
        std::int64_t id = nextSaleId(*db_);
        std::int64_t saleNo = 0;
        const SalePart *before = nullptr;
        for (const SalePart &part : parts) {
            if (progress && (&part - parts.data()) % 256 == 0 && !progress(&part - parts.data(), qint64(parts.size())))
                throw Error(kErrUserCancelled);
            StoredLot lot;
            try {
                lot = readLot(part.lot);
            } catch (const Error &e) {
                if (e.number() != kErrLotGone)
                    throw;
                throw Error(kErrLotGone, QStringLiteral("Another program has removed lot %1 from the ledger file.")
                                             .arg(part.lot));
            }
            const int pos = positionOf(part.lot);
            const bool checked = plannedOnFile || sold.contains(part.lot);
            sold.insert(part.lot);
            if (!checked && (pos < 0 || !sameValues(lot.row(), rows_.lot(std::size_t(pos)))))
                throw Error(kErrLotChanged, QStringLiteral("Another program has changed lot %1 since Tesmo read it.")
                                                .arg(part.lot));
            if (!before || before->saleNo != part.saleNo)
                saleNo = id;
            before = &part;
            insert.bind(9, id++).bind(10, saleNo);
            insert.bind(1, std::int64_t(part.lot)).bind(2, part.shares);
            insert.bindDate(3, part.sold);
            insert.bind(4, ticksToDouble(part.proceeds)).bind(5, ticksToDouble(part.cost));
            insert.bind(6, part.term).bind(7, part.sharesLeft);
            insert.bindTicks(8, part.netLeft);
            insert.step();
            ids.push_back(SaleId(insert.int64(0)));
            while (insert.step()) {
            }
            insert.reset();
            kept.push_back(part.wholeLot() ? std::nullopt : std::optional(readLot(part.lot)));
        }
    }
    return written;
}

void RecordStore::followSales(const std::vector<SalePart> &parts, const SalesWritten &written)
{
    const std::vector<std::optional<StoredLot>> &kept = written.kept;
    bool currentChanged = false;
    std::vector<std::size_t> leaving;   // the rows of the lots sold whole
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int pos = positionOf(parts[i].lot);
        if (pos < 0)   // a lot the record set does not hold yet
            continue;
        const bool isCurrent = place_.onLot && pos == place_.position;
        currentChanged = currentChanged || isCurrent;
        if (!kept[i]) {
            leaving.push_back(std::size_t(pos));
            continue;
        }
        if (isCurrent)
            current_ = *kept[i];
        stored(*kept[i], false);
    }
    removeRows(leaving);
    if (currentChanged)
        showCurrent();
}

struct RecordStore::SaleUndo {
    explicit SaleUndo(sqlite3 *db)
        : sale(db, "SELECT LotID, SharesLeft = 0, EXISTS (SELECT 1 FROM Sales AS later "
                   "WHERE later.LotID = Sales.LotID AND later.ID > Sales.ID) FROM Sales WHERE ID = ?1")
        // Which of the lot's values differ from what the sale left.
        , lot(db, "SELECT Lots.Name1 IS Sales.Name1, Lots.Ticker IS Sales.Ticker, "
                  "Lots.NumShares IS Sales.SharesLeft, Lots.Price IS Sales.LotPrice, "
                  "Lots.NetAmount IS Sales.NetLeft, Lots.TradeDate IS Sales.Acquired "
                  "FROM Sales JOIN Lots ON Lots.ID = Sales.LotID WHERE Sales.ID = ?1")
        , restoreWhole(db, "INSERT INTO Lots (ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                           "SELECT LotID, Name1, Ticker, LotNumShares, LotPrice, LotNetAmount, Acquired "
                           "FROM Sales WHERE ID = ?1")
        , restorePart(db, "UPDATE Lots SET (NumShares, NetAmount) = (SELECT LotNumShares, LotNetAmount "
                          "FROM Sales WHERE ID = ?1) WHERE ID = (SELECT LotID FROM Sales WHERE ID = ?1)")
        , remove(db, "DELETE FROM Sales WHERE ID = ?1")
    {
    }
    Statement sale, lot, restoreWhole, restorePart, remove;
};

// Puts back the lot of the sale row the user saw and deletes the row, within
// the caller's transaction; refuses when the lot is not as the row left it.
// The file holds the row as the user saw it (undoSaleParts). Returns the lot
// as it is back, and whether it came back into the ledger.
std::pair<StoredLot, bool> RecordStore::undoPart(const SalePart &seen, SaleUndo &statements)
{
    const SaleId id = seen.id;
    Statement &sale = statements.sale;
    sale.bind(1, std::int64_t(id));
    if (!sale.step())
        refuseUndo(QStringLiteral("This sale is no longer in the ledger file."));
    const auto lotId = LotId(sale.int64(0));
    const bool whole = sale.int64(1) != 0;
    const bool later = sale.int64(2) != 0;
    sale.reset();
    if (later)
        refuseUndo(QStringLiteral("Lot %1 changed since this sale: a later sale took shares from it. Undo that "
                                  "sale first.")
                       .arg(lotId));
    Statement &lot = statements.lot;
    lot.bind(1, std::int64_t(id));
    const bool there = lot.step();
    if (whole && there) {
        lot.reset();
        refuseUndo(QStringLiteral("Lot %1 is in the ledger again since this sale sold it whole.").arg(lotId));
    }
    if (!whole && !there)
        refuseUndo(QStringLiteral("Lot %1 was deleted since this sale, so its shares cannot be put back.").arg(lotId));
    if (!whole) {
        const QString changed = lotChanges(lot, 0);
        lot.reset();
        if (!changed.isEmpty())
            refuseUndo(QStringLiteral("Lot %1 changed since this sale: %2.").arg(lotId).arg(changed));
    }
    lot.reset();
    Statement &restore = whole ? statements.restoreWhole : statements.restorePart;
    restore.bind(1, std::int64_t(id)).step();
    restore.reset();
    statements.remove.bind(1, std::int64_t(id)).step();
    statements.remove.reset();
    return {readLot(lotId), whole};
}

// The parts are undone last first, each from its lot as the later ones left
// it; the file must hold the sale as the user saw it, no part more or less.
// A row under a part's ID that is not the one the user saw came with a copy
// of the ledger restored meanwhile.
std::vector<std::pair<StoredLot, bool>> RecordStore::undoSaleParts(const std::vector<SalePart> &sale)
{
    if (sale.empty() || !hasSales(*db_))
        refuseUndo(QStringLiteral("This sale is no longer in the ledger file."));
    const std::vector<SalePart> held = readSaleParts(*db_, sale.front().saleNo);
    if (held.size() != sale.size())
        refuseUndo(held.empty() ? QStringLiteral("This sale is no longer in the ledger file.")
                                : QStringLiteral("The ledger file holds this sale with other parts since Tesmo "
                                                 "read it (a copy of the ledger was restored meanwhile)."));
    std::vector<const SalePart *> order;
    for (const SalePart &part : sale)
        order.push_back(&part);
    std::sort(order.begin(), order.end(), [](const SalePart *a, const SalePart *b) { return a->id > b->id; });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const SalePart &heldPart = held[held.size() - 1 - i];   // held in ascending ID order
        if (heldPart.id != order[i]->id) {
            const std::optional<SalePart> other = readSale(*db_, order[i]->id);
            refuseUndo(other ? QStringLiteral("The ledger file holds another sale under this sale's number since "
                                              "Tesmo read it (a copy of the ledger was restored meanwhile).")
                             : QStringLiteral("This sale is no longer in the ledger file."));
        }
        if (heldPart != *order[i])
            refuseUndo(QStringLiteral("The ledger file holds another sale under this sale's number since Tesmo read "
                                      "it (a copy of the ledger was restored meanwhile)."));
    }
    SaleUndo statements(db_->handle());
    std::vector<std::pair<StoredLot, bool>> back;
    for (const SalePart *part : order)
        back.push_back(undoPart(*part, statements));
    return back;
}

void RecordStore::CheckUndoSale(const std::vector<SalePart> &sale)
{
    requireOpen();
    try {
        Database::Transaction transaction(*db_);
        refuseActionSale(*db_, sale);
        undoSaleParts(sale);   // and rolled back
    } catch (const Error &) {
        followSaleLots(sale);
        throw;
    }
}

void RecordStore::UndoSale(const std::vector<SalePart> &sale)
{
    requireOpen();
    std::vector<std::pair<StoredLot, bool>> back;
    try {
        Database::Transaction transaction(*db_);
        refuseActionSale(*db_, sale);
        back = undoSaleParts(sale);
        transaction.commit();
    } catch (const Error &) {
        followSaleLots(sale);
        throw;
    }
    for (const auto &[lot, whole] : back) {
        if (whole) {
            stored(lot, true);
            continue;
        }
        if (place_.onLot && current_.id() == lot.id()) {
            current_ = lot;
            showCurrent();
        }
        stored(lot, false);
    }
}

void RecordStore::followFile(const std::vector<LotId> &ids)
{
    for (const LotId id : ids) {
        const int position = positionOf(id);
        if (position < 0)
            continue;
        if (place_.onLot && position == place_.position) {
            CancelUpdate();
            continue;
        }
        try {
            followed(readLot(id));
        } catch (const tesmo::Error &e) {
            if (e.number() != kErrLotGone)
                throw;
            dropVanished(position);
        }
    }
}

// The lots of a sale refused, or whose undo was refused, are shown as the
// file holds them.
void RecordStore::followSaleLots(const std::vector<SalePart> &sale)
{
    std::vector<LotId> lots;
    for (const SalePart &part : sale)
        lots.push_back(part.lot);
    followFile(lots);
}

std::vector<SalePart> RecordStore::Sales(std::optional<int> year)
{
    requireOpen();
    return readSales(*db_, year);
}

TickerFamilies RecordStore::Families()
{
    requireOpen();
    return readTickerFamilies(*db_);
}

std::vector<SalePart> RecordStore::CapitalReturns(std::optional<int> year)
{
    requireOpen();
    return readCapitalReturns(*db_, year);
}

std::vector<int> RecordStore::SaleYears()
{
    requireOpen();
    std::vector<int> years = readSaleYears(*db_);
    const std::vector<int> gains = readCapitalReturnYears(*db_);
    years.insert(years.end(), gains.begin(), gains.end());
    std::sort(years.begin(), years.end(), std::greater<>());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

std::optional<KeptGains> RecordStore::GainsKept(std::optional<int> year)
{
    requireOpen();
    return keptOrWorkedOut(*db_, [&] { return readKeptGains(*db_, year); });
}

std::optional<std::vector<GainRow>> RecordStore::GainRowsKept(const std::vector<SaleId> &parts)
{
    requireOpen();
    return keptOrWorkedOut(*db_, [&] { return readKeptRowsOf(*db_, parts); });
}

void RecordStore::removeRows(std::vector<std::size_t> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    const auto at = std::size_t(place_.position);
    const auto before = std::size_t(std::lower_bound(rows.begin(), rows.end(), at) - rows.begin());
    const bool currentLeaves = place_.onLot && before < rows.size() && rows[before] == at;
    rows_.erase(rows);
    place_.position -= int(before);
    if (currentLeaves) {
        place_ = Place::gapBefore(place_.position);
        editMode_ = kEditNone;
    }
}

} // namespace tesmo
