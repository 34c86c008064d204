// The figures for taxes through corporate actions, each action written into
// the file as the store records it and undone as the store undoes it: a wash
// sale kept through a ticker change and a merger for shares, and the gain of
// a return of capital in every list of gains; a wash-sale adjustment carried
// through a split of one lot.
#include "sales/GainsReport.h"
#include "sales/LedgerGains.h"
#include "sales/ShareSale.h"
#include "store/CapitalReturns.h"
#include "support/StoreFixture.h"

#include <QTemporaryDir>

using namespace tesmo;
using namespace tesmo::test;

namespace {

// An action of every lot of OLD, as the store writes it: its rows, each lot as
// it was and as it is left, a split of each lot for a merger, the lots changed.
QString actionSql(const char *kind, double ratio)
{
    const bool merger = QLatin1String(kind) == "Merger";
    return QStringLiteral(
               "INSERT INTO Actions (Ticker, Day, Kind, Ratio, RatioText, NewTicker, NewName, AfterSale) "
               "VALUES ('OLD', '2024-04-01', '%1', %2, %3, 'NEW', 'New Co', (SELECT max(ID) FROM Sales));"
               "INSERT INTO ActionLots (ActionID, LotID, BeforeName1, BeforeTicker, BeforeShares, BeforePrice, "
               "BeforeNetAmount, BeforeTradeDate, AfterName1, AfterTicker, AfterShares, AfterPrice, AfterNetAmount) "
               "SELECT (SELECT max(ID) FROM Actions), ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate, "
               "'New Co', 'NEW', NumShares * %4, Price / %4, NetAmount FROM Lots WHERE Ticker = 'OLD';"
               "INSERT INTO LotSplits (LotID, AfterSale, Factor) SELECT ID, (SELECT max(ID) FROM Sales), %4 "
               "FROM Lots WHERE Ticker = 'OLD' AND %5;"
               "UPDATE Lots SET Name1 = 'New Co', Ticker = 'NEW', NumShares = NumShares * %4, Price = Price / %4 "
               "WHERE Ticker = 'OLD';")
        .arg(QLatin1String(kind), merger ? QString::number(ratio) : "NULL",
             merger ? QStringLiteral("'%1 for 1'").arg(ratio) : "NULL", QString::number(ratio), merger ? "1" : "0");
}

// Undoes every action: each lot gets back every value, the action's rows and
// splits go.
constexpr const char *kUndoSql =
    "UPDATE Lots SET Name1 = l.BeforeName1, Ticker = l.BeforeTicker, NumShares = l.BeforeShares, "
    "Price = l.BeforePrice, NetAmount = l.BeforeNetAmount, TradeDate = l.BeforeTradeDate "
    "FROM ActionLots AS l WHERE l.LotID = Lots.ID AND l.FromLot IS NULL;"
    "DELETE FROM LotSplits WHERE LotID IN (SELECT LotID FROM ActionLots);"
    "DELETE FROM ActionLots; DELETE FROM Actions;";

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

} // namespace

class ActionGainsTest : public StoreFixture {
    Q_OBJECT

    // Writes sql into the file as another writer of it, and opens the store
    // again, which brings the figures marked up to date.
    void write(const QString &sql)
    {
        store.reset();
        QCOMPARE(folder->exec(sql), QString());
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty());
        QVERIFY(keptAsWorkedOut(*store));
    }

