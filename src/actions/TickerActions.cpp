#include "actions/TickerActions.h"

#include "text/Error.h"

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
    return planAction(request, store_.rows(), today);
}

CorporateAction TickerActions::record(const CorporateAction &planned, const Progress &progress)
{
    return store_.RecordAction(planned, progress);
}

std::vector<CorporateAction> TickerActions::actionsOf(const QString &ticker)
{
    return store_.Actions(ticker);
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
