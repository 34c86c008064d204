// Selling through the main window: Ctrl+L and the Sell Shares dialog by the keys alone, then the
// boxes, the focus, the file's lots and sales, the current lot and the selection list.
#include "support/ImportPreview.h"
#include "support/MainWindow.h"

#include <QTableView>

using namespace tesmo;
using namespace tesmo::test;

const std::vector<NewLot> kLots = {{"Acme Corp", "ACME", 100, 10, 1000, "2020-01-15"},
                                   {"Acme Corp", "ACME", 50, 15, 750, "2021-06-01"},
                                   {"Acme Corp", "ACME", 80, 25, 2000, "2023-03-03"},
                                   {"Zeta", "ZETA", 10, 1, 10, "2020-01-01"}};
const QString kUnsold = "1,100.0,1000.0|2,50.0,750.0|3,80.0,2000.0|4,10.0,10.0";
// A ledger without sales has no sales' view.
const QString kNoSales = "no such table: qrySales";

// Keys to the widget that has the focus: Tab, Enter, Down and Escape as
// \t, \n, ↓ and ⎋; any other character is typed.
static void press(const QString &keys)
{
    for (const QChar c : keys) {
        QWidget *focus = QApplication::focusWidget();
        const Qt::Key key = c == u'\t' ? Qt::Key_Tab : c == u'\n' ? Qt::Key_Return : c == u'↓' ? Qt::Key_Down
                          : c == u'⎋' ? Qt::Key_Escape : Qt::Key_unknown;
        if (key == Qt::Key_unknown)
            QTest::keyClicks(focus, QString(c));
        else
            QTest::keyClick(focus, key);
    }
}

// The control that has the focus; for the lots, with the ID of the current row.
static QString focusName(QDialog &d)
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus || !d.isVisible())
        return {};
    if (auto *lots = qobject_cast<QTableView *>(focus))
        return "lots " + lots->model()->index(lots->currentIndex().row(), 0).data().toString();
    return focus->objectName();
}

class SellingTest : public QObject {
    Q_OBJECT

private slots:
    // Ctrl+L on a ledger without lots, which opens adding its first, says why nothing is sold.
    void nothingToSellSaysWhy()
    {
        MainWindow w(std::vector<NewLot>{});
        w.ctrlKey(Qt::Key_L);
        QCOMPARE(w.dialogs.takeTexts().join("\n"), QStringLiteral("There is nothing to sell: the ledger holds no lots."));
        QCOMPARE(w.folder.query("SELECT count(*) FROM Lots"), QStringLiteral("0"));
    }

