// Corporate actions as the ledger's file keeps them: the tables Actions and
// ActionLots and the view qryActions (store/ActionsSchema.cpp). An action of
// a company reaches every lot of its ticker bought on or before its day that
// still holds shares: a split, a ticker change, a merger for shares or for
// cash, a spin-off, a return of capital. It is recorded in one transaction
// with the change of its lots, keeping each lot as it was and as the action
// left it, and undone in one transaction while no later change touched
// those lots. The arithmetic (which lots, what they become) is worked out
// above the store (actions/); the store writes what it is given and checks
// that the lots are still as it was worked out on.
#pragma once

#include "store/Sales.h"
#include "text/Fields.h"
#include "text/Money.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tesmo {

using ActionId = qint64;

enum class ActionKind { Split, TickerChange, Merger, CashMerger, SpinOff, ReturnOfCapital };

// Whether an action of the kind takes a ratio of new shares for one old.
constexpr bool takesRatio(ActionKind kind)
{
    return kind == ActionKind::Split || kind == ActionKind::Merger || kind == ActionKind::SpinOff;
}

// Whether an action of the kind names a new ticker.
constexpr bool namesNewTicker(ActionKind kind)
{
    return kind == ActionKind::TickerChange || kind == ActionKind::Merger || kind == ActionKind::SpinOff;
}

// The kind as the file's column Kind and the lists name it: "Split",
// "Ticker change", "Merger", "Cash merger", "Spin-off", "Return of capital".
QString actionKindText(ActionKind kind);
std::optional<ActionKind> actionKindFrom(const QString &text);

// The values of a lot the actions read and write.
struct ActionLotValues {
    QString name;
    bool nameIsNull = false;
    QString ticker;
    double shares = 0;
    std::optional<Ticks> price;
    std::optional<Ticks> netAmount;
    QDate tradeDate;

    bool operator==(const ActionLotValues &) const = default;
};

// What an action does to one lot: changes it, or makes it (a spin-off's new
// lot, from the lot fromLot).
struct ActionLot {
    // The lot's ID. A lot the action makes has a placeholder below 0 until it
    // is recorded (-1, -2, ... in the order made; the action's sale names it
    // so too), then the ID the file gave it.
    LotId lot = 0;
    LotId fromLot = 0;                       // for a lot made; 0 for one changed
    std::optional<ActionLotValues> before;   // none for a lot made
    ActionLotValues after;
    Ticks gain = 0;   // a return of capital above the lot's cost: a gain on the day

    bool made() const { return fromLot != 0; }
    bool operator==(const ActionLot &) const = default;
};

struct CorporateAction {
    ActionId id = 0;   // 0 until recorded
    ActionKind kind = ActionKind::Split;
    QString ticker;    // of the lots it reached, as the user named it
    QDate day;
    double ratio = 0;  // new shares for one old (split, merger, spin-off); else 0
    QString ratioText; // as the user gave it: "4 for 1"
    QString newTicker; // ticker change, merger, spin-off
    QString newName;   // likewise; empty for none
    // Cash paid: in all for the fractions of a share (split, merger,
    // spin-off; none when not paid), or per share (cash merger, return of
    // capital).
    std::optional<Ticks> cash;
    std::optional<double> percent;   // spin-off: the part of the cost the new lots take
    std::vector<ActionLot> lots;     // in order of lot ID, the lots made last
    // The sale the action records (cash for fractions, a merger for cash),
    // planned on the lots as the action leaves them; a part of a lot made
    // names it by its placeholder. Empty for none.
    std::vector<SalePart> sale;
    SaleId saleNo = 0;        // once recorded, when it has a sale
    SaleId afterSale = 0;     // the largest sale ID before it was recorded

    bool operator==(const CorporateAction &) const = default;
};

// The action as a message names it: "the split of ACME on 6/3/2024".
QString actionTitle(ActionKind kind, const QString &ticker, QDate day);
// The same from the kind, ticker and day as the file holds them; the texts
// as they are when the kind or the day cannot be read.
QString actionTitle(const QString &kind, const QString &ticker, const QString &day);

// The title of the action whose sale is numbered saleNo; none when no
// action recorded that sale.
std::optional<QString> actionOfSale(Database &db, SaleId saleNo);

// Every action the file holds of ticker (compared as the file compares
// tickers, and the actions whose new ticker it is), each with its lots, in
// order of day, then ID; none when the file has no actions. Raises Error
// 3105 when the file's schema is no longer a ledger's or a row holds a value
// that is not of its kind.
std::vector<CorporateAction> readActionsOf(Database &db, const QString &ticker);
std::optional<CorporateAction> readAction(Database &db, ActionId id);
// Every ticker an action names, as its ticker or its new ticker, once
// (letter case aside), in ticker order; none when the file has no actions.
QStringList readActionTickers(Database &db);

// A change the ledger records on lots of a ticker: an action, or the sales
// of one day.
struct LedgerChange {
    QString title;         // "the split of ACME on 6/14/2024", "a sale of ACME on 8/1/2024"
    QStringList tickers;   // its ticker, and an action's new ticker
    QDate day;
    QDate from;            // the earliest trade date a day's sales took from; none for an action
};
// The actions and the days of sales the ledger at databaseName records, read
// without writing. Raises Error when the ledger cannot be read.
std::vector<LedgerChange> readLedgerChanges(const QString &databaseName);

// Within the caller's transaction, adds the tables of the actions (after the
// sales') to a ledger that has none.
void addActionsIfMissing(Database &db);

} // namespace tesmo
