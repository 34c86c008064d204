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
// the row being read). Opens its own read-only connection and closes it
// again. Raises Error on failure.
void readLotKeys(const QString &databaseName, const std::function<void(const LotRow &)> &each);
// The same on an open connection, within its transaction when it has one.
void readLotKeys(Database &db, const std::function<void(const LotRow &)> &each);

// The same for the lots of one ticker, by the ticker case fold, in no set
// order.
void readTickerLots(Database &db, const QString &ticker, const std::function<void(const LotRow &)> &each);

// Reads qryStocks from start to end through db, appending its lots to table.
// Raises Error on failure; rows read before the failure are kept in table.
void readAllLots(Database &db, LotTable &table);

} // namespace tesmo
