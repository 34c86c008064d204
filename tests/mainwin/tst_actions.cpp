// Corporate actions through the main window: Ctrl+K and the Corporate Action dialog by the keys
// alone, then what the file holds, what the window shows and where the focus is; and a broker's
// file's actions ticked in the import's preview, recorded with the file's other rows.
#include "support/ImportPreview.h"
#include "support/MainWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>

using namespace tesmo;
using namespace tesmo::test;

// The window opens on the last lot.
const std::vector<NewLot> kLots = {{"Zeta", "ZETA", 10, 1, 10, "2020-01-01"},
                                   {"Acme Corp", "ACME", 100, 10, 1000, "2020-01-15"},
                                   {"Acme Corp", "ACME", 50, 15, 750, "2021-06-01"}};
const char *const kLotsSql = "SELECT ID, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks";
const QString kUntouched = "1,ZETA,10.0,1.0,10.0,2020-01-01|2,ACME,100.0,10.0,1000.0,2020-01-15|"
                           "3,ACME,50.0,15.0,750.0,2021-06-01";

// Keys to the widget that has the focus: Tab, Enter, Up, Down, Delete and Escape as \t, \n, ↑,
// ↓, ⌦ and ⎋, Alt and a letter as ⌥ and the letter; any other character is typed.
static void press(const QString &keys)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QChar c = keys[i];
        QWidget *focus = QApplication::focusWidget();
        if (c == u'⌥') {
            const auto letter = Qt::Key(Qt::Key_A + (keys[++i].toLower().unicode() - u'a'));
            QTest::keyClick(focus, letter, Qt::AltModifier);
            continue;
        }
        const Qt::Key key = c == u'\t' ? Qt::Key_Tab : c == u'\n' ? Qt::Key_Return : c == u'↑' ? Qt::Key_Up
                          : c == u'↓' ? Qt::Key_Down : c == u'⌦' ? Qt::Key_Delete : c == u'⎋' ? Qt::Key_Escape
                                                                                           : Qt::Key_unknown;
        if (key == Qt::Key_unknown)
            QTest::keyClicks(focus, QString(c));
        else
            QTest::keyClick(focus, key);
    }
}

// The rows of a table of the dialog, cells joined by ",", rows by "|".
static QString rowsOf(QDialog &d, const char *table)
{
    const QAbstractItemModel *m = d.findChild<QTableView *>(table)->model();
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        rows << cells.join(',');
    }
    return rows.join('|');
}

class ActionsTest : public QObject {
    Q_OBJECT

    // Opens the dialog with Ctrl+K and runs step in it, the dialog active; fails unless it showed.
    static void inDialog(MainWindow &w, const std::function<void(QDialog &)> &step)
    {
        PreviewAnswer answer([&](QDialog &d) {
            d.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &d);
            step(d);
        }, "CorporateAction");
        w.ctrlKey(Qt::Key_K);
        QVERIFY(answer.shown());
    }

