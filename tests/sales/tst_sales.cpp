// Selling shares from lots: a table of named sales (the random walk of sales
// runs against the ledger file, with the record store's tests); the holdings
// over small tables of lots, the gains of a year and their file for taxes.
#include "sales/GainsCsv.h"
#include "sales/GainsReport.h"
#include "sales/LedgerGains.h"
#include "sales/Holdings.h"
#include "sales/RealizedGains.h"
#include "sales/SalePlan.h"
#include "sales/SalePlanner.h"
#include "sales/SaleWords.h"
#include "sales/ShareSale.h"
#include "store/EarlierSchemas.h"
#include "support/LedgerFolder.h"
#include "support/TextBinding.h"
#include "text/FailureWords.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

using namespace tesmo;
using namespace tesmo::test;
using enum SaleMethod;

Q_DECLARE_METATYPE(std::vector<LotRow>)
Q_DECLARE_METATYPE(ChosenShares)
Q_DECLARE_METATYPE(SaleMethod)

namespace {

LotRow lot(LotId id, const char *bought, double shares, std::optional<double> net, std::optional<double> price = {})
{
    const auto ticks = [](std::optional<double> dollars) {
        return dollars ? std::optional(Ticks(std::llround(*dollars * kTicksPerDollar))) : std::nullopt;
    };
    LotRow row;
    row.id = id;
    row.name = "Acme";
    row.ticker = "ACME";
    row.tradeDay = std::int32_t(QDate::fromString(bought, "M/d/yyyy").toJulianDay());
    row.numShares = shares;
    row.price = ticks(price);
    row.netAmount = ticks(net);
    return row;
}

// Lots written "TICKER SHARES PRICE NET YYYY-MM-DD" and joined by ";", "-"
// for an empty amount, "?" for a field an older tool stored as text.
void fill(LotTable &table, const QString &lots)
{
    std::deque<std::string> texts;   // the table copies them
    LotId id = 0;
    for (const QString &written : lots.split(u';')) {
        const QStringList f = written.split(u' ', Qt::SkipEmptyParts);
        LotRow lot;
        lot.id = ++id;
        lot.ticker = texts.emplace_back(f[0].toStdString());
        const auto field = [&](int at, int pos) {
            if (f[at] == u"?")
                lot.holdAsText(pos, "n/a");
            return f[at] == u"?" || f[at] == u"-" ? QString() : f[at];
        };
        const auto amount = [&](int at, int pos) {
            const QString t = field(at, pos);
            return t.isEmpty() ? std::nullopt : parseTicks(t);
        };
        lot.numShares = field(1, kNumShares).toDouble();
        lot.price = amount(2, kPrice);
        lot.netAmount = amount(3, kNetAmount);
        if (!field(4, kTradeDate).isEmpty())
            lot.tradeDay = std::int32_t(QDate::fromString(f[4], Qt::ISODate).toJulianDay());
        table.append(lot);
    }
}

// TICKER|SHARES|COST|AVERAGE|LOTS|WITHOUT COST|HELD LONG|OLDEST, the totals
// last as "*".
QString text(const Holding &h)
{
    const auto average = h.averageCost();
    return QStringList{h.ticker.isEmpty() ? QStringLiteral("*") : h.ticker, regional::numberText(h.shares),
                       plainTicksText(h.cost), average ? plainTicksText(*average) : QStringLiteral("-"),
                       QString::number(h.lots), QString::number(h.lotsWithoutCost),
                       regional::numberText(h.longShares), h.oldest.toString(Qt::ISODate)}
        .join(u'|');
}

SalePart sale(SaleId id, const char *ticker, const char *name, double shares, const char *acquired, const char *sold,
              Ticks proceeds, Ticks cost, const char *term)
{
    return {.id = id, .lot = id + 100, .name = name, .ticker = ticker, .acquired = QDate::fromString(acquired, Qt::ISODate),
            .sold = QDate::fromString(sold, Qt::ISODate), .shares = shares, .proceeds = proceeds, .cost = cost,
            .term = term, .sharesLeft = 0, .netLeft = {}};
}

} // namespace

