#include "store/Schema.h"

#include "store/EarlierSchemas.h"
#include "text/Limits.h"

#include <QString>
#include <cmath>

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
        CHECK (NumShares BETWEEN -{SHARES} AND {SHARES})
        CONSTRAINT "NumShares holds at most {DECIMALS} decimals" CHECK ({EXACT:NumShares}),
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

// The sales, made by the ledger's first sale. A row is one part of a sale,
// numbered by the ID of the sale's first part; a row another program adds
// without a number is a sale of its own. A row keeps what the part took
// from one lot, the lot's name, ticker and trade date as they
// were, and, for undoing it, the lot's shares, price and net amount before
// the sale (as the file held them, of whatever type) and what the lot kept:
// the rest of its shares, to the ledger's decimals. Rows of earlier versions
// kept the rest exactly as the subtraction left it, which the table allows;
// a row written now must be exact, which the trigger checks.
const char *const kSalesTableTemplate = R"sql(
CREATE TABLE Sales (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    LotID INTEGER NOT NULL,
    Name1 TEXT,
    Ticker TEXT NOT NULL,
    NumShares REAL NOT NULL
        CONSTRAINT "NumShares lies above 0 and up to {SHARES}" CHECK (NumShares > 0 AND NumShares <= {SHARES})
        CONSTRAINT "NumShares is at most the lot's NumShares" CHECK (NumShares <= LotNumShares),
    Acquired TEXT NOT NULL
        CONSTRAINT "Acquired is a date YYYY-MM-DD of the years 0001 to 9999" CHECK ({DATE:Acquired}),
    Sold TEXT NOT NULL
        CONSTRAINT "Sold is a date YYYY-MM-DD of the years 0001 to 9999" CHECK ({DATE:Sold})
        CONSTRAINT "Sold lies on or after Acquired" CHECK (Sold >= Acquired),
    Proceeds REAL NOT NULL
        CONSTRAINT "Proceeds lie between 0 and {MONEY}" CHECK (Proceeds BETWEEN 0 AND {MONEY}),
    CostBasis REAL NOT NULL
        CONSTRAINT "CostBasis lies between 0 and {MONEY}" CHECK (CostBasis BETWEEN 0 AND {MONEY}),
    Term TEXT NOT NULL
        CONSTRAINT "Term is Long when Sold is a year or more after the day after Acquired, else Short"
        CHECK (Term IS {TERM}),
    LotNumShares ANY NOT NULL
        CONSTRAINT "LotNumShares is a number" CHECK (typeof(LotNumShares) IN ('integer', 'real')),
    LotPrice ANY
        CONSTRAINT "LotPrice lies between 0 and {MONEY}"
        CHECK (LotPrice IS NULL OR typeof(LotPrice) IN ('integer', 'real') AND LotPrice BETWEEN 0 AND {MONEY}),
    LotNetAmount ANY
        CONSTRAINT "LotNetAmount lies between 0 and {MONEY}"
        CHECK (LotNetAmount IS NULL
               OR typeof(LotNetAmount) IN ('integer', 'real') AND LotNetAmount BETWEEN 0 AND {MONEY}),
    SharesLeft REAL NOT NULL
        CONSTRAINT "SharesLeft is LotNumShares less NumShares, to {DECIMALS} decimals"
        CHECK (abs(SharesLeft - (LotNumShares - NumShares)) <= {HALF} + abs(LotNumShares) * {ULPS}),
    NetLeft REAL
        CONSTRAINT "NetLeft is LotNetAmount less CostBasis"
        CHECK (CASE WHEN LotNetAmount IS NULL THEN NetLeft IS NULL
                    ELSE abs(NetLeft + CostBasis - LotNetAmount) < 0.00005 END)
        CONSTRAINT "NetLeft is below 0 only when a lot sold whole costs its NetAmount rounded up to the cent"
        CHECK (NetLeft >= 0 OR SharesLeft = 0 AND NetLeft > -0.00505 AND CostBasis = round(CostBasis, 2)),
    SaleNo INTEGER
        CONSTRAINT "SaleNo is the ID of the first part of the sale" CHECK (SaleNo BETWEEN 1 AND ID),
    CONSTRAINT "The cost of a lot without net amount or price is not known"
        CHECK (LotNetAmount IS NOT NULL OR LotPrice IS NOT NULL)
) STRICT;
CREATE INDEX SalesBySold ON Sales (Sold, ID);
CREATE INDEX SalesByLot ON Sales (LotID, ID);
CREATE INDEX SalesBySale ON Sales (SaleNo, ID);
CREATE INDEX SalesByTicker ON Sales (Ticker COLLATE NOCASE);
)sql";

