// Importing brokers' files through the main window: Ctrl+I, the file dialog, the preview, the
// message, then the ledger read back with SQLite, the lists, and the copies in "Tesmo backups".
#include "support/ImportPreview.h"
#include "support/MainWindow.h"

#include "store/Backup.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMimeData>
#include <QTableView>
#include <sqlite3.h>

using namespace tesmo;
using namespace tesmo::test;

static QString sample(const QString &name)
{
    return QStringLiteral(TESMO_IMPORT_SAMPLES "/") + name;
}

const QString kLotsAfter3 = QStringLiteral(
    "SELECT ID, ifnull(Name1, 'NULL'), Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks WHERE ID > 3");

static QStringList backupsIn(const LedgerFolder &folder, backup::Kind kind)
{
    return backup::backups(backup::folderOf(folder.file()), kind);
}

// Drags a file over a widget and drops it there, as the mouse does; whether
// the drag and the drop were taken.
static bool dropFile(QWidget *on, const QString &path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    mime.setText(path);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &drop);
    return drop.isAccepted();
}

class ImportingTest : public QObject {
    Q_OBJECT

private slots:
    // Each sample file imported at once: the closing message, the lots after the ledger's three,
    // the last current while the message is up, the copy made before; again, nothing is new.
    void pressingImportAtOnce()
    {
        const struct {
            QString file, existing /* ticker,shares,price,net,YYYY-MM-DD of the third stored lot */,
                message /* %1: the file's path */, stored /* the lots added */;
        } cases[] = {
            {"brokerage_a.csv", "aapl,10,185.64,1856.42,2024-01-03",
             "3 lots imported; 1 was already in the ledger; 1 sale was left out; 1 row was not a purchase; 1 row was "
             "refused.",
             "4,BERKSHIRE HATHAWAY INC, CL B,BRK/B,5.0,357.1,1785.5,2024-01-04|"
             "5,VANGUARD TOTAL STOCK MKT,VTI,0.091,234.4,21.33,2024-01-08|6,APPLE INC,AAPL,1.0,185.0,185.0,2024-01-11"},
            {"broker_b.csv", "SCHD,100,76.815,7681.5,2024-01-29",
             "2 lots imported; 1 was already in the ledger; 1 was twice in the file; 1 sale was left out; 1 row was not "
             "a purchase.",
             "4,NVIDIA CORP,nvda,2.0,610.0,1220.65,2024-01-26|5,SCHWAB S&P 500 INDEX,SWPPX,1.234,72.1,88.97,2024-01-25"},
            {"broker_c.csv", "SAP,10,120.5,1205,2023-05-03",
             "3 lots imported; 1 sale was left out; 1 row was not a purchase.",
             QStringLiteral("4,Nestl\u00e9 SA,NESN,12.0,108.42,1301.04,2023-03-15|5,SAP SE,SAP,10.0,120.5,1205.0,"
                            "2023-05-02|6,ASML Holding,ASML,2.0,612.3,1224.6,2023-07-03")},
            {"uk_pence.csv", "", "3 lots imported; 1 row whose figures disagree was left out.",
             "4,Lloyds Banking Group,LLOY,500.0,0.51,255.0,2024-04-03|5,Tesco,TSCO,100.0,2.855,285.5,2024-06-05|"
             "6,BP,BP.,40.0,4.8,192.0,2024-05-06"},
            {"actions.csv", "",
             "2 lots imported; 2 purchases that the file cancels were left out; 1 sale was left out; 2 rows were not "
             "purchases.",
             "4,NVIDIA CORP,NVDA,1.0,600.0,600.0,2024-01-23|5,VANGUARD TOTAL,VTI,0.5,230.0,115.0,2024-01-24"},
            {"no_action.csv", "", "2 lots imported; 2 sales were left out.",
             "4,NULL,IBM,10.0,180.0,1800.0,2024-02-01|5,NULL,KO,20.0,60.0,1200.0,2024-02-05"},
            {"empty.csv", "", "No lots can be imported from %1: the file is empty.", ""},
            {"image.csv", "",
             "No lots can be imported from %1: the file holds no text, as a broker's CSV file does (it may be an "
             "image, a workbook or another program's file).", ""},
            {"no_quantity.csv", "",
             "No lots can be imported from %1: the headings on line 1 name no quantity column (\"Quantity\", "
             "\"Shares\", \"Qty\" or \"Units\").", ""},
            {"german.csv", "",
             "No lots can be imported from %1: no line of it names its columns in words that Tesmo reads: a ticker "
             "column (\"Symbol\", \"Ticker\" or \"Ticker Symbol\"), a quantity column (\"Quantity\", \"Shares\", "
             "\"Qty\" or \"Units\") and a date column (\"Trade Date\", \"Date\", \"Transaction Date\", \"Run "
             "Date\" or \"Settlement Date\").", ""},
        };
        for (const auto &c : cases) {
            NAME_THE_CASE(c.file);
            std::vector<NewLot> lots = numberedLots(3);
            if (!c.existing.isEmpty()) {
                const QStringList e = c.existing.split(u',');
                lots.back() = {"Stored", e[0], e[1].toDouble(), e[2].toDouble(), e[3].toDouble(), e[4]};
            }
            MainWindow w(lots);
            QTRY_COMPARE(backupsIn(w.folder, backup::Kind::Daily).size(), 1);   // the copy of the day
            w.dialogs.chooseNext(sample(c.file));
            PreviewAnswer preview(PreviewAnswer::import);
            QString behindMessage;   // the counter and the selected row while the message is up
            w.dialogs.whileShown = [&](const QString &) {
                behindMessage = w.counter() + QStringLiteral(" row %1").arg(w.selected(1));
            };
            w.ctrlKey(Qt::Key_I);
            w.dialogs.whileShown = nullptr;
            QCOMPARE(w.dialogs.takeTexts(),
                     c.message.isEmpty() ? QStringList() : QStringList{QString(c.message).replace("%1", sample(c.file))});
            QCOMPARE(w.folder.query(kLotsAfter3), c.stored);
            const QStringList copies = backupsIn(w.folder, backup::Kind::BeforeImport);
            QCOMPARE(copies.size(), c.stored.isEmpty() ? 0 : 1);
            if (c.stored.isEmpty()) {
                QCOMPARE(w.rows(1), 3);
                continue;
            }
            const QStringList last = c.stored.split(u'|').last().split(u',');
            const int all = 4 + int(c.stored.count(u'|'));
            QCOMPARE(w.rows(1), all);
            QCOMPARE(behindMessage, QStringLiteral("%1 of %1 row %1").arg(all));
            QCOMPARE(w.box(kID)->text() + " " + w.box(kTicker)->text(), last.first() + " " + last[last.size() - 5]);
            QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Delete Split Select"));
            QCOMPARE(LedgerFolder::queryFile(backup::folderOf(w.folder.file()) + u'/' + copies.first(),
                                             "SELECT group_concat(ID || ',' || Ticker, '|') FROM qryStocks"),
                     QStringLiteral("1,T1|2,T2|3,") + lots.back().ticker);

            const QString after = w.file();
            w.dialogs.chooseNext(sample(c.file));
            PreviewAnswer again([](QDialog &d) {
                QVERIFY(!d.findChild<QPushButton *>("import")->isEnabled());
                QVERIFY(d.findChild<QLabel *>("counts")->text().contains("New: 0 "));
                QTest::keyClick(d.findChild<QTableView *>("rows"), Qt::Key_Escape);
            });
            w.ctrlKey(Qt::Key_I);
            QVERIFY(again.shown());
            QCOMPARE(w.file(), after);
        }
    }