class SalesTest : public QObject {
    Q_OBJECT

private slots:
    // Each part as "lot: shares sold, cost → proceeds, term", with what a lot
    // sold in part keeps; or the field refused and its message.
    void namedSales_data()
    {
        QTest::addColumn<std::vector<LotRow>>("lots");
        QTest::addColumn<QString>("sold");
        QTest::addColumn<double>("shares");
        QTest::addColumn<Ticks>("proceeds");
        QTest::addColumn<SaleMethod>("method");
        QTest::addColumn<QString>("parts");
        QTest::addColumn<ChosenShares>("chosen");
        const auto row = [](const char *name, const std::vector<LotRow> &lots, const char *sold, double shares,
                            const char *proceeds, SaleMethod method, const QString &parts, const ChosenShares &chosen = {}) {
            QTest::newRow(name) << lots << QString(sold) << shares << *parseTicks(QString(proceeds)) << method << parts
                                << chosen;
        };
        const std::vector three{lot(1, "1/15/2020", 100, 1000), lot(2, "6/1/2021", 50, 1500),
                                lot(3, "3/3/2023", 80, 2000)};
        // The methods' orders and costs: the walk of sales and the selling window's table.
        row("a cent up never takes more than the lot holds", {lot(7, "1/15/2020", 32, 0.016)}, "6/1/2024", 31, "1",
            FirstIn, "7: 31 sh, 0.01 → 1, Long, keeps 1 sh 0.006");

        std::vector costless = three;
        costless[0].netAmount.reset();
        row("highest cost passes a lot without cost it does not reach", costless, "6/1/2024", 10, "200", HighestCost,
            "2: 10 sh, 300 → 200, Long, keeps 40 sh 1200");
        row("lowest cost reaches it last", costless, "6/1/2024", 140, "200", LowestCost,
            "Lot cost: Lot 1 (bought 1/15/2020) has no net amount and no price, so the cost of its shares is not known: "
            "enter its net amount or its price first.");
        row("no lot bought by the sale date", three, "1/1/2019", 10, "200", LastIn,
            "Sale date: No lot of ACME bought on or before 1/1/2019 holds shares to sell.");
        row("chosen shares that do not add up", three, "6/1/2024", 20, "200", Chosen,
            "Shares: The shares chosen from the lots add up to 10: Please Enter 10 Shares, or choose 20 from the lots.",
            {{1, 10}});
        // Shares to six decimals, and never for nothing.
        row("more decimals than the ledger keeps", three, "6/1/2024", 0.0000001, "10", FirstIn,
            "Shares: Please Enter Shares with at most 6 decimals");
        row("a cost that rounds to nothing", three, "6/1/2024", 0.0001, "10", FirstIn,
            "Shares: Please Enter more Shares: the cost of the 0.0001 shares from lot 1 (bought 1/15/2020) rounds to "
            "$0.00.");
        row("proceeds that round to nothing", {lot(4, "1/15/2020", 0.001, 10), lot(5, "1/16/2020", 100, 1000)},
            "6/1/2024", 100.001, "1", FirstIn, "Shares: Please Enter more Shares: the part of the proceeds of the "
            "0.001 shares from lot 4 (bought 1/15/2020) rounds to $0.00.");
    }
    void namedSales()
    {
        QFETCH(std::vector<LotRow>, lots);
        QFETCH(QString, sold);
        QFETCH(double, shares);
        QFETCH(Ticks, proceeds);
        QFETCH(SaleMethod, method);
        QFETCH(ChosenShares, chosen);
        QStringList described;
        try {
            for (const SalePart &p : planSale("ACME", lots, QDate::fromString(sold, "M/d/yyyy"), shares, proceeds, method, chosen)) {
                described << QStringLiteral("%1: %2 sh, %3 → %4, %5")
                                 .arg(QString::number(p.lot), QString::number(p.shares), plainTicksText(p.cost),
                                      plainTicksText(p.proceeds), p.term);
                if (!p.wholeLot())
                    described.back() += QStringLiteral(", keeps %1 sh %2")
                                            .arg(QString::number(p.sharesLeft),
                                                 p.netLeft ? plainTicksText(*p.netLeft) : QStringLiteral("no net"));
            }
        } catch (const SaleRefusal &refusal) {
            const char *const fields[] = {"Sale date", "Shares", "Proceeds", "Lot shares", "Lot cost"};
            described << fields[int(refusal.field())] + QStringLiteral(": ") + refusal.description();
        }
        QTEST(described.join("; "), "parts");
    }

