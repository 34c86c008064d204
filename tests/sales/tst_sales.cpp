// Selling shares from lots: a table of named sales (the random walk of sales
// runs against the ledger file, with the record store's tests); the holdings
// over small tables of lots, the gains of a year and their file for taxes.
#include "sales/GainsCsv.h"
#include "sales/Holdings.h"
#include "sales/RealizedGains.h"
#include "sales/SalePlan.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

using namespace tesmo;
using enum SaleMethod;

Q_DECLARE_METATYPE(std::vector<SaleLot>)
Q_DECLARE_METATYPE(ChosenShares)
Q_DECLARE_METATYPE(SaleMethod)

namespace {

SaleLot lot(LotId id, const char *bought, double shares, std::optional<double> net, std::optional<double> price = {})
{
    const auto ticks = [](std::optional<double> dollars) {
        return dollars ? std::optional(Ticks(std::llround(*dollars * kTicksPerDollar))) : std::nullopt;
    };
    return {id, "Acme", "ACME", QDate::fromString(bought, "M/d/yyyy"), shares, ticks(price), ticks(net)};
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

SaleRecord sale(SaleId id, const char *ticker, const char *name, double shares, const char *acquired, const char *sold,
                Ticks proceeds, Ticks cost, const char *term)
{
    return {id, id + 100, name, ticker, shares, QDate::fromString(acquired, Qt::ISODate),
            QDate::fromString(sold, Qt::ISODate), proceeds, cost, term};
}

} // namespace

class SalesTest : public QObject {
    Q_OBJECT

private slots:
    // Each part as "lot: shares sold, cost → proceeds, term", with what a lot
    // sold in part keeps; or the field refused and its message.
    void namedSales_data()
    {
        QTest::addColumn<std::vector<SaleLot>>("lots");
        QTest::addColumn<QString>("sold");
        QTest::addColumn<double>("shares");
        QTest::addColumn<Ticks>("proceeds");
        QTest::addColumn<SaleMethod>("method");
        QTest::addColumn<QString>("parts");
        QTest::addColumn<ChosenShares>("chosen");
        const auto row = [](const char *name, const std::vector<SaleLot> &lots, const char *sold, double shares,
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
        QFETCH(std::vector<SaleLot>, lots);
        QFETCH(QString, sold);
        QFETCH(double, shares);
        QFETCH(Ticks, proceeds);
        QFETCH(SaleMethod, method);
        QFETCH(ChosenShares, chosen);
        QStringList described;
        try {
            for (const SalePart &p : planSale(lots, QDate::fromString(sold, "M/d/yyyy"), shares, proceeds, method, chosen)) {
                described << QStringLiteral("%1: %2 sh, %3 → %4, %5")
                                 .arg(QString::number(p.lot), QString::number(p.shares), plainTicksText(p.cost),
                                      plainTicksText(p.proceeds), p.term());
                if (!p.wholeLot)
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
        const std::vector<SaleRecord> sales = {
            sale(4, "LNG", "Long Ago", 1, "2020-01-02", "2023-12-05", 100, 100, "Long"),
            sale(1, "WDG", "Widgets, \"Best\" Inc.", 10, "2024-01-10", "2024-03-15", 900000, 1200050, "Short"),
            sale(2, "ZZ", "", 2.5, "2022-02-01", "2024-05-05", 3000000, 2000000, "Long"),
            sale(3, "ACME", "Acme Corp", 20, "2023-02-01", "2025-01-02", 4000000, 2000000, "Short"),
        };
        QCOMPARE(saleYears(sales), (std::vector<int>{2025, 2024, 2023}));
        const std::vector<const SaleRecord *> shown = salesIn(sales, 2024);
        const GainTotals totals = gainTotals(shown);
        QCOMPARE(QList<Ticks>({totals.shortTerm, totals.longTerm, totals.total()}),
                 QList<Ticks>({-300100, 1000000, 699900}));

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
};

QTEST_GUILESS_MAIN(SalesTest)
#include "tst_sales.moc"