// The view and the triggers of the sales: the file takes a sale only from a
// lot as the row says it was, and changes the lot with the row: a lot sold
// whole leaves Lots. A row is never changed; undoing a sale puts its lot back
// and deletes the row.
const char *const kSalesLinksTemplate = R"sql(
CREATE VIEW qrySales AS
    SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis,
           round(Proceeds - CostBasis, 4) AS Gain, Term, coalesce(SaleNo, ID) AS SaleNo
    FROM Sales ORDER BY Sold, ID;

CREATE TRIGGER SalesTakeFromLot BEFORE INSERT ON Sales BEGIN
    SELECT RAISE(ABORT, 'The lot of the sale is not in the ledger')
    WHERE NOT EXISTS (SELECT 1 FROM Lots WHERE ID = NEW.LotID);
    SELECT RAISE(ABORT, 'The sale does not take from the lot as the ledger holds it')
    FROM Lots
    WHERE ID = NEW.LotID
      AND NOT (Name1 IS NEW.Name1 AND Ticker IS NEW.Ticker AND TradeDate IS NEW.Acquired
               AND NumShares IS NEW.LotNumShares AND Price IS NEW.LotPrice AND NetAmount IS NEW.LotNetAmount);
    SELECT RAISE(ABORT, 'NumShares and SharesLeft hold at most {DECIMALS} decimals, but for a lot sold whole')
    WHERE NOT ({EXACT:NEW.SharesLeft} AND ({EXACT:NEW.NumShares} OR NEW.NumShares = NEW.LotNumShares));
    SELECT RAISE(ABORT, 'SaleNo is the ID of the first part of the sale, sold on the same day')
    WHERE NEW.SaleNo IS NOT NULL AND NEW.SaleNo IS NOT NEW.ID
      AND NOT EXISTS (SELECT 1 FROM Sales WHERE ID = NEW.SaleNo AND SaleNo = NEW.SaleNo AND Sold = NEW.Sold);
END;
CREATE TRIGGER SalesLeaveInLot AFTER INSERT ON Sales BEGIN
    DELETE FROM Lots WHERE ID = NEW.LotID AND NEW.SharesLeft = 0;
    UPDATE Lots SET NumShares = NEW.SharesLeft, NetAmount = NEW.NetLeft
    WHERE ID = NEW.LotID AND NEW.SharesLeft <> 0;
END;
CREATE TRIGGER SalesAreKept BEFORE UPDATE ON Sales BEGIN
    SELECT RAISE(ABORT, 'A sale is not changed: undo it and record it again');
END;

CREATE TABLE GainRows (
    SaleID INTEGER NOT NULL,
    Piece INTEGER NOT NULL,
    SaleNo INTEGER NOT NULL,
    LotID INTEGER NOT NULL,
    Ticker TEXT NOT NULL,
    TickerKey TEXT NOT NULL,
    Description TEXT NOT NULL,
    Shares REAL NOT NULL,
    Acquired TEXT NOT NULL,
    Sold TEXT NOT NULL,
    Proceeds REAL NOT NULL,
    CostBasis REAL NOT NULL,
    Code TEXT NOT NULL CHECK (Code IN ('', 'W')),
    Adjustment REAL NOT NULL CHECK (Adjustment >= 0),
    Term TEXT NOT NULL CHECK (Term IN ('Short', 'Long')),
    PRIMARY KEY (SaleID, Piece)
) STRICT, WITHOUT ROWID;
CREATE INDEX GainRowsByTicker ON GainRows (TickerKey);
CREATE INDEX GainRowsBySold ON GainRows (Sold, SaleID, Piece);
CREATE TABLE GainsHeld (
    LotID INTEGER NOT NULL,
    Piece INTEGER NOT NULL,
    TickerKey TEXT NOT NULL,
    Shares REAL NOT NULL,
    Acquired TEXT NOT NULL,
    Adjustment REAL NOT NULL CHECK (Adjustment >= 0),
    PRIMARY KEY (LotID, Piece)
) STRICT, WITHOUT ROWID;
CREATE INDEX GainsHeldByTicker ON GainsHeld (TickerKey);
CREATE TABLE GainsStale (
    Ticker TEXT PRIMARY KEY NOT NULL
) STRICT, WITHOUT ROWID;

CREATE VIEW qryGains AS
    SELECT SaleNo, LotID, Description, Acquired, Sold, Proceeds, CostBasis, Code, Adjustment,
           round(Proceeds - CostBasis + Adjustment, 2) AS Gain, Term
    FROM GainRows AS g
    WHERE NOT EXISTS (SELECT 1 FROM GainsStale AS s
                      WHERE s.Ticker = g.Ticker COLLATE NOCASE
                         OR s.Ticker GLOB '*[^ -~]*' AND g.Ticker GLOB '*[^ -~]*')
    ORDER BY Sold, SaleID, Piece;

