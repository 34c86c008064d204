// The list of selected lots: Select and double clicks add a lot once,
// Deselect and double clicks remove rows, and Deselect's enabled state.
#include "support/Lots.h"
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class SelectingTest : public QObject {
    Q_OBJECT

private slots:
    void lotsJoinInTheOrderTheyAreSelected()
    {
        MainWindow w(numberedLots(5));
        for (int row : {4, 1, 3}) {
            MainWindow::clickRow(w->ListView1, row);
            MainWindow::click(w->cmdSelect);
        }
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 4|Lot 1|Lot 3"));
        QCOMPARE(w->ListView2->lots()->rowTexts(1), w->ListView1->lots()->rowTexts(0));
        QVERIFY(w->cmddeselect->isEnabled());
        QCOMPARE(w.counter(), QStringLiteral("3 of 5"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void selectingALotTwiceSelectsItsRowInstead()
    {
        MainWindow w(numberedLots(3));
        MainWindow::click(w->cmdSelect);          // lot 3
        MainWindow::clickRow(w->ListView1, 1);
        MainWindow::click(w->cmdSelect);          // lot 1
        MainWindow::clickRow(w->ListView1, 3);
        MainWindow::click(w->cmdSelect);          // lot 3 again
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 3|Lot 1"));
        QCOMPARE(MainWindow::selected(w->ListView2), 1);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void doubleClicksAddAndRemove()
    {
        MainWindow w(numberedLots(4));
        MainWindow::clickRow(w->ListView1, 2, true);
        MainWindow::clickRow(w->ListView1, 4, true);
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 2|Lot 4"));
        QCOMPARE(w.counter(), QStringLiteral("4 of 4"));
        MainWindow::clickRow(w->ListView2, 1, true);
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 4"));
        QCOMPARE(w.counter(), QStringLiteral("2 of 4"));   // the click made lot 2 current first
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void deselectRemovesTheSelectedRowsOneAfterAnother()
    {
        MainWindow w(numberedLots(5));
        for (int row : {1, 2, 3, 4}) {
            MainWindow::clickRow(w->ListView1, row);
            MainWindow::click(w->cmdSelect);
        }
        MainWindow::clickRow(w->ListView2, 2);
        MainWindow::click(w->cmddeselect);
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 1|Lot 3|Lot 4"));
        QVERIFY(w->cmddeselect->isEnabled());
        MainWindow::clickRow(w->ListView2, 3);
        MainWindow::click(w->cmddeselect);
        MainWindow::clickRow(w->ListView2, 1);
        MainWindow::click(w->cmddeselect);
        QCOMPARE(MainWindow::names(w->ListView2), QStringLiteral("Lot 3"));
        QVERIFY(w->cmddeselect->isEnabled());
        MainWindow::clickRow(w->ListView2, 1);
        MainWindow::click(w->cmddeselect);
        QCOMPARE(w->ListView2->lots()->rows(), 0);
        QVERIFY(!w->cmddeselect->isEnabled());
        QCOMPARE(MainWindow::names(w->ListView1), QStringLiteral("Lot 1|Lot 2|Lot 3|Lot 4|Lot 5"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void selectingChangesNeitherTheCurrentLotNorTheFile()
    {
        MainWindow w(numberedLots(3));
        const QString stored = w.file();
        w.type(kName1, " typed");
        MainWindow::click(w->cmdSelect);
        QCOMPARE(w->ListView2->lots()->rowTexts(0)[kColName], QStringLiteral("Lot 3"));
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 3 typed"));
        QVERIFY(w->cmdSave->isEnabled());
        QCOMPARE(w.file(), stored);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(SelectingTest)
#include "tst_selecting.moc"
