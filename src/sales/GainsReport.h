// What the Holdings and Gains window shows and does, below the window: the
// holdings of the ledger's lots with the cost wash sales added to them, its
// sales by year, one line a sale that opens into its rows for taxes, the undo
// of a whole sale and the files of a year's gains. The figures for taxes are
// read a year at a time from those the file keeps up to date with every
// change (store/GainsTable.h); when it cannot (a ledger another program
// changed that cannot be written), they are worked out from every lot and
// sale.
#pragma once

#include "sales/Form8949.h"
#include "sales/Holdings.h"
#include "sales/LedgerGains.h"
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
    // The years with sales or gains of returns of capital, the latest first.
    const std::vector<int> &years() const { return years_; }
    // The sales of a year, or every sale without one, in the order of sale;
    // the gains of returns of capital among them, one line an action, whose
    // sale number is below 0 (store/CapitalReturns.h).
    // Raises Error when they cannot be read.
    std::vector<SaleLine> salesIn(std::optional<int> year);
    // The rows for taxes that the lines' rows index, of the lines last given.
    const std::vector<TaxRow> &rows() const { return rows_; }
    // The sale row (part) a row for taxes is of.
    const SalePart &partOf(const TaxRow &row) const { return sales_[row.part]; }

    // Raises, changing nothing, the Error with the reason a sale cannot be
    // undone (RecordStore::readyToWrite, RecordStore::CheckUndoSale); the
    // gain of a return of capital is undone with its action, never here.
    void checkUndo(const SaleLine &sale);
    // Undoes a whole sale, its pending changes handled first, then reads the
    // report again. Raises Error with the reason when it was not undone; the
    // report is then as it was.
    void undo(const SaleLine &sale);

    // Writes the sales of a year (every sale without one) to the file at
    // path, as saveGainsCsv does, and returns the number of lines written
    // for them. Raises Error 3116 when there are none, else as saveGainsCsv.
    qsizetype save(std::optional<int> year, const QString &path);
    // The same for the rows of Form 8949, as a CSV file or a TXF file, as
    // saveForm8949 does.
    qsizetype saveForm8949(std::optional<int> year, Form8949Box box, bool txf, const QString &path);

private:
    void read();
    std::vector<HeldAdjustment> load(std::optional<int> year);
    std::vector<SalePart> partsOf(const SaleLine &sale) const;

    RecordStore &store_;
    QDate today_;
    Holdings holdings_;
    std::vector<int> years_;
    // The sales of the year loaded (every sale when worked out) and their rows.
    std::vector<SalePart> sales_;
    std::vector<TaxRow> rows_;
    std::optional<std::optional<int>> loaded_;   // the year, or all years
    bool workedOut_ = false;                     // every sale, by the wash sales of every lot
};

// The question before a sale is undone: "Undo the sale of 150 shares of ACME
// on 6/1/2024 from 2 lots?"
QString undoQuestion(const SaleLine &sale);

} // namespace tesmo
