// Corporate actions as the record store writes them into the ledger file:
// the file's own checks of an action's rows, every kind recorded and undone
// back to the same bytes, and the undo refused while a later change holds
// its lots.
#include "sales/LedgerGains.h"
#include "support/StoreFixture.h"

#include <cmath>

using namespace tesmo;
using namespace tesmo::test;

namespace {

Ticks dollars(double d) { return Ticks(std::llround(d * kTicksPerDollar)); }

ActionLotValues valuesOf(const LotRow &r)
{
    return {QString::fromUtf8(r.name), r.nameIsNull, QString::fromUtf8(r.ticker), r.numShares, r.price, r.netAmount,
            QDate::fromJulianDay(r.tradeDay)};
}

// Every lot of ticker changed as change says, which may add made lots to
// the action's; those go last.
using Change = std::function<void(ActionLot &, CorporateAction &)>;
CorporateAction actionOn(const RecordStore &store, ActionKind kind, const char *ticker, QDate day, const Change &change)
{
    CorporateAction a;
    a.kind = kind, a.ticker = QString::fromLatin1(ticker), a.day = day;
    std::vector<ActionLot> changed;
    for (const LotRow &r : lotsOf(store.rows(), a.ticker)) {
        changed.push_back({r.id, 0, valuesOf(r), valuesOf(r), 0});
        change(changed.back(), a);
    }
    a.lots.insert(a.lots.begin(), changed.begin(), changed.end());
    return a;
}

// A lot made from lot, its placeholder the next.
void make(CorporateAction &a, const ActionLot &lot, const ActionLotValues &values)
{
    a.lots.push_back({-LotId(a.lots.size()) - 1, lot.lot, std::nullopt, values, 0});
}

// A part of a sale on day from a lot as the action left it.
SalePart part(LotId lot, const ActionLotValues &held, QDate day, double shares, double proceeds, double cost)
{
    SalePart p;
    p.lot = lot;
    p.name = held.name;
    p.ticker = held.ticker;
    p.acquired = held.tradeDate;
    p.sold = day;
    p.shares = shares;
    p.proceeds = dollars(proceeds);
    p.cost = dollars(cost);
    p.term = day >= held.tradeDate.addDays(1).addYears(1) ? QStringLiteral("Long") : QStringLiteral("Short");
    p.sharesLeft = std::round((held.shares - shares) * 1e6) / 1e6;
    p.netLeft = *held.netAmount - p.cost;
    return p;
}

void splitBy(ActionLotValues &v, double ratio)
{
    v.shares *= ratio;
    if (v.price)
        v.price = Ticks(std::llround(double(*v.price) / ratio));
}

} // namespace

class ActionStoreTest : public StoreFixture {
    Q_OBJECT

    // Three lots of ACME (one without a name or price) and one of ZZ.
    void openLedger()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{
            {"Acme A", "ACME", 10, 10, 100, "2020-01-02"},
            {"Acme B", "ACME", 7, 20, 140, "2021-03-04"},
            {"Zed", "ZZ", 5, 1, 5, "2020-06-01"},
            {"", "ACME", 2, {}, 33.3333, "2023-05-06"}});
        store = openStore(binding);
    }

    // The record set holds every lot as the file does, its current lot at
    // the cursor.
    bool followsFile()
    {
        TextBinding b;
        const auto fresh = openStore(b);
        const StoredLot *current = store->current();
        bool same = fresh->RecordCount() == store->RecordCount()
                 && (!current || store->rows().id(std::size_t(store->AbsolutePosition())) == current->id());
        for (int i = 0; same && i < store->RecordCount(); ++i)
            same = sameValues(fresh->rows().lot(std::size_t(i)), store->rows().lot(std::size_t(i)));
        return same;
    }

    // A 2-for-1 split of ACME, as the list of its actions gives it; with
    // cash, half a share of lot 1 sold for $10.
    CorporateAction splitAcme(QDate day = {2024, 1, 10}, bool cash = false)
    {
        store->RecordAction(actionOn(*store, ActionKind::Split, "ACME", day, [=](ActionLot &l, CorporateAction &a) {
            a.ratio = 2, a.ratioText = "2 for 1";
            splitBy(l.after, 2);
            if (cash && l.lot == 1)
                a.cash = dollars(10), a.sale = {part(1, l.after, a.day, 0.5, 10, 2.5)};
        }));
        return store->Actions("acme").back();
    }

