#include "import/LotKey.h"

#include "import/CsvReader.h"
#include "text/FieldRules.h"

#include <QCryptographicHash>
#include <cstring>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tesmo {

namespace {

LotKey keyWithout(QDate tradeDate, double shares, std::optional<Ticks> price, std::optional<Ticks> netAmount)
{
    LotKey k;
    k.tradeDay = tradeDate.toJulianDay();
    k.shares = shares == 0 ? 0.0 : shares;   // -0 is 0
    k.hasPrice = price.has_value();
    k.price = price.value_or(0);
    k.hasNetAmount = netAmount.has_value();
    k.netAmount = netAmount.value_or(0);
    return k;
}

// The folded ticker as a number: up to nine ASCII characters, which is
// nearly every ticker, exactly (seven bits each; a ticker holds no NUL);
// others by their 64-bit FNV-1a hash, with the top bit set.
quint64 tickerHash(const char16_t *folded, std::size_t length)
{
    quint64 exact = 0;
    bool ascii = length <= 9;
    for (std::size_t i = 0; i < length && ascii; ++i) {
        ascii = folded[i] < 0x80;
        exact = exact << 7 | folded[i];
    }
    if (ascii)
        return exact;
    quint64 h = 0xcbf29ce484222325ULL;
    for (std::size_t i = 0; i < length; ++i) {
        h = (h ^ (folded[i] & 0xff)) * 0x100000001b3ULL;
        h = (h ^ (folded[i] >> 8)) * 0x100000001b3ULL;
    }
    return h | (quint64(1) << 63);
}

constexpr bool isBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// An ASCII ticker without the blanks around it, folded letter by letter as
// the full case fold folds ASCII, into folded (room for 64); false for any
// other ticker, which takes the full fold.
template <typename Char>
bool foldAscii(const Char *begin, const Char *end, char16_t *folded, std::size_t &length)
{
    while (begin < end && isBlank(char16_t(begin[0])))
        ++begin;
    while (end > begin && isBlank(char16_t(end[-1])))
        --end;
    if (end - begin > 64)
        return false;
    length = 0;
    for (const Char *p = begin; p < end; ++p) {
        const auto c = char16_t(std::make_unsigned_t<Char>(*p));
        if (c >= 0x80)
            return false;
        folded[length++] = c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    }
    return true;
}

} // namespace

size_t qHash(const LotKey &key, size_t seed)
{
    return qHashMulti(seed, key.ticker, key.tradeDay, key.shares, key.price, key.netAmount, key.hasPrice,
                      key.hasNetAmount);
}

LotKey LotKey::of(QStringView ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                  std::optional<Ticks> netAmount)
{
    LotKey k = keyWithout(tradeDate, shares, price, netAmount);
    char16_t folded[64];
    std::size_t length = 0;
    if (foldAscii(ticker.utf16(), ticker.utf16() + ticker.size(), folded, length)) {
        k.ticker = tickerHash(folded, length);
    } else {
        const QString full = foldTicker(ticker.trimmed());
        k.ticker = tickerHash(reinterpret_cast<const char16_t *>(full.utf16()), std::size_t(full.size()));
    }
    return k;
}

LotKey LotKey::ofUtf8(std::string_view ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                      std::optional<Ticks> netAmount)
{
    char16_t folded[64];
    std::size_t length = 0;
    if (!foldAscii(ticker.data(), ticker.data() + ticker.size(), folded, length))
        return of(QString::fromUtf8(ticker.data(), qsizetype(ticker.size())), tradeDate, shares, price, netAmount);
    LotKey k = keyWithout(tradeDate, shares, price, netAmount);
    k.ticker = tickerHash(folded, length);
    return k;
}

size_t qHash(const RowKey &key, size_t seed)
{
    quint64 head = 0;
    std::memcpy(&head, key.data(), sizeof head);
    return ::qHash(head, seed);
}

RowKey rowKeyOf(const CsvTable &table, int row, int occurrence)
{
    QCryptographicHash hash(QCryptographicHash::Blake2s_128);
    for (int c = 0; c < table.fieldCount(row); ++c) {
        const std::string_view field = table.utf8(row, c);
        hash.addData(QByteArrayView(field.data(), qsizetype(field.size())));
        hash.addData("\x1F");
    }
    if (occurrence > 0)
        hash.addData(QByteArray::number(occurrence));
    RowKey key;
    const QByteArrayView digest = hash.resultView();
    std::copy_n(digest.data(), key.size(), key.begin());
    return key;
}

void StoredSales::add(const LotKey &part)
{
    parts_[qMakePair(part.ticker, part.tradeDay)].append({part.shares, part.netAmount});
}

bool StoredSales::contains(const LotKey &sale) const
{
    const auto found = parts_.constFind(qMakePair(sale.ticker, sale.tradeDay));
    if (found == parts_.cend() || !sale.hasNetAmount)
        return false;
    // Every part holds shares, so the sums of a window of rows that ends at
    // a row grow as it starts earlier: one pass finds a window of the sale's
    // shares, if any. Sums of shares may be off in their last digits.
    const QList<Part> &parts = *found;
    const double slack = 1e-9 * std::max(1.0, sale.shares);
    double shares = 0;
    Ticks proceeds = 0;
    for (qsizetype first = 0, end = 0; end < parts.size(); ++end) {
        shares += parts[end].shares;
        proceeds += parts[end].proceeds;
        while (shares > sale.shares + slack && first <= end) {
            shares -= parts[first].shares;
            proceeds -= parts[first++].proceeds;
        }
        if (first <= end && std::abs(shares - sale.shares) <= slack && proceeds == sale.netAmount)
            return true;
    }
    return false;
}

} // namespace tesmo
