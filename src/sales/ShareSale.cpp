#include "sales/ShareSale.h"

#include "sales/LedgerGains.h"
#include "sales/SaleWords.h"
#include "text/FieldRules.h"
#include "text/Regional.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace tesmo {

namespace {

// The parts of a sale being planned, as the wash sales take them.
std::vector<WashSale> washPartsOf(const std::vector<SalePart> &parts)
{
    std::vector<WashSale> planned;
    for (const SalePart &p : parts)
        planned.push_back({0, p.lot, p.name, p.ticker, p.acquired, p.sold, p.shares, p.proceeds, p.cost});
    return planned;
}

} // namespace

ShareSale::ShareSale(RecordStore &store)
    : store_(store)
{
    store_.readyToWrite();
    const int at = store_.AbsolutePosition();
    if (at < 0)
        throw Error(kErrNoCurrentLot);
    const LotRow current = store_.rows().lot(std::size_t(at));
    first_ = current.id;
    ticker_ = QString::fromUtf8(current.ticker);
    offer();
    if (lots_.empty())
        throw Error(kErrNothingToDo, QStringLiteral("No lot of %1 holds shares to sell.").arg(ticker_));
}

// The lots of the ticker as the record set holds them now, and the ticker's
// history for the wash sales.
void ShareSale::offer()
{
    const LotTable &rows = store_.rows();
    const TickerMatcher ofTicker(ticker_);
    std::vector<LotRow> found;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const LotRow lot = rows.lot(row);
        if (ofTicker(lot.ticker))
            found.push_back(lot);
    }
    std::sort(found.begin(), found.end(), [id = first_](const LotRow &a, const LotRow &b) {
        return std::tuple(a.id != id, a.tradeDay, a.id) < std::tuple(b.id != id, b.tradeDay, b.id);
    });
    planner_ = SalePlanner();
    planner_.know(ticker_);
    for (const LotRow &lot : found)
        planner_.add(lot);
    lots_ = planner_.lots(ticker_);
    // The wash sales read the ticker with every ticker its actions link to
    // it: the lots of those held now, and their sales.
    families_ = store_.Families();
    const QString key = families_.keyOf(ticker_);
    const bool linked = families_.membersOf(key).size() > 1;
    const auto ofFamily = [&](const QString &ticker) {
        return linked ? families_.keyOf(ticker) == key : sameTicker(ticker, ticker_);
    };
    std::vector<SalePart> sales = store_.Sales();
    std::erase_if(sales, [&](const SalePart &p) { return !ofFamily(p.ticker); });
    if (linked) {
        // The members are folds, and a fold folds to itself.
        std::vector<TickerMatcher> members;
        for (const QString &member : families_.membersOf(key))
            members.emplace_back(member);
        found.clear();
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const LotRow lot = rows.lot(row);
            if (std::any_of(members.begin(), members.end(), [&](const TickerMatcher &m) { return m(lot.ticker); }))
                found.push_back(lot);
        }
    }
    std::vector<HeldLot> held;
    for (const LotRow &lot : found)
        if (acquiredOf(lot).isValid())
            held.push_back({lot.id, QString::fromUtf8(lot.ticker), acquiredOf(lot), sharesOf(lot)});
    washLots_ = lotsAsBought(held, sales, store_.LotSplits());
    washParts_.clear();
    for (const SalePart &p : sales)
        washParts_.push_back({p.saleNo, p.lot, p.name, p.ticker, p.acquired, p.sold, p.shares, p.proceeds, p.cost});
    const WashSales wash = washSales(washLots_, washParts_, {}, families_);
    adjusted_.clear();
    for (const LotRow &lot : lots_)
        if (const Ticks adjustment = wash.adjustmentOf(lot.id); adjustment > 0)
            adjusted_.emplace(lot.id, Adjusted{adjustment, wash.heldFrom(lot.id, acquiredOf(lot), sharesOf(lot))});
}

std::optional<ShareSale::Adjusted> ShareSale::adjustedOf(LotId lot) const
{
    const auto found = adjusted_.find(lot);
    return found == adjusted_.end() ? std::nullopt : std::optional(found->second);
}

