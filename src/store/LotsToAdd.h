// The lots that RecordStore::AddMany writes in one transaction, handed over
// one at a time, in order, as values (some asked for again), and the sales
// and the company's actions it records with them, in order of date.
// They were chosen against the ledger as it was then; once the transaction
// holds the ledger, and before the first is written, they are shown every lot
// the ledger holds now if another program may have written to it since, so
// that they can leave out what it stored meanwhile.
#pragma once

#include "store/Actions.h"
#include "store/ImportRecords.h"
#include "store/Sales.h"
#include "text/LotRow.h"

#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace tesmo {

// Hands each lot of the ticker (by the ticker case fold) that the file holds
// at the moment of the call, within the write's transaction, to each, in
// order of ID; lots whose values are not of their kinds are left out.
using TickerLots = std::function<void(const QString &ticker, const std::function<void(const LotRow &)> &each)>;

class LotsToAdd {
public:
    virtual ~LotsToAdd() = default;

    virtual qsizetype count() const = 0;
    // The ledger's version (RecordStore::ledgerVersion) when the lots were
    // chosen against it.
    virtual std::uint64_t chosenAt() const = 0;
    // A lot the ledger holds now (its name left out); called for every one,
    // within the transaction, when the version is no longer chosenAt().
    virtual void stillStored(const LotRow &stored) = 0;
    // The values of lot i (from 0 to count() - 1), its name empty for none;
    // its texts stay valid until the next call. False: it is left out. A lot
    // may be asked for again, and then gives the same.
    virtual bool lot(qsizetype i, LotRow &row) = 0;
    // The parts of the sales to record, asked for once every lot is written,
    // against the lots of their tickers as the file holds them then; raises
    // Error, and nothing is written, when a sale can no longer be made. With
    // company actions, asked for again after each: first the sales dated on
    // or before the first action, then those up to the next, and so on.
    virtual std::vector<SalePart> sales(const TickerLots &lotsOf)
    {
        Q_UNUSED(lotsOf);
        return {};
    }
    // The next company action to record, asked for after each call of
    // sales(), worked out on the lots of its tickers as the file holds them
    // then (lotsOf gives them with their names); none once every one is
    // recorded. Raises Error, and nothing is written, when an action can no
    // longer be made as it was chosen.
    virtual std::optional<CorporateAction> nextAction(const TickerLots &lotsOf)
    {
        Q_UNUSED(lotsOf);
        return std::nullopt;
    }
    // The key of the row of a broker's file that lot i (as lot() gave it)
    // came from, kept with it, valid until the next call; empty for none.
    virtual std::string_view sourceOf(qsizetype i) const
    {
        Q_UNUSED(i);
        return {};
    }
    // The choices made for the layout of the file, kept with the lots; an
    // empty header for none.
    virtual KeptLayout layoutToKeep() const { return {}; }
};

} // namespace tesmo
