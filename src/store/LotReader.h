// Reads every lot of qryStocks at once, in query order, into the packed rows
// of a LotTable for the master list; the rare row with a value of an unusual
// kind keeps its texts as they are.
#pragma once

#include "store/LotTable.h"

#include <QString>

namespace tesmo {

// Opens its own read-only connection to the ledger, reads qryStocks from
// start to end and closes it. Raises Error on failure; rows read before the
// failure are kept in table.
void readAllLots(const QString &databaseName, LotTable &table);

} // namespace tesmo
