#include "store/Backup.h"

#include "store/Database.h"
#include "store/PageCopy.h"
#include "store/Sqlite.h"
#include "text/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesmo::backup {

namespace {

// A file of the process's own beside the ledger, with its journal and log,
// removed with this object; at the next start when a crash left it.
class PrivateFile {
public:
    explicit PrivateFile(const QString &ledgerPath)
        : path_(ledgerPath + QStringLiteral(".new-%1-restore").arg(qint64(::getpid())))
    {
        clear();
    }
    ~PrivateFile() { clear(); }
    PrivateFile(const PrivateFile &) = delete;
    PrivateFile &operator=(const PrivateFile &) = delete;
    const QString &path() const { return path_; }

private:
    void clear()
    {
        for (const char *suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(path_ + QLatin1String(suffix));   // one that stays goes with the next restore
    }
    QString path_;
};

// A connection that is closed with this object.
struct Connection {
    sqlite3 *db = nullptr;
    ~Connection() { sqlite3_close(db); }   // its statements are finalized by then, so it closes
};

bool sameFile(const QString &a, const QString &b)
{
    struct stat x {}, y {};
    return ::stat(QFile::encodeName(a).constData(), &x) == 0 && ::stat(QFile::encodeName(b).constData(), &y) == 0
           && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// Raises the counters of the IDs that target has given, table by table, to
// those of source where they are higher.
void keepCounters(sqlite3 *target, sqlite3 *source)
{
    Statement given(source, "SELECT name, max(seq) FROM sqlite_sequence GROUP BY name");
    while (given.step()) {
        Statement raise(target, "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1");
        raise.bind(1, given.text(0)).bind(2, given.int64(1)).step();
        if (sqlite3_changes(target) == 0) {
            Statement add(target, "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)");
            add.bind(1, given.text(0)).bind(2, given.int64(1)).step();
        }
    }
}

// A number that changes whenever the file of db's main database changes,
// by whatever connection.
unsigned dataVersion(sqlite3 *db)
{
    unsigned version = 0;
    const int rc = sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    if (rc != SQLITE_OK)
        throw engineError(db, rc);
    return version;
}

// Checks the copy at db whole; the check tells no progress of its own:
// meanwhile progress() is told at, which keeps a Cancel working.
bool checkedWhole(sqlite3 *db, const std::function<bool()> &progress)
{
    struct Check {
        const std::function<bool()> &progress;
        bool cancelled = false;
    } state{progress};
    sqlite3_progress_handler(db, 100000, [](void *p) {
        auto *check = static_cast<Check *>(p);
        check->cancelled = check->cancelled || !check->progress();
        return int(check->cancelled);
    }, &state);
    bool whole = false;
    try {
        // Damage, not values stored past the checks, as when the ledger opens.
        if (const int rc = sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON", nullptr, nullptr, nullptr))
            throw engineError(db, rc);
        Statement check(db, "PRAGMA integrity_check(1)");
        whole = check.step() && check.text(0) == QLatin1String("ok");
    } catch (const Error &e) {
        if (state.cancelled)
            throw Error(kErrUserCancelled);
        if (e.number() != kErrEngineBase + SQLITE_CORRUPT && e.number() != kErrEngineBase + SQLITE_NOTADB)
            throw;
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    return whole;
}

} // namespace

void restore(const QString &ledgerPath, const QString &copyPath,
             const std::function<bool(qint64 done, qint64 total)> &progress, const std::function<void()> &keep)
{
    LockWait wait;
    try {
        if (sameFile(ledgerPath, copyPath))
            throw Error(kErrCannotRead, QStringLiteral("The copy is the ledger file itself under another name (a "
                                                       "link to it), so it holds nothing to restore."));
        // The pages are copied twice, the check between: each copy is told
        // as half of the work.
        qint64 pages = 1;
        const auto half = [&](bool second) {
            return [&progress, &pages, second](qint64 done, qint64 total) {
                pages = total;
                return !progress || progress(done + (second ? total : 0), 2 * total);
            };
        };
        const PrivateFile prepared(QFileInfo(ledgerPath).absoluteFilePath());
        Connection own;
        int rc = sqlite3_open_v2(QFile::encodeName(prepared.path()).constData(), &own.db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw engineError(own.db, rc);
        defend(own.db);
        copyPages(own.db, openCopy(copyPath, &wait)->handle(), wait, half(false));
        // The journal mode the program uses, whatever the copy's was.
        rc = sqlite3_exec(own.db, "PRAGMA synchronous = OFF; PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw engineError(own.db, rc);
        if (!checkedWhole(own.db, [&] { return !progress || progress(pages, 2 * pages); }))
            throw Error(kErrEngineCorrupt, QStringLiteral("The copy is damaged."));
        if (keep)
            keep();

        Database ledger(ledgerPath, Database::Mode::ReadWrite, &wait);
        if (ledger.readOnly())
            throw Error(kErrReadOnly);
        // A ledger in write-ahead mode goes back to the rollback journal when
        // no other connection has it open; else it stays as it is.
        sqlite3_exec(ledger.handle(), "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);   // either is whole
        // The counters the ledger has reached go into the copy; should another
        // connection write to the ledger before the copy holds it locked, they
        // are read again.
        for (int tries = 0;; ++tries) {
            if (tries == 100)
                throw Error(kErrEngineBusy);
            keepCounters(own.db, ledger.handle());
            const unsigned read = dataVersion(ledger.handle());
            if (copyPages(ledger.handle(), own.db, wait, half(true),
                          [&] { return dataVersion(ledger.handle()) == read; }))
                break;
        }
    } catch (const NotKept &) {
        throw;
    } catch (const Error &e) {
        throw plainError(e, wait);
    }
}

QString restoreCopy(const QString &ledgerPath, const QString &copyName, const QDateTime &now,
                    const std::function<bool(qint64 done, qint64 total)> &progress)
{
    const QString folder = folderOf(ledgerPath);
    QString kept;
    try {
        restore(ledgerPath, QDir(folder).filePath(copyName), progress, [&] {
            try {
                kept = keepCopy(copyLedger(ledgerPath), Kind::BeforeRestore, now, {}, false);
            } catch (const Error &e) {
                throw NotKept(e.number(), e.description());
            }
        });
    } catch (...) {
        if (!kept.isEmpty())
            QFile::remove(kept);   // one that stays is pruned with the next copies of its kind
        throw;
    }
    prune(folder, Kind::BeforeRestore, now, copyName);
    return kept;
}

} // namespace tesmo::backup
