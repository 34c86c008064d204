#include "store/Backup.h"

#include "store/Database.h"
#include "text/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace tesmo::backup {

namespace {

const char *const kStampFormat = "yyyy-MM-dd HH.mm.ss";
const char *const kTempPrefix = ".Tesmo copy ";

// Pages copied by one step: a program writing to the ledger meanwhile waits
// only briefly, and a copy told to stop stops soon.
constexpr int kStepPages = 256;

constexpr Kind kKinds[] = {Kind::Daily, Kind::BeforeImport, Kind::BeforeRestore};

// The copy that name stands for, when it is one of the names fileName gives.
std::optional<Copy> copyNamed(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^Tesmo (\\d{4}-\\d{2}-\\d{2} \\d{2}\\.\\d{2}\\.\\d{2}) ([a-z ]+?)(?: \\((\\d+)\\))?\\.mdb$"));
    const auto m = pattern.match(name);
    if (!m.hasMatch())
        return {};
    const QDateTime made = QDateTime::fromString(m.captured(1), QString::fromLatin1(kStampFormat));
    const int number = m.hasCaptured(3) ? m.captured(3).toInt() : 1;
    for (const Kind kind : kKinds) {
        // Made again from its parts, the name must come out the same: no
        // "(1)", no "(02)", no time that the clock never shows.
        if (made.isValid() && m.captured(2) == kindName(kind) && fileName(kind, made, number) == name)
            return Copy{name, kind, made, number};
    }
    return {};
}

// What copyPages returns when locked() found the target changed.
constexpr int kTargetChanged = -1;

// Copies source into target, a step at a time, waiting for locks through
// wait. Returns SQLITE_DONE once whole; SQLITE_BUSY when other programs held
// a lock longer than wait allows; SQLITE_INTERRUPT when told to stop or
// cancelled by progress; another result code on failure. An unfinished copy
// leaves target as it was. With locked, the target is first locked without
// a page written, and locked() then tells whether to go on: false gives
// kTargetChanged.
int copyPages(sqlite3 *target, sqlite3 *source, LockWait &wait,
              const std::function<bool(qint64, qint64)> &progress = {}, const std::function<bool()> &locked = {})
{
    sqlite3_backup *copy = sqlite3_backup_init(target, "main", source, "main");
    if (!copy)
        return sqlite3_errcode(target);
    int rc = SQLITE_OK;
    bool begun = !locked;
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
            if (!progress(total - sqlite3_backup_remaining(copy), total))
                rc = SQLITE_INTERRUPT;
        }
    } while (rc == SQLITE_OK);
    const int finished = sqlite3_backup_finish(copy);
    return rc == SQLITE_DONE && finished != SQLITE_OK ? finished : rc;
}

// An error met while copying, as the user can act on it.
Error plainError(const Error &e, const LockWait &wait)
{
    if (wait.stopped())
        return Error(kErrStopped, QStringLiteral("The copy was stopped."));
    if (e.number() == kErrEngineBusy || e.number() == kErrEngineLocked)
        return Error(kErrEngineBusy,
                     QStringLiteral("Another program held the ledger locked for more than five seconds."));
    return e;
}

Error resultError(int rc)
{
    return Error(kErrEngineBase + (rc & 0xff), QString::fromUtf8(sqlite3_errstr(rc)));
}

[[noreturn]] void cannotWrite(const QString &what)
{
    throw Error(kErrCannotWrite, what);
}

// Copies the open ledger into a new file at path.
void copyInto(sqlite3 *source, const QString &path, LockWait &wait)
{
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        defend(target);
        sqlite3_exec(target, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        rc = copyPages(target, source, wait);
    }
    const QString message = QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc));
    const bool closed = sqlite3_close(target) == SQLITE_OK;
    if (rc != SQLITE_DONE || !closed) {
        QFile::remove(path);
        if (rc == SQLITE_BUSY || rc == SQLITE_INTERRUPT)
            throw resultError(rc);   // told as plainError tells it
        cannotWrite(closed ? QStringLiteral("The backup copy could not be written: %1").arg(message)
                           : QStringLiteral("The backup copy could not be finished."));
    }
}

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
            QFile::remove(path_ + QLatin1String(suffix));
    }
    QString path_;
};

// A connection that is closed with this object.
struct Connection {
    sqlite3 *db = nullptr;
    ~Connection() { sqlite3_close(db); }
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
    sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
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
        sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON", nullptr, nullptr, nullptr);
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

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Daily:
        return QStringLiteral("daily");
    case Kind::BeforeImport:
        return QStringLiteral("before import");
    case Kind::BeforeRestore:
        return QStringLiteral("before restore");
    }
    return {};
}

QString folderOf(const QString &ledgerPath)
{
    return QFileInfo(ledgerPath).absoluteDir().filePath(kFolderName);
}

QString fileName(Kind kind, const QDateTime &at, int number)
{
    const QString numbered = number == 1 ? QString() : QStringLiteral(" (%1)").arg(number);
    const QString stamp = at.toString(QString::fromLatin1(kStampFormat));
    return QStringLiteral("Tesmo %1 %2%3.mdb").arg(stamp, kindName(kind), numbered);
}

