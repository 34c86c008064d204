#include "sales/WashSales.h"

#include "sales/Cents.h"
#include "sales/HoldingTerm.h"
#include "sales/SalePlan.h"
#include "sales/WashTickers.h"
#include "text/FieldRules.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>
#include <unordered_map>

namespace tesmo {

namespace {

// Orders a lot's held adjustments among all of them.
struct ByLot {
    bool operator()(const HeldAdjustment &h, LotId id) const { return h.lot < id; }
    bool operator()(LotId id, const HeldAdjustment &h) const { return id < h.lot; }
};

} // namespace

Ticks WashSales::adjustmentOf(LotId lot) const
{
    const auto [first, last] = std::equal_range(held.begin(), held.end(), lot, ByLot());
    return std::accumulate(first, last, Ticks(0),
                           [](Ticks sum, const HeldAdjustment &h) { return sum + h.adjustment; });
}

QDate WashSales::heldFrom(LotId lot, QDate bought, double sharesHeld) const
{
    QDate from;
    double adjusted = 0;
    const auto [first, last] = std::equal_range(held.begin(), held.end(), lot, ByLot());
    for (auto at = first; at != last; ++at) {
        adjusted += at->shares;
        from = from.isValid() ? std::min(from, at->acquired) : at->acquired;
    }
    if (!from.isValid() || (adjusted < sharesHeld && !sameShares(adjusted, sharesHeld)))
        from = from.isValid() ? std::min(from, bought) : bought;
    return from;
}

namespace {

constexpr std::int64_t kWindowDays = 30;

// A sale recorded after every split.
constexpr qint64 kAfterEverySplit = std::numeric_limits<qint64>::max();

// Shares of a lot that replaced a loss: their adjusted date and cost.
struct Block {
    double shares;           // as the lot was bought, after every split of the ticker
    Ticks extra;
    std::int64_t day;
};

struct Lot {
    LotId id;
    int key;                 // the ticker, folded
    std::int64_t day;        // the trade date
    double free;             // held and not yet a replacement, as bought, after every split of the ticker
    int blocks = -1;         // its replacement shares, or -1
    std::size_t steps = 0;   // its own splits: the first of them in steps_, and their count
    std::size_t stepCount = 0;
};

// A lot's splits up to one of them: its shares at a sale recorded after
// that one are factor times those it was bought with.
struct Step {
    qint64 afterSale;
    double factor;
};

// A piece of a part, while the day's losses are matched.
struct Loss {
    std::size_t part;
    std::size_t row;         // among the rows in the order they were made
    std::size_t lot;         // the lot sold from, or lots.size()
    std::int64_t lotDay;
    LotId lotId;
    double shares;           // at the sale, after every split of the ticker
};

// Shares t of n, to the whole of n when they are the same count.
double upTo(double t, double n)
{
    return t >= n || sameShares(t, n) ? n : t;
}

class Engine {
public:
    Engine(const std::vector<WashLot> &lots, const std::vector<WashSale> &parts, const std::vector<WashSplit> &splits,
           const TickerFamilies &families)
        : parts_(parts)
        , keys_(families)
    {
        for (const WashSplit &s : splits)
            scales_.add(keys_.keyOf(s.ticker), s.day.toJulianDay(), s.factor);
        scales_.ready();
        lots_.reserve(lots.size());
        bool byId = true;
        for (std::size_t k = 0; k < lots.size(); ++k) {
            const WashLot &l = lots[k];
            const int key = keys_.keyOf(l.ticker);
            const std::int64_t day = l.bought.toJulianDay();
            lots_.push_back({l.id, key, day, l.shares > 0 ? l.shares * scales_.of(key, day) : 0});
            addSteps(lots_.back(), l.splits);
            byId = byId && (k == 0 || lots[k - 1].id < l.id);
        }
        findLots(byId);
        // The lots in the order they are replacements: by ticker, then trade
        // date and ID; an exhausted lot points past itself.
        keyStart_.assign(std::size_t(keys_.count()) + 1, 0);
        for (const Lot &l : lots_)
            ++keyStart_[std::size_t(l.key) + 1];
        std::partial_sum(keyStart_.begin(), keyStart_.end(), keyStart_.begin());
        std::vector<std::size_t> fill = keyStart_;
        byDate_.resize(lots_.size());
        for (std::size_t k = 0; k < lots_.size(); ++k)
            byDate_[fill[std::size_t(lots_[k].key)]++] = k;
        const auto earlier = [this](std::size_t a, std::size_t b) {
            return std::tie(lots_[a].day, lots_[a].id) < std::tie(lots_[b].day, lots_[b].id);
        };
        for (std::size_t key = 0; key + 1 < keyStart_.size(); ++key) {
            const auto first = byDate_.begin() + std::ptrdiff_t(keyStart_[key]);
            const auto last = byDate_.begin() + std::ptrdiff_t(keyStart_[key + 1]);
            if (!std::is_sorted(first, last, earlier))
                std::sort(first, last, earlier);
        }
        next_.resize(byDate_.size() + 1);
        std::iota(next_.begin(), next_.end(), std::size_t(0));
    }

