// The corporate action command over a real ledger: a random walk of actions
// of every kind, sales and undos, last first. After each action the file
// holds every lot as the action and its sale left it, and the record set
// follows the file; each undo gives every lot back to the byte.
#include "actions/ActionWords.h"
#include "actions/TickerActions.h"
#include "support/StoreFixture.h"

#include <QRandomGenerator>

using namespace tesmo;
using namespace tesmo::test;

namespace {

const QDate kToday(2024, 12, 31);

// What the walk can undo: an action, or a sale (its parts).
struct Change {
    std::optional<CorporateAction> action;
    std::vector<SalePart> sale;
    QString before;   // the lots before it
};

} // namespace

class TickerActionsTest : public StoreFixture {
    Q_OBJECT

    // Each lot changed or made holds its values after the action, less what
    // the sale took; a lot sold whole is gone.
    void compareWithFile(const CorporateAction &recorded)
    {
        TextBinding b;
        const auto fresh = openStore(b);
        QCOMPARE(fresh->RecordCount(), store->RecordCount());
        for (int i = 0; i < store->RecordCount(); ++i)
            QVERIFY(sameValues(fresh->rows().lot(std::size_t(i)), store->rows().lot(std::size_t(i))));
        for (const ActionLot &lot : recorded.lots) {
            ActionLotValues expected = lot.after;
            bool gone = false;
            for (const SalePart &part : recorded.sale) {
                if (part.lot == lot.lot) {
                    gone = part.wholeLot();
                    expected.shares = part.sharesLeft;
                    expected.netAmount = part.netLeft;
                }
            }
            const auto row = fresh->rows().rowOf(lot.lot);
            QCOMPARE(!row, gone);
            if (row) {
                const LotRow held = fresh->rows().lot(*row);
                QCOMPARE(QString::fromUtf8(held.ticker), expected.ticker);
                QCOMPARE(held.nameIsNull, expected.nameIsNull);
                QCOMPARE(held.numShares, expected.shares);
                QCOMPARE(held.price, expected.price);
                QCOMPARE(held.netAmount, expected.netAmount);
                QCOMPARE(held.tradeDay, std::int32_t(expected.tradeDate.toJulianDay()));
            }
        }
    }

    void openLedger()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{
            {"Acme", "ACME", 10, 10, 100, "2020-01-02"},     {"Acme", "acme", 7.5, 20, 140, "2021-03-04"},
            {"", "ACME", 3, 33.3333, {}, "2023-05-06"},       {"Bolt", "BOLT", 120, 2.5, 300, "2022-07-01"},
            {"Bolt", "BOLT", 0.25, 4, 1, "2024-02-29"},        {"Cord", "CORD", 40, 1.25, 50.25, "2019-11-30"},
            {"Cord", "CORD", 5, 2, 10, "2024-05-01"}});
        store = openStore(binding);
    }

