// The record store and the ledger file without any window: the file's
// contract with other programs, writes that never undo another program's
// change, lots an older tool wrote, and files that are not ledgers.
#include "store/LotReader.h"
#include "store/RecordStore.h"
#include "support/LedgerFolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>
#include <thread>

using namespace tesmo;
using tesmo::test::LedgerFolder;
using tesmo::test::NewLot;
using tesmo::test::numberedLots;

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

} // namespace

class RecordStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LedgerFolder> folder;
    TextBinding binding;
    std::unique_ptr<RecordStore> store;
    QList<int> dataErrors;   // Error events

    std::unique_ptr<RecordStore> openStore(TextBinding &b)
    {
        auto s = std::make_unique<RecordStore>(QStringLiteral("Tesmo.mdb"), b);
        s->setEvents({{}, {}, [this](int err, const QString &, int &response) {
                          dataErrors << err;
                          response = 0;
                      }, {}});
        s->Open();
        return s;
    }
    static int errorOf(const std::function<void()> &op)
    {
        try {
            op();
        } catch (const Error &e) {
            return e.number();
        }
        return 0;
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

    void aNewLedgerIsCreatedDurableAndWithoutLeftovers()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        QFile leftover(QStringLiteral("Tesmo.mdb.new-999999999"));   // of a killed first start
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty());
        QVERIFY(!QFile::exists(leftover.fileName()));
        QCOMPARE(store->RecordCount(), 0);
        QCOMPARE(store->AbsolutePosition(), -1);
        QCOMPARE(folder->query("SELECT name FROM pragma_table_info('qryStocks')"),
                 QStringLiteral("ID|Name1|Ticker|NumShares|Price|NetAmount|TradeDate"));
        QCOMPARE(folder->query("SELECT Protected, Password FROM Options"), QStringLiteral("0,"));
        Database db(folder->file());
        Statement s(db.handle(), "PRAGMA synchronous");
        s.step();
        QCOMPARE(s.int64(0), 3);   // EXTRA: the folder is synced after every commit
    }

    // Another program writing through qryStocks meets the same limits as the window.
    void theFileRefusesWhatTheWindowRefuses_data()
    {
        QTest::addColumn<QString>("values");   // Name1, Ticker, NumShares, Price, NetAmount, TradeDate
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "'A', 'T', 1, 2, 3, '2003-01-15'" << true;
        QTest::newRow("largest amounts") << "NULL, 'T', 999999999999999, 450000000000, 450000000000, '9999-12-31'"
                                         << true;
        QTest::newRow("50 characters, the last wide")
            << QStringLiteral("'%1😀', 'TTTTTTTTT😀', 1, NULL, NULL, '0001-01-01'").arg(QString(49, u'a')) << true;
        QTest::newRow("year 0") << "'A', 'T', 1, 2, 3, '0000-01-01'" << false;
        QTest::newRow("no such day") << "'A', 'T', 1, 2, 3, '2003-02-29'" << false;
        QTest::newRow("infinite shares") << "'A', 'T', 9e999, 2, 3, '2003-01-15'" << false;
        QTest::newRow("too many shares") << "'A', 'T', 1e15, 2, 3, '2003-01-15'" << false;
        QTest::newRow("price too high") << "'A', 'T', 1, 450000000000.0001, 3, '2003-01-15'" << false;
        QTest::newRow("infinite net amount") << "'A', 'T', 1, 2, 9e999, '2003-01-15'" << false;
        QTest::newRow("negative price") << "'A', 'T', 1, -2, 3, '2003-01-15'" << false;
        QTest::newRow("text as shares") << "'A', 'T', 'many', 2, 3, '2003-01-15'" << false;
        QTest::newRow("NUL in name") << "'A' || char(0) || 'B', 'T', 1, 2, 3, '2003-01-15'" << false;
        QTest::newRow("51 characters") << QStringLiteral("'%1', 'T', 1, 2, 3, '2003-01-15'").arg(QString(51, u'a'))
                                       << false;
        QTest::newRow("empty ticker") << "'A', '', 1, 2, 3, '2003-01-15'" << false;
    }
    void theFileRefusesWhatTheWindowRefuses()
    {
        QFETCH(QString, values);
        QFETCH(bool, accepted);
        LedgerFolder ledger;
        const QString error = ledger.exec(
            "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES (" + values + ")");
        QVERIFY2(error.isEmpty() == accepted, qPrintable(error));
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

    // A lot an older tool wrote without the file's checks is shown as well as
    // it can be, with the fields that do not fit named. (The window's tests
    // leave and delete such lots.)
    void lotsAnOlderToolWroteAreShownAsWellAsTheyCanBe()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        folder->exec("CREATE TABLE Lots (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name1, Ticker, NumShares, Price, "
                     "NetAmount, TradeDate);"
                     "CREATE VIEW qryStocks AS SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate "
                     "FROM Lots ORDER BY ID;"
                     "CREATE TABLE Options (Protected, Password); INSERT INTO Options VALUES (0, '');"
                     "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES "
                     "('Zero', 'Z', 9e999, 1e300, -5, '0000-01-01'), ('Words', NULL, 'many', 'dear', 2, 37), "
                     "('Fine', 'F', 1, 2, 3, '2003-01-15');");
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty());
        QCOMPARE(binding.texts[kTradeDate], QStringLiteral("0000-01-01"));
        QCOMPARE(binding.texts[kNumShares], QStringLiteral("Infinity"));
        QCOMPARE(store->current()->unfitFields(),
                 QStringList({"Number of Shares", "Price per Share", "Net Amount", "Trade Date"}));
        store->MoveNext();
        QCOMPARE(binding.texts[kNumShares], QStringLiteral("many"));
        QCOMPARE(store->current()->unfitFields(),
                 QStringList({"Ticker Symbol", "Number of Shares", "Price per Share", "Trade Date"}));
        store->MoveNext();
        QVERIFY(store->current()->unfitFields().isEmpty());

        LotTable table;
        folder->exec("INSERT INTO Lots (Name1, Ticker, NumShares, TradeDate) VALUES ('Odd', 'O', 'x', '0000-01-01')");
        readAllLots(QStringLiteral("Tesmo.mdb"), table);
        QCOMPARE(table.texts(table.rows[3]), (FieldTexts{"4", "Odd", "O", "x", "", "", "0000-01-01"}));
        QCOMPARE(table.texts(table.rows[2]), (FieldTexts{"3", "Fine", "F", "1", "2", "3", "1/15/2003"}));
    }

    // Opening never writes to a file that is not a ledger, its -wal included.
    void aForeignFileKeepsEveryByte_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not SQLite") << "bytes";
        QTest::newRow("empty") << "empty";
        QTest::newRow("another program's database") << "sqlite";
        QTest::newRow("another program's database in WAL mode") << "wal";
    }
    void aForeignFileKeepsEveryByte()
    {
        QFETCH(QString, kind);
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        QFile f(folder->file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == "bytes")
            f.write("Standard Jet DB\0\0\0\0 not a database of this program", 50);
        f.close();
        if (kind == "sqlite" || kind == "wal") {
            // Its program left the -wal behind, not checkpointed.
            sqlite3 *other = nullptr;
            sqlite3_open(folder->file().toUtf8().constData(), &other);
            sqlite3_db_config(other, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            sqlite3_exec(other, kind == "wal" ? "PRAGMA journal_mode=WAL; CREATE TABLE Stocks(x); INSERT INTO Stocks VALUES (1);"
                                              : "CREATE TABLE Stocks(x); INSERT INTO Stocks VALUES (1);",
                         nullptr, nullptr, nullptr);
            sqlite3_close(other);
            QCOMPARE(QFile::exists(folder->file() + "-wal"), kind == "wal");
        }
        const QByteArray file = checksum(folder->file());
        const QByteArray wal = checksum(folder->file() + "-wal");
        store = openStore(binding);
        QCOMPARE(dataErrors, QList<int>{kErrNotALedger});
        QVERIFY(errorOf([&] { store->AddNew(); store->Update(); }) != 0);
        store.reset();
        QCOMPARE(checksum(folder->file()), file);
        QCOMPARE(checksum(folder->file() + "-wal"), wal);
        QCOMPARE(QDir(folder->path()).entryList({"Tesmo.mdb.new*"}, QDir::Files), QStringList());
    }

    void aLockedLedgerIsWaitedFor()
    {
        folder = std::make_unique<LedgerFolder>(numberedLots(5));
        sqlite3 *other = nullptr;
        sqlite3_open(folder->file().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release([other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        });
        store = openStore(binding);
        release.join();
        sqlite3_close(other);
        QVERIFY(dataErrors.isEmpty());
        QCOMPARE(store->RecordCount(), 5);
    }
};

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "tst_recordstore.moc"
