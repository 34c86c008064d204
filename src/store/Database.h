// The ledger file Tesmo.mdb: an SQLite 3 database holding the table Lots behind
// the updatable view qryStocks, and the table Options. Opening never writes to a
// file that is not a ledger of this program; a missing file is created.
#pragma once

#include "store/Lot.h"
#include "store/StoreError.h"

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tesmo {

inline constexpr const char *kDatabaseName = "Tesmo.mdb";

// A prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, std::int64_t value);
    Statement &bind(int index, double value);
    Statement &bind(int index, const QString &text);   // a null QString binds NULL
    Statement &bindNull(int index);
    // Steps once: true while a row is available. Raises StoreError on failure.
    bool step();
    void reset();

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    sqlite3_stmt *handle() const { return stmt_; }

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens the ledger at path. When no file exists there and mode is ReadWrite,
    // creates it with an empty lot table and one Options row (Protected 0,
    // Password ""). Raises StoreError kErrNotALedger for a file that is not an
    // SQLite database or lacks the ledger's tables, and an engine error for a
    // file that cannot be read; the file is then left as it was.
    explicit Database(const QString &path, Mode mode = Mode::ReadWrite);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *handle() const { return db_; }
    const QString &path() const { return path_; }

    // Runs SQL without results; raises StoreError on failure.
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
    void checkLedger();

    QString path_;
    sqlite3 *db_ = nullptr;
};

// An engine failure as the program's error: 3000 plus SQLite's primary result
// code, with SQLite's own message.
StoreError engineError(sqlite3 *db, int rc);

} // namespace tesmo
