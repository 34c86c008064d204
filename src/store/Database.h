// The ledger file Tesmo.mdb, an SQLite 3 database. A file is inspected
// read-only until it is known to be a ledger of this program, so that a file
// of another program keeps every byte; a missing file is created. Every
// change is one transaction, durable across power loss when it returns.
#pragma once

#include "store/Sqlite.h"

#include <QByteArray>
#include <QString>
#include <atomic>

struct sqlite3;

namespace tesmo {

inline constexpr const char *kDatabaseName = "Tesmo.mdb";

// The waits of one piece of work for locks that other programs hold: five
// seconds in all, however many times the work meets a lock, and none once
// stop is set. The work's connections share it on the work's thread; stop
// may be set from any thread.
class LockWait {
public:
    explicit LockWait(const std::atomic<bool> *stop = nullptr)
        : stop_(stop)
    {
    }
    // Makes db wait for locks through this budget.
    void attach(sqlite3 *db);
    // Waits a moment before the work tries a lock again; false, at once,
    // when the budget is spent or the work was told to stop.
    bool nap();
    bool stopped() const { return stop_ && stop_->load(); }

private:
    const std::atomic<bool> *stop_;
    int waitedMs_ = 0;
};

class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens the ledger at path. With ReadWrite, a missing file is created with
    // an empty lot table and one Options row (Protected 0, Password ""), and
    // leftovers of a creation or a check that was killed are removed. Every
    // connection has the engine's defensive settings (see defend()). Raises
    // Error kErrNotALedger for a file that is not an SQLite database or whose
    // schema is not exactly a ledger's (store/SchemaCheck.h), naming what is
    // foreign, and an engine error for a file that cannot be read; the file
    // is then left as it was. A ledger locked by another program is waited
    // for five seconds, or as wait allows.
    //
    // An unfinished change that a crash left beside the file (its -journal,
    // or a -wal that no connection has open; beside the file a link names,
    // where SQLite keeps them) is rolled into the file only once a private
    // copy of both, in the temporary folder or else beside the ledger, is
    // found whole. A journal or log that would damage a ledger that is whole
    // without it is set aside under a name that says so (ReadWrite only), and
    // notice() tells of it; when the file is damaged either way, it raises
    // 3011 and leaves both as they were; without room for the copy, 3013.
    explicit Database(const QString &path, Mode mode = Mode::ReadWrite, LockWait *wait = nullptr);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *handle() const { return db_; }
    const QString &path() const { return path_; }
    // True when changes cannot be written: the file or its folder is not
    // writable here, or the ledger was opened ReadOnly.
    bool readOnly() const { return readOnly_; }
    // What opening set aside, in a sentence for the user; empty when nothing.
    const QString &notice() const { return notice_; }

    // Runs SQL without results; raises Error on failure.
    void exec(const char *sql);

    // One transaction: commits when commit() was called, rolls back otherwise.
    class Transaction {
    public:
        explicit Transaction(Database &db);
        ~Transaction();
        void commit();

    private:
        Database &db_;
        bool done_ = false;
    };

private:
    void create();

    QString path_;
    sqlite3 *db_ = nullptr;
    bool readOnly_ = false;
    QString notice_;
};

// Removes the files and folders in folder that a process left under a
// private name, prefix then its process ID ("Tesmo.mdb.new-PID", ".Tesmo copy
// PID-2.tmp" and its journal, ".Tesmo check PID-XXXXXX"), once that process no
// longer runs; a folder only when it is the user's own.
void removeLeftovers(const QString &folder, const QString &prefix);

// Makes the names in a folder (files created, renamed or removed) survive a
// crash: fsync on the folder itself. Raises Error 3109 when it cannot.
void syncFolder(const QByteArray &folder);

} // namespace tesmo