    // A sale in the file shows the lots it takes from (the ledger's and the file's own) and is
    // recorded only when ticked; again, it is already in the ledger. A sale that another program's
    // change leaves uncovered by the time of the write refuses the whole import.
    void aSaleInTheFileIsRecordedWhenTicked()
    {
        MainWindow w({{"Old", "sap", 2, 100, 200, "2023-01-10"}, {"Apple", "AAPL", 10, 150, 1500, "2024-01-02"}});
        const auto sellRow = [&](int row, const std::function<void(QTableView *)> &before = {}) {
            return PreviewAnswer([&w, row, before](QDialog &d) {
                auto *rows = d.findChild<QTableView *>("rows");
                const QModelIndex line = rows->model()->index(row, 0);
                QCOMPARE(line.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
                if (before)
                    before(rows);
                rows->setCurrentIndex(line);
                QTest::keyClick(rows, Qt::Key_Space);
                QCOMPARE(line.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
                PreviewAnswer::import(d);
            });
        };
        QString status;
        w.dialogs.chooseNext(sample("broker_b.csv"));
        PreviewAnswer refused = sellRow(4, [&](QTableView *rows) {
            status = rows->model()->index(4, 1).data().toString();
            w.folder.query("UPDATE Lots SET NumShares = 4, NetAmount = 600 WHERE Ticker = 'AAPL'");
        });
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(status, QStringLiteral("Sale: from lot 2"));
        QCOMPARE(w.dialogs.takeTexts(),
                 QStringList{"No lots were imported. The sale on line 8 can no longer be recorded as the preview "
                             "showed it, since another program changed the ledger: only 4 shares of AAPL were held "
                             "on 1/24/2024."});
        QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("2"));

        w.dialogs.chooseNext(sample("broker_c.csv"));
        PreviewAnswer sold = sellRow(2, [&](QTableView *rows) { status = rows->model()->index(2, 1).data().toString(); });
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(status, QStringLiteral("Sale: from lot 1 and this file's line 3"));
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"3 lots imported; 1 sale recorded; 1 row was not a purchase."});
        QCOMPARE(w.folder.query("SELECT group_concat(ID || ' ' || Ticker || ' ' || NumShares || ' ' || NetAmount, '|') "
                                "FROM qryStocks"),
                 QStringLiteral("2 AAPL 4.0 600.0|3 NESN 12.0 1301.04|4 SAP 7.0 843.5|5 ASML 2.0 1224.6"));
        QCOMPARE(w.folder.query("SELECT group_concat(printf('%d %s %g %s %s %.2f %.2f %.2f %s', LotID, Ticker, "
                                "NumShares, Acquired, Sold, Proceeds, CostBasis, Gain, Term), '|') FROM qrySales"),
                 QStringLiteral("1 sap 2 2023-01-10 2023-06-21 260.20 200.00 60.20 Short|"
                                "4 SAP 3 2023-05-02 2023-06-21 390.30 361.50 28.80 Short"));
        QCOMPARE(w.column(1, 1), QStringLiteral("AAPL|NESN|SAP|ASML"));
        QCOMPARE(w.counter(), QStringLiteral("4 of 4"));

