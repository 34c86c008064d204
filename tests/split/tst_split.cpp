// The stock split dialog over the main window: the ratio's checks, the
// rescaled shares and price, and results the ledger cannot hold.
#include "support/MainWindow.h"

using namespace tesmo;
using namespace tesmo::test;

class SplitTest : public QObject {
    Q_OBJECT

    // Opens the dialog, types From and To with Enter after each (Enter in To
    // is OK). Returns the boxes shown, then where the focus is if it stays open.
    static QStringList split(MainWindow &w, const QString &from, const QString &to)
    {
        w.dialogs.boxWindows = true;
        w.button("cmdSplit")->click();
        QWidget *dialog = w.window->findChild<QWidget *>("Split");
        const auto active = [&] { return QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }); };
        if (!dialog || !active())
            return {"no dialog"};
        auto *txtFrom = dialog->findChild<QLineEdit *>("txtFrom");
        QTest::keyClicks(txtFrom, from);
        QTest::keyClick(txtFrom, Qt::Key_Return);
        auto *txtTo = dialog->findChild<QLineEdit *>("txtTo");
        if (!txtTo->hasFocus())
            return {"Enter in From did not move to To"};
        QTest::keyClicks(txtTo, to);
        QTest::keyClick(txtTo, Qt::Key_Return);
        QStringList shown = w.dialogs.takeTexts();
        if (dialog->isVisible())
            shown << (!active()             ? "open, not active"
                      : txtFrom->hasFocus() ? "open, From"
                      : txtTo->hasFocus()   ? "open, To" : "open");
        return shown;
    }

private slots:
    // A valid ratio rescales the shares and the price, stored only on Save;
    // an invalid one is refused, the dialog kept open, and changes nothing.
    void aRatioRescalesSharesAndPriceOrIsRefused_data()
    {
        QTest::addColumn<QVariant>("price");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("after");   // shares|price
        const QStringList valid, invalidFrom{"Invalid Entry", "open, From"};
        const QString unchanged = "100|$10.0000";
        QTest::newRow("2 for 1") << QVariant(10) << "2" << "1" << valid << "200|$5.0000";
        QTest::newRow("3 for 2") << QVariant(10) << "3" << "2" << valid << "150|$6.6667";
        QTest::newRow("1 for 3, to six decimals") << QVariant(10) << "1" << "3" << valid << "33.333333|$30.0000";
        QTest::newRow("+2 for 1, no price") << QVariant() << "+2" << "1" << valid << "200|";
        QTest::newRow("from 0") << QVariant(10) << "0" << "1" << invalidFrom << unchanged;
        QTest::newRow("to below 1") << QVariant(10) << "2" << "0.5" << QStringList{"Invalid Entry", "open, To"} << unchanged;
        QTest::newRow("from empty") << QVariant(10) << "" << "1" << QStringList{"open, From"} << unchanged;
        QTest::newRow("to empty") << QVariant(10) << "2" << "" << QStringList{"open, To"} << unchanged;
        QTest::newRow("too many shares after") << QVariant(10) << "99999999999999999999" << "1" << invalidFrom << unchanged;
        QTest::newRow("beyond any number") << QVariant(10) << QString(400, u'9') << "1" << invalidFrom << unchanged;
    }
    void aRatioRescalesSharesAndPriceOrIsRefused()
    {
        QFETCH(QVariant, price);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, shown);
        QFETCH(QString, after);
        MainWindow w({{"A", "T", 100, price, 1000, "2003-01-15"}});
        const QString file = w.file();
        QCOMPARE(split(w, from, to), shown);
        QCOMPARE(w.fields(), "A|T|" + after + "|$1,000.00|1/15/2003");
        QCOMPARE(w.file(), file);   // nothing is stored until Save
        if (shown.isEmpty()) {
            QCOMPARE(w.enabled(), QStringLiteral("Save New Undo Delete Split Select"));
            w.click("cmdSave");
            QCOMPARE(w.folder.query("SELECT printf('%.15g', NumShares) FROM Lots"), after.section('|', 0, 0));
        }
        VERIFY_BOXES_AS_SCRIPTED(w);
    }

    void sharesThatAreNoNumberGiveTheDialogsErrorBox()
    {
        MainWindow w(numberedLots(1));
        w.retype(kNumShares, "many");
        QCOMPARE(split(w, "2", "1"), (QStringList{"13 - Type mismatch - Source: Split OKButton_Click", "open, To"}));
        QCOMPARE(w.box(kPrice)->text(), QStringLiteral("$10.0000"));
    }
};

QTEST_MAIN(SplitTest)
#include "tst_split.moc"
