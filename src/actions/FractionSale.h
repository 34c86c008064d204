// The sale a corporate action records for the fraction of a share paid in
// cash: the fraction the lots come to beyond a whole number, sold first in,
// first out from the lots as the action leaves them.
#pragma once

#include "store/Actions.h"
#include "text/LotRow.h"

#include <QByteArray>
#include <deque>
#include <map>
#include <vector>

namespace tesmo {

// The lots planSale takes a fraction from, as the action leaves them. A
// made lot goes by the ID of the lot it came from, so that first in, first
// out orders it as its parent; placeholder maps that ID to the lot's own.
struct SaleLots {
    std::vector<LotRow> rows;
    std::map<LotId, LotId> placeholder;
    std::deque<QByteArray> texts;   // the UTF-8 the rows view

    void add(LotId id, const ActionLotValues &lot)
    {
        LotRow row;
        row.id = id;
        row.name = view(lot.name);
        row.nameIsNull = lot.nameIsNull;
        row.ticker = view(lot.ticker);
        row.numShares = lot.shares;
        row.price = lot.price;
        row.netAmount = lot.netAmount;
        row.tradeDay = std::int32_t(lot.tradeDate.toJulianDay());
        rows.push_back(row);
    }
    std::string_view view(const QString &text)
    {
        texts.push_back(text.toUtf8());
        return {texts.back().constData(), std::size_t(texts.back().size())};
    }
};

// The shares of lots added up exactly to the ledger's decimals, and the
// fraction of a share beyond their whole number.
struct ShareTotal {
    double total;
    double fraction;
};
ShareTotal totalShares(const std::vector<LotRow> &rows);

// Plans the sale of shares of ticker from lots on day for proceeds, first
// in, first out, its parts naming a made lot by its placeholder. A refusal
// of the sale is one of the action's Cash (ActionRefusal); what names what
// is sold in it.
std::vector<SalePart> sellFrom(const QString &ticker, const SaleLots &lots, QDate day, double shares, Ticks proceeds,
                               const QString &what);

// Sells the fraction of a share that the lots come to beyond a whole number
// for the action's cash, as its sale; refuses cash with no fraction to sell.
void sellFraction(CorporateAction &action, const QString &ticker, const SaleLots &lots);

} // namespace tesmo
