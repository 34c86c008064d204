#include "sales/SalePlanner.h"

#include "text/FieldRules.h"
#include "text/Limits.h"

namespace tesmo {

LotTable *SalePlanner::tableOf(const QString &ticker) const
{
    const auto found = tickers_.find(foldTicker(ticker));
    return found == tickers_.end() ? nullptr : found->second.get();
}

bool SalePlanner::add(const LotRow &lot)
{
    const auto price = priceOf(lot), net = netAmountOf(lot);
    if (!(sharesOf(lot) > 0) || !sharesInRange(lot.numShares) || (price && !moneyInRange(*price))
        || (net && !moneyInRange(*net)))
        return false;
    std::unique_ptr<LotTable> &table = tickers_[foldTicker(QString::fromUtf8(lot.ticker))];
    if (!table)
        table = std::make_unique<LotTable>();
    table->append(lot);
    return true;
}

bool SalePlanner::knows(const QString &ticker) const
{
    return tableOf(ticker) != nullptr;
}

void SalePlanner::know(const QString &ticker)
{
    std::unique_ptr<LotTable> &table = tickers_[foldTicker(ticker)];
    if (!table)
        table = std::make_unique<LotTable>();
}

std::vector<LotRow> SalePlanner::lots(const QString &ticker) const
{
    std::vector<LotRow> rows;
    if (const LotTable *table = tableOf(ticker)) {
        rows.reserve(table->size());
        for (std::size_t row = 0; row < table->size(); ++row)
            rows.push_back(table->lot(row));
    }
    return rows;
}

std::vector<SalePart> SalePlanner::plan(const QString &ticker, QDate sold, double shares, Ticks proceeds,
                                        SaleMethod method, const ChosenShares &chosen) const
{
    return planSale(ticker, lots(ticker), sold, shares, proceeds, method, chosen);
}

void SalePlanner::take(const std::vector<SalePart> &parts)
{
    for (const SalePart &part : parts) {
        LotTable *table = tableOf(part.ticker);
        const auto row = table ? table->rowOf(part.lot) : std::nullopt;
        if (!row)
            continue;
        if (part.wholeLot()) {
            table->erase(*row);
            continue;
        }
        LotRow kept = table->lot(*row);
        kept.numShares = part.sharesLeft;
        kept.netAmount = part.netLeft;
        table->replace(*row, kept);
    }
}

} // namespace tesmo
