// Moving through the lots with Next and Previous, clicks on either list and
// the Up and Down keys, and what the counter, the rows and buttons show.
#include "support/Lots.h"
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class NavigationTest : public QObject {
    Q_OBJECT

    // Opens five lots with lot `current` (from 1) current, via its master row.
    static void goTo(MainWindow &w, int current) { MainWindow::clickRow(w->ListView1, current); }

private slots:
    void nextAndPreviousFollowThePosition()
    {
        MainWindow w(numberedLots(5));
        goTo(w, 4);
        MainWindow::click(w->cmdNext);
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 5"));
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 5);
        QVERIFY(!w->cmdNext->isEnabled());
        QVERIFY(w->cmdPrev->isEnabled());

        goTo(w, 2);
        MainWindow::click(w->cmdPrev);
        QCOMPARE(w.counter(), QStringLiteral("1 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 1);
        QVERIFY(!w->cmdPrev->isEnabled());
        QVERIFY(w->cmdNext->isEnabled());
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$10.0000"));
        QCOMPARE(w.enabled(), QStringLiteral("New Find Next Delete Split Select"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void clickingARowMakesItsLotCurrentInBothLists()
    {
        MainWindow w(numberedLots(5));
        for (int row : {1, 3, 5}) {   // lots 1, 3, 5 join the selection list
            goTo(w, row);
            MainWindow::click(w->cmdSelect);
        }
        goTo(w, 3);
        QCOMPARE(w.counter(), QStringLiteral("3 of 5"));
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 3"));
        QCOMPARE(MainWindow::selected(w->ListView2), 2);

        MainWindow::clickRow(w->ListView2, 3);   // lot 5, the last
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 5);
        QVERIFY(!w->cmdNext->isEnabled());
        QVERIFY(w->cmdPrev->isEnabled());
        QCOMPARE(w->txtFields[kNetAmount]->text(), QStringLiteral("$5,000.00"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void clickingAnEmptyListDoesNothing()
    {
        MainWindow w(numberedLots(3));
        QTest::mouseClick(w->ListView2->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(w.counter(), QStringLiteral("3 of 3"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void arrowKeysInTheMasterListMoveTheCurrentLot()
    {
        MainWindow w(numberedLots(5));
        MainWindow::click(w->cmdSelect);   // lot 5 in the selection list
        goTo(w, 4);
        w->ListView1->setFocus();
        QTest::keyClick(w->ListView1, Qt::Key_Down);
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 5);
        QCOMPARE(MainWindow::selected(w->ListView2), 1);
        QVERIFY(!w->cmdNext->isEnabled());
        QTest::keyClick(w->ListView1, Qt::Key_Down);   // the last row: nothing
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 5);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(w->ListView1, Qt::Key_Up);
        QCOMPARE(w.counter(), QStringLiteral("1 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 1);
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 1"));
        QVERIFY(!w->cmdPrev->isEnabled());
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void arrowKeysInTheSelectionListWalkItsRows()
    {
        MainWindow w(numberedLots(5));
        for (int row : {4, 1, 3}) {
            goTo(w, row);
            MainWindow::click(w->cmdSelect);
        }
        MainWindow::clickRow(w->ListView2, 1);   // lot 4
        QCOMPARE(w.counter(), QStringLiteral("4 of 5"));
        w->ListView2->setFocus();
        QTest::keyClick(w->ListView2, Qt::Key_Down);   // lot 1
        QCOMPARE(w.counter(), QStringLiteral("1 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 1);
        QCOMPARE(MainWindow::selected(w->ListView2), 2);
        QVERIFY(!w->cmdPrev->isEnabled());
        QVERIFY(w->cmdNext->isEnabled());
        QTest::keyClick(w->ListView2, Qt::Key_Down);   // lot 3
        QTest::keyClick(w->ListView2, Qt::Key_Down);   // the last row: nothing
        QCOMPARE(w.counter(), QStringLiteral("3 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView2), 3);
        QTest::keyClick(w->ListView2, Qt::Key_Up);
        QCOMPARE(w.counter(), QStringLiteral("1 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 1);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void leavingAChangedLotStoresItAndEndsInBrowsing()
    {
        MainWindow w(numberedLots(3));
        w.retype(kTicker, "NEWT");
        QVERIFY(w->cmdSave->isEnabled());
        MainWindow::click(w->cmdPrev);
        QCOMPARE(w.counter(), QStringLiteral("2 of 3"));
        QVERIFY(!w->cmdSave->isEnabled());
        QVERIFY(!w->cmdUndo->isEnabled());
        QCOMPARE(w.folder.query("SELECT Ticker FROM qryStocks WHERE ID = 3"), QStringLiteral("NEWT"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aRefusedKeyMoveKeepsTheListWithTheCurrentLot()
    {
        MainWindow w(numberedLots(3));
        w.retype(kNumShares, "many");
        w->ListView1->setFocus();
        QTest::keyClick(w->ListView1, Qt::Key_Up);
        QCOMPARE(w.dialogs.takeTexts(),
                 (QStringList{"Please Enter Number of Shares as a Number",
                              "3426 - This action was cancelled by an associated object. - Source : frmStocks cmdPrev_Click"}));
        QCOMPARE(w.counter(), QStringLiteral("3 of 3"));
        QCOMPARE(MainWindow::selected(w->ListView1), 3);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // A click skips the field rules, so the store itself refuses a text of
    // the wrong kind; the lists go back to the lot that stays current.
    void aClickThatCannotStoreTheChangeKeepsTheLists()
    {
        MainWindow w(numberedLots(3));
        w.retype(kTradeDate, "2/30/2004");
        MainWindow::clickRow(w->ListView1, 1);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"13 - Type mismatch - Source : FindByID"});
        QCOMPARE(w.counter(), QStringLiteral("3 of 3"));
        QCOMPARE(MainWindow::selected(w->ListView1), 3);
        QVERIFY(w->cmdSave->isEnabled());
        QCOMPARE(w.folder.query("SELECT TradeDate FROM qryStocks WHERE ID = 3"), QStringLiteral("2003-01-15"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
