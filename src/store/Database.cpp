#include "store/Database.h"

#include "store/Schema.h"
#include "store/SchemaCheck.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesmo {

namespace {

// How long a ledger that another program holds locked is waited for.
constexpr int kBusyMilliseconds = 5000;

const char *const kTempMark = ".new-";
// The private folders of the check of an unfinished change, in the temporary
// folder or beside the ledger: ".Tesmo check PID-XXXXXX".
const char *const kCheckMark = ".Tesmo check ";

// True when path names a regular file (or a link to one) that starts as an
// SQLite database does. Anything else, a pipe or a device among them, is
// looked at without blocking and never opened by SQLite.
bool looksLikeSqlite(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES;   // let SQLite report why it cannot be read
    struct stat st {};
    char head[16] = {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const bool magic = regular && ::read(fd, head, sizeof head) == ssize_t(sizeof head)
                       && std::memcmp(head, "SQLite format 3\0", sizeof head) == 0;
    ::close(fd);   // opened only to read: closing it loses nothing
    return magic;
}

// Opens with the given flags; on failure closes again and raises. Locks are
// waited for through wait, or five seconds at a time without one.
sqlite3 *openConnection(const QByteArray &uri, int flags, LockWait *wait = nullptr)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &db, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Error e = engineError(db, rc);
        sqlite3_close(db);   // a connection that did not open holds nothing
        throw e;
    }
    defend(db);
    sqlite3_extended_result_codes(db, 0);   // fails only for no connection
    if (wait)
        wait->attach(db);
    else
        sqlite3_busy_timeout(db, kBusyMilliseconds);   // as above
    return db;
}

QByteArray fileUri(const QString &path, const char *mode)
{
    const QByteArray absolute = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    return "file:" + absolute.toPercentEncoding("/") + "?mode=" + mode;
}

enum class Shape { Ledger, NotALedger, Damaged };

struct Found {
    Shape shape = Shape::NotALedger;
    Error why = Error(kErrNotALedger);   // for a file that is not a ledger
};

