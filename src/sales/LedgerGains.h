// The figures for taxes of a ledger's sales: the wash sales worked out from
// its lots and sale rows as they are now, and the rows of each sale put
// together as the list of realized gains shows them, one line a sale.
#pragma once

#include "sales/WashSales.h"
#include "store/GainsTable.h"
#include "text/LotTable.h"

#include <optional>
#include <vector>

namespace tesmo {

// The lots of lots (the ledger's rows) whose ticker has a sale among sales,
// letter case aside, or is of the family of one: the only lots that bear on
// the wash sales of sales.
std::vector<HeldLot> heldOfSold(const LotTable &lots, const std::vector<SalePart> &sales,
                                const TickerFamilies &families = {});

// Every lot ever bought, with its splits among splits (those of other lots
// left aside): the lots held, with the shares their sales took added back,
// and the lots sold whole, from their first sale row; each as bought, its
// shares before its splits. The gains of returns of capital among sales sell
// no shares.
std::vector<WashLot> lotsAsBought(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                                  const std::vector<LotSplit> &splits = {});

// The wash sales of the sale rows (in the order of sales; the gains of
// returns of capital among them) from the ledger's lots, their splits and the
// families of tickers; each TaxRow's part is an index into sales.
WashSales ledgerWashSales(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                          const std::vector<LotSplit> &splits = {}, const TickerFamilies &families = {});

// The rows of qryGains of sales (in order of sale date, then ID) and the
// shares held that carry an adjustment, from the lots held and their splits:
// the worker that keeps the file's copy of them up to date.
GainFigures gainRowsOf(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                       const std::vector<LotSplit> &splits = {}, const TickerFamilies &families = {});

// A row of qryGains as the file keeps it, of the part at index part among
// the sale rows read, which is sale.
TaxRow taxRowOf(const GainRow &row, std::size_t part, const SalePart &sale);

// One sale, as its rows add up: every amount is the sum of its rows.
struct SaleLine {
    SaleId saleNo = 0;
    QDate sold;
    QString ticker;
    double shares = 0;
    int lots = 0;                  // the parts of the sale
    Ticks proceeds = 0;
    Ticks costBasis = 0;
    Ticks adjustment = 0;          // the losses disallowed by wash sales
    QString term;                  // "Short", "Long", or "Mixed" for both
    std::vector<std::size_t> rows; // into the wash sales' rows, in order

    bool wash() const { return adjustment > 0; }
    Ticks gain() const { return proceeds - costBasis + adjustment; }
};

// The sales of rows (of parts, the sale rows washSales was given), one
// line each in the order of the rows, of year only when given.
std::vector<SaleLine> saleLines(const std::vector<TaxRow> &rows, const std::vector<SalePart> &parts,
                                std::optional<int> year = {});

// The short-term and long-term gains of lines, each the sum of the gains of
// their rows as shown; a loss is negative.
struct GainTotals {
    Ticks shortTerm = 0;
    Ticks longTerm = 0;
    Ticks total() const { return shortTerm + longTerm; }
};
GainTotals gainTotals(const std::vector<SaleLine> &lines, const std::vector<TaxRow> &rows);

} // namespace tesmo
