#include "sales/GainsReport.h"

#include "sales/GainsCsv.h"

namespace tesmo {

GainsReport::GainsReport(RecordStore &store, QDate today)
    : store_(store)
    , today_(today)
{
    read();
}

void GainsReport::read()
{
    std::vector<SalePart> sales = store_.Sales();
    holdings_ = holdingsOf(store_.rows(), today_);
    sales_ = std::move(sales);
    years_ = saleYears(sales_);
}

std::vector<const SalePart *> GainsReport::salesIn(std::optional<int> year) const
{
    return tesmo::salesIn(sales_, year);
}

void GainsReport::undo(const SalePart &sale)
{
    const SalePart seen = sale;   // sale may be one of the report's, which reading again replaces
    store_.readyToWrite();
    store_.UndoSale(seen);
    read();
}

void GainsReport::save(std::optional<int> year, const QString &path) const
{
    const std::vector<const SalePart *> sales = salesIn(year);
    if (sales.empty())
        throw Error(kErrNothingToDo, QStringLiteral("There are no sales to save."));
    saveGainsCsv(sales, path);
}

} // namespace tesmo