private slots:
    // A split and a return of capital recorded, an undo refused while a later action holds the
    // split's lots, then both undone from the list: every lot as it was, the window following.
    // Then a ticker change undone: the dialog goes back to the old ticker and records on it; and a
    // merger for cash, which leaves no lot to open the dialog on, undone through the ticker chosen.
    void recordedAndUndoneByKeys()
    {
        MainWindow empty(std::vector<NewLot>{});
        empty.ctrlKey(Qt::Key_K);
        QCOMPARE(empty.dialogs.takeTexts().join("\n"),
                 QStringLiteral("There is no ticker to record an action of: the ledger holds no lots."));

        MainWindow w(kLots);
        inDialog(w, [&](QDialog &d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("Corporate Action"));
            QCOMPARE(d.findChild<QComboBox *>("ticker")->currentText(), QStringLiteral("ACME"));
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("kind"));
            QVERIFY(!d.findChild<QLineEdit *>("newTicker")->isEnabled());
            press("\t6/3/2024\t4 for 1\n");
        });
        QCOMPARE(w.dialogs.takeTexts().join("\n"),
                 QStringLiteral("Split 4 for 1 on 6/3/2024: 2 lots, 150 shares become 600."));
        const QString split = "1,ZETA,10.0,1.0,10.0,2020-01-01|2,ACME,400.0,2.5,1000.0,2020-01-15|"
                              "3,ACME,200.0,3.75,750.0,2021-06-01";
        QCOMPARE(w.folder.query(kLotsSql), split);
        QCOMPARE(w.box(kNumShares)->text(), QStringLiteral("200"));

        // Return of capital, the sixth kind: $3 a share takes lot 2 below its cost.
        inDialog(w, [&](QDialog &) { press("↓↓↓↓↓\t6/10/2024\t3\n"); });
        QVERIFY(w.dialogs.takeTexts().join("\n").startsWith("Return of capital of $3.00 a share on 6/10/2024"));
        const QString returned = "1,ZETA,10.0,1.0,10.0,2020-01-01|2,ACME,400.0,2.5,0.0,2020-01-15|"
                                 "3,ACME,200.0,3.75,150.0,2021-06-01";
        QCOMPARE(w.folder.query(kLotsSql), returned);

        inDialog(w, [&](QDialog &d) {
            QCOMPARE(rowsOf(d, "actions"), QStringLiteral("6/3/2024,Split,4 for 1,2|"
                                                          "6/10/2024,Return of capital,$3.00 a share,2"));
            // The latest chosen, its lots below.
            QCOMPARE(rowsOf(d, "actionLots"),
                     QStringLiteral("2,ACME,1/15/2020,400,400,$1,000.00,$0.00,$200.00|"
                                    "3,ACME,6/1/2021,200,200,$750.00,$150.00,"));
            // The split cannot go while the return of capital holds its lots: its reason, no question.
            press("⌥i↑⌦");
            QVERIFY(d.isVisible());
            const QStringList refused = w.dialogs.takeTexts();
            QCOMPARE(refused.size(), 1);
            QVERIFY2(refused[0].startsWith("The action was not undone."), qPrintable(refused[0]));
            QCOMPARE(w.folder.query(kLotsSql), returned);
            // The latest, then the split.
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            press("↓⌦");
            QCOMPARE(w.folder.query(kLotsSql), split);
            QCOMPARE(rowsOf(d, "actions"), QStringLiteral("6/3/2024,Split,4 for 1,2"));
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            press("⌦");
            QCOMPARE(rowsOf(d, "actions"), QString());
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("actions"));
            press("⎋");
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(w.dialogs.takeTexts().join("\n"),
                 QStringLiteral("Undo the return of capital of $3.00 a share of ACME on 6/10/2024 (2 lots)?\n"
                                "Undo the split 4 for 1 of ACME on 6/3/2024 (2 lots)?"));
        QCOMPARE(w.folder.query(kLotsSql), kUntouched);
        QCOMPARE(w.folder.query("SELECT count(*) FROM Actions"), QStringLiteral("0"));
        QCOMPARE(w.box(kNumShares)->text(), QStringLiteral("50"));
        QCOMPARE(w.cell(1, 3, kColShares), QStringLiteral("50"));

        inDialog(w, [&](QDialog &) { press("↓\t6/3/2024\tWDGT\n"); });
        w.dialogs.takeTexts();
        inDialog(w, [&](QDialog &d) {
            const auto *ticker = d.findChild<QComboBox *>("ticker");
            QVERIFY(ticker);
            QCOMPARE(ticker->currentText(), QStringLiteral("WDGT"));
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            press("⌥i⌦");
            QCOMPARE(ticker->currentText(), QStringLiteral("ACME"));
            press("⌥k\t6/10/2024\t2 for 1\n");
            QVERIFY(!d.isVisible());
        });
        const QString doubled = "1,ZETA,10.0,1.0,10.0,2020-01-01|2,ACME,200.0,5.0,1000.0,2020-01-15|"
                                "3,ACME,100.0,7.5,750.0,2021-06-01";
        QCOMPARE(w.folder.query(kLotsSql), doubled);
        inDialog(w, [&](QDialog &) { press("↓↓↓\t6/17/2024\t20\n"); });
        QCOMPARE(w.folder.query(kLotsSql), QStringLiteral("1,ZETA,10.0,1.0,10.0,2020-01-01"));
        w.dialogs.takeTexts();
        inDialog(w, [&](QDialog &d) {
            QCOMPARE(d.findChild<QComboBox *>("ticker")->currentText(), QStringLiteral("ZETA"));
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            press("⌥e↓⌥i⌦⎋");
        });
        QCOMPARE(w.dialogs.takeTexts().join("\n"),
                 QStringLiteral("Undo the merger of ACME for $20.00 a share on 6/17/2024 (2 lots)?"));
        QCOMPARE(w.folder.query(kLotsSql), doubled);
        QCOMPARE(w.folder.query("SELECT count(*) FROM qrySales"), QStringLiteral("0"));
    }

    // Each refusal names its field in a message, and the focus goes there; the dialog stays and
    // the file is as it was, as it is after a cancel. The keys start in Kind (Split chosen).
    void refusalPutsFocusInItsField()
    {
        const struct {
            const char *name, *keys, *focus;
        } cases[] = {
            {"a ratio of 0", "\t6/3/2024\t0 for 1\n", "ratio"},
            {"a ratio not read", "\t6/3/2024\tfour\n", "ratio"},
            {"a date not read", "\t13/45/2024\t4 for 1\n", "date"},
            {"a date after today", "\t1/1/2099\t4 for 1\n", "date"},
            {"a date before every lot", "\t1/1/2019\t4 for 1\n", "date"},
            {"cash for the fraction below 0", "\t6/3/2024\t1 for 3\t \t-5\n", "fractionCash"},
            {"a new ticker too long", "↓\t6/3/2024\tABCDEFGHIJKL\n", "newTicker"},
            {"a merger for shares and cash", "↓↓\t6/3/2024\t2 for 1\tNEWC\tNew Co\t\t5\n", "cashPerShare"},
            {"a percentage above 100", "↓↓↓↓\t6/3/2024\t1 for 2\tSPIN\tSpin Co\t\t120\n", "percent"},
            {"cash per share below 0", "↓↓↓↓↓\t6/3/2024\t-1\n", "cashPerShare"},
        };
        MainWindow w(kLots);
        for (const auto &c : cases) {
            NAME_THE_CASE(c.name);
            QString focused;
            inDialog(w, [&](QDialog &d) {
                press(QString::fromUtf8(c.keys));
                QVERIFY(d.isVisible());
                focused = QApplication::focusWidget()->objectName();
                press("⎋");
            });
            QCOMPARE(w.dialogs.takeTexts().size(), 1);
            QCOMPARE(focused, QString::fromLatin1(c.focus));
            QCOMPARE(w.folder.query(kLotsSql), kUntouched);
        }
        // Cancel in the progress of an action: nothing recorded, nothing told, the dialog stays.
        w.dialogs.cancelAt = 0;
        inDialog(w, [&](QDialog &d) {
            press("\t6/3/2024\t4 for 1\n");
            QVERIFY(d.isVisible());
            press("⎋");
        });
        QCOMPARE(w.dialogs.takeTexts(), QStringList());
        QCOMPARE(w.folder.query(kLotsSql), kUntouched);
        QCOMPARE(w.dialogs.progresses.size(), std::size_t(1));
        QCOMPARE(w.dialogs.progresses.front().showAfterMs, 500);
    }

    // A file of purchases, sales and a split, the split and the sales ticked: recorded in one
    // transaction in order of date, the split after the sale before it and on the purchase before
    // it; the sale after it waits for it. A split the ledger no longer settles as the preview
    // showed it writes nothing at all.
    void aTickedSplitIsRecordedWithTheFilesOtherRows()
    {
        MainWindow w({{"Acme", "ACME", 100, 10, 1000, "2024-01-02"}});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Date,Action,Symbol,Description,Quantity,Price,Amount\n"
                   "05/01/2024,Buy,ACME,Acme,50,12,-600\n"
                   "05/20/2024,Sell,ACME,Acme,-30,,450\n"
                   "06/14/2024,Stock Split,ACME,Acme,240,,\n"
                   "06/20/2024,Buy,ACME,Acme,10,5,-50\n"
                   "06/21/2024,Sell,ACME,Acme,-60,,600\n");
        file.close();
        const auto ledger = [&] {
            return w.folder.query("SELECT group_concat(ID || ' ' || NumShares || ' ' || Price || ' ' || NetAmount, '|') "
                                  "FROM qryStocks")
                   + u'/' + w.folder.query("SELECT count(*) FROM sqlite_master WHERE name IN ('Sales', 'Actions')");
        };
        QStringList status;
        const auto tickAndImport = [&](const std::function<void()> &meanwhile) {
            return PreviewAnswer([&, meanwhile](QDialog &d) {
                auto *rows = d.findChild<QTableView *>("rows");
                for (const int row : {1, 2, 4}) {   // the split once the sale before it is ticked
                    rows->setCurrentIndex(rows->model()->index(row, 0));
                    QTest::keyClick(rows, Qt::Key_Space);
                    status << rows->model()->index(row, 1).data().toString();
                }
                meanwhile();
                PreviewAnswer::import(d);
            });
        };
        const QString before = ledger();
        w.dialogs.chooseNext(path);
        PreviewAnswer changed = tickAndImport([&] { w.folder.query("UPDATE Lots SET NumShares = 90 WHERE ID = 1"); });
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(status, (QStringList{"Sale: from lot 1", "Action: split 3 for 1 of ACME on 6/14/2024",
                                      "Sale: the action on line 4 comes before it; import that one first"}));
        QCOMPARE(w.dialogs.takeTexts(),
                 QStringList{"No lots were imported. The company's action on line 4 can no longer be recorded as the "
                             "preview showed it, since the ledger changed: it now reads 'split of ACME on 6/14/2024: "
                             "240 shares added to the 110 held make 350, which is no ratio of small whole numbers'."});
        QCOMPARE(ledger(), QString(before).replace(QStringLiteral("1 100.0"), QStringLiteral("1 90.0")));

        w.folder.query("UPDATE Lots SET NumShares = 100 WHERE ID = 1");
        w.dialogs.chooseNext(path);
        PreviewAnswer recorded = tickAndImport([] {});
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(w.dialogs.takeTexts(),
                 QStringList{"2 lots imported; 1 sale recorded; 1 company's action recorded; 1 sale was left out."});
        // Lot 1: 100 less 30 sold, times 3; lot 2 split; lot 3 bought after the split.
        QCOMPARE(ledger(), QStringLiteral("1 210.0 3.3333 700.0|2 150.0 4.0 600.0|3 10.0 5.0 50.0/2"));
        QCOMPARE(w.folder.query("SELECT group_concat(printf('%d %g %s %.2f %.2f', LotID, NumShares, Sold, Proceeds, "
                                "CostBasis), '|') FROM qrySales"),
                 QStringLiteral("1 30 2024-05-20 450.00 300.00"));
        QCOMPARE(w.folder.query("SELECT Kind || ' ' || Ticker || ' ' || Day || ' ' || RatioText || ' ' || "
                                "(SELECT group_concat(LotID || ':' || BeforeShares || '>' || AfterShares, ' ') "
                                "FROM ActionLots WHERE ActionID = Actions.ID) FROM Actions"),
                 QStringLiteral("Split ACME 2024-06-14 3 for 1 1:70.0>210.0 2:50.0>150.0"));
        QCOMPARE(w.column(1, 4), QStringLiteral("210|150|10"));

        // A return of capital over every lot of ACME, and a merger of a lot the same file buys.
        QFile other(dir.filePath(QStringLiteral("later.csv")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("Date,Action,Symbol,Description,Quantity,Price,Amount\n"
                   "07/01/2024,Buy,OLDCO,Oldco,40,5,-200\n"
                   "07/15/2024,Return of capital,ACME,Acme,,,37.00\n"
                   "08/20/2024,Merger,NEWCO,OLDCO MERGED INTO NEWCO,100,,\n");
        other.close();
        w.dialogs.chooseNext(other.fileName());
        status.clear();
        PreviewAnswer others([&](QDialog &d) {
            auto *rows = d.findChild<QTableView *>("rows");
            for (const int row : {1, 2}) {
                rows->setCurrentIndex(rows->model()->index(row, 0));
                QTest::keyClick(rows, Qt::Key_Space);
                status << rows->model()->index(row, 1).data().toString();
            }
            PreviewAnswer::import(d);
        });
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(status, (QStringList{"Action: return of capital of $.1000 a share of ACME on 7/15/2024",
                                      "Action: merger of OLDCO into NEWCO, 5 for 2, on 8/20/2024"}));
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"1 lot imported; 2 company's actions recorded."});
        QCOMPARE(w.folder.query("SELECT group_concat(ID || ' ' || Name1 || ' ' || Ticker || ' ' || NumShares || ' ' || "
                                "NetAmount, '|') FROM qryStocks"),
                 QStringLiteral("1 Acme ACME 210.0 679.0|2 Acme ACME 150.0 585.0|3 Acme ACME 10.0 49.0|"
                                "4 Oldco NEWCO 100.0 200.0"));
        QCOMPARE(w.column(1, 1) + u' ' + w.column(1, 4), QStringLiteral("ACME|ACME|ACME|NEWCO 210|150|10|100"));

        // Read again, the first file's split is the ledger's: it can no longer be ticked.
        w.dialogs.chooseNext(path);
        PreviewAnswer again([&](QDialog &d) {
            const QModelIndex split = d.findChild<QTableView *>("rows")->model()->index(2, 1);
            QCOMPARE(split.data().toString(), QStringLiteral("Action: split of ACME on 6/14/2024: the ledger records the "
                                                             "split of ACME on 6/14/2024, not before it"));
            QVERIFY(!(split.siblingAtColumn(0).flags() & Qt::ItemIsUserCheckable));
            PreviewAnswer::cancel(d);
        });
        w.ctrlKey(Qt::Key_I);
        QVERIFY(again.shown());
    }
};

QTEST_MAIN(ActionsTest)
#include "tst_actions.moc"
