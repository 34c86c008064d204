// Reads every lot of qryStocks at once, in query order, into the packed rows
// of a LotTable for the master list; the rare row with a value of an unusual
// kind keeps its texts as they are.
#pragma once

#include "store/LotTable.h"

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

// Opens its own read-only connection to the ledger, reads qryStocks from
// start to end and closes it. Raises Error on failure; rows read before the
// failure are kept in table.
void readAllLots(const QString &databaseName, LotTable &table);

} // namespace tesmo
