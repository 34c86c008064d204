// What the Holdings and Gains window shows and does, below the window: the
// holdings of the ledger's lots, its sales by year with their gains, the
// undo of a sale and the file of a year's gains for taxes. Worked out from
// the ledger whenever it is read, never kept beside it.
#pragma once

#include "sales/Holdings.h"
#include "sales/RealizedGains.h"
#include "store/RecordStore.h"

#include <optional>
#include <vector>

namespace tesmo {

class GainsReport {
public:
    // The report of store's ledger as of today (shares held longer than a
    // year from it count as held long). Raises Error when the sales cannot
    // be read.
    GainsReport(RecordStore &store, QDate today);

    const Holdings &holdings() const { return holdings_; }
    // The years with sales, the latest first.
    const std::vector<int> &years() const { return years_; }
    // The sales of a year, or every sale without one, in the order of sale.
    std::vector<const SalePart *> salesIn(std::optional<int> year) const;

    // Undoes a sale, its pending changes handled first, then reads the
    // report again. Raises Error with the reason when it was not undone
    // (RecordStore::readyToWrite, RecordStore::UndoSale); the report is then
    // as it was.
    void undo(const SalePart &sale);

    // Writes the sales of a year (every sale without one) to the file at
    // path, as saveGainsCsv does. Raises Error 3116 when there are none,
    // else as saveGainsCsv.
    void save(std::optional<int> year, const QString &path) const;

private:
    void read();

    RecordStore &store_;
    QDate today_;
    Holdings holdings_;
    std::vector<SalePart> sales_;
    std::vector<int> years_;
};

} // namespace tesmo
