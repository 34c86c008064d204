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

// The keys of the lots the ledger holds.
class StoredKeys {
public:
    void reserve(qsizetype n) { keys_.reserve(n); }
    void add(const LotKey &key) { keys_.insert(key); }
    bool contains(const LotKey &key) const { return keys_.contains(key); }

private:
    QSet<LotKey> keys_;
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
