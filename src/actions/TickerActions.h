// Corporate actions for a whole ticker: the command behind "Corporate
// Action...". It works an action out on the lots of the record set, records
// the one the user confirms, lists a ticker's actions and undoes one. Widget
// free: the dialog asks and shows, this plans, records and undoes.
#pragma once

#include "actions/ActionPlan.h"
#include "store/RecordStore.h"

#include <functional>
#include <vector>

namespace tesmo {

class TickerActions {
public:
    // Told of the lots written (done of total); returning false stops the
    // work with nothing of it written.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    // Readies the command: the pending changes are handled first, so that
    // an action is worked out on the lots as the file will hold them. Raises
    // Error as RecordStore::readyToWrite does.
    explicit TickerActions(RecordStore &store);

    // The ticker of the current lot; raises Error 3101 without one.
    QString currentTicker() const;

    // Works out the action the user asks for on the lots of the record set,
    // as of today. Raises ActionRefusal, naming the field, for what it
    // refuses (actions/ActionPlan.h), and naming the Day when a sale or
    // another action already recorded on a lot it reaches, or a sale of
    // shares of the ticker held on its day, is of a later day.
    // Writes nothing.
    CorporateAction plan(const ActionRequest &request, QDate today) const;

    // Records a planned action in one transaction. Returns the action as
    // recorded. Raises Error 3104 or 3107 when a lot changed since it was
    // planned, 3112 when progress stops it, and an engine error when the file
    // refuses it; nothing is then written.
    CorporateAction record(const CorporateAction &planned, const Progress &progress = {});
    // What a recorded action did, in a sentence (actions/ActionWords.h),
    // the gains of its sale as the figures for taxes count them.
    QString summary(const CorporateAction &recorded);

    // The actions of ticker (and those that made it its new ticker), in
    // order of day, then as recorded.
    std::vector<CorporateAction> actionsOf(const QString &ticker);
    // Every ticker with an action, its ticker or its new ticker, in ticker
    // order: a ticker whose lots an action took whole (a merger for cash)
    // is reached through it.
    QStringList actionTickers();
    // Whether the record set holds a lot of ticker (letter case aside).
    bool holdsLots(const QString &ticker) const;

    // Raises Error 3117, whose description names the later change that
    // touched the action's lots, when the action cannot be undone; changes
    // nothing either way.
    void checkUndo(const CorporateAction &action);
    // Undoes an action as actionsOf gave it, in one transaction. Raises Error 3117 as checkUndo does, 3112
    // when progress stops it; nothing is then changed.
    void undo(const CorporateAction &action, const Progress &progress = {});

private:
    void refuseBeforeLaterChanges(const CorporateAction &action) const;

    RecordStore &store_;
};

} // namespace tesmo
