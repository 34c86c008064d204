// Deleting lots: the question, the lot that becomes current, both lists, the
// counter and the buttons, and the new empty lot after the last one goes.
#include "support/Lots.h"
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class DeletingTest : public QObject {
    Q_OBJECT

private slots:
    void noLeavesEverythingAsItWas()
    {
        MainWindow w(numberedLots(3));
        const QString stored = w.file();
        const QString buttons = w.enabled();
        w.dialogs.answerNext(Dialogs::Answer::No);
        MainWindow::click(w->cmdDelete);
        const auto boxes = w.dialogs.takeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Are you sure you want to PERMENANTLY delete from the database the "
                                               "100 shares of T3 you bought on 1/15/2003?"));
        QCOMPARE(boxes[0].buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(boxes[0].icon, Dialogs::Icon::Exclamation);
        QCOMPARE(w.file(), stored);
        QCOMPARE(w.enabled(), buttons);
        QCOMPARE(w.counter(), QStringLiteral("3 of 3"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theQuestionCountsRoundedShares_data()
    {
        QTest::addColumn<double>("shares");
        QTest::addColumn<QString>("words");
        QTest::newRow("one") << 1.0 << "the 1 share of";
        QTest::newRow("none") << 0.0 << "the 0 shares of";
        QTest::newRow("two") << 2.0 << "the 2 shares of";
        QTest::newRow("1.4 rounds to one") << 1.4 << "the 1 share of";
        QTest::newRow("1.5 rounds to two") << 1.5 << "the 2 shares of";
        QTest::newRow("2.5 rounds to even") << 2.5 << "the 2 shares of";
    }
    void theQuestionCountsRoundedShares()
    {
        QFETCH(double, shares);
        QFETCH(QString, words);
        MainWindow w({{"X", "XYZ", shares, QVariant(), 1, "2003-01-15"}});
        w.dialogs.answerNext(Dialogs::Answer::No);
        MainWindow::click(w->cmdDelete);
        const QStringList texts = w.dialogs.takeTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(words + " XYZ you bought on 1/15/2003?"), qPrintable(texts[0]));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void deletingAMiddleLotMakesThePreviousOneCurrent()
    {
        MainWindow w(numberedLots(5));
        MainWindow::clickRow(w->ListView1, 3);
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);
        w.dialogs.takeBoxes();
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 2"));
        QCOMPARE(w.counter(), QStringLiteral("2 of 4"));
        QCOMPARE(MainWindow::names(w->ListView1), QStringLiteral("Lot 1|Lot 2|Lot 4|Lot 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 2);
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Next Delete Split Select"));
        QCOMPARE(w.folder.query("SELECT group_concat(ID) FROM qryStocks"), QStringLiteral("1,2,4,5"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void deletingTheFirstLotMakesTheNewFirstCurrent()
    {
        MainWindow w(numberedLots(3));
        MainWindow::clickRow(w->ListView1, 1);
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);
        w.dialogs.takeBoxes();
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 2"));
        QCOMPARE(w.counter(), QStringLiteral("1 of 2"));
        QCOMPARE(MainWindow::selected(w->ListView1), 1);
        QCOMPARE(w.enabled(), QStringLiteral("New Next Delete Split Select"));   // two left: no Find
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void deletingTheOnlyLotStartsANewOne()
    {
        MainWindow w(numberedLots(1));
        MainWindow::click(w->cmdSelect);
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);
        w.dialogs.takeBoxes();
        QCOMPARE(w.fields(), QStringLiteral("|||||"));
        QCOMPARE(w.counter(), QStringLiteral("0 of 0"));
        QVERIFY(w->txtFields[kName1]->hasFocus());
        QCOMPARE(w.enabled(), QStringLiteral("Select"));
        QCOMPARE(w->ListView1->lots()->rows(), 0);
        QCOMPARE(w->ListView2->lots()->rows(), 0);
        QCOMPARE(w->Data1().EditMode(), int(kEditAdd));
        QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("0"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aSelectedLotLeavesBothLists()
    {
        MainWindow w(numberedLots(4));
        MainWindow::clickRow(w->ListView1, 2);
        MainWindow::click(w->cmdSelect);
        MainWindow::clickRow(w->ListView1, 4);
        MainWindow::click(w->cmdSelect);
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);   // lot 4
        w.dialogs.takeBoxes();
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 2"));
        QVERIFY(w->cmddeselect->isEnabled());
        MainWindow::clickRow(w->ListView1, 2);
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);   // lot 2, the last selected one
        w.dialogs.takeBoxes();
        QCOMPARE(w->ListView2->lots()->rows(), 0);
        QVERIFY(!w->cmddeselect->isEnabled());
        QCOMPARE(MainWindow::names(w->ListView1), QStringLiteral("Lot 1|Lot 3"));
        QCOMPARE(w.counter(), QStringLiteral("1 of 2"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // The question names the lot the file holds, so text typed into the
    // boxes, valid or not, neither blocks the delete nor misnames the lot.
    void unsavedChangesNeverBlockADelete()
    {
        MainWindow w(numberedLots(2));
        w.retype(kPrice, "not a price");
        w.retype(kNumShares, "many");
        w.retype(kTradeDate, "13/1/2004");
        w.retype(kTicker, "OTHER");
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);
        QCOMPARE(w.dialogs.takeTexts(),
                 QStringList{"Are you sure you want to PERMENANTLY delete from the database the "
                             "100 shares of T2 you bought on 1/15/2003?"});
        QCOMPARE(w.counter(), QStringLiteral("1 of 1"));
        QCOMPARE(w.fields(), QStringLiteral("Lot 1|T1|100|$10.0000|$1,000.00|1/15/2003"));
        QCOMPARE(w.folder.query("SELECT group_concat(ID) FROM qryStocks"), QStringLiteral("1"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(DeletingTest)
#include "tst_deleting.moc"
