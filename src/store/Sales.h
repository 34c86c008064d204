// Sales as the ledger's file keeps them: the table Sales and the view
// qrySales, one row for each lot a sale took shares from. The file has them
// only from its first sale on: a ledger without sales is never changed by
// reading it. A sale row stands on its own (the lot's name, ticker and trade
// date as they were), and keeps what its lot held before, so that undoing it
// gives the lot back as it was.
#pragma once

#include "store/Database.h"
#include "text/Fields.h"
#include "text/Money.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace tesmo {

using SaleId = qint64;

// One part of a sale: what it takes from one lot and what the lot keeps.
// The one form of a sale's part from its plan to the file to the report: a
// plan fills all but the ID, recording it gives the ID of its row, and the
// file reads it back whole. A part stands on its own: the lot's name, ticker
// and trade date as they were.
struct SalePart {
    SaleId id = 0;             // of its row in the file; 0 until recorded
    // The sale the part is of: the ID of its first part. Before they are
    // recorded, the parts given together with the same number are one sale.
    SaleId saleNo = 0;
    LotId lot = 0;
    QString name;
    QString ticker;
    QDate acquired;            // the lot's trade date
    QDate sold;
    double shares = 0;         // taken from the lot, above 0
    Ticks proceeds = 0;        // this part's share of the sale's proceeds
    Ticks cost = 0;            // of the shares taken
    QString term;              // "Long" or "Short"
    double sharesLeft = 0;     // the lot's NumShares after the sale; 0 when sold whole
    std::optional<Ticks> netLeft;   // its NetAmount after the sale; none when it had none

    // The lot is sold whole and leaves the ledger.
    bool wholeLot() const { return sharesLeft == 0; }
    Ticks gain() const { return proceeds - cost; }
    bool operator==(const SalePart &) const = default;
};

// Every sale the file holds (those of year only, when given), in order of
// sale date, then ID; none when it
// has no sales table. Raises Error 3105 when the file's schema is no longer
// a ledger's (another program changed it since it was opened) or a sale holds
// a value that is not of its kind, and an engine error when the file cannot
// be read.
std::vector<SalePart> readSales(Database &db, std::optional<int> year = {});

// The years in which the file's sales were made, the latest first.
std::vector<int> readSaleYears(Database &db);

// The sales of ticker, as readSales gives them but in no set order, compared
// as the file compares tickers (the case of ASCII letters aside); with an
// empty ticker, the sales of every ticker that holds other letters. The file
// must have its sales as the program makes them now.
std::vector<SalePart> readSalesOf(Database &db, const QString &ticker);

// The sale row of that ID, as readSales gives it; none when there is none.
std::optional<SalePart> readSale(Database &db, SaleId id);

// The parts of the sale numbered saleNo, in order of ID, as readSales gives
// them; none when there is no such sale.
std::vector<SalePart> readSaleParts(Database &db, SaleId saleNo);
// The same in a ledger whose sales the caller has found to be there (by
// hasSales), so that the parts of many sales are read with one look at the
// ledger's shape.
std::vector<SalePart> readSalePartsOfSales(Database &db, SaleId saleNo);

// True when the ledger has its sales; raises Error as readSales does.
bool hasSales(Database &db);

// The ID the next row of Sales gets: one more than the largest ID the table
// ever gave or holds, so that an undone sale's ID is never given again.
SaleId nextSaleId(Database &db);

// Within the caller's transaction, adds the sales' table, view and triggers
// to a ledger that has none, and brings those of an earlier version up to
// date; raises Error as readSales does.
void addSalesIfMissing(Database &db);

// When the ledger is opened for writing: in one transaction, brings sales of
// an earlier version up to date (addSalesIfMissing) and works out the figures
// for taxes that a change by another program marked (store/GainsTable.h).
// Changes nothing in a ledger without sales, or whose sales are up to date.
void bringSalesUpToDate(Database &db);

} // namespace tesmo
