#include "store/LotReader.h"

#include "platform/Regional.h"
#include "store/Database.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

enum NullBit : std::uint8_t {
    kNullName = 1 << kName1,
    kNullShares = 1 << kNumShares,
    kNullPrice = 1 << kPrice,
    kNullNet = 1 << kNetAmount,
    kNullDate = 1 << kTradeDate,
};

std::uint32_t appendText(std::string &pool, sqlite3_stmt *s, int column, std::size_t maxBytes,
                         std::size_t &length)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s, column));
    length = p ? std::min<std::size_t>(std::size_t(sqlite3_column_bytes(s, column)), maxBytes) : 0;
    const auto offset = std::uint32_t(pool.size());
    pool.append(p ? p : "", length);
    return offset;
}

// The Julian day of a date written YYYY-MM-DD, the only form the file holds.
std::optional<std::int32_t> julianDayOfIsoDate(const char *text, int length)
{
    if (length != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int widths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = starts[p]; i < starts[p] + widths[p]; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            parts[p] = parts[p] * 10 + (text[i] - '0');
        }
    }
    const QDate d(parts[0], parts[1], parts[2]);
    if (!d.isValid())
        return std::nullopt;
    return std::int32_t(d.toJulianDay());
}

} // namespace

QString LotTable::name(const LotRow &r) const
{
    return QString::fromUtf8(pool.data() + r.nameOffset, r.nameLength);
}

QString LotTable::ticker(const LotRow &r) const
{
    return QString::fromUtf8(pool.data() + r.tickerOffset, r.tickerLength);
}

FieldTexts LotTable::texts(const LotRow &r) const
{
    FieldTexts t;
    t[kID] = QString::number(r.id);
    t[kName1] = name(r);
    t[kTicker] = ticker(r);
    if (!(r.nulls & kNullShares))
        t[kNumShares] = regional::numberText(r.numShares);
    if (!(r.nulls & kNullPrice))
        t[kPrice] = plainTicksText(r.price);
    if (!(r.nulls & kNullNet))
        t[kNetAmount] = plainTicksText(r.netAmount);
    if (!(r.nulls & kNullDate))
        t[kTradeDate] = regional::shortDate(QDate::fromJulianDay(r.tradeDay));
    return t;
}

void readAllLots(const QString &databaseName, LotTable &table)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    Statement count(db.handle(), "SELECT count(*) FROM Lots");
    count.step();
    table.rows.reserve(table.rows.size() + std::size_t(count.int64(0)));

    Statement s(db.handle(), "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks");
    sqlite3_stmt *h = s.handle();
    while (s.step()) {
        LotRow r;
        r.id = LotId(sqlite3_column_int64(h, 0));
        std::size_t len = 0;
        r.nameOffset = appendText(table.pool, h, 1, 0xffff, len);
        r.nameLength = std::uint16_t(len);
        r.tickerOffset = appendText(table.pool, h, 2, 0xff, len);
        r.tickerLength = std::uint8_t(len);
        if (sqlite3_column_type(h, 1) == SQLITE_NULL)
            r.nulls |= kNullName;
        if (sqlite3_column_type(h, 3) == SQLITE_NULL)
            r.nulls |= kNullShares;
        else
            r.numShares = sqlite3_column_double(h, 3);
        const auto money = [&](int column, Ticks &out, std::uint8_t bit) {
            const auto v = sqlite3_column_type(h, column) == SQLITE_NULL
                               ? std::nullopt
                               : ticksFromDouble(sqlite3_column_double(h, column));
            if (v)
                out = *v;
            else
                r.nulls |= bit;
        };
        money(4, r.price, kNullPrice);
        money(5, r.netAmount, kNullNet);
        const auto *date = reinterpret_cast<const char *>(sqlite3_column_text(h, 6));
        if (const auto day = date ? julianDayOfIsoDate(date, sqlite3_column_bytes(h, 6)) : std::nullopt)
            r.tradeDay = *day;
        else
            r.nulls |= kNullDate;
        table.rows.push_back(r);
    }
}

} // namespace tesmo
