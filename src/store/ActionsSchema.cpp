// The corporate actions as the ledger's file keeps them (store/Actions.h).
#include "store/Schema.h"

namespace tesmo {

namespace {

// An action is one row of Actions, made after the sales, and one row of
// ActionLots for each lot it changed or made, keeping the lot as it was
// before (as the file held it, of whatever type) and as the action left it,
// so that undoing it can tell a later change and give every value back. A
// sale the action recorded (cash for fractions, a merger for cash) is an
// ordinary sale, numbered in SaleNo. Rows are never changed: undoing an
// action deletes them.
//
// The checks refuse what the action dialog refuses: a ratio of 0 or below, a
// percentage outside 0 to 100, cash below 0, a new ticker the lots could not
// hold, a day after today or with no lot of the ticker bought on or before
// it. A return of capital above a lot's cost is a gain of that lot on the
// action's day, kept in Gain; the figures for taxes (store/GainsTable.h)
// show it with the sales' gains.
const char *const kActionsTemplate = R"sql(
CREATE TABLE Actions (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    Ticker TEXT NOT NULL
        CONSTRAINT "Ticker must not be empty" CHECK (Ticker <> '')
        CONSTRAINT "Ticker holds at most {TICKER} characters" CHECK (length(Ticker) <= {TICKER}),
    Day TEXT NOT NULL
        CONSTRAINT "Day is a date YYYY-MM-DD of the years 0001 to 9999" CHECK ({DATE:Day}),
    Kind TEXT NOT NULL
        CONSTRAINT "Kind is Split, Ticker change, Merger, Cash merger, Spin-off or Return of capital"
        CHECK (Kind IN ('Split', 'Ticker change', 'Merger', 'Cash merger', 'Spin-off', 'Return of capital')),
    Ratio REAL
        CONSTRAINT "Ratio lies above 0 for a split, a merger or a spin-off, and is NULL otherwise"
        CHECK (CASE WHEN Kind IN ('Split', 'Merger', 'Spin-off') THEN coalesce(Ratio > 0 AND Ratio <= 1e21, 0)
                    ELSE Ratio IS NULL END),
    RatioText TEXT
        CONSTRAINT "RatioText is given with Ratio" CHECK ((RatioText IS NULL) = (Ratio IS NULL)),
    NewTicker TEXT
        CONSTRAINT "NewTicker is given for a ticker change, a merger or a spin-off, and only then"
        CHECK ((NewTicker IS NOT NULL) = (Kind IN ('Ticker change', 'Merger', 'Spin-off')))
        CONSTRAINT "NewTicker must not be empty" CHECK (NewTicker <> '')
        CONSTRAINT "NewTicker holds at most {TICKER} characters" CHECK (length(NewTicker) <= {TICKER})
        CONSTRAINT "NewTicker holds no NUL character" CHECK (instr(NewTicker, char(0)) = 0)
        CONSTRAINT "NewTicker holds no control character" CHECK (NOT NewTicker GLOB {CONTROLS}),
    NewName TEXT
        CONSTRAINT "NewName is given only with NewTicker" CHECK (NewName IS NULL OR NewTicker IS NOT NULL)
        CONSTRAINT "NewName holds at most {NAME} characters" CHECK (length(NewName) <= {NAME})
        CONSTRAINT "NewName holds no NUL character" CHECK (instr(NewName, char(0)) = 0)
        CONSTRAINT "NewName holds no control character" CHECK (NOT NewName GLOB {CONTROLS}),
    Cash REAL
        CONSTRAINT "Cash lies between 0 and {MONEY}" CHECK (Cash BETWEEN 0 AND {MONEY})
        CONSTRAINT "Cash is given for a cash merger and a return of capital, never for a ticker change"
        CHECK (CASE Kind WHEN 'Ticker change' THEN Cash IS NULL
                         WHEN 'Cash merger' THEN Cash IS NOT NULL
                         WHEN 'Return of capital' THEN Cash IS NOT NULL
                         ELSE 1 END),
    Percent REAL
        CONSTRAINT "Percent lies between 0 and 100 for a spin-off, and is NULL otherwise"
        CHECK (CASE WHEN Kind = 'Spin-off' THEN coalesce(Percent BETWEEN 0 AND 100, 0)
                    ELSE Percent IS NULL END),
    SaleNo INTEGER
        CONSTRAINT "SaleNo is the number of a sale" CHECK (SaleNo BETWEEN 1 AND 2147483647),
    AfterSale INTEGER NOT NULL
        CONSTRAINT "AfterSale is the ID of a sale, or 0" CHECK (AfterSale BETWEEN 0 AND 2147483647)
) STRICT;
CREATE INDEX ActionsByTicker ON Actions (Ticker COLLATE NOCASE, ID);

CREATE TABLE ActionLots (
    ID INTEGER PRIMARY KEY
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    ActionID INTEGER NOT NULL,
    LotID INTEGER NOT NULL
        CONSTRAINT "LotID must be a 32-bit whole number" CHECK (LotID BETWEEN 1 AND 2147483647),
    FromLot INTEGER
        CONSTRAINT "FromLot is the lot a made lot came from, and NULL for a lot changed"
        CHECK ((FromLot IS NULL) = (BeforeTicker IS NOT NULL)),
    BeforeName1 ANY,
    BeforeTicker ANY,
    BeforeShares ANY,
    BeforePrice ANY,
    BeforeNetAmount ANY,
    BeforeTradeDate ANY,
    AfterName1 TEXT,
    AfterTicker TEXT NOT NULL,
    AfterShares REAL NOT NULL
        CONSTRAINT "AfterShares lies between 0 and {SHARES}" CHECK (AfterShares BETWEEN 0 AND {SHARES}),
    AfterPrice REAL
        CONSTRAINT "AfterPrice lies between 0 and {MONEY}" CHECK (AfterPrice BETWEEN 0 AND {MONEY}),
    AfterNetAmount REAL
        CONSTRAINT "AfterNetAmount lies between 0 and {MONEY}" CHECK (AfterNetAmount BETWEEN 0 AND {MONEY}),
    SplitID INTEGER,
    Gain REAL NOT NULL DEFAULT 0
        CONSTRAINT "Gain lies between 0 and {MONEY}" CHECK (Gain BETWEEN 0 AND {MONEY}),
    UNIQUE (ActionID, LotID)
) STRICT;
CREATE INDEX ActionLotsByLot ON ActionLots (LotID, ActionID);

CREATE VIEW qryActions AS
    SELECT a.ID AS ActionID, a.Ticker, a.Day, a.Kind, a.RatioText AS Ratio, a.NewTicker, a.NewName,
           a.Cash, a.Percent, a.SaleNo, l.LotID, l.FromLot,
           l.BeforeShares, l.BeforePrice, l.BeforeNetAmount,
           l.AfterTicker, l.AfterShares, l.AfterPrice, l.AfterNetAmount, l.Gain
    FROM Actions AS a LEFT JOIN ActionLots AS l ON l.ActionID = a.ID
    ORDER BY a.Day, a.ID, l.LotID;

CREATE TRIGGER ActionsFitLedger BEFORE INSERT ON Actions BEGIN
    SELECT RAISE(ABORT, 'Day is not after today')
    WHERE NEW.Day > date('now', 'localtime');
    SELECT RAISE(ABORT, 'Ticker has a lot bought on or before Day')
    WHERE NOT EXISTS (SELECT 1 FROM Lots WHERE Ticker = NEW.Ticker COLLATE NOCASE AND TradeDate <= NEW.Day);
END;
CREATE TRIGGER ActionLotsFitAction BEFORE INSERT ON ActionLots BEGIN
    SELECT RAISE(ABORT, 'ActionID is an action of the ledger')
    WHERE NOT EXISTS (SELECT 1 FROM Actions WHERE ID = NEW.ActionID);
    SELECT RAISE(ABORT, 'Gain is above 0 only for a return of capital')
    WHERE NEW.Gain > 0 AND (SELECT Kind FROM Actions WHERE ID = NEW.ActionID) <> 'Return of capital';
    SELECT RAISE(ABORT, 'A made lot comes only from a spin-off')
    WHERE NEW.FromLot IS NOT NULL AND (SELECT Kind FROM Actions WHERE ID = NEW.ActionID) <> 'Spin-off';
END;
CREATE TRIGGER ActionsAreKept BEFORE UPDATE ON Actions BEGIN
    SELECT RAISE(ABORT, 'An action is not changed: undo it and record it again');
END;
CREATE TRIGGER ActionLotsAreKept BEFORE UPDATE ON ActionLots BEGIN
    SELECT RAISE(ABORT, 'An action is not changed: undo it and record it again');
END;
CREATE TRIGGER GainsFollowAction AFTER INSERT ON Actions BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (NEW.Ticker);
    INSERT OR IGNORE INTO GainsStale (Ticker) SELECT NEW.NewTicker WHERE NEW.NewTicker IS NOT NULL;
END;
CREATE TRIGGER GainsFollowActionUndone AFTER DELETE ON Actions BEGIN
    INSERT OR IGNORE INTO GainsStale (Ticker) VALUES (OLD.Ticker);
    INSERT OR IGNORE INTO GainsStale (Ticker) SELECT OLD.NewTicker WHERE OLD.NewTicker IS NOT NULL;
END;
)sql";

} // namespace

std::string actionsSchema()
{
    return withSchemaLimits(kActionsTemplate);
}

} // namespace tesmo
