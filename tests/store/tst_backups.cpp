// The copies in "Tesmo backups": which files are Tesmo's, pruning and the
// daily rule, copies and restores of a large ledger, a lock and a stop, the IDs
// a restore never gives again, and a sale or restore killed mid-write.
#include "support/StoreFixture.h"

#include <QElapsedTimer>

using namespace tesmo;
using namespace tesmo::test;

class BackupsTest : public StoreFixture {
    Q_OBJECT

private slots:
    void init() { reset(); }
    void cleanup() { close(); }

    // One file beside ten old daily copies, two more made in the same second:
    // only Tesmo's own copies (regular files by its exact names) count for the
    // daily rule and are pruned, one stamped later than now first.
    void onlyTesmosOwnCopiesCountAndArePruned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");   // file, link (to a file of the user's), folder
        QTest::addColumn<bool>("due");       // whether a daily copy is due beside it
        QTest::addColumn<bool>("removed");
        const QString own = QString::number(::getpid());
        QTest::newRow("an older copy") << "Tesmo 2024-04-30 14.30.05 daily.mdb" << "file" << true << true;
        QTest::newRow("the second of a second") << "Tesmo 2024-04-30 14.30.05 daily (2).mdb" << "file" << true << true;
        QTest::newRow("stamped later than now") << "Tesmo 2031-01-01 00.00.00 daily.mdb" << "file" << true << true;
        QTest::newRow("another kind, today") << "Tesmo 2024-05-20 09.00.00 before restore.mdb" << "file" << false << false;
        QTest::newRow("a duplicate's (1)") << "Tesmo 2024-04-30 14.30.05 daily (1).mdb" << "file" << true << false;
        QTest::newRow("a number with a zero") << "Tesmo 2024-04-30 14.30.05 daily (02).mdb" << "file" << true << false;
        QTest::newRow("a day that never was") << "Tesmo 2024-02-30 14.30.05 daily.mdb" << "file" << true << false;
        QTest::newRow("another word") << "Tesmo 2024-04-30 14.30.05 daily copy.mdb" << "file" << true << false;
        QTest::newRow("capitals") << "Tesmo 2024-04-30 14.30.05 daily.MDB" << "file" << true << false;
        QTest::newRow("a link like today's") << "Tesmo 2024-05-20 09.00.00 daily.mdb" << "link" << true << false;
        QTest::newRow("a link like an old copy") << "Tesmo 2024-04-30 14.30.05 daily.mdb" << "link" << true << false;
        QTest::newRow("a folder like a copy") << "Tesmo 2024-04-30 14.30.05 daily.mdb" << "folder" << true << false;
        QTest::newRow("a leftover of an ended copy") << ".Tesmo copy 999999999-1.tmp-journal" << "file" << true << true;
        QTest::newRow("a copy under way") << ".Tesmo copy " + own + "-7.tmp" << "file" << true << false;
    }
    void onlyTesmosOwnCopiesCountAndArePruned()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(bool, due);
        QFETCH(bool, removed);
        LedgerFolder ledger(test::numberedLots(3, {2}));
        const QDir backups(backup::folderOf(ledger.file()));
        QVERIFY(backups.mkpath("."));
        for (int day = 1; day <= backup::kKeep; ++day) {
            QFile old(backups.filePath(backup::fileName(backup::Kind::Daily, kNow.addDays(day - 20))));
            QVERIFY(old.open(QIODevice::WriteOnly));
        }
        const QString users = ledger.path() + "/mine.mdb";
        QFile(users).open(QIODevice::WriteOnly);
        if (type == "file")
            QFile(backups.filePath(name)).open(QIODevice::WriteOnly);
        else if (type == "link")
            QVERIFY(QFile::link(users, backups.filePath(name)));
        else
            QVERIFY(backups.mkdir(name));

        QCOMPARE(backup::dailyDue(ledger.file(), kNow), due);
        backup::removeLeftovers(ledger.file());
        const QString first = backup::makeCopy(ledger.file(), backup::Kind::Daily, kNow);
        const QString second = backup::makeCopy(ledger.file(), backup::Kind::Daily, kNow);
        QCOMPARE(QFileInfo::exists(backups.filePath(name)) || QFileInfo(backups.filePath(name)).isSymLink(), !removed);
        QVERIFY(QFileInfo::exists(users));
        const QStringList daily = backup::backups(backups.path(), backup::Kind::Daily, kNow);
        QCOMPARE(daily.size(), backup::kKeep);
        QCOMPARE(backups.filePath(daily[0]), second);
        QCOMPARE(QFileInfo(second).fileName(), "Tesmo 2024-05-20 14.30.05 daily (2).mdb");
        QCOMPARE(backups.filePath(daily[1]), first);
        QVERIFY(!backup::dailyDue(ledger.file(), kNow.addSecs(23 * 3600)));
        QVERIFY(backup::dailyDue(ledger.file(), kNow.addSecs(25 * 3600)));
    }

    // A ledger of more pages than a step of the copy: two copies made at once hold every lot, and a
    // restore puts them back in one transaction; a cancel or a damaged copy leaves the ledger, and the
    // "before restore" copies, as they were; the copy restored stays, even the oldest of ten. A copy
    // that is the ledger itself, and a backups folder that cannot be listed, are told as they are.
    void copiesAndRestoresOfALargeLedgerHoldEveryLot()
    {
        LedgerFolder ledger;
        QCOMPARE(ledger.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                             "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                             "SELECT iif(i % 7, 'Company ' || i, NULL), 'T' || (i % 997), i % 500 + 0.25, "
                             "iif(i % 5, i / 8.0, NULL), i * 3.25, date('2000-01-01', '+' || (i % 7000) || ' days') "
                             "FROM n"),
                 QString());
        QVERIFY(ledger.query("PRAGMA page_count").toInt() > 1024);
        const QString original = lotsDigest(ledger.file());
        QVERIFY(original.startsWith("100000 lots "));

        QString daily;
        std::thread beside([&] { daily = backup::makeCopy(ledger.file(), backup::Kind::Daily, kNow); });
        const QString before = backup::makeCopy(ledger.file(), backup::Kind::BeforeImport, kNow);
        beside.join();
        QCOMPARE(lotsDigest(daily) + lotsDigest(before), original + original);
        QCOMPARE(backup::lotsIn(before), qint64(100000));

        const QDir backups(backup::folderOf(ledger.file()));
        const QString oldest = backup::fileName(backup::Kind::BeforeRestore, kNow.addDays(-10));
        for (int day = 1; day <= backup::kKeep; ++day)
            QVERIFY(QFile::copy(before, backups.filePath(backup::fileName(backup::Kind::BeforeRestore, kNow.addDays(-day)))));
        const auto kept = [&] { return backup::backups(backups.path(), backup::Kind::BeforeRestore, kNow).size(); };
        QCOMPARE(ledger.exec("DELETE FROM Lots WHERE ID % 3 = 0; UPDATE Lots SET Ticker = 'CHANGED' WHERE ID < 10"),
                 QString());
        const QString changed = lotsDigest(ledger.file());
        QFile damaged(backups.filePath(backup::fileName(backup::Kind::Daily, kNow, 2)));
        QVERIFY(QFile::copy(before, damaged.fileName()) && damaged.open(QIODevice::ReadWrite));
        damaged.seek(damaged.size() / 2);
        damaged.write(QByteArray(8192, 'x'));
        damaged.close();
        QCOMPARE(errorOf([&] { backup::restoreCopy(ledger.file(), QFileInfo(damaged).fileName(), kNow); }),
                 int(kErrEngineCorrupt));
        QList<qint64> reported;
        for (const bool inTheCheck : {true, false})   // or once the ledger is being written, after the check
            QCOMPARE(errorOf([&] {
                         backup::restoreCopy(ledger.file(), oldest, kNow, [&](qint64 done, qint64 total) {
                             if (!inTheCheck && done * 2 > total)
                                 reported << done << total;
                             return done * 2 < total + !inTheCheck;
                         });
                     }),
                     int(kErrUserCancelled));
        QCOMPARE(lotsDigest(ledger.file()) + " " + QString::number(kept()), changed + " 10");
        QVERIFY(reported.size() == 2 && reported[0] * 2 > reported[1] && reported[0] < reported[1]);
        const QString asItWas = backup::restoreCopy(ledger.file(), oldest, kNow);
        QCOMPARE(lotsDigest(ledger.file()) + lotsDigest(asItWas) + lotsDigest(backups.filePath(oldest)),
                 original + changed + original);
        QCOMPARE(kept(), qsizetype(11));   // ten and the one restored

        const QString linked = backups.filePath(backup::fileName(backup::Kind::Daily, kNow.addSecs(1)));
        QCOMPARE(::link(QFile::encodeName(ledger.file()).constData(), QFile::encodeName(linked).constData()), 0);
        QString said;
        QCOMPARE(errorOf([&] { backup::restoreCopy(ledger.file(), QFileInfo(linked).fileName(), kNow); }, &said),
                 int(kErrCannotRead));
        QVERIFY2(said.contains("the ledger file itself"), qPrintable(said));

        // The command lists why a copy does not open, and closes the store to restore one.
        QFile foreign(backups.filePath(backup::fileName(backup::Kind::Daily, kNow.addDays(-20))));
        QVERIFY(foreign.open(QIODevice::WriteOnly) && foreign.write("not a ledger") > 0);
        foreign.close();
        store = openStore(binding);
        LedgerRestore restore(*store);
        QCOMPARE(restore.copies().back().unreadable, "The copy is not a Tesmo ledger.");
        std::size_t chosen = 0;
        while (restore.copies()[chosen].copy.name != QFileInfo(asItWas).fileName())
            ++chosen;
        const QString keptByCommand = restore.restore(chosen);
        QVERIFY(!store->isOpen() && keptByCommand.endsWith(" before restore.mdb"));
        QCOMPARE(lotsDigest(ledger.file()) + lotsDigest(backups.filePath(keptByCommand)), changed + original);
        QVERIFY(QDir(backups).removeRecursively() && QFile(backups.path()).open(QIODevice::WriteOnly));
        QCOMPARE(errorOf([&] { backup::copies(backups.path()); }), int(kErrCannotRead));
        QVERIFY(backup::dailyDue(ledger.file(), kNow));
        QCOMPARE(errorOf([&] { backup::makeCopy(ledger.file(), backup::Kind::Daily, kNow); }), int(kErrCannotWrite));
    }

    // A lock another program holds makes the daily copy give up after its few seconds, and a
    // copy told to stop, as the exit tells it, stops at once (well before those seconds, even on
    // a busy machine); neither leaves a file.
    void aLockedLedgerStopsTheDailyCopy()
    {
        LedgerFolder ledger(test::numberedLots(2000));
        sqlite3 *other = nullptr;
        sqlite3_open(ledger.file().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; DELETE FROM Lots WHERE ID > 5", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        std::atomic<bool> stop = false;
        for (const bool told : {false, true}) {
            int error = 0;
            std::thread daily([&] {
                error = errorOf([&] { backup::makeCopy(ledger.file(), backup::Kind::Daily, kNow, &stop); });
            });
            QElapsedTimer sinceStop;
            if (told) {
                QTest::qWait(100);
                stop = true;
                sinceStop.start();
            }
            daily.join();
            QCOMPARE(error, told ? int(kErrStopped) : int(kErrEngineBusy));
            QVERIFY(!told || sinceStop.elapsed() < 2500);
        }
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(QDir(backup::folderOf(ledger.file())).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A "Tesmo backups" that cannot be a folder gives no copy, and the message says why in the
    // system's words.
    void aBackupsNameTakenByAFileSaysWhy()
    {
        LedgerFolder ledger(test::numberedLots(2));
        QFile taken(backup::folderOf(ledger.file()));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        QString told;
        try {
            backup::makeCopy(ledger.file(), backup::Kind::Daily, kNow);
        } catch (const Error &e) {
            told = QString::number(e.number()) + ' ' + e.description();
        }
        QCOMPARE(told, QStringLiteral("%1 The folder %2 could not be created: Not a directory.")
                           .arg(int(kErrCannotWrite))
                           .arg(taken.fileName()));
    }

    // Two copies of the program on one ledger, one restoring an older copy: no lot or sale ID given
    // before is given again, and the other's delete and undo, of a lot or a sale as it read them,
    // refuse rather than take another in its place.
    void aRestoreNeverLetsAnIdNameAnotherLotOrSale()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{
            {"Aaa", "AAA", 10, 1, 10, "2020-01-15"}, {"Sss", "S1", 10, 1, 10, "2020-01-15"}, {"Bbb", "BBB", 10, 1, 10, "2020-01-15"}});
        const QString copy = backup::copyLedger(folder->file()).take();   // three lots, no sales
        folder->exec("UPDATE Lots SET NumShares = 20 WHERE ID = 3; INSERT INTO qryStocks (Name1, Ticker, NumShares, "
                     "Price, NetAmount, TradeDate) VALUES ('Ddd', 'DDD', 10, 1, 10, '2020-01-15')");
        store = openStore(binding);
        sell("S1", 2);
        TextBinding gone, changed;   // the other copy's boxes: on lot 4, and on lot 3 as it was changed
        auto other = openStore(gone), otherOnChanged = openStore(changed);
        other->MoveLast();
        otherOnChanged->setBookmark(3);
        const SalePart seen = other->Sales().front();
        QCOMPARE(errorOf([&] { backup::restore(folder->file(), copy); }), 0);
        store = openStore(binding);
        store->AddNew();
        binding.texts = {"", "Ccc", "CCC", "10", "1", "10", "1/15/2020"};
        QCOMPARE(errorOf([&] { store->Update(); }), 0);
        QCOMPARE(sell("S1", 5), std::vector<SaleId>{2});
        QCOMPARE(errorOf([&] { other->Delete(); }), int(kErrLotGone));
        QCOMPARE(errorOf([&] { otherOnChanged->Delete(); }), int(kErrLotChanged));
        QCOMPARE(errorOf([&] { other->UndoSale({seen}); }), int(kErrSaleUndoRefused));
        QCOMPARE(folder->query("SELECT group_concat(ID || ' ' || Ticker || ' ' || NumShares, '|') FROM qryStocks"),
                 QStringLiteral("1 AAA 10.0|2 S1 5.0|3 BBB 10.0|5 CCC 10.0"));
        QCOMPARE(folder->query("SELECT group_concat(ID || ' ' || NumShares) FROM qrySales"), QStringLiteral("2 5.0"));
    }

    // A sale, and a restore, killed at each write the engine makes, in either journal mode: the next
    // start finds the ledger as it was or as the work left it, never between; a restore leaves the
    // rollback journal and the counter of the IDs given.
    void aKilledSaleOrRestoreLeavesTheLedgerBeforeOrAfter()
    {
        for (int kind = 0; kind < 4; ++kind) {
            const bool wal = kind & 1, restoring = kind & 2;   // a copy of a ledger in write-ahead mode is in it too
            const QByteArray work = "kind " + QByteArray::number(kind);
            store.reset();
            folder.reset();
            folder = std::make_unique<LedgerFolder>(numberedLots(40));
            folder->exec(QStringLiteral("PRAGMA journal_mode = %1").arg(wal ? "WAL" : "DELETE"));
            const QString copy = backup::copyLedger(folder->file()).take();
            folder->exec("DELETE FROM Lots WHERE ID > 30; UPDATE Lots SET Ticker = 'T1' WHERE ID <= 10");
            store = openStore(binding);
            const auto parts = planSale("T1", lotsOf(store->rows(), "T1"), {2024, 6, 1}, 950, 100000, FirstIn);
            store.reset();
            const QString pristine = folder->path() + "/pristine.mdb", before = lotsDigest(folder->file());
            QVERIFY(QFile::copy(folder->file(), pristine));
            QStringList seen;
            for (int killAt = 1;; ++killAt) {
                for (const char *suffix : {"", "-journal", "-wal", "-shm"})
                    QFile::remove(folder->file() + suffix);
                QVERIFY(QFile::copy(pristine, folder->file()));
                const pid_t child = ::fork();
                if (child == 0) {
                    killing::install(killAt);
                    TextBinding b;
                    RecordStore seller(QStringLiteral("Tesmo.mdb"), b);
                    ::_exit(errorOf([&] {
                        restoring ? backup::restore(folder->file(), copy) : (seller.Open(), void(seller.Sell(parts)));
                    }) ? 1 : 0);
                }
                int status = 0;
                QVERIFY(::waitpid(child, &status, 0) == child && (store = openStore(binding)));   // the next start
                QVERIFY2(dataErrors.isEmpty(), work + " killed at " + QByteArray::number(killAt) + ": " + told.toUtf8());
                store.reset();
                seen << lotsDigest(folder->file());
                if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                    break;
                QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, work);
            }
            QVERIFY2(seen.size() > 10 && seen.back() != before, work);
            QCOMPARE(seen.filter(before).size() + seen.filter(seen.back()).size(), seen.size());
            if (restoring)
                QCOMPARE(folder->query("PRAGMA journal_mode") + folder->query("SELECT seq FROM sqlite_sequence") + seen.back(),
                         "delete40" + lotsDigest(copy));
            QCOMPARE(QDir(folder->path()).entryList({"Tesmo.mdb*", ".Tesmo*"}, QDir::AllEntries | QDir::Hidden),
                     QStringList{"Tesmo.mdb"});
        }
    }
};

QTEST_GUILESS_MAIN(BackupsTest)
#include "tst_backups.moc"