    // The whole holding of many lots of fractions of a share is sold lot by
    // lot whole: the shares taken are counted as the ledger keeps them, not
    // as a sum of doubles that drifts.
    void aWholeHoldingOfManyLotsIsSoldWhole()
    {
        std::vector<LotRow> lots;
        for (LotId id = 1; id <= 100000; ++id)
            lots.push_back(lot(id, "1/15/2020", 499.3, 10));
        for (const SaleMethod method : {FirstIn, LastIn}) {
            const auto parts = planSale("ACME", lots, QDate(2024, 6, 1), 49'930'000, 100'000'000 * kTicksPerDollar, method);
            QCOMPARE(parts.size(), lots.size());
            QVERIFY(std::all_of(parts.begin(), parts.end(), [](const SalePart &p) { return p.wholeLot(); }));
        }
    }

    void holdings_data()
    {
        QTest::addColumn<QString>("lots");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("adjusted");   // "LOT SHARES YYYY-MM-DD DOLLARS": shares that replaced a loss
        QTest::newRow("tickers alike but for letter case are one")
            << "ACME 100 - 1000 2020-01-15; BB 3 - 3 2024-05-05; acme 50 10 - 2021-06-01; éTÉ 2 - 6 2022-01-01;"
               "Été 1 - 5 2022-01-01"
            << QDate(2024, 6, 1)
            << QStringList{"ACME|150|1500|10|2|0|150|2020-01-15", "BB|3|3|1|1|0|0|2024-05-05",
                           "éTÉ|3|11|3.6667|2|0|3|2022-01-01", "*|156|1514|9.7051|5|0|153|2020-01-15"} << "";
        QTest::newRow("a cost from the price to the cent, or none")
            << "X 3 0.3333 - 2020-01-01; X 7 - - 2019-01-01; Y 2 - 0 2020-01-01" << QDate(2020, 6, 1)
            << QStringList{"X|10|1|0.3333|2|1|7|2019-01-01", "Y|2|0|0|1|0|0|2020-01-01",
                           "*|12|1|0.2|3|1|7|2019-01-01"} << "";
        // Held long from a year after the day after the trade date: not on 29 February.
        QTest::newRow("a year before 29 February")
            << "M 1 - 1 2019-02-27; M 2 - 2 2019-02-28" << QDate(2020, 2, 29)
            << QStringList{"M|3|3|1|2|0|1|2019-02-27", "*|3|3|1|2|0|1|2019-02-27"} << "";
        QTest::newRow("shares that replaced a loss cost it and are held from their adjusted date")
            << "A 100 - 1000 2020-01-15; A 10 - 100 2024-05-20" << QDate(2024, 6, 1)
            << QStringList{"A|110|1150|10.4545|2|0|110|2020-01-15", "*|110|1150|10.4545|2|0|110|2020-01-15"}
            << "2 10 2023-01-01 50";
        QTest::newRow("fields stored as text are unknown")
            << "T ? 5 - 2020-01-01; T 4 ? - 2020-01-01; T 2 1 3 ?" << QDate(2024, 1, 1)
            << QStringList{"T|6|3|1.5|3|2|4|2020-01-01", "*|6|3|1.5|3|2|4|2020-01-01"} << "";
    }

