// Measures selling: a sale from a ticker of 100,000 lots in a ledger of
// twice as many, planned from the record set's rows and written through the
// record store (the sale rows, the lots' changes and the rows following them
// in one transaction), first a sale that takes from half the ticker's lots,
// then one that takes from one lot, and the undo of that one. Prints
// figures; asserts nothing.
//
//   sales [LOTS]     (default 100000 lots of the ticker; the ledger is made in a temporary folder)
#include "BenchLedger.h"
#include "sales/SalePlan.h"
#include "store/RecordStore.h"
#include "text/FieldRules.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using bench::millis;

// Boxes that nothing reads.
class NoBoxes : public tesmo::FieldBinding {
public:
    QString text(int) const override { return {}; }
    void show(const tesmo::FieldTexts &) override {}
    bool changed(int) const override { return false; }
};

// The lots of the ticker among the record set's rows, as a sale sees them.
std::vector<tesmo::SaleLot> lotsOf(const tesmo::LotTable &rows, const QString &ticker)
{
    std::vector<tesmo::SaleLot> lots;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const tesmo::LotRow r = rows.lot(i);
        const QString t = QString::fromUtf8(r.ticker.data(), qsizetype(r.ticker.size()));
        if (tesmo::sameTicker(t, ticker))
            lots.push_back({r.id, QString::fromUtf8(r.name.data(), qsizetype(r.name.size())), t,
                            QDate::fromJulianDay(r.tradeDay), r.numShares, r.price, r.netAmount});
    }
    return lots;
}

std::vector<tesmo::SaleToRecord> toRecords(const std::vector<tesmo::SalePart> &parts)
{
    std::vector<tesmo::SaleToRecord> records;
    records.reserve(parts.size());
    for (const tesmo::SalePart &p : parts)
        records.push_back({p.lot, p.sold, p.shares, p.proceeds, p.cost, p.term(), p.sharesLeft, p.netLeft, p.wholeLot});
    return records;
}

// Plans and writes a sale of shares of BIG on 6/1/2024, first in first out;
// prints the times of both.
std::vector<tesmo::SaleId> sell(tesmo::RecordStore &store, double shares, const char *what)
{
    std::vector<tesmo::SalePart> parts;
    const double planned = millis([&] {
        parts = tesmo::planSale(lotsOf(store.rows(), QStringLiteral("BIG")), QDate(2024, 6, 1), shares,
                                tesmo::Ticks(123456789) * 100, tesmo::SaleMethod::FirstIn);
    });
    std::vector<tesmo::SaleId> ids;
    const double written = millis([&] { ids = store.Sell(toRecords(parts)); });
    std::printf("  %-34s plan %6.0f ms, write %6.0f ms (%zu lots)\n", what, planned, written, parts.size());
    return ids;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int lots = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    {
        // Every other lot is of BIG, the others of a thousand other tickers.
        tesmo::Database db(QStringLiteral("Tesmo.mdb"));
        db.exec(qPrintable(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
            "SELECT 'Company number ' || i, CASE WHEN i % 2 = 0 THEN 'BIG' ELSE 'T' || (i % 1000) END, "
            "i % 500 + 1, (i % 9000) / 100.0, i * 3.25, date('2000-01-01', '+' || (i % 7000) || ' days') FROM n")
                              .arg(2 * lots)));
    }
    NoBoxes boxes;
    tesmo::RecordStore store(QStringLiteral("Tesmo.mdb"), boxes);
    std::printf("a sale from a ticker of %d lots, %d lots in the ledger\n", lots, 2 * lots);
    std::printf("  open                               %6.0f ms\n", millis([&] { store.Open(); }));
    std::printf("  the ticker's lots from the rows    %6.0f ms\n",
                millis([&] { lotsOf(store.rows(), QStringLiteral("BIG")); }));

    // Half the lots whole, in first-in order, and half of the next.
    auto held = lotsOf(store.rows(), QStringLiteral("BIG"));
    std::sort(held.begin(), held.end(), [](const auto &a, const auto &b) {
        return std::tie(a.acquired, a.id) < std::tie(b.acquired, b.id);
    });
    double half = 0;
    for (int i = 0; i < lots / 2; ++i)
        half += held[std::size_t(i)].shares;
    sell(store, half + 0.5, "from half the lots");
    const auto one = sell(store, 1, "from one lot");
    std::printf("  undo the sale from one lot                          %6.0f ms\n",
                millis([&] { store.UndoSale(one.front()); }));
    std::printf("  peak memory %ld MB\n", bench::peakMegabytes());
    return 0;
}
