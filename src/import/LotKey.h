// What makes two lots the same lot, for the import's duplicate checks: the
// keys of the file's rows, compared with each other and with the keys of the
// lots the ledger holds.
#pragma once

#include "text/Money.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringView>
#include <array>
#include <optional>
#include <string_view>

namespace tesmo {

// The ticker ignoring case, the trade date, the shares, and the price and net
// amount at four decimals (empty equals empty). Small and without a heap
// text, so that the keys of a million stored lots are made in a moment: the
// case-folded ticker is kept as a number, exact for up to nine ASCII
// characters, else a 64-bit hash of its text (two different such tickers of
// equal hash, on lots equal in every other field, is a chance of one in
// 2^63). Blanks around the ticker do not count.
struct LotKey {
    quint64 ticker = 0;
    qint64 tradeDay = 0;   // Julian day
    double shares = 0;
    Ticks price = 0;
    Ticks netAmount = 0;
    bool hasPrice = false;
    bool hasNetAmount = false;

    static LotKey of(QStringView ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                     std::optional<Ticks> netAmount);
    // The same from the ticker's UTF-8 bytes, as the ledger and the file hold them.
    static LotKey ofUtf8(std::string_view ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                         std::optional<Ticks> netAmount);

    std::optional<Ticks> priceOrNone() const { return hasPrice ? std::optional(price) : std::nullopt; }
    std::optional<Ticks> netAmountOrNone() const { return hasNetAmount ? std::optional(netAmount) : std::nullopt; }
    bool operator==(const LotKey &) const = default;
};
size_t qHash(const LotKey &key, size_t seed = 0);

// Where a lot came from: the key of its row of a broker's file, the same
// whatever is done to the lot since (an edit, a split). A 128-bit hash of
// the row's fields as the file holds them, and of how many rows alike came
// before it in the file, so that two equal rows keep two keys.
using RowKey = std::array<unsigned char, 16>;
size_t qHash(const RowKey &key, size_t seed = 0);
class CsvTable;
// The key of a row of the table; occurrence: 0 for the first row of its
// fields, 1 for the next alike, and so on.
RowKey rowKeyOf(const CsvTable &table, int row, int occurrence = 0);

// The keys of the lots the ledger holds, and the rows of files its lots
// came from: whether each row's lot is still in the ledger (or was sold from
// it), or was deleted by the user.
class StoredKeys {
public:
    void reserve(qsizetype n) { keys_.reserve(n); }
    void add(const LotKey &key) { keys_.insert(key); }
    bool contains(const LotKey &key) const { return keys_.contains(key); }
    // A row's lot; a row whose lot is in the ledger stays so.
    void addSource(const RowKey &row, bool inLedger) { sources_[row] = sources_.value(row) || inLedger; }
    // Nothing: no lot came from the row; else whether its lot is in the ledger.
    std::optional<bool> source(const RowKey &row) const
    {
        const auto found = sources_.constFind(row);
        return found == sources_.cend() ? std::nullopt : std::optional(*found);
    }

private:
    QSet<LotKey> keys_;
    QHash<RowKey, bool> sources_;
};

// The sales the ledger has recorded, for the check of a sale of the file
// that is already in the ledger. A recorded sale is a row for each lot it
// took from, of the same ticker and date, one after the other; a sale of the
// file is recorded when its shares and proceeds are those of one such row or
// the sum of rows that follow one another among the rows of its ticker and
// date (so a sale in several parts, the parts of a day's sales one after the
// other, or a part alone).
class StoredSales {
public:
    // A recorded row: its ticker, sale date, shares and proceeds (as the
    // net amount; no price). Rows are added in the order they were recorded.
    void add(const LotKey &part);
    // sale: ticker, date, shares and proceeds as add() takes them.
    bool contains(const LotKey &sale) const;

private:
    struct Part {
        double shares;
        Ticks proceeds;
    };
    QHash<QPair<quint64, qint64>, QList<Part>> parts_;   // by ticker and day, in order
};

} // namespace tesmo