    void holdings()
    {
        QFETCH(QString, lots);
        QFETCH(QDate, today);
        QFETCH(QStringList, expected);
        QFETCH(QString, adjusted);
        LotTable table;
        fill(table, lots);
        const QStringList a = adjusted.split(u' ');   // one lot's at most
        const Holdings h = holdingsOf(table, today, adjusted.isEmpty() ? std::vector<HeldAdjustment>{} : std::vector{HeldAdjustment{
            a[0].toLongLong(), a[1].toDouble(), QDate::fromString(a[2], Qt::ISODate), *parseTicks(a[3])}});
        QStringList got;
        for (const Holding &t : h.tickers)
            got << text(t);
        QCOMPARE(got << text(h.total), expected);
    }

    // Gains in whole cents (a cost's fraction of a cent rounded first); the
    // file for taxes: short-term sales first, each term in the order of sale,
    // quoting, no name, CRLF, an earlier file replaced, a file that cannot be
    // made named in the error.
    void gainsOfAYearAndTheirFile()
    {
        const std::vector<SalePart> sales = {
            sale(4, "LNG", "Long Ago", 1, "2020-01-02", "2023-12-05", 100, 100, "Long"),
            sale(1, "WDG", "Widgets, \"Best\" Inc.", 10, "2024-01-10", "2024-03-15", 900000, 1200050, "Short"),
            sale(2, "ZZ", "", 2.5, "2022-02-01", "2024-05-05", 3000000, 2000000, "Long"),
            sale(3, "ACME", "Acme Corp", 20, "2023-02-01", "2025-01-02", 4000000, 2000000, "Short"),
        };
        QCOMPARE(saleYears(sales), (std::vector<int>{2025, 2024, 2023}));
        const std::vector<const SalePart *> shown = salesIn(sales, 2024);
        QCOMPARE(int(shown.size()), 2);

        QTemporaryDir dir;
        const QString path = dir.filePath(gainsFileName(2024));
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));   // an earlier file
        saveGainsCsv(salesIn(sales, std::nullopt), path);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), "Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Gain or Loss,Term\r\n"
                                  "\"10 sh. WDG (Widgets, \"\"Best\"\" Inc.)\",1/10/2024,3/15/2024,90.00,120.01,-30.01,Short\r\n"
                                  "20 sh. ACME (Acme Corp),2/1/2023,1/2/2025,400.00,200.00,200.00,Short\r\n"
                                  "1 sh. LNG (Long Ago),1/2/2020,12/5/2023,0.01,0.01,0.00,Long\r\n"
                                  "2.5 sh. ZZ,2/1/2022,5/5/2024,300.00,200.00,100.00,Long\r\n");

        try {
            saveGainsCsv(shown, dir.filePath(QStringLiteral("missing/") + gainsFileName(std::nullopt)));
            QFAIL("a file in a missing folder was reported written");
        } catch (const Error &e) {
            QVERIFY(e.number() == kErrCannotWrite && e.description().contains("missing/Tesmo gains all years.csv"));
        }
        QVERIFY_THROWS_EXCEPTION(Error, saveGainsCsv(shown, dir.filePath("two\nlines.csv")));   // never a name
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{gainsFileName(2024)});
    }

    // The file's figures for taxes. A ledger of the version before sale
    // numbers opens with its parts gathered into sales by their evidence and
    // the terms of the day-after rule, nothing else changed; qryGains follows
    // the program's sales and undos at once, hides a ticker another program
    // changed, and is up to date again once the ledger is opened.
    void theFileKeepsTheFiguresForTaxes()
    {
        keepGainsWith(gainRowsOf);
        LedgerFolder folder({{"Acme", "ACME", 100, 10, 1000, "2024-01-10"}, {"Acme", "ACME", 100, 8, 800, "2024-06-15"},
                             {"Bolt", "BOLT", 30, 1, 30, "2023-02-28"}, {"Bolt", "bolt", 30, 1, 30, "2023-03-01"}});
        QVERIFY(folder.exec(earlierSalesSchemas().back()).isEmpty());
        // ID, lot, shares, sold, proceeds, term as the earlier version recorded them
        const char *const earlier[] = {
            "1, 3, 10, '2024-02-29', 20, 'Long'",    // one sale of BOLT from two lots ...
            "2, 4, 5, '2024-02-29', 10.01, 'Short'",
            "3, 3, 5, '2024-02-29', 10, 'Long'",     // ... then another from a lot it sold from
            "4, 4, 5, '2024-02-29', 15, 'Short'",    // ... and one at another price
            "5, 4, 5, '2024-03-02', 15, 'Long'",     // ... and one on another day
        };
        for (const char *row : earlier)
            QVERIFY(folder.exec(QStringLiteral("WITH s(sale, lot, n, sold, p, term) AS (VALUES (%1)) INSERT INTO Sales "
                                               "(ID, LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, "
                                               "Term, LotNumShares, LotPrice, LotNetAmount, SharesLeft, NetLeft) SELECT "
                                               "sale, lot, Name1, Ticker, n, TradeDate, sold, p, n, term, NumShares, Price, "
                                               "NetAmount, NumShares - n, NetAmount - n FROM s JOIN Lots ON Lots.ID = lot")
                                    .arg(QLatin1String(row)))
                        .isEmpty());
        const char *const kept = "SELECT group_concat(ID || LotID || NumShares || Sold || Proceeds || NetLeft, '|') FROM Sales";
        const QString before = folder.query(kept), lots = folder.query("SELECT group_concat(NumShares) FROM Lots");
        TextBinding binding;
        RecordStore store(QStringLiteral("Tesmo.mdb"), binding);
        store.Open();
        QCOMPARE(folder.query("SELECT group_concat(ID || ':' || SaleNo || ':' || Term, ' ') FROM qrySales"),
                 "1:1:Short 2:1:Short 3:3:Short 4:4:Short 5:5:Long");
        QCOMPARE(folder.query(kept) + folder.query("SELECT group_concat(NumShares) FROM Lots"), before + lots);
        QCOMPARE(folder.query("SELECT count(*) FROM qryGains"), "5");

        // A loss on 100 ACME, washed by the 100 bought on 6/15: the replacement
        // costs it, and its own loss later is all the deferred one.
        const QString acme = "SELECT group_concat(SaleNo || ':' || LotID || ':' || Description || ':' || Acquired || ':' || "
                             "Sold || ':' || Proceeds || ':' || CostBasis || ':' || Code || ':' || Adjustment || ':' || "
                             "Gain || ':' || Term, ' | ') FROM qryGains WHERE Description LIKE '%ACME%'";
        store.setBookmark(1);
        ShareSale loss(store);   // told before the sale, with a sale after today
        const std::vector<SalePart> planned = loss.plan(QDate(2024, 6, 1), 100, 7500000, FirstIn);
        const QString wash = "The loss will be a wash sale: shares of ACME were bought within 30 days of it, so $250.00 "
                             "of it is not deductible and is added to their cost. Sell anyway?";
        QCOMPARE(loss.question(planned, QDate(2024, 6, 1)), wash);
        QCOMPARE(loss.question(planned, QDate(2024, 5, 31)), "The sale date, 6/1/2024, is after today. " + wash);
        QCOMPARE(loss.question(loss.plan(QDate(2024, 6, 1), 100, 10000000, FirstIn), QDate(2024, 6, 1)), "");
        loss.sell(planned);
        QCOMPARE(folder.query(acme), "6:1:100 sh. ACME (Acme):2024-01-10:2024-06-01:750.0:1000.0:W:250.0:0.0:Short");
        store.setBookmark(2);
        const auto adjusted = ShareSale{store}.adjustedOf(2);   // as the Sell dialog lists the lot
        QVERIFY(adjusted && adjusted->adjustment == 2500000 && adjusted->heldFrom == QDate(2024, 1, 24));
        ShareSale{store}.sell(ShareSale{store}.plan(QDate(2024, 9, 3), 100, 7000000, FirstIn));
        QCOMPARE(folder.query(acme), "6:1:100 sh. ACME (Acme):2024-01-10:2024-06-01:750.0:1000.0:W:250.0:0.0:Short | "
                                     "7:2:100 sh. ACME (Acme):2024-01-24:2024-09-03:700.0:1050.0::0.0:-350.0:Short");
        GainsReport report(store, QDate(2024, 9, 4));
        report.undo(report.salesIn(2024).back());
        QCOMPARE(folder.query(acme), "6:1:100 sh. ACME (Acme):2024-01-10:2024-06-01:750.0:1000.0:W:250.0:0.0:Short");
        QCOMPARE(report.holdings().tickers.front().adjustment, Ticks(2500000));
        // Another program moves the replacement out of the 30 days.
        folder.exec("UPDATE Lots SET TradeDate = '2024-07-15' WHERE ID = 2");
        QCOMPARE(folder.query("SELECT count(*) FROM qryGains WHERE Description LIKE '%ACME%'"), "0");
        QCOMPARE(folder.query("SELECT count(*) FROM qryGains"), "5");
        RecordStore(QStringLiteral("Tesmo.mdb"), binding).Open();
        QCOMPARE(folder.query(acme), "6:1:100 sh. ACME (Acme):2024-01-10:2024-06-01:750.0:1000.0::0.0:-250.0:Short");
        // ... and back: the report, reading the figures the file keeps, works
        // them out again first.
        folder.exec("UPDATE Lots SET TradeDate = '2024-06-15' WHERE ID = 2");
        QCOMPARE(GainsReport(store, QDate(2024, 9, 4)).salesIn(2024).back().adjustment, Ticks(2500000));
        QCOMPARE(folder.query(acme), "6:1:100 sh. ACME (Acme):2024-01-10:2024-06-01:750.0:1000.0:W:250.0:0.0:Short");
    }

    // The sale and the report as their windows use them, on a ledger file:
    // the lots offered (the current lot first, a lot of the ticker in other
    // letters, none that holds nothing), the lot current after the sale, the
    // file, the undo and the file of gains; each refusal leaves the file as
    // it was, and reads as the user reads it.
    void salesThroughTheirCommands()
    {
        LedgerFolder folder({{"Acme", "ACME", 100, 10, 1000, "2020-01-15"}, {"Acme", "ACME", 50, 15, 750, "2021-06-01"},
                             {"Acme", "acme", 80, 25, 2000, "2023-03-03"}, {"Acme", "ACME", 0, 1, 0, "2019-01-01"},
                             {"Gone", "GONE", -5, 1, 1, "2020-01-01"}});
        TextBinding binding;
        RecordStore store(QStringLiteral("Tesmo.mdb"), binding);
        store.Open();
        const QString lots = "SELECT group_concat(ID || ':' || NumShares || ':' || NetAmount, ' ') FROM qryStocks";
        const QString unsold = folder.query(lots);
        const auto refused = [&](const std::function<void()> &op) -> QString {
            try {
                op();
            } catch (const Error &e) {
                return folder.query(lots) == unsold ? failureText(Deed::Sell, e) : "the file changed";
            }
            return "done";
        };
        store.setBookmark(5);
        QCOMPARE(refused([&] { ShareSale{store}; }), "No lot of GONE holds shares to sell.");
        store.setBookmark(2);
        binding.texts[kNumShares] = "abc";   // a pending change that the file cannot take
        QCOMPARE(refused([&] { ShareSale{store}; }), "No shares were sold. Type mismatch.");
        store.CancelUpdate();

        ShareSale sale(store);
        QStringList offered;
        for (const LotRow &l : sale.lots())
            offered << QString::number(l.id);
        QCOMPARE(offered.join(' '), "2 1 3");
        const std::vector<SalePart> parts = sale.plan(QDate(2024, 6, 1), 120, 24000000, FirstIn);
        folder.exec("UPDATE Lots SET Name1 = 'Acme Corp' WHERE ID = 1");
        QCOMPARE(refused([&] { sale.sell(parts); }),
                 "No shares were sold. Another program has changed lot 1 since Tesmo read it. Its lots are now "
                 "shown as the ledger file holds them.");
        // The lots were read again: the same sale planned anew goes through.
        sale.sell(sale.plan(QDate(2024, 6, 1), 120, 24000000, FirstIn));
        QCOMPARE(sale.nextCurrent(), std::optional<LotId>(2));
        QCOMPARE(folder.query(lots), "2:30.0:450.0 3:80.0:2000.0 4:0.0:0.0 5:-5.0:1.0");
        QCOMPARE(saleSummary(sale.soldLine()), "120 shares of ACME from 2 lots on 6/1/2024 for $2,400.00: cost $1,300.00, "
                                           "gain $1,100.00.");

        store.setBookmark(2);
        ShareSale{store}.sell(ShareSale{store}.plan(QDate(2024, 7, 1), 10, 1000000, FirstIn));
        GainsReport report(store, QDate(2024, 7, 2));
        QCOMPARE(report.years(), std::vector<int>{2024});
        QCOMPARE(report.holdings().tickers.front().shares, 100.0);
        const std::vector<SaleLine> sold = report.salesIn(2024);   // a line a sale
        QCOMPARE(int(sold.size()), 2);
        QCOMPARE(undoQuestion(sold[0]), "Undo the sale of 120 shares of ACME on 6/1/2024 from 2 lots?");
        QCOMPARE(sharesPhrase(12050000) + ", " + sharesPhrase(1) + ", " + sharesPhrase(1234.5),
                 "12,050,000 shares, 1 share, 1,234.5 shares");
        binding.texts[kNumShares] = "abc";   // an undo, too, handles pending changes first
        QCOMPARE(errorOf([&] { report.undo(sold[1]); }), int(kErrTypeMismatch));
        store.CancelUpdate();
        try {
            report.checkUndo(sold[0]);   // lot 2 has a later sale
            QFAIL("an undo under a later sale was allowed");
        } catch (const Error &e) {
            QCOMPARE(failureText(Deed::UndoSale, e), "The sale was not undone. Lot 2 changed since this sale: a later "
                                                     "sale took shares from it. Undo that sale first.");
        }
        QCOMPARE(folder.query(lots), "2:20.0:300.0 3:80.0:2000.0 4:0.0:0.0 5:-5.0:1.0");   // nothing undone
        report.undo(sold[1]);
        QCOMPARE(int(report.salesIn(std::nullopt).size()), 1);
        QCOMPARE(errorOf([&] { report.save(2023, folder.path() + "/none.csv"); }), int(kErrNothingToDo));
        QCOMPARE(report.save(2024, folder.path() + "/gains.csv"), 2);
        QFile saved(folder.path() + "/gains.csv");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().count('\n'), 3);
        report.undo(report.salesIn(2024).front());   // both parts in one
        QCOMPARE(folder.query(lots), "1:100.0:1000.0 2:50.0:750.0 3:80.0:2000.0 4:0.0:0.0 5:-5.0:1.0");
        QVERIFY(report.salesIn(std::nullopt).empty());

        SalePlanner planner;   // a later sale takes from what an earlier one left
        planner.add(lot(9, "1/15/2020", 100, 1000));
        planner.take(planner.plan("ACME", QDate(2024, 6, 1), 30, 0));
        QCOMPARE(planner.plan("ACME", QDate(2024, 6, 1), 70, 0).front().cost, Ticks(7000000));
    }
};

QTEST_GUILESS_MAIN(SalesTest)
#include "tst_sales.moc"
