// Reads every lot of qryStocks at once, in query order, into compact rows for
// the master list. Names and tickers go into one shared character pool.
#pragma once

#include "store/Lot.h"

#include <QString>
#include <string>
#include <vector>

namespace tesmo {

// One lot as read from the file, 48 bytes; texts live in LotTable::pool.
struct LotRow {
    LotId id = 0;
    std::uint32_t nameOffset = 0;     // into pool, UTF-8
    std::uint32_t tickerOffset = 0;   // into pool, UTF-8
    std::uint16_t nameLength = 0;     // bytes
    std::uint8_t tickerLength = 0;    // bytes
    std::uint8_t nulls = 0;           // bit per field position that is null
    double numShares = 0;
    Ticks price = 0;
    Ticks netAmount = 0;
    std::int32_t tradeDay = 0;        // Julian day
};

struct LotTable {
    std::vector<LotRow> rows;
    std::string pool;

    QString name(const LotRow &r) const;
    QString ticker(const LotRow &r) const;
    // The seven texts of a row in the plain text form of Lot's plainTexts.
    FieldTexts texts(const LotRow &r) const;
};

// Opens its own read-only connection to the ledger, reads qryStocks from
// start to end and closes it. Raises StoreError on failure; rows read before
// the failure are kept in table.
void readAllLots(const QString &databaseName, LotTable &table);

} // namespace tesmo
