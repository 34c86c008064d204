// The record store without any window: keyset order, positions, bookmarks,
// the Validate protocol, and what the file holds after each operation.
#include "store/LotReader.h"
#include "store/RecordStore.h"
#include "support/LedgerFolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>

using namespace tesmo;
using tesmo::test::LedgerFolder;
using tesmo::test::NewLot;

namespace {

// The bound boxes as plain texts with changed marks, as the window keeps them.
class TextBinding : public FieldBinding {
public:
    FieldTexts texts;
    std::array<bool, kFieldCount> marks{};

    QString text(int pos) const override { return texts[std::size_t(pos)]; }
    void show(const FieldTexts &t) override
    {
        texts = t;
        marks.fill(false);
    }
    bool changed(int pos) const override { return marks[std::size_t(pos)]; }
    void setUnchanged(int pos) override { marks[std::size_t(pos)] = false; }

    void type(int pos, const QString &t)
    {
        texts[std::size_t(pos)] = t;
        marks[std::size_t(pos)] = true;
    }
};

const std::vector<NewLot> kFive = {
    {"Alpha", "AAA", 10, 1.5, 15, "2003-01-15"},
    {"Beta", "BBB", 20, QVariant(), QVariant(), "2003-02-15"},
    {"Gamma", "ccc", 30, 3, 0, "2003-03-15"},
    {"Delta", "O'NEIL", 40, 4, QVariant(), "2003-04-15"},
    {"Epsilon", "CCC", 50, 5, 250, "2003-05-15"},
};

QByteArray checksum(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class RecordStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LedgerFolder> folder;
    TextBinding binding;
    std::unique_ptr<RecordStore> store;
    QList<int> actions;           // Validate actions seen
    int cancelAction = -1;        // Validate cancels this action
    QList<int> dataErrors;        // Error events

    void open(const std::vector<NewLot> &lots, bool createFile = true)
    {
        folder = std::make_unique<LedgerFolder>(lots, createFile);
        store = std::make_unique<RecordStore>(QStringLiteral("Tesmo.mdb"), binding);
        store->setEvents({
            [this](int &action, bool &) {
                actions << action;
                if (action == cancelAction)
                    action = kActCancel;
            },
            {},
            [this](int err, const QString &, int &response) {
                dataErrors << err;
                response = 0;
            },
        });
        store->Open();
    }

    int errorOf(const std::function<void()> &op)
    {
        try {
            op();
        } catch (const StoreError &e) {
            return e.number();
        }
        return 0;
    }

private slots:
    void init()
    {
        binding = TextBinding{};
        actions.clear();
        cancelAction = -1;
        dataErrors.clear();
    }
    void cleanup()
    {
        store.reset();
        folder.reset();
    }

    void aMissingFileIsCreatedAsAnEmptyLedger()
    {
        open({}, false);
        QVERIFY(dataErrors.isEmpty());
        QVERIFY(QFile::exists(folder->file()));
        QCOMPARE(store->RecordCount(), 0);
        QCOMPARE(store->AbsolutePosition(), -1);
        store->AddNew();
        QCOMPARE(store->AbsolutePosition(), -1);
        QCOMPARE(store->EditMode(), int(kEditAdd));
        QCOMPARE(folder->query("SELECT name FROM pragma_table_info('qryStocks')"),
                 QStringLiteral("ID|Name1|Ticker|NumShares|Price|NetAmount|TradeDate"));
        QCOMPARE(folder->query("SELECT Protected, Password FROM Options"), QStringLiteral("0,"));
    }

    void theFirstLotIsCurrentAndItsTextsAreShown()
    {
        open(kFive);
        QCOMPARE(store->RecordCount(), 5);
        QCOMPARE(store->AbsolutePosition(), 0);
        QCOMPARE(binding.texts, (FieldTexts{"1", "Alpha", "AAA", "10", "1.5", "15", "1/15/2003"}));
        store->MoveLast();
        QCOMPARE(store->AbsolutePosition(), 4);
        QCOMPARE(binding.texts[kName1], QStringLiteral("Epsilon"));
    }

    void aPendingNewLotKeepsThePositionUntilTheBookmarkMovesToIt()
    {
        open(kFive);
        store->MoveNext();
        store->MoveNext();
        const Bookmark third = store->getBookmark();
        store->AddNew();
        QCOMPARE(store->AbsolutePosition(), 2);
        QCOMPARE(store->getBookmark(), third);
        for (const auto &[pos, text] : {std::pair{kName1, "Zeta"}, {kTicker, "ZZ"}, {kNumShares, "5"},
                                        {kTradeDate, "1/5/03"}})
            binding.type(pos, QString::fromUtf8(text));
        store->Update();
        QCOMPARE(store->EditMode(), int(kEditNone));
        QCOMPARE(store->AbsolutePosition(), 2);
        QCOMPARE(store->RecordCount(), 6);
        store->setBookmark(store->LastModified());
        QCOMPARE(store->AbsolutePosition(), store->RecordCount() - 1);
        QCOMPARE(binding.texts, (FieldTexts{"6", "Zeta", "ZZ", "5", "", "", "1/5/2003"}));
        QCOMPARE(folder->query("SELECT * FROM qryStocks WHERE ID = 6"),
                 QStringLiteral("6,Zeta,ZZ,5.0,NULL,NULL,2003-01-05"));
    }

    void netAmountIsNullFindsEmptyAmountsOnlyInOrder()
    {
        open(kFive);
        store->FindFirst(FindCriteria::netAmountIsNull());
        QVERIFY(!store->NoMatch());
        QCOMPARE(store->AbsolutePosition(), 1);
        store->FindNext(FindCriteria::netAmountIsNull());
        QCOMPARE(store->AbsolutePosition(), 3);   // Gamma's 0 is not empty
        store->FindNext(FindCriteria::netAmountIsNull());
        QVERIFY(store->NoMatch());
    }

    void tickerFindsIgnoreCaseAndTakeQuotesAsText()
    {
        open(kFive);
        store->FindFirst(FindCriteria::byTicker("ccc"));
        QCOMPARE(store->AbsolutePosition(), 2);
        store->FindNext(FindCriteria::byTicker("ccc"));
        QCOMPARE(store->AbsolutePosition(), 4);
        store->FindFirst(FindCriteria::byTicker("o'neil"));
        QVERIFY(!store->NoMatch());
        QCOMPARE(store->AbsolutePosition(), 3);
        store->FindFirst(FindCriteria::byTicker("' OR 1=1 --"));
        QVERIFY(store->NoMatch());
        QCOMPARE(store->RecordCount(), 5);
    }

    void deletingMovesTheLotsBehindUpByOne()
    {
        open(kFive);
        store->MoveNext();   // Beta
        store->Delete();
        QCOMPARE(store->RecordCount(), 4);
        QCOMPARE(store->AbsolutePosition(), -1);   // no current lot until a move
        store->MovePrevious();
        QCOMPARE(binding.texts[kName1], QStringLiteral("Alpha"));
        store->MoveNext();
        QCOMPARE(store->AbsolutePosition(), 1);     // Gamma was at 2
        QCOMPARE(binding.texts[kName1], QStringLiteral("Gamma"));
        QCOMPARE(folder->query("SELECT count(*) FROM qryStocks WHERE ID = 2"), QStringLiteral("0"));

        store->MoveFirst();
        store->Delete();                            // the first lot: step back, then on
        store->MovePrevious();
        QCOMPARE(store->AbsolutePosition(), -1);
        store->MoveNext();
        QCOMPARE(binding.texts[kName1], QStringLiteral("Gamma"));
        QCOMPARE(store->AbsolutePosition(), 0);
    }

    void deletingTheOnlyLotLeavesNoCurrentLot()
    {
        open({kFive[0]});
        store->Delete();
        store->MovePrevious();
        store->MoveNext();
        QCOMPARE(store->AbsolutePosition(), -1);
        QCOMPARE(store->RecordCount(), 0);
        QCOMPARE(binding.texts, FieldTexts{});
    }

    void validateIsRaisedWithTheReasonBeforeEveryOperation()
    {
        open(kFive);
        store->MoveNext();
        store->MovePrevious();
        store->MoveLast();
        store->MoveFirst();
        store->FindFirst(FindCriteria::byId(3));
        store->setBookmark(1);
        store->AddNew();
        binding.type(kTicker, "NEW");
        binding.type(kNumShares, "1");
        binding.type(kTradeDate, "2/29/2004");
        store->Update();
        store->Delete();
        store->MoveFirst();
        store->Close(kActUnload);
        QCOMPARE(actions, (QList<int>{3, 2, 4, 1, 8, 9, 5, 6, 7, 11}));
    }

    void aCancelledOperationFailsWith3426AndChangesNothing()
    {
        open(kFive);
        binding.type(kTicker, "CHANGED");
        cancelAction = kActMoveNext;
        QCOMPARE(errorOf([&] { store->MoveNext(); }), int(kErrCancelled));
        QCOMPARE(store->AbsolutePosition(), 0);
        QCOMPARE(binding.texts[kTicker], QStringLiteral("CHANGED"));
        QCOMPARE(folder->query("SELECT Ticker FROM qryStocks WHERE ID = 1"), QStringLiteral("AAA"));

        cancelAction = kActAddNew;   // New is abandoned quietly
        QCOMPARE(errorOf([&] { store->AddNew(); }), 0);
        QCOMPARE(store->EditMode(), int(kEditNone));

        cancelAction = kActUpdate;
        store->Edit();
        QCOMPARE(errorOf([&] { store->Update(); }), int(kErrCancelled));
        QCOMPARE(store->EditMode(), int(kEditInProgress));

        cancelAction = kActUnload;
        QCOMPARE(errorOf([&] { store->Close(kActUnload); }), int(kErrCancelled));
        QVERIFY(store->isOpen());
    }

    void changedBoxesAreStoredWhenTheLotIsLeft()
    {
        open(kFive);
        binding.type(kPrice, "$1,234.5678");
        binding.type(kNetAmount, "");
        store->MoveNext();
        QCOMPARE(folder->query("SELECT Price, NetAmount FROM qryStocks WHERE ID = 1"),
                 QStringLiteral("1234.5678,NULL"));
        store->MovePrevious();
        QCOMPARE(binding.texts[kPrice], QStringLiteral("1234.5678"));
        QCOMPARE(store->LastModified(), Bookmark(1));
    }

    // A find or a bookmark skips the field rules, so the store itself must
    // refuse a text that is not of its field's kind.
    void aTextOfTheWrongKindIsNeverWrittenAndTheMoveIsNotDone()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        open(kFive);
        const QString before = folder->query("SELECT * FROM qryStocks WHERE ID = 1");
        binding.type(field, text);
        QCOMPARE(errorOf([&] { store->FindFirst(FindCriteria::byId(3)); }), int(kErrTypeMismatch));
        QCOMPARE(errorOf([&] { store->setBookmark(3); }), int(kErrTypeMismatch));
        QCOMPARE(store->AbsolutePosition(), 0);
        QCOMPARE(folder->query("SELECT * FROM qryStocks WHERE ID = 1"), before);
    }
    void aTextOfTheWrongKindIsNeverWrittenAndTheMoveIsNotDone_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("shares as words") << int(kNumShares) << "many";
        QTest::newRow("price with letters") << int(kPrice) << "12x";
        QTest::newRow("net amount in parentheses") << int(kNetAmount) << "($5.00)";
        QTest::newRow("date past the month's end") << int(kTradeDate) << "2/30/2004";
        QTest::newRow("date as words") << int(kTradeDate) << "yesterday";
    }

    void aLotWithoutTickerSharesOrDateIsRefused()
    {
        open(kFive);
        store->AddNew();
        QCOMPARE(errorOf([&] { store->Update(); }), int(kErrRequiredField));
        QCOMPARE(store->EditMode(), int(kEditAdd));
        binding.type(kTicker, "X");
        binding.type(kNumShares, "1");
        binding.type(kTradeDate, "1/1/2001");
        binding.type(kPrice, "-5");
        QCOMPARE(errorOf([&] { store->Update(); }), int(kErrNegativeMoney));
        QCOMPARE(store->RecordCount(), 5);
        QCOMPARE(folder->query("SELECT count(*) FROM Lots"), QStringLiteral("5"));
    }

    void theListReadsTheSameLotsInTheSameOrderAsTheKeyset()
    {
        open(kFive);
        LotTable table;
        readAllLots(QStringLiteral("Tesmo.mdb"), table);
        QCOMPARE(int(table.rows.size()), store->RecordCount());
        for (std::size_t i = 0; i < table.rows.size(); ++i)
            QCOMPARE(table.rows[i].id, store->keys()[i]);
        QCOMPARE(table.texts(table.rows[1]), (FieldTexts{"2", "Beta", "BBB", "20", "", "", "2/15/2003"}));
        QCOMPARE(table.texts(table.rows[2])[kNetAmount], QStringLiteral("0"));
    }

    // What other programs that script the ledger can rely on: new IDs sort
    // last, and the file refuses text in number and date columns.
    void theFileKeepsItsContractWithOtherPrograms()
    {
        open(kFive);
        store->MoveLast();
        store->Delete();
        folder->addLots({{"Late", "LATE", 1, QVariant(), QVariant(), "2020-01-01"}});
        QCOMPARE(folder->query("SELECT ID FROM qryStocks WHERE Ticker = 'LATE'"), QStringLiteral("6"));
        QVERIFY_THROWS_EXCEPTION(StoreError, folder->addLots({{"Bad", "BAD", "lots", QVariant(), QVariant(), "2020-01-01"}}));
        QVERIFY_THROWS_EXCEPTION(StoreError, folder->addLots({{"Bad", "BAD", 1, QVariant(), QVariant(), "2020-02-30"}}));
        QCOMPARE(folder->query("SELECT count(*) FROM Lots"), QStringLiteral("5"));
    }

    void aFileThatIsNotALedgerIsNeverWritten()
    {
        QFETCH(QByteArray, content);
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{}, false);
        {
            QFile f(folder->file());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        if (content.isEmpty()) {   // an SQLite database of some other program
            sqlite3 *other = nullptr;
            QVERIFY(sqlite3_open(QFile::encodeName(folder->file()).constData(), &other) == SQLITE_OK);
            QVERIFY(sqlite3_exec(other, "CREATE TABLE notes (body TEXT)", nullptr, nullptr, nullptr) == SQLITE_OK);
            sqlite3_close(other);
        }
        const QByteArray before = checksum(folder->file());
        store = std::make_unique<RecordStore>(QStringLiteral("Tesmo.mdb"), binding);
        store->setEvents({{}, {}, [this](int err, const QString &, int &) { dataErrors << err; }});
        store->Open();
        QCOMPARE(dataErrors.size(), 1);
        QCOMPARE(store->RecordCount(), 0);
        store->AddNew();
        binding.type(kTicker, "X");
        binding.type(kNumShares, "1");
        binding.type(kTradeDate, "1/1/2001");
        QVERIFY(errorOf([&] { store->Update(); }) != 0);
        LotTable table;
        QVERIFY_THROWS_EXCEPTION(StoreError, readAllLots(QStringLiteral("Tesmo.mdb"), table));
        store.reset();
        QCOMPARE(checksum(folder->file()), before);
        QCOMPARE(QDir(folder->path()).entryList(QDir::Files).filter("Tesmo.mdb").size(), 1);
    }
    void aFileThatIsNotALedgerIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("legacy database bytes") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20).repeated(100);
        QTest::newRow("text file") << QByteArray("just some notes\n");
        QTest::newRow("damaged SQLite header") << QByteArray("SQLite format 3\0garbage-garbage-garbage", 40);
        QTest::newRow("another program's database") << QByteArray();
    }


};

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "tst_recordstore.moc"
