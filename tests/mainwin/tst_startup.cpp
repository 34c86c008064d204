// The main window as it opens, the selection list, and the focus when the
// window becomes active again. The random walk covers the master list.
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstLotAndTheCommands_data()
    {
        QTest::addColumn<int>("lots");
        QTest::addColumn<QList<int>>("emptyNet");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<bool>("focusInNetAmount");
        QTest::newRow("empty ledger") << 0 << QList<int>{} << "0 of 0" << "" << false;
        QTest::newRow("one lot") << 1 << QList<int>{1} << "1 of 1" << "New Delete Split Select" << false;
        QTest::newRow("two, none empty: the last") << 2 << QList<int>{} << "2 of 2"
                                                   << "New Previous Delete Split Select" << false;
        QTest::newRow("five, second and fourth empty") << 5 << QList<int>{2, 4} << "2 of 5"
                                                       << "New Find Previous Next Delete Split Select" << true;
    }
    void theFirstLotAndTheCommands()
    {
        QFETCH(int, lots);
        QFETCH(QList<int>, emptyNet);
        QFETCH(QString, counter);
        QFETCH(QString, enabled);
        QFETCH(bool, focusInNetAmount);
        MainWindow w(numberedLots(lots, emptyNet));
        QCOMPARE(w.counter(), counter);
        QCOMPARE(w.enabled(), enabled);
        QCOMPARE(w.selected(1), counter.section(' ', 0, 0).toInt());
        QCOMPARE(w.rows(1), lots);
        QCOMPARE(w.rows(2), 0);
        const int current = counter.section(' ', 0, 0).toInt();
        if (lots > 0)
            QCOMPARE(w.fields(), QStringLiteral("Lot %1|T%1|100|$10.0000|%2|1/15/2003")
                                     .arg(current)
                                     .arg(emptyNet.contains(current) ? QString()
                                                                     : QStringLiteral("$%1,000.00").arg(current)));
        QCOMPARE(w.box(kNetAmount)->hasFocus(), focusInNetAmount);
        QCOMPARE(w.cell(1, 1, 5), lots ? QStringLiteral("10") : QString());   // plain numbers from the file
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theSelectionListKeepsWhatTheUserPicked()
    {
        MainWindow w(numberedLots(4));
        for (int row : {3, 1, 2}) {
            w.clickRow(1, row);
            w.click("cmdSelect");
        }
        w.click("cmdSelect");   // the current lot once only: its row is selected
        QCOMPARE(w.column(2), QStringLiteral("Lot 3|Lot 1|Lot 2"));
        QCOMPARE(w.selected(2), 3);
        w.clickRow(2, 2);
        QCOMPARE(w.counter(), QStringLiteral("1 of 4"));
        QCOMPARE(w.selected(1), 1);
        w.listKey(2, Qt::Key_Down);   // the neighbour in this list, wherever it stands in the master list
        QCOMPARE(w.counter(), QStringLiteral("2 of 4"));
        w.click("cmddeselect");
        QCOMPARE(w.column(2), QStringLiteral("Lot 3|Lot 1"));
        QCOMPARE(w.selected(2), 0);
        w.click("cmddeselect");       // nothing is selected, so nothing goes
        QCOMPARE(w.column(2), QStringLiteral("Lot 3|Lot 1"));
        w.clickRow(2, 1, true);       // a double click removes
        w.clickRow(2, 1, true);
        QCOMPARE(w.rows(2), 0);
        QVERIFY(!w.button("cmddeselect")->isEnabled());
        w.clickRow(1, 4, true);       // and on the master list adds
        QCOMPARE(w.column(2), QStringLiteral("Lot 4"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // The focus goes to the empty net amount when the window first becomes
    // active and when it comes back from the split dialog. (After a box it
    // stays where the box sent it; the end-to-end run checks that under a
    // window manager.)
    void activationFromTheSplitDialogMovesTheFocus()
    {
        MainWindow w(numberedLots(3, {2}));
        QVERIFY(w.box(kNetAmount)->hasFocus());
        w.box(kNumShares)->setFocus();

        w.click("cmdSplit");
        QWidget *split = w.window->findChild<QWidget *>("Split");
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == split; }));
        QTest::mouseClick(split->findChild<QPushButton *>("CancelButton"), Qt::LeftButton);
        w.window->activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == w.window.get());
        QTRY_VERIFY(w.box(kNetAmount)->hasFocus());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
