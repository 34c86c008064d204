// Measures the wash sales and the Form 8949 files: a ledger of LOTS lots of
// a thousand tickers, bought every few days over nine years, of which SALES
// are sold in part or whole, about half of them at a loss with purchases of
// their ticker within 30 days; the adjustments of every sale worked out, then
// both files of every row written, then the holdings of the lots with the
// shares that carry an adjustment. Prints figures; asserts nothing.
//
//   wash_sales [LOTS [SALES]]   (default 1000000 lots, 100000 sales)
#include "sales/Form8949.h"
#include "sales/Holdings.h"

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
    return 0;
}
