// The main window as it opens, the selection list, and the focus when the
// window becomes active again. The random walk covers the master list.
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstLotAndTheCommands()
    {
        const struct {
            int lots;
            QList<int> emptyNet;
            QString counter, enabled;
            bool focusInNetAmount;
        } cases[] = {
            {0, {}, "0 of 0", "", false},
            {1, {1}, "1 of 1", "New Delete Split Select", false},
            {2, {}, "2 of 2", "New Previous Delete Split Select", false},
            {5, {2, 4}, "2 of 5", "New Find Previous Next Delete Split Select", true},
            {60, {45}, "45 of 60", "New Find Previous Next Delete Split Select", true},   // shown in the list
        };
        for (const auto &c : cases) {
            NAME_THE_CASE(QString::number(c.lots) + " lots");
            MainWindow w(numberedLots(c.lots, c.emptyNet));
            const int current = c.counter.section(' ', 0, 0).toInt();
            QCOMPARE(w.counter(), c.counter);
            QCOMPARE(w.enabled(), c.enabled);
            QCOMPARE(w.selected(1), current);
            QCOMPARE(w.rows(1), c.lots);
            QCOMPARE(w.rows(2), 0);
            if (c.lots > 0)
                QCOMPARE(w.fields(), QStringLiteral("Lot %1|T%1|100|$10.0000|%2|1/15/2003").arg(current).arg(
                                         c.emptyNet.contains(current) ? "" : QStringLiteral("$%1,000.00").arg(current)));
            QCOMPARE(w.box(kNetAmount)->hasFocus(), c.focusInNetAmount);
            QCOMPARE(w.cell(1, 1, 5), c.lots ? QStringLiteral("10") : QString());   // plain numbers from the file
            const QAbstractItemView *v = w.list(1);
            QVERIFY(current == 0 || v->visualRect(v->model()->index(current - 1, 0)).intersects(v->viewport()->rect()));
        }
    }

    void theSelectionListKeepsWhatTheUserPicked()
    {
        MainWindow w(numberedLots(4));
        for (int row : {3, 1, 2, 3})   // a lot once only: its row is selected
            w.select(row);
        QCOMPARE(w.column(2), QStringLiteral("Lot 3|Lot 1|Lot 2"));
        QCOMPARE(w.selected(2), 1);
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
    }

    // The focus goes to the empty net amount when the window first becomes
    // active and when it comes back from the split dialog. (After a box, the
    // end-to-end run checks it under a window manager.)
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