    WashSales run()
    {
        std::vector<std::size_t> order(parts_.size());
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [this](std::size_t a, std::size_t b) { return parts_[a].sold < parts_[b].sold; });
        partRows_.resize(parts_.size());
        rows_.reserve(parts_.size());
        std::vector<Loss> losses;
        for (std::size_t i = 0; i < order.size();) {
            const QDate day = parts_[order[i]].sold;
            losses.clear();
            for (; i < order.size() && parts_[order[i]].sold == day; ++i)
                take(order[i], losses);
            std::sort(losses.begin(), losses.end(), [](const Loss &a, const Loss &b) {
                return std::tie(a.lotDay, a.lotId, a.part, a.row) < std::tie(b.lotDay, b.lotId, b.part, b.row);
            });
            for (const Loss &loss : losses)
                wash(loss);
        }
        WashSales result;
        result.rows.reserve(rows_.size());
        for (const auto &[first, count] : partRows_)
            for (std::size_t k = first; k < first + count; ++k)
                result.rows.push_back(std::move(rows_[k]));
        for (const Lot &lot : lots_)
            if (lot.blocks >= 0)
                for (const Block &b : blocks_[std::size_t(lot.blocks)])
                    if (b.shares > 0)
                        result.held.push_back({lot.id, b.shares * splitOf(lot, kAfterEverySplit),
                                               QDate::fromJulianDay(b.day), b.extra});
        std::stable_sort(result.held.begin(), result.held.end(),
                         [](const HeldAdjustment &a, const HeldAdjustment &b) { return a.lot < b.lot; });
        return result;
    }

private:
    void addSteps(Lot &lot, const std::vector<LotSplit> &splits)
    {
        lot.steps = steps_.size();
        for (const LotSplit &s : splits)
            if (s.factor > 0 && s.factor != 1)
                steps_.push_back({s.afterSale, s.factor});
        lot.stepCount = steps_.size() - lot.steps;
        const auto first = steps_.begin() + std::ptrdiff_t(lot.steps);
        std::stable_sort(first, steps_.end(), [](const Step &a, const Step &b) { return a.afterSale < b.afterSale; });
        for (auto at = first; at != steps_.end(); ++at)
            if (at != first)
                at->factor *= (at - 1)->factor;
    }

    // What a share of the lot as bought was at a sale: the factor of its
    // splits recorded before the sale.
    double splitOf(const Lot &lot, qint64 sale) const
    {
        double factor = 1;
        for (std::size_t k = lot.steps; k < lot.steps + lot.stepCount && steps_[k].afterSale < sale; ++k)
            factor = steps_[k].factor;
        return factor;
    }

    // Each part's lot: found by halving when the lots come in order of ID,
    // else through a table of the lots the parts sell from.
    void findLots(bool byId)
    {
        partLot_.assign(parts_.size(), lots_.size());
        if (byId) {
            for (std::size_t i = 0; i < parts_.size(); ++i) {
                const auto at = std::lower_bound(lots_.begin(), lots_.end(), parts_[i].lot,
                                                 [](const Lot &l, LotId id) { return l.id < id; });
                if (at != lots_.end() && at->id == parts_[i].lot)
                    partLot_[i] = std::size_t(at - lots_.begin());
            }
            return;
        }
        std::unordered_map<LotId, std::size_t> index;
        index.reserve(parts_.size());
        for (const WashSale &p : parts_)
            index.emplace(p.lot, lots_.size());
        for (std::size_t k = 0; k < lots_.size(); ++k)
            if (auto found = index.find(lots_[k].id); found != index.end() && found->second == lots_.size())
                found->second = k;
        for (std::size_t i = 0; i < parts_.size(); ++i)
            partLot_[i] = index.at(parts_[i].lot);
    }

