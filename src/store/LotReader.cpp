#include "store/LotReader.h"

#include "store/Database.h"
#include "store/Lot.h"
#include "store/Sales.h"
#include "text/FieldRules.h"

#include <algorithm>

#include <sqlite3.h>

namespace tesmo {

namespace {

// Reads the current row of s into row; true when its values are of their
// kinds.
bool readRow(const Statement &s, LotRow &row, HeldTexts &held)
{
    sqlite3_value *values[kFieldCount];
    for (int pos = 0; pos < kFieldCount; ++pos)
        values[pos] = sqlite3_column_value(s.handle(), pos);
    return readLotRow(values, row, held);
}

// Gives each row of s whose values are of their kinds to each.
void eachRow(Statement &s, const std::function<void(const LotRow &)> &each)
{
    LotRow r;
    HeldTexts held;
    while (s.step()) {
        if (readRow(s, r, held))
            each(r);
    }
}

} // namespace

void readLotKeys(Database &db, const std::function<void(const LotRow &)> &each)
{
    // The columns where a lot is read from; the names are not wanted.
    Statement s(db.handle(), "SELECT ID, NULL, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots");
    eachRow(s, each);
}

void readLotsBeforeSales(Database &db, const std::function<void(const LotRow &)> &each)
{
    if (!hasSales(db))
        return;
    // A sale row keeps the lot's own stored values from before the sale.
    Statement s(db.handle(), "SELECT LotID, NULL, Ticker, LotNumShares, LotPrice, LotNetAmount, Acquired FROM Sales");
    eachRow(s, each);
}

// Tickers of printable ASCII are found through the NOCASE index, which folds
// exactly the letters A to Z; the few others are compared one by one with the
// full case fold, as the finds by ticker compare them.
void readTickerLots(Database &db, const QString &ticker, const std::function<void(const LotRow &)> &each,
                    bool withNames)
{
    const QString folded = foldTicker(ticker);
    const QByteArray columns = withNames ? "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots "
                                         : "SELECT ID, NULL, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots ";
    if (std::all_of(folded.cbegin(), folded.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        Statement s(db.handle(), (columns + "WHERE Ticker = ?1 COLLATE NOCASE AND Ticker NOT GLOB '*[^ -~]*'").constData());
        s.bind(1, folded);
        eachRow(s, each);
    }
    LotRow r;
    HeldTexts held;
    Statement wide(db.handle(), (columns + "WHERE Ticker GLOB '*[^ -~]*'").constData());
    while (wide.step()) {
        if (foldTicker(wide.text(2)) == folded && readRow(wide, r, held))
            each(r);
    }
}

void readAllLots(Database &db, LotTable &table)
{
    Statement count(db.handle(), "SELECT count(*) FROM Lots");
    count.step();
    table.reserve(table.size() + std::size_t(count.int64(0)));
    count.reset();

    Statement s(db.handle(), "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks");
    LotRow r;
    HeldTexts held;
    while (s.step()) {
        readRow(s, r, held);
        table.append(r);
    }
}

} // namespace tesmo
