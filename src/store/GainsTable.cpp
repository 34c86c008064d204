#include "store/GainsTable.h"

#include "store/CapitalReturns.h"
#include "store/RowBatch.h"
#include "store/SortedLookup.h"
#include "store/Sqlite.h"
#include "text/FieldRules.h"
#include "text/IsoDate.h"

#include <QSet>
#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace tesmo {

namespace {

GainsWorker worker = nullptr;

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The lots and sales of the ticker whose fold is key, as the file holds them
// now, and the gains of its returns of capital. The file compares tickers
// without regard to the case of ASCII letters only; tickers with other
// letters are read all and compared here.
void readTicker(Database &db, const QString &key, std::vector<HeldLot> &held, std::vector<SalePart> &sales)
{
    const bool ascii = isAscii(key);
    Statement lots(db.handle(), ascii ? "SELECT ID, Ticker, TradeDate, NumShares FROM Lots WHERE Ticker = ?1 COLLATE NOCASE"
                                      : "SELECT ID, Ticker, TradeDate, NumShares FROM Lots WHERE Ticker GLOB '*[^ -~]*'");
    if (ascii)
        lots.bind(1, key);
    while (lots.step()) {
        HeldLot lot{LotId(lots.int64(0)), lots.text(1), {}, 0};
        if (!ascii && foldTicker(lot.ticker) != key)
            continue;
        const QByteArray day = lots.text(2).toLatin1();
        const auto bought = readIsoDate({day.constData(), std::size_t(day.size())});
        if (!bought)
            continue;   // a lot an older tool gave no date has nothing to sell
        lot.bought = *bought;
        const int type = sqlite3_column_type(lots.handle(), 3);
        lot.shares = type == SQLITE_INTEGER || type == SQLITE_FLOAT ? sqlite3_column_double(lots.handle(), 3) : 0;
        held.push_back(std::move(lot));
    }
    for (SalePart &part : readSalesOf(db, ascii ? key : QString()))
        if (ascii || foldTicker(part.ticker) == key)
            sales.push_back(std::move(part));
    // The gains of returns of capital above a lot's cost, with its sales.
    for (SalePart &gain : readCapitalReturnsOf(db, ascii ? key : QString()))
        if (ascii || foldTicker(gain.ticker) == key)
            sales.push_back(std::move(gain));
}

// A row's values as one text, to tell a row that changed.
QString valuesOf(std::int64_t saleNo, std::int64_t lot, const QString &ticker, const QString &description,
                 double shares, const QString &acquired, const QString &sold, Ticks proceeds, Ticks costBasis,
                 Ticks adjustment, const QString &term)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9|")
               .arg(saleNo).arg(lot).arg(ticker, description, acquired, sold)
               .arg(proceeds).arg(costBasis).arg(adjustment)
           + term + QLatin1Char('|') + QString::number(shares, 'g', 17);
}

