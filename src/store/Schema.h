// The schema of a ledger file: the table Lots behind the updatable view
// qryStocks, the table Options, from the first sale on the table Sales behind
// the view qrySales, from the first split of a lot after a sale the table
// LotSplits, and from the first import that keeps them the tables
// LotSources and ImportLayouts. The checks of Lots take their ranges and
// lengths from the program's limits, so the file accepts exactly the lots that
// the window accepts. These definitions are also what a file is checked
// against before it is taken for a ledger (store/SchemaCheck.h), through
// schemaParts(): a new object is added to its part's SQL alone, a new part
// (a table made by its first use, as the sales are) to schemaParts(), and a
// changed object keeps its earlier text in store/EarlierSchemas.cpp.
#pragma once

#include <string>
#include <vector>

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

// The SQL that adds what the import keeps: the tables LotSources (the row of
// a broker's file each imported lot came from) and ImportLayouts (the choices
// made for a layout of file), made by the first import that keeps either.
std::string importRecordsSchema();
// Their part's name in schemaParts().
inline constexpr const char *kImportRecordsPart = "the import's records";

// The SQL that adds the splits of single lots (store/LotSplits.h), made by
// the first split of a ledger that has sales.
std::string lotSplitsSchema();
inline constexpr const char *kLotSplitsPart = "the splits of lots";

// The SQL that adds the corporate actions (store/Actions.h): the tables
// Actions and ActionLots and the view qryActions, made by the first action
// recorded, after the sales.
std::string actionsSchema();
inline constexpr const char *kActionsPart = "the corporate actions";

// The schema text with its placeholders ({NAME}, {TICKER}, {MONEY},
// {CONTROLS}, {DATE:column} ...) replaced by the program's limits.
std::string withSchemaLimits(const char *schema);

// A part of the schema as a ledger comes to hold it: with the ledger, when
// the ledger is opened for writing (each object of it may be missing from an
// older ledger), or by its first use (all of it or none).
struct SchemaPart {
    enum class Made { WithTheLedger, WhenOpened, ByFirstUse };
    const char *name;   // as messages name it: "the sales"
    Made made;
    std::string sql;    // the SQL that makes it now
    // What earlier versions made: single objects in place of some of a part
    // made with the ledger, or, for a part made by its first use, the whole
    // part as it was.
    std::vector<const char *> earlier;
};

// Every part, in the order they are made.
std::vector<SchemaPart> schemaParts();

} // namespace tesmo
