// Reads every lot of qryStocks at once, in query order, into compact rows for
// the master list. Names and tickers go into one shared character pool; the
// rare row with a value of an unusual kind keeps its texts as they are.
#pragma once

#include "text/Fields.h"
#include "text/Money.h"

#include <QHash>
#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo {

// One lot as read from the file, 48 bytes; texts live in LotTable::pool.
struct LotRow {
    LotId id = 0;
    double numShares = 0;
    Ticks price = 0;
    Ticks netAmount = 0;
    std::uint32_t nameOffset = 0;     // into pool, UTF-8
    std::uint32_t tickerOffset = 0;   // into pool, UTF-8
    std::int32_t tradeDay = 0;        // Julian day
    std::uint16_t nameLength = 0;     // bytes
    std::uint8_t tickerLength = 0;    // bytes
    std::uint8_t nulls = 0;           // bit per field position that is null
};
static_assert(sizeof(LotRow) == 48);

struct LotTable {
    std::vector<LotRow> rows;
    std::string pool;
    QHash<LotId, FieldTexts> irregular;   // plain texts of rows that do not fit a LotRow

    // The seven plain texts of a row (12.5, 1/15/2003; empty for nulls).
    FieldTexts texts(const LotRow &r) const;
};

// The values that tell lots apart, for each lot of the file whose values are
// of their kinds: the ticker's UTF-8 bytes, the trade date, the shares, and
// the price and net amount (nothing for NULL). Opens its own read-only
// connection and closes it again. Raises Error on failure.
void readLotKeys(const QString &databaseName,
                 const std::function<void(std::string_view ticker, QDate tradeDate, double shares,
                                          std::optional<Ticks> price, std::optional<Ticks> netAmount)> &each);

// Opens its own read-only connection to the ledger, reads qryStocks from
// start to end and closes it. Raises Error on failure; rows read before the
// failure are kept in table.
void readAllLots(const QString &databaseName, LotTable &table);

} // namespace tesmo
