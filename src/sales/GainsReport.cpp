#include "sales/GainsReport.h"

#include "sales/GainsCsv.h"
#include "sales/SalePlan.h"
#include "sales/SaleWords.h"
#include "text/Regional.h"

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
    const LotTable &lots = store_.rows();
    wash_ = ledgerWashSales(heldOfSold(lots, sales), sales);
    holdings_ = holdingsOf(lots, today_, wash_.held);
    sales_ = std::move(sales);
    years_ = saleYears(sales_);
}

std::vector<SaleLine> GainsReport::salesIn(std::optional<int> year) const
{
    return saleLines(wash_.rows, sales_, year);
}

std::vector<SalePart> GainsReport::partsOf(const SaleLine &sale) const
{
    std::vector<SalePart> parts;
    for (const SalePart &part : sales_)
        if (part.saleNo == sale.saleNo)
            parts.push_back(part);
    return parts;
}

void GainsReport::checkUndo(const SaleLine &sale)
{
    store_.readyToWrite();
    store_.CheckUndoSale(partsOf(sale));
}

void GainsReport::undo(const SaleLine &sale)
{
    const std::vector<SalePart> parts = partsOf(sale);   // sale may be one of the report's
    store_.readyToWrite();
    store_.UndoSale(parts);
    read();
}

qsizetype GainsReport::save(std::optional<int> year, const QString &path) const
{
    const std::vector<const SalePart *> sales = tesmo::salesIn(sales_, year);
    if (sales.empty())
        throw Error(kErrNothingToDo, QStringLiteral("There are no sales to save."));
    saveGainsCsv(sales, path);
    return qsizetype(sales.size());
}

qsizetype GainsReport::saveForm8949(std::optional<int> year, Form8949Box box, bool txf, const QString &path) const
{
    std::vector<const TaxRow *> rows;
    for (const TaxRow &row : wash_.rows)
        if (!year || row.sold.year() == *year)
            rows.push_back(&row);
    if (rows.empty())
        throw Error(kErrNothingToDo, QStringLiteral("There are no sales to save."));
    tesmo::saveForm8949(rows, box, txf, path);
    return qsizetype(rows.size());
}

QString undoQuestion(const SaleLine &sale)
{
    return QStringLiteral("Undo the sale of %1 of %2 on %3 from %4?")
        .arg(sharesPhrase(sale.shares), sale.ticker, regional::shortDate(sale.sold),
             sale.lots == 1 ? QStringLiteral("1 lot") : QStringLiteral("%1 lots").arg(sale.lots));
}

} // namespace tesmo