CREATE TRIGGER GainsFollowSaleAdded AFTER INSERT ON Sales BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (NEW.Ticker);
END;
CREATE TRIGGER GainsFollowSaleUndone AFTER DELETE ON Sales BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (OLD.Ticker);
END;
CREATE TRIGGER GainsFollowLotAdded AFTER INSERT ON Lots WHEN {SOLD:NEW} BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (NEW.Ticker);
END;
CREATE TRIGGER GainsFollowLotChanged AFTER UPDATE ON Lots WHEN {SOLD:NEW} OR {SOLD:OLD} BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (NEW.Ticker), (OLD.Ticker);
END;
CREATE TRIGGER GainsFollowLotDeleted AFTER DELETE ON Lots WHEN {SOLD:OLD} BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (OLD.Ticker);
END;
)sql";

// The splits of single lots, made by the first split of a ledger with
// sales. A lot sold whole keeps its splits, for its sale can be undone and
// the lot come back under its ID; a lot deleted without sales takes them
// with it. A split bears on the figures for taxes of its lot's ticker, and
// is never changed.
const char *const kLotSplitsTemplate = R"sql(
CREATE TABLE LotSplits (
    ID INTEGER PRIMARY KEY,
    LotID INTEGER NOT NULL
        CONSTRAINT "LotID must be a 32-bit whole number" CHECK (LotID BETWEEN 1 AND 2147483647),
    AfterSale INTEGER NOT NULL
        CONSTRAINT "AfterSale is the ID of a sale, or 0" CHECK (AfterSale BETWEEN 0 AND 2147483647),
    Factor REAL NOT NULL
        CONSTRAINT "Factor lies between 1e-21 and 1e21" CHECK (Factor BETWEEN 1e-21 AND 1e21)
) STRICT;
CREATE INDEX LotSplitsByLot ON LotSplits (LotID, ID);
CREATE TRIGGER LotSplitsLeaveWithLot AFTER DELETE ON Lots
WHEN NOT EXISTS (SELECT 1 FROM Sales WHERE LotID = OLD.ID) BEGIN
    DELETE FROM LotSplits WHERE LotID = OLD.ID;
END;
CREATE TRIGGER LotSplitsAreKept BEFORE UPDATE ON LotSplits BEGIN
    SELECT RAISE(ABORT, 'A split is not changed: split the lot again');
END;
CREATE TRIGGER GainsFollowLotSplit AFTER INSERT ON LotSplits BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker)
    SELECT Ticker FROM Lots WHERE ID = NEW.LotID UNION SELECT Ticker FROM Sales WHERE LotID = NEW.LotID;
END;
CREATE TRIGGER GainsFollowLotSplitGone AFTER DELETE ON LotSplits BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker)
    SELECT Ticker FROM Lots WHERE ID = OLD.LotID UNION SELECT Ticker FROM Sales WHERE LotID = OLD.LotID;
END;
)sql";

// What the import keeps, made by the ledger's first import that has it to
// keep: the row of a broker's file that each imported lot came from (the
// row's 16-byte key; the row stays when its lot is deleted, so that the same
// row read again says so), and the choices a user made for a layout of file,
// under its header line, with the day they were made.
const char *const kImportRecordsTemplate = R"sql(
CREATE TABLE LotSources (
    LotID INTEGER PRIMARY KEY
        CONSTRAINT "LotID must be a 32-bit whole number" CHECK (LotID BETWEEN 1 AND 2147483647),
    RowKey BLOB NOT NULL
        CONSTRAINT "RowKey is a key of 16 bytes" CHECK (typeof(RowKey) = 'blob' AND length(RowKey) = 16)
) STRICT;
CREATE TABLE ImportLayouts (
    Header TEXT PRIMARY KEY NOT NULL,
    Choices TEXT NOT NULL
        CONSTRAINT "Choices holds no NUL character" CHECK (instr(Choices, char(0)) = 0),
    Remembered TEXT NOT NULL
        CONSTRAINT "Remembered is a date YYYY-MM-DD of the years 0001 to 9999" CHECK ({DATE:Remembered})
) STRICT;
)sql";

// A GLOB pattern that matches a text holding a control character other than
// NUL (U+0001-U+001F, U+007F-U+009F); NUL has checks of its own, since it
// would end the pattern.
const char *const kControlsPattern = "('*[' || char(1) || '-' || char(31) || char(127) || '-' || char(159) || ']*')";

