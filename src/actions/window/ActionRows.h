// What the Corporate Action dialog shows of the actions: the rows of the
// list of a ticker's actions and of the lots of one, and the action in a
// phrase for its questions.
#pragma once

#include "store/Actions.h"

#include <QString>
#include <QStringList>

namespace tesmo {

enum ActionColumn { kActionDay, kActionKind, kActionFigures, kActionLots };
enum ActionLotColumn {
    kLotId, kLotTicker, kLotBought, kLotSharesBefore, kLotShares, kLotCostBefore, kLotCost, kLotGain
};

QStringList actionHeadings();
QStringList actionLotHeadings();
// The text of a cell of an action's row: its day, kind, figures ("4 for 1,
// cash for the fraction $7.50") and the count of lots it reached.
QString actionCell(const CorporateAction &action, int column);
// The text of a cell of a lot's row: a lot made names the lot it came from.
QString actionLotCell(const ActionLot &lot, int column);
// The lots the action reached, those it made aside.
qint64 lotsReached(const CorporateAction &action);
// "the split 4 for 1 of ACME on 6/3/2024".
QString actionPhrase(const CorporateAction &action);

} // namespace tesmo
