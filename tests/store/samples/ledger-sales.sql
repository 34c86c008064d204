PRAGMA foreign_keys=OFF;
BEGIN TRANSACTION;
CREATE TABLE Lots (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    Name1 TEXT
        CONSTRAINT "Name1 holds at most 50 characters" CHECK (length(Name1) <= 50)
        CONSTRAINT "Name1 holds no NUL character" CHECK (instr(Name1, char(0)) = 0)
        CONSTRAINT "Name1 holds no control character" CHECK (NOT Name1 GLOB ('*[' || char(1) || '-' || char(31) || char(127) || '-' || char(159) || ']*')),
    Ticker TEXT NOT NULL
        CONSTRAINT "Ticker must not be empty" CHECK (Ticker <> '')
        CONSTRAINT "Ticker holds at most 10 characters" CHECK (length(Ticker) <= 10)
        CONSTRAINT "Ticker holds no NUL character" CHECK (instr(Ticker, char(0)) = 0)
        CONSTRAINT "Ticker holds no control character" CHECK (NOT Ticker GLOB ('*[' || char(1) || '-' || char(31) || char(127) || '-' || char(159) || ']*')),
    NumShares REAL NOT NULL
        CONSTRAINT "NumShares lies between -999999999999999 and 999999999999999"
        CHECK (NumShares BETWEEN -999999999999999 AND 999999999999999),
    Price REAL
        CONSTRAINT "Price lies between 0 and 450000000000" CHECK (Price BETWEEN 0 AND 450000000000),
    NetAmount REAL
        CONSTRAINT "NetAmount lies between 0 and 450000000000" CHECK (NetAmount BETWEEN 0 AND 450000000000),
    TradeDate TEXT NOT NULL
        CONSTRAINT "TradeDate is a date YYYY-MM-DD of the years 0001 to 9999"
        CHECK (length(TradeDate) = 10 AND TradeDate IS date(TradeDate, '+0 days')
               AND TradeDate >= '0001-01-01')
) STRICT;
INSERT INTO Lots VALUES(1,'Acme Corp','ACME',50.899999999999998578,10.0,509.0,'2020-01-15');
INSERT INTO Lots VALUES(2,'Bolt','BOLT',50.999999989999992068,2.0,102.0,'2021-03-01');
CREATE TABLE Options (
    Protected INTEGER NOT NULL CHECK (Protected IN (0, 1)),
    Password TEXT NOT NULL
        CONSTRAINT "Password holds at most 256 characters" CHECK (length(Password) <= 256)
) STRICT;
INSERT INTO Options VALUES(0,'');
CREATE TABLE Sales (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    LotID INTEGER NOT NULL,
    Name1 TEXT,
    Ticker TEXT NOT NULL,
    NumShares REAL NOT NULL
        CONSTRAINT "NumShares lies above 0 and up to 999999999999999" CHECK (NumShares > 0 AND NumShares <= 999999999999999)
        CONSTRAINT "NumShares is at most the lot's NumShares" CHECK (NumShares <= LotNumShares),
    Acquired TEXT NOT NULL
        CONSTRAINT "Acquired is a date YYYY-MM-DD of the years 0001 to 9999" CHECK (length(Acquired) = 10 AND Acquired IS date(Acquired, '+0 days') AND Acquired >= '0001-01-01'),
    Sold TEXT NOT NULL
        CONSTRAINT "Sold is a date YYYY-MM-DD of the years 0001 to 9999" CHECK (length(Sold) = 10 AND Sold IS date(Sold, '+0 days') AND Sold >= '0001-01-01')
        CONSTRAINT "Sold lies on or after Acquired" CHECK (Sold >= Acquired),
    Proceeds REAL NOT NULL
        CONSTRAINT "Proceeds lie between 0 and 450000000000" CHECK (Proceeds BETWEEN 0 AND 450000000000),
    CostBasis REAL NOT NULL
        CONSTRAINT "CostBasis lies between 0 and 450000000000" CHECK (CostBasis BETWEEN 0 AND 450000000000),
    Term TEXT NOT NULL
        CONSTRAINT "Term is Long when Sold is later than a year after Acquired, else Short"
        CHECK (Term IS CASE WHEN Sold > CASE WHEN substr(Acquired, 6) = '02-29'
                                             THEN printf('%04d-02-28', substr(Acquired, 1, 4) + 1)
                                             ELSE date(Acquired, '+1 year') END
                            THEN 'Long' ELSE 'Short' END),
    LotNumShares ANY NOT NULL
        CONSTRAINT "LotNumShares is a number" CHECK (typeof(LotNumShares) IN ('integer', 'real')),
    LotPrice ANY
        CONSTRAINT "LotPrice lies between 0 and 450000000000"
        CHECK (LotPrice IS NULL OR typeof(LotPrice) IN ('integer', 'real') AND LotPrice BETWEEN 0 AND 450000000000),
    LotNetAmount ANY
        CONSTRAINT "LotNetAmount lies between 0 and 450000000000"
        CHECK (LotNetAmount IS NULL
               OR typeof(LotNetAmount) IN ('integer', 'real') AND LotNetAmount BETWEEN 0 AND 450000000000),
    SharesLeft REAL NOT NULL
        CONSTRAINT "SharesLeft is LotNumShares less NumShares" CHECK (SharesLeft = LotNumShares - NumShares),
    NetLeft REAL
        CONSTRAINT "NetLeft is LotNetAmount less CostBasis"
        CHECK (CASE WHEN LotNetAmount IS NULL THEN NetLeft IS NULL
                    ELSE NetLeft >= 0 AND abs(NetLeft + CostBasis - LotNetAmount) < 0.00005 END),
    CONSTRAINT "The cost of a lot without net amount or price is not known"
        CHECK (LotNetAmount IS NOT NULL OR LotPrice IS NOT NULL)
) STRICT;
INSERT INTO Sales VALUES(1,1,'Acme Corp','ACME',0.2000000000000000111,'2020-01-15','2023-01-10',3.0,2.0,'Long',51.100000000000001419,10.0,511.0,50.899999999999998578,509.0);
DELETE FROM sqlite_sequence;
INSERT INTO sqlite_sequence VALUES('Lots',3);
INSERT INTO sqlite_sequence VALUES('Sales',2);
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
CREATE INDEX LotsWithWideTicker ON Lots (ID) WHERE Ticker GLOB '*[^ -~]*';
CREATE INDEX SalesBySold ON Sales (Sold, ID);
CREATE INDEX SalesByLot ON Sales (LotID, ID);
CREATE VIEW qrySales AS
    SELECT ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis,
           round(Proceeds - CostBasis, 4) AS Gain, Term
    FROM Sales ORDER BY Sold, ID;
