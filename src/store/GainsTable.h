// The figures for taxes of the ledger's sales as other tools read them: the
// view qryGains, one row for each piece of a sale part, with the cost basis,
// the date acquired and the term as earlier wash sales adjusted them, and
// the loss a wash sale disallowed; and one row for each lot whose return of
// capital went above its cost (store/CapitalReturns.h), under SaleID minus
// its ActionLots row's and SaleNo minus its action's.
//
// SQL cannot match losses with the shares that replace them, so the rows are
// worked out by the program (the worker given to keepGainsWith) and kept in
// the table GainRows, with the shares still held that carry a disallowed loss
// in GainsHeld: only ever a copy of what the lots, their splits, the sales
// and the actions give. Triggers on Lots, LotSplits, Sales and Actions mark
// the ticker of every change that bears on the figures in GainsStale; the
// view shows no row of a ticker so marked. Before every transaction of the
// program commits, the rows of the marked tickers, each with the tickers its
// actions link to it, are worked out again and the marks cleared, so a
// change the program makes changes the view in the same transaction; a
// change another program makes hides the ticker's rows until the program
// next opens the ledger and brings them up to date. The figures are never
// shown stale: the Holdings and Gains window reads them from here while they
// are current, instead of working them out from every lot.
#pragma once

#include "store/LotSplits.h"
#include "store/Sales.h"
#include "store/TickerFamilies.h"

#include <optional>
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
    double shares = 0;      // in the shares of the day sold
    QDate acquired;         // as adjusted by earlier wash sales
    QDate sold;
    Ticks proceeds = 0;
    Ticks costBasis = 0;
    Ticks adjustment = 0;   // the loss disallowed, 0 or more; code W when above 0
    bool longTerm = false;

    bool operator==(const GainRow &) const = default;
};

// Shares of a lot still held that carry a disallowed loss.
struct HeldAdjustment {
    LotId lot = 0;
    double shares = 0;      // in the shares after every split
    QDate acquired;         // the adjusted date they are held from
    Ticks adjustment = 0;   // added to their cost

    bool operator==(const HeldAdjustment &) const = default;
};

// The figures of the sales of one ticker.
struct GainFigures {
    std::vector<GainRow> rows;           // in order of sale date, then ID
    std::vector<HeldAdjustment> held;    // by lot ID, each lot's in the order a sale takes them
};

// Works out the figures of the sales of one family of tickers (in order of
// sale date, then ID; the gains of returns of capital among them, as
// store/CapitalReturns.h gives them) from the lots of those tickers the
// ledger holds, the splits of lots (those of other tickers among them) and
// the families.
using GainsWorker = GainFigures (*)(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                                    const std::vector<LotSplit> &splits, const TickerFamilies &families);

// Has every transaction of the program bring the rows up to date with
// worker before it commits. Once, at the start; without it the marks stay
// and the view shows no row of the tickers marked.
void keepGainsWith(GainsWorker worker);

// Within the caller's transaction, works out again the rows of the families
// of the tickers marked (store/TickerFamilies.h: the rows of a family are
// kept under its key) and clears their marks; nothing when the ledger has no
// sales or no worker is given.
void bringGainsUpToDate(Database &db);

// The figures as the file keeps them, when they are current: the rows of the
// sales of year (of every year without one), and the shares held that carry
// an adjustment, by lot ID. None when the file keeps none (a ledger without
// sales, or with sales of an earlier version) or a change another program
// made has marked a ticker.
struct KeptGains {
    std::vector<GainRow> rows;
    std::vector<HeldAdjustment> held;
};
std::optional<KeptGains> readKeptGains(Database &db, std::optional<int> year);

// The rows the file keeps of the sale rows whose IDs are parts, in the order
// of parts, each part's pieces in order; none when the file keeps none that
// are current (as readKeptGains) or none of one of the parts.
std::optional<std::vector<GainRow>> readKeptRowsOf(Database &db, const std::vector<SaleId> &parts);

} // namespace tesmo
