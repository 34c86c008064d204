// The copies of the ledger in "Tesmo backups", without any window: which
// files are Tesmo's copies and which are the user's, what pruning and the
// daily rule make of them, copies and restores of a ledger larger than a step
// of the copy, and a copy, a restore or an opening that another program's
// lock holds up.
#include "store/Backup.h"
#include "support/LedgerFolder.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QtTest>
#include <thread>
#include <unistd.h>

using namespace tesmo;
using tesmo::test::errorOf;
using tesmo::test::LedgerFolder;

namespace {

const QDateTime kNow(QDate(2024, 5, 20), QTime(14, 30, 5));

// The lots of a ledger file: how many, and a digest of every field of each.
QString lotsDigest(const QString &path)
{
    const QString rows = LedgerFolder::queryFile(path, "SELECT quote(ID), quote(Name1), quote(Ticker), "
                                                       "quote(NumShares), quote(Price), quote(NetAmount), "
                                                       "quote(TradeDate) FROM qryStocks");
    return QStringLiteral("%1 lots %2").arg(rows.count(u'|') + !rows.isEmpty()).arg(
        QString::fromLatin1(QCryptographicHash::hash(rows.toUtf8(), QCryptographicHash::Sha256).toHex()));
}

} // namespace

class BackupTest : public QObject {
    Q_OBJECT

private slots:
    // One file of the user's, or of Tesmo's, beside ten old daily copies,
    // when two more are made in the same second: only Tesmo's own copies,
    // regular files by the exact names it gives, count for the daily rule
    // and are pruned (a copy stamped later than now first of all), and only
    // leftovers of copies whose process has ended are removed.
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
        LedgerFolder folder(test::numberedLots(3, {2}));
        const QDir backups(backup::folderOf(folder.file()));
        QVERIFY(backups.mkpath("."));
        for (int day = 1; day <= backup::kKeep; ++day) {
            QFile old(backups.filePath(backup::fileName(backup::Kind::Daily, kNow.addDays(day - 20))));
            QVERIFY(old.open(QIODevice::WriteOnly));
        }
        const QString users = folder.path() + "/mine.mdb";
        QFile(users).open(QIODevice::WriteOnly);
        if (type == "file")
            QFile(backups.filePath(name)).open(QIODevice::WriteOnly);
        else if (type == "link")
            QVERIFY(QFile::link(users, backups.filePath(name)));
        else
            QVERIFY(backups.mkdir(name));

