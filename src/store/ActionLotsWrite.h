// The lots of a corporate action and its sale written into the ledger's
// file and given back: the action's lots gathered in a temporary table, then
// each change made by one statement over all of them, so that a ticker of a
// hundred thousand lots costs a few statements rather than a few a lot.
#pragma once

#include "store/Actions.h"

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tesmo {

// Within the caller's transaction, writes the lots of action, whose row in
// Actions is id: each lot changed keeps what it held before in ActionLots,
// copied from the file as the file holds it, and takes its after values;
// with keepSplits, each is kept as split by the action's ratio (LotSplits),
// its split's ID in SplitID; then the lots made are added, in order, with
// their rows. Each lot changed must be in the file as its before values
// hold it: else Error 3104 (removed) or 3107 (changed) names it; a lot made
// must come from a lot the action changes and keep its trade date: else
// Error 3103. progress
// hears of the lots gathered and written (done of twice the lots) and stops
// the work with Error 3112 when it returns false. The file's checks refuse
// a value it cannot hold with an engine error. Returns the ID given to each
// lot made, by its placeholder.
std::map<LotId, LotId> writeActionLots(Database &db, ActionId id, const CorporateAction &action, bool keepSplits,
                                       const std::function<bool(qint64 done)> &progress);

// Within the caller's transaction, gives each lot the action id changed
// every value it held before, exactly as the file held them, and deletes
// the lots it made, and the splits it kept. Its rows stay. tickers are the lots' tickers before and
// after the action, marked for the figures for taxes as the lots' triggers
// would mark them.
void restoreActionLots(Database &db, ActionId id, const QStringList &tickers);

// Within the caller's transaction, records the parts of one sale, each from a
// lot of its own that the file holds as the sale was planned on, as
// RecordStore::Sell records them: the rows get the IDs saleNo, saleNo + 1,
// ... in the order of the parts. The rows are checked as the file's
// triggers check a row, once for them all, and change their lots as the
// triggers would; tickers are the tickers of the lots sold, marked as the
// triggers would mark them. False, and nothing written, when a lot has more
// than one part or a row fails those checks: such a sale is written a part
// at a time, through the triggers. Raises Error 3104 when a lot is not in
// the file, and an engine error when the file refuses a part. saleNo is the
// ID the next row of Sales gets (nextSaleId), the number of the sale.
bool writeActionSale(Database &db, const std::vector<SalePart> &parts, SaleId saleNo, const QStringList &tickers);

// Within the caller's transaction, undoes the sale numbered saleNo, each of
// whose parts takes from a lot of its own: each lot gets back what it held
// before, or comes back whole. False, and nothing changed, when a lot has
// more than one part or is not as its part left it (the caller then undoes
// the sale a part at a time, which says why). The lots come back, and the
// rows leave, as the file's triggers would have them, once for all the rows.
bool undoActionSale(Database &db, SaleId saleNo);

// The lots of an action as the file holds them once writeActionLots wrote
// them, which gave the lots made the IDs in made: in order of ID, the lots
// made last, each made lot without values before, each changed lot on its
// trade date before. As readAction reads them back, without reading.
std::vector<ActionLot> lotsAsWritten(const std::vector<ActionLot> &lots, const std::map<LotId, LotId> &made);

// The parts of a sale as the file holds them once writeActionSale wrote
// them under ids, each from its lot as lots (lotsAsWritten) left it. None
// when a part's lot is not among them.
std::optional<std::vector<SalePart>> saleAsWritten(const std::vector<SalePart> &parts, const std::vector<SaleId> &ids,
                                                   const std::vector<ActionLot> &lots);

} // namespace tesmo

