// "Restore from Backup...", below the window: the copies of the ledger that
// can be restored, and the restore of one, after the ledger as it is was kept
// as a "before restore" copy. The window asks which copy and shows what
// happened; it stops its own work on the ledger (the daily copy) first.
#pragma once

#include "store/Backup.h"
#include "store/RecordStore.h"

#include <optional>
#include <vector>

namespace tesmo {

class LedgerRestore {
public:
    // A copy in the folder, with the lots it holds, or why it does not open
    // as a ledger.
    struct Listed {
        backup::Copy copy;
        std::optional<qint64> lots;
        QString unreadable;   // a sentence; empty when it opens
    };

    // Readies a restore into store's ledger: pending changes are handled
    // first (RecordStore::readyToWrite, whose errors it raises), then the
    // copies are read. Raises 3116 when there is no copy.
    explicit LedgerRestore(RecordStore &store);

    // Newest first.
    const std::vector<Listed> &copies() const { return copies_; }

    // Restores copies()[chosen] as backup::restoreCopy does, once the store
    // is closed (to be opened again, whatever came of it), reporting to
    // progress. Returns the name of the "before restore" copy. Raises Error,
    // the ledger as it was: with the reason why the ledger could not be kept
    // first, or as backup::restore does.
    QString restore(std::size_t chosen, const std::function<bool(qint64 done, qint64 total)> &progress = {});

private:
    RecordStore &store_;
    QString ledger_;
    std::vector<Listed> copies_;
};

// When a copy was made, as the user reads it: "5/1/2024 2:30:05 PM", and
// "(2)" after the second copy of that second.
QString madeText(const backup::Copy &copy);

} // namespace tesmo
