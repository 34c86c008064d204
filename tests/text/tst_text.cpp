// The text rules: the number test and currency text both ways, money as
// ticks, dates, and the field rules in their order.
// Table-driven, without widgets; the fuzz targets check the round trips.
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QLocale>
#include <QTest>

using namespace tesmo;
using namespace tesmo::regional;

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The forms are fixed: under a German default locale (comma decimal
        // point, day-first dates) every row below must still hold.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void isNumberAndAwayFromCurrency_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<QString>("plain");
        QTest::newRow("digits, point") << "12." << true << "12.";
        QTest::newRow("leading point") << ".5" << true << ".5";
        QTest::newRow("plus, zeros") << "+007" << true << "+007";
        QTest::newRow("plus then minus") << "+-5" << false << "+-5";
        QTest::newRow("point alone") << "." << false << ".";
        QTest::newRow("two points") << "1.2.3" << false << "1.2.3";
        QTest::newRow("grouped") << "1,000" << false << "1000";
        QTest::newRow("currency") << "$1,234.5000" << false << "1234.5000";
        QTest::newRow("minus before dollar keeps the dollar") << "-$5.00" << false << "$5.00";
        QTest::newRow("parentheses") << "($5.00)" << false << "$5.00)";
        QTest::newRow("blank, then digit") << " 5" << false << " 5";
        QTest::newRow("exponent") << "1e5" << false << "1e5";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("wide first character is dropped whole") << QString::fromUtf8("😀$5") << false << "$5";
    }
    void isNumberAndAwayFromCurrency()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(QString, plain);
        QCOMPARE(IsNumber(text), number);
        QCOMPARE(AwayFromCurrency(text), plain);
    }

    void moneyParsesExactlyAndRoundsHalfAway_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ticks");   // -1: nothing
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("net");
        QTest::newRow("grouped currency") << "$1,234.5" << qint64(12345000) << "$1,234.5000" << "$1,234.50";
        QTest::newRow("below one") << ".5" << qint64(5000) << "$.5000" << "$0.50";
        QTest::newRow("fifth decimal rounds up") << "1.23455" << qint64(12346) << "$1.2346" << "$1.23";
        QTest::newRow("net rounds half away") << "0.005" << qint64(50) << "$.0050" << "$0.01";
        QTest::newRow("tiny") << "0.004" << qint64(40) << "$.0040" << "$0.00";
        QTest::newRow("negative") << "-1234.5" << qint64(-12345000) << "-$1,234.5000" << "($1,234.50)";
        QTest::newRow("top of the ledger's range") << "450000000000" << qint64(kMaxMoneyTicks)
                                                   << "$450,000,000,000.0000" << "$450,000,000,000.00";
        QTest::newRow("beyond the money type") << "99999999999999999999" << qint64(-1) << "" << "";
        QTest::newRow("not a number") << "12a" << qint64(-1) << "" << "";
    }
    void moneyParsesExactlyAndRoundsHalfAway()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ticks);
        QFETCH(QString, price);
        QFETCH(QString, net);
        const auto read = moneyFromText(text);
        QCOMPARE(read.value_or(-1), ticks);
        if (read) {
            QCOMPARE(priceText(*read), price);
            QCOMPARE(netAmountText(*read), net);
        }
    }

    void datesReadAndWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");   // null: not a date
        QTest::newRow("leap day") << "2/29/2004" << QDate(2004, 2, 29);
        QTest::newRow("two-digit year 03") << "1/5/03" << QDate(2003, 1, 5);
        QTest::newRow("leading zeros") << "01/05/2003" << QDate(2003, 1, 5);
        QTest::newRow("year 29 is 2029") << "1/5/29" << QDate(2029, 1, 5);
        QTest::newRow("year 30 is 1930") << "1/5/30" << QDate(1930, 1, 5);
        QTest::newRow("first year") << "1/1/0001" << QDate(1, 1, 1);
        for (const char *no : {"2/30/2004", "2/29/1900", "13/1/2004", "1/5/2003x", "1/1/0000", "1/5/203", "", " "})
            QTest::newRow(qPrintable("not " + QString(no))) << QString(no) << QDate();
    }
    void datesReadAndWritten()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        const auto read = readDate(text);
        QCOMPARE(read.value_or(QDate()), date);
        if (read)
            QCOMPARE(readDate(shortDate(*read)), read);
    }

    // The rules stop at the first broken one, in this order.
    void fieldRulesInTheirOrder_data()
    {
        QTest::addColumn<QStringList>("texts");   // name, ticker, shares, price, net, date
        QTest::addColumn<QString>("message");     // empty: every rule holds
        const auto row = [](const char *name, QStringList t, const char *message) {
            QTest::newRow(name) << t << QString(message);
        };
        row("all good", {"", "T", "-2.5", "", "", "1/5/03"}, "");
        row("currency money", {"", "T", "5", "$1,000.0000", "1,000", "1/5/2003"}, "");
        row("ticker and shares empty", {"", "", "", "", "", ""}, "Must Enter a Ticker Symbol");
        row("blank ticker passes", {"", " ", "", "", "", ""}, "Must Enter Number of Shares");
        row("grouped shares", {"", "T", "1,000", "", "", ""}, "Please Enter Number of Shares as a Number");
        row("shares too many", {"", "T", "1000000000000000", "", "", "1/5/03"},
            "Please Enter Number of Shares between -999,999,999,999,999 and 999,999,999,999,999");
        row("shares overflow", {"", "T", QString(400, u'9'), "", "", ""},
            "Please Enter Number of Shares between -999,999,999,999,999 and 999,999,999,999,999");
        row("date empty", {"", "T", "5", "x", "", ""}, "Must Enter Trade Date");
        row("date with a letter", {"", "T", "5", "", "", "1/5/2003a"},
            "Must Enter the Date According to the Format MM/DD/YY or MM/DD/YYYY");
        row("price letters", {"", "T", "5", "abc", "x", "1/5/03"}, "Please Enter the Price per Share as a Number");
        row("price negative formatted", {"", "T", "5", "-$5.0000", "", "1/5/03"},
            "Please Enter the Price per Share as a Number");
        row("price negative typed", {"", "T", "5", "-5", "", "1/5/03"},
            "Please Enter the Price per Share between $0 and $450,000,000,000");
        row("price too high", {"", "T", "5", "$450,000,000,000.0001", "", "1/5/03"},
            "Please Enter the Price per Share between $0 and $450,000,000,000");
        row("net letters", {"", "T", "5", "", "x", "1/5/03"}, "Please Enter Net Amount as a Number");
        row("net too high", {"", "T", "5", "", "500000000000", "1/5/03"},
            "Please Enter Net Amount between $0 and $450,000,000,000");
        row("line break in a pasted name", {"Acme\r\nT 5 1/5/03", "T", "5", "", "", "1/5/03"},
            "Please Enter the Name/Description without line breaks, tabs or other control characters");
        row("tab in ticker", {"", "T\t", "5", "", "", "1/5/03"},
            "Please Enter the Ticker Symbol without line breaks, tabs or other control characters");
        row("C1 control in ticker", {"", "T\u0085", "5", "", "", "1/5/03"},
            "Please Enter the Ticker Symbol without line breaks, tabs or other control characters");
        row("no-break space is no control", {"A\u00a0B", "T", "5", "", "", "1/5/03"}, "");
    }
    void fieldRulesInTheirOrder()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, message);
        FieldTexts f;
        const int order[] = {kName1, kTicker, kNumShares, kPrice, kNetAmount, kTradeDate};
        for (int i = 0; i < 6; ++i)
            f[std::size_t(order[i])] = texts[i];
        const auto broken = firstBrokenRule(f);
        QCOMPARE(broken ? broken->message : QString(), message);
    }
};

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
