// The schema of a ledger file: the table Lots behind the updatable view
// qryStocks, the table Options, and, from the first sale on, the table Sales
// behind the view qrySales. The checks of Lots take their ranges and
// lengths from the program's limits, so the file accepts exactly the lots that
// the window accepts. These definitions are also what a file is checked
// against before it is taken for a ledger (store/SchemaCheck.h): a new object
// is added here alone; a changed one keeps its earlier text in
// store/EarlierSchemas.cpp.
#pragma once

#include <string>

namespace tesmo {

// The objects that every ledger holds, and its one Options row.
std::string ledgerObjects();

// Indexes that later versions of the program added; created on a ledger that
// lacks them when the ledger is opened for writing.
extern const char *const kLedgerIndexes;

// The SQL that builds a new, empty ledger: the two above.
std::string ledgerSchema();

// The SQL that adds the sales to a ledger: the table and its indexes
// (salesTable), then the view and the triggers through which a sale row
// changes its lot (salesLinks); salesSchema is both.
std::string salesTable();
std::string salesLinks();
std::string salesSchema();

} // namespace tesmo
