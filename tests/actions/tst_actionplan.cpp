// The arithmetic of corporate actions: a table of refusals, a table of worked
// examples, each lot and the sale to the cent, and a random walk over ledgers
// of several tickers in which every purchase keeps its cost to the cent.
#include "actions/ActionPlan.h"
#include "actions/ActionWords.h"
#include "sales/Cents.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <deque>
#include <map>

using namespace tesmo;

Q_DECLARE_METATYPE(ActionField)

namespace {

const QDate kToday(2024, 6, 30);

// Lots written "TICKER SHARES PRICE NET YYYY-MM-DD", joined by ";", "-" for
// an empty amount, "?" for a price an older tool stored as text; "40*" before
// a lot repeats it. Lots are numbered from 1 in the order written.
void fill(LotTable &table, const QString &lots)
{
    std::deque<std::string> texts;
    for (QString written : lots.split(u';')) {
        int times = 1;
        if (const auto star = written.indexOf(u'*'); star > 0) {
            times = written.left(star).trimmed().toInt();
            written = written.mid(star + 1);
        }
        const QStringList f = written.split(u' ', Qt::SkipEmptyParts);
        for (int i = 0; i < times; ++i) {
            LotRow lot;
            lot.id = LotId(table.size() + 1);
            lot.name = "Acme";
            lot.ticker = texts.emplace_back(f[0].toStdString());
            lot.numShares = f[1].toDouble();
            if (f[2] == u"?")
                lot.holdAsText(kPrice, "n/a");
            else if (f[2] != u"-")
                lot.price = parseTicks(f[2]);
            if (f[3] != u"-")
                lot.netAmount = parseTicks(f[3]);
            lot.tradeDay = std::int32_t(QDate::fromString(f[4], Qt::ISODate).toJulianDay());
            table.append(lot);
        }
    }
}

// A request written "KIND DAY key=value ..." (ratio= new= name= cash= in-lieu=
// percent= pershare=), the ticker ACME; "_" stands for a blank in a value.
ActionRequest request(const QString &written)
{
    const QStringList f = written.split(u' ', Qt::SkipEmptyParts);
    ActionRequest r;
    const QStringList kinds{"Split", "Ticker_change", "Merger", "Cash_merger", "Spin-off", "Return_of_capital"};
    r.kind = ActionKind(kinds.indexOf(f[0]));
    r.ticker = QStringLiteral("ACME");
    r.day = QDate::fromString(f[1], Qt::ISODate);
    for (const QString &pair : f.mid(2)) {
        const QString key = pair.section(u'=', 0, 0), value = pair.section(u'=', 1).replace(u'_', u' ');
        if (key == u"ratio")
            r.ratio = value;
        else if (key == u"new")
            r.newTicker = value;
        else if (key == u"name")
            r.newName = value;
        else if (key == u"cash")
            r.cash = value;
        else if (key == u"in-lieu")
            r.cashForFractions = true, r.cash = value;
        else if (key == u"percent")
            r.percent = value;
        else if (key == u"pershare")
            r.cashPerShare = value;
    }
    return r;
}

QString amount(std::optional<Ticks> t)
{
    return t ? plainTicksText(*t) : QStringLiteral("-");
}

// Each lot as "TICKER SHARES PRICE NET", with "+gain" and the lot it was made
// from, the runs of equal lots as one line "1-40: ..."; then each part of the
// sale as "sold LOT: SHARES cost C for P TERM left SHARES NET".
QString text(const CorporateAction &action)
{
    QStringList lines;
    LotId first = 0, last = 0;
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty())
            lines << (first == last ? QString::number(first) : QStringLiteral("%1-%2").arg(first).arg(last)) + QStringLiteral(": ") + run;
    };
    for (const ActionLot &lot : action.lots) {
        const ActionLotValues &a = lot.after;
        QString line = QStringList{a.ticker, regional::numberText(a.shares), amount(a.price), amount(a.netAmount)}.join(u' ');
        if (!a.nameIsNull && a.name != u"Acme")
            line += QStringLiteral(" '%1'").arg(a.name);
        if (lot.gain)
            line += QStringLiteral(" +") + plainTicksText(lot.gain);
        if (lot.made())
            line += QStringLiteral(" from %1").arg(lot.fromLot);
        if (line == run && lot.lot == last + 1) {
            last = lot.lot;
            continue;
        }
        flush();
        first = last = lot.lot;
        run = line;
    }
    flush();
    for (const SalePart &p : action.sale)
        lines << QStringLiteral("sold %1: %2 cost %3 for %4 %5 left %6 %7")
                     .arg(p.lot)
                     .arg(regional::numberText(p.shares), plainTicksText(p.cost), plainTicksText(p.proceeds), p.term,
                          regional::numberText(p.sharesLeft), amount(p.netLeft));
    return lines.join(QStringLiteral("; "));
}

} // namespace

