// What the user sees when the main window opens on ledgers of different sizes,
// and the money boxes' currency text.
#include "support/MainWindow.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

using namespace tesmo;
using namespace tesmo::test;

namespace {

NewLot lot(const char *name, const char *ticker, QVariant net, QVariant price = 10)
{
    return {QString::fromUtf8(name), QString::fromUtf8(ticker), 100, price, net, "2003-01-15"};
}

std::vector<NewLot> lots(int count, QList<int> blankNet = {})
{
    std::vector<NewLot> v;
    for (int i = 1; i <= count; ++i)
        v.push_back(lot(qPrintable(QStringLiteral("Lot %1").arg(i)), qPrintable(QStringLiteral("T%1").arg(i)),
                        blankNet.contains(i) ? QVariant() : QVariant(1000 * i)));
    return v;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<NewLot>)

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void theWindowOpensOnTheRightLot_data()
    {
        QTest::addColumn<std::vector<NewLot>>("ledger");
        QTest::addColumn<QString>("current");    // the name shown
        QTest::addColumn<QString>("counter");
        QTest::addColumn<int>("masterRow");      // selected row, from 1
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<bool>("netFocus");

        QTest::newRow("empty") << lots(0) << "" << "0 of 0" << 0 << "" << false;
        QTest::newRow("one lot") << lots(1) << "Lot 1" << "1 of 1" << 1 << "New Delete Split Select" << false;
        QTest::newRow("one lot, empty net amount")
            << lots(1, {1}) << "Lot 1" << "1 of 1" << 1 << "New Delete Split Select" << false;
        QTest::newRow("two lots") << lots(2) << "Lot 2" << "2 of 2" << 2 << "New Previous Delete Split Select"
                                  << false;
        QTest::newRow("two lots, first net amount empty")
            << lots(2, {1}) << "Lot 1" << "1 of 2" << 1 << "New Next Delete Split Select" << true;
        QTest::newRow("three lots") << lots(3) << "Lot 3" << "3 of 3" << 3
                                    << "New Find Previous Delete Split Select" << false;
        QTest::newRow("five lots, second and fourth empty")
            << lots(5, {2, 4}) << "Lot 2" << "2 of 5" << 2 << "New Find Previous Next Delete Split Select" << true;
        QTest::newRow("five lots, last empty")
            << lots(5, {5}) << "Lot 5" << "5 of 5" << 5 << "New Find Previous Delete Split Select" << true;
        QTest::newRow("five lots, none empty")
            << lots(5) << "Lot 5" << "5 of 5" << 5 << "New Find Previous Delete Split Select" << false;
    }
    void theWindowOpensOnTheRightLot()
    {
        QFETCH(std::vector<NewLot>, ledger);
        QFETCH(QString, current);
        QFETCH(QString, counter);
        QFETCH(int, masterRow);
        QFETCH(QString, enabled);
        QFETCH(bool, netFocus);

        MainWindow w(ledger, !ledger.empty());
        QCOMPARE(w->txtFields[kName1]->text(), current);
        QCOMPARE(w.counter(), counter);
        QCOMPARE(MainWindow::selected(w->ListView1), masterRow);
        QCOMPARE(w.enabled(), enabled);
        QCOMPARE(w->txtFields[kNetAmount]->hasFocus(), netFocus);
        QCOMPARE(w->ListView1->lots()->rows(), int(ledger.size()));
        QCOMPARE(w->ListView2->lots()->rows(), 0);
        QCOMPARE(MainWindow::selected(w->ListView2), 0);
        QCOMPARE(w->cmdUndo->text(), QStringLiteral("&Undo"));
        for (QPushButton *always : {w->cmdClose, w->cmdExport, w->cmdOptions, w->cmdHelp})
            QVERIFY(always->isEnabled());
        if (ledger.empty())
            QCOMPARE(w->Data1().EditMode(), int(kEditAdd));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theMasterListShowsEveryLotInQueryOrderWithItsId()
    {
        MainWindow w({{"Acme", "ACME", 100, 12.5, 1250, "2003-01-15"},
                      {"", "BLNK", 2.5, QVariant(), QVariant(), "2004-02-29"},
                      {"Zero", "ZERO", 1, 0.5, 0, "2010-10-10"}});
        const LotListModel *rows = w->ListView1->lots();
        QCOMPARE(rows->rowTexts(0), (RowTexts{"Acme", "ACME", "1/15/2003", "1", "100", "12.5", "1250"}));
        QCOMPARE(rows->rowTexts(1), (RowTexts{"", "BLNK", "2/29/2004", "2", "2.5", "", ""}));
        QCOMPARE(rows->rowTexts(2), (RowTexts{"Zero", "ZERO", "10/10/2010", "3", "1", "0.5", "0"}));
        QVERIFY(w->ListView1->isColumnHidden(kColID));
        QCOMPARE(w->ListView1->model()->headerData(kColNet, Qt::Horizontal).toString(),
                 QStringLiteral("Net Amount (Tesmo)"));
        // The second lot has no net amount, so it opens current, money as currency text.
        QCOMPARE(w.fields(), QStringLiteral("|BLNK|2.5|||2/29/2004"));
        QCOMPARE(w->txtFields[kID]->text(), QStringLiteral("2"));
        QVERIFY(w->txtFields[kID]->isHidden());
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void moneyShowsAsCurrencyText()
    {
        MainWindow w({{"Big", "BIG", 1, 1234.5, 1234.5, "2003-01-15"}, {"Small", "SML", 1, 0.5, 0.5, "2003-01-15"}});
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$.5000"));
        QCOMPARE(w->txtFields[kNetAmount]->text(), QStringLiteral("$0.50"));
        w->cmdPrev->click();
        QCOMPARE(w->txtFields[kPrice]->text(), QStringLiteral("$1,234.5000"));
        QCOMPARE(w->txtFields[kNetAmount]->text(), QStringLiteral("$1,234.50"));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theExportChoicesAndDesignedPlaces()
    {
        MainWindow w(lots(1));
        QCOMPARE(w->windowTitle(), QStringLiteral(" Stocks"));
        QCOMPARE(w->cmbExport->currentText(), QStringLiteral("Text File"));
        QStringList items;
        for (int i = 0; i < w->cmbExport->count(); ++i)
            items << w->cmbExport->itemText(i);
        QCOMPARE(items, (QStringList{"Spreadsheet", "Word Document", "Text File"}));
        QVERIFY(w->OptionAll->isChecked());
        // Designed places survive a resize: 15 twips to the pixel.
        w->resize(1000, 700);
        QCOMPARE(w->cmdNext->geometry(), QRect(680, 184, 73, 33));
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void exitEndsTheProgram()
    {
        MainWindow w(lots(2));
        MainWindow::click(w->cmdClose);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Data1().isOpen());
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aFileThatIsNotALedgerIsReportedAndLeftAlone()
    {
        LedgerFolder folder({}, false);
        {
            QFile f(folder.file());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Standard Jet DB and other bytes of a legacy database");
        }
        ScriptedDialogs dialogs;
        frmStocks w(Platform{dialogs});
        const QStringList texts = dialogs.takeTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[0].startsWith("Data error event hit err:Tesmo.mdb is not a Tesmo ledger"));
        QVERIFY(texts[1].startsWith("3105 - Tesmo.mdb is not a Tesmo ledger"));
        QVERIFY(texts[1].endsWith(" - Source : PopulateList"));
        QCOMPARE(w.txtCount->text(), QStringLiteral("0"));
        QFile f(folder.file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Standard Jet DB and other bytes of a legacy database"));
        QVERIFY(dialogs.faults().isEmpty());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
