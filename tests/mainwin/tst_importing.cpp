// Importing brokers' files through the main window: Ctrl+I, the file dialog, the preview, the
// message, then the ledger read back with SQLite, the lists, and the copies in "Tesmo backups";
// a file's sales recorded with its lots.
#include "support/Corpus.h"
#include "support/ImportPreview.h"
#include "support/MainWindow.h"
#include "support/TextBinding.h"

#include "import/LedgerImport.h"
#include "import/LotImport.h"
#include "store/Backup.h"
#include "store/Schema.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTableView>
#include <sqlite3.h>

using namespace tesmo;
using namespace tesmo::test;

static QString sample(const QString &name)
{
    return QStringLiteral(TESMO_IMPORT_CORPUS "/") + name;
}

// The lots after the first, one a line: name|ticker|shares|price|net|YYYY-MM-DD, the numbers as
// the corpus writes the new rows' figures when read as numbers.
const QString kLotsAfterTheFirst = QStringLiteral(
    "SELECT ifnull(group_concat(printf('%s|%s|%.6f|%s|%s|%s', ifnull(Name1, ''), Ticker, NumShares, "
    "iif(Price IS NULL, '', printf('%.4f', Price)), iif(NetAmount IS NULL, '', printf('%.4f', NetAmount)), "
    "TradeDate), char(10)), '') "
    "FROM qryStocks WHERE ID > 1");