class ActionPlanTest : public QObject {
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<QString>("lots");
        QTest::addColumn<QString>("request");
        QTest::addColumn<ActionField>("field");
        QTest::addColumn<QString>("message");
        using enum ActionField;
        const QString two = QStringLiteral("ACME 10 5 50 2023-01-10;ACME 10 - - 2024-02-01");
        const auto row = [](const char *name, const QString &lots, const char *req, ActionField field, const char *msg) {
            QTest::newRow(name) << lots << QString::fromUtf8(req) << field << QString::fromUtf8(msg);
        };
        row("ratio of 0", two, "Split 2024-06-03 ratio=0_for_1", Ratio, "Ratio as new shares for old");
        row("ratio below 0", two, "Split 2024-06-03 ratio=-4_for_1", Ratio, "Ratio as new shares for old");
        row("ratio in words", two, "Split 2024-06-03 ratio=four_for_one", Ratio, "Ratio as new shares for old");
        row("ratio as one number", two, "Merger 2024-06-03 ratio=4 new=NEWC", Ratio, "Ratio as new shares for old");
        row("ratio with an exponent", two, "Split 2024-06-03 ratio=1_for_1e9", Ratio, "Ratio as new shares for old");
        row("split of 1 for 1", two, "Split 2024-06-03 ratio=3_for_3", Ratio, "changes no lot");
        row("shares round to none", two, "Split 2024-06-03 ratio=1_for_100000000", Ratio, "would become 0");
        row("day after today", two, "Split 2024-07-01 ratio=2:1", Day, "on or before today, 6/30/2024");
        row("day before every lot", two, "Split 2023-01-09 ratio=2:1", Day, "on or after 1/10/2023");
        row("no lot holding shares", "ACME 0 5 - 2023-01-10;ACME 3 5 - 2024-03-01", "Split 2023-02-01 ratio=2:1", Day,
            "No lot of ACME bought on or before 2/1/2023 holds shares");
        row("ticker with no lot", "OTHER 1 1 1 2023-01-10", "Split 2024-06-03 ratio=2:1", Day, "No lot of ACME");
        row("percent above 100", two, "Spin-off 2024-06-03 ratio=1:4 new=SPUN percent=100.5", Percent, "from 0 to 100");
        row("percent below 0", two, "Spin-off 2024-06-03 ratio=1:4 new=SPUN percent=-1", Percent, "from 0 to 100");
        row("percent unreadable", two, "Spin-off 2024-06-03 ratio=1:4 new=SPUN percent=a_fifth", Percent, "from 0 to 100");
        row("cash below 0", two, "Cash_merger 2024-06-03 cash=-5", Cash, "between $0 and");
        row("cash unreadable", two, "Return_of_capital 2024-06-03 cash=five", Cash, "between $0 and");
        row("cash merger without cash", two, "Cash_merger 2024-06-03", Cash, "the cash paid for each share");
        row("return of nothing", two, "Return_of_capital 2024-06-03 cash=0", Cash, "changes no cost");
        // Added up as doubles, these come to 44718000.000014.
        row("no fraction among 40,000 lots", "40000*ACME 745.3 1 1 2023-01-10", "Split 2024-06-03 ratio=3:2 in-lieu=5",
            Cash, "the 44718000 shares leave no fraction");
        row("cash in lieu below a cent", two, "Split 2024-06-03 ratio=3:2 in-lieu=5.005", Cash, "to the cent");
        row("cash with no fraction", two, "Split 2024-06-03 ratio=2:1 in-lieu=5", Cash, "leave no fraction");
        row("shares and cash", two, "Merger 2024-06-03 ratio=1:2 new=NEWC pershare=$1.00", Cash,
            "A merger for shares and cash is not recorded");
        row("spin-off into itself", two, "Spin-off 2024-06-03 ratio=1:4 new=acme percent=10", NewTicker,
            "acme is the ticker of the lots");
        row("new ticker empty", two, "Merger 2024-06-03 ratio=1:2", NewTicker, "Must Enter a New Ticker");
        row("new ticker with a tab", two, "Ticker_change 2024-06-03 new=AB\tC", NewTicker, "control characters");
        row("new ticker too long", two, "Ticker_change 2024-06-03 new=ABCDEFGHIJK", NewTicker, "at most 10");
        row("new name too long", two,
            "Ticker_change 2024-06-03 new=NEWC name=nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn", NewName,
            "at most 50");
        row("a change of nothing", two, "Ticker_change 2024-06-03 new=ACME name=Acme", NewTicker,
            "already have them");
        row("capital back on no cost", two, "Return_of_capital 2024-06-03 cash=1", Cash,
            "Lot 2 (bought 2/1/2024) has no net amount and no price");
        row("fraction sold from no cost", "ACME 1 - - 2023-01-10;ACME 2 5 10 2023-02-01",
            "Split 2024-06-03 ratio=3:2 in-lieu=5", Cash, "Lot 1 (bought 1/10/2023) has no net amount and no price");
        row("a cent shared by two lots", "ACME 1 10 10 2023-01-10;ACME 1 10 10 2023-02-01",
            "Split 2024-06-03 ratio=1:4 in-lieu=0.01", Cash,
            "cannot be sold for it, as the part of the proceeds of the 0.25 shares from lot 2 (bought 2/1/2023) "
            "rounds to $0.00.");
        row("a price kept as text", "ACME 1 ? 5 2023-01-10", "Split 2024-06-03 ratio=2:1", Kind,
            "Lot 1 (bought 1/10/2023) holds a price that is not an amount");
    }

    // Each refusal names the field and says why.
    void refusals()
    {
        QFETCH(QString, lots);
        QFETCH(QString, request);
        QFETCH(ActionField, field);
        QFETCH(QString, message);
        LotTable table;
        fill(table, lots);
        try {
            planAction(::request(request), table, kToday);
            QFAIL("the action was not refused");
        } catch (const ActionRefusal &refusal) {
            QCOMPARE(refusal.field(), field);
            QVERIFY2(refusal.description().contains(message), qPrintable(refusal.description()));
            QCOMPARE(refusal.number(), int(kErrOutOfRange));
        }
    }

    // Each lot as the action leaves it and the sale, to the cent, and the
    // sentence the dialog shows.
    void workedExamples_data()
    {
        QTest::addColumn<QString>("lots");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("words");   // what the dialog says the action did
        QTest::newRow("4 for 1 of 40 lots, a later lot and another ticker aside")
            << "40*ACME 10 10 100 2024-01-02;ACME 5 20 100 2024-06-04;OTHER 3 1 3 2023-01-01"
            << "Split 2024-06-03 ratio=4-FOR-1" << "1-40: ACME 40 2.5 100"
            << "Split 4 for 1 on 6/3/2024: 40 lots, 400 shares become 1,600.";
        // 4.4 new shares: 0.4 of a share sold first in, first out, a
        // lot bought over a year before long, the other short.
        QTest::newRow("1 for 10 with cash in lieu")
            << "ACME 3 10 31 2023-01-10;ACME 27 11 297 2024-03-01;ACME 14 10 140 2024-03-02"
            << "Split 2024-06-03 ratio=1_for_10 in-lieu=$50.00"
            << "1: ACME 0.3 100 31; 2: ACME 2.7 110 297; 3: ACME 1.4 100 140; "
               "sold 1: 0.3 cost 31 for 37.5 Long left 0 0; sold 2: 0.1 cost 11 for 12.5 Short left 2.6 286"
            << "Split 1 for 10 on 6/3/2024: 3 lots, 44 shares become 4.4; cash for 0.4 shares: $50.00, gain $6.50 "
               "Long, gain $1.50 Short.";
        // A price that the split rounds keeps the lot's cost as its net amount.
        QTest::newRow("3 for 2") << "ACME 1000 1.0001 - 2024-01-02;ACME 3 33.3333 100 2024-01-02;ACME 2 7 - 2024-01-03"
                                 << "Split 2024-06-03 ratio=3:2"
                                 << "1: ACME 1500 0.6667 1000.1; 2: ACME 4.5 22.2222 100; 3: ACME 3 4.6667 -"
                                 << "Split 3 for 2 on 6/3/2024: 3 lots, 1,005 shares become 1,507.5.";
        QTest::newRow("spin-off of 18.5% from 3 lots")
            << "ACME 100 10 1000 2023-01-10;ACME 7 - 333.33 2023-05-01;ACME 9 12.3457 - 2024-01-02"
            << "Spin-off 2024-06-03 ratio=1_for_4 new=SPUN name=Spun_Co percent=18.5%"
            << "1: ACME 100 10 815; 2: ACME 7 - 271.66; 3: ACME 9 12.3457 90.55; "
               "-1: SPUN 25 7.4 185 'Spun Co' from 1; -2: SPUN 1.75 35.24 61.67 'Spun Co' from 2; "
               "-3: SPUN 2.25 9.1378 20.56 'Spun Co' from 3"
            << "Spin-off of SPUN, Spun Co, 1 for 4, 18.5% of the cost, on 6/3/2024: 3 lots make 3 lots of SPUN, "
               "29 shares costing $267.23.";
        QTest::newRow("spin-off with cash for the fraction")
            << "ACME 10 - 100 2023-01-10;ACME 3 - 90 2024-01-02" << "Spin-off 2024-06-03 ratio=1:4 new=SPUN percent=20 in-lieu=3"
            << "1: ACME 10 - 80; 2: ACME 3 - 72; -1: SPUN 2.5 8 20 from 1; -2: SPUN 0.75 24 18 from 2; "
               "sold -1: 0.25 cost 2 for 3 Long left 2.25 18"
            << "Spin-off of SPUN 1 for 4, 20% of the cost, on 6/3/2024: 2 lots make 2 lots of SPUN, 3.25 shares "
               "costing $38.00; cash for 0.25 shares: $3.00, gain $1.00 Long.";
        QTest::newRow("return of capital beyond one lot's cost")
            << "ACME 10 10 100 2023-01-10;ACME 50 1.2 60 2024-01-02;ACME 5 3 - 2024-01-03"
            << "Return_of_capital 2024-06-03 cash=2" << "1: ACME 10 10 80; 2: ACME 50 1.2 0 +40; 3: ACME 5 3 5"
            << "Return of capital of $2.00 a share on 6/3/2024: 3 lots, $130.00 returned, cost down $90.00, gain $40.00 Short.";
        QTest::newRow("ticker change keeps no-name lots' names")
            << "ACME 10 10 100 2023-01-10;acme 5 3 - 2024-01-03" << "Ticker_change 2024-06-03 new=ACMX"
            << "1: ACMX 10 10 100; 2: ACMX 5 3 -" << "Ticker change to ACMX on 6/3/2024: 2 lots.";
        QTest::newRow("merger for shares, cash for the half share")
            << "ACME 3 10 30 2023-01-10;ACME 4 10 40 2024-01-02"
            << "Merger 2024-06-03 ratio=1:2 new=BIGCO name=Big_Co in-lieu=7.00"
            << "1: BIGCO 1.5 20 30 'Big Co'; 2: BIGCO 2 20 40 'Big Co'; sold 1: 0.5 cost 10 for 7 Long left 1 20"
            << "Merger into BIGCO, Big Co, 1 for 2 on 6/3/2024: 2 lots, 7 shares become 3.5; cash for 0.5 shares: "
               "$7.00, loss $3.00 Long.";
        QTest::newRow("cash merger, one sale")
            << "ACME 10 10 100 2023-01-10;ACME 4 - 70 2024-03-01" << "Cash_merger 2024-06-03 cash=12.5"
            << "1: ACME 10 10 100; 2: ACME 4 - 70; sold 1: 10 cost 100 for 125 Long left 0 0; "
               "sold 2: 4 cost 70 for 50 Short left 0 0"
            << "Cash merger at $12.50 a share on 6/3/2024: 2 lots, 14 shares sold for $175.00, gain $25.00 Long, "
               "loss $20.00 Short.";
    }

    void workedExamples()
    {
        QFETCH(QString, lots);
        QFETCH(QString, request);
        QFETCH(QString, result);
        QFETCH(QString, words);
        LotTable table;
        fill(table, lots);
        const CorporateAction action = planAction(::request(request), table, kToday);
        QCOMPARE(text(action), result);
        QCOMPARE(actionSummary(action), words);
    }

    // Random ledgers of five spellings of three tickers and random actions:
    // an action refused is refused by name; one planned reaches exactly the
    // lots of the ticker bought by its day that hold shares, scales their
    // shares exactly, and every purchase's cost (what its lot and the lot
    // made from it keep, what the sale took, what came back as capital less
    // the gain) adds up to what it cost before, to the cent.
    void everyPurchaseKeepsItsCost()
    {
        QRandomGenerator rng(20241209);
        const char *const tickers[] = {"ACME", "acme", "OTHER", "ÉTÉ", "été"};
        const char *const ratios[] = {"4 for 1", "1 for 10", "3 for 2", "2:3", "1-for-7", "7 FOR 3", "1 for 1000"};
        const QDate start(2020, 1, 1);
        int planned = 0;
        for (int round = 0; round < 4000; ++round) {
            LotTable table;
            const int n = rng.bounded(1, 15);
            for (int i = 0; i < n; ++i) {
                LotRow lot;
                lot.id = i + 1;
                lot.ticker = tickers[rng.bounded(5)];
                lot.numShares = roundShares(rng.bounded(1, 200000) / std::pow(10.0, rng.bounded(0, 5)));
                if (rng.bounded(12) == 0)
                    lot.numShares = 0;
                const int costs = rng.bounded(10);   // 0: neither; 1-3: price; 4-6: net; else both
                if (costs >= 1 && (costs <= 3 || costs > 6))
                    lot.price = rng.bounded(1, 5000000);
                if (costs >= 4)
                    lot.netAmount = rng.bounded(1, 50000) * Ticks(rng.bounded(2) ? 50 : 1);
                lot.tradeDay = std::int32_t(start.addDays(rng.bounded(1500)).toJulianDay());
                table.append(lot);
            }
            ActionRequest r;
            r.kind = ActionKind(rng.bounded(6));
            r.ticker = rng.bounded(2) ? QStringLiteral("Acme") : QStringLiteral("Été");
            r.day = start.addDays(rng.bounded(1600));
            r.ratio = QString::fromLatin1(ratios[rng.bounded(7)]);
            r.newTicker = QStringLiteral("NEWC");
            r.percent = regional::numberText(rng.bounded(1001) / 10.0);
            r.cashForFractions = rng.bounded(2);
            r.cash = plainTicksText(rng.bounded(0, 200) * 100 * Ticks(rng.bounded(1, 3)));
            // The lots reached, in ID order, then the lots made from them.
            std::vector<LotId> expected, changed, made;
            for (std::size_t row = 0; row < table.size(); ++row) {
                const LotRow lot = table.lot(row);
                if (sameTicker(QString::fromUtf8(lot.ticker), r.ticker) && lot.numShares > 0
                    && QDate::fromJulianDay(lot.tradeDay) <= r.day)
                    expected.push_back(lot.id);
            }
            CorporateAction action;
            try {
                action = planAction(r, table, QDate(2024, 12, 31));
            } catch (const ActionRefusal &refusal) {
                // The day is refused only when no lot holds shares on it,
                // and an action with none is refused.
                QVERIFY(refusal.field() != ActionField::Day || expected.empty());
                continue;
            }
            QVERIFY(!expected.empty());
            ++planned;
            const double ratio = action.ratio;
            for (const ActionLot &lot : action.lots) {
                (lot.made() ? made : changed).push_back(lot.made() ? lot.fromLot : lot.lot);
                if (lot.made())
                    QCOMPARE(lot.lot, -LotId(made.size()));
            }
            QCOMPARE(changed, expected);
            if (r.kind == ActionKind::SpinOff)
                QCOMPARE(made, expected);
            else
                QVERIFY(made.empty());

            // What each purchase holds afterwards, by the lot it came from.
            std::map<LotId, LotId> origin;
            std::map<LotId, ActionLotValues> kept;
            std::map<LotId, Ticks> cost;   // of each purchase, before less after
            for (const ActionLot &lot : action.lots) {
                const LotId purchase = lot.made() ? lot.fromLot : lot.lot;
                origin[lot.lot] = purchase;
                kept[lot.lot] = lot.after;
                if (lot.made()) {
                    QCOMPARE(lot.after.shares, roundShares(kept[purchase].shares * ratio));
                    continue;
                }
                const ActionLotValues &before = *lot.before;
                const double times = r.kind == ActionKind::Split || r.kind == ActionKind::Merger ? ratio : 1;
                QCOMPARE(lot.after.shares, roundShares(before.shares * times));
                QCOMPARE(lot.after.tradeDate, before.tradeDate);
                if (const auto was = lotCost(before.netAmount, before.price, before.shares))
                    cost[purchase] = *was;
                if (r.kind == ActionKind::ReturnOfCapital)
                    cost[purchase] -= roundToCent((long double)*action.cash * before.shares) - lot.gain;
            }
            Ticks proceeds = 0;
            double sold = 0;
            for (const SalePart &part : action.sale) {
                QVERIFY(kept.count(part.lot));
                cost[origin[part.lot]] -= part.cost;
                kept[part.lot].shares = part.sharesLeft;
                kept[part.lot].netAmount = part.netLeft;
                proceeds += part.proceeds;
                sold += part.shares;
            }
            for (const auto &[id, lot] : kept) {
                if (lot.shares > 0)
                    cost[origin[id]] -= lotCost(lot.netAmount, lot.price, lot.shares).value_or(0);
            }
            for (const auto &[purchase, rest] : cost)
                QVERIFY2(rest == 0, qPrintable(QStringLiteral("round %1, lot %2: %3").arg(round).arg(purchase).arg(rest)));
            if (!action.sale.empty() && r.kind != ActionKind::CashMerger) {
                QCOMPARE(proceeds, roundToCent(*action.cash));
                QVERIFY(sold > 0 && sold < 1);
            }
        }
        QVERIFY2(planned > 1000, qPrintable(QString::number(planned)));
    }
};

QTEST_GUILESS_MAIN(ActionPlanTest)
#include "tst_actionplan.moc"
