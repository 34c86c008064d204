// What the copies of the ledger share, within the store: the copy of a
// database's pages a step at a time, the opening of a copy, and the errors
// of a copy as the user reads them.
#pragma once

#include "store/Database.h"
#include "text/Error.h"

#include <functional>
#include <memory>

struct sqlite3;

namespace tesmo::backup {

// Copies source into target, a step at a time, waiting for locks through
// wait; progress(done, total) reports the pages copied, and false from it is
// the user's Cancel. With locked, the target is first locked without a page
// written, and locked() then tells whether to go on. Returns true once whole,
// false when locked() found the target changed. Raises Error: 3114 when told
// to stop, 3112 when cancelled, 3005 when other programs held a lock longer
// than wait allows, an engine error otherwise. An unfinished copy leaves
// target as it was.
bool copyPages(sqlite3 *target, sqlite3 *source, LockWait &wait,
               const std::function<bool(qint64, qint64)> &progress = {}, const std::function<bool()> &locked = {});

// An error met while copying, as the user can act on it.
Error plainError(const Error &e, const LockWait &wait);

// Opens a copy read-only, without writing to it; raises Error about the copy:
// 3105 when it is not a Tesmo ledger, 3011 when it is damaged, else as
// Database does.
std::unique_ptr<Database> openCopy(const QString &path, LockWait *wait = nullptr);

} // namespace tesmo::backup