    // Takes part i's shares from its lot as rows, one a piece; the losses
    // among them go to losses.
    void take(std::size_t i, std::vector<Loss> &losses)
    {
        const WashSale &p = parts_[i];
        const std::size_t at = partLot_[i];
        const bool known = at < lots_.size();
        const int key = known ? lots_[at].key : keys_.keyOf(p.ticker);
        const double scale = scales_.of(key, p.sold.toJulianDay());
        const double split = known ? splitOf(lots_[at], p.sale) : 1;
        double want = p.shares > 0 ? p.shares * scale / split : 0;   // as the lot was bought
        struct Piece {
            double shares;
            Ticks extra;
            std::int64_t day;
        };
        std::vector<Piece> taken;
        if (known && lots_[at].blocks >= 0) {
            std::vector<Block> &blocks = blocks_[std::size_t(lots_[at].blocks)];
            std::size_t used = 0;
            for (; used < blocks.size() && want > 0 && !sameShares(want, 0); ++used) {
                Block &b = blocks[used];
                const double t = upTo(want, b.shares);
                const Ticks extra =
                    t == b.shares ? b.extra : std::min(roundToCent((long double)b.extra * t / b.shares), b.extra);
                taken.push_back({t, extra, b.day});
                want -= t;
                b.shares -= t;
                b.extra -= extra;
                if (b.shares > 0)
                    break;
            }
            blocks.erase(blocks.begin(), blocks.begin() + std::ptrdiff_t(used));
        }
        if (taken.empty() || (want > 0 && !sameShares(want, 0))) {
            if (known)
                lots_[at].free = std::max(0.0, lots_[at].free - want);
            if (known && sameShares(lots_[at].free, 0))
                lots_[at].free = 0;
            taken.push_back({std::max(want, 0.0), 0, p.acquired.toJulianDay()});
        }

        std::vector<double> weights;
        for (const Piece &piece : taken)
            weights.push_back(piece.shares);
        const std::vector<Ticks> proceeds = shareCents(roundToCent(p.proceeds), weights);
        const std::vector<Ticks> costs = shareCents(roundToCent(p.cost), weights);
        const double whole = std::accumulate(weights.begin(), weights.end(), 0.0);
        partRows_[i] = {rows_.size(), taken.size()};
        for (std::size_t k = 0; k < taken.size(); ++k) {
            TaxRow row;
            row.part = i;
            row.name = p.name;
            row.ticker = p.ticker;
            row.shares = whole > 0 ? p.shares * (taken[k].shares / whole) : p.shares;
            row.acquired = QDate::fromJulianDay(taken[k].day);
            row.sold = p.sold;
            row.proceeds = proceeds[k];
            row.costBasis = costs[k] + taken[k].extra;
            row.longTerm = p.sold >= longTermFrom(row.acquired);
            row.capitalReturn = p.sale < 0;
            if (row.costBasis > row.proceeds && taken[k].shares > 0)
                losses.push_back({i, rows_.size(), at, known ? lots_[at].day : row.acquired.toJulianDay(),
                                  p.lot, taken[k].shares * split});
            rows_.push_back(std::move(row));
        }
    }

    // The first lot at or after position n of byDate_ that has free shares.
    std::size_t live(std::size_t n)
    {
        while (next_[n] != n) {
            next_[n] = next_[next_[n]];
            n = next_[n];
        }
        return n;
    }

