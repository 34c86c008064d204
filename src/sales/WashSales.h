// Wash sales: a loss on shares sold is not deducted when shares of the same
// ticker were bought within 30 days before or after the sale. The loss is
// added to the cost of those replacement shares instead, and the time the
// sold shares were held to theirs, so that it counts when they are sold.
//
// Everything here is worked out afresh from the ledger's purchases and sales,
// never kept: a pure function over values that the caller fills from the
// lots and sale rows however it keeps them.
//
// The rules, in the order they apply:
// - Shares are of one ticker when their tickers are the same but for letter
//   case, or linked by ticker changes and mergers for shares (the families
//   given, store/TickerFamilies.h). A split of a ticker makes each share before it `factor` shares;
//   share counts are compared in the shares after every split.
// - A split of one lot alone makes each of its shares `factor` shares at
//   every sale recorded after it: a part takes its lot's shares as they
//   were when its sale was recorded, and a loss counts the shares of its
//   replacements as they were then. The shares held that carry an
//   adjustment are told in the shares after every split.
// - The days are taken in order. On one day every sale comes first, so the
//   shares sold that day are gone before any of the day's losses looks for
//   replacements, and the shares bought that day can be sold that day.
// - A part of a sale takes from its lot first the shares that carry an
//   adjustment, in the order they got it, then the others. It is written as
//   one piece for each group of shares that differ in adjusted cost or date;
//   the part's proceeds and cost are shared among its pieces by shares, to
//   the cent, as a sale shares its proceeds among its lots.
// - A piece whose cost basis (its share of the cost, plus the adjustment its
//   shares carry) is above its proceeds is a loss. A gain is never a wash
//   sale, and a loss never offsets the gain of another piece.
// - The losses of one day are taken in the order their lots were bought
//   (trade date, then ID), then in the order of parts given.
// - A loss's replacement shares are shares of other lots of the ticker bought
//   from 30 days before to 30 days after the sale, still held after the
//   day's sales, and not yet a replacement for another loss: each share
//   replaces at most one loss. The rest of the lot the shares were sold from
//   is never their replacement (it was bought with them, not after). Lots
//   are taken in the order they were bought (trade date, then ID), the first
//   free shares of each, until the piece's shares are matched.
// - The loss of the matched shares is disallowed, share by share: all of it
//   when every share is matched, else the loss × matched ÷ shares to the
//   cent. It is shared among the replacement lots by the shares each gave,
//   to the cent, and added to their cost.
// - The replacement shares are held from a date moved earlier by the days
//   the sold shares were held (from their own adjusted date to the sale) that
//   the replacement's own holding does not already cover: for shares bought
//   on or after the sale, all of those days; for shares bought before it,
//   only those before the replacement's own trade date.
#pragma once

#include "store/GainsTable.h"   // HeldAdjustment
#include "text/Fields.h"
#include "text/Money.h"

#include <QDate>
#include <QString>
#include <vector>

namespace tesmo {

// A lot as it was bought: every lot of the ledger, those still held and
// those sold whole.
struct WashLot {
    LotId id = 0;
    QString ticker;
    QDate bought;        // the trade date
    double shares = 0;   // as bought, in the shares of that day
    std::vector<LotSplit> splits = {};   // of the lot alone, in the order recorded
};

// A split of every share of a ticker: sales and purchases from its day on
// count in the shares after it.
struct WashSplit {
    QString ticker;
    QDate day;
    double factor = 1;   // shares after ÷ shares before
};

// A part of a sale, as its sale row keeps it.
struct WashSale {
    qint64 sale = 0;     // the sale that the part is of, numbered as recorded; below 0 for
                         // the gain of a return of capital (store/CapitalReturns.h), of no shares
    LotId lot = 0;
    QString name;
    QString ticker;
    QDate acquired;      // the lot's trade date
    QDate sold;
    double shares = 0;   // in the shares of the day sold
    Ticks proceeds = 0;  // rounded to the cent when it is not in cents
    Ticks cost = 0;      // what the shares cost when bought, likewise
};

// A line of Form 8949: a piece of a part of a sale, every amount in cents.
struct TaxRow {
    std::size_t part = 0;   // the index of its part among those given
    QString name;
    QString ticker;
    double shares = 0;      // in the shares of the day sold
    QDate acquired;         // as adjusted by earlier wash sales
    QDate sold;
    Ticks proceeds = 0;
    Ticks costBasis = 0;    // the part's cost plus the adjustments its shares carry
    Ticks adjustment = 0;   // the loss disallowed, 0 or more
    bool longTerm = false;  // held more than a year, from acquired
    bool capitalReturn = false;   // a return of capital above the lot's cost: no shares sold

    bool wash() const { return adjustment > 0; }   // code W
    Ticks gain() const { return proceeds - costBasis + adjustment; }
};

struct WashSales {
    std::vector<TaxRow> rows;            // in the order of parts, one or more a part
    std::vector<HeldAdjustment> held;    // by lot ID, each lot's in the order a sale takes them

    // The adjustment of a lot's shares held, all of them; 0 for a lot
    // without one.
    Ticks adjustmentOf(LotId lot) const;
    // The earliest date a lot's held shares count from: its adjusted shares'
    // or, with shares left that carry nothing, its trade date.
    QDate heldFrom(LotId lot, QDate bought, double sharesHeld) const;
};

// The wash sales of parts sold from lots. A part whose lot is not among lots,
// or that takes more shares than its lot holds, takes the shares it lacks
// as shares of its own trade date that carry nothing.
WashSales washSales(const std::vector<WashLot> &lots, const std::vector<WashSale> &parts,
                    const std::vector<WashSplit> &splits = {},
                    const TickerFamilies &families = {});

// The rows of a sale being planned, worked out with the ledger's lots and
// sales (parts); it is recorded after every split. Each row's part is the
// index of its part among planned.
std::vector<TaxRow> rowsIfSold(const std::vector<WashLot> &lots, std::vector<WashSale> parts,
                               const std::vector<WashSale> &planned, const std::vector<WashSplit> &splits = {},
                               const TickerFamilies &families = {});

// The loss that a sale being planned would have disallowed, told before the
// sale: the sum of the adjustments of its rows; 0 when no loss of it washes.
Ticks disallowedIfSold(const std::vector<WashLot> &lots, std::vector<WashSale> parts,
                       const std::vector<WashSale> &planned, const std::vector<WashSplit> &splits = {},
                       const TickerFamilies &families = {});

} // namespace tesmo