private slots:
    void initTestCase() { keepGainsWith(gainRowsOf); }   // as the program does
    void init() { reset(); }
    void cleanup() { close(); }

    // Lot 1's 100 shares sold at a $250 loss on 1 March were replaced by lot 2, bought on 15 March: the loss is
    // disallowed and lot 2 carries it from 16 January. A ticker change or a merger of OLD into NEW leaves the
    // loss disallowed and the adjustment and date on lot 2's shares, now shares of NEW (twice as many after a
    // 2-for-1 merger); undone, every figure is as before. The Sell command offers lot 2 with them, its planned
    // rows are the rows recorded, and the sale of 100 shares of NEW counts them. A change of lot 2 moves the
    // figures of OLD's sale at once.
    void aWashSaleStaysThroughTheTickersAction()
    {
        const struct {
            const char *kind;
            double ratio;
            const char *held;    // GainsHeld after the action
            double proceeds;     // of the sale of 100 shares of NEW on 3 June
            const char *sold;    // its row
            const char *left;    // GainsHeld after it
        } cases[] = {
            {"Ticker change", 1, "2,0,new,100.0,2024-01-16,250.0", 1200,
             "100 sh. NEW (New Co),2024-01-16,1200.0,1050.0,,0.0,150.0,Short", ""},
            {"Merger", 2, "2,0,new,200.0,2024-01-16,250.0", 600,
             "100 sh. NEW (New Co),2024-01-16,600.0,525.0,,0.0,75.0,Short", "2,0,new,100.0,2024-01-16,125.0"},
        };
        const QString gains = "SELECT SaleNo, LotID, Description, Acquired, Proceeds, CostBasis, Code, Adjustment, "
                              "Gain, Term FROM qryGains";
        for (const auto &c : cases) {
            const QByteArray where = c.kind;
            store.reset();
            folder.reset();
            folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{{"Old Co", "OLD", 100, 10, 1000, "2024-01-02"},
                                                                        {"Old Co", "OLD", 100, 8, 800, "2024-03-15"}});
            store = openStore(binding);
            sell("OLD", 100, QDate(2024, 3, 1), 750 * kTicksPerDollar);
            write(QString::fromStdString(lotSplitsSchema() + actionsSchema()));
            const QString before = folder->query(gains) + " / " + folder->query("SELECT * FROM GainsHeld");
            QCOMPARE(before, "1,1,100 sh. OLD (Old Co),2024-01-02,750.0,1000.0,W,250.0,0.0,Short / "
                             "2,0,old,100.0,2024-01-16,250.0");

            write(actionSql(c.kind, c.ratio));
            QVERIFY2(folder->query(gains).startsWith(before.section(" / ", 0, 0)), where);
            QVERIFY2(folder->query("SELECT * FROM GainsHeld") == c.held, where);
            write(kUndoSql);
            QVERIFY2(folder->query(gains) + " / " + folder->query("SELECT * FROM GainsHeld") == before, where);
            write(actionSql(c.kind, c.ratio));
            // Lot 2, now of NEW, which has no sales, bought too late to replace the loss, then as it was. Until
            // the program works them out again, qryGains hides the rows of OLD's sale.
            store.reset();
            QCOMPARE(folder->exec("UPDATE Lots SET TradeDate = '2024-04-15' WHERE ID = 2"), QString());
            QVERIFY2(folder->query(gains).isEmpty(), where);
            write("");
            QVERIFY2(!folder->query(gains).contains(",W,"), where);
            write("UPDATE Lots SET TradeDate = '2024-03-15' WHERE ID = 2");

            store->setBookmark(2);
            ShareSale sale(*store);
            QVERIFY2(sale.adjustedOf(2) && sale.adjustedOf(2)->adjustment == 250 * kTicksPerDollar
                         && sale.adjustedOf(2)->heldFrom == QDate(2024, 1, 16), where);
            const std::vector<SalePart> parts =
                sale.plan(QDate(2024, 6, 3), 100, Ticks(c.proceeds * kTicksPerDollar), FirstIn, {});
            const std::vector<TaxRow> planned = sale.figures(parts).rows;
            sale.sell(parts);
            QVERIFY2(keptAsWorkedOut(*store), where);
            QVERIFY2(folder->query(gains + " WHERE SaleNo = 2") == "2,2," + QString(c.sold), where);
            QVERIFY2(folder->query("SELECT * FROM GainsHeld") == c.left, where);
            const std::optional<std::vector<GainRow>> kept = store->GainRowsKept({sale.sold().front().id});
            QVERIFY2(kept && kept->size() == 1 && planned.size() == 1, where);
            QVERIFY2(std::tuple(planned[0].acquired, planned[0].proceeds, planned[0].costBasis, planned[0].adjustment)
                         == std::tuple(kept->at(0).acquired, kept->at(0).proceeds, kept->at(0).costBasis,
                                       kept->at(0).adjustment), where);
        }
    }

    // A return of capital of $3 a share on lots that cost $1 and $10 a share, in a ledger without sales: the
    // first lot's $200 above its cost is a long-term gain of no shares on the day, the same in qryGains, the
    // report's lines and rows, Form 8949 (CSV and TXF) and the gains CSV; it is not a sale to undo. Undone,
    // no gain is left anywhere.
    void aReturnOfCapitalAboveCostIsAGainEverywhere()
    {
        store.reset();
        folder.reset();
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{{"Acme", "ACME", 100, 1, 100, "2023-01-02"},
                                                                    {"Acme", "ACME", 50, 10, 500, "2024-05-01"}});
        store = openStore(binding);
        write(QString::fromStdString(salesSchema() + lotSplitsSchema() + actionsSchema()));
        write("INSERT INTO Actions (Ticker, Day, Kind, Cash, AfterSale) "
              "VALUES ('ACME', '2024-06-03', 'Return of capital', 3, 0);"
              "INSERT INTO ActionLots (ActionID, LotID, BeforeName1, BeforeTicker, BeforeShares, BeforePrice, "
              "BeforeNetAmount, BeforeTradeDate, AfterName1, AfterTicker, AfterShares, AfterPrice, AfterNetAmount, Gain) "
              "VALUES (1, 1, 'Acme', 'ACME', 100, 1, 100, '2023-01-02', 'Acme', 'ACME', 100, 0, 0, 200),"
              "       (1, 2, 'Acme', 'ACME', 50, 10, 500, '2024-05-01', 'Acme', 'ACME', 50, 7, 350, 0);"
              "UPDATE Lots SET Price = 0, NetAmount = 0 WHERE ID = 1; UPDATE Lots SET Price = 7, NetAmount = 350 WHERE ID = 2;");
        QCOMPARE(folder->query("SELECT * FROM qryGains"),
                 "-1,1,ACME (Acme) nondividend distribution exceeding basis,2023-01-02,2024-06-03,200.0,0.0,,0.0,200.0,Long");

        GainsReport report(*store, QDate(2024, 12, 31));
        QCOMPARE(report.years(), std::vector<int>{2024});
        const std::vector<SaleLine> lines = report.salesIn(2024);
        QCOMPARE(lines.size(), std::size_t(1));
        const SaleLine &line = lines.front();
        QCOMPARE(std::tuple(line.saleNo, line.ticker, line.shares, line.lots, line.term),
                 std::tuple(SaleId(-1), QString("ACME"), 0.0, 1, QString("Long")));
        QCOMPARE(std::tuple(line.proceeds, line.costBasis, line.gain()),
                 std::tuple(200 * kTicksPerDollar, Ticks(0), 200 * kTicksPerDollar));
        QCOMPARE(report.partOf(report.rows()[line.rows.front()]).lot, LotId(1));
        QVERIFY_THROWS_EXCEPTION(Error, report.checkUndo(line));

        QTemporaryDir dir;
        const QString csv = dir.filePath("8949.csv"), txf = dir.filePath("8949.txf"), list = dir.filePath("gains.csv");
        QCOMPARE(report.saveForm8949(2024, Form8949Box::BasisReported, false, csv), 1);
        QCOMPARE(report.saveForm8949(2024, Form8949Box::BasisReported, true, txf), 1);
        QCOMPARE(report.save(2024, list), 1);
        QCOMPARE(contentsOf(csv).split('\n').at(1),
                 "II,D,ACME (Acme) nondividend distribution exceeding basis,1/2/2023,6/3/2024,200.00,0.00,,,200.00\r");
        QVERIFY(contentsOf(txf).contains("N323\r\nC1\r\nL1\r\nPACME (Acme) nondividend distribution exceeding basis\r\nD01/02/2023\r\n"
                                         "D06/03/2024\r\n$0.00\r\n$200.00\r\n$\r\n"));
        QCOMPARE(contentsOf(list).split('\n').at(1),
                 "ACME (Acme) nondividend distribution exceeding basis,1/2/2023,6/3/2024,200.00,0.00,200.00,Long\r");

        write(kUndoSql);
        QCOMPARE(folder->query("SELECT * FROM qryGains"), "");
        QCOMPARE(GainsReport(*store, QDate(2024, 12, 31)).years(), std::vector<int>{});
    }

    // Lot 2 replaced the 100 shares of lot 1 sold at a loss, then was split 2 for 1: each of its 200 shares carries
    // half of the $250 and the date, so 100 of them cost $400 + $125. Shares typed are a correction, as is a split
    // undone before Save; a split back is a split. The file keeps a lot's splits until the lot is deleted (not when
    // a sale takes it whole: the sale can be undone), and refuses a split that is not of its kind.
    void aSplitLotCarriesItsAdjustmentOverItsNewShares()
    {
        const struct {
            const char *how;        // ratios saved one by one; "typed"; "undone": a split dropped, then typed
            const char *held;       // GainsHeld after it
            const char *sold;       // the rows of the sale of 100 shares of lot 2 for $600
            const char *left;       // GainsHeld after that
        } cases[] = {
            {"2", "2,0,pub,200.0,2024-01-16,250.0", "2024-01-16,600.0,525.0,,75.0", "2,0,pub,100.0,2024-01-16,125.0"},
            {"typed", "2,0,pub,100.0,2024-01-16,250.0", "2024-01-16,600.0,650.0,,-50.0", ""},
            {"undone", "2,0,pub,100.0,2024-01-16,250.0", "2024-01-16,600.0,650.0,,-50.0", ""},
            {"2 0.5", "2,0,pub,100.0,2024-01-16,250.0", "2024-01-16,600.0,1050.0,,-450.0", ""},
            {"4 0.5", "2,0,pub,200.0,2024-01-16,250.0", "2024-01-16,600.0,525.0,,75.0", "2,0,pub,100.0,2024-01-16,125.0"},
        };
        for (const auto &c : cases) {
            store.reset();
            folder.reset();
            folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{{"Pub", "PUB", 100, 10, 1000, "2024-01-02"},
                                                                        {"Pub", "PUB", 100, 8, 800, "2024-03-15"},
                                                                        {"Zed", "ZED", 10, 1, 10, "2024-01-02"}});
            store = openStore(binding);
            const auto sell = [&](const char *ticker, QDate sold, double shares, double dollars) {
                store->Sell(planSale(ticker, lotsOf(store->rows(), ticker), sold, shares, Ticks(dollars * kTicksPerDollar), FirstIn));
            };
            const auto edit = [&](double shares, std::optional<double> ratio) {   // lot 2's boxes
                store->setBookmark(2);
                store->Edit();
                std::tie(binding.texts[kNumShares], binding.texts[kPrice]) = std::pair(QString::number(shares), QString::number(800 / shares));
                if (ratio)
                    store->SplitPending(*ratio);
            };
            sell("PUB", QDate(2024, 3, 1), 100, 750);
            QCOMPARE(folder->query("SELECT * FROM GainsHeld"), "2,0,pub,100.0,2024-01-16,250.0");
            const QString how = c.how;
            double shares = 100;
            for (const QString &ratio : how.split(u' ')) {
                const bool split = ratio != "typed" && ratio != "undone";
                if (ratio == "undone") {
                    edit(200, 2);
                    store->CancelUpdate();
                }
                shares *= split ? ratio.toDouble() : 2;
                edit(shares, split ? std::optional(ratio.toDouble()) : std::nullopt);
                store->Update();
            }
            QCOMPARE(folder->query("SELECT * FROM GainsHeld"), c.held);
            QVERIFY(keptAsWorkedOut(*store));
            sell("PUB", QDate(2024, 6, 3), 100, 600);
            QCOMPARE(folder->query("SELECT Acquired, Proceeds, CostBasis, Code, Gain FROM qryGains WHERE LotID = 2"), c.sold);
            QCOMPARE(folder->query("SELECT * FROM GainsHeld"), c.left);
            QVERIFY(keptAsWorkedOut(*store));
        }
        // Lot 3's splits stay through its sale and the sale's undo, and go with the lot.
        const auto zed = [&] { return folder->query("SELECT LotID, AfterSale, Factor FROM LotSplits WHERE LotID = 3"); };
        store->setBookmark(3);
        store->Edit();
        binding.texts[kNumShares] = "30";
        store->SplitPending(3);
        store->Update();
        QCOMPARE(zed(), "3,2,3.0");
        store->Sell(planSale("ZED", lotsOf(store->rows(), "ZED"), QDate(2024, 6, 3), 30, 30 * kTicksPerDollar, FirstIn));
        QCOMPARE(store->RecordCount(), 1);
        undo(*store, 3);
        QCOMPARE(zed(), "3,2,3.0");
        store->setBookmark(3);
        store->Delete();
        QCOMPARE(zed(), "");
        for (const char *factor : {"0", "-2"}) {
            store.reset();
            const QString row = QStringLiteral("INSERT INTO LotSplits (LotID, AfterSale, Factor) VALUES (2, 0, %1)").arg(factor);
            QVERIFY(folder->exec(row).contains("Factor lies between"));
            QCOMPARE(folder->exec(QLatin1String(test::kPastTheChecks) + row), "");
            dataErrors.clear();
            store = openStore(binding);
            QCOMPARE(dataErrors, QList<int>{kErrNotALedger});
            QCOMPARE(folder->exec("DELETE FROM LotSplits WHERE Factor <= 0"), "");
        }
        dataErrors.clear();
        store = openStore(binding);
        QVERIFY(dataErrors.isEmpty() && keptAsWorkedOut(*store));
    }
};

QTEST_GUILESS_MAIN(ActionGainsTest)
#include "tst_actiongains.moc"
