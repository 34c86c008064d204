// The record store and the ledger file without any window: a new ledger, the
// file's contract with other programs, files that are not ledgers, a crash
// mid-write, and many lots written at once.
#include "support/StoreFixture.h"
#include "text/LotRow.h"

using namespace tesmo;
using namespace tesmo::test;

class RecordStoreTest : public StoreFixture {
    Q_OBJECT

private slots:
    void init() { reset(); }
    void cleanup() { close(); }

    void aNewLedgerIsCreatedWithoutLeftoversAndKeepsTheWindowsLimits()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        QFile leftover(QStringLiteral("Tesmo.mdb.new-999999999"));   // of a killed first start
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        // The copies of a start killed in the check of an unfinished change.
        const QString check = ".Tesmo check 999999999-aBcDeF", checks[] = {check, QDir::tempPath() + "/" + check};
        for (const QString &c : checks)
            QVERIFY(QDir().mkpath(c + "/inside") && QFile(c + "/ledger").open(QIODevice::WriteOnly));
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty() && !QFile::exists(leftover.fileName()) && !QFileInfo::exists(checks[0]) && !QFileInfo::exists(checks[1]));
        QCOMPARE(store->RecordCount(), 0);
        QCOMPARE(store->AbsolutePosition(), -1);
        QCOMPARE(folder->query("SELECT name FROM pragma_table_info('qryStocks')"),
                 QStringLiteral("ID|Name1|Ticker|NumShares|Price|NetAmount|TradeDate"));
        QCOMPARE(folder->query("SELECT Protected, Password FROM Options"), QStringLiteral("0,"));

        // Another program writing through qryStocks meets the window's limits:
        // at their edges here, anywhere in the round-trip fuzz target.
        const std::pair<QString, bool> inserts[] = {   // Name1, Ticker, NumShares, Price, NetAmount, TradeDate
            {"NULL, 'T', 999999999999999, 450000000000, 450000000000, '9999-12-31'", true},
            {QStringLiteral("'%1😀', 'TTTTTTTTT😀', 1, NULL, NULL, '0001-01-01'").arg(QString(49, u'a')), true},
            {"'A' || char(160) || 'é', 'T', 1, 2, 3, '2003-01-15'", true},
            {"'A', 'T', 1e15, 2, 3, '2003-01-15'", false},
            {"'A', 'T', 1, 450000000000.0001, 3, '2003-01-15'", false},
            {"'A', 'T', 'many', 2, 3, '2003-01-15'", false},
            {"'A', 'T', 123456789.123456, 2, 3, '2003-01-15'", true},   // six decimals of shares, no more
            {"'A', 'T', 0.0000001, 2, 3, '2003-01-15'", false},
            {"'A', 'T', 50.99999998999999, 2, 3, '2003-01-15'", false},
            {QStringLiteral("'%1', 'T', 1, 2, 3, '2003-01-15'").arg(QString(51, u'a')), false},
        };
        for (const auto &[values, accepted] : inserts) {
            const QString error = folder->exec(
                "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES (" + values + ")");
            QVERIFY2(error.isEmpty() == accepted, qPrintable(values + ": " + error));
        }
    }

    void aSaveNeverUndoesAnotherProgramsChange()
    {
        folder = std::make_unique<LedgerFolder>(numberedLots(5));
        store = openStore(binding);
        TextBinding otherBinding;
        auto other = openStore(otherBinding);   // a second copy of the program
        otherBinding.texts[kPrice] = QStringLiteral("$9.0000");
        other->Edit();
        other->Update();
        QVERIFY(errorOf([&] { other->Update(); }));   // nothing pending any more

        binding.texts[kName1] = QStringLiteral("Renamed");
        QCOMPARE(errorOf([&] { store->MoveNext(); }), int(kErrLotChanged));
        QCOMPARE(store->AbsolutePosition(), 0);
        QCOMPARE(binding.texts[kName1], QStringLiteral("Renamed"));   // the typing stays pending
        QCOMPARE(folder->query("SELECT Name1, Price FROM Lots WHERE ID = 1"), QStringLiteral("Lot 1,9.0"));

        store->CancelUpdate();   // Undo shows the lot as it is stored now
        QCOMPARE(binding.texts[kPrice], QStringLiteral("$9.0000"));
        binding.texts[kName1] = QStringLiteral("Renamed");
        store->Edit();
        store->Update();
        QCOMPARE(folder->query("SELECT Name1, Price FROM Lots WHERE ID = 1"), QStringLiteral("Renamed,9.0"));

        folder->exec("DELETE FROM qryStocks WHERE ID = 1");
        binding.texts[kTicker] = QStringLiteral("GONE");
        store->Edit();
        QCOMPARE(errorOf([&] { store->Update(); }), int(kErrLotGone));
        QCOMPARE(store->EditMode(), int(kEditInProgress));
    }

    // A lot another tool wrote past the file's checks is shown as well as it
    // can be, the fields that do not fit named; IDs beyond 32 bits stay their own.
    void lotsAnOlderToolWroteAreShownAsWellAsTheyCanBe()
    {
        folder = std::make_unique<LedgerFolder>();
        folder->exec(QLatin1String(test::kPastTheChecks) +
                     "INSERT INTO Lots VALUES (2, 'Zero', 'Z', 9e999, 1e300, -5, '0000-01-01'), "
                     "(2147483648, 'Words', 'TICKERWORDS', 1e16, 2, 2, '2003-02-30'), "
                     "(4294967298, 'Huge', 'H', 1, 1, 1, '2003-01-15')");
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty());
        QCOMPARE(store->current()->unfitFields(),
                 QStringList({"Number of Shares", "Price per Share", "Net Amount", "Trade Date"}));
        store->MoveNext();
        QCOMPARE(store->current()->unfitFields(), QStringList({"Ticker Symbol", "Number of Shares", "Trade Date"}));
        // The rows as the lists show them: plain figures, what fits nothing as it is.
        QCOMPARE(store->rows().texts(0),
                 (FieldTexts{"2", "Zero", "Z", "Infinity", regional::numberText(1e300), "-5", "0000-01-01"}));
        QCOMPARE(store->rows().texts(1), (FieldTexts{"2147483648", "Words", "TICKERWORDS", regional::numberText(1e16),
                                                     "2", "2", "2003-02-30"}));
        store->FindFirst(FindCriteria::byId(4294967298));
        QCOMPARE(binding.texts[kID] + " " + binding.texts[kName1], QStringLiteral("4294967298 Huge"));
        store->Delete();
        QCOMPARE(folder->query("SELECT group_concat(ID) FROM qryStocks"), QStringLiteral("2,2147483648"));
        store->setBookmark(2147483648);
        QCOMPARE(store->AbsolutePosition(), 1);
    }

    // Only a ledger is opened or copied: a file of another kind, or no regular
    // file at all, is refused at once (an open that waits on a pipe hangs the
    // test) and keeps every byte, its -wal included; a link to a ledger opens.
    // One given another program's object (a trigger the next sale would run, a
    // virtual Lots) is refused naming it, as the ledger and as a copy to restore.
    void onlyALedgerOpensAndAForeignFileKeepsEveryByte_data()
    {
        QTest::addColumn<QString>("kind");
        // wal: another program's database, its -wal left behind (other bytes
        // and databases of other shapes: the ledger file's fuzz target).
        for (const char *kind : {"empty", "wal", "fifo", "folder", "link", "trigger", "virtual", "linked journal"})
            QTest::newRow(kind) << QString(kind);
    }
    void onlyALedgerOpensAndAForeignFileKeepsEveryByte()
    {
        QFETCH(QString, kind);
        LedgerFolder elsewhere(numberedLots(2));
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        const QString path = folder->file();
        QFile f(path);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "link")
            QVERIFY(QFile::link(elsewhere.file(), path));
        else if (kind == "trigger" || kind == "linked journal")
            QVERIFY(QFile::copy(elsewhere.file(), path));
        else if (!f.open(QIODevice::WriteOnly))
            QFAIL("cannot write the file");
        f.close();
        if (kind == "wal") {
            sqlite3 *other = nullptr;
            sqlite3_open(path.toUtf8().constData(), &other);
            sqlite3_db_config(other, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            sqlite3_exec(other, "PRAGMA journal_mode=WAL; CREATE TABLE Stocks(x); INSERT INTO Stocks VALUES (1);",
                         nullptr, nullptr, nullptr);
            sqlite3_close(other);
            QVERIFY(QFile::exists(path + "-wal"));
        }
        const QString crafted = kind == "trigger"
            ? "CREATE TRIGGER Wipe AFTER UPDATE ON Lots BEGIN DELETE FROM Lots WHERE ID > 1; "
              "UPDATE Options SET Protected = 1, Password = 'gotcha'; END"
            : "CREATE VIRTUAL TABLE Lots USING fts5(ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate); "
              "CREATE VIEW qryStocks AS SELECT * FROM Lots; CREATE TABLE Options (Protected, Password)";
        if (kind == "trigger" || kind == "virtual")
            QCOMPARE(folder->exec(crafted), QString());
        if (kind == "linked journal")   // which SQLite never writes through, and opens no file beside
            QVERIFY(QFile::link(elsewhere.file(), path + "-journal"));
        const bool regular = QFileInfo(path).isFile();
        const QByteArray file = regular ? checksum(path) : "", wal = checksum(path + "-wal");
        store = openStore(binding);
        if (kind == "link") {
            QVERIFY(dataErrors.isEmpty());
            QCOMPARE(store->RecordCount(), 2);
            return;
        }
        QCOMPARE(dataErrors, QList<int>{kind == "linked journal" ? kErrEngineBase + SQLITE_CANTOPEN : kErrNotALedger});
        const char *named = kind == "trigger" ? "the trigger \"Wipe\" is not Tesmo's"
                            : kind == "virtual" ? "the table \"Lots\" is not as Tesmo makes it"
                            : kind == "linked journal" ? "Tesmo.mdb-journal, a link to another file" : "";
        QVERIFY2(told.contains(named), qPrintable(told));
        QVERIFY(errorOf([&] { store->AddNew(); store->Update(); }) != 0);
        store.reset();
        if (kind == "trigger" || kind == "virtual") {   // as a copy in the other ledger's folder
            const QString copy = backup::folderOf(elsewhere.file()) + "/" + backup::fileName(backup::Kind::Daily, kNow);
            QVERIFY(QDir().mkpath(backup::folderOf(elsewhere.file())) && QFile::copy(path, copy));
            const QString lots = lotsDigest(elsewhere.file());
            QCOMPARE(errorOf([&] { backup::lotsIn(copy); }), int(kErrNotALedger));
            QCOMPARE(errorOf([&] { backup::restore(elsewhere.file(), copy); }), int(kErrNotALedger));
            QCOMPARE(lotsDigest(elsewhere.file()) + elsewhere.query("SELECT * FROM Options"), lots + "0,");
        }
        if (regular)
            QCOMPARE(errorOf([&] { backup::makeCopy(path, backup::Kind::Daily, kNow); }), dataErrors[0]);
        QVERIFY(!QFileInfo::exists(backup::folderOf(path)));
        QCOMPARE(regular ? checksum(path) : "", file);
        QCOMPARE(checksum(path + "-wal"), wal);
        QCOMPARE(QDir(folder->path()).entryList({"Tesmo.mdb.new*"}, QDir::Files), QStringList());
    }

    // A hot journal of a writer that died: a ledger opens rolled back, another program's file is
    // refused, journal and all kept. Beside an earlier copy put in the ledger's place it is set aside and
    // the copy opens, unless damaged. So too a write-ahead log that no connection has open, whose
    // changes the ledger keeps; the journal of the file a link names; a check with no temporary folder.
    void aChangeLeftUnfinishedByACrashIsRolledBack_data()
    {
        QTest::addColumn<bool>("ledger");
        QTest::addColumn<QString>("beside");   // what lies beside the journal: its own file, or a copy
        QTest::addColumn<QString>("how");      // journal, wal, link (Tesmo.mdb a link, and no temporary folder)
        QTest::newRow("ledger") << true << "" << "journal";
        QTest::newRow("another program's database") << false << "" << "journal";
        QTest::newRow("a copy put in the ledger's place") << true << "copy" << "journal";
        QTest::newRow("a damaged copy put in its place") << true << "damaged copy" << "journal";
        QTest::newRow("a ledger in write-ahead mode") << true << "" << "wal";
        QTest::newRow("a copy put in its place") << true << "copy" << "wal";
        QTest::newRow("a ledger that a link names, no temporary folder") << true << "" << "link";
    }
    void aChangeLeftUnfinishedByACrashIsRolledBack()
    {
        QFETCH(bool, ledger);
        QFETCH(QString, beside);
        QFETCH(QString, how);
        LedgerFolder crashed(ledger ? numberedLots(3000) : std::vector<NewLot>{}, ledger);
        if (!ledger)
            crashed.exec("CREATE TABLE Stocks (n); WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                         "WHERE n < 20000) INSERT INTO Stocks SELECT n FROM c");
        // The copy: the ledger as it was before its last 2000 lots and a change of every ticker.
        const QString copy = crashed.path() + "/copy.mdb";
        sqlite3 *db = nullptr;
        QVERIFY(QFile::copy(crashed.file(), copy) && sqlite3_open(copy.toUtf8().constData(), &db) == SQLITE_OK);
        sqlite3_exec(db, "DELETE FROM Lots WHERE ID > 1000; UPDATE Lots SET Ticker = Ticker || 'C'; VACUUM", 0, 0, 0);
        sqlite3_close(db);
        const char *sum = ledger ? "SELECT sum(NumShares) FROM Lots" : "SELECT sum(n) FROM Stocks";
        const bool wal = how == "wal";
        const QString before = crashed.query(sum);
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        const QString target = how == "link" ? folder->path() + "/elsewhere.mdb" : folder->file();
        const QString side = folder->file() + (wal ? "-wal" : "-journal");
        copyMidWrite(crashed.file(), target, ledger ? "UPDATE Lots SET NumShares = NumShares + 1" : "UPDATE Stocks SET n = n + 1",
                     wal);
        if (how == "link")
            QVERIFY(QFile::link(target, folder->file()));
        QFile file(folder->file());
        if (!beside.isEmpty())
            QVERIFY(file.remove() && QFile::copy(copy, folder->file()) && file.open(QIODevice::ReadWrite));
        if (beside == "damaged copy" && file.seek(4 * 4096))
            file.write(QByteArray(4096, 'x'));
        file.close();
        const QByteArray bytes = checksum(folder->file()), journal = checksum(how == "link" ? target + "-journal" : side);

        const QByteArray tmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", how == "link" ? QFile::encodeName(folder->path() + "/nowhere") : tmp);
        store = openStore(binding);
        qputenv("TMPDIR", tmp);
        if (beside == "copy") {
            QVERIFY(dataErrors.isEmpty());
            QCOMPARE(store->RecordCount(), 1000);
            QCOMPARE(folder->query("SELECT count(*), min(Ticker) FROM Lots"), QStringLiteral("1000,T1000C"));
            const QStringList aside = QDir(folder->path()).entryList({QFileInfo(side).fileName() + " of another file (*)"});
            QCOMPARE(aside.size(), 1);
            QCOMPARE(checksum(folder->path() + '/' + aside[0]), journal);
            QVERIFY(store->notice().contains(aside[0]));
        } else if (ledger && beside.isEmpty()) {
            QVERIFY(dataErrors.isEmpty() && store->notice().isEmpty());
            QCOMPARE(store->RecordCount(), 3000);
            QCOMPARE(folder->query(sum), wal ? crashed.query(sum) : before);   // a log's changes were committed
            QCOMPARE(binding.texts[kNumShares], QString(wal ? "101" : "100"));
        } else {
            QCOMPARE(dataErrors, QList<int>{ledger ? kErrEngineCorrupt : kErrNotALedger});
            store.reset();
            QCOMPARE(checksum(folder->file()), bytes);
            QCOMPARE(checksum(side), journal);
        }
    }

    // Many lots go in as one transaction, each with a new ID, at the record
    // set's end, reported; a value the file cannot hold, or a cancel, leaves all
    // as it was. They see the stored lots again only after another program wrote,
    // and their sale takes from the lots as the file holds them then.
    void addingManyIsOneTransactionAllOrNone()
    {
        folder = std::make_unique<LedgerFolder>(numberedLots(4));
        folder->exec("DELETE FROM Lots WHERE ID = 4");
        store = openStore(binding);
        const auto added = [&] {
            QList<LotId> ids;
            for (std::size_t row = 3; row < store->rows().size(); ++row)
                ids << store->rows().id(row);
            return ids;
        };
        store->MoveFirst();
        struct Lots : LotsToAdd {
            std::vector<std::pair<std::string, double>> lots;   // ticker, shares
            std::uint64_t version = 0;
            int seen = 0;
            double sell = 0;   // shares of A to sell, first in
            std::vector<SalePart> sales(const TickerLots &lotsOf) override
            {
                SalePlanner planner;
                lotsOf("A", [&](const LotRow &r) { planner.add(r); });
                return sell ? planner.plan("A", QDate(2024, 6, 1), sell, Ticks(1000000)) : std::vector<SalePart>{};
            }
            qsizetype count() const override { return qsizetype(lots.size()); }
            std::uint64_t chosenAt() const override { return version; }
            void stillStored(const LotRow &) override { ++seen; }
            bool lot(qsizetype i, LotRow &row) override
            {
                row = LotRow{};
                row.name = "Imported";
                row.ticker = lots[std::size_t(i)].first;
                row.numShares = lots[std::size_t(i)].second;
                row.price = Ticks(123456);
                row.tradeDay = std::int32_t(QDate(2024, 1, 15).toJulianDay());
                return true;
            }
        } lots;
        lots.version = store->ledgerVersion();
        const QString before = folder->query("SELECT * FROM Lots");
        lots.lots = {{"A", 1}, {"B", 1e16}, {"C", 3}};
        QCOMPARE(errorOf([&] { store->AddMany(lots); }), kErrEngineBase + SQLITE_CONSTRAINT);
        lots.lots = {{"A", 1}};
        QCOMPARE(errorOf([&] { store->AddMany(lots, [](qint64, qint64) { return false; }); }),
                 int(kErrUserCancelled));
        QCOMPARE(folder->query("SELECT * FROM Lots"), before);
        QCOMPARE(store->RecordCount(), 3);
        QVERIFY(added().isEmpty());

        lots.lots = {{"A", 1}, {"B", 2.5}, {"C", 3}};
        QCOMPARE(store->AddMany(lots), qsizetype(3));
        QCOMPARE(lots.seen, 0);
        QCOMPARE(added(), QList<LotId>({5, 6, 7}));
        QCOMPARE(folder->query("SELECT ID, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks WHERE ID > 3"),
                 QStringLiteral("5,A,1.0,12.3456,NULL,2024-01-15|6,B,2.5,12.3456,NULL,2024-01-15|"
                                "7,C,3.0,12.3456,NULL,2024-01-15"));
        QCOMPARE(store->RecordCount(), 6);
        QCOMPARE(store->AbsolutePosition(), 0);
        QCOMPARE(store->LastModified(), Bookmark(7));
        store->MoveLast();
        QCOMPARE(binding.texts[kTicker], QStringLiteral("C"));

        lots.version = store->ledgerVersion();
        folder->exec("UPDATE Lots SET Name1 = 'Elsewhere' WHERE ID = 1");
        lots.lots = {{"D", 4}};
        store->AddMany(lots);
        QCOMPARE(lots.seen, 6);

        // Another copy sells from lot 5 meanwhile; its lots still cover the sale.
        TextBinding otherBinding;
        openStore(otherBinding)->Sell(planSale("A", lotsOf(store->rows(), "A"), QDate(2024, 6, 1), 0.5, 100, FirstIn));
        lots.sell = 0.25;
        QCOMPARE(errorOf([&] { store->AddMany(lots); }), 0);
        QCOMPARE(folder->query("SELECT group_concat(NumShares) FROM Lots WHERE ID = 5"), QStringLiteral("0.25"));
        QCOMPARE(store->rows().lot(*store->rows().rowOf(5)).numShares, 0.25);

        // The rows it wrote are what opening the ledger reads, a sale that
        // took new lots too included: lots 5 and 10 sold whole, 11 in part.
        lots.lots = {{"A", 1}, {"A", 2}};
        lots.sell = 1.5;
        QCOMPARE(errorOf([&] { store->AddMany(lots); }), 0);
        TextBinding freshBinding;
        const auto fresh = openStore(freshBinding);
        QCOMPARE(store->rows().size(), fresh->rows().size());
        for (std::size_t row = 3; row < fresh->rows().size(); ++row) {
            QCOMPARE(store->rows().id(row), fresh->rows().id(row));
            QVERIFY(sameValues(store->rows().lot(row), fresh->rows().lot(row)));
        }
        QCOMPARE(store->rows().lot(*store->rows().rowOf(11)).numShares, 1.75);
        QCOMPARE(store->LastModified(), Bookmark(11));
    }
};

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "tst_recordstore.moc"
