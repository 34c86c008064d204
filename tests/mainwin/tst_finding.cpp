// Finding lots by ticker: the walk through the lots of one ticker, Not Found,
// Cancel, and tickers with quotes.
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

namespace {

// Tickers ABC, XYZ, ABC, ABC, O'NEIL; every lot has a net amount, so the
// last lot opens current.
const std::vector<NewLot> kLots = {
    {"First ABC", "ABC", 1, 10, 10, "2003-01-01"},  {"Only XYZ", "XYZ", 2, 10, 20, "2003-01-02"},
    {"Second ABC", "ABC", 3, 10, 30, "2003-01-03"}, {"Third ABC", "ABC", 4, 10, 40, "2003-01-04"},
    {"Quoted", "O'NEIL", 5, 10, 50, "2003-01-05"},
};

} // namespace

class FindingTest : public QObject {
    Q_OBJECT

    static void find(MainWindow &w, const QString &ticker)
    {
        w.dialogs.typeNext(ticker);
        MainWindow::click(w->cmdFind);
    }

private slots:
    void repeatedFindsWalkTheLotsOfOneTickerAndWrap()
    {
        MainWindow w(kLots);
        MainWindow::clickRow(w->ListView1, 2);   // XYZ
        find(w, "abc");
        const auto inputs = w.dialogs.takeInputs();
        QCOMPARE(inputs.size(), 1);
        QCOMPARE(inputs[0].prompt, QStringLiteral("Enter Ticker Symbol"));
        QCOMPARE(inputs[0].title, QStringLiteral("Find"));
        QCOMPARE(inputs[0].defaultText, QString());
        QCOMPARE(w.counter(), QStringLiteral("1 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 1);
        QVERIFY(!w->cmdPrev->isEnabled());
        for (const char *expected : {"3 of 5", "4 of 5", "1 of 5", "3 of 5"}) {
            find(w, "ABC");
            QCOMPARE(w.counter(), QString::fromUtf8(expected));
        }
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Second ABC"));
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Next Delete Split Select"));
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void theOnlyLotOfATickerStaysCurrent()
    {
        MainWindow w(kLots);
        MainWindow::clickRow(w->ListView1, 2);
        find(w, "xyz");
        QCOMPARE(w.counter(), QStringLiteral("2 of 5"));
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Only XYZ"));
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aTickerNoLotHasIsNotFound()
    {
        MainWindow w(kLots);
        MainWindow::clickRow(w->ListView1, 3);
        find(w, "qqq");
        const auto boxes = w.dialogs.takeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("qqq Not Found"));
        QCOMPARE(boxes[0].icon, Dialogs::Icon::Information);
        QCOMPARE(w.counter(), QStringLiteral("3 of 5"));
        QCOMPARE(MainWindow::selected(w->ListView1), 3);
        QCOMPARE(w->txtFields[kName1]->text(), QStringLiteral("Second ABC"));
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void cancelOrAnEmptyAnswerChangesNothing()
    {
        MainWindow w(kLots);
        w.type(kName1, " typed");   // a pending change, with Save and Undo on
        const QString fields = w.fields();
        const QString buttons = w.enabled();
        find(w, QString());
        QCOMPARE(w.fields(), fields);
        QCOMPARE(w.enabled(), buttons);
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aTickerWithAQuoteIsJustATicker()
    {
        MainWindow w(kLots);
        MainWindow::clickRow(w->ListView1, 1);
        find(w, "o'neil");
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        QCOMPARE(w->txtFields[kTicker]->text(), QStringLiteral("O'NEIL"));
        find(w, "x' OR '1'='1");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"x' OR '1'='1 Not Found"});
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void aFindStoresTheChangeOfTheLotItLeaves()
    {
        MainWindow w(kLots);
        w.retype(kName1, "Renamed");
        find(w, "XYZ");
        QCOMPARE(w.counter(), QStringLiteral("2 of 5"));
        QCOMPARE(w.folder.query("SELECT Name1 FROM qryStocks WHERE ID = 5"), QStringLiteral("Renamed"));
        QCOMPARE(w.enabled(), QStringLiteral("New Find Previous Next Delete Split Select"));
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    // A find skips the field rules, so the store itself refuses a text of
    // the wrong kind: the lot stays current with its change pending.
    void aChangeThatCannotBeStoredKeepsTheLotAndItsChange()
    {
        MainWindow w(kLots);
        const QString stored = w.file();
        w.retype(kNumShares, "many");
        find(w, "XYZ");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"13 - Type mismatch - Source : FindByTicker"});
        QCOMPARE(w.counter(), QStringLiteral("5 of 5"));
        QCOMPARE(w->txtFields[kNumShares]->text(), QStringLiteral("many"));
        QVERIFY(w->cmdSave->isEnabled());
        QVERIFY(w->cmdUndo->isEnabled());
        QCOMPARE(w.file(), stored);
        w.dialogs.takeInputs();
        VERIFY_BOXES_AS_SCRIPTED(w);
    }
};

QTEST_MAIN(FindingTest)
#include "tst_finding.moc"
