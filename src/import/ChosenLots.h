// The import against the ledger: the keys of the lots the ledger holds, which
// the rows of a file are checked against, and the rows chosen in the preview
// as the record store writes them, checked again, within the write's
// transaction, against what another program stored meanwhile.
#pragma once

#include "import/LotImport.h"
#include "store/LotsToAdd.h"

#include <QHash>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tesmo {

// The key of a lot as the ledger holds it.
LotKey keyOf(const LotRow &lot);

// The keys of every lot of the ledger at databaseName, which holds about lots
// lots, and of the rows of files its lots came from. Raises Error when the
// ledger cannot be read.
StoredKeys storedKeys(const QString &databaseName, int lots);

// The choices the ledger at databaseName keeps for layouts of files. Raises
// Error when the ledger cannot be read.
RememberedLayouts rememberedLayouts(const QString &databaseName);

// The chosen rows of an import (its new rows and the ones ticked), in file
// order, and its ticked sales. A new row is left out when the ledger holds
// its lot by the time it is written, as another copy of Tesmo that imported
// the same file meanwhile leaves it; a ticked row is written all the same.
// The sales are planned again, first in, first out, in order of sale date,
// then row, against the lots as the file holds them once the rows are
// written; one that they no longer cover (another program sold from them
// meanwhile) refuses the whole import with Error 3107, naming its line.
// The ticked company actions are worked out and recorded in order of day
// with the sales: each after the sales dated on or before it, on the lots
// as the file holds them then; one that no longer proposes what the preview
// showed refuses the import with Error 3107, and one the action's rules
// refuse, with their error, each naming its line.
class ChosenLots : public LotsToAdd {
public:
    // The rows of import, checked against the ledger at its version.
    ChosenLots(const LotImport &import, std::uint64_t version);

    qsizetype count() const override { return qsizetype(rows_.size()); }
    std::uint64_t chosenAt() const override { return version_; }
    void stillStored(const LotRow &stored) override;
    bool lot(qsizetype i, LotRow &row) override;
    std::vector<SalePart> sales(const TickerLots &lotsOf) override;
    std::optional<CorporateAction> nextAction(const TickerLots &lotsOf) override;
    std::string_view sourceOf(qsizetype i) const override;
    KeptLayout layoutToKeep() const override;

    // The ticked sales, recorded by the write.
    qsizetype saleCount() const { return qsizetype(sales_.size()); }
    // The ticked company actions.
    qsizetype actionCount() const { return qsizetype(actions_.size()); }

    // The new rows left out: another program stored their lots meanwhile.
    qsizetype storedMeanwhile() const { return storedMeanwhile_; }

private:
    const LotImport &import_;
    const RowReader reader_;
    std::vector<qsizetype> rows_;   // the chosen candidates of the import that are lots
    std::vector<qsizetype> sales_;  // the ticked sales, in the order they are recorded
    std::vector<qsizetype> actions_;   // the ticked company actions, in order of day, then row
    std::size_t nextSale_ = 0, nextAction_ = 0;   // the first of each not yet handed over
    std::uint64_t version_;
    QHash<LotKey, std::size_t> newRows_;   // by their keys, the places in rows_ of the new ones
    bool indexed_ = false;                 // newRows_ is made
    std::vector<bool> leftOut_;
    qsizetype storedMeanwhile_ = 0;
    std::pair<std::string, std::string> held_;   // the texts of the lot given last, where the file's are not
};

} // namespace tesmo
