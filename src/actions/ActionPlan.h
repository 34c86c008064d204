// The arithmetic of a corporate action for a whole ticker: which lots it
// reaches and what each becomes, worked out as a pure function over the lots
// of the ledger. Nothing here reads or writes the ledger: the store records
// the CorporateAction given back (RecordStore::RecordAction).
//
// An action dated day reaches every lot of the ticker (compared as tickers
// are, letter case aside) bought on or before day that holds shares:
// - Split by a ratio of new to old shares: each lot's shares × ratio, its net
//   amount kept, its price ÷ ratio to the lot's four decimals, its trade date
//   kept. With cash paid for the fraction of a share the whole holding comes
//   to, that fraction is sold for the cash on the day, first in, first out.
// - Ticker change: the lots take the new ticker and name.
// - Merger for shares: a split by the ratio, and the new ticker and name.
//   For cash: every lot sold whole for the cash per share, one sale.
// - Spin-off: for each lot, a new lot of the new ticker with shares × ratio,
//   the same trade date and the percentage of the lot's cost given; the lot
//   keeps the rest, to the cent. Fractions as for a split.
// - Return of capital of cash per share: each lot's cost goes down by it;
//   what would take a cost below 0 is a gain of the lot on the day.
#pragma once

#include "store/Actions.h"
#include "text/Error.h"
#include "text/LotTable.h"

#include <QDate>
#include <QString>

namespace tesmo {

// The field of the action dialog that a refusal is about.
enum class ActionField { Kind, Day, Ratio, NewTicker, NewName, Cash, Percent };

// An action refused: number kErrOutOfRange, the message the user reads as
// the description (naming the field), and the field.
class ActionRefusal : public Error {
public:
    ActionRefusal(ActionField field, const QString &message);
    ActionField field() const { return field_; }

private:
    ActionField field_;
};

// What the user asked for, as typed.
struct ActionRequest {
    ActionKind kind = ActionKind::Split;
    QString ticker;
    QDate day;
    QString ratio;                  // "4 for 1", "1 for 10", "3 for 2"
    QString newTicker;
    QString newName;
    bool cashForFractions = false;  // split, merger, spin-off: the broker paid cash for a fraction
    QString cash;                   // dollars: in all for the fraction, or per share
    QString percent;                // spin-off: the part of the cost the new lots take
    // Merger: cash paid beside the new shares for each old share. A merger
    // for shares and cash is not recorded: any amount above 0 is refused.
    QString cashPerShare;
};

// Reads a ratio of new to old shares ("4 for 1", "1 for 10", "3 for 2");
// refuses one that is not two numbers above 0, naming the field.
double readActionRatio(const QString &text);

// Works out the action on lots (every lot of the ledger) as of today.
// Refuses (ActionRefusal) a ratio of 0, below 0 or unreadable, a percentage
// outside 0 to 100, a day before every lot of the ticker or after today, a
// new ticker the field rules refuse, cash below 0 or unreadable, and a ticker
// with no lot holding shares on the day.
CorporateAction planAction(const ActionRequest &request, const LotTable &lots, QDate today);

} // namespace tesmo