CREATE TRIGGER SalesTakeFromLot BEFORE INSERT ON Sales BEGIN
    SELECT RAISE(ABORT, 'The lot of the sale is not in the ledger')
    WHERE NOT EXISTS (SELECT 1 FROM Lots WHERE ID = NEW.LotID);
    SELECT RAISE(ABORT, 'The sale does not take from the lot as the ledger holds it')
    FROM Lots
    WHERE ID = NEW.LotID
      AND NOT (Name1 IS NEW.Name1 AND Ticker IS NEW.Ticker AND TradeDate IS NEW.Acquired
               AND NumShares IS NEW.LotNumShares AND Price IS NEW.LotPrice AND NetAmount IS NEW.LotNetAmount);
END;
CREATE TRIGGER SalesLeaveInLot AFTER INSERT ON Sales BEGIN
    DELETE FROM Lots WHERE ID = NEW.LotID AND NEW.SharesLeft = 0;
    UPDATE Lots SET NumShares = NEW.SharesLeft, NetAmount = NEW.NetLeft
    WHERE ID = NEW.LotID AND NEW.SharesLeft <> 0;
END;
CREATE TRIGGER SalesAreKept BEFORE UPDATE ON Sales BEGIN
    SELECT RAISE(ABORT, 'A sale is not changed: undo it and record it again');
END;
COMMIT;
