// What makes two lots the same lot, for the import's duplicate checks: the
// keys of the file's rows, compared with each other and with the keys of the
// lots the ledger holds.
#pragma once

#include "text/Money.h"

#include <QDate>
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

} // namespace tesmo
