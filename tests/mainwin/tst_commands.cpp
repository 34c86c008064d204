// The commands on the current lot: Delete with its question, and Find by
// ticker with its walk through the lots of one ticker.
#include "support/MainWindow.h"

#include <sqlite3.h>

using namespace tesmo;
using namespace tesmo::test;

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    // Delete asks first (No keeps the lot), naming the shares rounded half to even, "share" for
    // one; Yes moves to a neighbour and empties the selection list, or on the only lot starts a new one.
    void deletingAsksThenMovesToANeighbour()
    {
        const struct {
            int lots, record;
            double shares;
            const char *words, *after;
        } cases[] = {{5, 3, 100, "100 shares", "2 of 4 Lot 2"}, {5, 1, 1.4, "1 share", "1 of 4 Lot 2"},
                     {5, 5, 2.5, "2 shares", "4 of 4 Lot 4"}, {1, 1, 2147483648.0, "2147483648 shares", "0 of 0 "},
                     {1, 1, 1.5, "2 shares", "0 of 0 "}, {1, 1, 0.0, "0 shares", "0 of 0 "}};
        for (const auto &c : cases) {
            NAME_THE_CASE(c.words);
            std::vector<NewLot> lots = numberedLots(c.lots);
            lots[c.record - 1].shares = c.shares;
            MainWindow w(lots);
            w.select(c.record);
            w.dialogs.answerNext(Dialogs::Answer::No);
            w.click("cmdDelete");
            QCOMPARE(w.dialogs.takeBoxes().first().icon, Dialogs::Icon::Exclamation);
            QCOMPARE(w.rows(1), c.lots);
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            w.click("cmdDelete");
            QCOMPARE(w.dialogs.takeTexts(), QStringList{"Are you sure you want to PERMENANTLY delete from the database the "
                                                        + QString(c.words) + QStringLiteral(" of T%1 you bought on 1/15/2003?").arg(c.record)});
            QCOMPARE(w.counter() + " " + w.box(kName1)->text(), c.after);
            QCOMPARE(w.rows(2), 0);
            QVERIFY(!w.button("cmddeselect")->isEnabled());
            QCOMPARE(w.folder.query(QStringLiteral("SELECT count(*) FROM Lots WHERE ID = %1").arg(c.record)), "0");
            QVERIFY(c.lots > 1 || (w.enabled().isEmpty() && w.box(kName1)->hasFocus()));
        }
    }

    // A write that the file refuses, or that another program's lock holds
    // up, keeps the lot and the buttons, and the box says why in words the
    // user can act on; Undo that cannot read the lot again shows it as last
    // read.
    void aFailedWriteKeepsTheLot()
    {
        const QString locked = "3005 - Another program holds the ledger file locked; close it and try again. - ";
        const struct {
            QString other;   // what another program does meanwhile
            const char *button;
            QString box, name;   // the name in the box after it
        } cases[] = {
            {"CREATE TRIGGER NoDelete BEFORE DELETE ON Lots BEGIN SELECT RAISE(ABORT, 'locked'); END", "cmdDelete",
             "3019 - locked -  Source : frmStocks cmdDelete_Click", "Typed"},
            {"BEGIN IMMEDIATE; UPDATE Lots SET Name1 = Name1", "cmdSave", locked + "Source : frmStocks cmdSave_Click",
             "Typed"},
            {"BEGIN EXCLUSIVE; UPDATE Lots SET Name1 = Name1", "cmdUndo", locked + "Source : frmStocks cmdUndo_Click",
             "Lot 3"},
        };
        for (const auto &c : cases) {
            NAME_THE_CASE(c.button);
            MainWindow w(numberedLots(3));
            sqlite3 *db = nullptr;
            sqlite3_open(w.folder.file().toUtf8().constData(), &db);
            QCOMPARE(sqlite3_exec(db, c.other.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            const QString browsing = w.enabled();
            w.retype(kName1, "Typed");
            const QString enabled = w.enabled();
            const bool deleting = c.button == QLatin1String("cmdDelete");
            if (deleting)
                w.dialogs.answerNext(Dialogs::Answer::Yes);
            w.click(c.button);
            sqlite3_close(db);   // a transaction still open is rolled back
            QCOMPARE(w.dialogs.takeTexts().value(deleting ? 1 : 0), c.box);   // after the question
            QCOMPARE(w.box(kName1)->text(), c.name);
            QCOMPARE(w.enabled(), c.name == "Typed" ? enabled : browsing);
            QCOMPARE(w.counter() + " " + QString::number(w.rows(1)), QStringLiteral("3 of 3 3"));
            QCOMPARE(w.folder.query("SELECT Name1 FROM Lots WHERE ID = 3"), QStringLiteral("Lot 3"));
        }
    }

    void findWalksTheLotsOfOneTicker()
    {
        std::vector<NewLot> lots;
        for (const char *ticker : {"ABC", "XYZ", "abc", "ÉTÉ", "O'NEIL"})
            lots.push_back({"Lot", QString::fromUtf8(ticker), 1, 1, 1, "2003-01-15"});
        MainWindow w(lots);
        const auto find = [&](const QString &ticker) {
            w.dialogs.typeNext(ticker);
            w.click("cmdFind");
            return w.counter().section(' ', 0, 0) + w.dialogs.takeTexts().join(QString());
        };
        QCOMPARE(find("abc"), QStringLiteral("1"));
        QCOMPARE(find("ABC"), QStringLiteral("3"));
        QCOMPARE(find("Abc"), QStringLiteral("1"));   // wrapped
        QCOMPARE(find("été"), QStringLiteral("4"));
        QCOMPARE(find("été"), QStringLiteral("4"));   // the only one: stays
        QCOMPARE(find("o'neil"), QStringLiteral("5"));
        QCOMPARE(find("QQQ"), QStringLiteral("5QQQ Not Found"));
        QCOMPARE(w.selected(1), 5);
        const QString enabled = w.enabled();
        QCOMPARE(find(""), QStringLiteral("5"));      // Cancel changes nothing
        QCOMPARE(w.enabled(), enabled);
        const auto input = w.dialogs.takeInputs().first();
        QCOMPARE(input.prompt + "/" + input.title, QStringLiteral("Enter Ticker Symbol/Find"));
    }

    // A lot that another program deleted leaves both lists when a command
    // meets it, with one message, and the command goes on to the lot beyond
    // (the random walk meets such lots with every command).
    void lotsAnotherProgramDeletedLeaveTheLists()
    {
        MainWindow w(numberedLots(6));
        for (int row : {3, 4})
            w.select(row);
        w.clickRow(1, 1);
        w.folder.exec("DELETE FROM qryStocks WHERE ID IN (2, 3)");
        w.click("cmdNext");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"2 lots are no longer in the ledger file: another program deleted "
                                                    "them. They were taken out of the lists."});
        QCOMPARE(w.counter() + " " + w.box(kName1)->text(), QStringLiteral("2 of 4 Lot 4"));
        QCOMPARE(w.column(1), QStringLiteral("Lot 1|Lot 4|Lot 5|Lot 6"));
        QCOMPARE(w.column(2), QStringLiteral("Lot 4"));
        QCOMPARE(w.selected(1), 2);

        w.folder.exec("DELETE FROM qryStocks WHERE ID = 1");
        w.click("cmdPrev");   // nothing before it any more: stays on its own lot
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"The lot with ID 1 is no longer in the ledger file: another "
                                                    "program deleted it. It was taken out of the lists."});
        QCOMPARE(w.counter() + " " + w.box(kName1)->text(), QStringLiteral("1 of 3 Lot 4"));
        QVERIFY(!w.button("cmdPrev")->isEnabled());
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
