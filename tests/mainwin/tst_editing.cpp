// Editing lots in the main window: the edit states and their buttons, what a save stores and
// shows, the rules on leaving a box, and that nothing the user did not change is written.
#include "support/MainWindow.h"

#include <QCryptographicHash>
#include <QFile>

using namespace tesmo;
using namespace tesmo::test;

static QByteArray checksum(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : "";
}

class EditingTest : public QObject {
    Q_OBJECT

private slots:
    void theEditStatesAndTheirButtons()
    {
        MainWindow w(numberedLots(3));
        w.clickRow(1, 2);
        const QString browsing = "New Find Previous Next Delete Split Select";
        QCOMPARE(w.enabled(), browsing);
        w.retype(kName1, "x");
        QCOMPARE(w.enabled(), QStringLiteral("Save New Undo Find Previous Next Delete Split Select"));
        w.key(kTicker, Qt::Key_Escape);
        QCOMPARE(w.fields(), QStringLiteral("Lot 2|T2|100|$10.0000|$2,000.00|1/15/2003"));
        QCOMPARE(w.enabled(), browsing);

        w.click("cmdAdd");
        QCOMPARE(w.fields(), QStringLiteral("|||||"));
        QCOMPARE(w.enabled(), QStringLiteral("Cancel"));
        QVERIFY(!w.list(1)->isEnabled() && !w.list(2)->isEnabled());
        QVERIFY(w.box(kName1)->hasFocus());
        w.retype(kName1, "New lot");
        QCOMPARE(w.enabled(), QStringLiteral("Save Undo"));
        w.click("cmdUndo");
        QCOMPARE(w.fields(), QStringLiteral("|||||"));
        QCOMPARE(w.enabled(), QStringLiteral("Cancel"));
        w.click("cmdUndo");
        QCOMPARE(w.counter(), QStringLiteral("2 of 3"));
        QCOMPARE(w.enabled(), browsing);
    }

    // Showing a lot makes its display texts; only what the user types is a change.
    void valuesNobodyEditedAreNeverRewritten()
    {
        MainWindow w({{"A", "TA", 0.333333, 12.34567, 1250.1234, "2003-01-15"},
                      {"B", "TB", 7, 450000000000.0, 0.004, "2003-01-16"}});
        QCOMPARE(w.fields(), QStringLiteral("B|TB|7|$450,000,000,000.0000|$0.00|1/16/2003"));
        const char *exact = "SELECT Name1, printf('%.17g|%.17g|%.17g', NumShares, Price, NetAmount) FROM Lots";
        const QString values = w.folder.query(exact);
        w.click("cmdPrev");
        QCOMPARE(w.box(kNetAmount)->text(), QStringLiteral("$1,250.12"));
        w.retype(kName1, "Renamed");
        w.click("cmdSave");
        QCOMPARE(w.folder.query(exact), QString(values).replace(QStringLiteral("A,"), QStringLiteral("Renamed,")));

        const QByteArray before = checksum(w.folder.file());
        w.click("cmdNext");
        w.clickRow(1, 1);
        w.listKey(1, Qt::Key_End);
        w.key(kPrice, Qt::Key_Tab);
        QVERIFY(w.window->close());
        QCOMPARE(checksum(w.folder.file()), before);
    }

    // An access key leaves the field first, as a click does: the typed -5 is
    // formatted on the way out, and the rule refuses the formatted text.
    void anAccessKeyLeavesTheFieldBeforeTheRulesRun()
    {
        MainWindow w(numberedLots(2));
        const QString file = w.file();
        w.retype(kPrice, "-5");
        QTest::keyClick(w.window->windowHandle(), Qt::Key_S, Qt::AltModifier);   // as the keyboard sends it
        QTRY_COMPARE(w.dialogs.shown(), 1);   // the click follows the key after a moment
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Please Enter the Price per Share as a Number"});
        QVERIFY(w.box(kPrice)->hasFocus());
        QCOMPARE(w.box(kPrice)->selectedText(), w.box(kPrice)->text());
        QCOMPARE(w.file(), file);
        QCOMPARE(w.enabled(), QStringLiteral("Save New Undo Previous Delete Split Select"));
    }

