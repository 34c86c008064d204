// The gains of returns of capital: a return of capital above what a lot
// still cost is a gain of that lot on the action's day, no share sold
// (ActionLots.Gain, store/Actions.h). The figures for taxes show each with
// the sales' gains, as a sale part of no shares: proceeds the gain, cost 0,
// the lot's trade date and the term from it. Its ID is minus that of its
// ActionLots row and its sale number minus its action's, so it never meets
// a sale's.
#pragma once

#include "store/Sales.h"

#include <optional>
#include <vector>

namespace tesmo {

inline bool isCapitalReturn(const SalePart &part)
{
    return part.id < 0;
}

// Whether the sale number saleNo is that of a return of capital's gain.
inline bool isCapitalReturnSale(SaleId saleNo)
{
    return saleNo < 0;
}

// Puts sales and the gains of returns of capital in the order the file keeps
// their rows for taxes: sale date, then ID.
void sortAsSold(std::vector<SalePart> &parts);

// sales and gains together, as sortAsSold orders them; sales as they are
// when there are no gains.
std::vector<SalePart> withCapitalReturns(std::vector<SalePart> sales, const std::vector<SalePart> &gains);

// The years of the gains that readCapitalReturns gives, newest first.
std::vector<int> readCapitalReturnYears(Database &db);

// The gains of the file's returns of capital (those of year only, when
// given), in order of day, then ActionLots ID; none when it has no actions.
std::vector<SalePart> readCapitalReturns(Database &db, std::optional<int> year = {});

// The gains of the returns of capital of ticker, as readCapitalReturns gives
// them, compared as the file compares tickers; with an empty ticker, those
// of every ticker that holds other letters.
std::vector<SalePart> readCapitalReturnsOf(Database &db, const QString &ticker);

} // namespace tesmo
