#include "store/Schema.h"

#include "store/Sqlite.h"
#include "text/Limits.h"

#include <QString>

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
        CONSTRAINT "Name1 holds no NUL character" CHECK (instr(Name1, char(0)) = 0),
    Ticker TEXT NOT NULL
        CONSTRAINT "Ticker must not be empty" CHECK (Ticker <> '')
        CONSTRAINT "Ticker holds at most {TICKER} characters" CHECK (length(Ticker) <= {TICKER})
        CONSTRAINT "Ticker holds no NUL character" CHECK (instr(Ticker, char(0)) = 0),
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
) STRICT;
INSERT INTO Options (Protected, Password) VALUES (0, '');
)sql";

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
    return sql.toStdString() + kLedgerIndexes;
}

bool isLedger(sqlite3 *db)
{
    Statement s(db,
                "SELECT count(*) FROM sqlite_schema "
                "WHERE (type = 'view' AND name = 'qryStocks') OR (type = 'table' AND name IN ('Lots', 'Options'))");
    s.step();
    return s.int64(0) == 3;
}

} // namespace tesmo
