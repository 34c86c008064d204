// Saving changed and new lots: the file, both lists, the counter and the
// buttons afterwards; refusals and failures that leave the lot pending.
#include "support/Lots.h"
#include "support/MainWindow.h"

#include <sqlite3.h>

using namespace tesmo;
using namespace tesmo::test;

namespace {

void typeNewLot(MainWindow &w, const QString &ticker, const QString &price = {}, const QString &net = {})
{
    MainWindow::click(w->cmdAdd);
    w.type(kName1, ticker + " Inc");
    w.type(kTicker, ticker);
    w.type(kNumShares, "10");
    w.type(kPrice, price);
    w.type(kNetAmount, net);
    w.type(kTradeDate, "3/4/2005");
}

} // namespace

class SavingTest : public QObject {
    Q_OBJECT

private slots:
    void aChangedLotIsRewrittenInBothLists()
    {
        MainWindow w(numberedLots(5));
        MainWindow::clickRow(w->ListView1, 3);
        MainWindow::click(w->cmdSelect);
        w.retype(kTicker, "ZZZ");
        w.retype(kPrice, "2.5");
        MainWindow::click(w->cmdSave);
        const RowTexts expected = {"Lot 3", "ZZZ", "1/15/2003", "3", "100", "$2.5000", "$3,000.00"};
        QCOMPARE(w->ListView1->lots()->rowTexts(2), expected);
        QCOMPARE(w->ListView2->lots()->rowTexts(0), expected);
        QCOMPARE(w.folder.query("SELECT Ticker, Price FROM qryStocks WHERE ID = 3"), QStringLiteral("ZZZ,2.5"));
        QCOMPARE(w.counter(), QStringLiteral("3 of 5"));
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Next Delete Split Select Deselect"));
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$2.5000"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aNewLotJoinsTheEndOfTheMasterList()
    {
        MainWindow w(numberedLots(5));
        MainWindow::click(w->cmdSelect);
        typeNewLot(w, "NEW", "12.5", "125");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.counter(), QStringLiteral("6 of 6"));
        QCOMPARE(MainWindow::selected(w->ListView1), 6);
        QCOMPARE(w->ListView1->lots()->rowTexts(5),
                 (RowTexts{"NEW Inc", "NEW", "3/4/2005", "6", "10", "$12.5000", "$125.00"}));
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 5"));
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Delete Split Select Deselect"));
        QCOMPARE(w->txtFields[kID]->text(), QStringLiteral("6"));
        QVERIFY(w->ListView1->isEnabled() && w->ListView2->isEnabled());
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Undo"));
        QCOMPARE(w.folder.query("SELECT * FROM qryStocks WHERE ID = 6"),
                 QStringLiteral("6,NEW Inc,NEW,10.0,12.5,125.0,2005-03-04"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theFirstLotsOfAnEmptyLedger()
    {
        MainWindow w({}, false);
        w.type(kTicker, "ONE");
        w.type(kNumShares, "1");
        w.type(kTradeDate, "1/1/2001");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.counter(), QStringLiteral("1 of 1"));
        QCOMPARE(w.enabled(), QStringLiteral("New Delete Split Select"));
        QCOMPARE(w.folder.query("SELECT Price, NetAmount FROM qryStocks"), QStringLiteral("NULL,NULL"));
        QCOMPARE(w->ListView1->lots()->rowTexts(0)[kColPrice], QString());

        typeNewLot(w, "TWO");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.counter(), QStringLiteral("2 of 2"));
        QVERIFY(!w->cmdFind->isEnabled());
        typeNewLot(w, "THREE");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Delete Split Select"));
        QCOMPARE(MainWindow::names(w->ListView1), QStringLiteral("|TWO Inc|THREE Inc"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aRefusedSaveShowsOnlyTheRuleAndKeepsTheLotPending()
    {
        MainWindow w(numberedLots(2));
        typeNewLot(w, "BAD", "12x");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Please Enter the Price per Share as a Number"});
        QVERIFY(w->txtFields[kPrice]->hasFocus());
        QCOMPARE(w->txtFields[kPrice]->selectedText(), QStringLiteral("12x"));
        QCOMPARE(w.enabled(), QStringLiteral("Save Undo"));
        QCOMPARE(w->Data1().EditMode(), int(kEditAdd));
        QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("2"));
        w.retype(kPrice, "3");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.counter(), QStringLiteral("3 of 3"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // Enter in the trade date right after New would store a lot with nothing
    // in it; the store refuses it and the lot stays pending.
    void aNewLotWithEveryBoxEmptyIsNotStored()
    {
        MainWindow w(numberedLots(2));
        MainWindow::click(w->cmdAdd);
        w.key(kTradeDate, Qt::Key_Return);
        const QStringList texts = w.dialogs.takeTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].startsWith("3102 - A lot needs a ticker symbol"));
        QVERIFY(texts[0].endsWith(" - Source : frmStocks cmdSave_Click"));
        QCOMPARE(w->Data1().EditMode(), int(kEditAdd));
        QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("2"));
        QCOMPARE(w->ListView1->lots()->rows(), 2);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aLockedFileLeavesTheFileAndTheListsAsTheyWere()
    {
        MainWindow w(numberedLots(2));
        const QString stored = w.file();
        typeNewLot(w, "LOCK");
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(w.folder.file()).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        MainWindow::click(w->cmdSave);
        const QStringList texts = w.dialogs.takeTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].startsWith("3005 - database is locked - Source : frmStocks cmdSave_Click"));
        QCOMPARE(w->ListView1->lots()->rows(), 2);
        QCOMPARE(w.counter(), QStringLiteral("2 of 2"));
        QCOMPARE(w->Data1().EditMode(), int(kEditAdd));
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(w.file(), stored);
        MainWindow::click(w->cmdSave);   // the lock is gone: the same lot saves
        QCOMPARE(w.counter(), QStringLiteral("3 of 3"));
        QCOMPARE(w->ListView1->lots()->rows(), 3);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void closingStoresAValidChangeAndKeepsARefusedOne()
    {
        MainWindow w(numberedLots(2));
        w.retype(kTicker, "");
        QVERIFY(!w->close());
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Must Enter a Ticker Symbol"});
        QVERIFY(w->isVisible());
        w.type(kTicker, "KEPT");
        QVERIFY(w->close());
        QCOMPARE(w.folder.query("SELECT Ticker FROM qryStocks WHERE ID = 2"), QStringLiteral("KEPT"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void closingDropsAnUntouchedNewLotAndStoresATypedOne()
    {
        {
            MainWindow w(numberedLots(1));
            MainWindow::click(w->cmdAdd);
            QVERIFY(w->close());
            QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("1"));
            VERIFY_BOXES_AS_SCRIPTED(w);
        }
        MainWindow w(numberedLots(1));
        typeNewLot(w, "LAST");
        QVERIFY(w->close());
        QCOMPARE(w.folder.query("SELECT Ticker FROM qryStocks WHERE ID = 2"), QStringLiteral("LAST"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(SavingTest)
#include "tst_saving.moc"
