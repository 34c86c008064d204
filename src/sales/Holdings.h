// What the ledger holds, one row a ticker, worked out from the lots in
// memory: a pure function of the lots and the day, reading nothing else.
#pragma once

#include "sales/WashSales.h"
#include "text/LotTable.h"
#include "text/Money.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace tesmo {

// The lots of one ticker, or of every ticker (the totals).
struct Holding {
    QString ticker;   // as the first of its lots spells it; empty for the totals
    double shares = 0;
    double sharesWithCost = 0;   // of the lots whose cost is known
    Ticks cost = 0;              // of the lots whose cost is known, adjustment included
    Ticks adjustment = 0;        // the losses wash sales added to the cost of the shares held
    int lots = 0;
    int lotsWithoutCost = 0;     // lots with neither a net amount nor a price
    double longShares = 0;       // held longer than a year
    QDate oldest;                // the earliest trade date; null when no lot has one

    // The cost of a share of the lots whose cost is known, to the tick;
    // nothing when they hold no shares.
    std::optional<Ticks> averageCost() const;
};

struct Holdings {
    std::vector<Holding> tickers;   // in ticker order, letter case aside
    Holding total;                  // every lot
};

// The holdings of lots as of today. Lots are of one ticker when their
// tickers are the same but for letter case, as the find by ticker takes
// them. A lot's cost is what a sale of all of it would cost (lotCost), in
// whole cents; a lot with neither a net amount nor a price adds its shares
// but no cost, nor does a lot whose cost lies beyond the ledger's money
// limits.
// Shares are held longer than a year when a sale today would be long-term.
// A field that an older tool stored outside its kind (text for shares, an
// amount or a date) counts as unknown: no shares, no cost, no date. Sums
// of cost stop at the largest amount Ticks holds. Shares that carry a wash
// sale's adjustment (adjusted: by lot ID, as washSales gives them) add it to
// the cost of a lot whose cost is known, and are held long by their
// adjusted date.
Holdings holdingsOf(const LotTable &lots, QDate today, const std::vector<HeldAdjustment> &adjusted = {});

} // namespace tesmo
