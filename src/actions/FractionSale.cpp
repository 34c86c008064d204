#include "actions/FractionSale.h"

#include "actions/ActionPlan.h"
#include "sales/SalePlan.h"
#include "sales/SaleWords.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cmath>

namespace tesmo {

std::vector<SalePart> sellFrom(const QString &ticker, const SaleLots &lots, QDate day, double shares, Ticks proceeds,
                               const QString &what)
{
    std::vector<SalePart> parts;
    try {
        parts = planSale(ticker, lots.rows, day, shares, proceeds, SaleMethod::FirstIn);
    } catch (const SaleRefusal &refusal) {
        if (refusal.field() == SaleField::LotCost && refusal.lot()) {
            const auto row = std::find_if(lots.rows.begin(), lots.rows.end(),
                                          [&](const LotRow &r) { return r.id == *refusal.lot(); });
            throw ActionRefusal(ActionField::Cash,
                                QStringLiteral("Lot %1 has no net amount and no price, so the cost of %2 is not "
                                               "known: enter its net amount or its price first.")
                                    .arg(lotPhrase(*refusal.lot(), acquiredOf(*row)), what));
        }
        // The sale's own words ask for its fields ("Please Enter more
        // Shares: ..."); the reason after them is what the user needs here.
        const QString said = refusal.description();
        const qsizetype colon = said.indexOf(QStringLiteral(": "));
        throw ActionRefusal(ActionField::Cash, QStringLiteral("Please Enter other Cash: %1 cannot be sold for it, "
                                                              "as %2")
                                                   .arg(what, colon < 0 ? said : said.mid(colon + 2)));
    }
    for (SalePart &part : parts) {
        if (const auto made = lots.placeholder.find(part.lot); made != lots.placeholder.end())
            part.lot = made->second;
    }
    return parts;
}

ShareTotal totalShares(const std::vector<LotRow> &rows)
{
    // Whole shares and millionths apart, in integers: a sum of doubles over
    // a hundred thousand lots is off in the millionths, which would make a
    // fraction of a share where there is none.
    __int128 whole = 0;
    std::int64_t millionths = 0;
    for (const LotRow &row : rows) {
        const double shares = row.numShares, floor = std::floor(shares);
        whole += std::int64_t(floor);
        millionths += std::llround((shares - floor) * 1e6);
        whole += millionths / 1'000'000;
        millionths %= 1'000'000;
    }
    return {roundShares(double(whole) + double(millionths) / 1e6), roundShares(double(millionths) / 1e6)};
}

void sellFraction(CorporateAction &action, const QString &ticker, const SaleLots &lots)
{
    const auto [total, fraction] = totalShares(lots.rows);
    if (!(fraction > 0))
        throw ActionRefusal(ActionField::Cash,
                            QStringLiteral("Please leave Cash empty: the %1 leave no fraction of a share to be "
                                           "paid for.")
                                .arg(QStringLiteral("%1 shares").arg(regional::numberText(total))));
    action.sale = sellFrom(ticker, lots, action.day, fraction, *action.cash,
                           QStringLiteral("the fraction of %1 share").arg(regional::numberText(fraction)));
}

} // namespace tesmo
