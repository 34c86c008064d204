// The sales of a broker's file, matched first in, first out against the lots
// they take from: in the preview, against the ledger's lots and the file's
// own purchases, to tell which lots each sale takes and whether they cover
// it; in the write, against the lots as the file holds them within its
// transaction, to record them.
#pragma once

#include "import/ImportedActions.h"
#include "import/LotImport.h"
#include "sales/SalePlanner.h"
#include "text/LotTable.h"

#include <QHash>
#include <vector>

namespace tesmo {

// Why a sale of the file cannot be recorded, to follow "Sale: " ("only 3
// shares of ACME were held on 6/1/2024"); lineOf names the file's own lots
// by their lines.
QString whyNotCovered(const SaleRefusal &e, const QString &ticker, QDate sold, double shares,
                      const QHash<LotId, int> &lineOf = {});

// The sales among candidates (indices of the import's lots) in the order
// they are matched and recorded: by sale date, then row of the file.
std::vector<qsizetype> salesInOrder(const LotImport &import, const std::vector<qsizetype> &candidates);

// The recorded sales of the ledger at databaseName, for the check of a sale
// of a file already recorded. Raises Error when the ledger cannot be read.
StoredSales storedSales(const QString &databaseName);

// The preview's match of the file's sales against the lots of the ledger
// (rows, which stay as they are while the preview is open) and the file's
// purchases chosen for import, each sale after the earlier ticked ones have
// taken theirs; and of its company actions (matchActions), against the
// actions and sales the ledger records too.
SaleMatcher saleMatcher(const LotTable &rows, std::vector<RecordedChange> recorded = {});

} // namespace tesmo
