// Gains as a tax return counts them: the holding period against a calendar of the test's own, proceeds to the cent,
// and wash sales: the Publication's examples, a chain, random histories against a share-by-share reading, and a
// sale's figures as the Sell dialog shows them against the rows the ledger file keeps of it.
#include "sales/Cents.h"
#include "sales/LedgerGains.h"
#include "sales/SalePlan.h"
#include "sales/WashSales.h"
#include "sales/window/SaleLotsModel.h"
#include "support/LedgerFolder.h"
#include "support/TextBinding.h"
#include "text/Regional.h"

#include <QRandomGenerator>
#include <QTest>
#include <deque>
#include <limits>
#include <map>
#include <numeric>

using namespace tesmo;
using namespace tesmo::test;

namespace {

QDate day(const QString &text) { return QDate::fromString(text, "M/d/yyyy"); }
Ticks dollars(double d) { return Ticks(std::llround(d * kTicksPerDollar)); }
QString upper(const QString &ticker) { return ticker.toUpper(); }

// A history written "B<lot> DATE SHARES" for a purchase, "S<sale> LOT DATE
// SHARES PROCEEDS COST" for a part of a sale, joined by ";"; all of ACME.
struct History {
    std::vector<WashLot> lots;
    std::vector<WashSale> parts;
    std::vector<WashSplit> splits;

