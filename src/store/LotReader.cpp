#include "store/LotReader.h"

#include "store/Database.h"
#include "store/Lot.h"
#include "text/IsoDate.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

enum NullBit : std::uint8_t {
    kNullName = 1 << kName1,
    kNullPrice = 1 << kPrice,
    kNullNet = 1 << kNetAmount,
};

QString poolText(const std::string &pool, std::uint32_t offset, std::size_t length)
{
    return QString::fromUtf8(pool.data() + offset, qsizetype(length));
}

// Reads the row into r the fast way; false when a value is of a kind or size
// that a LotRow cannot hold, and the row must keep its texts instead.
bool readCompact(sqlite3_stmt *h, LotRow &r, std::string &pool)
{
    const auto text = [&](int column, std::size_t maxBytes, std::uint32_t &offset, auto &length) {
        const int type = sqlite3_column_type(h, column);
        if (type == SQLITE_NULL)
            return column == kName1;
        if (type != SQLITE_TEXT)
            return false;
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(h, column));
        const auto bytes = std::size_t(sqlite3_column_bytes(h, column));
        if (bytes > maxBytes)
            return false;
        offset = std::uint32_t(pool.size());
        length = static_cast<std::remove_reference_t<decltype(length)>>(bytes);
        pool.append(p, bytes);
        return true;
    };
    const std::size_t poolBefore = pool.size();
    const auto undo = [&] {
        pool.resize(poolBefore);
        return false;
    };
    if (sqlite3_column_type(h, kName1) == SQLITE_NULL)
        r.nulls |= kNullName;
    if (!text(kName1, 0xffff, r.nameOffset, r.nameLength) || !text(kTicker, 0xff, r.tickerOffset, r.tickerLength))
        return undo();

    const int sharesType = sqlite3_column_type(h, kNumShares);
    if (sharesType != SQLITE_FLOAT && sharesType != SQLITE_INTEGER)
        return undo();
    r.numShares = sqlite3_column_double(h, kNumShares);

    const auto money = [&](int column, Ticks &out, std::uint8_t bit) {
        const int type = sqlite3_column_type(h, column);
        if (type == SQLITE_NULL) {
            r.nulls |= bit;
            return true;
        }
        if (type != SQLITE_FLOAT && type != SQLITE_INTEGER)
            return false;
        const auto ticks = ticksFromDouble(sqlite3_column_double(h, column));
        if (ticks)
            out = *ticks;
        return bool(ticks);
    };
    if (!money(kPrice, r.price, kNullPrice) || !money(kNetAmount, r.netAmount, kNullNet))
        return undo();

    const auto *date = reinterpret_cast<const char *>(sqlite3_column_text(h, kTradeDate));
    const auto day = sqlite3_column_type(h, kTradeDate) == SQLITE_TEXT
                         ? readIsoDate({date, std::size_t(sqlite3_column_bytes(h, kTradeDate))})
                         : std::nullopt;
    if (!day)
        return undo();
    r.tradeDay = std::int32_t(day->toJulianDay());
    return true;
}

} // namespace

FieldTexts LotTable::texts(const LotRow &r) const
{
    if (const auto it = irregular.constFind(r.id); it != irregular.cend())
        return *it;
    FieldTexts t;
    t[kID] = QString::number(r.id);
    t[kName1] = poolText(pool, r.nameOffset, r.nameLength);
    t[kTicker] = poolText(pool, r.tickerOffset, r.tickerLength);
    t[kNumShares] = regional::numberText(r.numShares);
    if (!(r.nulls & kNullPrice))
        t[kPrice] = plainTicksText(r.price);
    if (!(r.nulls & kNullNet))
        t[kNetAmount] = plainTicksText(r.netAmount);
    t[kTradeDate] = regional::shortDate(QDate::fromJulianDay(r.tradeDay));
    return t;
}

void readLotKeys(const QString &databaseName,
                 const std::function<void(std::string_view, QDate, double, std::optional<Ticks>,
                                          std::optional<Ticks>)> &each)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    Statement s(db.handle(), "SELECT Ticker, TradeDate, NumShares, Price, NetAmount FROM Lots");
    sqlite3_stmt *h = s.handle();
    const auto isNumber = [&](int column) {
        const int type = sqlite3_column_type(h, column);
        return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    };
    // Nothing for NULL; false for a value that is no amount.
    const auto money = [&](int column, std::optional<Ticks> &out) {
        if (sqlite3_column_type(h, column) == SQLITE_NULL)
            return true;
        if (!isNumber(column))
            return false;
        out = ticksFromDouble(sqlite3_column_double(h, column));
        return out.has_value();
    };
    while (s.step()) {
        if (sqlite3_column_type(h, 0) != SQLITE_TEXT || sqlite3_column_type(h, 1) != SQLITE_TEXT || !isNumber(2))
            continue;
        const auto *date = reinterpret_cast<const char *>(sqlite3_column_text(h, 1));
        const auto day = readIsoDate({date, std::size_t(sqlite3_column_bytes(h, 1))});
        std::optional<Ticks> price, net;
        if (!day || !money(3, price) || !money(4, net))
            continue;
        const auto *ticker = reinterpret_cast<const char *>(sqlite3_column_text(h, 0));
        each({ticker, std::size_t(sqlite3_column_bytes(h, 0))}, *day, sqlite3_column_double(h, 2), price, net);
    }
}

void readAllLots(const QString &databaseName, LotTable &table)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    Statement count(db.handle(), "SELECT count(*) FROM Lots");
    count.step();
    table.rows.reserve(table.rows.size() + std::size_t(count.int64(0)));
    count.reset();

    Statement s(db.handle(), "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks");
    sqlite3_stmt *h = s.handle();
    while (s.step()) {
        LotRow r;
        r.id = LotId(sqlite3_column_int64(h, kID));
        if (!readCompact(h, r, table.pool)) {
            r = LotRow{};
            r.id = LotId(sqlite3_column_int64(h, kID));
            FieldTexts t;
            for (int pos = 0; pos < kFieldCount; ++pos)
                t[std::size_t(pos)] = readField(pos, sqlite3_column_value(h, pos)).plain;
            table.irregular.insert(r.id, t);
        }
        table.rows.push_back(r);
    }
}

} // namespace tesmo
