#include "store/Database.h"

#include "store/StoreError.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

namespace tesmo {

namespace {

// The schema of a new ledger. Lots is STRICT so that no text ever lands in a
// number or date column; qryStocks is the lot order (ascending ID) and accepts
// writes through its triggers, for other programs that script the ledger.
const char *const kSchema = R"sql(
CREATE TABLE Lots (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    Name1 TEXT
        CONSTRAINT "Name1 holds at most 50 characters" CHECK (length(Name1) <= 50),
    Ticker TEXT NOT NULL
        CONSTRAINT "Ticker must not be empty" CHECK (Ticker <> '')
        CONSTRAINT "Ticker holds at most 10 characters" CHECK (length(Ticker) <= 10),
    NumShares REAL NOT NULL,
    Price REAL
        CONSTRAINT "Price must not be negative" CHECK (Price >= 0),
    NetAmount REAL
        CONSTRAINT "NetAmount must not be negative" CHECK (NetAmount >= 0),
    TradeDate TEXT NOT NULL
        CONSTRAINT "TradeDate must be a date YYYY-MM-DD"
        CHECK (length(TradeDate) = 10 AND TradeDate IS date(TradeDate, '+0 days'))
) STRICT;
CREATE INDEX LotsByTicker ON Lots (Ticker COLLATE NOCASE, ID);
CREATE INDEX LotsWithoutNetAmount ON Lots (ID) WHERE NetAmount IS NULL;

CREATE VIEW qryStocks AS
    SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate
    FROM Lots ORDER BY ID;

CREATE TRIGGER qryStocksInsert INSTEAD OF INSERT ON qryStocks BEGIN
    INSERT INTO Lots (ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate)
    VALUES (NEW.ID, NEW.Name1, NEW.Ticker, NEW.NumShares,
            round(NEW.Price, 4), round(NEW.NetAmount, 4), NEW.TradeDate);
END;
CREATE TRIGGER qryStocksUpdate INSTEAD OF UPDATE ON qryStocks BEGIN
    UPDATE Lots SET Name1 = NEW.Name1, Ticker = NEW.Ticker, NumShares = NEW.NumShares,
                    Price = round(NEW.Price, 4), NetAmount = round(NEW.NetAmount, 4),
                    TradeDate = NEW.TradeDate
    WHERE ID = OLD.ID;
END;
CREATE TRIGGER qryStocksDelete INSTEAD OF DELETE ON qryStocks BEGIN
    DELETE FROM Lots WHERE ID = OLD.ID;
END;

CREATE TABLE Options (
    Protected INTEGER NOT NULL CHECK (Protected IN (0, 1)),
    Password TEXT NOT NULL
) STRICT;
INSERT INTO Options (Protected, Password) VALUES (0, '');
)sql";

bool looksLikeSqlite(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return true;   // let SQLite report why it cannot be read
    if (f.size() == 0)
        return false;
    static const QByteArray magic("SQLite format 3\0", 16);
    return f.read(16) == magic;
}

} // namespace

StoreError engineError(sqlite3 *db, int rc)
{
    const char *msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return StoreError(kErrEngineBase + (rc & 0xff), QString::fromUtf8(msg));
}

Statement::Statement(sqlite3 *db, const char *sql)
    : db_(db)
{
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(db, rc);
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement &Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement &Statement::bind(int index, double value)
{
    sqlite3_bind_double(stmt_, index, value);
    return *this;
}

Statement &Statement::bind(int index, const QString &text)
{
    if (text.isNull())
        return bindNull(index);
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement &Statement::bindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw engineError(db_, rc);
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::int64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

QString Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    if (!p)
        return {};
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column));
}

Database::Database(const QString &path, Mode mode)
    : path_(path)
{
    const bool exists = QFileInfo::exists(path);
    if (!exists && mode == Mode::ReadWrite) {
        create();
    } else if (exists && !looksLikeSqlite(path)) {
        throw StoreError(kErrNotALedger);
    }
    const int flags = (mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY)
                      | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        StoreError e = engineError(db_, rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw e;
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, 2000);
    try {
        checkLedger();
        exec("PRAGMA foreign_keys = ON");
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
    const QByteArray temp = target + ".new-" + QByteArray::number(qint64(::getpid()));
    std::remove(temp.constData());
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(temp.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, (std::string("BEGIN;") + kSchema + "COMMIT;").c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        StoreError e = engineError(db, rc);
        sqlite3_close(db);
        std::remove(temp.constData());
        throw e;
    }
    sqlite3_close(db);
    int linked = ::link(temp.constData(), target.constData());
    if (linked != 0 && errno != EEXIST && !QFileInfo::exists(path_))
        linked = std::rename(temp.constData(), target.constData());   // no hard links here
    std::remove(temp.constData());
    if (linked != 0 && !QFileInfo::exists(path_))
        throw StoreError(kErrEngineBase + SQLITE_CANTOPEN,
                         QStringLiteral("Tesmo.mdb could not be created in this folder."));
}

void Database::checkLedger()
{
    Statement s(db_,
                "SELECT count(*) FROM sqlite_schema "
                "WHERE (type = 'view' AND name = 'qryStocks') OR (type = 'table' AND name IN ('Lots', 'Options'))");
    s.step();
    if (s.int64(0) != 3)
        throw StoreError(kErrNotALedger);
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
