// The ledger file Tesmo.mdb, an SQLite 3 database. A file is inspected
// read-only until it is known to be a ledger of this program, so that a file
// of another program keeps every byte; a missing file is created. Every
// change is one transaction, durable across power loss when it returns.
#pragma once

#include "store/Sqlite.h"

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace tesmo {

inline constexpr const char *kDatabaseName = "Tesmo.mdb";

class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens the ledger at path. With ReadWrite, a missing file is created with
    // an empty lot table and one Options row (Protected 0, Password ""), and
    // leftovers of a creation that was killed are removed. Raises Error
    // kErrNotALedger for a file that is not an SQLite database or lacks the
    // ledger's tables, and an engine error for a file that cannot be read;
    // the file is then left as it was. A ledger locked by another program is
    // waited for a few seconds.
    explicit Database(const QString &path, Mode mode = Mode::ReadWrite);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *handle() const { return db_; }
    const QString &path() const { return path_; }
    // True when changes cannot be written: the file or its folder is not
    // writable here, or the ledger was opened ReadOnly.
    bool readOnly() const { return readOnly_; }

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
};

// Makes the names in a folder (files created, renamed or removed) survive a
// crash: fsync on the folder itself.
void syncFolder(const QByteArray &folder);

} // namespace tesmo
