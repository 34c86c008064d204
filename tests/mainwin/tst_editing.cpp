// The edit states of the main window: Browsing, Changed, New untouched and
// New typed, every move between them, and Enter and Esc in the edit boxes.
#include "support/Lots.h"
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class EditingTest : public QObject {
    Q_OBJECT

private slots:
    void typingChangesALotAndUndoBringsItBack()
    {
        MainWindow w(numberedLots(3));
        const QString stored = w.file();
        w.type(kName1, " more");
        QCOMPARE(w.enabled(), QStringLiteral("Save New Undo Find Previous Delete Split Select"));
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Undo"));
        MainWindow::click(w->cmdUndo);
        QCOMPARE(w.fields(), QStringLiteral("Lot 3|T3|100|$10.0000|$3,000.00|1/15/2003"));
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Delete Split Select"));

        w.type(kTicker, "X");
        w.key(kTicker, Qt::Key_Escape);   // Esc is Undo
        QCOMPARE(w->txtFields[kTicker]->text(), QStringLiteral("T3"));
        QVERIFY(!w->cmdSave->isEnabled());
        w.key(kName1, Qt::Key_Escape);    // on an unchanged lot: nothing changes
        QCOMPARE(w.fields(), QStringLiteral("Lot 3|T3|100|$10.0000|$3,000.00|1/15/2003"));
        QVERIFY(!w->cmdSave->isEnabled());
        QVERIFY(!w->cmdUndo->isEnabled());
        QCOMPARE(w.file(), stored);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void newStartsAnEmptyLotAndCancelReturnsToTheLotBefore()
    {
        MainWindow w(numberedLots(5));
        MainWindow::clickRow(w->ListView1, 3);
        MainWindow::click(w->cmdSelect);
        const QString before = w.enabled();
        MainWindow::click(w->cmdAdd);
        QCOMPARE(w.fields(), QStringLiteral("|||||"));
        QVERIFY(w->txtFields[kName1]->hasFocus());
        QCOMPARE(w.enabled(), QStringLiteral("Undo"));
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Cancel"));
        QVERIFY(!w->ListView1->isEnabled());
        QVERIFY(!w->ListView2->isEnabled());
        QCOMPARE(w.counter(), QStringLiteral("3 of 5"));

        MainWindow::click(w->cmdUndo);   // Cancel
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 3"));
        QCOMPARE(w.enabled(), before);
        QVERIFY(w->ListView1->isEnabled() && w->ListView2->isEnabled());
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Undo"));
        QCOMPARE(w->Data1().EditMode(), int(kEditNone));
        QCOMPARE(w->Data1().RecordCount(), 5);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void cancelGivesDeselectBackAsTheSelectionListSays()
    {
        MainWindow w(numberedLots(3));
        MainWindow::click(w->cmdSelect);
        MainWindow::click(w->cmddeselect);   // the list is empty again
        MainWindow::click(w->cmdAdd);
        w.key(kName1, Qt::Key_Escape);       // Esc cancels the untouched lot
        QVERIFY(!w->cmddeselect->isEnabled());
        MainWindow::click(w->cmdSelect);
        MainWindow::click(w->cmdAdd);
        MainWindow::click(w->cmdUndo);
        QVERIFY(w->cmddeselect->isEnabled());
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void undoOnATypedNewLotEmptiesItThenCancels()
    {
        MainWindow w(numberedLots(2));
        MainWindow::click(w->cmdAdd);
        w.type(kName1, "Typed");
        QCOMPARE(w.enabled(), QStringLiteral("Save Undo"));
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Undo"));
        MainWindow::click(w->cmdUndo);
        QCOMPARE(w.fields(), QStringLiteral("|||||"));
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Cancel"));
        QVERIFY(w->cmdUndo->isEnabled());
        QVERIFY(!w->cmdSave->isEnabled());
        MainWindow::click(w->cmdUndo);
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 2"));
        QCOMPARE(w->Data1().RecordCount(), 2);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void undoOnTheFirstLotOfAnEmptyLedgerOnlyEmptiesIt()
    {
        MainWindow w({}, false);
        w.type(kTicker, "NEW");
        QCOMPARE(w.enabled(), QStringLiteral("Save Undo"));
        MainWindow::click(w->cmdUndo);
        QCOMPARE(w.fields(), QStringLiteral("|||||"));
        QCOMPARE(w.enabled(), QString());
        QCOMPARE(w->Data1().EditMode(), int(kEditAdd));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void newWritesTheChangesOfTheLotItLeaves()
    {
        MainWindow w(numberedLots(2));
        w.retype(kTicker, "CHG");
        MainWindow::click(w->cmdAdd);
        QCOMPARE(w.folder.query("SELECT Ticker FROM qryStocks WHERE ID = 2"), QStringLiteral("CHG"));
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Cancel"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void newIsRefusedWhileTheChangedLotBreaksARule()
    {
        MainWindow w(numberedLots(2));
        w.retype(kTicker, "");
        MainWindow::click(w->cmdAdd);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Must Enter a Ticker Symbol"});
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Lot 2"));
        QCOMPARE(w.enabled(), QStringLiteral("Save New Undo Previous Delete Split Select"));
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Undo"));
        QVERIFY(w->ListView1->isEnabled());
        QCOMPARE(w.folder.query("SELECT Ticker FROM qryStocks WHERE ID = 2"), QStringLiteral("T2"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void enterWalksTheBoxesAndSavesFromTheTradeDate()
    {
        MainWindow w(numberedLots(1));
        MainWindow::click(w->cmdAdd);
        const char *typed[] = {"Acme", "ACME", "100", "12.5", "1250", "1/15/03"};
        for (int pos = kName1; pos <= kTradeDate; ++pos) {
            QVERIFY2(w->txtFields[std::size_t(pos)]->hasFocus(), qPrintable(QString::number(pos)));
            QTest::keyClicks(w->txtFields[std::size_t(pos)], QString::fromUtf8(typed[pos - 1]));
            QTest::keyClick(w->txtFields[std::size_t(pos)], Qt::Key_Return);
        }
        QCOMPARE(w.folder.query("SELECT * FROM qryStocks WHERE ID = 2"),
                 QStringLiteral("2,Acme,ACME,100.0,12.5,1250.0,2003-01-15"));
        QCOMPARE(w.fields(), QStringLiteral("Acme|ACME|100|$12.5000|$1,250.00|1/15/2003"));
        QCOMPARE(w.counter(), QStringLiteral("2 of 2"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void enterInTheTradeDateSavesEvenWithSaveDisabled()
    {
        MainWindow w(numberedLots(2));
        const QString stored = w.file();
        QVERIFY(!w->cmdSave->isEnabled());
        w.key(kTradeDate, Qt::Key_Enter);
        QCOMPARE(w.counter(), QStringLiteral("2 of 2"));
        QCOMPARE(w.enabled(), QStringLiteral("New Previous Delete Split Select"));
        QCOMPARE(w.file(), stored);
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // The key event of Alt plus a letter reaches the box when no enabled
    // button has that access key; the box must not type the letter.
    void anAccessKeyNoButtonTakesTypesNothing()
    {
        MainWindow w({}, false);   // New, Find and Delete are disabled
        QLineEdit *name = w->txtFields[kName1];
        name->setFocus();
        for (const char *letter : {"n", "f", "d", "q", "N"}) {
            const Qt::KeyboardModifiers mods =
                QChar(QLatin1Char(*letter)).isUpper() ? Qt::AltModifier | Qt::ShiftModifier : Qt::AltModifier;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (QChar(QLatin1Char(*letter)).toLower().unicode() - 'a'),
                            mods, QString::fromLatin1(letter));
            QApplication::sendEvent(name, &press);
        }
        QCOMPARE(name->text(), QString());
        QVERIFY(!w->cmdSave->isEnabled());
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_N, Qt::ShiftModifier, QStringLiteral("N"));
        QApplication::sendEvent(name, &plain);
        QCOMPARE(name->text(), QStringLiteral("N"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