// The schema text with its placeholders replaced by the program's limits.
std::string withLimits(const char *schema)
{
    QString sql = QString::fromUtf8(schema);
    sql.replace(QStringLiteral("{NAME}"), QString::number(kNameLength));
    sql.replace(QStringLiteral("{TICKER}"), QString::number(kTickerLength));
    sql.replace(QStringLiteral("{SHARES}"), QString::number(qint64(kMaxShares)));
    sql.replace(QStringLiteral("{MONEY}"), QString::number(kMaxMoneyTicks / kTicksPerDollar));
    sql.replace(QStringLiteral("{PASSWORD}"), QString::number(kPasswordLength));
    sql.replace(QStringLiteral("{CONTROLS}"), QString::fromLatin1(kControlsPattern));
    sql.replace(QStringLiteral("{DECIMALS}"), QString::number(kShareDecimals));
    // Half the last decimal kept, and a little for the subtraction's rounding.
    sql.replace(QStringLiteral("{HALF}"), QString::number(0.51 * std::pow(10.0, -kShareDecimals)));
    for (const char *column : {"Acquired", "Sold", "Remembered", "Day"})
        sql.replace(QStringLiteral("{DATE:%1}").arg(QLatin1String(column)),
                    QStringLiteral("length(%1) = 10 AND %1 IS date(%1, '+0 days') AND %1 >= '0001-01-01'")
                        .arg(QLatin1String(column)));
    // Long-term from the same day a year after the day after the trade date;
    // a year from 29 February ends on 1 March.
    sql.replace(QStringLiteral("{TERM}"),
                QStringLiteral("CASE WHEN Sold >= date(Acquired, '+1 day', '+1 year') THEN 'Long' ELSE 'Short' END"));
    // A lot bears on the figures for taxes when its ticker has sales; the
    // file compares the case of ASCII letters only, so a ticker of other
    // letters always does.
    for (const char *row : {"NEW", "OLD"})
        sql.replace(QStringLiteral("{SOLD:%1}").arg(QLatin1String(row)),
                    QStringLiteral("(EXISTS (SELECT 1 FROM Sales WHERE Ticker = %1.Ticker COLLATE NOCASE) "
                                   "OR %1.Ticker GLOB '*[^ -~]*')").arg(QLatin1String(row)));
    // A number of shares needs no rounding to the decimals kept.
    for (const char *value : {"NumShares", "NEW.NumShares", "NEW.SharesLeft"})
        sql.replace(QStringLiteral("{EXACT:%1}").arg(QLatin1String(value)),
                    QStringLiteral("abs(%1 - round(%1, %2)) <= abs(%1) * {ULPS}").arg(QLatin1String(value))
                        .arg(kShareDecimals));
    // Two units in the last place of a double: SQLite's round() reads its
    // digits back to within one.
    sql.replace(QStringLiteral("{ULPS}"), QStringLiteral("4.5e-16"));
    return sql.toStdString();
}

} // namespace

std::string withSchemaLimits(const char *schema)
{
    return withLimits(schema);
}

// Lots whose ticker holds a character outside printable ASCII: the find by
// ticker compares those with the full case fold, the others through
// LotsByTicker.
const char *const kLedgerIndexes =
    "CREATE INDEX IF NOT EXISTS LotsWithWideTicker ON Lots (ID) WHERE Ticker GLOB '*[^ -~]*';";

std::string ledgerObjects()
{
    return withLimits(kSchemaTemplate);
}

std::string ledgerSchema()
{
    return ledgerObjects() + kLedgerIndexes;
}

std::string salesTable()
{
    return withLimits(kSalesTableTemplate);
}

std::string salesLinks()
{
    return withLimits(kSalesLinksTemplate);
}

std::string salesSchema()
{
    return salesTable() + salesLinks();
}

std::string lotSplitsSchema()
{
    return kLotSplitsTemplate;
}

std::string importRecordsSchema()
{
    return withLimits(kImportRecordsTemplate);
}

std::vector<SchemaPart> schemaParts()
{
    using Made = SchemaPart::Made;
    return {{"the ledger", Made::WithTheLedger, ledgerObjects(), earlierLedgerTables()},
            {"the indexes", Made::WhenOpened, kLedgerIndexes, {}},
            {"the sales", Made::ByFirstUse, salesSchema(), earlierSalesSchemas()},
            {kLotSplitsPart, Made::ByFirstUse, lotSplitsSchema(), {}},
            {kImportRecordsPart, Made::ByFirstUse, importRecordsSchema(), {}},
            {kActionsPart, Made::ByFirstUse, actionsSchema(), {}}};
}

} // namespace tesmo
