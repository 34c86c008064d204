#include "actions/TickerActions.h"

#include "actions/ActionWords.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Regional.h"

#include <unordered_set>

namespace tesmo {

TickerActions::TickerActions(RecordStore &store)
    : store_(store)
{
    store_.readyToWrite();
}

QString TickerActions::currentTicker() const
{
    const int at = store_.AbsolutePosition();
    if (at < 0)
        throw Error(kErrNoCurrentLot);
    return QString::fromUtf8(store_.rows().lot(std::size_t(at)).ticker);
}

CorporateAction TickerActions::plan(const ActionRequest &request, QDate today) const
{
    CorporateAction action = planAction(request, store_.rows(), today);
    refuseBeforeLaterChanges(action);
    return action;
}

// An action works on the lots as they are now. One dated before a change
// already recorded on them (a sale, another action) would be worked out on
// what that change left, which the lots did not hold on its day: it is
// refused, and the change named, rather than guessed into its place.
void TickerActions::refuseBeforeLaterChanges(const CorporateAction &action) const
{
    std::unordered_set<LotId> reached;
    for (const ActionLot &lot : action.lots)
        reached.insert(lot.lot);
    const auto refuse = [&](QDate day, const QString &what) {
        throw ActionRefusal(ActionField::Day, QStringLiteral("Please Enter a Date on or after %1: %2 already, and "
                                                             "this action would come before it. Undo it first to "
                                                             "record this action.")
                                                  .arg(regional::shortDate(day), what));
    };
    for (const CorporateAction &later : store_.Actions(action.ticker)) {
        if (later.day <= action.day)
            continue;
        for (const ActionLot &lot : later.lots)
            if (reached.count(lot.lot))
                refuse(later.day, QStringLiteral("the action %1 reached lot %2").arg(actionTitle(later)).arg(lot.lot));
    }
    // A sale after the day of shares held on it, even of a lot it sold
    // whole, changed what the ticker held on the day.
    for (const SalePart &part : store_.Sales())
        if (part.sold > action.day
            && (reached.count(part.lot) || (part.acquired <= action.day && sameTicker(part.ticker, action.ticker))))
            refuse(part.sold, QStringLiteral("a sale on %1 took shares from lot %2")
                                  .arg(regional::shortDate(part.sold))
                                  .arg(part.lot));
}

CorporateAction TickerActions::record(const CorporateAction &planned, const Progress &progress)
{
    return store_.RecordAction(planned, progress);
}

QString TickerActions::summary(const CorporateAction &recorded)
{
    if (recorded.sale.empty())
        return actionSummary(recorded);
    std::vector<SaleId> parts;
    for (const SalePart &part : recorded.sale)
        parts.push_back(part.id);
    if (const std::optional<std::vector<GainRow>> kept = store_.GainRowsKept(parts))
        return actionSummary(recorded, &*kept);
    // The file was too busy to work the figures out.
    return actionSummary(recorded) + QStringLiteral(" Its gains are as sold: a wash-sale adjustment of them shows "
                                                    "in Holdings and Gains.");
}

std::vector<CorporateAction> TickerActions::actionsOf(const QString &ticker)
{
    return store_.Actions(ticker);
}

QStringList TickerActions::actionTickers()
{
    return store_.ActionTickers();
}

bool TickerActions::holdsLots(const QString &ticker) const
{
    const LotTable &rows = store_.rows();
    const TickerMatcher ofTicker(ticker);
    for (std::size_t row = 0; row < rows.size(); ++row)
        if (ofTicker(rows.lot(row).ticker))
            return true;
    return false;
}

void TickerActions::checkUndo(const CorporateAction &action)
{
    store_.CheckUndoAction(action);
}

void TickerActions::undo(const CorporateAction &action, const Progress &progress)
{
    store_.UndoAction(action, progress);
}

} // namespace tesmo