// The new rows of a corpus file as kLotsAfterTheFirst reads their lots.
static QString newLots(const QStringList &rows)
{
    QStringList lots;
    for (const QString &row : rows) {
        if (row.section(u' ', 1, 1) != u"New")
            continue;
        QStringList f = row.section(u' ', 2).split(u'|');
        const auto figure = [](const QString &t, int decimals) { return t.isEmpty() ? t : QString::number(t.toDouble(), 'f', decimals); };
        lots << QStringList{f[0], f[1], figure(f[2], 6), figure(f[3], 4), figure(f[4], 4),
                            QDate::fromString(f[5], QStringLiteral("M/d/yyyy")).toString(Qt::ISODate)}
                    .join(u'|');
    }
    return lots.join(u'\n');
}

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
    // Every file of the corpus imported at once (into a ledger that keeps the choices its block
    // remembers for its layout), read back with SQLite: what it stores is its new rows, nothing
    // while it asks; the last lot is current behind the message, and the ledger was
    // copied before. Then, every lot it stored edited and split and its last deleted, the file
    // again adds nothing: its rows are in the ledger, the last one deleted from it.
    void pressingImportAtOnceStoresWhatTheCorpusSays()
    {
        for (const test::CorpusFile &f : test::corpus()) {
            NAME_THE_CASE(f.name);
            MainWindow w(numberedLots(1));
            if (!f.remembered.isEmpty()) {
                QFile file(f.path());
                QVERIFY(file.open(QIODevice::ReadOnly));
                LotImport read;
                read.read(file);
                w.folder.exec(QString::fromStdString(importRecordsSchema())
                              + QStringLiteral("INSERT INTO ImportLayouts VALUES ('%1', '%2', '2024-06-03');")
                                    .arg(read.layoutKey(), f.remembered));
            }
            w.dialogs.chooseNext(f.path());
            PreviewAnswer preview(PreviewAnswer::import);
            QString behindMessage;
            w.dialogs.whileShown = [&](const QString &) { behindMessage = w.counter(); };
            w.ctrlKey(Qt::Key_I);
            w.dialogs.whileShown = nullptr;
            const QString stored = newLots(f.before);
            QCOMPARE(w.folder.query(kLotsAfterTheFirst), stored);
            const QStringList messages = w.dialogs.takeTexts();
            QCOMPARE(messages.size(), f.refused || !stored.isEmpty() ? 1 : 0);
            QCOMPARE(backupsIn(w.folder, backup::Kind::BeforeImport).size(), stored.isEmpty() ? 0 : 1);
            if (stored.isEmpty())
                continue;
            const int all = 2 + int(stored.count(u'\n'));
            QCOMPARE(behindMessage, QStringLiteral("%1 of %1").arg(all));
            QVERIFY(messages.first().startsWith(QStringLiteral("%1 lot").arg(all - 1)));

            w.folder.exec("UPDATE Lots SET NetAmount = NetAmount + 1, NumShares = NumShares * 2 WHERE ID > 1; "
                          "DELETE FROM Lots WHERE ID = (SELECT max(ID) FROM Lots)");
            w.dialogs.chooseNext(f.path());
            QString counts;
            PreviewAnswer again([&](QDialog &d) {
                counts = d.findChild<QLabel *>("counts")->text();
                QVERIFY(!d.findChild<QPushButton *>("import")->isEnabled());
                PreviewAnswer::cancel(d);
            });
            w.ctrlKey(Qt::Key_I);
            QVERIFY2(counts.startsWith(QStringLiteral("New: 0 ")) && counts.contains(u"Deleted from the ledger: 1"),
                     qPrintable(counts));
        }
    }

    // The rows of more lots than one write of their keys holds, each kept with its lot: read
    // back with SQLite, and read again once every lot was edited.
    void theRowsOfManyLotsAreKeptEach()
    {
        MainWindow w(numberedLots(1));
        QTemporaryDir dir;
        QFile file(dir.filePath("many.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Date,Symbol,Quantity,Price\n");
        for (int i = 1; i <= 150; ++i)
            file.write(QStringLiteral("2024-05-%1,T%2,%3,10.00\n").arg(i % 28 + 1).arg(i % 7).arg(i).toLatin1());
        file.close();
        for (int pass = 0; pass < 2; ++pass) {
            w.dialogs.chooseNext(file.fileName());
            QString counts;
            PreviewAnswer preview([&](QDialog &d) {
                counts = d.findChild<QLabel *>("counts")->text();
                PreviewAnswer::import(d);
            });
            w.ctrlKey(Qt::Key_I);
            w.dialogs.takeTexts();
            QCOMPARE(counts.left(8), pass == 0 ? QStringLiteral("New: 150") : QStringLiteral("New: 0  "));
            QCOMPARE(w.folder.query("SELECT count(*), count(DISTINCT RowKey) FROM LotSources JOIN Lots ON ID = LotID"),
                     QStringLiteral("150,150"));
            w.folder.exec("UPDATE Lots SET NetAmount = 1, NumShares = NumShares * 3");
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
        w.dialogs.chooseNext(sample("us-schwab-transactions.csv"));
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

        w.dialogs.chooseNext(sample("eu-windows-1252.csv"));
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
        w.dialogs.chooseNext(sample("eu-windows-1252.csv"));
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
        // Ctrl+I on a Windows-1252 file while another program holds a lock against writers, or readers too.
        const auto importWhileLocked = [&](const char *lock) {
            sqlite3 *other = nullptr;
            sqlite3_open(w.folder.file().toUtf8().constData(), &other);
            const QByteArray begin = QByteArray("BEGIN ") + lock + "; UPDATE Lots SET Name1 = Name1";
            QCOMPARE(sqlite3_exec(other, begin.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            w.dialogs.chooseNext(sample("eu-windows-1252.csv"));
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
        // A table of another program under the name of what imports keep is neither read nor written.
        w.folder.exec("CREATE TABLE LotSources (Anything TEXT)");
        w.dialogs.chooseNext(sample("eu-windows-1252.csv"));
        w.ctrlKey(Qt::Key_I);
        const QString foreign = w.dialogs.takeTexts().value(0);
        QVERIFY2(foreign.contains(u"the import's records are not as Tesmo keeps them"), qPrintable(foreign));
        w.folder.exec("DROP TABLE LotSources");

        ScriptedDialogs otherDialogs;
        frmStocks other(Platform{otherDialogs, w.shell, w.office});
        other.open();
        other.show();
        w.dialogs.chooseNext(sample("eu-windows-1252.csv"));
        PreviewAnswer preview([&](QDialog &d) {
            // The other copy's preview of the file, and its Import first.
            PreviewAnswer otherPreview(PreviewAnswer::import, "ImportLots", &other);
            dropFile(&other, sample("eu-windows-1252.csv"));
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
        w.dialogs.chooseNext(sample("us-schwab-transactions.csv"));
        w.dialogs.cancelAt = 0;
        {
            PreviewAnswer notShown(PreviewAnswer::import);
            w.ctrlKey(Qt::Key_I);
            QTest::qWait(50);
            QVERIFY(!notShown.shown());
        }
        QCOMPARE(w.dialogs.progresses.size(), std::size_t(1));
        QVERIFY(w.dialogs.progresses.back().label.startsWith("Reading us-schwab-transactions.csv"));

        w.dialogs.chooseNext(sample("us-schwab-transactions.csv"));
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

    // The command below the window keeps the choice made for a file's layout with its lots,
    // and the next file of the layout reads with it, asking nothing.
    void aLayoutsChoiceIsKeptForTheNextFile()
    {
        LedgerFolder folder(numberedLots(1));
        TextBinding binding;
        RecordStore store(QStringLiteral("Tesmo.mdb"), binding);
        store.Open();
        const auto read = [&](LedgerImport &import) {
            QFile file(sample("uk-dates-either-way.csv"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            import.read(file, file.fileName());
        };
        LedgerImport first(store);
        read(first);
        QVERIFY(!first.rows().settled());
        ImportChoices chosen = first.rows().choices();
        chosen.dateOrder = DateOrder::DayMonthYear;
        first.rows().setChoices(chosen);
        QCOMPARE(first.write().lots, qsizetype(3));
        LedgerImport next(store);
        read(next);
        QVERIFY(next.rows().settled() && next.rows().choices().dateOrder == DateOrder::DayMonthYear);
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