    explicit History(const QString &text = {})
    {
        for (const QString &event : text.split(u';', Qt::SkipEmptyParts)) {
            const QStringList f = event.split(u' ', Qt::SkipEmptyParts);
            if (f[0].startsWith(u'B'))
                lots.push_back({f[0].mid(1).toLongLong(), "ACME", day(f[1]), f[2].toDouble()});
            else
                parts.push_back({f[0].mid(1).toLongLong(), f[1].toLongLong(), "", "ACME", lots[f[1].toULongLong() - 1].bought,
                                 day(f[2]), f[3].toDouble(), dollars(f[4].toDouble()), dollars(f[5].toDouble())});
        }
    }
    double scale(const QString &ticker, QDate on) const   // a share of that day in shares after every split
    {
        return std::accumulate(splits.begin(), splits.end(), 1.0, [&](double f, const WashSplit &s) {
            return f * (s.day > on && upper(s.ticker) == upper(ticker) ? s.factor : 1);
        });
    }
};

// Each row as "LOT: SHARES ACQUIRED-SOLD PROCEEDS BASIS[ W ADJUSTMENT] GAIN
// TERM", then the adjusted shares held as "held LOT: SHARES ACQUIRED +ADJUSTMENT".
QString describe(const WashSales &w, const std::vector<WashSale> &parts)
{
    const auto date = [](QDate d) { return d.toString("M/d/yyyy"); };
    QStringList out;
    for (const TaxRow &r : w.rows)
        out << QStringLiteral("%1: %2 %3-%4 %5 %6%7 %8 %9")
                   .arg(parts[r.part].lot)
                   .arg(r.shares)
                   .arg(date(r.acquired), date(r.sold), plainTicksText(r.proceeds), plainTicksText(r.costBasis),
                        r.wash() ? " W " + plainTicksText(r.adjustment) : QString(), plainTicksText(r.gain()), r.longTerm ? "L" : "S");
    for (const HeldAdjustment &h : w.held)
        out << QStringLiteral("held %1: %2 %3 +%4").arg(h.lot).arg(h.shares).arg(date(h.acquired), plainTicksText(h.adjustment));
    return out.join("; ");
}

// The rules read share by share: each share of a lot on its own, sold and matched one at a time, a split of a lot
// making each of its shares held two, each with half of what it carries. The parts come in order of sale, numbered
// so; a lot is split only between days; share counts are whole after every split of the ticker, and every amount a
// share carries is in cents.
QString shareByShare(const History &h)
{
    struct Share { const WashLot *lot; std::int64_t day; Ticks extra = 0; int block = -1; bool gone = false; };
    std::deque<Share> all;   // block: the replacement it is of, in the order they were made
    for (const WashLot &l : h.lots)
        all.insert(all.end(), std::size_t(std::lround(l.shares * h.scale(l.ticker, l.bought))), {&l, l.bought.toJulianDay()});
    std::multimap<qint64, const WashLot *> lotSplits;   // by the sale they come after
    for (const WashLot &l : h.lots)
        for (const LotSplit &split : l.splits)
            lotSplits.emplace(split.afterSale, &l);
    const auto splitUpTo = [&](qint64 sale) {
        for (; !lotSplits.empty() && lotSplits.begin()->first < sale; lotSplits.erase(lotSplits.begin()))
            for (std::size_t k = 0, n = all.size(); k < n; ++k)
                if (all[k].lot == lotSplits.begin()->second && !all[k].gone)
                    all[k].extra /= 2, all.push_back(all[k]);
    };
    struct Sold { std::size_t part; Share *share; int from /* its block */; Ticks cost, proceeds, disallowed = 0; };
    std::vector<Sold> sold;
    std::map<std::tuple<std::size_t, int, LotId>, int> blocks;
    for (std::size_t i = 0; i < h.parts.size();) {
        const QDate on = h.parts[i].sold;
        splitUpTo(h.parts[i].sale);
        const std::size_t today = sold.size();
        for (; i < h.parts.size() && h.parts[i].sold == on; ++i) {   // a lot's adjusted shares first
            const WashSale &p = h.parts[i];
            std::vector<Share *> held;
            for (Share &s : all)
                if (!s.gone && s.lot->id == p.lot)
                    held.push_back(&s);
            std::stable_sort(held.begin(), held.end(), [](Share *a, Share *b) { return unsigned(a->block) < unsigned(b->block); });
            const auto n = std::lround(p.shares * h.scale(p.ticker, on));
            for (long k = 0; k < n; ++k, held[k - 1]->gone = true)
                sold.push_back({i, held[k], held[k]->block, p.cost / n, p.proceeds / n});
        }
        std::vector<Sold *> losses;
        for (std::size_t k = today; k < sold.size(); ++k)
            if (sold[k].cost + sold[k].share->extra > sold[k].proceeds)
                losses.push_back(&sold[k]);
        std::stable_sort(losses.begin(), losses.end(), [](Sold *a, Sold *b) {
            return std::tie(a->share->lot->bought, a->share->lot->id) < std::tie(b->share->lot->bought, b->share->lot->id);
        });
        for (Sold *loss : losses) {   // the first free share of the earliest lot in the window
            const WashLot &from = *loss->share->lot;
            Share *by = nullptr;
            for (Share &s : all)
                if (!s.gone && s.block < 0 && s.lot != &from && upper(s.lot->ticker) == upper(from.ticker)
                    && std::abs(s.lot->bought.daysTo(on)) <= 30
                    && (!by || std::tie(s.lot->bought, s.lot->id) < std::tie(by->lot->bought, by->lot->id)))
                    by = &s;
            if (!by)
                continue;
            // Held from its own trade date, less the sold share's days before it.
            const std::int64_t bought = by->lot->bought.toJulianDay(), sale = on.toJulianDay();
            by->day = bought - std::max<std::int64_t>(0, std::min(sale, bought) - loss->share->day);
            by->extra = loss->disallowed = loss->cost + loss->share->extra - loss->proceeds;
            by->block = blocks.try_emplace({loss->part, loss->from, by->lot->id}, int(blocks.size())).first->second;
        }
    }
    WashSales w;   // each part's shares in runs of one block, the shares held likewise
    for (std::size_t k = 0; k < sold.size(); ++k) {
        const Sold &s = sold[k];
        const WashSale &p = h.parts[s.part];
        if (k == 0 || sold[k - 1].part != s.part || sold[k - 1].from != s.from)
            w.rows.push_back({s.part, p.name, p.ticker, 0, QDate::fromJulianDay(s.share->day), p.sold});
        TaxRow &r = w.rows.back();
        r.shares += 1 / h.scale(p.ticker, p.sold), r.proceeds += s.proceeds;
        r.costBasis += s.cost + s.share->extra, r.adjustment += s.disallowed;
        r.longTerm = p.sold >= longTermFrom(r.acquired);
    }
    splitUpTo(std::numeric_limits<qint64>::max());
    std::map<std::pair<LotId, int>, HeldAdjustment> held;   // by lot, its blocks in the order they were made
    for (const Share &s : all)
        if (!s.gone && s.block >= 0) {
            HeldAdjustment &piece = held.try_emplace({s.lot->id, s.block}, HeldAdjustment{s.lot->id, 0, QDate::fromJulianDay(s.day), 0}).first->second;
            piece.shares += 1, piece.adjustment += s.extra;
        }
    for (const auto &[at, piece] : held)
        w.held.push_back(piece);
    return describe(w, h.parts);
}

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
        const auto acme = [](LotId id, QDate bought, double shares, std::optional<Ticks> price,
                             std::optional<Ticks> net) {
            LotRow lot;
            std::tie(lot.id, lot.ticker, lot.tradeDay, lot.numShares, lot.price, lot.netAmount) =
                std::tuple(id, "ACME", std::int32_t(bought.toJulianDay()), shares, price, net);
            return lot;
        };
        std::vector<LotRow> thousand;
        for (LotId id = 1; id <= 1000; ++id)
            thousand.push_back(acme(id, id <= 995 ? QDate(2020, 1, 1) : QDate(2024, 5, 1), 1, {}, dollars(1)));
        Ticks shortTerm = 0;
        for (const SalePart &p : planSale("ACME", thousand, QDate(2024, 6, 1), 1000, dollars(1005), SaleMethod::LastIn))
            shortTerm += p.term == u"Short" ? p.proceeds : 0;
        QCOMPARE(shortTerm, dollars(5));
        for (LotRow lot : {acme(1, QDate(2020, 1, 1), 3, dollars(0.3333), {}),
                           acme(2, QDate(2020, 1, 1), 7, {}, dollars(10.0049))}) {
            const Ticks cost = *lotCost(lot.netAmount, lot.price, lot.numShares);
            for (Ticks paid = 0; lot.numShares > 0;) {
                const SalePart p = planSale("ACME", {lot}, QDate(2024, 6, 1), 1, 0, SaleMethod::FirstIn).front();
                paid += p.cost;
                std::tie(lot.numShares, lot.netAmount) = std::pair(p.sharesLeft, p.netLeft);
                QCOMPARE(paid + lotCost(lot.netAmount, lot.price, lot.numShares).value_or(0), cost);
            }
        }
    }

    // The Publication's examples, with dates of their own where it gives none; a chain: a replacement held from a
    // tacked date, its losses on each side of its year washed again, the last replacement sold.
    void washSaleExamples_data()
    {
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("rows");
        QTest::newRow("100 sold at a loss, 100 bought back")
            << "B1 1/3/2024 100; S1 1 2/1/2024 100 750 1000; B2 2/15/2024 100; S2 2 6/3/2024 100 1100 800"
            << "1: 100 1/3/2024-2/1/2024 750 1000 W 250 0 S; 2: 100 1/17/2024-6/3/2024 1100 1050 50 S";
        QTest::newRow("fewer bought than sold, before the sale")
            << "B1 9/20/2024 100; B2 12/13/2024 50; B3 12/20/2024 25; S1 1 1/3/2025 100 4000 5000;"
               "S2 2 3/3/2025 50 3300 2750; S3 3 3/3/2025 25 1400 1125"
            << "1: 100 9/20/2024-1/3/2025 4000 5000 W 750 -250 S; 2: 50 9/20/2024-3/3/2025 3300 3250 50 S; "
               "3: 25 9/20/2024-3/3/2025 1400 1375 25 S";
        QTest::newRow("50 bought on each of four days")
            << "B1 9/24/2024 100; S1 1 2/3/2025 100 1000 2000; B2 2/4/2025 50; B3 2/5/2025 50; B4 2/6/2025 50; B5 2/7/2025 50"
            << "1: 100 9/24/2024-2/3/2025 1000 2000 W 1000 0 S; held 2: 50 9/25/2024 +500; held 3: 50 9/26/2024 +500";
        QTest::newRow("a loss and gains of one day")
            << "B1 1/10/2024 100; B2 3/1/2024 100; B3 5/1/2024 100; S1 1 12/23/2024 100 12500 15800;"
               "S1 2 12/23/2024 100 12500 10000; S1 3 12/23/2024 100 12500 9500; B4 1/6/2025 250"
            << "1: 100 1/10/2024-12/23/2024 12500 15800 W 3300 0 S; 2: 100 3/1/2024-12/23/2024 12500 10000 2500 S; "
               "3: 100 5/1/2024-12/23/2024 12500 9500 3000 S; held 4: 100 1/24/2024 +3300";
        QTest::newRow("a chain of washes")
            << "B1 1/10/2023 100; S1 1 12/1/2023 100 1000 2000; B2 12/15/2023 100; S2 2 1/24/2024 50 600 750;"
               "S3 2 1/25/2024 50 600 750; B3 2/1/2024 100; S4 3 3/1/2024 100 3000 1000"
            << "1: 100 1/10/2023-12/1/2023 1000 2000 W 1000 0 S; 2: 50 1/24/2023-1/24/2024 600 1250 W 650 0 S; "
               "2: 50 1/24/2023-1/25/2024 600 1250 W 650 0 L; 3: 50 2/1/2023-3/1/2024 1500 1150 350 L; "
               "3: 50 1/31/2023-3/1/2024 1500 1150 350 L";
    }
    void washSaleExamples()
    {
        QFETCH(QString, history);
        const History h(history);
        const WashSales w = washSales(h.lots, h.parts, h.splits);
        QTEST(describe(w, h.parts), "rows");
        for (const HeldAdjustment &held : w.held)   // one block a lot in these
            QCOMPARE(std::pair(w.adjustmentOf(held.lot), w.heldFrom(held.lot, {}, held.shares)), std::pair(held.adjustment, held.acquired));
        QCOMPARE(disallowedIfSold(h.lots, {h.parts.begin() + 1, h.parts.end()}, {h.parts.front()}), w.rows.front().adjustment);
    }

    // Random histories of purchases, splits of the ticker and of single lots, and sales of a ticker spelt two ways
    // and another, then the last sale undone, the lots in order of ID or not: the engine agrees with the
    // share-by-share reading to the cent.
    void randomHistoriesAgreeShareByShare()
    {
        QRandomGenerator random(20231201);
        const QDate start(2024, 1, 1);
        const QString tickers[] = {"ACME", "acme", "ZZ"};
        for (int round = 0; round < 500; ++round) {
            History h;
            for (int x = random.bounded(3); x > 0; --x)
                h.splits.push_back({"ACME", start.addDays(random.bounded(150)), 2});
            std::vector<double> held;   // by lot, in shares after every split
            std::vector<Ticks> each;    // a share's cost, likewise
            for (LotId id = 1; id <= 2 + random.bounded(8); ++id) {
                h.lots.push_back({id, tickers[random.bounded(3)], start.addDays(random.bounded(150)), 1. + random.bounded(6)});
                held.push_back(h.lots.back().shares * h.scale(h.lots.back().ticker, h.lots.back().bought));
                each.push_back(dollars(16 * (1 + random.bounded(12))) / Ticks(h.scale(h.lots.back().ticker, h.lots.back().bought)));
            }
            int splitsLeft = 3;   // of single lots: a share's cost and adjustment halved three times are still cents
            const auto splitALot = [&](qint64 afterSale) {
                WashLot &l = h.lots[random.bounded(quint32(h.lots.size()))];
                if (splitsLeft > 0 && random.bounded(3) == 0) {
                    --splitsLeft;
                    l.splits.push_back({l.id, afterSale, 2});
                    held[std::size_t(l.id - 1)] *= 2, each[std::size_t(l.id - 1)] /= 2;
                }
            };
            std::vector<QDate> days(std::size_t(3 + random.bounded(12)));
            std::generate(days.begin(), days.end(), [&] { return start.addDays(random.bounded(190)); });
            std::sort(days.begin(), days.end());
            for (std::size_t sale = 0; sale < days.size(); ++sale) {
                if (sale == 0 || days[sale] != days[sale - 1])
                    splitALot(qint64(sale));
                const QString ticker = tickers[1 + random.bounded(2)];
                for (std::size_t k = 0; k < h.lots.size(); ++k) {
                    const WashLot &l = h.lots[k];
                    const double unit = h.scale(l.ticker, days[sale]);
                    if (l.bought > days[sale] || held[k] < unit || random.bounded(3) || upper(l.ticker) != upper(ticker))
                        continue;
                    const double n = unit * (1 + random.bounded(int(held[k] / unit)));
                    held[k] -= n;
                    h.parts.push_back({qint64(sale + 1), l.id, "", l.ticker, l.bought, days[sale], n / unit,
                                       Ticks(n) * dollars(16 * random.bounded(1, 14)) / Ticks(unit), Ticks(n) * each[k]});
                }
            }
            splitALot(qint64(days.size()));
            if (round % 2)
                std::reverse(h.lots.begin(), h.lots.end());
            for (const QByteArray &where : {QByteArray::number(round), QByteArray::number(round) + " undone"}) {
                QCOMPARE(describe(washSales(h.lots, h.parts, h.splits), h.parts) + where, shareByShare(h) + where);
                for (const qint64 last = h.parts.empty() ? 0 : h.parts.back().sale; !h.parts.empty() && h.parts.back().sale == last;)
                    h.parts.pop_back();
            }
        }
    }

    // A sale's figures before and after it, against the rows qryGains keeps
    // of it: the dialog's parts (cost basis, gain, term) and its totals, and
    // the message, over losses washed in whole, in part, in a chain, and
    // replacement shares sold in turn, some of a lot adjusted and some not,
    // a replacement split before its sale.
    void figuresOfASaleAreItsRows()
    {
        keepGainsWith(gainRowsOf);
        struct Step { LotId current; const char *sold; double shares, proceeds; QString told; double split = 0; };
        struct Case { const char *name; std::vector<NewLot> lots; std::vector<Step> steps; };
        const Case cases[] = {
            {"a replacement sold on: its adjusted cost and term",
             {{"Tick", "TCK", 10, 10, 100, "2023-01-10"}, {"Tick", "TCK", 10, 5, 50, "2023-12-15"}},
             {{1, "12/1/2023", 10, 80, "Sold 10 shares of TCK from 1 lot on 12/1/2023 for $80.00: cost $100.00, loss "
                                        "$0.00 after a wash-sale adjustment of $20.00."},
              {2, "1/25/2024", 10, 60, "Sold 10 shares of TCK from 1 lot on 1/25/2024 for $60.00: cost $70.00, loss "
                                        "$10.00."}}},
            {"a chain of washes",
             {{"Abc", "ABC", 100, 10, 1000, "2024-01-02"}, {"Abc", "ABC", 100, 9, 900, "2024-02-10"},
              {"Abc", "ABC", 100, 7, 700, "2024-03-20"}},
             {{1, "2/1/2024", 100, 800, "Sold 100 shares of ABC from 1 lot on 2/1/2024 for $800.00: cost $1,000.00, "
                                        "loss $0.00 after a wash-sale adjustment of $200.00."},
              {2, "3/1/2024", 100, 850, "Sold 100 shares of ABC from 1 lot on 3/1/2024 for $850.00: cost $1,100.00, "
                                        "loss $0.00 after a wash-sale adjustment of $250.00."},
              {3, "4/30/2024", 100, 1000, "Sold 100 shares of ABC from 1 lot on 4/30/2024 for $1,000.00: cost "
                                          "$950.00, gain $50.00."}}},
            {"a partial wash of a sale from two lots",
             {{"Xyz", "XYZ", 100, 10, 1000, "2024-01-02"}, {"Xyz", "XYZ", 50, 12, 600, "2024-01-03"},
              {"Xyz", "XYZ", 30, 10, 300, "2024-02-15"}},
             {{1, "2/1/2024", 150, 1200, "Sold 150 shares of XYZ from 2 lots on 2/1/2024 for $1,200.00: cost "
                                         "$1,600.00, loss $340.00 after a wash-sale adjustment of $60.00."},
              {3, "3/1/2024", 30, 330, "Sold 30 shares of XYZ from 1 lot on 3/1/2024 for $330.00: cost $360.00, loss "
                                       "$30.00."}}},
            {"a replacement split 2 for 1: each new share carries half",
             {{"Pub", "PUB", 100, 10, 1000, "2024-01-02"}, {"Pub", "PUB", 100, 8, 800, "2024-03-15"}},
             {{1, "3/1/2024", 100, 750, "Sold 100 shares of PUB from 1 lot on 3/1/2024 for $750.00: cost $1,000.00, "
                                        "loss $0.00 after a wash-sale adjustment of $250.00."},
              {2, "6/3/2024", 100, 600, "Sold 100 shares of PUB from 1 lot on 6/3/2024 for $600.00: cost $525.00, "
                                        "gain $75.00.", 2}}},
            {"a lot partly adjusted sold whole: two rows",
             {{"Tick", "TCK", 10, 10, 100, "2023-01-10"}, {"Tick", "TCK", 20, 5, 100, "2023-12-15"}},
             {{1, "12/1/2023", 10, 80, "Sold 10 shares of TCK from 1 lot on 12/1/2023 for $80.00: cost $100.00, loss "
                                        "$0.00 after a wash-sale adjustment of $20.00."},
              {2, "1/25/2024", 20, 120, "Sold 20 shares of TCK from 1 lot on 1/25/2024 for $120.00: cost $120.00, "
                                         "gain $0.00."}}},
        };
        const auto money = [](const QString &dollars) { return regional::netAmountText(*parseTicks(dollars)); };
        for (const Case &c : cases) {
            const auto named = qScopeGuard([&] { if (QTest::currentTestFailed()) qWarning("in the case '%s'", c.name); });
            LedgerFolder folder(c.lots);
            TextBinding binding;
            RecordStore store(QStringLiteral("Tesmo.mdb"), binding);
            store.Open();
            for (const Step &step : c.steps) {
                store.setBookmark(step.current);
                if (step.split) {   // as the window's Split does
                    const LotRow lot = store.rows().lot(*store.rows().rowOf(step.current));
                    store.Edit();
                    binding.texts[kNumShares] = QString::number(lot.numShares * step.split);
                    binding.texts[kPrice] = QString::number(double(*lot.price) / kTicksPerDollar / step.split);
                    store.SplitPending(step.split);
                    store.Update();
                }
                ShareSale sale(store);
                const QDate sold = QDate::fromString(step.sold, "M/d/yyyy");
                const auto parts = sale.plan(sold, step.shares, Ticks(step.proceeds * kTicksPerDollar), SaleMethod::FirstIn);
                const ShareSale::Figures planned = sale.figures(parts);
                SaleLotsModel dialog(sale);
                dialog.showPlan(sold, parts, planned.rows);
                QStringList shown;   // each part as the dialog lists it, by lot
                for (int row = 0; row < dialog.rowCount(); ++row)
                    if (const QString basis = dialog.index(row, kSaleLotBasis).data().toString(); !basis.isEmpty())
                        shown << QStringList{dialog.index(row, kSaleLotId).data().toString(), basis,
                                             dialog.index(row, kSaleLotGain).data().toString(),
                                             dialog.index(row, kSaleLotTerm).data().toString()}.join(u',');
                sale.sell(parts);
                QCOMPARE("Sold " + saleSummary(sale.soldLine()), step.told);
                QCOMPARE("Selling " + saleSummary(planned.line), "Selling " + saleSummary(sale.soldLine()));

                const QString of = QStringLiteral(" FROM qryGains WHERE SaleNo = %1").arg(sale.sold().front().saleNo);
                QStringList kept;
                for (const QString &lot : folder.query("SELECT LotID, printf('%.2f', sum(CostBasis)), printf('%.2f', "
                                                       "sum(Gain)), iif(min(Term) = max(Term), min(Term), 'Mixed')"
                                                       + of + " GROUP BY LotID ORDER BY LotID").split(u'|')) {
                    const QStringList f = lot.split(u',');
                    kept << QStringList{f[0], money(f[1]), money(f[2]), f[3]}.join(u',');
                }
                shown.sort();
                QCOMPARE(shown, kept);
                const QStringList sums = folder.query("SELECT count(DISTINCT LotID), printf('%.2f', sum(Proceeds)), "
                                                      "printf('%.2f', sum(CostBasis)), printf('%.2f', sum(Adjustment))"
                                                      + of).split(u',');
                SaleLine rows;   // as the sale's rows in the file add up
                rows.sold = sold;
                rows.ticker = c.lots.front().ticker;
                rows.shares = step.shares;
                rows.lots = sums[0].toInt();
                rows.proceeds = *parseTicks(sums[1]);
                rows.costBasis = *parseTicks(sums[2]);
                rows.adjustment = *parseTicks(sums[3]);
                QCOMPARE(saleSummary(rows), saleSummary(sale.soldLine()));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TaxesTest)
#include "tst_taxes.moc"