private slots:
    void init() { reset(); }
    void cleanup() { close(); }

    // An action dated before a sale or an action already recorded on one of
    // its lots is refused, naming the Day and the change; on the same day
    // it is recorded.
    void actionBeforeALaterChangeIsRefused()
    {
        openLedger();
        TickerActions command(*store);
        const auto request = [](ActionKind kind, const char *ticker, QDate day) {
            ActionRequest r{kind, QString::fromLatin1(ticker), day, "4 for 1", {}, {}, false, "1", {}, {}};
            return r;
        };
        command.record(command.plan(request(ActionKind::Split, "ACME", {2024, 6, 1}), kToday));
        QCOMPARE(store->Sell(planSale("BOLT", lotsOf(store->rows(), "BOLT"), {2024, 7, 1}, 1, 50000, FirstIn)).size(),
                 std::size_t(1));
        // The first lot of CORD sold whole: it leaves the ledger.
        QCOMPARE(store->Sell(planSale("CORD", lotsOf(store->rows(), "CORD"), {2024, 7, 2}, 40, 50000, FirstIn)).size(),
                 std::size_t(1));
        QCOMPARE(store->rows().rowOf(6), std::nullopt);
        const struct {
            ActionRequest request;
            const char *said;
        } refused[] = {
            {request(ActionKind::ReturnOfCapital, "acme", {2024, 3, 1}),
             "Please Enter a Day on or after 6/1/2024: the action Split 4 for 1 on 6/1/2024 reached lot 1 already"},
            {request(ActionKind::Split, "BOLT", {2024, 6, 30}),
             "Please Enter a Day on or after 7/1/2024: a sale on 7/1/2024 took shares from lot 4 already"},
            {request(ActionKind::Split, "CORD", {2024, 6, 30}),
             "Please Enter a Day on or after 7/2/2024: a sale on 7/2/2024 took shares from lot 6 already"},
        };
        for (const auto &r : refused) {
            try {
                command.plan(r.request, kToday);
                QFAIL(r.said);
            } catch (const ActionRefusal &refusal) {
                QCOMPARE(refusal.field(), ActionField::Day);
                QVERIFY2(refusal.description().startsWith(QLatin1String(r.said)), qPrintable(refusal.description()));
            }
        }
        command.record(command.plan(request(ActionKind::ReturnOfCapital, "ACME", {2024, 6, 1}), kToday));
        command.record(command.plan(request(ActionKind::Split, "BOLT", {2024, 7, 1}), kToday));
        QCOMPARE(folder->query("SELECT count(*) FROM Actions"), QStringLiteral("3"));
    }

    void randomWalkOfActionsSalesAndUndos()
    {
        openLedger();
        TickerActions command(*store);
        QRandomGenerator rng(20241209);
        const QString tickers[] = {"ACME", "BOLT", "CORD", "NEWCO", "SPUN"};
        const char *const ratios[] = {"4 for 1", "1 for 10", "3 for 2", "2:3", "1 for 1"};
        std::vector<Change> done;
        int recorded = 0, undone = 0;
        for (int step = 0; step < 160; ++step) {
            const QString ticker = tickers[rng.bounded(5)];
            const QString before = folder->query(kStocksDump);
            const int choice = rng.bounded(10);
            if (choice < 5) {
                ActionRequest r;
                r.kind = ActionKind(rng.bounded(6));
                r.ticker = ticker;
                r.day = QDate(2024, 1, 1).addDays(rng.bounded(330));
                r.ratio = QString::fromLatin1(ratios[rng.bounded(5)]);
                r.newTicker = rng.bounded(2) ? QStringLiteral("NEWCO") : QStringLiteral("SPUN");
                r.newName = rng.bounded(2) ? QStringLiteral("Renamed") : QString();
                r.percent = QString::number(rng.bounded(101));
                r.cashForFractions = rng.bounded(2);
                r.cash = QString::number(rng.bounded(1, 40));
                CorporateAction planned;
                try {
                    planned = command.plan(r, kToday);
                } catch (const ActionRefusal &) {
                    continue;
                }
                const CorporateAction action = command.record(planned);
                QVERIFY2(action.id > 0, qPrintable(actionSummary(planned)));
                QCOMPARE(action.lots.size(), planned.lots.size());
                QCOMPARE(action.sale.size(), planned.sale.size());
                const auto listed = command.actionsOf(ticker);
                const auto read = std::find_if(listed.begin(), listed.end(),
                                               [&](const CorporateAction &a) { return a.id == action.id; });
                QVERIFY(read != listed.end());
                QCOMPARE(*read, action);
                compareWithFile(action);
                done.push_back({action, {}, before});
                ++recorded;
            } else if (choice < 7) {
                std::vector<SalePart> parts;
                try {
                    parts = planSale(ticker, lotsOf(store->rows(), ticker), QDate(2024, 1, 1).addDays(rng.bounded(330)),
                                     1 + rng.bounded(5), 100000, FirstIn);
                } catch (const SaleRefusal &) {
                    continue;
                }
                const std::vector<SaleId> ids = store->Sell(parts);
                for (std::size_t i = 0; i < parts.size(); ++i)
                    parts[i].id = ids[i], parts[i].saleNo = ids.front();
                done.push_back({std::nullopt, parts, before});
            } else if (!done.empty()) {
                const Change &last = done.back();
                if (last.action) {
                    command.checkUndo(*last.action);
                    command.undo(*last.action);
                    ++undone;
                } else {
                    store->UndoSale(last.sale);
                }
                QCOMPARE(folder->query(kStocksDump), last.before);
                done.pop_back();
            }
        }
        QVERIFY2(recorded >= 20 && undone >= 5, qPrintable(QStringLiteral("%1, %2").arg(recorded).arg(undone)));
    }
};

QTEST_GUILESS_MAIN(TickerActionsTest)
#include "tst_tickeractions.moc"
