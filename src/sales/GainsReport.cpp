#include "sales/GainsReport.h"

#include "sales/GainsCsv.h"
#include "sales/SalePlan.h"
#include "sales/SaleWords.h"
#include "store/CapitalReturns.h"
#include "text/Regional.h"

#include <QHash>

namespace tesmo {

GainsReport::GainsReport(RecordStore &store, QDate today)
    : store_(store)
    , today_(today)
{
    read();
}

void GainsReport::read()
{
    loaded_.reset();
    workedOut_ = false;
    years_ = store_.SaleYears();
    const std::vector<HeldAdjustment> held = load(years_.empty() ? std::nullopt : std::optional(years_.front()));
    holdings_ = holdingsOf(store_.rows(), today_, held);
}

// Reads the sales of year and their rows for taxes, as the file keeps them,
// else works out those of every sale; returns the shares held that carry an
// adjustment.
std::vector<HeldAdjustment> GainsReport::load(std::optional<int> year)
{
    if (workedOut_ || (loaded_ && *loaded_ == year))
        return {};
    if (std::optional<KeptGains> kept = store_.GainsKept(year)) {
        std::vector<SalePart> sales = withCapitalReturns(store_.Sales(year), store_.CapitalReturns(year));
        QHash<SaleId, std::size_t> index;
        for (std::size_t i = 0; i < sales.size(); ++i)
            index.insert(sales[i].id, i);
        std::vector<TaxRow> rows;
        rows.reserve(kept->rows.size());
        for (const GainRow &r : kept->rows) {
            const auto found = index.constFind(r.part);
            if (found == index.constEnd())
                break;   // a sale another program recorded meanwhile
            rows.push_back(taxRowOf(r, *found, sales[*found]));
        }
        if (rows.size() == kept->rows.size()) {
            sales_ = std::move(sales);
            rows_ = std::move(rows);
            loaded_ = year;
            return std::move(kept->held);
        }
    }
    std::vector<SalePart> sales = withCapitalReturns(store_.Sales(), store_.CapitalReturns());
    const TickerFamilies families = store_.Families();
    WashSales wash = ledgerWashSales(heldOfSold(store_.rows(), sales, families), sales, store_.LotSplits(), families);
    sales_ = std::move(sales);
    rows_ = std::move(wash.rows);
    years_ = saleYears(sales_);
    workedOut_ = true;
    return std::move(wash.held);
}

std::vector<SaleLine> GainsReport::salesIn(std::optional<int> year)
{
    load(year);
    return saleLines(rows_, sales_, year);
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
    if (isCapitalReturnSale(sale.saleNo))
        throw Error(kErrSaleUndoRefused, QStringLiteral("This is the gain of a return of capital, not a sale: undo "
                                                        "the return of capital with Corporate Action instead."));
    store_.readyToWrite();
    store_.CheckUndoSale(partsOf(sale));
}

void GainsReport::undo(const SaleLine &sale)
{
    if (isCapitalReturnSale(sale.saleNo))
        checkUndo(sale);
    const std::vector<SalePart> parts = partsOf(sale);   // sale may be one of the report's
    store_.readyToWrite();
    store_.UndoSale(parts);
    read();
}

qsizetype GainsReport::save(std::optional<int> year, const QString &path)
{
    load(year);
    const std::vector<const SalePart *> sales = tesmo::salesIn(sales_, year);
    if (sales.empty())
        throw Error(kErrNothingToDo, QStringLiteral("There are no sales to save."));
    saveGainsCsv(sales, path);
    return qsizetype(sales.size());
}

qsizetype GainsReport::saveForm8949(std::optional<int> year, Form8949Box box, bool txf, const QString &path)
{
    load(year);
    std::vector<const TaxRow *> rows;
    for (const TaxRow &row : rows_)
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
