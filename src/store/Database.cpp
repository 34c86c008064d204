#include "store/Database.h"

#include "store/Schema.h"

#include <QByteArray>
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

// Opens with the given flags; on failure closes again and raises.
sqlite3 *openConnection(const QByteArray &uri, int flags)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &db, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Error e = engineError(db, rc);
        sqlite3_close(db);
        throw e;
    }
    sqlite3_extended_result_codes(db, 0);
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    return db;
}

QByteArray fileUri(const QString &path, const char *mode)
{
    const QByteArray absolute = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    return "file:" + absolute.toPercentEncoding("/") + "?mode=" + mode;
}

bool inspectConnection(const QByteArray &uri, int flags)
{
    sqlite3 *db = openConnection(uri, flags);
    bool ledger = false;
    try {
        ledger = isLedger(db);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return ledger;
}

// A writer that died in the middle of a change left a hot journal beside the
// file, which only a writer may roll back. The file and its journal are
// looked at as copies in a private folder, where the copy of the file is
// rolled back; the originals are not touched.
bool inspectRolledBackCopy(const QString &path)
{
    const QTemporaryDir dir(QDir(QDir::tempPath()).filePath(QStringLiteral("Tesmo-check-XXXXXX")));
    const QString copy = dir.path() + QStringLiteral("/ledger");
    const QString journal = path + QStringLiteral("-journal");
    if (!dir.isValid() || !QFile::copy(path, copy)
        || (QFileInfo::exists(journal) && !QFile::copy(journal, copy + QStringLiteral("-journal"))))
        throw Error(kErrEngineBase + SQLITE_CANTOPEN,
                    QStringLiteral("Tesmo.mdb holds an unfinished change that could not be looked at in the "
                                   "temporary folder; it was left untouched."));
    if (!inspectConnection(fileUri(copy, "rw"), SQLITE_OPEN_READWRITE))
        throw Error(kErrNotALedger,
                    QStringLiteral("Tesmo.mdb is not a Tesmo ledger; it and the unfinished change beside it "
                                   "(Tesmo.mdb-journal) were left untouched."));
    return true;
}

// Looks at the file through a read-only connection, which never writes to
// it, not even a checkpoint of its -wal; a file that a crashed writer left
// with a hot journal is looked at as a rolled-back copy.
void inspect(const QString &path)
{
    if (!looksLikeSqlite(path))
        throw Error(kErrNotALedger);
    bool ledger = false;
    try {
        ledger = inspectConnection(fileUri(path, "ro"), SQLITE_OPEN_READONLY);
    } catch (const Error &e) {
        if (e.number() != kErrEngineBase + SQLITE_READONLY || !QFileInfo::exists(path + QStringLiteral("-journal")))
            throw;
        ledger = inspectRolledBackCopy(path);
    }
    if (!ledger)
        throw Error(kErrNotALedger);
}

// Removes the private files of creations that were killed before they
// finished: Tesmo.mdb.new-PID whose process no longer runs.
void removeLeftovers(const QString &path)
{
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QString prefix = info.fileName() + QString::fromLatin1(kTempMark);
    for (const QString &name : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        bool ok = false;
        const QString rest = name.mid(prefix.size());
        const qint64 pid = rest.section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (!ok || pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
            dir.remove(name);
    }
}


} // namespace

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

Database::Database(const QString &path, Mode mode)
    : path_(path)
{
    const bool writable = mode == Mode::ReadWrite;
    if (writable)
        removeLeftovers(path);
    if (!QFileInfo::exists(path)) {
        if (!writable)
            throw Error(kErrEngineBase + SQLITE_CANTOPEN, QStringLiteral("Tesmo.mdb does not exist."));
        create();
    }
    inspect(path);
    db_ = openConnection(fileUri(path, writable ? "rw" : "ro"),
                         writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
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
