// The record store and the ledger file without any window: the file's
// contract with other programs, files that are not ledgers, and sales; the
// copies in "Tesmo backups": which files are Tesmo's, pruning and the daily
// rule, copies and restores of a large ledger.
#include "sales/Cents.h"
#include "sales/SalePlan.h"
#include "store/Backup.h"
#include "store/RecordStore.h"
#include "store/Schema.h"
#include "support/LedgerFolder.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>
#include <array>
#include <atomic>
#include <csignal>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tesmo;
using tesmo::test::LedgerFolder;
using tesmo::test::NewLot;
using tesmo::test::numberedLots;
using tesmo::test::errorOf;
using enum SaleMethod;

namespace {

// The bound boxes as plain texts, changed while they differ from what the
// store showed, as the window keeps them.
class TextBinding : public FieldBinding {
public:
    FieldTexts texts, shown;
    QString text(int pos) const override { return texts[std::size_t(pos)]; }
    void show(const FieldTexts &t) override { texts = shown = t; }
    bool changed(int pos) const override { return texts[std::size_t(pos)] != shown[std::size_t(pos)]; }
};

QByteArray checksum(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "missing";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Copies the ledger as a writer killed in the middle of sql leaves it: pages
// already spilled into the file, and the hot journal of their earlier contents;
// in write-ahead mode, the change committed in the -wal, not yet in the file.
void copyMidWrite(const QString &from, const QString &to, const char *sql, bool wal = false)
{
    sqlite3 *writer = nullptr;
    sqlite3_open(from.toUtf8().constData(), &writer);
    sqlite3_db_config(writer, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_exec(writer, wal ? "PRAGMA journal_mode = WAL" : "PRAGMA cache_size = 2; BEGIN", nullptr, nullptr, nullptr);
    QCOMPARE(sqlite3_exec(writer, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    QVERIFY(QFile::copy(from, to) && QFile::copy(from + (wal ? "-wal" : "-journal"), to + (wal ? "-wal" : "-journal")));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
}

// Every value of every lot, exactly as the file holds it.
const char *const kStocksDump = "SELECT quote(ID), quote(Name1), quote(Ticker), quote(NumShares), quote(Price), "
                                "quote(NetAmount), quote(TradeDate) FROM qryStocks";

// The lots of a ticker among rows, as a sale sees them.
std::vector<SaleLot> lotsOf(const LotTable &rows, const QString &ticker)
{
    std::vector<SaleLot> lots;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LotRow r = rows.lot(i);
        const QString t = QString::fromUtf8(r.ticker.data(), qsizetype(r.ticker.size()));
        if (sameTicker(t, ticker))
            lots.push_back({r.id, QString::fromUtf8(r.name.data(), qsizetype(r.name.size())), t,
                            QDate::fromJulianDay(r.tradeDay), r.numShares, r.price, r.netAmount});
    }
    return lots;
}

std::vector<SaleToRecord> toRecords(const std::vector<SalePart> &parts)
{
    std::vector<SaleToRecord> records;
    for (const SalePart &p : parts)
        records.push_back({p.lot, p.sold, p.shares, p.proceeds, p.cost, p.term(), p.sharesLeft, p.netLeft, p.wholeLot});
    return records;
}

const SaleLot *byId(const std::vector<SaleLot> &lots, LotId id)
{
    const auto found = std::find_if(lots.begin(), lots.end(), [id](const SaleLot &l) { return l.id == id; });
    return found == lots.end() ? nullptr : &*found;
}

bool holds(const SaleLot &l, QDate sold) { return l.shares > 0 && l.acquired <= sold; }

// In ticks, as a sale counts it.
double costPer(const SaleLot &l) { return l.netAmount ? double(*l.netAmount) / l.shares : double(l.price.value_or(0)); }


// True when a method takes from lot a before lot b, another lot.
bool takenBefore(SaleMethod method, const SaleLot &a, const SaleLot &b)
{
    const bool firstIn = a.acquired != b.acquired ? a.acquired < b.acquired : a.id < b.id;
    const bool costA = a.netAmount || a.price, costB = b.netAmount || b.price;   // lots without come last by cost
    if ((method == HighestCost || method == LowestCost) && (costA != costB || (costA && costPer(a) != costPer(b))))
        return costA != costB ? costA : (costPer(a) > costPer(b)) == (method == HighestCost);
    return method == LastIn ? !firstIn : firstIn;
}

const QDateTime kNow(QDate(2024, 5, 20), QTime(14, 30, 5));

// Undoes the sale of that ID as the store lists it, or one the file does not hold.
void undo(RecordStore &store, SaleId id)
{
    const auto sales = store.Sales();
    const auto found = std::find_if(sales.begin(), sales.end(), [id](const SaleRecord &s) { return s.id == id; });
    store.UndoSale(found != sales.end() ? *found : SaleRecord{id, 0, {}, {}, 0, {}, {}, 0, 0, {}});
}

// SQLite's own file system, each write, truncation, sync and removal of a file counted:
// the one numbered killAt kills the process, as a crash at that moment would.
namespace killing {
sqlite3_vfs *real = nullptr, vfs{};
std::array<const sqlite3_io_methods *, 4> kinds{};   // of each kind of file (the ledger, a journal) ...
std::array<sqlite3_io_methods, 4> counting{};        // ... and the same, counting
int left = 0;

// Counts a write of f, and gives the methods of its kind.
const sqlite3_io_methods *counted(sqlite3_file *f)
{
    if (--left == 0)
        ::raise(SIGKILL);
    return kinds[std::size_t(f->pMethods - counting.data())];
}

void install(int killAt)
{
    vfs = *(real = sqlite3_vfs_find(nullptr));
    vfs.zName = "killing";
    vfs.xOpen = [](sqlite3_vfs *, const char *name, sqlite3_file *f, int flags, int *out) {
        const int rc = real->xOpen(real, name, f, flags, out);
        if (rc != SQLITE_OK || !f->pMethods)
            return rc;
        std::size_t i = 0;
        while (kinds[i] && kinds[i] != f->pMethods)
            ++i;
        counting[i] = *(kinds[i] = f->pMethods);
        counting[i].xWrite = [](sqlite3_file *f, const void *p, int n, sqlite3_int64 at) {
            return counted(f)->xWrite(f, p, n, at);
        };
        counting[i].xSync = [](sqlite3_file *f, int flags) { return counted(f)->xSync(f, flags); };
        f->pMethods = &counting[i];
        return rc;
    };
    vfs.xDelete = [](sqlite3_vfs *, const char *name, int sync) {
        return --left ? real->xDelete(real, name, sync) : ::raise(SIGKILL);
    };
    left = killAt;
    sqlite3_vfs_register(&vfs, 1);
}
} // namespace killing

// The lots of a ledger file: how many, and a digest of every field of each.
QString lotsDigest(const QString &path)
{
    const QString rows = LedgerFolder::queryFile(path, kStocksDump);
    return QStringLiteral("%1 lots %2").arg(rows.count(u'|') + !rows.isEmpty()).arg(
        QString::fromLatin1(QCryptographicHash::hash(rows.toUtf8(), QCryptographicHash::Sha256).toHex()));
}

} // namespace

class RecordStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LedgerFolder> folder;
    TextBinding binding;
    std::unique_ptr<RecordStore> store;
    QList<int> dataErrors;   // Error events
    QString told;            // what the last of them said

    // Sells the shares of the ticker, first in, from the lots the store holds; none when it fails.
    std::vector<SaleId> sell(const char *ticker, double shares, QDate on = {2024, 6, 1}, Ticks proceeds = 100000)
    {
        std::vector<SaleId> ids;
        errorOf([&] { ids = store->Sell(toRecords(planSale(lotsOf(store->rows(), ticker), on, shares, proceeds, FirstIn))); });
        return ids;
    }

    std::unique_ptr<RecordStore> openStore(TextBinding &b)
    {
        auto s = std::make_unique<RecordStore>(QStringLiteral("Tesmo.mdb"), b);
        s->setEvents({{}, {}, [this](int err, const QString &description, int &response) {
                          dataErrors << err;
                          told = description;
                          response = 0;
                      }, {}, {}});
        s->Open();
        return s;
    }

private slots:
    void init()
    {
        binding = TextBinding{};
        dataErrors.clear();
    }
    void cleanup()
    {
        store.reset();
        folder.reset();
    }

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
            QCOMPARE(backup::lotsIn(copy), std::nullopt);
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
        QList<LotId> reported;
        store->setEvents({{}, {}, {}, [&](const StoredLot &lot, bool added) {
                              if (added)
                                  reported << lot.id;
                          }, {}});
        store->MoveFirst();
        struct Lots : LotsToAdd {
            std::vector<std::pair<std::string, double>> lots;   // ticker, shares
            std::uint64_t version = 0;
            int seen = 0;
            double sell = 0;   // shares of A to sell, first in
            std::vector<SaleToRecord> sales(const TickerLots &lotsOf) override
            {
                std::vector<SaleLot> held;
                lotsOf("A", [&](const LotRow &r) {
                    held.push_back({r.id, {}, "A", QDate::fromJulianDay(r.tradeDay), r.numShares, r.price, r.netAmount});
                });
                return sell ? toRecords(planSale(held, QDate(2024, 6, 1), sell, 100, FirstIn)) : std::vector<SaleToRecord>{};
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
        QVERIFY(reported.isEmpty());

        lots.lots = {{"A", 1}, {"B", 2.5}, {"C", 3}};
        QCOMPARE(store->AddMany(lots), qsizetype(3));
        QCOMPARE(lots.seen, 0);
        QCOMPARE(reported, QList<LotId>({5, 6, 7}));
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
        openStore(otherBinding)->Sell(toRecords(planSale(lotsOf(store->rows(), "A"), QDate(2024, 6, 1), 0.5, 100, FirstIn)));
        lots.sell = 0.25;
        QCOMPARE(errorOf([&] { store->AddMany(lots); }), 0);
        QCOMPARE(folder->query("SELECT group_concat(NumShares) FROM Lots WHERE ID = 5"), QStringLiteral("0.25"));
        QCOMPARE(store->rows().lot(*store->rows().rowOf(5)).numShares, 0.25);
    }

    // Random lots of a ticker spelt two ways and another, sold by every method,
    // undone in reverse: a sale refused exactly when a rule says so, else taken
    // from the lots its method orders first, to the cent; the file keeps each part
    // to the tick, refuses a part its lot cannot give; an undo gives all back.
    void salesAddUpAndTheirUndoGivesTheLotsBack()
    {
        QRandomGenerator random(20240601);
        const auto pick = [&](int n) { return int(random.bounded(n)); };
        const QDate start(2018, 1, 1);
        for (int round = 0; round < 300; ++round) {
            std::vector<NewLot> made;
            for (int i = 1 + pick(9); i > 0; --i) {
                const int kind = pick(20);   // 0 no cost, 1-3 a price only, 4 a net amount to the tick
                made.push_back({QStringLiteral("Lot %1").arg(i), QString::fromLatin1(pick(4) ? pick(2) ? "ACME" : "acme" : "ZZ"),
                                pick(10) == 0 ? -pick(2) : pick(3) ? 1 + pick(1000) : pick(1000000) / 1000.0,
                                kind && (kind <= 3 || pick(2)) ? QVariant(pick(5'000'000) / 100.0) : QVariant(),
                                kind >= 4 ? QVariant(pick(50'000'000) / (kind == 4 ? 10000.0 : 100.0)) : QVariant(),
                                start.addDays(pick(4) ? pick(2500) : 0).toString(Qt::ISODate)});
            }
            store.reset();
            folder.reset();   // before the next takes the current folder
            folder = std::make_unique<LedgerFolder>(made);
            store = openStore(binding);
            std::map<LotId, Ticks> netAtStart;
            for (const QString ticker : {"ACME", "ZZ"})
                for (const SaleLot &lot : lotsOf(store->rows(), ticker))
                    if (lot.netAmount)
                        netAtStart[lot.id] = *lot.netAmount;
            struct Done { std::vector<SaleId> ids; std::vector<SalePart> parts; QString before; };
            std::vector<Done> done;
            for (int step = 0; step < 8; ++step) {
                const QByteArray where = QStringLiteral("round %1, step %2").arg(round).arg(step).toUtf8();
                const std::vector<SaleLot> lots = lotsOf(store->rows(), QString::fromLatin1(pick(3) ? "Acme" : "zz"));
                const int odd = pick(30);   // 0 a date not read, 1 no shares, 2 proceeds over the limit
                const QDate sold = odd == 0 ? QDate() : start.addDays(pick(3000));
                const SaleMethod method = kSaleMethods[pick(5)].method;
                const Ticks proceeds = odd == 2   ? kMaxMoneyTicks + 1
                                       : pick(8) ? Ticks(pick(100'000'000)) * (pick(4) ? 100 : 1)
                                                 : pick(300);
                std::set<std::pair<SaleField, LotId>> due;   // the refusals the sale must bring; -1 for no lot
                double held = 0, shares = 0;
                ChosenShares chosen;
                for (const SaleLot &l : lots) {
                    const bool costless = !l.netAmount && !l.price;
                    held += holds(l, sold) ? l.shares : 0;
                    const int k = method == Chosen ? pick(12) : 0;
                    if (k < 4)
                        continue;
                    const double typed = roundShares(k == 4 ? l.shares : k == 5 ? l.shares + 1 : k == 6 ? -1
                                                                                                    : l.shares * pick(1000) / 1000);
                    if (sameShares(chosen[l.id] = typed, 0))
                        continue;
                    shares += std::max(typed, 0.0);
                    if (typed < 0 || (typed > std::max(l.shares, 0.0) && !sameShares(typed, l.shares)))
                        due.insert({SaleField::LotShares, l.id});
                    if (typed > 0 && l.acquired > sold)
                        due.insert({SaleField::SaleDate, l.id});
                    if (costless)
                        due.insert({SaleField::LotCost, l.id});
                }
                if (method != Chosen)
                    shares = pick(4) == 0 ? held : pick(3) ? held * pick(1001) / 1000 : held + 1 + pick(10);
                shares = roundShares(shares);
                const bool off = shares < 0.001 || (method == Chosen && !pick(10));   // chosen more or fewer than asked
                const double asked = odd == 1 ? 0 : off ? roundShares(pick(2) && shares > 0.01 ? shares / 2 : shares + 1) : shares;
                if (method == Chosen ? !sameShares(shares, asked) : asked > held && !sameShares(asked, held))
                    due.insert({method != Chosen && held == 0 ? SaleField::SaleDate : SaleField::Shares, -1});
                if (odd < 3)   // the sale's own fields come first
                    due = {{odd ? odd == 1 ? SaleField::Shares : SaleField::Proceeds : SaleField::SaleDate, -1}};

                std::vector<SalePart> parts;
                try {
                    parts = planSale(lots, sold, asked, proceeds, method, chosen);
                } catch (const SaleRefusal &refusal) {
                    if (due.count({refusal.field(), refusal.lot().value_or(-1)}))
                        continue;
                    // A part whose cost or proceeds round to nothing: so they do for the shares it names.
                    static const QRegularExpression nothing("(cost|proceeds) of the ([0-9.]+) shares from lot (\\d+)");
                    if (const auto m = nothing.match(refusal.description()); m.hasMatch()) {
                        const SaleLot *l = byId(lots, m.captured(3).toLongLong());
                        const double part = m.captured(2).toDouble();
                        const double exact = m.captured(1) == "cost" ? costPer(*l) * part : double(proceeds) * part / asked;
                        QVERIFY2(part > 0 && part <= l->shares && exact > 0 && exact < 150, where);   // a cent, and half of the proceeds
                        continue;
                    }
                    // A method refuses the first lot without a cost in its order that it reaches: the lots
                    // before it hold fewer shares than the sale.
                    QVERIFY2(refusal.field() == SaleField::LotCost && due.empty() && method != Chosen, where);
                    std::vector<SaleLot> order = lots;
                    std::sort(order.begin(), order.end(), [&](auto &a, auto &b) { return takenBefore(method, a, b); });
                    double before = 0;
                    auto at = order.begin();
                    for (; at != order.end() && (!holds(*at, sold) || at->netAmount || at->price); ++at)
                        before += holds(*at, sold) ? at->shares : 0;
                    QVERIFY2(at != order.end() && at->id == refusal.lot() && asked > before && !sameShares(asked, before), where);
                    continue;
                }
                QVERIFY2(due.empty(), where);
                Ticks shared = 0;
                double taken = 0;
                const SaleLot *last = nullptr;
                for (const SalePart &p : parts) {
                    const SaleLot *l = byId(lots, p.lot);
                    QVERIFY2(l && holds(*l, sold) && p.shares > 0 && p.sold == sold, where);
                    QVERIFY2(p.wholeLot ? p.shares == l->shares && p.sharesLeft == 0
                                        : p.sharesLeft == roundShares(l->shares - p.shares) && p.sharesLeft > 0, where);
                    QVERIFY2(sharesExact(p.sharesLeft) && (p.wholeLot || sharesExact(p.shares)), where);
                    const double exact = costPer(*l) * p.shares;
                    QVERIFY2(p.cost % 100 == 0 && (p.wholeLot && l->netAmount ? p.cost == truncateToCent(*l->netAmount)
                                                   : std::abs(double(p.cost) - exact) <= 100 + 1e-9 * exact), where);
                    QVERIFY2(l->netAmount ? p.netLeft == *l->netAmount - p.cost && *p.netLeft >= 0 : !p.netLeft, where);
                    // Within a cent of its share of the proceeds, by shares.
                    QVERIFY2(p.proceeds % 100 == 0 && std::abs(p.proceeds - roundToCent(proceeds) * p.shares / asked) < 100, where);
                    QVERIFY2(!last || takenBefore(method == Chosen ? FirstIn : method, *last, *l), where);
                    QVERIFY2(method == Chosen ? sameShares(p.shares, chosen[p.lot]) : p.wholeLot || &p == &parts.back(),
                             where);
                    shared += p.proceeds;
                    taken += p.shares;
                    last = l;
                }
                QCOMPARE(shared, roundToCent(proceeds));
                QVERIFY2(sameShares(taken, asked), where);
                for (const SaleLot &l : lots) {   // a lot left out comes after the last one taken
                    const bool in = std::any_of(parts.begin(), parts.end(), [&](const SalePart &p) { return p.lot == l.id; });
                    QVERIFY2(in || (method == Chosen ? sameShares(chosen[l.id], 0)
                                                     : !holds(l, sold) || takenBefore(method, *last, l)), where);
                }

                const QString before = folder->query(kStocksDump);
                // A last part that its lot cannot give refuses the whole sale.
                auto refused = toRecords(parts);
                SaleToRecord &wrong = refused.back();
                switch (pick(wrong.netLeft ? 4 : 3)) {
                case 0: wrong.shares += wrong.sharesLeft + 1; wrong.sharesLeft = -1; wrong.wholeLot = false; break;
                case 1: wrong.sold = parts.back().acquired.addDays(-1); break;
                case 2: wrong.proceeds = kMaxMoneyTicks + 1; break;
                default: wrong.cost += *wrong.netLeft + 1; wrong.netLeft = -1;
                }
                QCOMPARE(errorOf([&] { store->Sell(refused); }), kErrEngineBase + SQLITE_CONSTRAINT);
                QCOMPARE(folder->query(kStocksDump), before);
                std::vector<SaleId> ids;
                QVERIFY2(!errorOf([&] { ids = store->Sell(toRecords(parts)); }), where);   // else fails here, and the others go on
                done.push_back({ids, parts, before});

                Ticks proceedsTold = 0;
                std::map<LotId, Ticks> costs;
                for (const SaleRecord &sale : store->Sales()) {
                    costs[sale.lot] += sale.cost;
                    proceedsTold += sale.id >= done.back().ids.front() ? sale.proceeds : 0;
                }
                QCOMPARE(proceedsTold, roundToCent(proceeds));
                for (const SalePart &part : parts) {
                    const auto row = store->rows().rowOf(part.lot);
                    QCOMPARE(row ? store->rows().lot(*row).numShares : 0, part.sharesLeft);
                }
                for (const auto &[id, net] : netAtStart) {
                    const auto row = store->rows().rowOf(id);
                    // A lot gone takes the fraction of a cent that no sale costs with it.
                    QCOMPARE((row ? store->rows().lot(*row).netAmount.value_or(0) : net % 100) + costs[id], net);
                }
            }
            for (; !done.empty(); done.pop_back()) {
                const LotId first = done.front().parts.front().lot;
                if (std::any_of(done.begin() + 1, done.end(), [&](const Done &d) {
                        return std::any_of(d.parts.begin(), d.parts.end(),
                                           [&](const SalePart &p) { return p.lot == first; });
                    }))
                    QCOMPARE(errorOf([&] { undo(*store, done.front().ids.front()); }), int(kErrSaleUndoRefused));
                for (const SaleId id : done.back().ids)
                    QVERIFY(!errorOf([&] { undo(*store, id); }));
                QCOMPARE(folder->query(kStocksDump), done.back().before);
            }
            QCOMPARE(QString::number(store->RecordCount()), folder->query("SELECT count(*) FROM Lots"));
        }
    }

    // Another program inserting sales meets the window's checks, each named
    // (those a sale's parts can break, and the sales they allow: the walk).
    void theFileRefusesTheSalesTheWindowRefuses()
    {
        const struct {
            int lot;
            const char *sale;   // NumShares, Sold, Proceeds, CostBasis, Term
            double drift;       // added to what the sale says the lot held
            const char *refusal;
        } cases[] = {
            {1, "0, '2024-06-01', 8, 0, 'Long'", 0, "above 0"},
            {99, "4, '2024-06-01', 8, 40, 'Long'", 0, "not in"},
            {1, "4, '2024-06-01', 8, 40, 'Long'", 1, "as the ledger"},
            {4, "4, '2024-06-01', 8, 20, 'Long'", 0, "not known"},
            {2, "1, '2021-02-28', 8, 10, 'Short'", 0, ""},   // bought on 29 February
            {2, "1, '2021-02-28', 8, 10, 'Long'", 0, "Term is Long"},
            {2, "1, '2021-03-01', 8, 10, 'Long'", 0, ""},
        };
        for (const auto &c : cases) {
            LedgerFolder ledger({{"Acme", "ACME", 100, 10, 1000, "2020-01-15"}, {"Acme", "ACME", 10, 10, 100, "2020-02-29"},
                                 {"Bolt", "BOLT", 10, 5, {}, "2020-01-15"}, {"Coil", "COIL", 10, {}, {}, "2020-01-15"}});
            Database(ledger.file()).exec(salesSchema().c_str());
            const QString error = ledger.exec(
                QStringLiteral("WITH sale(want, s, sold, p, c, term) AS (VALUES (%1, %2)) "
                               "INSERT INTO Sales (LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, "
                               "Term, LotNumShares, LotPrice, LotNetAmount, SharesLeft, NetLeft) "
                               "SELECT want, Name1, Ticker, s, TradeDate, sold, p, c, term, NumShares + %3, Price, "
                               "NetAmount, NumShares + %3 - s, NetAmount - c FROM sale LEFT JOIN Lots ON ID = want")
                    .arg(c.lot).arg(c.sale).arg(c.drift));
            QVERIFY2(*c.refusal ? error.contains(c.refusal) : error.isEmpty(), qPrintable(c.sale + (": " + error)));
            QCOMPARE(ledger.query("SELECT count(*) FROM Sales"), *c.refusal ? "0" : "1");
        }
    }

    // The first sale makes the sales in its own transaction; a sale keeps its
    // shares through a split of its lot; an undo waits for the lot as the sale
    // left it; a ledger with sales opens, copies and restores.
    void aSaleKeepsWhatItSoldAndItsUndoWaitsForItsLot()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{{"Acme", "ACME", 100, 10, 1000, "2020-02-29"},
                                                                    {"Acme", "ACME", 50, 15, 750, "2021-06-01"},
                                                                    {"Bolt", "BOLT", 10, 2, 20, "2022-01-01"}});
        const QByteArray untouched = checksum(folder->file());
        store = openStore(binding);
        const auto sell = [&](const QString &ticker, QDate sold, double shares, SaleMethod method) {
            return store->Sell(toRecords(planSale(lotsOf(store->rows(), ticker), sold, shares, 1000000, method))).front();
        };
        SaleToRecord tooMany{1, QDate(2021, 3, 1), 101, 0, 1010000, "Long", -1, 0, false};
        QCOMPARE(errorOf([&] { store->Sell({tooMany}); }), kErrEngineBase + SQLITE_CONSTRAINT);
        store.reset();
        QCOMPARE(checksum(folder->file()), untouched);
        store = openStore(binding);

        sell("ACME", QDate(2021, 2, 28), 40, SaleMethod::FirstIn);
        const SaleId afterAYear = sell("ACME", QDate(2021, 3, 1), 10, SaleMethod::FirstIn);
        const SaleId bolt = sell("BOLT", QDate(2023, 1, 1), 10, SaleMethod::FirstIn);
        const SaleId lot2 = sell("ACME", QDate(2023, 1, 1), 5, SaleMethod::LastIn);

        // A split of lot 1 through its boxes, an edit of lot 2's name.
        store->setBookmark(1);
        store->Edit();
        binding.texts[kNumShares] = QStringLiteral("100");
        binding.texts[kPrice] = QStringLiteral("5");
        store->Update();
        store->setBookmark(2);
        store->Edit();
        binding.texts[kName1] = QStringLiteral("Acme Corp");
        store->Update();
        QCOMPARE(folder->query("SELECT NumShares FROM qrySales WHERE LotID = 1"), QStringLiteral("40.0|10.0"));
        const QString before = folder->query(kStocksDump);
        for (const auto &[sale, reason] : {std::pair(afterAYear, "its number of shares and price per share changed"),
                                           std::pair(lot2, "its name changed")}) {
            try {
                undo(*store, sale);
                QFAIL("undone");
            } catch (const Error &e) {
                QVERIFY2(e.number() == kErrSaleUndoRefused && e.description().contains(reason), qPrintable(e.description()));
            }
        }
        QCOMPARE(folder->query(kStocksDump), before);

        undo(*store, bolt);
        store.reset();
        const QString copy = backup::copyLedger(folder->file()).take();
        folder->exec("DELETE FROM Sales");
        backup::restore(folder->file(), copy);
        QFile::remove(copy);
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty());
        QCOMPARE(store->Sales().size(), std::size_t(3));
    }

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
        QCOMPARE(backup::lotsIn(before), std::optional<qint64>(100000));

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
        const SaleRecord seen = other->Sales().front();
        QCOMPARE(errorOf([&] { backup::restore(folder->file(), copy); }), 0);
        store = openStore(binding);
        store->AddNew();
        binding.texts = {"", "Ccc", "CCC", "10", "1", "10", "1/15/2020"};
        QCOMPARE(errorOf([&] { store->Update(); }), 0);
        QCOMPARE(sell("S1", 5), std::vector<SaleId>{2});
        QCOMPARE(errorOf([&] { other->Delete(); }), int(kErrLotGone));
        QCOMPARE(errorOf([&] { otherOnChanged->Delete(); }), int(kErrLotChanged));
        QCOMPARE(errorOf([&] { other->UndoSale(seen); }), int(kErrSaleUndoRefused));
        QCOMPARE(folder->query("SELECT group_concat(ID || ' ' || Ticker || ' ' || NumShares, '|') FROM qryStocks"),
                 QStringLiteral("1 AAA 10.0|2 S1 5.0|3 BBB 10.0|5 CCC 10.0"));
        QCOMPARE(folder->query("SELECT group_concat(ID || ' ' || NumShares) FROM qrySales"), QStringLiteral("2 5.0"));
    }

    // Ledgers that earlier versions made open as they are, a remnant of shares shown to fifteen digits;
    // a sale rounds what its lot keeps, takes a lot sold whole as it is, and brings earlier sales up to
    // date, their rows and the IDs they gave kept.
    void ledgersOfEarlierVersionsOpenAndSell()
    {
        for (const QString sample : {"ledger-first", "ledger-ranges", "ledger-sales"}) {
            QFile dump(QStringLiteral(TESMO_STORE_SAMPLES "/%1.sql").arg(sample));
            store.reset();
            folder.reset();   // before the next takes the current folder
            folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
            QVERIFY(dump.open(QIODevice::ReadOnly) && folder->exec(QString::fromUtf8(dump.readAll())).isEmpty());
            const bool sold = sample == "ledger-sales";
            const QString earlier = folder->query("SELECT * FROM Sales");
            store = openStore(binding);
            QVERIFY2(dataErrors.isEmpty(), qPrintable(sample + ": " + told));
            QCOMPARE(store->rows().texts(1)[kNumShares], QStringLiteral("50.99999999"));
            QCOMPARE(sell("BOLT", 10), std::vector<SaleId>{sold ? 3 : 1});
            QCOMPARE(sell("ACME", sold ? 50.9 : 51.1), std::vector<SaleId>{sold ? 4 : 2});
            QCOMPARE(folder->query("SELECT group_concat(quote(NumShares)) FROM Lots"), QStringLiteral("41.0"));
            QCOMPARE(folder->query(QStringLiteral("SELECT group_concat(printf('%.17g %.17g', NumShares, SharesLeft), '|') "
                                                  "FROM Sales WHERE ID > %1").arg(sold ? 2 : 0)),
                     QStringLiteral("10 41|%1 0").arg(sold ? "50.89999999999999" : "51.1"));
            QCOMPARE(folder->query("SELECT * FROM Sales WHERE ID < 3 AND " + QString::number(sold)), sold ? earlier : "");
            store = openStore(binding);
            QVERIFY2(dataErrors.isEmpty(), qPrintable(sample + ": " + told));
        }
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
            const auto parts = toRecords(planSale(lotsOf(store->rows(), "T1"), {2024, 6, 1}, 950, 100000, FirstIn));
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

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "tst_recordstore.moc"
