// The one planner of sales from lots: the lots of the tickers a sale may take
// from, kept as the sales planned on them so far leave them. A sale from the
// window plans on the lots of one ticker with the method the user chose; the
// sales of a broker's file are planned one after another, first in, first
// out, each on the lots as the earlier ones left them.
#pragma once

#include "sales/SalePlan.h"
#include "text/LotTable.h"

#include <map>
#include <memory>
#include <vector>

namespace tesmo {

class SalePlanner {
public:
    // Adds a lot of the ledger (its ID as the ledger's) under its ticker's
    // case fold; a lot a sale cannot take from (no shares, shares or a trade
    // date not of their kinds, a value beyond the ledger's limits) is left
    // out. False when left out.
    bool add(const LotRow &lot);
    // Whether the lots of the ticker were asked for before (know()).
    bool knows(const QString &ticker) const;
    // From now on the ticker's lots count as given, even with none.
    void know(const QString &ticker);

    // The lots of the ticker that hold shares, as the sales planned so far
    // leave them, in the order added; their texts point into the planner.
    std::vector<LotRow> lots(const QString &ticker) const;

    // The parts of a sale of the ticker's lots as planSale plans them.
    // Raises SaleRefusal as planSale does.
    std::vector<SalePart> plan(const QString &ticker, QDate sold, double shares, Ticks proceeds,
                               SaleMethod method = SaleMethod::FirstIn, const ChosenShares &chosen = {}) const;
    // The lots keep what the parts leave them; a lot sold whole leaves.
    void take(const std::vector<SalePart> &parts);

private:
    LotTable *tableOf(const QString &ticker) const;

    // By the ticker's case fold; a table does not move.
    std::map<QString, std::unique_ptr<LotTable>> tickers_;
};

} // namespace tesmo