    // Each method on the same lots, a refusal for each field (the dialog
    // stays, the focus in the field, Escape leaves the file as it was), and
    // pending changes handled first. The current lot is lot 2, and lots 1
    // and 2 are in the selection list.
    void sellingByKeys()
    {
        struct Case {
            QString name, pending /* typed into the shares box first */, keys, told, focus /* while the dialog is up */,
                file /* ID,NumShares,NetAmount */, sales /* LotID:NumShares:Proceeds:CostBasis */,
                current /* counter and ID */, selected /* ID:shares */;
            QString meanwhile = {};   // what another program does while the dialog is up
            std::optional<qint64> cancelAt = {};   // the sale's progress cancelled there
        };
        const QString first = "Sold 150 shares of ACME from 2 lots on 6/1/2024 for $3,000.00: cost $1,750.00, "
                              "gain $1,250.00.";
        const QString lastSales = "3:80:1600:2000 2:50:1000:750 1:20:400:200";
        const QString last = "Sold 150 shares of ACME from 3 lots on 6/1/2024 for $3,000.00: cost $2,950.00, "
                             "gain $50.00.";
        const auto refused = [&](const char *name, const QString &keys, const QString &told, const QString &focus) {
            return Case{name, "", keys + "\n", told, focus, kUnsold, kNoSales, "2 of 4 2", "1:100|2:50"};
        };
        const Case cases[] = {
            {"first in", "", "6/1/2024\t150\t$3,000\n", first, "", "3,80.0,2000.0|4,10.0,10.0",
             "1:100:2000:1000 2:50:1000:750", "1 of 2 3", ""},
            {"last in", "", "6/1/2024\t150\t3000\t↓\n", last, "", "1,80.0,800.0|4,10.0,10.0", lastSales, "1 of 2 1", "1:80"},
            {"lowest cost, a loss", "", "6/1/2024\t10\t50\t↓↓↓\n",
             "Sold 10 shares of ACME from 1 lot on 6/1/2024 for $50.00: cost $100.00, loss $50.00.", "",
             "1,90.0,900.0|2,50.0,750.0|3,80.0,2000.0|4,10.0,10.0", "1:10:50:100", "1 of 4 1", "1:90|2:50"},
            {"proceeds past the cent, sold by Enter", "", "6/1/2024\t10\t10.0049\n",
             "Sold 10 shares of ACME from 1 lot on 6/1/2024 for $10.00: cost $100.00, loss $90.00.", "",
             "1,90.0,900.0|2,50.0,750.0|3,80.0,2000.0|4,10.0,10.0", "1:10:10:100", "1 of 4 1", "1:90|2:50"},
            {"chosen lots, the current one first", "", "6/1/2024\t150\t3000\t↓↓↓↓\t30↓40↓80\n",
             "Sold 150 shares of ACME from 3 lots on 6/1/2024 for $3,000.00: cost $2,850.00, gain $150.00.", "",
             "1,60.0,600.0|2,20.0,300.0|4,10.0,10.0", "1:40:800:400 2:30:600:450 3:80:1600:2000", "1 of 3 1", "1:60|2:20"},
            {"a pending change is saved first", "60", "6/1/2024\t150\t3000\n",
             "Sold 150 shares of ACME from 2 lots on 6/1/2024 for $3,000.00: cost $1,625.00, gain $1,375.00.", "",
             "2,10.0,125.0|3,80.0,2000.0|4,10.0,10.0", "1:100:2000:1000 2:50:1000:625", "1 of 3 2", "2:10"},
            refused("a date not read", "13/45/2024\t150\t3000",
                    "Must Enter the Sale Date According to the Format MM/DD/YY or MM/DD/YYYY", "saleDate"),
            refused("more shares than the lots hold", "6/1/2024\t231\t3000",
                    "Please Enter at most 230 Shares: the lots of ACME bought on or before 6/1/2024 hold no more.",
                    "shares"),
            refused("proceeds beyond the limits", "6/1/2024\t150\t$500,000,000,000",
                    "Please Enter Proceeds between $0 and $450,000,000,000", "proceeds"),
            refused("proceeds not a number", "6/1/2024\t150\t3,000.00.00", "Please Enter Proceeds as a Number",
                    "proceeds"),
            refused("more than a chosen lot holds", "6/1/2024\t60\t3000\t↓↓↓↓\t60",
                    "Please Enter at most 50 shares to sell from lot 2 (bought 6/1/2021): it holds no more.", "lots 2"),
            {"a pending change refused: no dialog", "abc", "", "Please Enter Number of Shares as a Number", "", kUnsold,
             kNoSales, "2 of 4 2", "1:100|2:50"},
            {"a lot another program changed meanwhile", "", "6/1/2024\t150\t3000\n", "No shares were sold. Another "
             "program has changed lot 1 since Tesmo read it. Its lots are now shown as the ledger file holds them.",
             "proceeds", kUnsold, kNoSales,
             "2 of 4 2", "1:100|2:50", "UPDATE Lots SET Name1 = 'Other' WHERE ID = 1"},
            {"cancelled from its progress: nothing sold, nothing told", "", "6/1/2024\t150\t3000\n", "", "proceeds",
             kUnsold, kNoSales, "2 of 4 2", "1:100|2:50", "", 0},
            {"sold again on the lots as stored after such a refusal", "", "6/1/2024\t150\t3000\n\n",
             "No shares were sold. Another program has changed lot 1 since Tesmo read it. Its lots are now shown as "
             "the ledger file holds them.\nSold 150 shares of ACME from 3 lots on 6/1/2024 for $3,000.00: cost "
             "$1,900.00, gain $1,100.00.",
             "", "3,70.0,1750.0|4,10.0,10.0", "1:90:1800:900 2:50:1000:750 3:10:200:250", "1 of 2 3", "",
             "UPDATE Lots SET NumShares = 90, NetAmount = 900 WHERE ID = 1"},
        };
        int progressed = 0;
        for (const Case &c : cases) {
            NAME_THE_CASE(c.name);
            MainWindow w(kLots);
            w.dialogs.cancelAt = c.cancelAt;
            for (const int row : {1, 2})
                w.select(row);
            if (!c.pending.isEmpty())
                w.retype(kNumShares, c.pending);

            QString focused;
            PreviewAnswer answer([&](QDialog &d) {
                d.activateWindow();
                QTRY_COMPARE(QApplication::activeWindow(), &d);
                w.folder.exec(c.meanwhile);
                press(c.keys);
                focused = focusName(d);
                if (d.isVisible())
                    press("⎋");
                QVERIFY(!d.isVisible());
            }, "SellShares");
            w.ctrlKey(Qt::Key_L);

            QCOMPARE(answer.shown(), !c.keys.isEmpty());
            QCOMPARE(w.dialogs.takeTexts().join("\n"), c.told);
            QCOMPARE(focused, c.focus);
            QCOMPARE(w.folder.query("SELECT ID, NumShares, NetAmount FROM qryStocks"), c.file);
            QCOMPARE(w.folder.query("SELECT group_concat(printf('%d:%g:%g:%g', LotID, NumShares, Proceeds, "
                                    "CostBasis), ' ') FROM qrySales"), c.sales);
            QCOMPARE(w.counter() + " " + w.box(kID)->text(), c.current);
            QStringList shown;
            for (int row = 1; row <= w.rows(2); ++row)
                shown << w.cell(2, row, kColID) + ":" + w.cell(2, row, kColShares);
            QCOMPARE(shown.join("|"), c.selected);
            QCOMPARE(w.selected(1), w.counter().section(' ', 0, 0).toInt());
            // What another program changed is what the lists show afterwards.
            QCOMPARE(w.column(1).contains(u"Other"), c.meanwhile.contains(u"'Other'"));
            // A sale's progress waits half a second before it shows, not the second other work waits.
            for (const auto &progress : w.dialogs.progresses)
                QCOMPARE(progress.showAfterMs, 500);
            progressed += int(w.dialogs.progresses.size());
        }
        QVERIFY(progressed > 0);
    }
};

QTEST_MAIN(SellingTest)
#include "tst_selling.moc"
