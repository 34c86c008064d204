// The company's actions a broker's file holds, read as such: what each
// proposes from its figures and the shares held on its day, and why one its
// evidence does not settle cannot be ticked.
#include "support/Corpus.h"

#include "import/ImportedSales.h"
#include "import/LotImport.h"

#include <QtTest>

using namespace tesmo;

class ImportActionsTest : public QObject {
    Q_OBJECT

private slots:
    // Rows of a company's action read as such, never ticked by default; each
    // proposes an action from its figures and the shares held on its day,
    // and one that its evidence does not settle says why and cannot be ticked.
    void companyActionsProposeWhatTheirFiguresSettle()
    {
        LotTable ledger;
        LotId id = 0;
        for (const auto &[ticker, shares] : {std::pair{"ACME", 100.0}, {"OLDCO", 200}, {"ZED", 200}, {"BIG", 3},
                                             {"ODD", 7}, {"KILO", 1000}, {"SOLD", 100}}) {
            LotRow lot;
            lot.id = ++id;
            lot.ticker = ticker;
            lot.numShares = shares;
            lot.netAmount = Ticks(1000) * kTicksPerDollar;
            lot.tradeDay = std::int32_t(QDate(2024, 1, 2).toJulianDay());
            ledger.append(lot);
        }
        // SOLD sold since: the shares held on the day of its split are not those of its lot now.
        const qint64 jan2 = QDate(2024, 1, 2).toJulianDay(), jun20 = QDate(2024, 6, 20).toJulianDay();
        LotImport import;
        import.setSaleMatcher(saleMatcher(
            ledger, {{"a sale of SOLD on 6/20/2024", jun20, jan2, {LotKey::of(u"SOLD", {}, 0, {}, {}).ticker}}}));
        import.readText(QStringLiteral(
                            "Date,Action,Symbol,Description,Quantity,Amount\n"
                            "6/13/2024,Forward Split,ACME,,300,\n"
                            "6/13/2024,REVERSE SPLIT,ZED,,-180,\n"
                            "6/13/2024,Stock split,BIG,,1.5,\n"
                            "6/13/2024,Stock split,ODD,,1.234,\n"           // 8.234 for 7
                            "6/13/2024,Split,NONE,,100,\n"
                            "6/13/2024,Split,BIG,,-1,\n"                    // a split removes none
                            "6/13/2024,Reverse split,BIG,,3,\n"             // all of them
                            "6/14/2024,Merger,NEWCO,OLDCO MERGED INTO NEWCO,100,\n"
                            "6/14/2024,Exchange,NEWCO,EXCHANGE OF OLDCO AND ACME,100,\n"
                            "6/14/2024,Exchange,,,,-5.00\n"                  // of currency: no shares
                            "6/14/2024,Acquisition,NEWCO,Acquired by NEWCO,-200,\n"
                            "6/17/2024,Spin-off,SPINCO,SPIN-OFF FROM ACME,25,\n"
                            "6/17/2024,Distribution,SPIN2,ACME distribution,10,\n"
                            "6/17/2024,Distribution,ACME,,,12.00\n"          // a dividend
                            "6/20/2024,Return of capital,ACME,,,25.00\n"
                            "6/20/2024,Nondividend distribution,ODD,,,1.00\n"
                            "6/20/2024,ROC,KILO,,,1.23\n"
                            "6/20/2024,Capital repayment,ACME,,,\n"
                            "6/20/2024,Split merger,ACME,,4,\n"
                            "6/20/2024,Sale of fraction reverse split,ZED,,-0.5,3.00\n"
                            "6/20/2024,Non-qualified dividend,ACME,,,4.00\n"
                            "6/13/2024,Split,SOLD,,100,\n"
                            "6/17/2024,Spin off,SPIN3,FROM ZED,20,\n"
                            "6/20/2024,Non-dividend distribution,BIG,,,0.30\n")
                            .toUtf8());
        const QString date3 = QStringLiteral(" on 6/13/2024"), date4 = QStringLiteral(" on 6/14/2024");
        const QStringList expected{
            "split 4 for 1 of ACME" + date3,
            "reverse split 1 for 10 of ZED" + date3,
            "split 3 for 2 of BIG" + date3,
            "split of ODD" + date3 + ": 1.234 shares added to the 7 held make 8.234, which is no ratio of small whole "
            "numbers",
            "split of NONE" + date3 + ": no shares of NONE were held on 6/13/2024",
            "split of BIG" + date3 + ": a split adds shares, but its shares are negative",
            "reverse split of BIG" + date3 + ": a reverse split removes shares, but its shares are positive",
            "merger of OLDCO into NEWCO, 1 for 2," + date4,
            "merger into NEWCO" + date4 + ": its words name OLDCO and ACME, all held on 6/14/2024",
            "NotAPurchase: its action 'Exchange' is not a purchase",
            "merger into NEWCO" + date4 + ": it gives no shares received; the row of the shares received proposes "
                                          "the merger",
            "spin-off of SPINCO from ACME, 1 for 4, on 6/17/2024: the part of ACME's cost the new shares take is not "
            "in the file; record it with Corporate Action",
            "spin-off of SPIN2 from ACME, 1 for 10, on 6/17/2024: the part of ACME's cost the new shares take is not "
            "in the file; record it with Corporate Action",
            "NotAPurchase: dividend",
            "return of capital of $.2500 a share of ACME on 6/20/2024",
            "return of capital of $.1429 a share of ODD on 6/20/2024",
            "return of capital of KILO on 6/20/2024: $1.23 over the 1000 shares held is no amount a share to a "
            "hundredth of a cent",
            "return of capital of ACME on 6/20/2024: it gives no amount",
            "split or merger of ACME on 6/20/2024: its words read as more than one action; record it with "
            "Corporate Action",
            "reverse split of ZED on 6/20/2024: its words name a purchase or a sale too; record it with "
            "Corporate Action",
            "NotAPurchase: dividend",
            "split of SOLD" + date3 + ": the ledger records a sale of SOLD on 6/20/2024, not before it",
            "spin-off of SPIN3 from ZED, 1 for 10, on 6/17/2024: the part of ZED's cost the new shares take is not in "
            "the file; record it with Corporate Action",
            "return of capital of $.1000 a share of BIG on 6/20/2024"};
        const auto shown = [&] {
            QStringList rows;
            for (const CandidateLot &l : import.lots())
                rows << (l.status == RowStatus::Action ? QString() : QString::fromLatin1(test::kStatus[int(l.status)]) + ": ")
                            + l.reason;
            return rows;
        };
        QCOMPARE(shown(), expected);
        QCOMPARE(import.chosenCount(), 0);
        const std::vector<int> settled{0, 1, 2, 7, 14, 15, 23};
        for (int i = 0; i < int(import.lots().size()); ++i)
            QCOMPARE(import.lots()[std::size_t(i)].tickable(), std::count(settled.begin(), settled.end(), i) == 1);

        // Ticked, the split of ACME comes first: the return of capital after
        // it waits for it, and the shares of the split are the file's too.
        import.setTicked(0, true);
        QVERIFY(!import.lots()[14].tickable());
        QCOMPARE(import.lots()[14].reason, expected[14] + ": the action on line 2 comes before it; import that one first");
        import.setTicked(0, false);
        QVERIFY(import.lots()[14].tickable());
    }
};

QTEST_GUILESS_MAIN(ImportActionsTest)
#include "tst_importactions.moc"
