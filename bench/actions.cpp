// Measures the corporate actions on a ticker of LOTS lots in a ledger of
// twice as many that has sales (so that a split keeps a row a lot for the
// wash sales): each kind recorded through the record store (the action's
// rows, every lot's change, the lots made and the sale, and the record set
// following them, in one transaction with the figures for taxes kept), then
// undone, in turn. The actions are worked out here by hand, as the planner
// would give them. Prints figures; asserts nothing.
//
//   actions [LOTS]   (default 100000)
#include "NoBoxes.h"
#include "sales/LedgerGains.h"
#include "store/RecordStore.h"
#include "text/FieldRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace tesmo;

namespace {

double millis(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

ActionLotValues valuesOf(const LotRow &r)
{
    return {QString::fromUtf8(r.name), r.nameIsNull, QString::fromUtf8(r.ticker), r.numShares, r.price, r.netAmount,
            QDate::fromJulianDay(r.tradeDay)};
}

// Each lot of BIG changed by change, which may add a part of a sale or a lot
// made; the lots made go last.
CorporateAction actionOnBig(const RecordStore &store, ActionKind kind,
                            const std::function<void(ActionLot &, CorporateAction &)> &change)
{
    CorporateAction a;
    a.kind = kind;
    a.ticker = QStringLiteral("BIG");
    a.day = QDate(2024, 6, 3);
    std::vector<ActionLot> made;
    for (std::size_t i = 0; i < store.rows().size(); ++i) {
        const LotRow r = store.rows().lot(i);
        if (!sameTicker(QString::fromUtf8(r.ticker), a.ticker))
            continue;
        ActionLot lot{r.id, 0, valuesOf(r), valuesOf(r), 0};
        change(lot, a);
        a.lots.push_back(lot);
        if (kind == ActionKind::SpinOff) {
            ActionLotValues spun = lot.after;
            spun.ticker = QStringLiteral("SPUN");
            spun.price.reset();
            spun.netAmount = *lot.after.netAmount / 10;
            *a.lots.back().after.netAmount -= *spun.netAmount;
            made.push_back({-LotId(made.size()) - 1, r.id, std::nullopt, spun, 0});
        }
    }
    a.lots.insert(a.lots.end(), made.begin(), made.end());
    return a;
}

// Every lot sold whole for $20 a share.
void sellWhole(ActionLot &lot, CorporateAction &a)
{
    const ActionLotValues &v = lot.after;
    SalePart p;
    p.lot = lot.lot;
    p.name = v.name;
    p.ticker = v.ticker;
    p.acquired = v.tradeDate;
    p.sold = a.day;
    p.shares = v.shares;
    p.proceeds = Ticks(v.shares * 20) * kTicksPerDollar;
    p.cost = *v.netAmount;
    p.term = a.day >= v.tradeDate.addDays(1).addYears(1) ? QStringLiteral("Long") : QStringLiteral("Short");
    p.sharesLeft = 0;
    p.netLeft = 0;
    a.sale.push_back(p);
}

void measure(RecordStore &store, const char *what, ActionKind kind,
             const std::function<void(ActionLot &, CorporateAction &)> &change)
{
    CorporateAction planned;
    const double built = millis([&] { planned = actionOnBig(store, kind, change); });
    qint64 reports = 0;
    const auto progress = [&](qint64, qint64) { return ++reports, true; };
    CorporateAction recorded;
    const double record = millis([&] { recorded = store.RecordAction(planned, progress); });
    std::vector<CorporateAction> listed;
    const double read = millis([&] { listed = store.Actions(QStringLiteral("BIG")); });
    const double check = millis([&] { store.CheckUndoAction(recorded); });
    const double undo = millis([&] { store.UndoAction(recorded, progress); });
    std::printf("  %-26s %7zu lots: built %5.0f ms, record %5.0f ms, list %5.0f ms, check undo %5.0f ms, "
                "undo %5.0f ms (%lld reports)\n",
                what, planned.lots.size(), built, record, read, check, undo, reports);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    keepGainsWith(gainRowsOf);   // as the program does
    const int lots = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    {
        // Every other lot is of BIG, the others of a thousand other tickers.
        Database db(QStringLiteral("Tesmo.mdb"));
        db.exec(qPrintable(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
            "SELECT 'Company number ' || i, CASE WHEN i % 2 = 0 THEN 'BIG' ELSE 'T' || (i % 1000) END, "
            "i % 500 + 1, (i % 9000) / 100.0, i * 3.25, date('2000-01-01', '+' || (i % 7000) || ' days') FROM n")
                              .arg(2 * lots)));
    }
    bench::NoBoxes boxes;
    RecordStore store(QStringLiteral("Tesmo.mdb"), boxes);
    store.Open();
    // A sale of another ticker: the ledger keeps its splits from then on.
    const LotRow other = store.rows().lot(0);
    SalePart sold{0, 0, other.id, QString::fromUtf8(other.name), QString::fromUtf8(other.ticker),
                  QDate::fromJulianDay(other.tradeDay), QDate(2024, 1, 2), 1, 10 * kTicksPerDollar,
                  *other.netAmount / Ticks(other.numShares), QStringLiteral("Long"), other.numShares - 1,
                  *other.netAmount - *other.netAmount / Ticks(other.numShares)};
    store.Sell({sold});
    std::printf("corporate actions on a ticker of %d lots, %d lots in the ledger\n", lots, 2 * lots);
    measure(store, "split 4 for 1", ActionKind::Split, [](ActionLot &l, CorporateAction &a) {
        a.ratio = 4, a.ratioText = QStringLiteral("4 for 1");
        l.after.shares *= 4;
        if (l.after.price)
            *l.after.price /= 4;
    });
    measure(store, "ticker change", ActionKind::TickerChange, [](ActionLot &l, CorporateAction &a) {
        a.newTicker = l.after.ticker = QStringLiteral("BIGR");
    });
    measure(store, "spin-off, 10% of the cost", ActionKind::SpinOff, [](ActionLot &, CorporateAction &a) {
        a.ratio = 1, a.ratioText = QStringLiteral("1 for 1"), a.newTicker = QStringLiteral("SPUN"), a.percent = 10;
    });
    measure(store, "return of capital $1", ActionKind::ReturnOfCapital, [](ActionLot &l, CorporateAction &a) {
        a.cash = kTicksPerDollar;
        const Ticks back = Ticks(l.after.shares) * kTicksPerDollar;
        l.gain = std::max<Ticks>(0, back - *l.after.netAmount);
        l.after.netAmount = std::max<Ticks>(0, *l.after.netAmount - back);
    });
    measure(store, "cash merger $20", ActionKind::CashMerger, [](ActionLot &l, CorporateAction &a) {
        a.cash = 20 * kTicksPerDollar;
        sellWhole(l, a);
    });
    return 0;
}