// Writes the rows of the family whose key is key, of the tickers whose folds
// are members, each row under its own sale's ticker: only those that
// changed, since a ticker of long history has many rows and a change moves
// few. Rows kept under a member's own key, before the family was linked, are
// taken as the family's.
void writeRows(Database &db, const QStringList &members, const QString &key, const std::vector<GainRow> &rows,
               const std::vector<SalePart> &sales)
{
    // The ticker of each sale part.
    SortedLookup<SaleId, QString> tickers(sales.size());
    for (const SalePart &part : sales)
        tickers.add(part.id, part.ticker);
    tickers.sort();
    const auto tickerOf = [&](SaleId part) -> const QString & {
        const QString *ticker = tickers.find(part);
        return ticker ? *ticker : key;
    };
    std::map<std::pair<std::int64_t, std::int64_t>, QString> kept;   // by SaleID and Piece
    if (rows.empty()) {
        // A family whose sales are all undone keeps no rows.
        Statement drop(db.handle(), "DELETE FROM GainRows WHERE TickerKey = ?1");
        for (const QString &member : members) {
            drop.bind(1, member).step();
            drop.reset();
        }
        return;
    }
    {
        Statement read(db.handle(), "SELECT SaleID, Piece, SaleNo, LotID, Ticker, Description, Acquired, Sold, "
                                    "Proceeds, CostBasis, Adjustment, Term, Shares, TickerKey FROM GainRows "
                                    "WHERE TickerKey = ?1");
        const auto ticks = [&](int column) {
            return ticksFromDouble(sqlite3_column_double(read.handle(), column)).value_or(-1);
        };
        for (const QString &member : members) {
            read.bind(1, member);
            while (read.step())
                kept.emplace(std::pair(read.int64(0), read.int64(1)),
                             read.text(13) + QLatin1Char('|')
                                 + valuesOf(read.int64(2), read.int64(3), read.text(4), read.text(5),
                                            sqlite3_column_double(read.handle(), 12), read.text(6), read.text(7),
                                            ticks(8), ticks(9), ticks(10), read.text(11)));
            read.reset();
        }
    }
    RowBatch batch(db.handle(),
                   "INSERT OR REPLACE INTO GainRows (SaleID, Piece, SaleNo, LotID, Ticker, TickerKey, Description, "
                   "Acquired, Sold, Proceeds, CostBasis, Code, Adjustment, Term, Shares)",
                   15, rows.size());
    Statement &insert = batch.row();
    SaleId last = 0;
    std::int64_t piece = 0;
    // A family's rows share their key, and mostly their ticker: their UTF-8
    // is made once.
    const QByteArray keyUtf8 = key.toUtf8();
    Utf8 tickerUtf8;
    for (const GainRow &r : rows) {
        piece = r.part == last ? piece + 1 : 0;
        last = r.part;
        const std::string_view term = r.longTerm ? "Long" : "Short";
        const QString &ticker = tickerOf(r.part);
        const auto was = kept.find(std::pair(std::int64_t(r.part), piece));
        if (was != kept.end()) {
            const bool same = was->second == key + QLatin1Char('|')
                                                 + valuesOf(r.saleNo, r.lot, ticker, r.description, r.shares,
                                                            isoDateText(r.acquired), isoDateText(r.sold), r.proceeds,
                                                            r.costBasis, r.adjustment, QString::fromLatin1(term));
            kept.erase(was);
            if (same)
                continue;
        }
        const auto at = [&](int column) { return batch.at(column); };
        insert.bind(at(1), std::int64_t(r.part)).bind(at(2), piece).bind(at(3), std::int64_t(r.saleNo));
        insert.bind(at(4), std::int64_t(r.lot));
        insert.bindUtf8(at(5), tickerUtf8.of(ticker));
        insert.bindUtf8(at(6), {keyUtf8.constData(), std::size_t(keyUtf8.size())}).bind(at(7), r.description);
        insert.bindDate(at(8), r.acquired).bindDate(at(9), r.sold);
        insert.bind(at(10), ticksToDouble(r.proceeds)).bind(at(11), ticksToDouble(r.costBasis));
        insert.bindUtf8(at(12), r.adjustment > 0 ? "W" : "");
        insert.bind(at(13), ticksToDouble(r.adjustment)).bindUtf8(at(14), term).bind(at(15), r.shares);
        batch.next();
    }
    batch.finish();
    Statement drop(db.handle(), "DELETE FROM GainRows WHERE SaleID = ?1 AND Piece = ?2");
    for (const auto &[at, values] : kept) {
        drop.bind(1, at.first).bind(2, at.second).step();
        drop.reset();
    }
}

// Writes the shares held that carry an adjustment of the family whose key
// is key, in place of those kept under the keys of its members: few, and all
// of a lot change together. A lot's shares kept under the key of a family
// since parted are replaced.
void writeHeld(Database &db, const QStringList &members, const QString &key, const std::vector<HeldAdjustment> &held)
{
    Statement drop(db.handle(), "DELETE FROM GainsHeld WHERE TickerKey = ?1");
    for (const QString &member : members) {
        drop.bind(1, member).step();
        drop.reset();
    }
    Statement insert(db.handle(), "INSERT OR REPLACE INTO GainsHeld (LotID, Piece, TickerKey, Shares, Acquired, "
                                  "Adjustment) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    LotId last = 0;
    std::int64_t piece = 0;
    for (const HeldAdjustment &h : held) {
        piece = h.lot == last ? piece + 1 : 0;
        last = h.lot;
        insert.bind(1, std::int64_t(h.lot)).bind(2, piece).bind(3, key).bind(4, h.shares);
        insert.bind(5, isoDateText(h.acquired)).bind(6, ticksToDouble(h.adjustment));
        insert.step();
        insert.reset();
    }
}

Ticks ticksOf(const Statement &s, int column)
{
    return ticksFromDouble(sqlite3_column_double(s.handle(), column)).value_or(0);
}

QDate dateOf(const Statement &s, int column)
{
    const QByteArray day = s.text(column).toLatin1();
    return readIsoDate({day.constData(), std::size_t(day.size())}).value_or(QDate());
}

// Whether the file keeps figures that are current: false for sales of an
// earlier version, and when a change another program made has marked a
// ticker. A ledger with sales only.
bool keptCurrent(Database &db)
{
    if (!hasTable(db, "GainsHeld"))
        return false;
    Statement stale(db.handle(), "SELECT EXISTS (SELECT 1 FROM GainsStale)");
    stale.step();
    return stale.int64(0) == 0;
}

constexpr const char *kRowColumns = "SELECT SaleID, SaleNo, LotID, Description, Shares, Acquired, Sold, Proceeds, "
                                    "CostBasis, Adjustment, Term FROM GainRows ";

GainRow rowOf(const Statement &rows)
{
    return {SaleId(rows.int64(0)), SaleId(rows.int64(1)), LotId(rows.int64(2)), rows.text(3),
            sqlite3_column_double(rows.handle(), 4), dateOf(rows, 5), dateOf(rows, 6),
            ticksOf(rows, 7), ticksOf(rows, 8), ticksOf(rows, 9), rows.text(10) == u"Long"};
}

} // namespace

