// The figures for taxes of the ledger's sales as other tools read them: the
// view qryGains, one row for each piece of a sale part, with the cost basis,
// the date acquired and the term as earlier wash sales adjusted them, and
// the loss a wash sale disallowed.
//
// SQL cannot match losses with the shares that replace them, so the rows are
// worked out by the program (the worker given to keepGainsWith) and kept in
// the table GainRows, which is only ever a copy of what the lots and sales
// give. Triggers on Lots and Sales mark the ticker of every change that bears
// on the figures in GainsStale; the view shows no row of a ticker so marked.
// Before every transaction of the program commits, the rows of the marked
// tickers are worked out again and the marks cleared, so a change the
// program makes changes the view in the same transaction; a change another
// program makes hides the ticker's rows until the program next opens the
// ledger and brings them up to date. The figures are never shown stale.
#pragma once

#include "store/Sales.h"

#include <vector>

namespace tesmo {

// A lot as the ledger holds it now.
struct HeldLot {
    LotId id = 0;
    QString ticker;
    QDate bought;
    double shares = 0;
};

// A row of qryGains: a piece of a sale part, amounts in cents.
struct GainRow {
    SaleId part = 0;        // the ID of the sale row
    SaleId saleNo = 0;
    LotId lot = 0;
    QString description;    // "10 sh. ACME (Acme Corp)"
    QDate acquired;         // as adjusted by earlier wash sales
    QDate sold;
    Ticks proceeds = 0;
    Ticks costBasis = 0;
    Ticks adjustment = 0;   // the loss disallowed, 0 or more; code W when above 0
    bool longTerm = false;
};

// Works out the rows of the sales of one ticker (in order of sale date, then
// ID) from the lots of that ticker the ledger holds.
using GainsWorker = std::vector<GainRow> (*)(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales);

// Has every transaction of the program bring the rows up to date with
// worker before it commits. Once, at the start; without it the marks stay
// and the view shows no row of the tickers marked.
void keepGainsWith(GainsWorker worker);

// Within the caller's transaction, works out again the rows of the tickers
// marked and clears their marks; nothing when the ledger has no sales or no
// worker is given.
void bringGainsUpToDate(Database &db);

} // namespace tesmo
