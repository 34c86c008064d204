// The command behind the Corporate Action dialog, as the dialog sees it: the
// few things it asks of the ledger for one ticker. The dialog asks and shows;
// what an action does to the lots, and how it is recorded and undone, is
// worked out below it.
#pragma once

#include "actions/ActionPlan.h"
#include "store/Actions.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tesmo {

class RecordStore;

class ActionCommand {
public:
    // Hears of the lots done of total; false stops the work, nothing of it
    // written (Error 3112).
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    virtual ~ActionCommand() = default;

    // The ticker whose actions these are.
    virtual QString ticker() const = 0;
    // The action the request asks for, on the lots as they are, as of today.
    // Raises ActionRefusal naming the field, or Error.
    virtual CorporateAction plan(const ActionRequest &request, QDate today) const = 0;
    // Records a planned action; returns it as recorded. Raises Error.
    virtual CorporateAction record(const CorporateAction &planned, const Progress &progress) = 0;
    // The ticker's actions, in order of day.
    virtual std::vector<CorporateAction> actions() = 0;
    // Raises the Error (3117 with its reason) that undo would, changing nothing.
    virtual void checkUndo(const CorporateAction &action) = 0;
    virtual void undo(const CorporateAction &action, const Progress &progress) = 0;

    // The action in a phrase: "the split 4 for 1 of ACME on 6/3/2024".
    virtual QString phrase(const CorporateAction &action) const = 0;
    // What a recorded action did, in a sentence or two.
    virtual QString doneText(const CorporateAction &recorded) const = 0;
};

// The command over the record store: the current lot's ticker, readied for
// a write (pending changes handled first). Raises Error as
// RecordStore::readyToWrite does, and 3101 without a current lot.
std::unique_ptr<ActionCommand> makeActionCommand(RecordStore &store);

} // namespace tesmo
