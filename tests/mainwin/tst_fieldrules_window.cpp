// The field rules as the user meets them: the message of the first broken
// rule, the focus and selection on the offending box, and the currency text
// that leaving a money box brings.
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

namespace {

const std::vector<NewLot> kTwo = {{"Acme", "ACME", 100, 12.5, 1250, "2003-01-15"},
                                  {"Globex", "GBX", 10, 7, 70, "2004-02-29"}};

} // namespace

class FieldRulesWindowTest : public QObject {
    Q_OBJECT

private slots:
    void saveShowsTheFirstBrokenRule_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("shares");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("net");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::addColumn<bool>("selected");

        QTest::newRow("ticker and shares empty") << "" << "" << "" << "" << "1/5/03"
                                                 << "Must Enter a Ticker Symbol" << int(kTicker) << false;
        QTest::newRow("shares empty") << "X" << "" << "" << "" << "1/5/03" << "Must Enter Number of Shares"
                                      << int(kNumShares) << false;
        QTest::newRow("shares grouped") << "X" << "1,000" << "" << "" << "1/5/03"
                                        << "Please Enter Number of Shares as a Number" << int(kNumShares) << true;
        QTest::newRow("shares blank") << "X" << " " << "" << "" << "1/5/03"
                                      << "Please Enter Number of Shares as a Number" << int(kNumShares) << true;
        QTest::newRow("date empty") << "X" << "5" << "" << "" << "" << "Must Enter Trade Date" << int(kTradeDate)
                                    << false;
        QTest::newRow("date with a letter behind")
            << "X" << "5" << "" << "" << "1/5/2003x"
            << "Must Enter the Date According to the Format MM/DD/YY or MM/DD/YYYY" << int(kTradeDate) << true;
        QTest::newRow("no thirtieth of February")
            << "X" << "5" << "" << "" << "2/30/2004"
            << "Must Enter the Date According to the Format MM/DD/YY or MM/DD/YYYY" << int(kTradeDate) << true;
        QTest::newRow("price in words") << "X" << "5" << "ten" << "" << "1/5/03"
                                        << "Please Enter the Price per Share as a Number" << int(kPrice) << true;
        QTest::newRow("empty price, net amount in words")
            << "X" << "5" << "" << "lots" << "01/05/2003" << "Please Enter Net Amount as a Number" << int(kNetAmount)
            << true;
    }
    void saveShowsTheFirstBrokenRule()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, shares);
        QFETCH(QString, price);
        QFETCH(QString, net);
        QFETCH(QString, date);
        QFETCH(QString, message);
        QFETCH(int, focus);
        QFETCH(bool, selected);

        MainWindow w(kTwo);
        const QString before = w.file();
        w.retype(kTicker, ticker);
        w.retype(kNumShares, shares);
        w.retype(kTradeDate, date);
        w.retype(kNetAmount, net);
        w.retype(kPrice, price);
        MainWindow::click(w->cmdSave);

        const auto boxes = w.dialogs.takeBoxes();
        QCOMPARE(boxes.size(), 1);   // the rule's message only, no error box
        QCOMPARE(boxes[0].text, message);
        QCOMPARE(boxes[0].icon, Dialogs::Icon::Information);
        QCOMPARE(boxes[0].title, QStringLiteral("Tesmo"));
        QLineEdit *box = w->txtFields[std::size_t(focus)];
        QVERIFY(box->hasFocus());
        QCOMPARE(box->selectedText(), selected ? box->text() : QString());
        QVERIFY(w->UpdateFailed);
        QVERIFY(w->cmdSave->isEnabled());
        QVERIFY(w->cmdUndo->isEnabled());
        QCOMPARE(w.file(), before);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theNextRuleShowsOnceTheFirstIsMet()
    {
        MainWindow w(kTwo);
        w.retype(kTicker, "");
        w.retype(kNumShares, "");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Must Enter a Ticker Symbol"});
        w.type(kTicker, "NEW");
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Must Enter Number of Shares"});
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void acceptedFormsAreStored_data()
    {
        QTest::addColumn<QString>("shares");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("stored");   // NumShares,Price as the file holds them
        QTest::newRow("grouped price") << "5" << "1,000" << "5.0,1000.0";
        QTest::newRow("price as currency text") << "5" << "$1,000.0000" << "5.0,1000.0";
        QTest::newRow("negative shares") << "-5" << "2" << "-5.0,2.0";
        QTest::newRow("part of a share") << "2.5" << ".5" << "2.5,0.5";
        QTest::newRow("no price") << "+007" << "" << "7.0,NULL";
    }
    void acceptedFormsAreStored()
    {
        QFETCH(QString, shares);
        QFETCH(QString, price);
        QFETCH(QString, stored);
        MainWindow w(kTwo);
        w.retype(kName1, "");
        w.retype(kNumShares, shares);
        w.retype(kPrice, price);
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.dialogs.takeTexts(), QStringList());
        QCOMPARE(w.folder.query("SELECT NumShares, Price FROM qryStocks WHERE ID = 2"), stored);
        QCOMPARE(w.folder.query("SELECT Name1 FROM qryStocks WHERE ID = 2"), QStringLiteral("NULL"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void leavingAMoneyBoxFormatsBoth()
    {
        MainWindow w(kTwo);
        w.retype(kPrice, "1234.5");
        w->txtFields[kNetAmount]->setText(QStringLiteral("250"));   // a plain amount not yet formatted
        w->txtFields[kTradeDate]->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$1,234.5000"));
        QCOMPARE(w->txtFields[kNetAmount]->text(), QStringLiteral("$250.00"));
        QVERIFY(w->cmdSave->isEnabled());
        QVERIFY(w->cmdUndo->isEnabled());

        w.retype(kPrice, ".5");
        w->txtFields[kName1]->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$.5000"));
        w.retype(kPrice, "abc");
        w->txtFields[kName1]->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("abc"));
        // Leaving another box reformats nothing.
        w.retype(kPrice, "3");
        w->txtFields[kTicker]->setFocus(Qt::TabFocusReason);
        w->txtFields[kName1]->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$3.0000"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aRefusedMoveShowsTheRuleThenTheCancelledMove()
    {
        MainWindow w(kTwo);
        w.retype(kTicker, "");
        MainWindow::click(w->cmdPrev);
        QCOMPARE(w.dialogs.takeTexts(),
                 (QStringList{"Must Enter a Ticker Symbol",
                              "3426 - This action was cancelled by an associated object. - Source : frmStocks cmdPrev_Click"}));
        QCOMPARE(w.counter(), QStringLiteral("2 of 2"));
        QCOMPARE(MainWindow::selected(w->ListView1), 2);
        QVERIFY(w->txtFields[kTicker]->hasFocus());
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aNewLotWithEveryBoxEmptyPassesTheRules()
    {
        MainWindow w(kTwo);
        MainWindow::click(w->cmdAdd);
        MainWindow::click(w->cmdUndo);   // Cancel: a bookmark move, no rules
        QCOMPARE(w.dialogs.takeTexts(), QStringList());
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Globex"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(FieldRulesWindowTest)
#include "tst_fieldrules_window.moc"