void keepGainsWith(GainsWorker given)
{
    worker = given;
    Database::beforeCommit(bringGainsUpToDate);
}

void bringGainsUpToDate(Database &db)
{
    if (!worker)
        return;
    // A ledger without sales has no marks to read.
    if (!hasTable(db, "GainsStale"))
        return;
    QStringList marked;
    {
        Statement stale(db.handle(), "SELECT Ticker FROM GainsStale");
        while (stale.step())
            marked << stale.text(0);
    }
    if (marked.isEmpty())
        return;
    // Each family of the tickers marked, and, when a ticker of other letters
    // than ASCII is marked, every such ticker sold: the file cannot tell
    // which of them are the same.
    const TickerFamilies families = readTickerFamilies(db);
    QSet<QString> keys;
    bool wide = false;
    for (const QString &t : marked) {
        keys.insert(families.keyOf(t));
        wide = wide || !isAscii(t);
    }
    if (wide) {
        Statement sold(db.handle(), "SELECT DISTINCT Ticker FROM Sales WHERE Ticker GLOB '*[^ -~]*'");
        while (sold.step())
            keys.insert(families.keyOf(sold.text(0)));
    }
    const std::vector<LotSplit> splits = readLotSplits(db);   // few: one for each use of Split after a sale
    for (const QString &key : keys) {
        const QStringList members = families.membersOf(key);
        std::vector<HeldLot> held;
        std::vector<SalePart> sales;
        for (const QString &member : members)
            readTicker(db, member, held, sales);
        sortAsSold(sales);
        const GainFigures figures = sales.empty() ? GainFigures() : worker(held, sales, splits, families);
        writeRows(db, members, key, figures.rows, sales);
        writeHeld(db, members, key, figures.held);
    }
    db.exec("DELETE FROM GainsStale");
}

std::optional<KeptGains> readKeptGains(Database &db, std::optional<int> year)
{
    if (!hasSales(db))
        return KeptGains();
    if (!keptCurrent(db))
        return std::nullopt;
    KeptGains gains;
    const QByteArray sql = QByteArray(kRowColumns)
                           + (year ? "WHERE Sold BETWEEN ?1 AND ?2 ORDER BY Sold, SaleID, Piece"
                                   : "ORDER BY Sold, SaleID, Piece");
    Statement rows(db.handle(), sql.constData());
    if (year)
        rows.bind(1, isoDateText(QDate(*year, 1, 1))).bind(2, isoDateText(QDate(*year, 12, 31)));
    while (rows.step())
        gains.rows.push_back(rowOf(rows));
    Statement held(db.handle(), "SELECT LotID, Shares, Acquired, Adjustment FROM GainsHeld ORDER BY LotID, Piece");
    while (held.step())
        gains.held.push_back({LotId(held.int64(0)), sqlite3_column_double(held.handle(), 1), dateOf(held, 2),
                              ticksOf(held, 3)});
    return gains;
}

std::optional<std::vector<GainRow>> readKeptRowsOf(Database &db, const std::vector<SaleId> &parts)
{
    if (!hasSales(db) || !keptCurrent(db))
        return std::nullopt;
    std::vector<GainRow> kept;
    const QByteArray sql = QByteArray(kRowColumns) + "WHERE SaleID = ?1 ORDER BY Piece";
    Statement rows(db.handle(), sql.constData());
    for (const SaleId part : parts) {
        rows.bind(1, std::int64_t(part));
        const std::size_t before = kept.size();
        while (rows.step())
            kept.push_back(rowOf(rows));
        rows.reset();
        if (kept.size() == before)
            return std::nullopt;   // a part the file keeps no figures of
    }
    return kept;
}

} // namespace tesmo