        // Read again, the lot sold in part is in the ledger as it was bought, as is the sale.
        w.dialogs.chooseNext(sample("broker_c.csv"));
        QStringList statuses;
        PreviewAnswer again([&](QDialog &d) {
            for (const int row : {0, 1, 2})
                statuses << d.findChild<QTableView *>("rows")->model()->index(row, 1).data().toString();
            PreviewAnswer::cancel(d);
        });
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(statuses, QStringList(3, QStringLiteral("Already in the ledger")));
    }

    // Pending changes: a refusal by the rules cancels the import before a file is asked for; valid
    // changes are stored first.
    void pendingChangesAreHandledFirst()
    {
        MainWindow w(numberedLots(3));
        w.retype(kNumShares, "many");
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"Please Enter Number of Shares as a Number"});
        QCOMPARE(w.dialogs.fileDialogs, 0);
        QCOMPARE(w.folder.query("SELECT NumShares FROM Lots WHERE ID = 3"), QStringLiteral("100.0"));

        w.retype(kNumShares, "150");
        w.dialogs.chooseNext(QString());   // Cancel in the file dialog
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(w.dialogs.fileDialogs, 1);
        QCOMPARE(w.folder.query("SELECT NumShares FROM Lots WHERE ID = 3"), QStringLiteral("150.0"));
        QCOMPARE(w.counter() + " " + w.enabled(), QStringLiteral("3 of 3 New Find Previous Delete Split Select"));

        // While a new lot is pending, the import is not offered, as New is not.
        w.click("cmdAdd");
        w.ctrlKey(Qt::Key_I);
        QCOMPARE(w.dialogs.fileDialogs, 1);
    }

    // The master list's context menu: right button, Shift+F10.
    void theContextMenuImportsToo()
    {
        MainWindow w(numberedLots(2));
        QAbstractItemView *list = w.list(1);
        const struct {
            const char *name;
            std::function<void()> open;
        } ways[] = {
            {"right button",
             [&] {
                 const QPoint at = list->visualRect(list->model()->index(0, 0)).center();
                 QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
                 QApplication::sendEvent(list->viewport(), &event);
             }},
            {"Shift+F10", [&] { w.listKey(1, Qt::Key_F10, Qt::ShiftModifier); }},
        };
        for (const auto &way : ways) {
            w.dialogs.chooseNext(QString());
            QCOMPARE(chooseFromMenu(way.open), QStringLiteral("Import Lots from File..."));
            QVERIFY2(w.dialogs.fileDialogs == 1, way.name);
            w.dialogs.fileDialogs = 0;
        }
    }

    // Another program holding the ledger locked lets no lot in, and the message says why. Another
    // copy of Tesmo that imports the same file while the preview is open stores its lots once.
    void anotherProgramAtTheLedger()
    {
        MainWindow w(numberedLots(2));
        // Ctrl+I on broker_c.csv while another program holds a lock against writers, or readers too.
        const auto importWhileLocked = [&](const char *lock) {
            sqlite3 *other = nullptr;
            sqlite3_open(w.folder.file().toUtf8().constData(), &other);
            const QByteArray begin = QByteArray("BEGIN ") + lock + "; UPDATE Lots SET Name1 = Name1";
            QCOMPARE(sqlite3_exec(other, begin.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            w.dialogs.chooseNext(sample("broker_c.csv"));
            PreviewAnswer preview(PreviewAnswer::import);
            w.ctrlKey(Qt::Key_I);
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
            QCOMPARE(preview.shown(), QByteArray(lock) == "IMMEDIATE");
            QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("2"));
            QCOMPARE(w.counter() + " " + QString::number(w.rows(1)), QStringLiteral("2 of 2 2"));
        };
        importWhileLocked("IMMEDIATE");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"No lots were imported. Another program holds the ledger file "
                                                    "locked; close it and import again."});
        QCOMPARE(backupsIn(w.folder, backup::Kind::BeforeImport).size(), 1);
        // Locked before the import starts: the same words, before any preview.
        importWhileLocked("EXCLUSIVE");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"No lots can be imported. Another program holds the ledger file "
                                                    "locked; close it and import again."});

        ScriptedDialogs otherDialogs;
        frmStocks other(Platform{otherDialogs, w.shell, w.office});
        other.open();
        other.show();
        w.dialogs.chooseNext(sample("broker_c.csv"));
        PreviewAnswer preview([&](QDialog &d) {
            // The other copy's preview of the file, and its Import first.
            PreviewAnswer otherPreview(PreviewAnswer::import, "ImportLots", &other);
            dropFile(&other, sample("broker_c.csv"));
            QTRY_COMPARE(otherDialogs.shown(), 1);
            PreviewAnswer::import(d);
        }, "ImportLots", w.window.get());
        w.ctrlKey(Qt::Key_I);
        QVERIFY(preview.shown());
        QCOMPARE(otherDialogs.takeTexts(), QStringList{"3 lots imported; 1 sale was left out; 1 row was not a purchase."});
        QCOMPARE(w.dialogs.takeTexts(),
                 QStringList{"0 lots imported; 3 were stored by another program meanwhile; 1 sale was left out; 1 row was not a "
                             "purchase."});
        QCOMPARE(w.folder.query("SELECT group_concat(Ticker) FROM qryStocks"), QStringLiteral("T1,T2,NESN,SAP,ASML"));
        QCOMPARE(w.rows(1), 2);
    }

    // Cancel in the progress of reading the file, or of writing the lots, imports nothing.
    void cancellingImportsNothing()
    {
        MainWindow w(numberedLots(2));
        const QString before = w.file();
        w.dialogs.chooseNext(sample("broker_b.csv"));
        w.dialogs.cancelAt = 0;
        {
            PreviewAnswer notShown(PreviewAnswer::import);
            w.ctrlKey(Qt::Key_I);
            QTest::qWait(50);
            QVERIFY(!notShown.shown());
        }
        QCOMPARE(w.dialogs.progresses.size(), std::size_t(1));
        QVERIFY(w.dialogs.progresses.back().label.startsWith("Reading broker_b.csv"));

        w.dialogs.chooseNext(sample("broker_b.csv"));
        PreviewAnswer preview([&](QDialog &d) {
            w.dialogs.cancelAt = 0;   // in the writing's progress
            PreviewAnswer::import(d);
        });
        w.ctrlKey(Qt::Key_I);
        QVERIFY(preview.shown());
        QCOMPARE(w.dialogs.progresses.back().label, QStringLiteral("Importing 3 lots..."));
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"The import was cancelled; no lots were imported."});
        QCOMPARE(w.file(), before);
        QCOMPARE(w.counter() + " " + QString::number(w.rows(1)), QStringLiteral("2 of 2 2"));
    }

    // A moment after start-up the daily copy is made (the import's table
    // waits for it); a copy that cannot be made is told once.
    void aDailyCopyThatCannotBeMadeIsTold()
    {
        LedgerFolder blocked(numberedLots(1));
        QFile blocker(backup::folderOf(blocked.file()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ScriptedDialogs dialogs;
        RecordingShell shell;
        RecordingOffice office;
        frmStocks window(Platform{dialogs, shell, office});
        window.open();
        QTRY_COMPARE(dialogs.shown(), 1);
        QVERIFY(dialogs.takeTexts().first().startsWith(
            "Tesmo could not make its daily copy of the ledger in \"Tesmo backups\". The folder "));
    }
};

QTEST_MAIN(ImportingTest)
#include "tst_importing.moc"
