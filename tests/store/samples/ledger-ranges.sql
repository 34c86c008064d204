PRAGMA foreign_keys=OFF;
BEGIN TRANSACTION;
CREATE TABLE Lots (
    ID INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "ID must be a 32-bit whole number" CHECK (ID BETWEEN 1 AND 2147483647),
    Name1 TEXT
        CONSTRAINT "Name1 holds at most 50 characters" CHECK (length(Name1) <= 50)
        CONSTRAINT "Name1 holds no NUL character" CHECK (instr(Name1, char(0)) = 0),
    Ticker TEXT NOT NULL
        CONSTRAINT "Ticker must not be empty" CHECK (Ticker <> '')
        CONSTRAINT "Ticker holds at most 10 characters" CHECK (length(Ticker) <= 10)
        CONSTRAINT "Ticker holds no NUL character" CHECK (instr(Ticker, char(0)) = 0),
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
INSERT INTO Lots VALUES(1,'Acme Corp','ACME',51.100000000000001419,10.0,511.0,'2020-01-15');
INSERT INTO Lots VALUES(2,'Bolt','BOLT',50.999999989999992068,2.0,102.0,'2021-03-01');
CREATE TABLE Options (
    Protected INTEGER NOT NULL CHECK (Protected IN (0, 1)),
    Password TEXT NOT NULL
) STRICT;
INSERT INTO Options VALUES(0,'');
DELETE FROM sqlite_sequence;
INSERT INTO sqlite_sequence VALUES('Lots',3);
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
COMMIT;
