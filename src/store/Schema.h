// The schema of a ledger file: the table Lots behind the updatable view
// qryStocks, and the table Options. The checks of Lots take their ranges and
// lengths from the program's limits, so the file accepts exactly the lots that
// the window accepts.
#pragma once

#include <string>

struct sqlite3;

namespace tesmo {

// The SQL that builds a new, empty ledger with its one Options row.
std::string ledgerSchema();

// Indexes that later versions of the program added; created on a ledger that
// lacks them when the ledger is opened for writing.
extern const char *const kLedgerIndexes;

// True when the database holds the tables and the view of a ledger, each
// with the ledger's columns in the ledger's order (the view exactly those).
// Reads only; raises Error when the schema cannot be read.
bool isLedger(sqlite3 *db);

} // namespace tesmo
