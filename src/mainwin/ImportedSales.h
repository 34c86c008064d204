// The sales of a broker's file, matched first in, first out against the lots
// they take from: in the preview, against the ledger's lots and the file's
// own purchases, to tell which lots each sale takes and whether they cover
// it; in the write, against the lots as the file holds them within its
// transaction, to record them.
#pragma once

#include "import/LotImport.h"
#include "sales/SalePlan.h"
#include "store/Sales.h"
#include "text/LotTable.h"

#include <QHash>
#include <vector>

namespace tesmo {

// The lots of the sales' tickers, as the sales planned so far leave them.
// Tickers are told apart by their keys (LotKey::ticker).
class SaleBook {
public:
    bool knows(quint64 ticker) const { return lots_.contains(ticker); }
    // The ticker's lots are known from now on, even with none.
    void know(quint64 ticker) { lots_[ticker]; }
    void add(quint64 ticker, const SaleLot &lot) { lots_[ticker].push_back(lot); }
    // The parts of a sale, first in, first out, from the lots held now.
    // Raises SaleRefusal when they do not cover it, in words that follow
    // "Sale: " ("only 3 shares of ACME were held on 6/1/2024"), or, for a
    // lot whose cost is not known, in the sale dialog's words.
    std::vector<SalePart> plan(quint64 ticker, const QString &tickerText, QDate sold, double shares,
                               Ticks proceeds) const;
    // The lots keep what the parts leave them.
    void take(quint64 ticker, const std::vector<SalePart> &parts);

private:
    QHash<quint64, std::vector<SaleLot>> lots_;
};

// A lot of the ledger as a sale takes from it; none when its shares or
// trade date are not of their kinds. An amount that is not is no amount.
std::optional<SaleLot> saleLotOf(const LotRow &lot);

// The part of a sale as the record store records it.
SaleToRecord recordOf(const SalePart &part);

// The sales among candidates (indices of the import's lots) in the order
// they are matched and recorded: by sale date, then row of the file.
std::vector<qsizetype> salesInOrder(const LotImport &import, const std::vector<qsizetype> &candidates);

// The recorded sales of the ledger at databaseName, for the check of a sale
// of a file already recorded. Raises Error when the ledger cannot be read.
StoredSales storedSales(const QString &databaseName);

// The preview's match of the file's sales against the lots of the ledger
// (rows, which stay as they are while the preview is open) and the file's
// purchases chosen for import, each sale after the earlier ticked ones have
// taken theirs.
SaleMatcher saleMatcher(const LotTable &rows);

} // namespace tesmo