// Opens the file at uri and tells a ledger from any other database, by its
// schema alone. With whole, a ledger must also pass the engine's full check,
// which compares every index with its table: pages of another file rolled
// into a ledger can leave each page sound and the quick check content.
Found inspectConnection(const QByteArray &uri, int flags, LockWait *wait, const QString &name, bool whole = false)
{
    sqlite3 *db = openConnection(uri, flags, wait);
    Found found;
    try {
        const LedgerSchema schema = readLedgerSchema(db);
        if (!schema.isLedger()) {
            found.why = notALedger(name, schema);
        } else {
            found.shape = Shape::Ledger;
            if (whole) {
                // Damage, not values stored past the checks: a CHECK of every
                // row would cost seconds at a million lots.
                if (const int rc = sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON", nullptr, nullptr, nullptr))
                    throw engineError(db, rc);
                Statement check(db, "PRAGMA integrity_check(1)");
                if (!check.step() || check.text(0) != QLatin1String("ok"))
                    found.shape = Shape::Damaged;
            }
        }
    } catch (const Error &e) {
        sqlite3_close(db);   // a connection that only read: closing it loses nothing
        if (!whole || (e.number() != kErrEngineBase + SQLITE_CORRUPT && e.number() != kErrEngineBase + SQLITE_NOTADB))
            throw;
        found.shape = Shape::Damaged;
        return found;
    }
    sqlite3_close(db);   // as above
    return found;
}

// The file a path names, links followed: SQLite keeps a file's journal and
// write-ahead log beside it.
QString realPath(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

// True when a write-ahead log that holds changes lies beside the file and no
// connection has the file open, of this process or any other: a crash left
// it. Every open connection holds a read lock on byte 128 of the -shm file
// (the lock SQLite's file format calls DMS), and a lock of an open file
// description conflicts even with this process's own.
bool walLeftOver(const QString &real)
{
    if (QFileInfo(real + QStringLiteral("-wal")).size() <= 32)   // no more than its header
        return false;
    const int fd = ::open(QFile::encodeName(real + QStringLiteral("-shm")).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 128;
    lock.l_len = 1;
    const bool unused = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type == F_UNLCK;
    ::close(fd);   // opened only to read: closing it loses nothing
    return unused;
}

// SQLite never writes a journal or log through a link, and refuses to open a
// file that has one beside it.
void refuseLinksBeside(const QString &path, const QString &real)
{
    for (const char *suffix : {"-journal", "-wal"}) {
        if (QFileInfo(real + QLatin1String(suffix)).isSymLink())
            throw Error(kErrEngineBase + SQLITE_CANTOPEN,
                        QStringLiteral("Beside %1 lies %2, a link to another file, which holds no change of the "
                                       "ledger: SQLite writes none through a link, and opens no ledger beside one. "
                                       "Remove the link and start Tesmo again; both were left untouched.")
                            .arg(QFileInfo(path).fileName(), QFileInfo(real + QLatin1String(suffix)).fileName()));
    }
}

// A private folder for the check of an unfinished change, with room for need
// bytes: in the temporary folder, else beside the ledger; removed with this
// object, and at the next start when a crash left it.
class CheckFolder {
public:
    CheckFolder(const QString &ledgerFolder, qint64 need)
    {
        const QString name = QStringLiteral("%1%2-XXXXXX").arg(QLatin1String(kCheckMark)).arg(qint64(::getpid()));
        // Room for the copies, and for the rollback to grow them.
        const qint64 room = need + need / 8 + (1 << 20);
        for (const QString &parent : {QDir::tempPath(), ledgerFolder}) {
            if (QStorageInfo(parent).bytesAvailable() < room)
                continue;
            dir_ = std::make_unique<QTemporaryDir>(QDir(parent).filePath(name));
            if (dir_->isValid())
                return;
        }
        throw Error(kErrEngineFull,
                    QStringLiteral("Tesmo checks the unfinished change beside Tesmo.mdb on a copy before it opens the "
                                   "ledger; that needs %1 MB free in the temporary folder (%2) or beside the ledger, "
                                   "and neither has that much. Make room in either and start Tesmo again; the ledger "
                                   "and its change were left untouched.")
                        .arg((room + (1 << 20) - 1) >> 20)
                        .arg(QDir::toNativeSeparators(QDir::tempPath())));
    }
    QString path() const { return dir_->path(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// The name that a journal of another file is set aside under: no longer a
// -journal, so that the engine leaves it alone.
QString setAsideName(const QString &journal)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString name = QStringLiteral("%1 of another file (set aside %2)").arg(journal, stamp);
    QString free = name;
    for (int n = 2; QFileInfo::exists(free) || QFileInfo(free).isSymLink(); ++n)
        free = name + QStringLiteral(" (%1)").arg(n);
    return free;
}

// A writer that died in the middle of a change left a hot journal beside the
// file, which only a writer may roll back; or changes not yet written into
// the file lie in its write-ahead log, which no connection has open. The file
// and that log or journal (side) are copied into a private folder, where the
// copy of the file is rolled back, or forward, and checked whole; the file
// alone is checked where it lies, read as if nothing lay beside it. The
// originals are not touched. When the copy is not whole but the file alone
// is, the journal or log belongs to another file (a copy was put in the
// ledger's place after a crash): with mayWrite it is set aside, and the
// sentence that tells the user so is returned.
QString inspectPrivateCopy(const QString &path, const QString &side, bool mayWrite)
{
    const bool wal = side.endsWith(QLatin1String("-wal"));
    const QString name = QFileInfo(path).fileName(), sideName = QFileInfo(side).fileName();
    const QString what = wal ? QStringLiteral("changes not yet written into it (%1)").arg(sideName)
                             : QStringLiteral("an unfinished change (%1)").arg(sideName);
    Shape rolled = Shape::Damaged;
    {
        const CheckFolder folder(QFileInfo(path).absolutePath(), QFileInfo(path).size() + QFileInfo(side).size());
        const QString copy = folder.path() + QStringLiteral("/ledger");
        if (!QFile::copy(path, copy) || !QFile::copy(side, copy + side.mid(side.lastIndexOf(u'-'))))
            throw Error(kErrEngineBase + SQLITE_CANTOPEN,
                        QStringLiteral("%1 holds %2 that could not be copied to be looked at; it was left "
                                       "untouched.").arg(name, what));
        rolled = inspectConnection(fileUri(copy, "rw"), SQLITE_OPEN_READWRITE, nullptr, name, true).shape;
    }
    if (rolled == Shape::Ledger)
        return {};
    const Shape alone = inspectConnection(fileUri(path, "ro") + "&immutable=1", SQLITE_OPEN_READONLY, nullptr, name,
                                          true).shape;
    if (rolled == Shape::NotALedger && alone != Shape::Ledger)
        throw Error(kErrNotALedger, QStringLiteral("%1 is not a Tesmo ledger; it and %2 beside it were left "
                                                   "untouched.").arg(name, what));
    if (alone != Shape::Ledger)
        throw Error(kErrEngineBase + SQLITE_CORRUPT,
                    QStringLiteral("%1 is damaged, with or without %2 beside it; both were left untouched.")
                        .arg(name, what));
    const QString aside = setAsideName(side);
    if (!mayWrite || ::rename(QFile::encodeName(side).constData(), QFile::encodeName(aside).constData()) != 0)
        throw Error(kErrEngineBase + SQLITE_CANTOPEN,
                    QStringLiteral("Beside %1 lies %2 that does not belong to it and could not be set aside; both "
                                   "were left untouched.").arg(name, what));
    if (wal)   // the log's index, which SQLite makes again
        QFile::remove(side.chopped(4) + QStringLiteral("-shm"));   // one that stays is made again all the same
    syncFolder(QFile::encodeName(QFileInfo(side).absolutePath()));
    return QStringLiteral("Beside %1 lay %2 that does not belong to it: applying it would have damaged the ledger, "
                          "which is whole without it. It was set aside as \"%3\", and the ledger opened as it is. "
                          "This happens when another file is copied over %1 after a crash.")
        .arg(name, what, QFileInfo(aside).fileName());
}

// Looks at the file through a read-only connection, which never writes to
// it, not even a checkpoint of its -wal; a file that a crashed writer left
// with a hot journal, or with a log no connection has open, is looked at as
// a private copy first. Returns what was set aside, as inspectPrivateCopy
// does.
QString inspect(const QString &path, bool mayWrite, LockWait *wait)
{
    if (!looksLikeSqlite(path))
        throw Error(kErrNotALedger);
    const QString real = realPath(path);
    refuseLinksBeside(path, real);
    if (walLeftOver(real))
        return inspectPrivateCopy(path, real + QStringLiteral("-wal"), mayWrite);
    Found found;
    try {
        found = inspectConnection(fileUri(path, "ro"), SQLITE_OPEN_READONLY, wait, QFileInfo(path).fileName());
    } catch (const Error &e) {
        const QString journal = real + QStringLiteral("-journal");
        if (e.number() != kErrEngineBase + SQLITE_READONLY || !QFileInfo::exists(journal))
            throw;
        return inspectPrivateCopy(path, journal, mayWrite);
    }
    if (found.shape != Shape::Ledger)
        throw found.why;
    return {};
}

} // namespace

void removeLeftovers(const QString &folder, const QString &prefix)
{
    QDir dir(folder);
    const auto all = QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    for (const QFileInfo &entry : dir.entryInfoList({prefix + QLatin1Char('*')}, all)) {
        bool ok = false;
        const qint64 pid = entry.fileName().mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (ok && pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH))
            continue;
        if (!entry.isDir() || entry.isSymLink())
            dir.remove(entry.fileName());   // one that stays is tried again the next time
        else if (ok && entry.ownerId() == ::getuid())   // a folder of one's own, by a name it was given
            QDir(entry.filePath()).removeRecursively();
    }
}

void LockWait::attach(sqlite3 *db)
{
    sqlite3_busy_handler(db, [](void *self, int) { return int(static_cast<LockWait *>(self)->nap()); }, this);
}

bool LockWait::nap()
{
    constexpr int kNapMs = 10;
    if (stopped() || waitedMs_ >= kBusyMilliseconds)
        return false;
    sqlite3_sleep(kNapMs);
    waitedMs_ += kNapMs;
    return !stopped();
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    const int synced = fd >= 0 ? ::fsync(fd) : -1;
    const int failure = errno;
    if (fd >= 0)
        ::close(fd);   // a folder opened only to read: closing it loses nothing
    if (synced != 0)
        throw Error(kErrCannotWrite, QStringLiteral("The folder %1 could not be written to the disk: %2.")
                                         .arg(QFile::decodeName(folder), QString::fromLocal8Bit(std::strerror(failure))));
}

Database::Database(const QString &path, Mode mode, LockWait *wait)
    : path_(path)
{
    const bool writable = mode == Mode::ReadWrite;
    if (writable) {
        const QFileInfo info(path);
        removeLeftovers(info.absolutePath(), info.fileName() + QString::fromLatin1(kTempMark));
        for (const QString &folder : {info.absolutePath(), QDir::tempPath()})
            removeLeftovers(folder, QString::fromLatin1(kCheckMark));
    }
    if (!QFileInfo::exists(path)) {
        if (!writable)
            throw Error(kErrEngineBase + SQLITE_CANTOPEN, QStringLiteral("Tesmo.mdb does not exist."));
        create();
    }
    notice_ = inspect(path, writable, wait);
    db_ = openConnection(fileUri(path, writable ? "rw" : "ro"),
                         writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, wait);
    try {
        // EXTRA syncs the folder once the rollback journal is deleted, so a
        // change that returned survives a power cut.
        exec("PRAGMA synchronous = EXTRA");
        readOnly_ = !writable || sqlite3_db_readonly(db_, "main") == 1
                    || !QFileInfo(QFileInfo(path).absolutePath()).isWritable();
        // Without the index a find by ticker still works, only slower.
        if (!readOnly_)
            sqlite3_exec(db_, kLedgerIndexes, nullptr, nullptr, nullptr);
    } catch (...) {
        sqlite3_close(db_);   // it wrote nothing yet
        db_ = nullptr;
        throw;
    }
}

Database::~Database()
{
    sqlite3_close(db_);   // its statements are finalized by then; a transaction left is rolled back
}

// Builds the new ledger under a private name, then links it into place: the
// name Tesmo.mdb never shows a half-made file, and a file that appeared there
// meanwhile is never replaced.
void Database::create()
{
    const QByteArray target = QFile::encodeName(path_);
    const QByteArray temp = target + kTempMark + QByteArray::number(qint64(::getpid()));
    std::remove(temp.constData());   // a dead creation's; one that stays makes the open below fail
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(temp.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        defend(db);
        rc = sqlite3_exec(db, ("PRAGMA synchronous = EXTRA; BEGIN;" + ledgerSchema() + "COMMIT;").c_str(), nullptr,
                          nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        Error e = engineError(db, rc);
        sqlite3_close(db);               // a file half made: it is removed
        std::remove(temp.constData());   // one that stays is removed by the next creation
        throw e;
    }
    sqlite3_close(db);   // committed above: closing it loses nothing
    int linked = ::link(temp.constData(), target.constData());
    if (linked != 0 && errno != EEXIST && !QFileInfo::exists(path_))
        linked = std::rename(temp.constData(), target.constData());   // no hard links here
    std::remove(temp.constData());   // the ledger's second name, or, renamed, none
    syncFolder(QFile::encodeName(QFileInfo(path_).absolutePath()));
    if (linked != 0 && !QFileInfo::exists(path_))
        throw Error(kErrEngineBase + SQLITE_CANTOPEN, QStringLiteral("Tesmo.mdb could not be created in this folder."));
}

void Database::exec(const char *sql)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(db_, rc);
}

Database::Transaction::Transaction(Database &db)
    : db_(db)
{
    db_.exec("BEGIN IMMEDIATE");
}

Database::Transaction::~Transaction()
{
    if (!done_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);   // else closing rolls it back
}

void Database::Transaction::commit()
{
    db_.exec("COMMIT");
    done_ = true;
}

} // namespace tesmo
