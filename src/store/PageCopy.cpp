#include "store/PageCopy.h"

#include "store/Sqlite.h"
#include "text/Error.h"

#include <sqlite3.h>

namespace tesmo::backup {

namespace {

// Pages copied by one step: a program writing to the ledger meanwhile waits
// only briefly, and a copy told to stop stops soon.
constexpr int kStepPages = 256;

// What the steps end with when locked() found the target changed.
constexpr int kTargetChanged = -1;

} // namespace

bool copyPages(sqlite3 *target, sqlite3 *source, LockWait &wait,
               const std::function<bool(qint64, qint64)> &progress, const std::function<bool()> &locked)
{
    sqlite3_backup *copy = sqlite3_backup_init(target, "main", source, "main");
    if (!copy)
        throw engineError(target, sqlite3_errcode(target));
    int rc = SQLITE_OK;
    bool begun = !locked;
    bool cancelled = false;
    do {
        if (wait.stopped()) {
            rc = SQLITE_INTERRUPT;
            break;
        }
        rc = sqlite3_backup_step(copy, begun ? kStepPages : 0);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            rc = wait.nap() ? SQLITE_OK : SQLITE_BUSY;
        } else if (rc == SQLITE_OK && !begun) {
            begun = true;
            rc = locked() ? SQLITE_OK : kTargetChanged;
        } else if (rc == SQLITE_OK && progress) {
            const int total = sqlite3_backup_pagecount(copy);
            cancelled = !progress(total - sqlite3_backup_remaining(copy), total);
            rc = cancelled ? SQLITE_INTERRUPT : SQLITE_OK;
        }
    } while (rc == SQLITE_OK);
    // Finishing reports the first error of the steps, or one of its own.
    const int finished = sqlite3_backup_finish(copy);
    if (rc == kTargetChanged)
        return false;
    if (rc == SQLITE_DONE && finished == SQLITE_OK)
        return true;
    if (cancelled)
        throw Error(kErrUserCancelled);
    if (wait.stopped())
        throw Error(kErrStopped, QStringLiteral("The copy was stopped."));
    if (rc == SQLITE_BUSY)
        throw Error(kErrEngineBusy, QStringLiteral("Another program held the ledger locked for more than five seconds."));
    throw engineError(target, rc == SQLITE_DONE ? finished : rc);
}

Error plainError(const Error &e, const LockWait &wait)
{
    if (wait.stopped())
        return Error(kErrStopped, QStringLiteral("The copy was stopped."));
    if (e.number() == kErrEngineBusy || e.number() == kErrEngineLocked)
        return Error(kErrEngineBusy,
                     QStringLiteral("Another program held the ledger locked for more than five seconds."));
    return e;
}

std::unique_ptr<Database> openCopy(const QString &path, LockWait *wait)
{
    try {
        return std::make_unique<Database>(path, Database::Mode::ReadOnly, wait);
    } catch (const Error &e) {
        if (e.number() == kErrNotALedger)
            throw Error(kErrNotALedger, QStringLiteral("The copy is not a Tesmo ledger."));
        if (e.number() == kErrEngineCorrupt || e.number() == kErrEngineBase + SQLITE_NOTADB)
            throw Error(kErrEngineCorrupt, QStringLiteral("The copy is damaged."));
        throw;
    }
}

} // namespace tesmo::backup