ShareSale::Figures ShareSale::figures(const std::vector<SalePart> &parts) const
{
    Figures figures;
    figures.rows = rowsIfSold(washLots_, washParts_, washPartsOf(parts), {}, families_);
    if (std::vector<SaleLine> lines = saleLines(figures.rows, parts); !lines.empty())
        figures.line = std::move(lines.front());
    return figures;
}

QString ShareSale::question(const std::vector<SalePart> &parts, QDate today) const
{
    if (parts.empty())
        return {};
    QStringList asked;
    if (parts.front().sold > today)
        asked << QStringLiteral("The sale date, %1, is after today.").arg(regional::shortDate(parts.front().sold));
    if (const Ticks disallowed = disallowedIfSold(washLots_, washParts_, washPartsOf(parts), {}, families_);
        disallowed > 0)
        asked << QStringLiteral("The loss will be a wash sale: shares of %1 were bought within 30 days of it, so "
                                "%2 of it is not deductible and is added to their cost.")
                     .arg(ticker_, regional::netAmountText(disallowed));
    return asked.isEmpty() ? QString() : asked.join(u' ') + QStringLiteral(" Sell anyway?");
}

std::vector<SalePart> ShareSale::plan(QDate sold, double shares, Ticks proceeds, SaleMethod method,
                                      const ChosenShares &chosen) const
{
    return planner_.plan(ticker_, sold, shares, proceeds, method, chosen);
}

void ShareSale::sell(const std::vector<SalePart> &parts, const std::function<bool(qint64 done)> &progress)
{
    std::vector<SaleId> ids;
    try {
        ids = store_.Sell(parts, [&progress](qint64 done, qint64) { return !progress || progress(done); });
    } catch (const Error &e) {
        // The record set now shows the lots another program changed or
        // removed as the file holds them; so does the sale's offer.
        if (e.number() == kErrLotChanged || e.number() == kErrLotGone)
            offer();
        throw;
    }
    // The figures the ledger now keeps of the sale, worked out in its
    // transaction; worked out here only when another program's change has
    // marked them since and the file is busy.
    sold_ = parts;
    std::unordered_map<SaleId, std::size_t> index;
    for (std::size_t i = 0; i < sold_.size() && i < ids.size(); ++i) {
        sold_[i].id = ids[i];
        sold_[i].saleNo = ids.front();
        index.emplace(ids[i], i);
    }
    std::vector<TaxRow> rows;
    if (const auto kept = store_.GainRowsKept(ids)) {
        for (const GainRow &r : *kept) {
            const std::size_t i = index.at(r.part);
            rows.push_back(taxRowOf(r, i, sold_[i]));
        }
    } else {
        rows = figures(parts).rows;
    }
    std::vector<SaleLine> lines = saleLines(rows, sold_);
    soldLine_ = lines.empty() ? SaleLine() : std::move(lines.front());
}

std::optional<LotId> ShareSale::nextCurrent() const
{
    std::unordered_map<LotId, double> left;
    for (const SalePart &part : sold_)
        left.emplace(part.lot, part.sharesLeft);
    std::optional<LotId> first;
    for (const LotRow &lot : lots_) {
        const auto sold = left.find(lot.id);
        if ((sold == left.end() ? lot.numShares : sold->second) > 0 && (!first || lot.id < *first))
            first = lot.id;
    }
    return first;
}

QString saleSummary(const SaleLine &sale)
{
    const auto money = [](Ticks ticks) { return regional::regionalCurrencyText(ticks); };
    const Ticks gain = sale.gain();
    // A gain of nothing left by a wash sale is a loss wholly disallowed.
    const bool loss = gain < 0 || (gain == 0 && sale.wash());
    QString text = QStringLiteral("%1 of %2 from %3 %4 on %5 for %6: cost %7, %8 %9")
                       .arg(sharesPhrase(sale.shares), sale.ticker, QString::number(sale.lots),
                            sale.lots == 1 ? QStringLiteral("lot") : QStringLiteral("lots"),
                            regional::shortDate(sale.sold), money(sale.proceeds), money(sale.costBasis),
                            loss ? QStringLiteral("loss") : QStringLiteral("gain"), money(gain < 0 ? -gain : gain));
    if (sale.wash())
        text += QStringLiteral(" after a wash-sale adjustment of %1").arg(money(sale.adjustment));
    return text + u'.';
}

} // namespace tesmo
