// Importing lots from a broker's CSV file into the ledger, below the window:
// the file read against the ledger's lots and sales, and the rows the user
// chose in the preview written after a copy of the ledger, in one
// transaction. The window asks for the file, shows the preview, and shows
// what the import did.
#pragma once

#include "import/LotImport.h"
#include "store/RecordStore.h"

#include <QIODevice>
#include <functional>
#include <optional>

namespace tesmo {

class LedgerImport {
public:
    // What a write did: the lots written, the new rows left out because
    // another program stored them meanwhile, the sales and the company's
    // actions recorded.
    struct Written {
        qsizetype lots = 0;
        qsizetype storedMeanwhile = 0;
        qsizetype sales = 0;
        qsizetype actions = 0;
    };

    // Readies an import into store's ledger: its pending changes are handled
    // first (RecordStore::readyToWrite, whose errors it raises).
    explicit LedgerImport(RecordStore &store);

    // Reads the file named name from device, against the lots and sales the
    // ledger holds now, reporting to progress. Raises Error: 3113 when the
    // file cannot be read, 3112 when the user cancelled, 3116 saying why
    // when the file gives no rows to import, and an error of the ledger
    // when its lots cannot be read.
    void read(QIODevice &device, const QString &name, Progress *progress = nullptr);

    // The rows read, for the preview to show and choose among.
    LotImport &rows() { return import_; }

    // Writes the rows chosen, after a copy of the ledger, in one transaction,
    // reporting to progress(done, total); false from it cancels. A copy that
    // cannot be made stops nothing. Raises Error as RecordStore::AddMany
    // does: nothing is then written.
    Written write(const std::function<bool(qint64 done, qint64 total)> &progress = {});

    // What the import did, and what it left out and why; or, when the write
    // failed with e, what the user reads of it. Either tells a copy of the
    // ledger that could not be made first.
    QString summary(const Written &written) const;
    QString failure(const Error &e) const;

private:
    QString copyNote() const;

    RecordStore &store_;
    LotImport import_;
    std::uint64_t version_ = 0;          // the ledger's, as its lots were read
    std::optional<Error> copyFailure_;   // why the copy before the write failed
};

} // namespace tesmo
