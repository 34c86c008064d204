// The arithmetic of a sale of shares of one ticker: which lots it takes the
// shares from, what those shares cost, how the proceeds are shared among the
// lots, and what each lot keeps. Pure functions over values: nothing here
// reads or writes the ledger.
#pragma once

#include "sales/HoldingTerm.h"
#include "sales/SaleMethod.h"
#include "store/Sales.h"
#include "text/Error.h"
#include "text/LotRow.h"

#include <QDate>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace tesmo {

// The field of the sale that a refusal is about, so that the caller can take
// the user there.
enum class SaleField {
    SaleDate,
    Shares,
    Proceeds,
    LotShares,   // the shares typed for one chosen lot
    LotCost,     // a lot whose cost is not known: its net amount or price must be entered
};

// A sale refused: number kErrOutOfRange, the message the user reads as the
// description, the field it is about and, for a refusal about one lot, its ID.
class SaleRefusal : public Error {
public:
    SaleRefusal(SaleField field, const QString &message, std::optional<LotId> lot = {});

    SaleField field() const { return field_; }
    std::optional<LotId> lot() const { return lot_; }
    // For a sale of more shares than the lots bought by its date hold: the
    // shares they hold.
    std::optional<double> held() const { return held_; }
    SaleRefusal &withHeld(double held)
    {
        held_ = held;
        return *this;
    }

private:
    SaleField field_;
    std::optional<LotId> lot_;
    std::optional<double> held_;
};

// What a sale sees of a lot of the ledger: its values of their kinds. A
// lot whose shares or trade date an older tool stored as text has nothing
// to sell; an amount stored so is no amount.
double sharesOf(const LotRow &lot);
QDate acquiredOf(const LotRow &lot);
std::optional<Ticks> priceOf(const LotRow &lot);
std::optional<Ticks> netAmountOf(const LotRow &lot);

// True when two numbers of shares are the same count to the decimals the
// ledger keeps (text/Limits.h), or, for counts too large for those, differ by
// at most a trillionth of the count. Shares are doubles, so counts that a sum
// or a difference made may be off in the last digits, and a lot an earlier
// version kept may hold such a remnant.
bool sameShares(double a, double b);

// Refuses a sale date that is not a date of the ledger's years, and shares
// that are not a number above 0 within the ledger's range, as planSale does
// first.
void checkSale(QDate sold, double shares);

// The shares the user typed for each chosen lot, by lot ID.
using ChosenShares = std::map<LotId, double>;

// Plans the sale of shares of ticker from lots (every lot of that ticker, as
// the ledger holds them) on the date sold, for the proceeds the user received after fees. Returns
// one part per lot the sale takes from, in the order the method takes them;
// for Chosen, chosen gives the shares from each lot (a lot absent or at 0 is
// not sold from), the parts are in first-in order, and the chosen shares
// must add up to shares. chosen is ignored by the other methods.
//
// The methods take only from lots that hold shares and were bought on or
// before the sale date. First in orders them by trade date, then ID; last in
// the reverse; highest and lowest cost by cost per share (net amount ÷
// shares, else price), then first in, with the lots whose cost is not known
// last. A method takes each lot whole until what is left to sell is less
// than the next lot holds.
//
// Every amount of a part is in whole cents. The cost of the shares taken
// from a lot with a net amount is its net amount × shares taken ÷ shares
// held, rounded half away from zero to the cent, and the lot keeps the
// difference to the tick; a lot sold whole costs its net amount cut to the
// cent (no sale costs more than the lot's net amount). A lot without a net
// amount keeps none: the shares taken cost what the lot's cost, price ×
// shares to the cent, drops by. Either way the costs of a lot's sales and
// the cost of what it keeps add up to its cost as lotCost counts it. The
// proceeds, rounded to the cent, are shared among the parts by shares: each
// part gets its exact share rounded down to the cent, and the cents left go
// one each to the parts with the largest remainders, the older lot first
// among equal ones; no part is a cent or more from its exact share, and the
// parts add up to the proceeds.
//
// Every number of shares a part takes or leaves is rounded to the decimals
// the ledger keeps; a lot whose rest would round to nothing is sold whole.
//
// Throws SaleRefusal when the sale date is not a date; when shares is not a
// number above 0 within the ledger's range, or has more decimals than the
// ledger keeps; when a part's cost or its part of the proceeds rounds to
// $0.00 though its shares and the lot's cost or the proceeds are more than
// nothing; when proceeds lie outside the
// ledger's money limits; when the lots bought by the sale date hold fewer
// shares (with held()); when a lot the sale would take from has neither a
// net amount nor a price; for Chosen, when a lot's shares are negative, more
// than it holds or of more decimals than the ledger keeps, when a lot with
// shares chosen was bought after the sale date, or when the chosen shares do
// not add up to shares. Throws Error kErrInternal when lots hold a lot of
// another ticker, or chosen a lot that lots do not hold.
std::vector<SalePart> planSale(const QString &ticker, const std::vector<LotRow> &lots, QDate sold, double shares,
                               Ticks proceeds, SaleMethod method, const ChosenShares &chosen = {});

} // namespace tesmo
