// Measures the wash sales and the Form 8949 files: a ledger of LOTS lots of
// a thousand tickers, bought every few days over nine years, of which SALES
// are sold in part or whole, about half of them at a loss with purchases of
// their ticker within 30 days; the adjustments of every sale worked out, then
// both files of every row written, then the holdings of the lots with the
// shares that carry an adjustment; the list of realized gains of a year as
// the Holdings and Gains window reads it (the wash sales of the ledger's sale
// rows, then a line a sale of the year); and the rows the file keeps for
// qryGains of one ticker, worked out again as a change to it commits; then
// the same ledger as a file, and the window's report of it, from the figures
// the file keeps and worked out from every lot. Prints figures; asserts
// nothing.
//
//   wash_sales [LOTS [SALES]]   (default 1000000 lots, 100000 sales)
#include "NoBoxes.h"
#include "sales/Form8949.h"
#include "sales/GainsReport.h"
#include "sales/Holdings.h"
#include "sales/LedgerGains.h"
#include "store/Sqlite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace tesmo;

namespace {

double millis(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int lotCount = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int saleCount = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int tickers = 1000;
    const int perTicker = std::max(1, lotCount / tickers);
    QRandomGenerator random(20240601);
    const QDate start(2016, 1, 4);
    std::vector<WashLot> lots;
    std::vector<Ticks> paid;   // a share's cost, by lot
    lots.reserve(std::size_t(lotCount));
    for (int t = 0; t < tickers; ++t) {
        const QString ticker = QStringLiteral("T%1").arg(t);
        for (int k = 0; k < perTicker; ++k) {
            const QDate bought = start.addDays(k * 3300 / perTicker + random.bounded(3));
            lots.push_back({LotId(lots.size() + 1), ticker, bought, 100});
            paid.push_back(Ticks(1000 + random.bounded(9000)) * 100);
        }
    }
    // Sales of distinct lots, each of its ticker's, some in part.
    std::vector<WashSale> parts;
    parts.reserve(std::size_t(saleCount));
    const int salesPerTicker = std::max(1, saleCount / tickers);
    for (int s = 0; s < saleCount; ++s) {
        const int t = s / salesPerTicker % tickers;
        const auto at = std::size_t(t * perTicker + s % salesPerTicker * perTicker / salesPerTicker);
        const WashLot &lot = lots[at];
        const double shares = random.bounded(2) ? 100 : 1 + random.bounded(99);
        const Ticks cost = Ticks(shares) * paid[at];
        parts.push_back({s + 1, lot.id, "Company", lot.ticker, lot.bought, lot.bought.addDays(1 + random.bounded(400)),
                         shares, cost * (70 + random.bounded(60)) / 100 / 100 * 100, cost});
    }
    std::sort(parts.begin(), parts.end(), [](const WashSale &a, const WashSale &b) { return a.sold < b.sold; });

    QElapsedTimer clock;
    clock.start();
    const WashSales wash = washSales(lots, parts);
    const double engine = millis(clock);
    int washed = 0;
    for (const TaxRow &row : wash.rows)
        washed += row.wash();
    std::printf("Wash sales of %zu sale parts among %zu lots: %.0f ms (%zu rows, %d wash sales, %zu lots adjusted)\n",
                parts.size(), lots.size(), engine, wash.rows.size(), washed, wash.held.size());

    std::vector<const TaxRow *> rows;
    for (const TaxRow &row : wash.rows)
        rows.push_back(&row);
    QTemporaryDir dir;
    for (const bool txf : {false, true}) {
        const QString path = QDir(dir.path()).filePath(form8949FileName(std::nullopt, txf));
        clock.restart();
        saveForm8949(rows, Form8949Box::BasisReported, txf, path);
        std::printf("Form 8949 %s of %zu rows: %.0f ms (%lld bytes)\n", txf ? "TXF file" : "CSV file", rows.size(),
                    millis(clock), QFileInfo(path).size());
    }

    // The holdings of every lot as bought, with the adjusted shares held.
    LotTable table;
    table.reserve(lots.size());
    for (std::size_t k = 0; k < lots.size(); ++k) {
        const QByteArray ticker = lots[k].ticker.toUtf8();
        LotRow row;
        row.id = lots[k].id;
        row.ticker = std::string_view(ticker.data(), std::size_t(ticker.size()));
        row.numShares = lots[k].shares;
        row.netAmount = paid[k] * 100;
        row.tradeDay = std::int32_t(lots[k].bought.toJulianDay());
        table.append(row);
    }
    clock.restart();
    const Holdings holdings = holdingsOf(table, QDate(2025, 6, 1), wash.held);
    std::printf("Holdings of %zu lots with the adjusted shares held: %.0f ms (%zu tickers, $%lld of adjustments)\n",
                table.size(), millis(clock), holdings.tickers.size(), (long long)(holdings.total.adjustment / kTicksPerDollar));

    // The window's list of a year: the sale rows and the lots held as the
    // store gives them, worked out whole, then the year's lines.
    std::vector<SalePart> sales;
    sales.reserve(parts.size());
    for (const WashSale &p : parts) {
        SalePart s;
        s.id = s.saleNo = p.sale;
        s.lot = p.lot;
        s.name = p.name;
        s.ticker = p.ticker;
        s.acquired = p.acquired;
        s.sold = p.sold;
        s.shares = p.shares;
        s.proceeds = p.proceeds;
        s.cost = p.cost;
        s.sharesLeft = 100 - p.shares;
        sales.push_back(std::move(s));
    }
    std::vector<HeldLot> held;
    held.reserve(lots.size());
    for (const WashLot &l : lots)
        held.push_back({l.id, l.ticker, l.bought, l.shares});
    clock.restart();
    const WashSales ledger = ledgerWashSales(held, sales);
    const std::vector<SaleLine> year = saleLines(ledger.rows, sales, 2020);
    const GainTotals totals = gainTotals(year, ledger.rows);
    std::printf("Realized gains of 2020 as the window lists them: %.0f ms (%zu sales, total $%lld)\n", millis(clock),
                year.size(), (long long)(totals.total() / kTicksPerDollar));

    // One ticker's rows of qryGains, as the file keeps them after a change.
    std::vector<HeldLot> oneHeld;
    std::vector<SalePart> oneSold;
    std::copy_if(held.begin(), held.end(), std::back_inserter(oneHeld), [](const HeldLot &l) { return l.ticker == u"T7"; });
    std::copy_if(sales.begin(), sales.end(), std::back_inserter(oneSold), [](const SalePart &s) { return s.ticker == u"T7"; });
    clock.restart();
    const std::vector<GainRow> one = gainRowsOf(oneHeld, oneSold).rows;
    std::printf("qryGains rows of one ticker worked out again: %.2f ms (%zu rows from %zu lots)\n", millis(clock),
                one.size(), oneHeld.size());

    // The same ledger in a file, its sales recorded as the program records
    // them: the window's report (the holdings, then the list of 2020) read
    // from the figures the file keeps, then worked out from every lot, as it
    // is when they cannot be had (a ticker another program changed in a
    // ledger that cannot be written).
    keepGainsWith(gainRowsOf);
    QDir::setCurrent(dir.path());
    clock.restart();
    {
        Database db(QStringLiteral("Tesmo.mdb"));
        Database::Transaction transaction(db);
        Statement lot(db.handle(), "INSERT INTO Lots (ID, Name1, Ticker, NumShares, NetAmount, TradeDate) "
                                   "VALUES (?1, 'Company', ?2, ?3, ?4, ?5)");
        for (std::size_t k = 0; k < lots.size(); ++k) {
            lot.bind(1, std::int64_t(lots[k].id)).bind(2, lots[k].ticker).bind(3, lots[k].shares);
            lot.bind(4, ticksToDouble(paid[k] * 100)).bind(5, lots[k].bought.toString(Qt::ISODate)).step();
            lot.reset();
        }
        addSalesIfMissing(db);
        Statement sale(db.handle(),
                       "INSERT INTO Sales (LotID, Name1, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Term, "
                       "LotNumShares, LotNetAmount, SharesLeft, NetLeft) VALUES (?1, 'Company', ?2, ?3, ?4, ?5, ?6, ?7, "
                       "CASE WHEN ?5 >= date(?4, '+1 day', '+1 year') THEN 'Long' ELSE 'Short' END, 100, ?8, ?9, ?10)");
        for (const WashSale &p : parts) {
            sale.bind(1, std::int64_t(p.lot)).bind(2, p.ticker).bind(3, p.shares);
            sale.bind(4, p.acquired.toString(Qt::ISODate)).bind(5, p.sold.toString(Qt::ISODate));
            sale.bind(6, ticksToDouble(p.proceeds)).bind(7, ticksToDouble(p.cost));
            const Ticks net = paid[std::size_t(p.lot - 1)] * 100;
            sale.bind(8, ticksToDouble(net)).bind(9, 100 - p.shares).bind(10, ticksToDouble(net - p.cost)).step();
            sale.reset();
        }
        transaction.commit();   // which works out the figures the file keeps
    }
    std::printf("The ledger file made, with the figures it keeps: %.0f ms\n", millis(clock));
    bench::NoBoxes boxes;
    RecordStore store(QStringLiteral("Tesmo.mdb"), boxes);
    store.Open();
    for (const bool kept : {true, false}) {
        if (!kept) {
            keepGainsWith(nullptr);
            Database(QStringLiteral("Tesmo.mdb")).exec("INSERT INTO GainsStale (Ticker) VALUES ('T1')");
        }
        clock.restart();
        GainsReport report(store, QDate(2025, 6, 1));
        const std::vector<SaleLine> lines = report.salesIn(2020);
        const GainTotals shown = gainTotals(lines, report.rows());
        std::printf("The Holdings and Gains window's report, 2020 listed, %s: %.0f ms (%zu sales, total $%lld, "
                    "$%lld of adjustments held)\n",
                    kept ? "from the figures kept" : "worked out from every lot", millis(clock), lines.size(),
                    (long long)(shown.total() / kTicksPerDollar),
                    (long long)(report.holdings().total.adjustment / kTicksPerDollar));
    }
    return 0;
}