    void wash(const Loss &loss)
    {
        TaxRow &row = rows_[loss.row];
        const std::int64_t sold = row.sold.toJulianDay();
        const auto key = std::size_t(loss.lot < lots_.size() ? lots_[loss.lot].key : keys_.keyOf(row.ticker));
        if (key + 1 >= keyStart_.size())
            return;
        // The first lot of the ticker bought 30 days before the sale or later.
        const auto end = byDate_.begin() + std::ptrdiff_t(keyStart_[key + 1]);
        const auto from = std::lower_bound(byDate_.begin() + std::ptrdiff_t(keyStart_[key]), end, sold - kWindowDays,
                                           [this](std::size_t a, std::int64_t day) { return lots_[a].day < day; });
        std::size_t n = std::size_t(from - byDate_.begin());
        const std::size_t last = keyStart_[key + 1];
        struct Match {
            std::size_t lot;
            double shares;   // at the sale
            double split;    // a share as bought at the sale
        };
        std::vector<Match> matches;
        const qint64 sale = parts_[loss.part].sale;
        double need = loss.shares;
        for (n = live(n); n < last && need > 0; n = live(n + 1)) {
            Lot &c = lots_[byDate_[n]];
            if (c.day > sold + kWindowDays)
                break;
            if (c.free > 0 && sameShares(c.free, 0))
                c.free = 0;
            if (c.free <= 0)
                next_[n] = n + 1;
            if (c.free <= 0 || byDate_[n] == loss.lot)
                continue;
            const double split = splitOf(c, sale);
            const double t = upTo(need, c.free * split);
            matches.push_back({byDate_[n], t, split});
            need = t == need || sameShares(need, t) ? 0 : need - t;
            c.free = t == c.free * split ? 0 : c.free - t / split;
            if (c.free == 0)
                next_[n] = n + 1;
        }
        if (matches.empty())
            return;
        const Ticks lost = row.costBasis - row.proceeds;
        const Ticks disallowed =
            need == 0 ? lost : std::min(roundToCent((long double)lost * (loss.shares - need) / loss.shares), lost);
        std::vector<double> weights;
        for (const Match &m : matches)
            weights.push_back(m.shares);
        const std::vector<Ticks> shares = shareCents(disallowed, weights);
        const std::int64_t held = row.acquired.toJulianDay();
        for (std::size_t k = 0; k < matches.size(); ++k) {
            Lot &c = lots_[matches[k].lot];
            // The days the sold shares were held that the replacement's own
            // holding does not cover.
            const std::int64_t tacked = (sold - held) - std::max<std::int64_t>(0, sold - std::max(held, c.day));
            if (c.blocks < 0) {
                c.blocks = int(blocks_.size());
                blocks_.emplace_back();
            }
            blocks_[std::size_t(c.blocks)].push_back({matches[k].shares / matches[k].split, shares[k], c.day - tacked});
        }
        row.adjustment = disallowed;
    }

    const std::vector<WashSale> &parts_;
    wash::TickerKeys keys_;
    wash::Scales scales_;
    std::vector<Lot> lots_;
    std::vector<std::size_t> partLot_;   // by part: its lot's index, or lots_.size()
    std::vector<std::size_t> keyStart_;  // by ticker: where its lots start in byDate_
    std::vector<std::size_t> byDate_;
    std::vector<std::size_t> next_;      // by position in byDate_
    std::vector<Step> steps_;            // the lots' own splits, each lot's together
    std::vector<std::vector<Block>> blocks_;
    std::vector<TaxRow> rows_;           // in the order they were made
    std::vector<std::pair<std::size_t, std::size_t>> partRows_;   // by part: its first row and their count
};

} // namespace

WashSales washSales(const std::vector<WashLot> &lots, const std::vector<WashSale> &parts,
                    const std::vector<WashSplit> &splits, const TickerFamilies &families)
{
    return Engine(lots, parts, splits, families).run();
}

std::vector<TaxRow> rowsIfSold(const std::vector<WashLot> &lots, std::vector<WashSale> parts,
                               const std::vector<WashSale> &planned, const std::vector<WashSplit> &splits,
                               const TickerFamilies &families)
{
    const std::size_t first = parts.size();
    parts.insert(parts.end(), planned.begin(), planned.end());
    for (std::size_t i = first; i < parts.size(); ++i)
        parts[i].sale = kAfterEverySplit;
    std::vector<TaxRow> rows;
    for (TaxRow &row : washSales(lots, parts, splits, families).rows)
        if (row.part >= first) {
            row.part -= first;
            rows.push_back(std::move(row));
        }
    return rows;
}

Ticks disallowedIfSold(const std::vector<WashLot> &lots, std::vector<WashSale> parts,
                       const std::vector<WashSale> &planned, const std::vector<WashSplit> &splits,
                       const TickerFamilies &families)
{
    Ticks disallowed = 0;
    for (const TaxRow &row : rowsIfSold(lots, std::move(parts), planned, splits, families))
        disallowed += row.adjustment;
    return disallowed;
}

} // namespace tesmo
