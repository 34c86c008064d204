// Measures selling: a sale from a ticker of 100,000 lots in a ledger of
// twice as many, planned from the record set's rows and written through the
// record store (the sale rows, the lots' changes and the rows following them
// in one transaction), first a sale that takes from half the ticker's lots,
// then one that takes from one lot, and the undo of that one. Then the
// Holdings and Gains window: from Ctrl+G to the painted window on a ledger
// of a million lots, and again once a tenth of them were sold, one sale row
// a lot, with the choice of All and the CSV file of every sale, beside the
// floor of the text export of as many lines. Prints figures; asserts nothing.
//
//   sales [LOTS [GAINS_LOTS]] [--floors DIR]
//     (default 100000 lots of the ticker, 1000000 lots for the window; the
//     ledgers are made in temporary folders; the floors are in
//     ../shared/floors next to the source tree unless DIR is given)
#include "BenchLedger.h"
#include "NoBoxes.h"
#include "mainwin/LotListModel.h"
#include "mainwin/LotListView.h"
#include "mainwin/frmStocks.h"
#include "sales/LedgerGains.h"
#include "sales/GainsCsv.h"
#include "sales/Holdings.h"
#include "sales/RealizedGains.h"
#include "sales/SalePlanner.h"
#include "store/RecordStore.h"
#include "text/FieldRules.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

using bench::millis;
using bench::NoBoxes;

// The lots of the ticker among the record set's rows, as a sale sees them.
void addLotsOf(tesmo::SalePlanner &planner, const tesmo::LotTable &rows, const QString &ticker)
{
    planner.know(ticker);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const tesmo::LotRow r = rows.lot(i);
        if (tesmo::sameTicker(QString::fromUtf8(r.ticker), ticker))
            planner.add(r);
    }
}

// Plans and writes a sale of shares of BIG on 6/1/2024, first in first out;
// prints the times of both.
std::vector<tesmo::SaleId> sell(tesmo::RecordStore &store, double shares, const char *what)
{
    std::vector<tesmo::SalePart> parts;
    const double planned = millis([&] {
        tesmo::SalePlanner planner;
        addLotsOf(planner, store.rows(), QStringLiteral("BIG"));
        parts = planner.plan(QStringLiteral("BIG"), QDate(2024, 6, 1), shares, tesmo::Ticks(123456789) * 100,
                             tesmo::SaleMethod::FirstIn);
    });
    std::vector<tesmo::SaleId> ids;
    const double written = millis([&] { ids = store.Sell(parts); });
    std::printf("  %-34s plan %6.0f ms, write %6.0f ms (%zu lots)\n", what, planned, written, parts.size());
    return ids;
}

// Ctrl+G on the window until the Holdings and Gains window is painted; then,
// with all, All chosen and the gains of every year saved through Alt+S as
// CSV. Prints the times.
void openHoldingsAndGains(bench::ExportPlatform &out, bool all)
{
    tesmo::frmStocks window(out.platform());
    window.open();
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        std::fprintf(stderr, "the window did not become active\n");
    QElapsedTimer clock;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QDialog *d = bench::shownDialog("HoldingsGains");
        if (!d)
            return;
        poll.stop();
        if (!QTest::qWaitForWindowExposed(d))
            std::fprintf(stderr, "the window was not shown\n");
        d->repaint();
        std::printf("  Ctrl+G to the painted window       %6.0f ms\n", double(clock.nsecsElapsed()) / 1e6);
        if (all) {
            auto *years = d->findChild<QComboBox *>(QStringLiteral("cmbYear"));
            std::printf("  All chosen, painted                %6.0f ms\n", millis([&] {
                            years->setCurrentIndex(0);
                            d->repaint();
                        }));
            out.dialogs.file = out.out.filePath(QStringLiteral("gains.csv"));
            const double saved =
                millis([&] { d->findChild<QPushButton *>(QStringLiteral("cmdSaveGains"))->click(); });
            std::printf("  Save Gains as CSV, every sale      %6.0f ms (%lld bytes)\n", saved,
                        QFileInfo(out.dialogs.file).size());
        }
        d->reject();
    });
    poll.start(1);
    clock.start();
    QTest::keyClick(window.windowHandle(), Qt::Key_G, Qt::ControlModifier);
}

