// Money in whole cents: an amount rounded to the cent, and an amount shared
// among parts so that the parts add up to it and each is fair to the cent.
#pragma once

#include "text/Money.h"

#include <optional>
#include <vector>

namespace tesmo {

// Ticks rounded half away from zero to the cent.
Ticks roundToCent(long double ticks);

// Ticks cut to the cent toward zero.
Ticks truncateToCent(Ticks ticks);

// Shares total, in whole cents and 0 or more, among parts in proportion to
// weights (0 or more): each part gets its exact share rounded down to the
// cent, then the cents left over go one each to the parts with the largest
// remainders; among remainders that are equal, to the part that comes first
// in seniority (indexes into weights; the order of weights when empty). So
// no part lies a cent or more from its exact share and the parts add up to
// total. With no weight above 0, the most senior part gets it all.
std::vector<Ticks> shareCents(Ticks total, const std::vector<double> &weights,
                              const std::vector<std::size_t> &seniority = {});

// A lot's cost in whole cents as a sale of all its shares counts it: its net
// amount, cut to the cent (a sale never costs more than the lot's net
// amount, so a fraction of a cent in it is never sold), else its price times
// its shares to the nearest cent; nothing without either, or beyond what
// Ticks holds.
std::optional<Ticks> lotCost(std::optional<Ticks> netAmount, std::optional<Ticks> price, double shares);

} // namespace tesmo
