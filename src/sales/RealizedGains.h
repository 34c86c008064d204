// The realized gains of the ledger's sales as the window lists them and the
// file for taxes writes them: a year at a time, in whole cents.
#pragma once

#include "store/Sales.h"

#include <optional>
#include <vector>

namespace tesmo {

// The amount rounded half away from zero to the cent, as the list and the
// file show it.
Ticks toCents(Ticks ticks);

// The gain of a sale as it is shown: its proceeds less its cost, each to
// the cent, so that the figures shown of a sale add up. (The cost of a lot
// sold whole may hold a fraction of a cent.)
Ticks shownGain(const SalePart &sale);

bool isLongTerm(const SalePart &sale);

// The years in which sales were made, the latest first.
std::vector<int> saleYears(const std::vector<SalePart> &sales);

// The sales made in year, or every sale without one, in the order of sales.
std::vector<const SalePart *> salesIn(const std::vector<SalePart> &sales, std::optional<int> year);

// The short-term and long-term gains of sales, each the sum of the gains as
// shown; a loss is negative.
struct GainTotals {
    Ticks shortTerm = 0;
    Ticks longTerm = 0;
    Ticks total() const { return shortTerm + longTerm; }
};
GainTotals gainTotals(const std::vector<const SalePart *> &sales);

} // namespace tesmo
