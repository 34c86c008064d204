// A thin RAII layer over the SQLite C API: prepared statements that only
// bind values, copies of column values, and engine failures as the program's
// errors.
#pragma once

#include "text/Error.h"
#include "text/Money.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace tesmo {

class Database;

// An engine failure as the program's error: 3000 plus SQLite's primary result
// code, with SQLite's own message.
Error engineError(sqlite3 *db, int rc);

// Sets the engine's defensive settings on a new connection, before it runs
// anything: no function or virtual table that a file's own schema names is
// trusted to run, and no statement can damage the file on purpose (writing
// the schema or pages directly, turning the journal off).
void defend(sqlite3 *db);

// A copy of one column value as the engine held it, of whatever type, kept
// so that the same value can be bound again and compared exactly.
// "head (?, ?), (?, ?)": an INSERT of rows rows of columns values each, so
// that one statement writes many rows.
QByteArray insertRows(const char *head, int columns, std::size_t rows);

// Whether the file has the table name: a ledger of an earlier version lacks
// those of what it did not yet keep.
bool hasTable(Database &db, const char *name);

class SqlValue {
public:
    SqlValue() = default;
    explicit SqlValue(sqlite3_value *value);   // copies value
    ~SqlValue();
    SqlValue(const SqlValue &other);
    SqlValue &operator=(const SqlValue &other);
    SqlValue(SqlValue &&other) noexcept;
    SqlValue &operator=(SqlValue &&other) noexcept;

    sqlite3_value *get() const { return value_; }
    bool isNull() const;

private:
    sqlite3_value *value_ = nullptr;
};

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
    Statement &bindUtf8(int index, std::string_view text);
    Statement &bind(int index, const SqlValue &value); // an empty SqlValue binds NULL
    Statement &bindNull(int index);
    // An amount as the file keeps it, in dollars; none binds NULL.
    Statement &bindTicks(int index, const std::optional<Ticks> &ticks);
    // A date as the file keeps it, YYYY-MM-DD; an invalid date binds the
    // empty text.
    Statement &bindDate(int index, QDate date);
    // Steps once: true while a row is available. Raises Error on failure.
    bool step();
    // Ends the statement's run and clears its bindings, so that it holds no
    // read lock and can run again.
    void reset();

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    QString text(int column) const;
    SqlValue value(int column) const;
    sqlite3_stmt *handle() const { return stmt_; }

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

// The texts of a column read row after row, each shared with the text read
// before it when the two are the same: a ticker's rows mostly repeat its
// ticker and name, and one text made once saves an allocation a row.
class SharedText {
public:
    QString of(const Statement &s, int column);

private:
    QByteArray bytes_;
    QString text_;
};

// The UTF-8 of texts bound row after row, made again only when a text
// differs from the one before: the twin of SharedText for writing.
class Utf8 {
public:
    std::string_view of(const QString &text);

private:
    QString text_;
    QByteArray bytes_;
};

} // namespace tesmo
