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
        row("last in", three, "6/1/2024", 150, "3000", LastIn, "3: 80 sh, 2000 → 1600, Long; 2: 50 sh, 1500 → 1000, "
            "Long; 1: 20 sh, 200 → 400, Long, keeps 80 sh 800");
        row("thirds", {lot(4, "1/15/2020", 1, 10), lot(5, "1/15/2020", 1, 10), lot(6, "1/15/2020", 1, 10)}, "6/1/2024",
            3, "100", FirstIn, "4: 1 sh, 10 → 33.33, Long; 5: 1 sh, 10 → 33.33, Long; 6: 1 sh, 10 → 33.34, Long");
        row("a half cent up", {lot(4, "1/15/2020", 2, 66.67)}, "6/1/2024", 1, "100", FirstIn,
            "4: 1 sh, 33.34 → 100, Long, keeps 1 sh 33.33");
        row("a cent up never takes more than the lot holds", {lot(7, "1/15/2020", 32, 0.016)}, "6/1/2024", 31, "1",
            FirstIn, "7: 31 sh, 0.016 → 1, Long, keeps 1 sh 0");
        const std::vector leap{lot(9, "2/29/2020", 10, 100)};
        const QString leapPart = "9: 1 sh, 10 → 20, %1, keeps 9 sh 90";
        row("29 February, a year on", leap, "2/28/2021", 1, "20", FirstIn, leapPart.arg("Short"));
        row("29 February, a day later", leap, "3/1/2021", 1, "20", FirstIn, leapPart.arg("Long"));
        row("a year over 29 February", {lot(9, "3/1/2023", 10, 100)}, "3/1/2024", 1, "20", FirstIn, leapPart.arg("Short"));

        std::vector costless = three;
        costless[0].netAmount.reset();
        row("first in reaches a lot without cost", costless, "6/1/2024", 10, "200", FirstIn,
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
        QTest::newRow("tickers alike but for letter case are one")
            << "ACME 100 - 1000 2020-01-15; BB 3 - 3 2024-05-05; acme 50 10 - 2021-06-01; éTÉ 2 - 6 2022-01-01;"
               "Été 1 - 5 2022-01-01"
            << QDate(2024, 6, 1)
            << QStringList{"ACME|150|1500|10|2|0|150|2020-01-15", "BB|3|3|1|1|0|0|2024-05-05",
                           "éTÉ|3|11|3.6667|2|0|3|2022-01-01", "*|156|1514|9.7051|5|0|153|2020-01-15"};
        QTest::newRow("a cost from the price to the cent, or none")
            << "X 3 0.3333 - 2020-01-01; X 7 - - 2019-01-01; Y 2 - 0 2020-01-01" << QDate(2020, 6, 1)
            << QStringList{"X|10|1|0.3333|2|1|7|2019-01-01", "Y|2|0|0|1|0|0|2020-01-01",
                           "*|12|1|0.2|3|1|7|2019-01-01"};
        // Held long from a year and a day on; a year after 29 February is 28 February.
        QTest::newRow("a year after 29 February")
            << "L 1 - 1 2020-02-29; L 2 - 2 2020-03-01" << QDate(2021, 3, 1)
            << QStringList{"L|3|3|1|2|0|1|2020-02-29", "*|3|3|1|2|0|1|2020-02-29"};
        QTest::newRow("a year before 29 February")
            << "M 1 - 1 2019-02-28; M 2 - 2 2019-03-01" << QDate(2020, 2, 29)
            << QStringList{"M|3|3|1|2|0|1|2019-02-28", "*|3|3|1|2|0|1|2019-02-28"};
        QTest::newRow("fields stored as text are unknown")
            << "T ? 5 - 2020-01-01; T 4 ? - 2020-01-01; T 2 1 3 ?" << QDate(2024, 1, 1)
            << QStringList{"T|6|3|1.5|3|2|4|2020-01-01", "*|6|3|1.5|3|2|4|2020-01-01"};
    }

    void holdings()
    {
        QFETCH(QString, lots);
        QFETCH(QDate, today);
        QFETCH(QStringList, expected);
        LotTable table;
        fill(table, lots);
        const Holdings h = holdingsOf(table, today);
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

        // A folder that is not there is named; a line break typed into the name is never a name.
        for (const auto &[name, said] : {std::pair("missing/" + gainsFileName(std::nullopt), "missing/Tesmo gains all years.csv"),
                                         std::pair(QStringLiteral("two\nlines.csv"), "no line break")}) {
            try {
                saveGainsCsv(shown, dir.filePath(name));
                QFAIL("the file was reported written");
            } catch (const Error &e) {
                QVERIFY2(e.number() == kErrCannotWrite && e.description().contains(said), qPrintable(e.description()));
            }
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{gainsFileName(2024)});
    }
};

QTEST_GUILESS_MAIN(SalesTest)
#include "tst_sales.moc"