// The Holdings and Gains window on a ledger of lots lots of a thousand
// tickers; then each of the tickers T0 to T99 sold on a day of its own from
// June 2016 on (all that it holds by that day, some of it short-term), one
// sale row a lot, and the window again.
void holdingsAndGains(int lots, const QString &floors)
{
    QTemporaryDir dir;
    std::printf("holdings and gains, %d lots in the ledger\n", lots);
    bench::makeLedger(dir, lots);
    bench::ExportPlatform out;
    openHoldingsAndGains(out, false);
    {
        NoBoxes boxes;
        tesmo::RecordStore store(QStringLiteral("Tesmo.mdb"), boxes);
        store.Open();
        tesmo::Holdings h;
        const double holdings = millis([&] { h = tesmo::holdingsOf(store.rows(), QDate::currentDate()); });
        std::printf("  the holdings alone                 %6.0f ms (%zu tickers)\n", holdings, h.tickers.size());
        tesmo::SalePlanner planner;
        std::set<QString> sold;
        for (std::size_t i = 0; i < store.rows().size(); ++i) {
            const tesmo::LotRow r = store.rows().lot(i);
            if (r.ticker.size() <= 3 && planner.add(r))
                sold.insert(QString::fromUtf8(r.ticker));
        }
        qsizetype rows = 0;
        const double ms = millis([&] {
            int n = 0;
            for (const QString &ticker : sold) {
                const QDate day = QDate(2016, 6, 1).addDays(20 * n++);
                double shares = 0;
                for (const tesmo::LotRow &l : planner.lots(ticker))
                    shares += tesmo::acquiredOf(l) <= day ? l.numShares : 0;
                rows += qsizetype(store.Sell(planner.plan(ticker, day, shares,
                                                          tesmo::Ticks(shares) * 20 * tesmo::kTicksPerDollar))
                                      .size());
            }
        });
        std::printf("  %lld sale rows recorded             %6.0f ms\n", qlonglong(rows), ms);
        std::vector<tesmo::SalePart> sales;
        const double read = millis([&] { sales = store.Sales(); });
        std::printf("  the sales read                     %6.0f ms (%lld short-term)\n", read,
                    qlonglong(std::count_if(sales.begin(), sales.end(),
                                            [](const auto &s) { return !tesmo::isLongTerm(s); })));
        std::printf("  their CSV file alone               %6.0f ms\n", millis([&] {
                        tesmo::saveGainsCsv(tesmo::salesIn(sales, std::nullopt), out.out.filePath("alone.csv"));
                    }));
    }
    openHoldingsAndGains(out, true);
    QTemporaryDir floorLedger;
    bench::makeLedger(floorLedger, 100000);
    std::printf("  floor: the text export's lines of 100000 lots %6.0f ms\n",
                bench::runFloors(floors, floorLedger.filePath("Tesmo.mdb"))["text"]);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tesmo::keepGainsWith(tesmo::gainRowsOf);   // as the program does
    QString floors = QStringLiteral(TESMO_FLOORS_DIR);
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--floors") {
            floors = QString::fromLocal8Bit(argv[i + 1]);
            argc = i;
        }
    }
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
                millis([&] {
                    tesmo::SalePlanner planner;
                    addLotsOf(planner, store.rows(), QStringLiteral("BIG"));
                }));

    // Half the lots whole, in first-in order, and half of the next.
    tesmo::SalePlanner planner;
    addLotsOf(planner, store.rows(), QStringLiteral("BIG"));
    auto held = planner.lots(QStringLiteral("BIG"));
    std::sort(held.begin(), held.end(), [](const auto &a, const auto &b) {
        return std::tie(a.tradeDay, a.id) < std::tie(b.tradeDay, b.id);
    });
    double half = 0;
    for (int i = 0; i < lots / 2; ++i)
        half += held[std::size_t(i)].numShares;
    // The master list shows the lots, as in the window, and follows the sale.
    tesmo::LotListModel model(tesmo::LotListModel::Rows::All);
    model.show(&store.rows());
    tesmo::LotListView view(&model, {1440, 1440, 1440, 1440, 1440, 1440, 1440});
    view.show();
    view.selectRow(int(store.rows().size()) - 1, true);
    sell(store, half + 0.5, "from half the lots");
    const auto one = sell(store, 1, "from one lot");
    tesmo::SalePart seen;
    for (const tesmo::SalePart &sale : store.Sales())
        if (sale.id == one.front())
            seen = sale;
    std::printf("  undo the sale from one lot                          %6.0f ms\n",
                millis([&] { store.UndoSale({seen}); }));
    std::printf("  peak memory %ld MB\n", bench::peakMegabytes());
    holdingsAndGains(argc > 2 ? std::atoi(argv[2]) : 1000000, floors);
    return 0;
}
