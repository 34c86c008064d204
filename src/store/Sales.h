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

// One part of a sale to record: what it takes from one lot and what the lot
// keeps. The arithmetic is the caller's; the file checks it against the lot
// as it is at the write.
struct SaleToRecord {
    LotId lot = 0;
    QDate sold;
    double shares = 0;        // taken from the lot, above 0
    Ticks proceeds = 0;       // this part's share of the proceeds
    Ticks cost = 0;           // of the shares taken
    QString term;             // "Long" or "Short"
    double sharesLeft = 0;    // the lot's NumShares after the sale
    std::optional<Ticks> netLeft;   // its NetAmount after the sale
    bool wholeLot = false;    // the lot leaves the ledger
};

// A row of qrySales.
struct SaleRecord {
    SaleId id = 0;
    LotId lot = 0;
    QString name;
    QString ticker;
    double shares = 0;
    QDate acquired;
    QDate sold;
    Ticks proceeds = 0;
    Ticks cost = 0;
    QString term;

    Ticks gain() const { return proceeds - cost; }
    bool operator==(const SaleRecord &) const = default;
};

// Every sale the file holds, in order of sale date, then ID; none when it
// has no sales table. Raises Error 3105 when the file's schema is no longer
// a ledger's (another program changed it since it was opened), and an engine
// error when the file cannot be read.
std::vector<SaleRecord> readSales(Database &db);

// The sale row of that ID, as readSales gives it; none when there is none.
std::optional<SaleRecord> readSale(Database &db, SaleId id);

// True when the ledger has its sales; raises Error as readSales does.
bool hasSales(Database &db);

// Within the caller's transaction, adds the sales' table, view and triggers
// to a ledger that has none, and brings those of an earlier version up to
// date; raises Error as readSales does.
void addSalesIfMissing(Database &db);

} // namespace tesmo
