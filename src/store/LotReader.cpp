#include "store/LotReader.h"

#include "store/Database.h"
#include "store/Lot.h"
#include "text/IsoDate.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

std::string_view columnText(sqlite3_stmt *h, int column)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(h, column));
    return {p, std::size_t(sqlite3_column_bytes(h, column))};
}

// Reads the row into r the fast way; false when a value is of a kind or size
// that the packed form cannot hold, and the row must keep its texts instead.
// The texts of r point into the statement's row.
bool readPacked(sqlite3_stmt *h, LotRow &r)
{
    const int nameType = sqlite3_column_type(h, kName1);
    r.nameIsNull = nameType == SQLITE_NULL;
    if (!r.nameIsNull && nameType != SQLITE_TEXT)
        return false;
    r.name = r.nameIsNull ? std::string_view() : columnText(h, kName1);
    if (sqlite3_column_type(h, kTicker) != SQLITE_TEXT)
        return false;
    r.ticker = columnText(h, kTicker);
    if (r.name.size() > LotTable::kLongestName || r.ticker.size() > LotTable::kLongestTicker)
        return false;

    const int sharesType = sqlite3_column_type(h, kNumShares);
    if (sharesType != SQLITE_FLOAT && sharesType != SQLITE_INTEGER)
        return false;
    r.numShares = sqlite3_column_double(h, kNumShares);

    const auto money = [&](int column, std::optional<Ticks> &out) {
        const int type = sqlite3_column_type(h, column);
        if (type == SQLITE_NULL) {
            out.reset();
            return true;
        }
        if (type != SQLITE_FLOAT && type != SQLITE_INTEGER)
            return false;
        out = ticksFromDouble(sqlite3_column_double(h, column));
        return out.has_value();
    };
    if (!money(kPrice, r.price) || !money(kNetAmount, r.netAmount))
        return false;

    const auto day = sqlite3_column_type(h, kTradeDate) == SQLITE_TEXT ? readIsoDate(columnText(h, kTradeDate))
                                                                       : std::nullopt;
    if (!day)
        return false;
    r.tradeDay = std::int32_t(day->toJulianDay());
    return true;
}

} // namespace

void readLotKeys(const QString &databaseName, const std::function<void(const LotRow &)> &each)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    readLotKeys(db, each);
}

void readLotKeys(Database &db, const std::function<void(const LotRow &)> &each)
{
    // The columns where a packed row is read from; the names are not wanted.
    Statement s(db.handle(), "SELECT ID, NULL, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots");
    LotRow r;
    while (s.step()) {
        if (readPacked(s.handle(), r))
            each(r);
    }
}

void readAllLots(const QString &databaseName, LotTable &table)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    Statement count(db.handle(), "SELECT count(*) FROM Lots");
    count.step();
    table.reserve(table.size() + std::size_t(count.int64(0)));
    count.reset();

    Statement s(db.handle(), "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks");
    sqlite3_stmt *h = s.handle();
    LotRow r;
    while (s.step()) {
        r.id = LotId(sqlite3_column_int64(h, kID));
        if (readPacked(h, r)) {
            table.append(r);
        } else {
            FieldTexts t;
            for (int pos = 0; pos < kFieldCount; ++pos)
                t[std::size_t(pos)] = readField(pos, sqlite3_column_value(h, pos)).plain;
            table.appendTexts(r.id, t);
        }
    }
}

} // namespace tesmo