        QCOMPARE(backup::dailyDue(folder.file(), kNow), due);
        backup::removeLeftovers(folder.file());
        const QString first = backup::makeCopy(folder.file(), backup::Kind::Daily, kNow);
        const QString second = backup::makeCopy(folder.file(), backup::Kind::Daily, kNow);
        QCOMPARE(QFileInfo::exists(backups.filePath(name)) || QFileInfo(backups.filePath(name)).isSymLink(), !removed);
        QVERIFY(QFileInfo::exists(users));
        const QStringList daily = backup::backups(backups.path(), backup::Kind::Daily, kNow);
        QCOMPARE(daily.size(), backup::kKeep);
        QCOMPARE(backups.filePath(daily[0]), second);
        QCOMPARE(QFileInfo(second).fileName(), "Tesmo 2024-05-20 14.30.05 daily (2).mdb");
        QCOMPARE(backups.filePath(daily[1]), first);
        QVERIFY(!backup::dailyDue(folder.file(), kNow.addSecs(23 * 3600)));
        QVERIFY(backup::dailyDue(folder.file(), kNow.addSecs(25 * 3600)));
    }

    // A ledger of more pages than a step of the copy copies: two copies made
    // at once hold every lot, and a restore puts them all back, in one
    // transaction: a cancel, or a copy that is damaged or not a ledger,
    // leaves the ledger as it was.
    void copiesAndRestoresOfALargeLedgerHoldEveryLot()
    {
        LedgerFolder folder;
        QCOMPARE(folder.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                             "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                             "SELECT iif(i % 7, 'Company ' || i, NULL), 'T' || (i % 997), i % 500 + 0.25, "
                             "iif(i % 5, i / 8.0, NULL), i * 3.25, date('2000-01-01', '+' || (i % 7000) || ' days') "
                             "FROM n"),
                 QString());
        QVERIFY(folder.query("PRAGMA page_count").toInt() > 1024);
        const QString original = lotsDigest(folder.file());
        QVERIFY(original.startsWith("100000 lots "));

        QString daily;
        std::thread beside([&] { daily = backup::makeCopy(folder.file(), backup::Kind::Daily, kNow); });
        const QString before = backup::makeCopy(folder.file(), backup::Kind::BeforeImport, kNow);
        beside.join();
        QCOMPARE(lotsDigest(daily), original);
        QCOMPARE(lotsDigest(before), original);
        QCOMPARE(backup::lotsIn(before), std::optional<qint64>(100000));

        QCOMPARE(folder.exec("DELETE FROM Lots WHERE ID % 3 = 0; UPDATE Lots SET Ticker = 'CHANGED' WHERE ID < 10"),
                 QString());
        const QString changed = lotsDigest(folder.file());
        QFile damaged(backup::folderOf(folder.file()) + "/damaged.mdb");
        QVERIFY(QFile::copy(before, damaged.fileName()) && damaged.open(QIODevice::ReadWrite));
        damaged.seek(damaged.size() / 2);
        damaged.write(QByteArray(8192, 'x'));
        damaged.close();
        QCOMPARE(errorOf([&] { backup::restore(folder.file(), damaged.fileName()); }), int(kErrEngineCorrupt));
        const auto cancelled = [&](const std::function<bool(qint64, qint64)> &progress) {
            return errorOf([&] { backup::restore(folder.file(), before, progress); });
        };
        QCOMPARE(cancelled([](qint64, qint64) { return false; }), int(kErrUserCancelled));   // during the check
        QList<qint64> reported;
        QCOMPARE(cancelled([&](qint64 done, qint64 total) {
                     if (done > 0)
                         reported << done << total;
                     return done == 0;   // Cancel once the copy's pages are being written
                 }),
                 int(kErrUserCancelled));
        QCOMPARE(lotsDigest(folder.file()), changed);
        QVERIFY(reported.size() == 2 && reported[0] > 0 && reported[0] < reported[1]);
        backup::restore(folder.file(), before);
        QCOMPARE(lotsDigest(folder.file()), original);
    }

    // Another program holding the ledger locked: a copy gives up after five
    // seconds in all, and stops at once when told to; a restore fails after
    // five seconds with the ledger as it was. No half-made copy stays. The
    // test hangs should either wait on. A lock let go within five seconds is
    // waited for.
    void aLockHoldsACopyUpFiveSecondsAtMost()
    {
        LedgerFolder folder(test::numberedLots(2000));
        const QString copy = backup::makeCopy(folder.file(), backup::Kind::BeforeImport, kNow.addDays(-1));
        sqlite3 *other = nullptr;
        sqlite3_open(folder.file().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; DELETE FROM Lots WHERE ID > 5", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        std::atomic<bool> stop = false;
        for (const bool told : {false, true}) {
            QElapsedTimer took;
            took.start();
            int error = 0;
            std::thread daily([&] {
                error = errorOf([&] { backup::makeCopy(folder.file(), backup::Kind::Daily, kNow, &stop); });
            });
            if (told) {
                QTest::qWait(100);
                stop = true;
            }
            daily.join();
            qInfo("a copy %s gave up after %lld ms", told ? "told to stop" : "left alone", took.elapsed());
            QCOMPARE(error, told ? int(kErrStopped) : int(kErrEngineBusy));
        }
        QElapsedTimer took;
        took.start();
        QCOMPARE(errorOf([&] { backup::restore(folder.file(), copy); }), int(kErrEngineBusy));
        qInfo("a restore gave up after %lld ms", took.elapsed());
        std::thread release([other] {
            QThread::msleep(2500);
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        QCOMPARE(errorOf([&] { Database waited(folder.file()); }), 0);
        release.join();
        sqlite3_close(other);
        QCOMPARE(folder.query("SELECT count(*) FROM Lots"), QStringLiteral("2000"));
        QCOMPARE(QDir(backup::folderOf(folder.file())).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(copy).fileName()});
    }

    // A file that is not a ledger is never copied, not even a folder made.
    void onlyALedgerIsCopied()
    {
        LedgerFolder folder({}, false);
        QFile foreign(folder.file());
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("Standard Jet DB, not a ledger of this program");
        foreign.close();
        QCOMPARE(errorOf([&] { backup::makeCopy(folder.file(), backup::Kind::Daily, kNow); }), int(kErrNotALedger));
        QVERIFY(!QFileInfo::exists(backup::folderOf(folder.file())));
    }
};

QTEST_GUILESS_MAIN(BackupTest)
#include "tst_backup.moc"
