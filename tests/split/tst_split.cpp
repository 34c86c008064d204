// The stock split dialog: the ratios and what they do to the current lot's
// shares and price, invalid entries, the keys, and a lot that changes while
// the dialog is open.
#include "split/Split.h"
#include "support/Lots.h"
#include "support/MainWindow.h"

#include <QLabel>

using namespace tesmo;
using namespace tesmo::test;

namespace {

const std::vector<NewLot> kLots = {{"Acme", "ACME", 100, 10, 1000, "2003-01-15"},
                                   {"Bare", "BARE", 100, QVariant(), 500, "2003-01-16"}};

} // namespace

class SplitTest : public QObject {
    Q_OBJECT

    static Split *open(MainWindow &w)
    {
        MainWindow::click(w->cmdSplit);
        Split *s = w->splitDialog();
        if (s && !QTest::qWaitForWindowExposed(s))
            return nullptr;
        return s;
    }
    static void enter(QLineEdit *box, const QString &text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // Opens the dialog and types a ratio, without pressing OK.
    static Split *openWith(MainWindow &w, const QString &from, const QString &to)
    {
        Split *s = open(w);
        if (s) {
            enter(s->txtFrom, from);
            enter(s->txtTo, to);
        }
        return s;
    }

private slots:
    void theRatioRescalesSharesAndPrice_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("shares");
        QTest::addColumn<QString>("price");
        QTest::newRow("2 for 1") << 1 << "2" << "1" << "200" << "$5.0000";
        QTest::newRow("1 for 2") << 1 << "1" << "2" << "50" << "$20.0000";
        QTest::newRow("3 for 2") << 1 << "3" << "2" << "150" << "$6.6667";
        QTest::newRow("1 for 3") << 1 << "1" << "3" << "33.3333333333333" << "$30.0000";
        QTest::newRow("+2 for 1") << 1 << "+2" << "1" << "200" << "$5.0000";
        QTest::newRow("no price") << 2 << "2" << "1" << "200" << "";
    }
    void theRatioRescalesSharesAndPrice()
    {
        QFETCH(int, row);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, shares);
        QFETCH(QString, price);
        MainWindow w(kLots);
        MainWindow::clickRow(w->ListView1, row);
        const QString stored = w.file();
        const QString net = w->txtFields[kNetAmount]->text();
        Split *s = openWith(w, from, to);
        QVERIFY(s);
        MainWindow::click(s->OKButton);
        QVERIFY(!w->splitDialog());
        QCOMPARE(w->txtFields[kNumShares]->text(), shares);
        QCOMPARE(w->txtFields[kPrice]->text(), price);
        QCOMPARE(w->txtFields[kNetAmount]->text(), net);
        QVERIFY(w->cmdSave->isEnabled());
        QVERIFY(w->cmdUndo->isEnabled());
        QCOMPARE(w.file(), stored);   // nothing is stored until Save
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.folder.query(qPrintable(QStringLiteral("SELECT NumShares FROM qryStocks WHERE ID = %1").arg(row))),
                 QString::number(shares.toDouble(), 'g', 15) + (shares.contains('.') ? "" : ".0"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void invalidEntriesAreRefusedWithTheFocusOnThem_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("focusFrom");
        QTest::newRow("from 0") << "0" << "1" << true;
        QTest::newRow("to 0.5") << "2" << "0.5" << false;
        QTest::newRow("from in words") << "abc" << "1" << true;
        QTest::newRow("grouped digits") << "1,000" << "1" << true;
        QTest::newRow("leading blank") << " 2" << "1" << true;
        QTest::newRow("negative") << "-2" << "1" << true;
        QTest::newRow("both bad") << "x" << "y" << true;
    }
    void invalidEntriesAreRefusedWithTheFocusOnThem()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, focusFrom);
        MainWindow w(kLots);
        const QString fields = w.fields();
        Split *s = openWith(w, from, to);
        MainWindow::click(s->OKButton);
        const auto boxes = w.dialogs.takeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Invalid Entry"));
        QCOMPARE(boxes[0].icon, Dialogs::Icon::Information);
        QCOMPARE(w->splitDialog(), s);
        QCOMPARE((focusFrom ? s->txtFrom : s->txtTo)->hasFocus(), true);
        QCOMPARE(w.fields(), fields);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void emptyBoxesOnlyTakeTheFocus()
    {
        MainWindow w(kLots);
        Split *s = open(w);
        QCOMPARE(s->windowTitle(), QStringLiteral("Split"));
        QCOMPARE(s->size(), QSize(240, 127));   // 3600 x 1905 twips
        QVERIFY(!s->isModal());
        QVERIFY(s->txtFrom->hasFocus());
        s->txtTo->setFocus();
        MainWindow::click(s->OKButton);
        QVERIFY(s->txtFrom->hasFocus());
        enter(s->txtFrom, "2");
        MainWindow::click(s->OKButton);
        QVERIFY(s->txtTo->hasFocus());
        QCOMPARE(w->splitDialog(), s);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void enterMovesToTheSecondBoxThenApplies()
    {
        MainWindow w(kLots);
        MainWindow::clickRow(w->ListView1, 1);
        Split *s = open(w);
        QTest::keyClicks(s->txtFrom, "2");
        QTest::keyClick(s->txtFrom, Qt::Key_Return);
        QVERIFY(s->txtTo->hasFocus());
        QTest::keyClicks(s->txtTo, "1");
        QTest::keyClick(s->txtTo, Qt::Key_Return);
        QVERIFY(!w->splitDialog());
        QCOMPARE(w->txtFields[kNumShares]->text(), QStringLiteral("200"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void cancelChangesNothing()
    {
        MainWindow w(kLots);
        const QString fields = w.fields();
        Split *s = openWith(w, "2", "1");
        MainWindow::click(s->CancelButton);
        QVERIFY(!w->splitDialog());
        QCOMPARE(w.fields(), fields);
        QVERIFY(!w->cmdSave->isEnabled());
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // OK applies to the lot that is current when it is pressed.
    void okAppliesToTheLotCurrentNow()
    {
        MainWindow w(kLots);
        Split *s = openWith(w, "2", "1");
        MainWindow::clickRow(w->ListView1, 1);
        MainWindow::click(s->OKButton);
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Acme"));
        QCOMPARE(w->txtFields[kNumShares]->text(), QStringLiteral("200"));
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$5.0000"));
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.folder.query("SELECT NumShares, Price FROM qryStocks ORDER BY ID"),
                 QStringLiteral("200.0,5.0|100.0,NULL"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aNewLotWithoutSharesIsLeftAsItWas()
    {
        MainWindow w(kLots);
        Split *s = openWith(w, "2", "1");
        MainWindow::click(w->cmdAdd);
        w.type(kPrice, "10");
        MainWindow::click(s->OKButton);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"13 - Type mismatch - Source: Split OKButton_Click"});
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("10"));   // neither box changed
        QCOMPARE(w->txtFields[kNumShares]->text(), QString());
        QCOMPARE(w->splitDialog(), s);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aDeletedLotIsNeverWrittenByALaterOk()
    {
        MainWindow w(numberedLots(2));
        Split *s = openWith(w, "2", "1");
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        MainWindow::click(w->cmdDelete);   // lot 2 goes; lot 1 is current
        w.dialogs.takeBoxes();
        MainWindow::click(s->OKButton);
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 1"));
        QCOMPARE(w->txtFields[kNumShares]->text(), QStringLiteral("200"));
        MainWindow::click(w->cmdSave);
        QCOMPARE(w.folder.query("SELECT ID, NumShares FROM qryStocks"), QStringLiteral("1,200.0"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(SplitTest)
#include "tst_split.moc"
