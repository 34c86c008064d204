// The arithmetic of selling shares from lots: random walks of sales over
// random lots, each sale checked against the lots and every lot's costs
// checked to the tick when the walk ends, and a table of named sales.
#include "sales/SalePlan.h"
#include "text/Limits.h"

#include <QRandomGenerator>
#include <QTest>
#include <set>

using namespace tesmo;
using enum SaleMethod;

Q_DECLARE_METATYPE(std::vector<SaleLot>)
Q_DECLARE_METATYPE(ChosenShares)
Q_DECLARE_METATYPE(SaleMethod)

namespace {

SaleLot lot(LotId id, const char *bought, double shares, std::optional<double> net, std::optional<double> price = {})
{
    const auto ticks = [](std::optional<double> dollars) {
        return dollars ? std::optional(Ticks(std::llround(*dollars * kTicksPerDollar))) : std::nullopt;
    };
    return {id, "Acme", "ACME", QDate::fromString(bought, "M/d/yyyy"), shares, ticks(price), ticks(net)};
}

const SaleLot *byId(const std::vector<SaleLot> &lots, LotId id)
{
    const auto found = std::find_if(lots.begin(), lots.end(), [id](const SaleLot &l) { return l.id == id; });
    return found == lots.end() ? nullptr : &*found;
}

bool holds(const SaleLot &l, QDate sold)
{
    return l.shares > 0 && l.acquired <= sold;
}

// True when a method takes from lot a before lot b, another lot.
bool takenBefore(SaleMethod method, const SaleLot &a, const SaleLot &b)
{
    const auto perShare = [](const SaleLot &l) { return l.netAmount ? *l.netAmount / l.shares : double(*l.price); };
    const bool firstIn = a.acquired != b.acquired ? a.acquired < b.acquired : a.id < b.id;
    if ((method == HighestCost || method == LowestCost) && perShare(a) != perShare(b))
        return (perShare(a) > perShare(b)) == (method == HighestCost);
    return method == LastIn ? !firstIn : firstIn;
}

} // namespace

