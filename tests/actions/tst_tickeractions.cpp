// Corporate actions over a real ledger: a random walk of actions of every
// kind, sales, one-lot splits and undos, through the record store as the
// window drives it. After each action the file holds every lot as the action
// and its sale left it, and the record set follows the file; after every step
// the cost of each purchase is still all there, to the cent, in the lots it
// became, the shares sold from them and the capital paid back; an undo gives
// back every value the file held, and is refused exactly when a later step
// touched its lots; an action is refused exactly when one of its rules says
// so; and the figures for taxes the file keeps are those worked out afresh.
#include "actions/ActionWords.h"
#include "actions/TickerActions.h"
#include "sales/LedgerGains.h"
#include "support/StoreFixture.h"

#include <QRandomGenerator>
#include <map>
#include <set>

using namespace tesmo;
using namespace tesmo::test;

namespace {

const QDate kToday(2024, 12, 31);

// What a step did, to undo it or to tell that a later one touched its lots.
struct Step {
    enum Kind { Action, Sale, Split } kind = Action;
    std::optional<CorporateAction> action;
    std::vector<SalePart> sale;
    std::set<LotId> lots;   // every lot it changed, made or sold from
    QString before;         // the lots as the file held them before it
};

QString lotsNow(const LedgerFolder &folder)
{
    return folder.query(kStocksDump);
}

// The rows of dump (of kStocksDump) of the lots among ids.
QString rowsOf(const QString &dump, const std::set<LotId> &ids)
{
    QStringList kept;
    for (const QString &row : dump.split(u'|', Qt::SkipEmptyParts))
        if (ids.count(row.section(u',', 0, 0).toLongLong()))
            kept << row;
    return kept.join(u'|');
}

// dump with the rows of the lots among ids as from holds them, in order of ID.
QString withRows(const QString &dump, const std::set<LotId> &ids, const QString &from)
{
    std::map<LotId, QString> rows;
    for (const QString &row : dump.split(u'|', Qt::SkipEmptyParts))
        if (!ids.count(row.section(u',', 0, 0).toLongLong()))
            rows[row.section(u',', 0, 0).toLongLong()] = row;
    for (const QString &row : from.split(u'|', Qt::SkipEmptyParts))
        if (ids.count(row.section(u',', 0, 0).toLongLong()))
            rows[row.section(u',', 0, 0).toLongLong()] = row;
    QStringList joined;
    for (const auto &[id, row] : rows)
        joined << row;
    return joined.join(u'|');
}


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
    void initTestCase() { keepGainsWith(gainRowsOf); }   // as the program does
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
             "Please Enter a Date on or after 6/1/2024: the action Split 4 for 1 on 6/1/2024 reached lot 1 already"},
            {request(ActionKind::Split, "BOLT", {2024, 6, 30}),
             "Please Enter a Date on or after 7/1/2024: a sale on 7/1/2024 took shares from lot 4 already"},
            {request(ActionKind::Split, "CORD", {2024, 6, 30}),
             "Please Enter a Date on or after 7/2/2024: a sale on 7/2/2024 took shares from lot 6 already"},
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

    // What the window says an action's sale gained is what the figures for
    // taxes count: here shares of a washed loss carry its adjustment into
    // a merger for cash, whose gain is $100.00 less than the cash less the
    // lots' costs.
    void anActionsSaleIsToldWithItsWashSaleAdjustment()
    {
        folder = std::make_unique<LedgerFolder>(std::vector<NewLot>{{"Wash", "WSH", 100, 10, 1000, "2024-01-02"},
                                                                    {"Wash", "WSH", 50, 8, 400, "2024-03-01"}});
        store = openStore(binding);
        for (const QDate sold : {QDate(2024, 3, 15), QDate(2024, 4, 15)})
            store->Sell(planSale("WSH", lotsOf(store->rows(), "WSH"), sold, sold.month() == 3 ? 40 : 20,
                                 300 * kTicksPerDollar, FirstIn));
        TickerActions command(*store);
        ActionRequest split{ActionKind::Split, "WSH", {2024, 5, 1}, "2 for 1", {}, {}, false, {}, {}, {}};
        command.record(command.plan(split, kToday));
        ActionRequest merger{ActionKind::CashMerger, "WSH", {2024, 6, 3}, {}, {}, {}, false, "12", {}, {}};
        const CorporateAction recorded = command.record(command.plan(merger, kToday));
        QCOMPARE(folder->query(QStringLiteral("SELECT sum(Gain) FROM qryGains WHERE SaleNo = %1").arg(recorded.saleNo)),
                 QStringLiteral("1260.0"));
        QCOMPARE(command.summary(recorded), QStringLiteral("Cash merger at $12.00 a share on 6/3/2024: 2 lots, 180 "
                                                           "shares sold for $2,160.00, gain $1,260.00 Short."));
    }

    void actionsSalesSplitsAndUndosKeepEveryCent()
    {
        QRandomGenerator random(20241209);
        const auto pick = [&](int n) { return int(random.bounded(n)); };
        const QDate today = QDate::currentDate();
        const QStringList ratios = {"4 for 1", "1 for 10", "3 for 2", "2 for 3", "1 for 4", "0 for 1", "-2 for 1", "four"};
        const QStringList percents = {"18.5", "0", "100", "33.33", "150", "-1", "x"};
        const QStringList cashes = {"7.50", "0.01", "12", "0", "-1", "lots"};
        const QStringList tickers = {"NEWCO", "acme", "ZZ", "A\tB", ""};
        int recorded = 0, refused = 0, undone = 0, undoRefused = 0;
        for (int round = 0; round < 40; ++round) {
            std::vector<NewLot> made;
            for (int i = 2 + pick(6); i > 0; --i)
                made.push_back({QStringLiteral("Lot %1").arg(i), QString::fromLatin1(pick(4) ? pick(2) ? "ACME" : "acme" : "ZZ"),
                                pick(3) ? 1 + pick(500) : pick(500000) / 1000.0, QVariant(),
                                QVariant(pick(2'000'000) / 100.0), QDate(2020, 1, 1).addDays(pick(1200)).toString(Qt::ISODate)});
            store.reset();
            folder.reset();
            folder = std::make_unique<LedgerFolder>(made);
            store = openStore(binding);
            // What each purchase cost, and the purchase each lot comes from.
            std::map<LotId, Ticks> cost;
            std::map<LotId, LotId> origin;
            for (std::size_t i = 0; i < store->rows().size(); ++i)
                cost[origin[store->rows().id(i)] = store->rows().id(i)] = *store->rows().lot(i).netAmount;
            std::vector<Step> steps;
            for (int n = 0; n < 14; ++n) {
                const QByteArray where = QStringLiteral("round %1, step %2").arg(round).arg(n).toUtf8();
                const QString ticker = pick(4) ? "Acme" : "zz";
                const int what = pick(20);
                const QString before = lotsNow(*folder);
                if (what < 9) {
                    ActionRequest r;
                    r.kind = ActionKind(pick(6));
                    r.ticker = ticker;
                    r.day = pick(12) ? QDate(2019, 6, 1).addDays(pick(2300)) : today.addDays(1 + pick(30));
                    r.ratio = ratios[pick(ratios.size())];
                    r.percent = percents[pick(percents.size())];
                    r.cash = cashes[pick(cashes.size())];
                    r.cashForFractions = pick(2);
                    r.newTicker = tickers[pick(tickers.size())];
                    r.newName = pick(2) ? "New Co" : "";
                    // The fields the rules refuse, of those the kind takes.
                    const bool ratioKind = r.kind == ActionKind::Split || r.kind == ActionKind::Merger || r.kind == ActionKind::SpinOff;
                    const bool cashKind = r.kind == ActionKind::CashMerger || r.kind == ActionKind::ReturnOfCapital
                                          || (ratioKind && r.cashForFractions);
                    const bool tickerKind = r.kind == ActionKind::TickerChange || r.kind == ActionKind::Merger || r.kind == ActionKind::SpinOff;
                    std::set<ActionField> due;
                    double held = 0;
                    QDate first;
                    for (const LotRow &l : lotsOf(store->rows(), ticker)) {
                        first = first.isValid() ? std::min(first, acquiredOf(l)) : acquiredOf(l);
                        held += acquiredOf(l) <= r.day ? l.numShares : 0;
                    }
                    if (r.day > today || !first.isValid() || r.day < first || held <= 0)
                        due.insert(ActionField::Day);
                    if (ratioKind && ratios.indexOf(r.ratio) >= 5)
                        due.insert(ActionField::Ratio);
                    if (r.kind == ActionKind::SpinOff && (r.percent.toDouble() > 100 || r.percent.toDouble() < 0 || r.percent == "x"))
                        due.insert(ActionField::Percent);
                    if (cashKind && (r.cash == "-1" || r.cash == "lots" || (r.cash == "0" && r.kind == ActionKind::ReturnOfCapital)))
                        due.insert(ActionField::Cash);
                    if (r.kind == ActionKind::SpinOff && sameTicker(r.newTicker, ticker))
                        due.insert(ActionField::NewTicker);
                    // A ticker change without a new ticker changes the name alone.
                    if (tickerKind && ((r.newTicker.isEmpty() && r.kind != ActionKind::TickerChange) || r.newTicker.contains(u'\t')))
                        due.insert(ActionField::NewTicker);
                    CorporateAction planned;
                    try {
                        planned = planAction(r, store->rows(), today);
                    } catch (const ActionRefusal &refusal) {
                        ++refused;
                        // A rule broken is told; besides those, only a fraction that is not
                        // there, a cost not known, a new ticker that is the old, or shares
                        // beyond the ledger's limits may refuse.
                        QVERIFY2(due.count(refusal.field())
                                     || (due.empty() && refusal.field() != ActionField::Day
                                         && refusal.field() != ActionField::Percent),
                                 where + " " + refusal.description().toUtf8());
                        continue;
                    }
                    QVERIFY2(due.empty(), where + " took what a rule refuses: " + actionTitle(planned).toUtf8() + " "
                                              + QByteArray::number(int(*due.begin())) + " " + r.ratio.toUtf8() + " "
                                              + r.cash.toUtf8() + " " + r.percent.toUtf8() + " " + r.newTicker.toUtf8());
                    Step step{Step::Action, store->RecordAction(planned), {}, {}, before};
                    ++recorded;
                    compareWithFile(*step.action);
                    const auto listed = store->Actions(step.action->ticker);
                    QVERIFY(std::find(listed.begin(), listed.end(), *step.action) != listed.end());
                    for (const ActionLot &l : step.action->lots) {
                        step.lots.insert(l.lot);
                        if (l.made())
                            origin[l.lot] = origin[l.fromLot];
                        else
                            QVERIFY2(l.before && l.before->tradeDate <= r.day, where);
                    }
                    for (const SalePart &p : step.action->sale)
                        step.lots.insert(p.lot);
                    // Lots of other tickers, and those bought after the day, are as they were.
                    std::set<LotId> untouched;
                    for (const auto &[id, from] : origin)
                        if (!step.lots.count(id))
                            untouched.insert(id);
                    QCOMPARE(rowsOf(lotsNow(*folder), untouched), rowsOf(before, untouched));
                    steps.push_back(std::move(step));
                } else if (what < 14) {
                    const std::vector<LotRow> lots = lotsOf(store->rows(), ticker);
                    const QDate sold = QDate(2021, 1, 1).addDays(pick(1500));
                    double held = 0;
                    for (const LotRow &l : lots)
                        held += holds(l, sold) ? l.numShares : 0;
                    if (held <= 0)
                        continue;
                    std::vector<SalePart> parts;
                    if (errorOf([&] { parts = planSale(ticker, lots, sold, roundShares(held * (1 + pick(100)) / 100), 100 * (1 + pick(1'000'000)), FirstIn); }))
                        continue;
                    Step step{Step::Sale, {}, parts, {}, before};
                    const std::vector<SaleId> ids = store->Sell(parts);
                    for (std::size_t i = 0; i < ids.size(); ++i)
                        step.sale[i].id = ids[i], step.sale[i].saleNo = ids.front(), step.lots.insert(parts[i].lot);
                    steps.push_back(std::move(step));
                } else if (what < 16) {
                    const std::vector<LotRow> lots = lotsOf(store->rows(), ticker);
                    if (lots.empty())
                        continue;
                    const LotRow &lot = lots[std::size_t(pick(int(lots.size())))];
                    const double ratio = pick(2) ? 2 : 0.5;
                    store->setBookmark(lot.id);
                    store->Edit();
                    binding.texts[kNumShares] = QString::number(roundShares(lot.numShares * ratio), 'f', 6);
                    store->SplitPending(ratio);
                    if (errorOf([&] { store->Update(); })) {
                        store->CancelUpdate();
                        continue;
                    }
                    steps.push_back({Step::Split, {}, {}, {lot.id}, before});
                } else if (!steps.empty()) {
                    // Undo a step: the last, or one before it, refused exactly when a later
                    // step touched one of its lots.
                    const std::size_t at = pick(2) ? steps.size() - 1 : std::size_t(pick(int(steps.size())));
                    Step &step = steps[at];
                    if (step.kind == Step::Split)
                        continue;
                    bool touched = false;
                    for (std::size_t later = at + 1; later < steps.size(); ++later)
                        for (const LotId id : steps[later].lots)
                            touched = touched || step.lots.count(id);
                    const int error = step.kind == Step::Action ? errorOf([&] { store->UndoAction(*step.action); })
                                                                : errorOf([&] { store->UndoSale(step.sale); });
                    QCOMPARE(error, touched ? step.kind == Step::Action ? kErrActionUndoRefused : kErrSaleUndoRefused : 0);
                    if (touched) {
                        ++undoRefused;
                        QCOMPARE(lotsNow(*folder), before);
                        continue;
                    }
                    ++undone;
                    // Every value of its lots is back as the file held it, and the lots it made are gone.
                    QCOMPARE(rowsOf(lotsNow(*folder), step.lots), rowsOf(step.before, step.lots));
                    if (at + 1 == steps.size())
                        QCOMPARE(lotsNow(*folder), step.before);
                    // The later steps found its lots as they now are again.
                    const QString now = lotsNow(*folder);
                    for (std::size_t later = at + 1; later < steps.size(); ++later)
                        steps[later].before = withRows(steps[later].before, step.lots, now);
                    steps.erase(steps.begin() + std::ptrdiff_t(at));
                }
                // Each purchase's cost, to the cent: in its lots, in what was sold from
                // them, and in the capital paid back.
                std::map<LotId, Ticks> found;
                for (const QString &row : folder->query("SELECT ID, round(NetAmount * 10000) FROM Lots").split(u'|', Qt::SkipEmptyParts))
                    found[origin[row.section(u',', 0, 0).toLongLong()]] += Ticks(row.section(u',', 1, 1).toDouble());
                for (const QString &row : folder->query("SELECT LotID, round(CostBasis * 10000) FROM Sales").split(u'|', Qt::SkipEmptyParts))
                    found[origin[row.section(u',', 0, 0).toLongLong()]] += Ticks(row.section(u',', 1, 1).toDouble());
                for (const QString &row : folder->query("SELECT l.LotID, round((l.BeforeNetAmount - l.AfterNetAmount) * 10000) "
                                                        "FROM ActionLots AS l JOIN Actions AS a ON a.ID = l.ActionID "
                                                        "WHERE a.Kind = 'Return of capital'")
                                              .split(u'|', Qt::SkipEmptyParts))
                    if (!row.startsWith("no such table"))
                        found[origin[row.section(u',', 0, 0).toLongLong()]] += Ticks(row.section(u',', 1, 1).toDouble());
                for (const auto &[purchase, paid] : cost)
                    QVERIFY2(found[purchase] == paid, where + QByteArray(" purchase ") + QByteArray::number(purchase));
                QVERIFY2(keptAsWorkedOut(*store), where);
            }
        }
        qInfo("%d actions recorded, %d refused, %d steps undone, %d undos refused", recorded, refused, undone, undoRefused);
        QVERIFY(recorded > 40 && refused > 20 && undone > 10 && undoRefused > 3);
    }
};

QTEST_GUILESS_MAIN(TickerActionsTest)
#include "tst_tickeractions.moc"
