// Gains as a tax return counts them: the holding period against a calendar of the test's own, and proceeds and
// costs to the cent.
#include "sales/Cents.h"
#include "sales/SalePlan.h"

#include <QTest>

using namespace tesmo;

namespace {

QDate day(const QString &text) { return QDate::fromString(text, "M/d/yyyy"); }
Ticks dollars(double d) { return Ticks(std::llround(d * kTicksPerDollar)); }

} // namespace

class TaxesTest : public QObject {
    Q_OBJECT

private slots:
    // Every trade date of 1996-2030: held long from the day after the trade date a year on, or from the day after
    // that where that year has no such day (29 February); by a calendar counted here.
    void termByTheDayAfter()
    {
        const auto length = [](int y, int m) { return m == 2 ? 28 + (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) : 30 + (m + (m > 7)) % 2; };
        struct Ymd { int y, m, d; };
        const auto next = [&](Ymd t) {
            return t.d < length(t.y, t.m) ? Ymd{t.y, t.m, t.d + 1} : t.m < 12 ? Ymd{t.y, t.m + 1, 1} : Ymd{t.y + 1, 1, 1};
        };
        int dates = 0;
        for (Ymd t{1996, 1, 1}; t.y <= 2030; t = next(t), ++dates) {
            const Ymd start = next(t);
            const Ymd from = start.d <= length(start.y + 1, start.m) ? Ymd{start.y + 1, start.m, start.d}
                                                                   : next({start.y + 1, start.m, start.d - 1});
            const QDate bought(t.y, t.m, t.d), first(from.y, from.m, from.d);
            QCOMPARE(longTermFrom(bought), first);
            QCOMPARE(termOf(bought, first) + termOf(bought, first.addDays(-1)), QStringLiteral("LongShort"));
        }
        QCOMPARE(dates, 12784);
        QVERIFY(termIsWrong(day("2/28/2023"), day("2/29/2024"), u"Long") && !termIsWrong(day("2/28/2023"), day("2/29/2024"), u"Short"));
    }

    // The 1,000 lots whose cents, equal left over, go to the older lots (the random walk of sales holds each part
    // within a cent of its share); lots sold a share at a time costing their cost in all.
    void proceedsAndCostsToTheCent()
    {
        std::vector<SaleLot> thousand;
        for (LotId id = 1; id <= 1000; ++id)
            thousand.push_back({id, "", "ACME", id <= 995 ? QDate(2020, 1, 1) : QDate(2024, 5, 1), 1, {}, dollars(1)});
        Ticks shortTerm = 0;
        for (const SalePart &p : planSale(thousand, QDate(2024, 6, 1), 1000, dollars(1005), SaleMethod::LastIn))
            shortTerm += p.term() == u"Short" ? p.proceeds : 0;
        QCOMPARE(shortTerm, dollars(5));
        for (SaleLot lot : {SaleLot{1, "", "ACME", QDate(2020, 1, 1), 3, dollars(0.3333), {}},
                            SaleLot{2, "", "ACME", QDate(2020, 1, 1), 7, {}, dollars(10.0049)}}) {
            const Ticks cost = *lotCost(lot.netAmount, lot.price, lot.shares);
            for (Ticks paid = 0; lot.shares > 0;) {
                const SalePart p = planSale({lot}, QDate(2024, 6, 1), 1, 0, SaleMethod::FirstIn).front();
                paid += p.cost;
                std::tie(lot.shares, lot.netAmount) = std::pair(p.sharesLeft, p.netLeft);
                QCOMPARE(paid + lotCost(lot.netAmount, lot.price, lot.shares).value_or(0), cost);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TaxesTest)
#include "tst_taxes.moc"
