// How a lot differs from what a sale or an action left, in words.
#pragma once

#include "store/Sqlite.h"

#include <QString>

namespace tesmo {

// What changed of a lot since a sale or an action left it: "its number of
// shares and price per share changed (a split or an edit)". Columns first
// to first + 5 of same say whether its name, ticker symbol, number of shares,
// price per share, net amount and trade date are still those left (1) or
// not (0). Empty when none changed.
QString lotChanges(const Statement &same, int first);

} // namespace tesmo
