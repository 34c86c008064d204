#include "sales/SalePlan.h"

#include "sales/Cents.h"
#include "sales/SaleWords.h"
#include "text/FieldRules.h"
#include "text/Fields.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace tesmo {

SaleRefusal::SaleRefusal(SaleField field, const QString &message, std::optional<LotId> lot)
    : Error(kErrOutOfRange, message), field_(field), lot_(lot)
{
}

bool sameShares(double a, double b)
{
    return roundShares(a) == roundShares(b) || std::abs(a - b) <= 1e-12 * std::max(std::abs(a), std::abs(b));
}

double sharesOf(const LotRow &lot)
{
    return lot.isText(kNumShares) || lot.isText(kTradeDate) ? 0 : lot.numShares;
}

QDate acquiredOf(const LotRow &lot)
{
    return lot.isText(kTradeDate) ? QDate() : QDate::fromJulianDay(lot.tradeDay);
}

std::optional<Ticks> priceOf(const LotRow &lot)
{
    return lot.isText(kPrice) ? std::nullopt : lot.price;
}

std::optional<Ticks> netAmountOf(const LotRow &lot)
{
    return lot.isText(kNetAmount) ? std::nullopt : lot.netAmount;
}

namespace {

// A lot as the plan takes from it.
struct Held {
    const LotRow *row;
    LotId id;
    QDate acquired;
    double shares;
    std::optional<Ticks> price, netAmount;
};

Held heldOf(const LotRow &row)
{
    return {&row, row.id, acquiredOf(row), sharesOf(row), priceOf(row), netAmountOf(row)};
}

// Shares taken from one lot.
struct Take {
    const Held *lot;
    double shares;
};

// A lot as messages name it, after "lot": "17 (bought 1/15/2003)".
QString lotText(const Held &lot)
{
    return lotPhrase(lot.id, lot.acquired);
}

[[noreturn]] void refuseUnknownCost(const Held &lot)
{
    throw SaleRefusal(SaleField::LotCost,
                      QStringLiteral("Lot %1 has no net amount and no price, so the cost of its shares is not "
                                     "known: enter its net amount or its price first.")
                          .arg(lotText(lot)),
                      lot.id);
}

bool firstIn(const Held *a, const Held *b)
{
    return std::tie(a->acquired, a->id) < std::tie(b->acquired, b->id);
}

// Net amount ÷ shares, else price; nothing without either.
std::optional<double> costPerShare(const Held &lot)
{
    if (lot.netAmount)
        return double(*lot.netAmount) / lot.shares;
    if (lot.price)
        return double(*lot.price);
    return std::nullopt;
}

// The lots a method takes from, whole in its order until the rest to sell
// is less than the next lot holds.
std::vector<Take> takesInOrder(const std::vector<Held> &lots, const QString &ticker, QDate sold, double shares,
                               SaleMethod method)
{
    std::vector<const Held *> held;
    double holding = 0;
    for (const Held &lot : lots) {
        if (lot.shares > 0 && lot.acquired.isValid() && lot.acquired <= sold) {
            held.push_back(&lot);
            holding = roundShares(holding + lot.shares);   // as the ledger keeps shares: a sum of doubles drifts
        }
    }
    if (shares > holding && !sameShares(shares, holding)) {
        // With no lot bought by then, it is the date that is wrong.
        throw SaleRefusal(held.empty() && method != SaleMethod::Chosen ? SaleField::SaleDate : SaleField::Shares,
                          held.empty() ? QStringLiteral("No lot of %1 bought on or before %2 holds shares to sell.")
                                             .arg(ticker, regional::shortDate(sold))
                                       : QStringLiteral("Please Enter at most %1 Shares: the lots of %2 bought on "
                                                        "or before %3 hold no more.")
                                             .arg(regional::numberText(holding), ticker, regional::shortDate(sold)))
            .withHeld(holding);
    }

    std::sort(held.begin(), held.end(), firstIn);
    if (method == SaleMethod::LastIn)
        std::reverse(held.begin(), held.end());
    if (method == SaleMethod::HighestCost || method == SaleMethod::LowestCost) {
        // The lots whose cost is not known come after the others, first in
        // among them: the sale is refused only when it reaches one.
        const bool highest = method == SaleMethod::HighestCost;
        std::stable_sort(held.begin(), held.end(), [highest](const Held *a, const Held *b) {
            const auto ca = costPerShare(*a), cb = costPerShare(*b);
            if (!ca || !cb)
                return ca && !cb;
            return highest ? *ca > *cb : *ca < *cb;
        });
    }

    std::vector<Take> takes;
    double taken = 0;
    for (const Held *lot : held) {
        if (sameShares(taken, shares))
            break;
        double take = roundShares(std::min(lot->shares, shares - taken));
        if (sameShares(take, lot->shares))
            take = lot->shares;
        takes.push_back({lot, take});
        taken = roundShares(taken + take);
    }
    return takes;
}

// The shares the user chose from each lot, in first-in order.
std::vector<Take> chosenTakes(const std::vector<Held> &lots, QDate sold, double shares, const ChosenShares &chosen)
{
    std::vector<Take> takes;
    double taken = 0;
    for (const auto &[id, typed] : chosen) {
        const LotId wanted = id;   // a structured binding is not captured by every compiler the tests build with
        const auto found = std::find_if(lots.begin(), lots.end(), [wanted](const Held &lot) { return lot.id == wanted; });
        if (found == lots.end())
            throw Error(kErrInternal, QStringLiteral("Lot %1 is not among the lots of the sale.").arg(id));
        const Held &lot = *found;
        if (!(typed >= 0) || typed > kMaxShares)
            throw SaleRefusal(SaleField::LotShares,
                              QStringLiteral("Please Enter the shares to sell from lot %1 as a Number of 0 or more")
                                  .arg(lotText(lot)),
                              id);
        if (!sharesExact(typed))
            throw SaleRefusal(SaleField::LotShares,
                              QStringLiteral("Please Enter the shares to sell from lot %1 with at most %2 decimals")
                                  .arg(lotText(lot))
                                  .arg(kShareDecimals),
                              id);
        if (sameShares(typed, 0))
            continue;
        if (!lot.acquired.isValid() || lot.acquired > sold)
            throw SaleRefusal(SaleField::SaleDate,
                              QStringLiteral("Please Enter a Sale Date on or after %1: lot %2 was bought on that day.")
                                  .arg(regional::shortDate(lot.acquired))
                                  .arg(id),
                              id);
        const double holds = std::max(lot.shares, 0.0);
        if (typed > holds && !sameShares(typed, holds))
            throw SaleRefusal(SaleField::LotShares,
                              QStringLiteral("Please Enter at most %1 shares to sell from lot %2: it holds no more.")
                                  .arg(regional::numberText(holds), lotText(lot)),
                              id);
        takes.push_back({&lot, sameShares(typed, lot.shares) ? lot.shares : typed});
        taken = roundShares(taken + takes.back().shares);
    }
    if (!sameShares(taken, shares))
        throw SaleRefusal(SaleField::Shares,
                          QStringLiteral("The shares chosen from the lots add up to %1: Please Enter %1 Shares, "
                                         "or choose %2 from the lots.")
                              .arg(regional::numberText(taken), regional::numberText(shares)));
    std::sort(takes.begin(), takes.end(), [](const Take &a, const Take &b) { return firstIn(a.lot, b.lot); });
    return takes;
}

// The cost of shares taken from a lot; see planSale.
Ticks costOf(const Held &lot, double shares)
{
    if (lot.netAmount) {
        // Sold whole, what its Net Amount box shows: the net amount to the
        // cent, half a cent up.
        const Ticks whole = roundToCent(*lot.netAmount);
        if (shares == lot.shares)
            return whole;
        // A part never takes more than the lot holds: rounding it up to the
        // cent stops at the net amount cut to the cent.
        return std::min(roundToCent((long double)*lot.netAmount * shares / lot.shares), truncateToCent(*lot.netAmount));
    }
    if (!lot.price)
        refuseUnknownCost(lot);
    const long double cost = (long double)*lot.price * shares;
    if (cost > (long double)kMaxMoneyTicks)
        throw SaleRefusal(SaleField::Shares,
                          QStringLiteral("Please Enter fewer Shares: the shares to sell from lot %1 cost more "
                                         "than $450,000,000,000.")
                              .arg(lotText(lot)),
                          lot.id);
    // What the lot's cost drops by, each to the cent, so that the shares
    // taken from it over its sales cost what it did in all.
    const auto before = lotCost(std::nullopt, lot.price, lot.shares);
    const auto after = lotCost(std::nullopt, lot.price, lot.shares - shares);
    return before && after ? *before - *after : roundToCent(cost);
}

// Refuses a part whose amount (its cost, its part of the proceeds) rounded
// to nothing to the cent though its shares and the whole it is a part of are
// more than nothing: the shares would change hands for nothing.
[[noreturn]] void refuseNothingFor(const SalePart &part, const Held &lot, SaleMethod method, const char *amount)
{
    const QString why = QStringLiteral("%1 of the %2 shares from lot %3 rounds to $0.00")
                            .arg(QLatin1String(amount), regional::numberText(part.shares), lotText(lot));
    if (method == SaleMethod::Chosen)
        throw SaleRefusal(SaleField::LotShares,
                          QStringLiteral("Please Enter more shares to sell from lot %1: %2.").arg(lotText(lot), why),
                          lot.id);
    throw SaleRefusal(SaleField::Shares, QStringLiteral("Please Enter more Shares: %1.").arg(why), lot.id);
}

} // namespace