    void namesAreLimitedInCharacters()
    {
        MainWindow w(numberedLots(1));
        const QString emoji = QString::fromUtf8("😀");
        w.retype(kName1, QString(49, u'a'));
        for (const QString &typed : {emoji, QStringLiteral("b")})   // one key event each, as the keyboard sends them
            QTest::sendKeyEvent(QTest::Click, w.box(kName1), Qt::Key_A, typed, Qt::NoModifier);
        QCOMPARE(w.box(kName1)->text(), QString(49, u'a') + emoji);
        w.click("cmdSave");
        QCOMPARE(w.folder.query("SELECT Name1 FROM Lots"), QString(49, u'a') + emoji);
    }

    // A lot an older tool stored with values the window cannot take is
    // shown with a message and can be left, undone, deleted and closed on.
    void anUnfitLotNeverTrapsTheWindow()
    {
        MainWindow w({}, true, QString(kPastTheChecks) + "INSERT INTO Lots VALUES (1, 'Fine', 'F', 1, 1, 1, '2003-01-15'),"
                     " (2, 'Odd', 'Z', 3000000000, 1, NULL, '0000-01-01'), (3, 'Inf', 'I', 9e999, 1, 1, '2003-01-15')");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"This lot holds a value that Tesmo cannot take as it is stored "
                                                    "(Trade Date). Correct it and save the lot, or delete the lot."});
        w.retype(kName1, "x");
        w.key(kName1, Qt::Key_Escape);
        QCOMPARE(w.box(kName1)->text(), QStringLiteral("Odd"));
        w.click("cmdNext");
        QCOMPARE(w.dialogs.takeTexts().size(), 1);   // told about the infinite shares
        for (const char *lot : {"Infinity shares of I you bought on 1/15/2003",
                                "3000000000 shares of Z you bought on 0000-01-01"}) {
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            w.click("cmdDelete");
            QCOMPARE(w.dialogs.takeTexts().first(),
                     "Are you sure you want to PERMENANTLY delete from the database the " + QString(lot) + "?");
        }
        QCOMPARE(w.folder.query("SELECT group_concat(ID) FROM Lots"), QStringLiteral("1"));
        QVERIFY(w.window->close());
    }

    // A delete that another program's change or removal refuses leaves the window showing the
    // ledger as it is stored, so that what the message says can be done with what is enabled; so
    // does every move onto a lot another program changed.
    void aRefusedDeleteShowsTheLotAsStored()
    {
        MainWindow w(numberedLots(3));
        w.clickRow(1, 2);
        w.folder.exec("UPDATE Lots SET NumShares = 12 WHERE ID = 2");
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        w.click("cmdDelete");
        QVERIFY(w.dialogs.takeTexts().last().contains(u"so it was not deleted"));
        QCOMPARE(w.fields(), QStringLiteral("Lot 2|T2|12|$10.0000|$2,000.00|1/15/2003"));
        QCOMPARE(w.column(1, 4), QStringLiteral("100|12|100"));
        QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("3"));

        w.folder.exec("DELETE FROM Lots WHERE ID = 2");
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        w.click("cmdDelete");
        const QStringList gone = w.dialogs.takeTexts();
        QVERIFY(gone.size() == 3 && gone[1].contains(u"so nothing was deleted") && gone[2].contains(u"taken out of"));
        QCOMPARE(w.rows(1), 2);
        QCOMPARE(w.counter(), QStringLiteral("1 of 2"));
        QCOMPARE(w.folder.query("SELECT group_concat(ID) FROM Lots"), QStringLiteral("1,3"));
        // A lot read again on a move is what its row shows too.
        w.folder.exec("UPDATE Lots SET Name1 = 'Renamed' WHERE ID = 3");
        w.click("cmdNext");
        QCOMPARE(w.box(kName1)->text() + "|" + w.column(1), QStringLiteral("Renamed|Lot 1|Renamed"));
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