std::vector<Copy> copies(const QString &folder)
{
    if (DIR *listed = ::opendir(QFile::encodeName(folder).constData()))
        ::closedir(listed);
    else if (errno != ENOENT)
        throw Error(kErrCannotRead, QStringLiteral("The folder \"%1\" cannot be read here (%2), so its copies "
                                                   "cannot be listed.")
                                        .arg(kFolderName, QString::fromLocal8Bit(std::strerror(errno))));
    std::vector<Copy> found;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("Tesmo *.mdb")}, QDir::Files)) {
        const QFileInfo info(dir.filePath(name));
        if (info.isSymLink() || !info.isFile())
            continue;
        if (auto copy = copyNamed(name))
            found.push_back(std::move(*copy));
    }
    std::sort(found.begin(), found.end(), [](const Copy &a, const Copy &b) {
        return std::tie(a.made, a.number) > std::tie(b.made, b.number);
    });
    return found;
}

QStringList backups(const QString &folder, Kind kind, const QDateTime &now)
{
    QStringList names, future;
    for (const Copy &c : copies(folder)) {
        if (c.kind == kind)
            (c.made > now ? future : names) << c.name;
    }
    return names + future;
}

bool dailyDue(const QString &ledgerPath, const QDateTime &now)
{
    std::vector<Copy> made;
    try {
        made = copies(folderOf(ledgerPath));
    } catch (const Error &) {
        return true;
    }
    for (const Copy &c : made) {
        if (c.made <= now && c.made.secsTo(now) < 24 * 60 * 60)
            return false;
    }
    return true;
}

UnnamedCopy &UnnamedCopy::operator=(UnnamedCopy &&other) noexcept
{
    if (this != &other) {
        if (!path_.isEmpty())
            QFile::remove(path_);
        path_ = std::exchange(other.path_, QString());
    }
    return *this;
}

UnnamedCopy::~UnnamedCopy()
{
    if (!path_.isEmpty())
        QFile::remove(path_);
}

UnnamedCopy copyLedger(const QString &ledgerPath, const std::atomic<bool> *stop)
{
    LockWait wait(stop);
    try {
        // Opening read-only checks that the file is a Tesmo ledger, without
        // writing to it.
        Database ledger(ledgerPath, Database::Mode::ReadOnly, &wait);

        const QString folder = folderOf(ledgerPath);
        if (!QDir().mkpath(folder))
            cannotWrite(QStringLiteral("The folder %1 could not be created.").arg(folder));
        copies(folder);   // a folder whose copies could never be pruned gets none
        // A name of its own for every copy of the process: the daily copy and
        // a copy before an import can be under way at once.
        static std::atomic<int> made{0};
        const QString temp = QDir(folder).filePath(
            QStringLiteral("%1%2-%3.tmp").arg(QString::fromLatin1(kTempPrefix)).arg(qint64(::getpid())).arg(++made));
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        copyInto(ledger.handle(), temp, wait);
        return UnnamedCopy(temp);
    } catch (const Error &e) {
        throw plainError(e, wait);
    }
}

QString keepCopy(UnnamedCopy copy, Kind kind, const QDateTime &now, const QString &spare, bool prune)
{
    const QString temp = copy.take();
    const QString folder = QFileInfo(temp).path();
    // Named only once whole; a copy made within the same second gets a number.
    QString name = fileName(kind, now);
    for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name)); ++n)
        name = fileName(kind, now, n);
    const QString path = QDir(folder).filePath(name);
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temp);
        cannotWrite(QStringLiteral("The backup copy %1 could not be named.").arg(path));
    }
    syncFolder(QFile::encodeName(folder));
    if (prune)
        backup::prune(folder, kind, now, spare);
    return path;
}

void prune(const QString &folder, Kind kind, const QDateTime &now, const QString &spare)
{
    const QStringList names = backups(folder, kind, now);
    for (qsizetype i = kKeep; i < names.size(); ++i) {
        if (names[i] != spare)
            QFile::remove(QDir(folder).filePath(names[i]));
    }
}

QString makeCopy(const QString &ledgerPath, Kind kind, const QDateTime &now, const std::atomic<bool> *stop,
                 const QString &spare)
{
    return keepCopy(copyLedger(ledgerPath, stop), kind, now, spare);
}

std::optional<qint64> lotsIn(const QString &path)
{
    try {
        Database copy(path, Database::Mode::ReadOnly);
        Statement count(copy.handle(), "SELECT count(*) FROM Lots");
        count.step();
        return count.int64(0);
    } catch (const Error &) {
        return {};
    }
}

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
        {
            Database copy(copyPath, Database::Mode::ReadOnly, &wait);
            rc = copyPages(own.db, copy.handle(), wait, half(false));
        }
        if (rc == SQLITE_INTERRUPT)
            throw Error(kErrUserCancelled);
        if (rc != SQLITE_DONE)
            throw resultError(rc);
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
        sqlite3_exec(ledger.handle(), "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
        // The counters the ledger has reached go into the copy; should another
        // connection write to the ledger before the copy holds it locked, they
        // are read again.
        for (int tries = 0; tries < 100; ++tries) {
            keepCounters(own.db, ledger.handle());
            const unsigned read = dataVersion(ledger.handle());
            rc = copyPages(ledger.handle(), own.db, wait, half(true),
                           [&] { return dataVersion(ledger.handle()) == read; });
            if (rc != kTargetChanged)
                break;
            rc = SQLITE_BUSY;
        }
        if (rc == SQLITE_INTERRUPT)
            throw Error(kErrUserCancelled);
        if (rc != SQLITE_DONE)
            throw resultError(rc);
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
            QFile::remove(kept);
        throw;
    }
    prune(folder, Kind::BeforeRestore, now, copyName);
    return kept;
}

void removeLeftovers(const QString &ledgerPath)
{
    tesmo::removeLeftovers(folderOf(ledgerPath), QString::fromLatin1(kTempPrefix));
}

} // namespace tesmo::backup