class SalesTest : public QObject {
    Q_OBJECT

private slots:
    // Sales one after another over the same lots, each applied to them as the
    // ledger would. A sale is refused exactly when a rule says so; otherwise
    // it takes from the lots the method orders first, costs and proceeds are
    // to the cent and add up, and each lot keeps the rest.
    void randomSalesAddUpToTheCent()
    {
        QRandomGenerator random(20240601);
        const auto pick = [&](int n) { return int(random.bounded(n)); };
        const QDate start(2018, 1, 1);
        for (int walk = 0; walk < 3000; ++walk) {
            std::vector<SaleLot> lots;
            std::map<LotId, Ticks> netBefore, costs;
            for (int i = pick(7); i > 0; --i) {
                SaleLot &l = lots.emplace_back(lot(1000 * i + pick(1000), "", 0, {}));
                l.acquired = start.addDays(pick(4) ? pick(2500) : 0);
                l.shares = pick(10) == 0 ? -pick(2) : pick(3) ? 1 + pick(1000) : pick(1000000) / 1000.0;
                const int kind = pick(20);   // 0 no cost, 1-3 a price only, 4 a net amount to the tick
                if (kind >= 4)
                    netBefore[l.id] = *(l.netAmount = Ticks(pick(50'000'000)) * (kind == 4 ? 1 : 100));
                if (kind && (kind <= 3 || pick(2)))
                    l.price = Ticks(pick(5'000'000)) * 100;
            }
            for (int step = 0; step < 6 && !lots.empty(); ++step) {
                const QByteArray where = QStringLiteral("walk %1, step %2").arg(walk).arg(step).toUtf8();
                const int odd = pick(30);   // 0 a date not read, 1 no shares, 2 proceeds over the limit
                const QDate sold = odd == 0 ? QDate() : start.addDays(pick(3000));
                const SaleMethod method = kSaleMethods[pick(5)].method;
                const Ticks proceeds = odd == 2   ? kMaxMoneyTicks + 1
                                       : pick(8) ? Ticks(pick(100'000'000)) * (pick(4) ? 100 : 1)
                                                 : pick(300);
                std::set<std::pair<SaleField, LotId>> due;   // the refusals the sale must bring; -1 for no lot
                double held = 0, shares = 0;
                ChosenShares chosen;
                for (const SaleLot &l : lots) {
                    const bool costless = !l.netAmount && !l.price;
                    held += holds(l, sold) ? l.shares : 0;
                    if (holds(l, sold) && costless && (method == HighestCost || method == LowestCost))
                        due.insert({SaleField::LotCost, l.id});
                    const int k = method == Chosen ? pick(12) : 0;
                    if (k < 4)
                        continue;
                    const double typed = k == 4   ? l.shares
                                         : k == 5 ? l.shares + 1
                                         : k == 6 ? -1
                                                  : l.shares * pick(1000) / 1000;
                    if (sameShares(chosen[l.id] = typed, 0))
                        continue;
                    shares += std::max(typed, 0.0);
                    if (typed < 0 || (typed > std::max(l.shares, 0.0) && !sameShares(typed, l.shares)))
                        due.insert({SaleField::LotShares, l.id});
                    if (typed > 0 && l.acquired > sold)
                        due.insert({SaleField::SaleDate, l.id});
                    if (costless)
                        due.insert({SaleField::LotCost, l.id});
                }
                if (method != Chosen)
                    shares = pick(4) == 0 ? held : pick(3) ? held * pick(1001) / 1000 : held + 1 + pick(10);
                const bool off = shares < 0.001 || (method == Chosen && !pick(10));
                const double asked = odd == 1 ? 0 : off ? shares + 1 : shares;
                if (method == Chosen ? !sameShares(shares, asked) : asked > held && !sameShares(asked, held))
                    due.insert({method != Chosen && held == 0 ? SaleField::SaleDate : SaleField::Shares, -1});
                if (odd < 3)   // the sale's own fields come first
                    due = {{odd ? odd == 1 ? SaleField::Shares : SaleField::Proceeds : SaleField::SaleDate, -1}};

                try {
                    const std::vector<SalePart> parts = planSale(lots, sold, asked, proceeds, method, chosen);
                    QVERIFY2(due.empty(), where);
                    Ticks shared = 0;
                    double taken = 0;
                    const SaleLot *last = nullptr;
                    for (const SalePart &p : parts) {
                        const SaleLot *l = byId(lots, p.lot);
                        QVERIFY2(l && holds(*l, sold) && p.shares > 0 && p.sold == sold, where);
                        QVERIFY2(p.wholeLot ? p.shares == l->shares && p.sharesLeft == 0
                                            : p.sharesLeft == l->shares - p.shares && !sameShares(p.sharesLeft, 0),
                                 where);
                        const double exact = (l->netAmount ? *l->netAmount / l->shares : double(*l->price)) * p.shares;
                        QVERIFY2((l->netAmount && p.cost == *l->netAmount)
                                     || (!(p.wholeLot && l->netAmount) && p.cost % 100 == 0
                                         && std::abs(double(p.cost) - exact) <= 50 + 1e-9 * exact), where);
                        QVERIFY2(l->netAmount ? p.netLeft == *l->netAmount - p.cost && *p.netLeft >= 0 : !p.netLeft,
                                 where);
                        // To the cent, but the last part and one that took all that was left.
                        QVERIFY2(p.proceeds >= 0 && (p.proceeds % 100 == 0 || shared + p.proceeds == proceeds), where);
                        QVERIFY2(!last || takenBefore(method == Chosen ? FirstIn : method, *last, *l), where);
                        QVERIFY2(method == Chosen ? sameShares(p.shares, chosen[p.lot]) : p.wholeLot || &p == &parts.back(),
                                 where);
                        shared += p.proceeds;
                        taken += p.shares;
                        costs[p.lot] += p.cost;
                        last = l;
                    }
                    QCOMPARE(shared, proceeds);
                    QVERIFY2(sameShares(taken, asked), where);
                    for (const SaleLot &l : lots) {   // a lot left out comes after the last one taken
                        const bool in = std::any_of(parts.begin(), parts.end(),
                                                    [&](const SalePart &p) { return p.lot == l.id; });
                        QVERIFY2(in || (method == Chosen ? sameShares(chosen[l.id], 0)
                                                         : !holds(l, sold) || takenBefore(method, *last, l)), where);
                    }
                    for (const SalePart &p : parts) {
                        for (SaleLot &l : lots)
                            if (l.id == p.lot)
                                std::tie(l.shares, l.netAmount) = std::pair(p.sharesLeft, p.netLeft);
                        if (p.wholeLot)
                            std::erase_if(lots, [&](const SaleLot &l) { return l.id == p.lot; });
                    }
                } catch (const SaleRefusal &refusal) {
                    if (due.count({refusal.field(), refusal.lot().value_or(-1)}))
                        continue;
                    // First in and last in refuse a lot without a cost when they reach it: with a price for every
                    // lot, it is the first lot without a cost that the sale takes from.
                    QVERIFY2(refusal.field() == SaleField::LotCost && due.empty()
                                 && (method == FirstIn || method == LastIn), where);
                    std::vector<SaleLot> priced = lots;
                    for (SaleLot &l : priced)
                        l.price = l.netAmount || l.price ? l.price : 100;
                    const auto parts = planSale(priced, sold, asked, proceeds, method);
                    const auto first = std::find_if(parts.begin(), parts.end(), [&](const SalePart &p) {
                        return !byId(lots, p.lot)->netAmount && !byId(lots, p.lot)->price;
                    });
                    QVERIFY2(first != parts.end() && first->lot == refusal.lot(), where);
                }
            }
            for (const auto &[id, net] : netBefore)
                QCOMPARE(costs[id] + (byId(lots, id) ? *byId(lots, id)->netAmount : 0), net);
        }
    }

