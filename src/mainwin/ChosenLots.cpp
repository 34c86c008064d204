#include "mainwin/ChosenLots.h"

#include "store/LotReader.h"

namespace tesmo {

LotKey keyOf(const LotRow &lot)
{
    return LotKey::ofUtf8(lot.ticker, QDate::fromJulianDay(lot.tradeDay), lot.numShares, lot.price, lot.netAmount);
}

StoredKeys storedKeys(const QString &databaseName, int lots)
{
    StoredKeys keys;
    keys.reserve(lots);
    readLotKeys(databaseName, [&](const LotRow &r) { keys.add(keyOf(r)); });
    return keys;
}

ChosenLots::ChosenLots(const LotImport &import, std::uint64_t version)
    : import_(import)
    , reader_(import.reader())
    , rows_(import.chosen())
    , version_(version)
    , leftOut_(rows_.size(), false)
{
}

void ChosenLots::stillStored(const LotRow &stored)
{
    if (!indexed_) {
        indexed_ = true;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const CandidateLot &c = import_.lots()[std::size_t(rows_[i])];
            if (c.status == RowStatus::New)
                newRows_.insert(c.key, i);
        }
    }
    const auto found = newRows_.constFind(keyOf(stored));
    if (found != newRows_.cend() && !leftOut_[*found]) {
        leftOut_[*found] = true;
        ++storedMeanwhile_;
    }
}

bool ChosenLots::lot(qsizetype i, LotRow &row)
{
    if (leftOut_[std::size_t(i)])
        return false;
    const CandidateLot &c = import_.lots()[std::size_t(rows_[std::size_t(i)])];
    const auto [name, ticker] = reader_.storedTexts(c.row, held_);
    row.name = name;
    row.nameIsNull = name.empty();
    row.ticker = ticker;
    row.numShares = c.key.shares;
    row.price = c.key.priceOrNone();
    row.netAmount = c.key.netAmountOrNone();
    row.tradeDay = std::int32_t(c.key.tradeDay);
    return true;
}

} // namespace tesmo
