#include "sales/Holdings.h"

#include "sales/Cents.h"
#include "sales/HoldingTerm.h"
#include "text/Fields.h"
#include "text/Limits.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

namespace tesmo {

std::optional<Ticks> Holding::averageCost() const
{
    if (sharesWithCost == 0)
        return std::nullopt;
    return Ticks(std::llround(double(cost) / sharesWithCost));
}

namespace {

// The first day from which a lot bought on it, sold today, is held short:
// every lot bought before it is held long.
std::int64_t firstShortDay(QDate today)
{
    QDate day = today.addYears(-1).addDays(-3);
    while (termOf(day, today) == u"Long")
        day = day.addDays(1);
    return day.toJulianDay();
}

// The cost of a lot as a sale of all of it would count it; nothing when it
// or the lot's shares are not known.
std::optional<Ticks> costOf(const LotRow &lot)
{
    if (lot.isText(kNumShares) || lot.isText(kNetAmount) || (!lot.netAmount && lot.isText(kPrice)))
        return std::nullopt;
    const auto cost = lotCost(lot.netAmount, lot.price, lot.numShares);
    if (cost && !lot.netAmount && std::abs(*cost) > kMaxMoneyTicks)
        return std::nullopt;
    return cost;
}

void addCost(Ticks &sum, Ticks cost)
{
    if (__builtin_add_overflow(sum, cost, &sum))
        sum = cost < 0 ? std::numeric_limits<Ticks>::min() : std::numeric_limits<Ticks>::max();
}

// Adds what part holds to whole.
void addHolding(Holding &whole, const Holding &part)
{
    whole.shares += part.shares;
    whole.sharesWithCost += part.sharesWithCost;
    addCost(whole.cost, part.cost);
    addCost(whole.adjustment, part.adjustment);
    whole.lots += part.lots;
    whole.lotsWithoutCost += part.lotsWithoutCost;
    whole.longShares += part.longShares;
    if (part.oldest.isValid() && (!whole.oldest.isValid() || part.oldest < whole.oldest))
        whole.oldest = part.oldest;
}

// The ticker case fold of a ticker in UTF-8, into key: the bytes themselves
// with A to Z made small for a ticker of ASCII, else the full case fold.
void foldInto(std::string &key, std::string_view ticker)
{
    key.assign(ticker);
    bool ascii = true;
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        ascii = ascii && std::uint8_t(c) < 0x80;
    }
    if (!ascii)
        key = QString::fromUtf8(ticker.data(), qsizetype(ticker.size())).toCaseFolded().toStdString();
}

struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

} // namespace

Holdings holdingsOf(const LotTable &lots, QDate today, const std::vector<HeldAdjustment> &adjusted)
{
    const std::int64_t shortFrom = firstShortDay(today);
    // The holdings by folded ticker, in the order their first lots come.
    std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> index;
    std::vector<std::pair<std::string, Holding>> found;
    std::string key;
    Holding *last = nullptr;
    std::string_view lastTicker;
    for (std::size_t row = 0; row < lots.size(); ++row) {
        const LotRow lot = lots.lot(row);
        // Lots of one ticker often come together; their tickers are then
        // the same bytes.
        if (!last || lot.ticker != lastTicker) {
            foldInto(key, lot.ticker);
            auto [at, added] = index.try_emplace(key, found.size());
            if (added) {
                found.emplace_back(key, Holding{});
                found.back().second.ticker = QString::fromUtf8(lot.ticker.data(), qsizetype(lot.ticker.size()));
            }
            last = &found[at->second].second;
            lastTicker = lot.ticker;
        }
        Holding &h = *last;
        ++h.lots;
        const double shares = lot.isText(kNumShares) ? 0 : lot.numShares;
        h.shares += shares;
        const auto cost = costOf(lot);
        // The shares that carry an adjustment, held from their adjusted dates.
        double carrying = 0;
        Ticks adjustment = 0;
        auto at = adjusted.empty() ? adjusted.end()
                                   : std::lower_bound(adjusted.begin(), adjusted.end(), lot.id,
                                                      [](const HeldAdjustment &a, LotId id) { return a.lot < id; });
        for (; at != adjusted.end() && at->lot == lot.id; ++at) {
            carrying += at->shares;
            adjustment += at->adjustment;
            h.longShares += at->acquired.toJulianDay() < shortFrom ? at->shares : 0;
        }
        if (cost) {
            addCost(h.cost, *cost);
            addCost(h.cost, adjustment);
            addCost(h.adjustment, adjustment);
            h.sharesWithCost += shares;
        } else {
            ++h.lotsWithoutCost;
        }
        if (!lot.isText(kTradeDate)) {
            if (lot.tradeDay < shortFrom)
                h.longShares += std::max(shares - carrying, 0.0);
            const QDate day = QDate::fromJulianDay(lot.tradeDay);
            if (!h.oldest.isValid() || day < h.oldest)
                h.oldest = day;
        }
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    Holdings result;
    result.tickers.reserve(found.size());
    for (auto &[folded, holding] : found) {
        addHolding(result.total, holding);
        result.tickers.push_back(std::move(holding));
    }
    return result;
}

} // namespace tesmo
