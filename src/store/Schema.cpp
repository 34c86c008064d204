#include "store/Schema.h"

#include "store/Sqlite.h"
#include "text/Limits.h"

#include <QByteArray>
#include <QString>
#include <sqlite3.h>

namespace tesmo {

namespace {

// A placeholder in the schema text stands for a limit: {NAME} for the name's
// length, and so on.
const char *const kSchemaTemplate = R"sql(
CREATE TABLE Lots (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    Name1 TEXT
        CONSTRAINT "Name1 holds at most {NAME} characters" CHECK (length(Name1) <= {NAME})
        CONSTRAINT "Name1 holds no NUL character" CHECK (instr(Name1, char(0)) = 0)
        CONSTRAINT "Name1 holds no control character" CHECK (NOT Name1 GLOB {CONTROLS}),
    Ticker TEXT NOT NULL
        CONSTRAINT "Ticker must not be empty" CHECK (Ticker <> '')
        CONSTRAINT "Ticker holds at most {TICKER} characters" CHECK (length(Ticker) <= {TICKER})
        CONSTRAINT "Ticker holds no NUL character" CHECK (instr(Ticker, char(0)) = 0)
        CONSTRAINT "Ticker holds no control character" CHECK (NOT Ticker GLOB {CONTROLS}),
    NumShares REAL NOT NULL
        CONSTRAINT "NumShares lies between -{SHARES} and {SHARES}"
        CHECK (NumShares BETWEEN -{SHARES} AND {SHARES}),
    Price REAL
        CONSTRAINT "Price lies between 0 and {MONEY}" CHECK (Price BETWEEN 0 AND {MONEY}),
    NetAmount REAL
        CONSTRAINT "NetAmount lies between 0 and {MONEY}" CHECK (NetAmount BETWEEN 0 AND {MONEY}),
    TradeDate TEXT NOT NULL
        CONSTRAINT "TradeDate is a date YYYY-MM-DD of the years 0001 to 9999"
        CHECK (length(TradeDate) = 10 AND TradeDate IS date(TradeDate, '+0 days')
               AND TradeDate >= '0001-01-01')
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
        CONSTRAINT "Password holds at most {PASSWORD} characters" CHECK (length(Password) <= {PASSWORD})
) STRICT;
INSERT INTO Options (Protected, Password) VALUES (0, '');
)sql";

// A GLOB pattern that matches a text holding a control character other than
// NUL (U+0001-U+001F, U+007F-U+009F); NUL has checks of its own, since it
// would end the pattern.
const char *const kControlsPattern = "('*[' || char(1) || '-' || char(31) || char(127) || '-' || char(159) || ']*')";

// The columns of a ledger's tables and view, in order, as pragma_table_info
// names them. A view must have exactly these; a table may have more.
struct Shape {
    const char *object;
    const char *columns;
    bool exact;
};
const Shape kShapes[] = {
    {"Lots", "ID,Name1,Ticker,NumShares,Price,NetAmount,TradeDate", false},
    {"qryStocks", "ID,Name1,Ticker,NumShares,Price,NetAmount,TradeDate", true},
    {"Options", "Protected,Password", false},
};

} // namespace

// Lots whose ticker holds a character outside printable ASCII: the find by
// ticker compares those with the full case fold, the others through
// LotsByTicker.
const char *const kLedgerIndexes =
    "CREATE INDEX IF NOT EXISTS LotsWithWideTicker ON Lots (ID) WHERE Ticker GLOB '*[^ -~]*';";

std::string ledgerSchema()
{
    QString sql = QString::fromUtf8(kSchemaTemplate);
    sql.replace(QStringLiteral("{NAME}"), QString::number(kNameLength));
    sql.replace(QStringLiteral("{TICKER}"), QString::number(kTickerLength));
    sql.replace(QStringLiteral("{SHARES}"), QString::number(qint64(kMaxShares)));
    sql.replace(QStringLiteral("{MONEY}"), QString::number(kMaxMoneyTicks / kTicksPerDollar));
    sql.replace(QStringLiteral("{PASSWORD}"), QString::number(kPasswordLength));
    sql.replace(QStringLiteral("{CONTROLS}"), QString::fromLatin1(kControlsPattern));
    return sql.toStdString() + kLedgerIndexes;
}

bool isLedger(sqlite3 *db)
{
    Statement objects(db,
                      "SELECT count(*) FROM sqlite_schema WHERE (type = 'view' AND name = 'qryStocks') "
                      "OR (type = 'table' AND name IN ('Lots', 'Options'))");
    objects.step();
    if (objects.int64(0) != 3)
        return false;
    for (const Shape &shape : kShapes) {
        // A view whose query no longer compiles has no columns to show: it is
        // not a ledger's view.
        sqlite3_stmt *raw = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT group_concat(name) FROM (SELECT name FROM pragma_table_info(?1) ORDER BY cid)",
                               -1, &raw, nullptr) != SQLITE_OK)
            throw engineError(db, sqlite3_errcode(db));
        sqlite3_bind_text(raw, 1, shape.object, -1, SQLITE_STATIC);
        const int rc = sqlite3_step(raw);
        const auto *text = rc == SQLITE_ROW ? reinterpret_cast<const char *>(sqlite3_column_text(raw, 0)) : nullptr;
        const QByteArray columns = text ? QByteArray(text) : QByteArray();
        sqlite3_finalize(raw);
        if (rc == SQLITE_ERROR)
            return false;
        if (rc != SQLITE_ROW)
            throw engineError(db, rc);
        const QByteArray wanted(shape.columns);
        if (shape.exact ? columns != wanted : !(columns == wanted || columns.startsWith(wanted + ',')))
            return false;
    }
    return true;
}

} // namespace tesmo
