// Measures corporate actions: first the working out alone, on a ledger of
// LOTS lots of ten tickers held in memory, TICKER of them of the ticker the
// action reaches, bought over nine years; each kind of action planned on it,
// those with a fraction sold for cash with it. Then the user's path through
// the record store, on a ledger file of twice TICKER lots with a sale of
// another ticker (so that a split keeps a row a lot for the wash sales) and
// the master list showing the lots as in the window: each kind planned,
// recorded (with its progress told), listed, its undo checked and undone,
// one after the other, the figures for taxes kept at each commit. Prints
// figures; asserts nothing. A third argument runs only the kinds whose
// names contain it ("cash merger").
//
#include "NoBoxes.h"
#include "actions/ActionPlan.h"
#include "actions/TickerActions.h"
#include "mainwin/LotListModel.h"
#include "mainwin/LotListView.h"
#include "sales/LedgerGains.h"
#include "sales/SalePlan.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tesmo;

namespace {

double millis(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

struct Case {
    const char *name;
    ActionRequest request;
};

std::vector<Case> cases()
{
    const QDate day(2024, 6, 3);
    return {
        {"split 3 for 2, cash for the fraction", {ActionKind::Split, "ACME", day, "3 for 2", {}, {}, true, "25", {}, {}}},
        {"reverse split 1 for 7", {ActionKind::Split, "ACME", day, "1 for 7", {}, {}, false, {}, {}, {}}},
        {"ticker change", {ActionKind::TickerChange, "ACME", day, {}, "ACMX", "Acme Corporation", false, {}, {}, {}}},
        {"merger 2 for 5, cash for the fraction", {ActionKind::Merger, "ACME", day, "2 for 5", "BIGCO", {}, true, "9.5", {}, {}}},
        {"cash merger", {ActionKind::CashMerger, "ACME", day, {}, {}, {}, false, "61.25", {}, {}}},
        {"spin-off 1 for 3, cash for the fraction", {ActionKind::SpinOff, "ACME", day, "1 for 3", "SPUN", {}, true, "4", "18.5", {}}},
        {"return of capital", {ActionKind::ReturnOfCapital, "ACME", day, {}, {}, {}, false, "1.75", {}, {}}},
    };
}

// Each kind planned, recorded, listed, its undo checked and undone through
// the record store on a ledger file of twice ofTicker lots, half of them of
// the ticker, the master list following. One lot of the ticker holds an odd
// fraction of a share, so that every ratio leaves a fraction to be paid.
void throughTheStore(int ofTicker, const char *only)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    {
        Database db(QStringLiteral("Tesmo.mdb"));
        db.exec(qPrintable(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
            "SELECT 'Company number ' || i, CASE WHEN i % 2 = 0 THEN 'ACME' ELSE 'T' || (i % 1000) END, "
            "i % 500 + 1.3 + iif(i = 2, 0.05, 0), round((i % 9000) / 100.0 + 1, 2), "
            "round((i % 500 + 1.3) * ((i % 9000) / 100.0 + 1), 2), "
            "date('2015-01-01', '+' || (i % 3300) || ' days') FROM n")
                               .arg(2 * ofTicker)));
    }
    bench::NoBoxes boxes;
    RecordStore store(QStringLiteral("Tesmo.mdb"), boxes);
    store.Open();
    // A sale of another ticker: the ledger keeps its splits from then on.
    const LotRow other = store.rows().lot(0);
    store.Sell(planSale(QString::fromUtf8(other.ticker), {other}, QDate(2024, 1, 2), 1, 10 * kTicksPerDollar,
                        SaleMethod::FirstIn));
    LotListModel model(LotListModel::Rows::All);
    model.show(&store.rows());
    LotListView view(&model, {1440, 1440, 1440, 1440, 1440, 1440, 1440});
    view.show();
    view.selectRow(int(store.rows().size()) - 1, true);
    TickerActions command(store);
    std::printf("through the record store, %d lots of ACME among %d\n", ofTicker, 2 * ofTicker);
    std::printf("%-40s %8s %8s %8s %8s %8s\n", "", "plan", "record", "list", "check", "undo");
    for (const Case &c : cases()) {
        if (!std::strstr(c.name, only))
            continue;
        qint64 told = 0;
        const auto progress = [&](qint64, qint64) { return ++told > 0; };
        QElapsedTimer clock;
        clock.start();
        try {
            const CorporateAction planned = command.plan(c.request, QDate(2024, 12, 31));
            const double plan = millis(clock);
            clock.restart();
            const CorporateAction recorded = command.record(planned, progress);
            const double record = millis(clock);
            clock.restart();
            const std::vector<CorporateAction> listed = command.actionsOf(c.request.ticker);
            const double list = millis(clock);
            const CorporateAction &shown = *std::find_if(listed.begin(), listed.end(), [&](const CorporateAction &a) {
                return a.id == recorded.id;
            });
            clock.restart();
            command.checkUndo(shown);
            const double check = millis(clock);
            clock.restart();
            command.undo(shown, progress);
            std::printf("%-40s %6.0f ms %6.0f ms %6.0f ms %6.0f ms %6.0f ms  (progress told %lld times)\n", c.name,
                        plan, record, list, check, millis(clock), qlonglong(told));
        } catch (const Error &e) {   // a refusal of the action, or a failure, told as the dialog tells it
            std::printf("%-40s %s: %s\n", c.name, dynamic_cast<const ActionRefusal *>(&e) ? "refused" : "failed",
                        qPrintable(e.description()));
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    keepGainsWith(gainRowsOf);   // as the program does
    const int lotCount = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int ofTicker = argc > 2 ? std::atoi(argv[2]) : 100000;
    const char *const only = argc > 3 ? argv[3] : "";
    QRandomGenerator random(20241209);
    const QDate start(2015, 1, 5);
    const char *const others[] = {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8", "T9"};
    LotTable lots;
    lots.reserve(std::size_t(lotCount));
    for (int k = 0; k < lotCount; ++k) {
        LotRow lot;
        lot.id = k + 1;
        lot.name = "Example Company";
        lot.ticker = k % std::max(1, lotCount / ofTicker) == 0 ? "ACME" : others[k % 9];
        lot.numShares = (10 + random.bounded(9990)) / 10.0 + 0.01;
        lot.price = Ticks(1000 + random.bounded(90000)) * 100;
        lot.netAmount = Ticks(lot.numShares * double(*lot.price)) + random.bounded(1000) * 100;
        lot.tradeDay = std::int32_t(start.addDays(k * 3300LL / lotCount).toJulianDay());
        lots.append(lot);
    }
    const QDate today(2024, 12, 31);
    std::printf("%d lots, %d of ACME\n", lotCount, ofTicker);
    for (const Case &c : cases()) {
        if (!std::strstr(c.name, only))
            continue;
        QElapsedTimer clock;
        clock.start();
        CorporateAction action;
        try {
            action = planAction(c.request, lots, today);
        } catch (const ActionRefusal &refusal) {
            std::printf("%-40s refused: %s\n", c.name, qPrintable(refusal.description()));
            continue;
        }
        std::printf("%-40s %8.1f ms  %zu lots, %zu parts sold\n", c.name, millis(clock), action.lots.size(),
                    action.sale.size());
    }
    throughTheStore(ofTicker, only);
    return 0;
}
