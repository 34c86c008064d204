#include "store/Database.h"

#include "store/Schema.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesmo {

namespace {

// How long a ledger that another program holds locked is waited for.
constexpr int kBusyMilliseconds = 5000;

const char *const kTempMark = ".new-";

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
    ::close(fd);
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
        sqlite3_close(db);
        throw e;
    }
    sqlite3_extended_result_codes(db, 0);
    if (wait)
        wait->attach(db);
    else
        sqlite3_busy_timeout(db, kBusyMilliseconds);
    return db;
}

QByteArray fileUri(const QString &path, const char *mode)
{
    const QByteArray absolute = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    return "file:" + absolute.toPercentEncoding("/") + "?mode=" + mode;
}

enum class Shape { Ledger, NotALedger, Damaged };

// Opens the file at uri and tells a ledger from any other database. With
// whole, a ledger must also pass the engine's full check, which compares
// every index with its table: pages of another file rolled into a ledger
// can leave each page sound and the quick check content.
Shape inspectConnection(const QByteArray &uri, int flags, LockWait *wait, bool whole = false)
{
    sqlite3 *db = openConnection(uri, flags, wait);
    Shape shape = Shape::NotALedger;
    try {
        if (isLedger(db)) {
            shape = Shape::Ledger;
            if (whole) {
                Statement check(db, "PRAGMA integrity_check(1)");
                if (!check.step() || check.text(0) != QLatin1String("ok"))
                    shape = Shape::Damaged;
            }
        }
    } catch (const Error &e) {
        sqlite3_close(db);
        if (!whole || (e.number() != kErrEngineBase + SQLITE_CORRUPT && e.number() != kErrEngineBase + SQLITE_NOTADB))
            throw;
        return Shape::Damaged;
    }
    sqlite3_close(db);
    return shape;
}

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
// file, which only a writer may roll back. The file and its journal are
// looked at as copies in a private folder, where the copy of the file is
// rolled back and checked whole; the originals are not touched. When that
// copy is not whole but the file alone is, the journal belongs to another
// file (a copy was put in the ledger's place after a crash): with mayWrite
// it is set aside, and the sentence that tells the user so is returned.
QString inspectRolledBackCopy(const QString &path, bool mayWrite)
{
    const QTemporaryDir dir(QDir(QDir::tempPath()).filePath(QStringLiteral("Tesmo-check-XXXXXX")));
    const QString copy = dir.path() + QStringLiteral("/ledger");
    const QString alone = dir.path() + QStringLiteral("/alone");
    const QString journal = path + QStringLiteral("-journal");
    if (!dir.isValid() || !QFile::copy(path, copy)
        || (QFileInfo::exists(journal) && !QFile::copy(journal, copy + QStringLiteral("-journal"))))
        throw Error(kErrEngineBase + SQLITE_CANTOPEN,
                    QStringLiteral("Tesmo.mdb holds an unfinished change that could not be looked at in the "
                                   "temporary folder; it was left untouched."));
    const Shape rolledBack = inspectConnection(fileUri(copy, "rw"), SQLITE_OPEN_READWRITE, nullptr, true);
    if (rolledBack == Shape::Ledger)
        return {};
    const Shape fileAlone = QFile::copy(path, alone)
                                ? inspectConnection(fileUri(alone, "rw"), SQLITE_OPEN_READWRITE, nullptr, true)
                                : Shape::Damaged;
    if (rolledBack == Shape::NotALedger && fileAlone != Shape::Ledger)
        throw Error(kErrNotALedger,
                    QStringLiteral("Tesmo.mdb is not a Tesmo ledger; it and the unfinished change beside it "
                                   "(Tesmo.mdb-journal) were left untouched."));
    if (fileAlone != Shape::Ledger)
        throw Error(kErrEngineBase + SQLITE_CORRUPT,
                    QStringLiteral("Tesmo.mdb is damaged, with or without the unfinished change beside it "
                                   "(Tesmo.mdb-journal); both were left untouched."));
    const QString aside = setAsideName(journal);
    if (!mayWrite || ::rename(QFile::encodeName(journal).constData(), QFile::encodeName(aside).constData()) != 0)
        throw Error(kErrEngineBase + SQLITE_CANTOPEN,
                    QStringLiteral("Beside Tesmo.mdb lies an unfinished change (Tesmo.mdb-journal) that does not "
                                   "belong to it and could not be set aside; both were left untouched."));
    syncFolder(QFile::encodeName(QFileInfo(path).absolutePath()));
    return QStringLiteral("Beside Tesmo.mdb lay an unfinished change (Tesmo.mdb-journal) that does not belong to "
                          "it: rolling it back would have damaged the ledger, which is whole without it. It was "
                          "set aside as \"%1\", and the ledger opened as it is. This happens when another file "
                          "is copied over Tesmo.mdb after a crash.")
        .arg(QFileInfo(aside).fileName());
}

// Looks at the file through a read-only connection, which never writes to
// it, not even a checkpoint of its -wal; a file that a crashed writer left
// with a hot journal is looked at as a rolled-back copy. Returns what was
// set aside, as inspectRolledBackCopy does.
QString inspect(const QString &path, bool mayWrite, LockWait *wait)
{
    if (!looksLikeSqlite(path))
        throw Error(kErrNotALedger);
    Shape shape = Shape::NotALedger;
    try {
        shape = inspectConnection(fileUri(path, "ro"), SQLITE_OPEN_READONLY, wait);
    } catch (const Error &e) {
        if (e.number() != kErrEngineBase + SQLITE_READONLY || !QFileInfo::exists(path + QStringLiteral("-journal")))
            throw;
        return inspectRolledBackCopy(path, mayWrite);
    }
    if (shape != Shape::Ledger)
        throw Error(kErrNotALedger);
    return {};
}

} // namespace

void removeLeftovers(const QString &folder, const QString &prefix)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System)) {
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (!ok || pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
            dir.remove(name);
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
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database()
{
    sqlite3_close(db_);
}

// Builds the new ledger under a private name, then links it into place: the
// name Tesmo.mdb never shows a half-made file, and a file that appeared there
// meanwhile is never replaced.
void Database::create()
{
    const QByteArray target = QFile::encodeName(path_);
    const QByteArray temp = target + kTempMark + QByteArray::number(qint64(::getpid()));
    std::remove(temp.constData());
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(temp.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, ("PRAGMA synchronous = EXTRA; BEGIN;" + ledgerSchema() + "COMMIT;").c_str(), nullptr,
                          nullptr, nullptr);
    if (rc != SQLITE_OK) {
        Error e = engineError(db, rc);
        sqlite3_close(db);
        std::remove(temp.constData());
        throw e;
    }
    sqlite3_close(db);
    int linked = ::link(temp.constData(), target.constData());
    if (linked != 0 && errno != EEXIST && !QFileInfo::exists(path_))
        linked = std::rename(temp.constData(), target.constData());   // no hard links here
    std::remove(temp.constData());
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
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::Transaction::commit()
{
    db_.exec("COMMIT");
    done_ = true;
}

} // namespace tesmo
