#include "actions/ActionPlan.h"

#include "actions/ActionReading.h"
#include "actions/FractionSale.h"
#include "sales/Cents.h"
#include "sales/SalePlan.h"
#include "sales/SaleWords.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cmath>

namespace tesmo {

ActionRefusal::ActionRefusal(ActionField field, const QString &message)
    : Error(kErrOutOfRange, message), field_(field)
{
}

namespace {

ActionLotValues valuesOf(const LotRow &row)
{
    return {QString::fromUtf8(row.name), row.nameIsNull, QString::fromUtf8(row.ticker), sharesOf(row),
            priceOf(row),           netAmountOf(row), acquiredOf(row)};
}

// The lots of the ticker the action reaches, in ID order; refuses a day
// that none of them fits.
std::vector<LotRow> lotsReached(const ActionRequest &request, const LotTable &lots)
{
    std::vector<LotRow> reached;
    QDate first;
    const TickerMatcher ofTicker(request.ticker);
    for (std::size_t row = 0; row < lots.size(); ++row) {
        const LotRow lot = lots.lot(row);
        if (!ofTicker(lot.ticker) || !acquiredOf(lot).isValid())
            continue;
        if (!first.isValid() || acquiredOf(lot) < first)
            first = acquiredOf(lot);
        if (acquiredOf(lot) <= request.day && sharesOf(lot) > 0)
            reached.push_back(lot);
    }
    if (first.isValid() && request.day < first)
        throw ActionRefusal(ActionField::Day, QStringLiteral("Please Enter a Date on or after %1: the first lot of %2 "
                                                             "was bought on that day.")
                                                  .arg(regional::shortDate(first), request.ticker));
    if (reached.empty())
        throw ActionRefusal(ActionField::Day, QStringLiteral("No lot of %1 bought on or before %2 holds shares.")
                                                  .arg(request.ticker, regional::shortDate(request.day)));
    std::sort(reached.begin(), reached.end(), [](const LotRow &a, const LotRow &b) { return a.id < b.id; });
    for (const LotRow &lot : reached) {
        // An amount an older tool kept as text has no value the action could
        // carry over; writing the lot would lose it.
        if (lot.isText(kPrice) || lot.isText(kNetAmount))
            throw ActionRefusal(ActionField::Kind,
                                QStringLiteral("Lot %1 holds a %2 that is not an amount: correct it first.")
                                    .arg(lotPhrase(lot.id, acquiredOf(lot)),
                                         lot.isText(kPrice) ? QStringLiteral("price") : QStringLiteral("net amount")));
    }
    return reached;
}

// The cost of a lot as the actions count it: its net amount, else its price
// times its shares to the cent; nothing without either.
std::optional<Ticks> costOf(const ActionLotValues &lot)
{
    if (lot.netAmount)
        return lot.netAmount;
    return lotCost(std::nullopt, lot.price, lot.shares);
}

[[noreturn]] void refuseUnknownCost(LotId id, const ActionLotValues &lot, const QString &what)
{
    throw ActionRefusal(ActionField::Cash, QStringLiteral("Lot %1 has no net amount and no price, so %2 is not "
                                                          "known: enter its net amount or its price first.")
                                               .arg(lotPhrase(id, lot.tradeDate), what));
}

// Shares × ratio as the ledger keeps them; refuses a count outside its range
// or one that rounds to nothing.
double sharesTimes(LotId id, const ActionLotValues &lot, double ratio)
{
    const double shares = roundShares(lot.shares * ratio);
    if (!sharesInRange(shares) || !(shares > 0))
        throw ActionRefusal(ActionField::Ratio,
                            QStringLiteral("Please Enter another Ratio: the %1 shares of lot %2 would become %3.")
                                .arg(regional::numberText(lot.shares), lotPhrase(id, lot.tradeDate),
                                     regional::numberText(shares)));
    return shares;
}

// A lot split by ratio: its shares times it, its price divided by it to the
// lot's four decimals, as the one-lot split does. A lot that has a price and
// no net amount is given its cost as its net amount when the rounded price
// would change what it cost, to the cent.
ActionLotValues splitLot(LotId id, const ActionLotValues &before, double ratio)
{
    ActionLotValues after = before;
    after.shares = sharesTimes(id, before, ratio);
    if (before.price) {
        const auto price = splitPrice(ticksToDouble(*before.price), ratio);
        if (!price || !moneyInRange(*price))
            throw ActionRefusal(ActionField::Ratio,
                                QStringLiteral("Please Enter another Ratio: the price of lot %1 would lie outside "
                                               "$0 to $450,000,000,000.")
                                    .arg(lotPhrase(id, before.tradeDate)));
        after.price = price;
        if (!before.netAmount) {
            const auto was = lotCost(std::nullopt, before.price, before.shares);
            if (was && lotCost(std::nullopt, after.price, after.shares) != was && moneyInRange(*was))
                after.netAmount = was;
        }
    }
    return after;
}

void planSplit(CorporateAction &action, const std::vector<LotRow> &reached, const ActionRequest &request)
{
    const bool merger = action.kind == ActionKind::Merger;
    SaleLots sale;
    for (const LotRow &row : reached) {
        ActionLot lot{row.id, 0, valuesOf(row), {}, 0};
        lot.after = splitLot(row.id, *lot.before, action.ratio);
        if (merger) {
            lot.after.ticker = action.newTicker;
            if (!request.newName.isEmpty()) {
                lot.after.name = request.newName;
                lot.after.nameIsNull = false;
            }
        }
        if (action.cash)
            sale.add(row.id, lot.after);
        action.lots.push_back(std::move(lot));
    }
    if (action.cash)
        sellFraction(action, merger ? action.newTicker : request.ticker, sale);
}

void planTickerChange(CorporateAction &action, const std::vector<LotRow> &reached, const ActionRequest &request)
{
    bool changes = false;
    for (const LotRow &row : reached) {
        ActionLot lot{row.id, 0, valuesOf(row), {}, 0};
        lot.after = *lot.before;
        if (!request.newTicker.isEmpty())
            lot.after.ticker = request.newTicker;
        if (!request.newName.isEmpty()) {
            lot.after.name = request.newName;
            lot.after.nameIsNull = false;
        }
        changes = changes || lot.after != *lot.before;
        action.lots.push_back(std::move(lot));
    }
    if (!changes)
        throw ActionRefusal(ActionField::NewTicker,
                            QStringLiteral("Please Enter a New Ticker or a New Name: the lots of %1 already have "
                                           "them.")
                                .arg(request.ticker));
}

void planCashMerger(CorporateAction &action, const std::vector<LotRow> &reached, const ActionRequest &request)
{
    SaleLots sale;
    for (const LotRow &row : reached) {
        const ActionLotValues before = valuesOf(row);
        action.lots.push_back({row.id, 0, before, before, 0});
        sale.add(row.id, before);
    }
    const double total = totalShares(sale.rows).total;
    const long double proceeds = (long double)*action.cash * total;
    if (!(proceeds <= (long double)kMaxMoneyTicks))
        throw ActionRefusal(ActionField::Cash, QStringLiteral("Please Enter less Cash: the %1 shares of %2 would be "
                                                              "paid more than $450,000,000,000.")
                                                   .arg(regional::numberText(total), request.ticker));
    action.sale = sellFrom(request.ticker, sale, action.day, total, roundToCent(proceeds),
                           QStringLiteral("the %1 shares sold").arg(regional::numberText(total)));
    if (action.sale.size() != reached.size()
        || !std::all_of(action.sale.begin(), action.sale.end(), [](const SalePart &p) { return p.wholeLot(); }))
        throw Error(kErrInternal, QStringLiteral("A cash merger of %1 left shares in a lot.").arg(request.ticker));
}

void planSpinOff(CorporateAction &action, const std::vector<LotRow> &reached)
{
    SaleLots sale;
    std::vector<ActionLot> made;
    for (const LotRow &row : reached) {
        ActionLot parent{row.id, 0, valuesOf(row), {}, 0};
        parent.after = *parent.before;
        ActionLot child{-LotId(made.size() + 1), row.id, std::nullopt, {}, 0};
        child.after = {action.newName, action.newName.isEmpty(), action.newTicker,
                       sharesTimes(row.id, *parent.before, action.ratio), std::nullopt, std::nullopt,
                       parent.before->tradeDate};
        if (const auto cost = costOf(*parent.before)) {
            const Ticks part = roundToCent((long double)*cost * *action.percent / 100);
            parent.after.netAmount = *cost - part;
            child.after.netAmount = part;
            child.after.price = Ticks(std::llround((long double)part / child.after.shares));
            if (!moneyInRange(*child.after.price))
                throw ActionRefusal(ActionField::Ratio,
                                    QStringLiteral("Please Enter another Ratio: the price of the lot made from lot "
                                                   "%1 would lie outside $0 to $450,000,000,000.")
                                        .arg(lotPhrase(row.id, parent.before->tradeDate)));
        }
        if (action.cash) {
            sale.add(row.id, child.after);
            sale.placeholder[row.id] = child.lot;
        }
        action.lots.push_back(std::move(parent));
        made.push_back(std::move(child));
    }
    std::move(made.begin(), made.end(), std::back_inserter(action.lots));
    if (action.cash)
        sellFraction(action, action.newTicker, sale);
}

void planReturnOfCapital(CorporateAction &action, const std::vector<LotRow> &reached)
{
    for (const LotRow &row : reached) {
        ActionLot lot{row.id, 0, valuesOf(row), {}, 0};
        lot.after = *lot.before;
        const auto cost = costOf(*lot.before);
        if (!cost)
            refuseUnknownCost(row.id, *lot.before, QStringLiteral("the cost the return of capital lowers"));
        const long double reduction = (long double)*action.cash * lot.before->shares;
        if (!(reduction <= (long double)kMaxMoneyTicks))
            throw ActionRefusal(ActionField::Cash,
                                QStringLiteral("Please Enter less Cash: lot %1 would be paid more than "
                                               "$450,000,000,000.")
                                    .arg(lotPhrase(row.id, lot.before->tradeDate)));
        // The gain is what was paid above the cost as a sale counts it, to
        // the cent, so that the cost kept, the capital paid and the gain add
        // up to it.
        const Ticks paid = roundToCent(reduction);
        lot.after.netAmount = std::max<Ticks>(0, *cost - paid);
        lot.gain = std::max<Ticks>(0, paid - *lotCost(lot.before->netAmount, lot.before->price, lot.before->shares));
        action.lots.push_back(std::move(lot));
    }
}

} // namespace

CorporateAction planAction(const ActionRequest &request, const LotTable &lots, QDate today)
{
    CorporateAction action;
    action.kind = request.kind;
    action.ticker = request.ticker;
    action.day = request.day;
    checkActionDay(request.day, today);
    const ActionKind kind = request.kind;
    if (takesRatio(kind)) {
        action.ratio = readActionRatio(request.ratio);
        action.ratioText = ratioText(request.ratio);
    }
    if (kind == ActionKind::Split && action.ratio == 1)
        throw ActionRefusal(ActionField::Ratio,
                            QStringLiteral("Please Enter a Ratio other than 1 for 1: a split of 1 for 1 changes no lot."));
    if (kind == ActionKind::SpinOff)
        action.percent = readActionPercent(request.percent);
    if (takesRatio(kind) && request.cashForFractions) {
        action.cash = readActionCash(request.cash, QStringLiteral("Cash for Fractions"),
                                     QStringLiteral("the cash paid for the fraction of a share"));
        if (*action.cash % 100 != 0)
            throw ActionRefusal(ActionField::Cash, QStringLiteral("Please Enter the Cash for Fractions to the cent, as "
                                                                  "the broker paid it."));
    }
    if (kind == ActionKind::CashMerger)
        action.cash = readActionCash(request.cash, QStringLiteral("Cash per Share"),
                                     QStringLiteral("the cash paid for each share"));
    if (kind == ActionKind::ReturnOfCapital) {
        action.cash = readActionCash(request.cash, QStringLiteral("Cash per Share"),
                                     QStringLiteral("the capital returned on each share"));
        if (*action.cash == 0)
            throw ActionRefusal(ActionField::Cash, QStringLiteral("Please Enter the Cash per Share returned: a "
                                                                  "return of $0.00 changes no cost."));
    }
    if (kind == ActionKind::Merger)
        refuseCashAndShares(request.cashPerShare);
    if (namesNewTicker(kind)) {
        action.newName = checkedNewName(request.newName);
        if (kind == ActionKind::TickerChange && request.newTicker.isEmpty())
            action.newTicker = request.ticker;
        else
            action.newTicker = checkedNewTicker(request.newTicker);
        if (kind == ActionKind::SpinOff && sameTicker(action.newTicker, request.ticker))
            throw ActionRefusal(ActionField::NewTicker,
                                QStringLiteral("Please Enter the New Ticker of the company spun off: %1 is the "
                                               "ticker of the lots it comes from.")
                                    .arg(request.newTicker));
    }

    const std::vector<LotRow> reached = lotsReached(request, lots);
    switch (kind) {
    case ActionKind::Split:
    case ActionKind::Merger:
        planSplit(action, reached, request);
        break;
    case ActionKind::TickerChange:
        planTickerChange(action, reached, request);
        break;
    case ActionKind::CashMerger:
        planCashMerger(action, reached, request);
        break;
    case ActionKind::SpinOff:
        planSpinOff(action, reached);
        break;
    case ActionKind::ReturnOfCapital:
        planReturnOfCapital(action, reached);
        break;
    }
    return action;
}

} // namespace tesmo
