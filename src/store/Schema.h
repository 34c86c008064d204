// The schema of a ledger file: the table Lots behind the updatable view
// qryStocks, the table Options, from the first sale on the table Sales behind
// the view qrySales, and from the first import that keeps them the tables
// LotSources and ImportLayouts. The checks of Lots take their ranges and
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

// The SQL that adds the sales to a ledger: the table, its view, and the
// triggers through which a sale row changes its lot.
std::string salesSchema();

// Whether a ledger holds the sales: none of their objects, all of them as
// salesSchema makes them, or something else under their names. Reads only;
// raises Error when the schema cannot be read.
enum class SalesShape { None, Ours, Foreign };
SalesShape salesShape(sqlite3 *db);

// The SQL that adds what the import keeps: the tables LotSources (the row of
// a broker's file each imported lot came from) and ImportLayouts (the choices
// made for a layout of file).
std::string importRecordsSchema();

// Whether a ledger holds them: none, both as importRecordsSchema makes them,
// or something else under their names. Reads only.
enum class ObjectsShape { None, Ours, Foreign };
ObjectsShape importRecordsShape(sqlite3 *db);

} // namespace tesmo
