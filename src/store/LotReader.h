// Reads the lots of a ledger at once: every lot of qryStocks, in query order,
// into the packed rows of a LotTable; and the values that tell lots apart,
// for the import's check of lots already stored.
#pragma once

#include "text/LotTable.h"

#include <QString>
#include <functional>

namespace tesmo {

class Database;

// The values that tell lots apart, for each lot of the file whose values are
// of their kinds: the ticker, the trade date, the shares, and the price and
// net amount of the row given (its name is left empty, its texts point into
// the row being read), on an open connection, within its transaction when it
// has one. Raises Error on failure.
void readLotKeys(Database &db, const std::function<void(const LotRow &)> &each);
// The same for each lot as it was before each of its recorded sales (its ID,
// ticker and trade date, and the shares, price and net amount it held then),
// whether or not the lot is still in the ledger; nothing when the ledger has
// no sales. Raises Error as readSales does.
void readLotsBeforeSales(Database &db, const std::function<void(const LotRow &)> &each);

// The same for the lots of one ticker, by the ticker case fold, in no set
// order; with their names when withNames is set.
void readTickerLots(Database &db, const QString &ticker, const std::function<void(const LotRow &)> &each,
                    bool withNames = false);

// Reads qryStocks from start to end through db, appending its lots to table.
// Raises Error on failure; rows read before the failure are kept in table.
void readAllLots(Database &db, LotTable &table);

} // namespace tesmo
