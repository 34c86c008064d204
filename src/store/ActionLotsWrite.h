// The lots of a corporate action written into the ledger's file and given
// back: the action's lots gathered in a temporary table, then each change
// made by one statement over all of them, so that a ticker of a hundred
// thousand lots costs a few statements rather than a few a lot.
#pragma once

#include "store/Actions.h"

#include <functional>
#include <map>

namespace tesmo {

// Within the caller's transaction, writes the lots of action, whose row in
// Actions is id: each lot changed keeps what it held before in ActionLots,
// copied from the file as the file holds it, and takes its after values;
// with keepSplits, each is kept as split by the action's ratio (LotSplits),
// its split's ID in SplitID; then the lots made are added, in order, with
// their rows. Each lot changed must be in the file as its before values
// hold it: else Error 3104 (removed) or 3107 (changed) names it. progress
// hears of the lots gathered and written (done of twice the lots) and stops
// the work with Error 3112 when it returns false. The file's checks refuse
// a value it cannot hold with an engine error. Returns the ID given to each
// lot made, by its placeholder.
std::map<LotId, LotId> writeActionLots(Database &db, ActionId id, const CorporateAction &action, bool keepSplits,
                                       const std::function<bool(qint64 done)> &progress);

// Within the caller's transaction, gives each lot the action id changed
// every value it held before, exactly as the file held them, and deletes
// the lots it made. Its rows stay.
void restoreActionLots(Database &db, ActionId id);

} // namespace tesmo
