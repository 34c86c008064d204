// Measures the working out of a corporate action: a ledger of LOTS lots of
// ten tickers, TICKER of them of the ticker the action reaches, bought every
// few hours' worth of days over nine years; each kind of action planned on
// it, those with a fraction sold for cash with it. Prints figures; asserts
// nothing. The recording and its undo are measured with the store.
//
//   corporate_actions [LOTS [TICKER]]   (default 1000000 lots, 100000 of the ticker)
#include "actions/ActionPlan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

using namespace tesmo;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int lotCount = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int ofTicker = argc > 2 ? std::atoi(argv[2]) : 100000;
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
    struct Case {
        const char *name;
        ActionRequest request;
    };
    const QDate day(2024, 6, 3), today(2024, 12, 31);
    const Case cases[] = {
        {"split 3 for 2, cash for the fraction", {ActionKind::Split, "ACME", day, "3 for 2", {}, {}, true, "25", {}, {}}},
        {"reverse split 1 for 7", {ActionKind::Split, "ACME", day, "1 for 7", {}, {}, false, {}, {}, {}}},
        {"ticker change", {ActionKind::TickerChange, "ACME", day, {}, "ACMX", "Acme Corporation", false, {}, {}, {}}},
        {"merger 2 for 5, cash for the fraction", {ActionKind::Merger, "ACME", day, "2 for 5", "BIGCO", {}, true, "9.5", {}, {}}},
        {"cash merger", {ActionKind::CashMerger, "ACME", day, {}, {}, {}, false, "61.25", {}, {}}},
        {"spin-off 1 for 3, cash for the fraction", {ActionKind::SpinOff, "ACME", day, "1 for 3", "SPUN", {}, true, "4", "18.5", {}}},
        {"return of capital", {ActionKind::ReturnOfCapital, "ACME", day, {}, {}, {}, false, "1.75", {}, {}}},
    };
    std::printf("%d lots, %d of ACME\n", lotCount, ofTicker);
    for (const Case &c : cases) {
        QElapsedTimer clock;
        clock.start();
        const CorporateAction action = planAction(c.request, lots, today);
        std::printf("%-40s %8.1f ms  %zu lots, %zu parts sold\n", c.name, double(clock.nsecsElapsed()) / 1e6,
                    action.lots.size(), action.sale.size());
    }
    return 0;
}
