// The splits of single lots, as the ledger's file keeps them in the table
// LotSplits: a lot rescaled by the Split command is a lot whose shares were
// split, not one whose count was corrected, and the figures for taxes count
// its shares through the split (sales/WashSales.h). A split is kept against
// the sales recorded before it: at every sale recorded after it, each share
// the lot held before is factor shares. The file has the table only from the
// first split of a ledger with sales: before any sale, a split scales every
// sale of the lot alike and needs no row.
#pragma once

#include "store/Sales.h"

#include <vector>

namespace tesmo {

struct LotSplit {
    LotId lot = 0;
    SaleId afterSale = 0;   // the largest ID a sale was given before it, or 0
    double factor = 1;      // shares after ÷ shares before

    bool operator==(const LotSplit &) const = default;
};

// Within the caller's transaction, keeps that the shares of lot were split
// by factor after the sales recorded so far; makes the table first when the
// ledger has sales but no table yet. Nothing in a ledger without sales, or
// for a factor of 1. Raises an engine error when the file refuses it.
void recordLotSplit(Database &db, LotId lot, double factor);

// Within the caller's transaction, makes the table of the splits when the
// ledger has sales but no table yet; false, and nothing made, in a ledger
// without sales, which keeps no splits.
bool lotSplitsKept(Database &db);

// Every split the file keeps, by lot, each lot's in the order recorded; none
// without the table. Raises Error 3105 when the file's schema is no longer a
// ledger's, or a split holds a value that is not of its kind (another tool
// went round the file's checks).
std::vector<LotSplit> readLotSplits(Database &db);

} // namespace tesmo