    // Each part as "lot: shares sold, cost → proceeds, term", with what a lot
    // sold in part keeps; or the field refused and the message the user reads.
    void namedSales_data()
    {
        QTest::addColumn<std::vector<SaleLot>>("lots");
        QTest::addColumn<QString>("sold");
        QTest::addColumn<double>("shares");
        QTest::addColumn<Ticks>("proceeds");
        QTest::addColumn<SaleMethod>("method");
        QTest::addColumn<QString>("parts");
        QTest::addColumn<ChosenShares>("chosen");
        const auto row = [](const char *name, const std::vector<SaleLot> &lots, const char *sold, double shares,
                            const char *proceeds, SaleMethod method, const QString &parts, const ChosenShares &chosen = {}) {
            QTest::newRow(name) << lots << QString(sold) << shares << *parseTicks(QString(proceeds)) << method << parts
                                << chosen;
        };
        const std::vector three{lot(1, "1/15/2020", 100, 1000), lot(2, "6/1/2021", 50, 1500),
                                lot(3, "3/3/2023", 80, 2000)};
        const QString all1 = "1: 100 sh, 1000 → 2000, Long", all2 = "2: 50 sh, 1500 → 1000, Long";
        const QString all3 = "3: 80 sh, 2000 → 1600, Long", rest1 = "1: 20 sh, 200 → 400, Long, keeps 80 sh 800";
        row("first in", three, "6/1/2024", 150, "3000", FirstIn, all1 + "; " + all2);
        row("last in", three, "6/1/2024", 150, "3000", LastIn, all3 + "; " + all2 + "; " + rest1);
        row("highest cost", three, "6/1/2024", 150, "3000", HighestCost, all2 + "; " + all3 + "; " + rest1);
        row("lowest cost", three, "6/1/2024", 150, "3000", LowestCost,
            all1 + "; 3: 50 sh, 1250 → 1000, Long, keeps 30 sh 750");
        row("chosen", three, "6/1/2024", 150, "3000", Chosen,
            "1: 30 sh, 300 → 600, Long, keeps 70 sh 700; " + all2 + "; 3: 70 sh, 1750 → 1400, Long, keeps 10 sh 250",
            {{3, 70}, {1, 30}, {2, 50}});
        row("thirds", {lot(4, "1/15/2020", 1, 10), lot(5, "1/15/2020", 1, 10), lot(6, "1/15/2020", 1, 10)}, "6/1/2024",
            3, "100", FirstIn, "4: 1 sh, 10 → 33.33, Long; 5: 1 sh, 10 → 33.33, Long; 6: 1 sh, 10 → 33.34, Long");
        row("a half cent up", {lot(4, "1/15/2020", 2, 66.67)}, "6/1/2024", 1, "100", FirstIn,
            "4: 1 sh, 33.34 → 100, Long, keeps 1 sh 33.33");
        row("a cent up never takes more than the lot holds", {lot(7, "1/15/2020", 32, 0.016)}, "6/1/2024", 31, "1",
            FirstIn, "7: 31 sh, 0.016 → 1, Long, keeps 1 sh 0");
        const std::vector leap{lot(9, "2/29/2020", 10, 100)};
        const QString leapPart = "9: 1 sh, 10 → 20, %1, keeps 9 sh 90";
        row("29 February, a year on", leap, "2/28/2021", 1, "20", FirstIn, leapPart.arg("Short"));
        row("29 February, a day later", leap, "3/1/2021", 1, "20", FirstIn, leapPart.arg("Long"));
        row("a year over 29 February", {lot(9, "3/1/2023", 10, 100)}, "3/1/2024", 1, "20", FirstIn, leapPart.arg("Short"));

        std::vector costless = three;
        costless[0].netAmount.reset();
        row("first in reaches a lot without cost", costless, "6/1/2024", 10, "200", FirstIn,
            "Lot cost: Lot 1 (bought 1/15/2020) has no net amount and no price, so the cost of its shares is not known: "
            "enter its net amount or its price first.");
        row("more than the lots bought by then", three, "6/1/2022", 151, "200", FirstIn,
            "Shares: Please Enter at most 150 Shares: the lots of ACME bought on or before 6/1/2022 hold no more.");
        row("no lot bought by the sale date", three, "1/1/2019", 10, "200", LastIn,
            "Sale date: No lot of ACME bought on or before 1/1/2019 holds shares to sell.");
        row("chosen lot bought after the sale", three, "6/1/2022", 10, "200", Chosen,
            "Sale date: Please Enter a Sale Date on or after 3/3/2023: lot 3 was bought on that day.", {{3, 10}});
        row("chosen shares that do not add up", three, "6/1/2024", 20, "200", Chosen,
            "Shares: The shares chosen from the lots add up to 10: Please Enter 10 Shares, or choose 20 from the lots.",
            {{1, 10}});
    }
    void namedSales()
    {
        QFETCH(std::vector<SaleLot>, lots);
        QFETCH(QString, sold);
        QFETCH(double, shares);
        QFETCH(Ticks, proceeds);
        QFETCH(SaleMethod, method);
        QFETCH(ChosenShares, chosen);
        QStringList described;
        try {
            for (const SalePart &p : planSale(lots, QDate::fromString(sold, "M/d/yyyy"), shares, proceeds, method, chosen)) {
                described << QStringLiteral("%1: %2 sh, %3 → %4, %5")
                                 .arg(QString::number(p.lot), QString::number(p.shares), plainTicksText(p.cost),
                                      plainTicksText(p.proceeds), p.term());
                if (!p.wholeLot)
                    described.back() += QStringLiteral(", keeps %1 sh %2")
                                            .arg(QString::number(p.sharesLeft),
                                                 p.netLeft ? plainTicksText(*p.netLeft) : QStringLiteral("no net"));
            }
        } catch (const SaleRefusal &refusal) {
            const char *const fields[] = {"Sale date", "Shares", "Proceeds", "Lot shares", "Lot cost"};
            described << fields[int(refusal.field())] + QStringLiteral(": ") + refusal.description();
        }
        QTEST(described.join("; "), "parts");
    }
};

QTEST_GUILESS_MAIN(SalesTest)
#include "tst_sales.moc"