void checkSale(QDate sold, double shares)
{
    if (!sold.isValid() || sold.year() < kFirstYear || sold.year() > kLastYear)
        throw SaleRefusal(SaleField::SaleDate,
                          QStringLiteral("Must Enter the Sale Date According to the Format MM/DD/YY or MM/DD/YYYY"));
    if (!(shares > 0) || !sharesInRange(shares))
        throw SaleRefusal(SaleField::Shares,
                          QStringLiteral("Please Enter Shares as a Number above 0 and up to 999,999,999,999,999"));
    if (!sharesExact(shares))
        throw SaleRefusal(SaleField::Shares,
                          QStringLiteral("Please Enter Shares with at most %1 decimals").arg(kShareDecimals));
}

std::vector<SalePart> planSale(const QString &ticker, const std::vector<LotRow> &rows, QDate sold, double shares,
                               Ticks proceeds, SaleMethod method, const ChosenShares &chosen)
{
    std::vector<Held> lots;
    lots.reserve(rows.size());
    for (const LotRow &row : rows) {
        if ((&row == &rows.front() || row.ticker != rows.front().ticker)
            && !sameTicker(QString::fromUtf8(row.ticker), ticker))
            throw Error(kErrInternal, QStringLiteral("A sale takes from the lots of one ticker only."));
        lots.push_back(heldOf(row));
    }
    checkSale(sold, shares);
    if (!moneyInRange(proceeds))
        throw SaleRefusal(SaleField::Proceeds, QStringLiteral("Please Enter Proceeds between $0 and $450,000,000,000"));

    const std::vector<Take> takes = method == SaleMethod::Chosen ? chosenTakes(lots, sold, shares, chosen)
                                                                  : takesInOrder(lots, ticker, sold, shares, method);
    // The proceeds to the cent, shared by shares; equal remainders go to
    // the older lot.
    std::vector<double> weights;
    std::vector<std::size_t> seniority(takes.size());
    for (std::size_t i = 0; i < takes.size(); ++i) {
        weights.push_back(takes[i].shares);
        seniority[i] = i;
    }
    std::stable_sort(seniority.begin(), seniority.end(),
                     [&](std::size_t a, std::size_t b) { return firstIn(takes[a].lot, takes[b].lot); });
    const std::vector<Ticks> shared = shareCents(roundToCent(proceeds), weights, seniority);

    std::vector<SalePart> parts;
    for (std::size_t i = 0; i < takes.size(); ++i) {
        const Held &lot = *takes[i].lot;
        SalePart part;
        part.lot = lot.id;
        part.name = QString::fromUtf8(lot.row->name);
        part.ticker = QString::fromUtf8(lot.row->ticker);
        part.acquired = lot.acquired;
        part.sold = sold;
        part.shares = takes[i].shares;
        const bool whole = part.shares == lot.shares;
        part.cost = costOf(lot, part.shares);
        if (part.cost == 0 && (lot.netAmount ? *lot.netAmount : lot.price.value_or(0)) > 0)
            refuseNothingFor(part, lot, method, "the cost");
        part.proceeds = shared[i];
        if (part.proceeds == 0 && proceeds > 0)
            refuseNothingFor(part, lot, method, "the part of the proceeds");
        part.term = termOf(part.acquired, sold);
        part.sharesLeft = whole ? 0 : roundShares(lot.shares - part.shares);
        if (lot.netAmount)
            part.netLeft = *lot.netAmount - part.cost;
        parts.push_back(std::move(part));
    }
    return parts;
}

} // namespace tesmo