private slots:
    void initTestCase() { keepGainsWith(gainRowsOf); }   // as the program does
    void init() { reset(); }
    void cleanup() { close(); }

    void fileRefusesWhatTheDialogRefuses_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refusedBy");
        const QString split = "INSERT INTO Actions (Ticker, Day, Kind, Ratio, RatioText, AfterSale) "
                              "VALUES ('ACME', '2024-01-10', 'Split', %1, CAST(%1 AS TEXT), 0);";
        const QString named = "INSERT INTO Actions (Ticker, Day, Kind, NewTicker, AfterSale) "
                              "VALUES ('ACME', '2024-01-10', 'Ticker change', %1, 0);";
        const QString capital = "INSERT INTO Actions (Ticker, Day, Kind, Cash, AfterSale) "
                                "VALUES ('ACME', %1, 'Return of capital', %2, 0);";
        const QString lot = "INSERT INTO ActionLots (ActionID, LotID, BeforeName1, BeforeTicker, BeforeShares, "
                            "BeforeTradeDate, AfterTicker, AfterShares, Gain) "
                            "VALUES (1, 1, 'Acme A', 'ACME', 10, '2020-01-02', 'ACME', 20, %1);";
        const char *ratio = "Ratio lies above 0 for a split, a merger or a spin-off";
        QTest::newRow("ratio 0") << split.arg(0) << ratio;
        QTest::newRow("ratio below 0") << split.arg(-2) << ratio;
        QTest::newRow("no ratio") << split.arg("NULL") << ratio;
        QTest::newRow("percent 150") << "INSERT INTO Actions (Ticker, Day, Kind, Ratio, RatioText, NewTicker, Percent, "
                                        "AfterSale) VALUES ('ACME', '2024-01-10', 'Spin-off', 1, '1 for 1', 'SP', 150, 0)"
                                     << "Percent lies between 0 and 100";
        QTest::newRow("no percent") << "INSERT INTO Actions (Ticker, Day, Kind, Ratio, RatioText, NewTicker, AfterSale) "
                                       "VALUES ('ACME', '2024-01-10', 'Spin-off', 1, '1 for 1', 'SP', 0)"
                                    << "Percent lies between 0 and 100";
        QTest::newRow("cash -1") << capital.arg("'2024-01-10'").arg(-1) << "Cash lies between 0 and";
        QTest::newRow("no cash") << capital.arg("'2024-01-10'").arg("NULL") << "Cash is given for a cash merger";
        QTest::newRow("empty new ticker") << named.arg("''") << "NewTicker must not be empty";
        QTest::newRow("tab in new ticker") << named.arg("'A' || char(9)") << "NewTicker holds no control character";
        QTest::newRow("day after today") << capital.arg("date('now', 'localtime', '+1 day')").arg(1)
                                         << "Day is not after today";
        QTest::newRow("day before every lot") << capital.arg("'2019-12-31'").arg(1)
                                              << "Ticker has a lot bought on or before Day";
        QTest::newRow("gain on a split") << split.arg(2) + lot.arg(5) << "Gain is above 0 only for a return of capital";
        QTest::newRow("lot of no action") << lot.arg(0) << "ActionID is an action of the ledger";
        QTest::newRow("changed") << split.arg(2) + "UPDATE Actions SET Day = '2024-01-11'"
                                 << "An action is not changed: undo it and record it again";
        QTest::newRow("changed lot") << split.arg(2) + lot.arg(0) + "UPDATE ActionLots SET AfterShares = 30"
                                     << "An action is not changed: undo it and record it again";
        QTest::newRow("taken") << split.arg(2) + lot.arg(0) + capital.arg("date('now', 'localtime')").arg(1) << "";
    }
    // Another program's rows meet the same checks as the dialog: each refused
    // by the check that names it, in a transaction that leaves nothing.
    void fileRefusesWhatTheDialogRefuses()
    {
        QFETCH(QString, sql);
        QFETCH(QString, refusedBy);
        openLedger();
        {
            Database db(folder->file());
            Database::Transaction transaction(db);
            addActionsIfMissing(db);
            transaction.commit();
        }
        const QString said = folder->exec("BEGIN; " + sql + "; COMMIT");
        QVERIFY2(refusedBy.isEmpty() ? said.isEmpty() : said.contains(refusedBy), qPrintable(said));
        if (!refusedBy.isEmpty())
            QCOMPARE(folder->query("SELECT count(*) FROM Actions"), "0");
    }

    // Every kind recorded by hand (a split with cash for the fraction, a
    // ticker change, a spin-off with a sale from a lot it made, a merger for
    // shares, a return of capital above a lot's cost, a cash merger of every
    // lot), each read back as recorded, then undone last first: each undo
    // gives every lot back to the byte, and the record set follows the file.
    void everyKindRecordedAndUndoneGivesEveryByteBack()
    {
        openLedger();
        QCOMPARE(sell("ZZ", 1).size(), std::size_t(1));   // a ledger with sales keeps its splits
        store->setBookmark(3);   // among the lots that leave and come back
        const QString start = folder->query(kStocksDump);
        const auto cancel = [](qint64 done, qint64 total) { return done < total / 2; };
        QCOMPARE(errorOf([&] { store->RecordAction(actionOn(*store, ActionKind::ReturnOfCapital, "ACME", {2024, 1, 2},
                                                            [](ActionLot &, CorporateAction &a) { a.cash = 0; }),
                                                   cancel); }),
                 kErrUserCancelled);
        QCOMPARE(folder->query(kStocksDump), start);
        struct Step { ActionKind kind; const char *ticker; QDate day; Change change; int lotSplits; };
        const Step steps[] = {
            {ActionKind::Split, "ACME", {2024, 1, 10}, [](ActionLot &l, CorporateAction &a) {
                 a.ratio = 1.5, a.ratioText = "3 for 2", a.cash = dollars(12);
                 splitBy(l.after, 1.5);   // 15 + 10.5 + 3 shares: half a share for cash, first in
                 if (l.lot == 1)
                     a.sale = {part(1, l.after, a.day, 0.5, 12, 3.3333)};
             }, 3},
            {ActionKind::TickerChange, "acme", {2024, 2, 1}, [](ActionLot &l, CorporateAction &a) {
                 a.newTicker = l.after.ticker = "ACMX", a.newName = l.after.name = "Acme New";
                 l.after.nameIsNull = false;
             }, 0},
            {ActionKind::SpinOff, "ACMX", {2024, 3, 1}, [](ActionLot &l, CorporateAction &a) {
                 a.ratio = 0.5, a.ratioText = "1 for 2", a.newTicker = "SPIN", a.percent = 20;
                 ActionLotValues &v = l.after;
                 const ActionLotValues spun{"", true, "SPIN", v.shares / 2, {}, *v.netAmount / 5, v.tradeDate};
                 v.netAmount = *v.netAmount - *spun.netAmount;
                 make(a, l, spun);
                 if (l.lot == 1)   // a quarter share of the first lot made
                     a.sale = {part(-1, spun, a.day, 0.25, 5, 0.6667)};
             }, 0},
            {ActionKind::Merger, "SPIN", {2024, 4, 15}, [](ActionLot &l, CorporateAction &a) {
                 a.ratio = 2, a.ratioText = "2 for 1", a.newTicker = l.after.ticker = "NEWCO";
                 splitBy(l.after, 2);
             }, 3},
            {ActionKind::ReturnOfCapital, "ACMX", {2024, 4, 20}, [](ActionLot &l, CorporateAction &a) {
                 a.cash = dollars(10);
                 const Ticks back = dollars(10 * l.after.shares);
                 l.gain = std::max<Ticks>(0, back - *l.after.netAmount);
                 l.after.netAmount = std::max<Ticks>(0, *l.after.netAmount - back);
             }, 0},
            {ActionKind::CashMerger, "ACMX", {2024, 5, 1}, [](ActionLot &l, CorporateAction &a) {
                 a.cash = dollars(20);
                 const ActionLotValues &v = l.after;
                 a.sale.push_back(part(l.lot, v, a.day, v.shares, 20 * v.shares, double(*v.netAmount) / kTicksPerDollar));
             }, 0},
        };
        std::vector<std::pair<CorporateAction, QString>> done;   // each action, and the lots before it
        for (const Step &step : steps) {
            const QByteArray where = actionKindText(step.kind).toUtf8();
            const QString before = folder->query(kStocksDump);
            const int splits = folder->query("SELECT count(*) FROM LotSplits").toInt();
            const CorporateAction planned = actionOn(*store, step.kind, step.ticker, step.day, step.change);
            const CorporateAction recorded = store->RecordAction(planned);
            const std::vector<CorporateAction> listed = store->Actions(step.ticker);
            QVERIFY2(!listed.empty() && listed.back() == recorded, where);
            QCOMPARE(recorded.lots.size(), planned.lots.size());
            QCOMPARE(recorded.sale.size(), planned.sale.size());
            if (!recorded.sale.empty())
                QCOMPARE(recorded.saleNo, recorded.sale.front().id);
            QVERIFY2(folder->query("SELECT count(*) FROM LotSplits").toInt() == splits + step.lotSplits, where);
            QVERIFY2(followsFile(), where);
            done.emplace_back(recorded, before);
        }
        // What the file says of the return of capital and the cash merger.
        QCOMPARE(folder->query("SELECT LotID, Gain FROM qryActions WHERE Kind = 'Return of capital'"),
                 "1,67.6666|2,0.0|4,3.3333");
        QCOMPARE(folder->query("SELECT count(*) FROM Lots WHERE Ticker IN ('ACMX', 'ACME')"), "0");
        QCOMPARE(folder->query("SELECT NumShares, NetAmount FROM Lots WHERE Ticker = 'NEWCO' ORDER BY ID"),
                 "14.0,18.6666|10.5,28.0|3.0,6.6666");
        for (auto step = done.rbegin(); step != done.rend(); ++step) {
            const QByteArray where = actionKindText(step->first.kind).toUtf8();
            store->CheckUndoAction(step->first);
            store->UndoAction(step->first);
            QVERIFY2(folder->query(kStocksDump) == step->second, where);
            QVERIFY2(followsFile(), where);
        }
        QCOMPARE(folder->query(kStocksDump), start);
        QCOMPARE(folder->query("SELECT (SELECT count(*) FROM Sales), (SELECT count(*) FROM LotSplits), "
                               "(SELECT count(*) FROM ActionLots), (SELECT count(*) FROM Actions)"),
                 "1,0,0,0");
        // Every lot of the ticker removed by another program: told as a lot removed, not as the file's
        // check of the action's row.
        const CorporateAction late = actionOn(*store, ActionKind::ReturnOfCapital, "ACME", {2024, 1, 2},
                                              [](ActionLot &, CorporateAction &a) { a.cash = 0; });
        QCOMPARE(folder->exec("DELETE FROM Lots WHERE Ticker = 'ACME'"), QString());
        QCOMPARE(errorOf([&] { store->RecordAction(late); }), kErrLotGone);
    }

    void undoRefusedWhileALaterChangeHoldsItsLots_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("reason");
        QTest::newRow("later sale") << 0 << "Lot 1 changed since this action: a sale on 6/1/2024 took shares from it. "
                                            "Undo that sale first.";
        QTest::newRow("later action") << 1 << "Lot 1 changed since this action: the split of ACME on 2/1/2024 "
                                              "reached it later. Undo that action first.";
        QTest::newRow("edit") << 2 << "Lot 2 changed since this action: its name and price per share changed (a split "
                                      "or an edit).";
        QTest::newRow("deleted") << 3 << "Lot 4 was deleted since this action, so its values cannot be given back.";
        QTest::newRow("undone elsewhere") << 4 << "This action is no longer in the ledger file.";
        QTest::newRow("restored copy") << 5 << "The ledger file holds another action under this number since Tesmo "
                                               "read it (a copy of the ledger was restored meanwhile).";
        QTest::newRow("lot sold for cash edited") << 7 << "Lot 1 changed since this action: its name changed (an edit).";
        QTest::newRow("made lot sold") << 6 << "Lot 5 changed since this action: a sale on 6/1/2024 took shares from "
                                               "it. Undo that sale first.";
    }
    // The undo refused, and nothing changed, while a later change holds a lot
    // of the action; the reason names it.
    void undoRefusedWhileALaterChangeHoldsItsLots()
    {
        QFETCH(int, change);
        QFETCH(QString, reason);
        openLedger();
        CorporateAction seen = splitAcme({2024, 1, 10}, change == 7);
        QString other;   // what another program's change met
        switch (change) {
        case 0: QCOMPARE(sell("ACME", 1).size(), std::size_t(1)); break;
        case 1: splitAcme({2024, 2, 1}); break;
        case 2: other = folder->exec("UPDATE Lots SET Name1 = 'B', Price = 1 WHERE ID = 2"); break;
        case 3: other = folder->exec("DELETE FROM Lots WHERE ID = 4"); break;
        case 4: other = folder->exec("DELETE FROM ActionLots; DELETE FROM Actions"); break;
        case 7: other = folder->exec("UPDATE Lots SET Name1 = 'B' WHERE ID = 1"); break;
        case 5:
            other = folder->exec("DELETE FROM ActionLots; DELETE FROM Actions; INSERT INTO Actions (ID, Ticker, Day, "
                                 "Kind, Ratio, RatioText, AfterSale) VALUES (1, 'ACME', '2024-01-11', 'Split', 3, "
                                 "'3 for 1', 0)");
            break;
        case 6:
            store->RecordAction(actionOn(*store, ActionKind::SpinOff, "ACME", {2024, 3, 1},
                                         [](ActionLot &l, CorporateAction &a) {
                                             a.ratio = 1, a.ratioText = "1 for 1", a.newTicker = "SP", a.percent = 0;
                                             make(a, l, {"", true, "SP", l.after.shares, {}, 0, l.after.tradeDate});
                                         }));
            seen = store->Actions("acme").back();
            QCOMPARE(sell("SP", 1).size(), std::size_t(1));
        }
        QCOMPARE(other, QString());
        const QString lots = folder->query(kStocksDump);
        QString said;
        QCOMPARE(errorOf([&] { store->CheckUndoAction(seen); }, &said), kErrActionUndoRefused);
        QCOMPARE(said, reason);
        QCOMPARE(errorOf([&] { store->UndoAction(seen); }, &said), kErrActionUndoRefused);
        QCOMPARE(said, reason);
        QCOMPARE(folder->query(kStocksDump), lots);
        QVERIFY(followsFile());
        if (change == 7) {   // its sale goes only with it
            QCOMPARE(errorOf([&] { store->UndoSale(seen.sale); }, &said), kErrSaleUndoRefused);
            QCOMPARE(said, "This sale came with the split of ACME on 1/10/2024. Undo that action instead.");
        }
    }
};

QTEST_GUILESS_MAIN(ActionStoreTest)
#include "tst_actionstore.moc"
