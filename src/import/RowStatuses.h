// What each data row of a broker's file is, among the file's other rows, the
// lots the ledger holds and the rows its lots came from: a purchase only when
// its words, the sign of its shares and the sign of its money all say so
// (else it is held, saying what it looks like), a sale, something else, or a
// row that waits for a reading not settled.
#pragma once

#include "import/LotImport.h"

namespace tesmo {

struct RowsOfFile {
    const CsvTable &table;
    const FileLayout &layout;
    const ImportChoices &choices;
    const std::vector<int> &badLines;    // lines holding bytes that are not UTF-8
    const std::vector<int> &wideLines;   // lines holding bytes beyond ASCII, while the encoding is open
    bool encodingOpen;
    const StoredKeys &stored;
    const StoredSales &storedSales;
};

// The candidates of the rows after the layout's header, each with its
// status: a row is read alone first, then takes its status among the file's
// other rows, the stored lots and the recorded sales. Raises 3112 when the
// progress cancelled.
std::vector<CandidateLot> candidates(const RowsOfFile &file, Progress *progress);

} // namespace tesmo
