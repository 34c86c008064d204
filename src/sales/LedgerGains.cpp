#include "sales/LedgerGains.h"

#include "sales/SalePlan.h"
#include "sales/TaxFile.h"
#include "store/CapitalReturns.h"
#include "text/FieldRules.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <limits>
#include <unordered_map>

namespace tesmo {

// A million lots are read without a text made for each: an ASCII ticker is
// compared in capitals, byte by byte; only other tickers are folded.
std::vector<HeldLot> heldOfSold(const LotTable &lots, const std::vector<SalePart> &sales,
                                const TickerFamilies &families)
{
    QSet<QByteArray> ascii;
    QSet<QString> folded;
    const auto add = [&](const QString &ticker) {
        folded.insert(foldTicker(ticker));
        ascii.insert(ticker.toUtf8().toUpper());
    };
    QSet<QString> linked;
    for (const SalePart &part : sales) {
        add(part.ticker);
        if (!families.empty())
            linked.insert(families.keyOf(part.ticker));
    }
    for (const QString &key : linked)
        for (const QString &member : families.membersOf(key))
            add(member);
    std::vector<HeldLot> held;
    QByteArray upper;
    for (std::size_t i = 0; i < lots.size(); ++i) {
        const LotRow lot = lots.lot(i);
        const bool isAscii = std::all_of(lot.ticker.begin(), lot.ticker.end(),
                                         [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        bool sold;
        if (isAscii) {
            upper.resize(qsizetype(lot.ticker.size()));
            std::transform(lot.ticker.begin(), lot.ticker.end(), upper.begin(),
                           [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
            sold = ascii.contains(upper);
        } else {
            sold = folded.contains(foldTicker(QString::fromUtf8(lot.ticker.data(), qsizetype(lot.ticker.size()))));
        }
        const QDate bought = acquiredOf(lot);
        if (sold && bought.isValid())
            held.push_back({lot.id, QString::fromUtf8(lot.ticker.data(), qsizetype(lot.ticker.size())), bought,
                            sharesOf(lot)});
    }
    return held;
}

std::vector<WashLot> lotsAsBought(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                                  const std::vector<LotSplit> &splits)
{
    // Each lot's splits, by its ID; a share as bought is one share until the
    // first of them.
    std::unordered_map<LotId, std::vector<LotSplit>> splitsOf;
    for (const LotSplit &split : splits)
        splitsOf[split.lot].push_back(split);
    const auto factorAt = [](const std::vector<LotSplit> *of, SaleId sale) {
        double factor = 1;
        for (std::size_t k = 0; of && k < of->size(); ++k)
            factor *= (*of)[k].afterSale < sale ? (*of)[k].factor : 1;
        return factor;
    };
    // The sales of each lot, by the ID of its rows: the first row tells what
    // a lot sold whole was bought with.
    struct Sold {
        const SalePart *first = nullptr;
        double bought = 0;   // the shares sold, as the lot was bought
    };
    std::unordered_map<LotId, Sold> sold;
    std::vector<WashLot> lots;
    lots.reserve(held.size());
    const auto add = [&](LotId id, const QString &ticker, QDate bought, double shares, SaleId at) {
        const auto found = splitsOf.find(id);
        const std::vector<LotSplit> *of = found == splitsOf.end() ? nullptr : &found->second;
        lots.push_back({id, ticker, bought, shares / factorAt(of, at), of ? *of : std::vector<LotSplit>()});
    };
    for (const SalePart &part : sales) {
        if (isCapitalReturn(part))
            continue;
        Sold &s = sold[part.lot];
        if (!s.first || part.id < s.first->id)
            s.first = &part;
        const auto found = splitsOf.find(part.lot);
        s.bought += part.shares / factorAt(found == splitsOf.end() ? nullptr : &found->second, part.id);
    }
    for (const HeldLot &lot : held) {
        const auto found = sold.find(lot.id);
        add(lot.id, lot.ticker, lot.bought, lot.shares, std::numeric_limits<SaleId>::max());
        if (found != sold.end()) {
            lots.back().shares += found->second.bought;
            found->second.first = nullptr;
        }
    }
    for (const auto &[id, s] : sold)
        if (s.first)
            add(id, s.first->ticker, s.first->acquired, s.first->shares + s.first->sharesLeft, s.first->id);
    return lots;
}

WashSales ledgerWashSales(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                          const std::vector<LotSplit> &splits, const TickerFamilies &families)
{
    std::vector<WashSale> parts;
    parts.reserve(sales.size());
    for (const SalePart &p : sales)
        parts.push_back({p.saleNo, p.lot, p.name, p.ticker, p.acquired, p.sold, p.shares, p.proceeds, p.cost});
    return washSales(lotsAsBought(held, sales, splits), parts, {}, families);
}

GainFigures gainRowsOf(const std::vector<HeldLot> &held, const std::vector<SalePart> &sales,
                       const std::vector<LotSplit> &splits, const TickerFamilies &families)
{
    WashSales wash = ledgerWashSales(held, sales, splits, families);
    GainFigures figures;
    figures.rows.reserve(wash.rows.size());
    for (const TaxRow &r : wash.rows) {
        const SalePart &part = sales[r.part];
        figures.rows.push_back({part.id, part.saleNo, part.lot,
                                QString::fromUtf8(taxfile::description(r.shares, r.ticker, r.name, r.capitalReturn)), r.shares,
                                r.acquired, r.sold, r.proceeds, r.costBasis, r.adjustment, r.longTerm});
    }
    figures.held = std::move(wash.held);
    return figures;
}

TaxRow taxRowOf(const GainRow &row, std::size_t part, const SalePart &sale)
{
    return {part,     sale.name,      sale.ticker,    row.shares,     row.acquired,        row.sold,
            row.proceeds, row.costBasis, row.adjustment, row.longTerm, isCapitalReturn(sale)};
}

std::vector<SaleLine> saleLines(const std::vector<TaxRow> &rows, const std::vector<SalePart> &parts,
                                std::optional<int> year)
{
    std::vector<SaleLine> lines;
    QHash<SaleId, std::size_t> lineOf;
    std::size_t lastPart = std::size_t(-1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TaxRow &row = rows[i];
        const SalePart &part = parts[row.part];
        if (year && part.sold.year() != *year)
            continue;
        const auto found = lineOf.constFind(part.saleNo);
        if (found == lineOf.constEnd()) {
            lineOf.insert(part.saleNo, lines.size());
            SaleLine line;
            line.saleNo = part.saleNo;
            line.sold = part.sold;
            line.ticker = part.ticker;
            lines.push_back(std::move(line));
        }
        SaleLine &line = lines[found == lineOf.constEnd() ? lines.size() - 1 : *found];
        line.shares += row.shares;
        if (row.part != lastPart)
            ++line.lots;
        lastPart = row.part;
        line.proceeds += row.proceeds;
        line.costBasis += row.costBasis;
        line.adjustment += row.adjustment;
        const QString term = row.longTerm ? QStringLiteral("Long") : QStringLiteral("Short");
        line.term = line.term.isEmpty() || line.term == term ? term : QStringLiteral("Mixed");
        line.rows.push_back(i);
    }
    return lines;
}

GainTotals gainTotals(const std::vector<SaleLine> &lines, const std::vector<TaxRow> &rows)
{
    GainTotals totals;
    for (const SaleLine &line : lines)
        for (const std::size_t i : line.rows)
            (rows[i].longTerm ? totals.longTerm : totals.shortTerm) += rows[i].gain();
    return totals;
}

} // namespace tesmo
