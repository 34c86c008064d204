// The ledger's objects as earlier versions of the program made them, word
// for word as SQLite keeps them, so that a ledger made then is still taken
// for one. An object whose definition changes keeps its earlier texts here;
// an object added later needs nothing here.
#pragma once

#include <vector>

namespace tesmo {

// Earlier definitions of the tables that every ledger holds, each one
// statement: Lots and Options as the first versions made them.
const std::vector<const char *> &earlierLedgerTables();

// The sales' objects as the first version that recorded sales made them, in
// the order it made them, as one script.
const char *earlierSalesSchema();

} // namespace tesmo
