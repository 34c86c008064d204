// The regional forms: short dates read and written, plain number text, currency text.
#include "platform/Regional.h"

#include <QLocale>
#include <QTest>

using namespace tesmo::regional;

class RegionalTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The forms are fixed: under a German default locale (comma decimal
        // point, dot grouping, day-first dates) every row below must still hold.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void readDateAcceptsOnlyRealDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // a null date for "nothing"
        QTest::newRow("leap day") << "2/29/2004" << QDate(2004, 2, 29);
        QTest::newRow("two-digit year") << "1/5/03" << QDate(2003, 1, 5);
        QTest::newRow("leading zeros") << "01/05/2003" << QDate(2003, 1, 5);
        QTest::newRow("dashes, blanks around") << " \t1-5-2003  " << QDate(2003, 1, 5);
        QTest::newRow("year 29 is 2029") << "1/5/29" << QDate(2029, 1, 5);
        QTest::newRow("year 30 is 1930") << "1/5/30" << QDate(1930, 1, 5);
        for (const char *no : {"2/30/2004", "2/29/1900", "13/1/2004", "1/5/2003x", "1/5-2003",
                               "1/5/203", "1/5/20030", "1/ 5/2003", "", "   "})
            QTest::newRow(qPrintable("not " + QString(no))) << QString(no) << QDate();
    }
    void readDateAcceptsOnlyRealDates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const std::optional<QDate> read = readDate(text);
        QCOMPARE(read.value_or(QDate()), expected);
        QCOMPARE(read.has_value(), expected.isValid());
        if (read)
            QCOMPARE(readDate(shortDate(*read)), read);
    }
    void shortDateHasNoLeadingZerosButFourDigitYears()
    {
        QCOMPARE(shortDate(QDate(2003, 1, 5)), QString("1/5/2003"));
        QCOMPARE(shortDate(QDate(99, 3, 1)), QString("3/1/0099"));
    }

    void numberTextIsPlainDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole") << 200.0 << "200";
        QTest::newRow("fifteen digits of a third") << 100.0 / 3 << "33.3333333333333";
        QTest::newRow("fifteenth digit rounds") << 2.0 / 3 << "0.666666666666667";
        QTest::newRow("below one") << 0.5 << "0.5";
        QTest::newRow("small without exponent") << -1e-7 << "-0.0000001";
        QTest::newRow("large without exponent") << 1e20 << "100000000000000000000";
    }
    void numberTextIsPlainDecimal()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(numberText(value), expected);
    }

    void currencyTextGroupsAndRounds_data()
    {
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("net");
        auto row = [](const char *name, qint64 ticks, const char *price, const char *net) {
            QTest::newRow(name) << ticks << QString(price) << QString(net);
        };
        row("grouped", 12345000, "$1,234.5000", "$1,234.50");
        row("below one", 5000, "$.5000", "$0.50");
        row("whole", 70000, "$7.0000", "$7.00");
        row("negative", -12345000, "-$1,234.5000", "($1,234.50)");
        row("half rounds away", 12350, "$1.2350", "$1.24");
        row("negative half rounds away", -12350, "-$1.2350", "($1.24)");
        row("negative rounding to zero", -49, "-$.0049", "$0.00");
        row("rounding opens a group", 9999999950, "$999,999.9950", "$1,000,000.00");
    }
    void currencyTextGroupsAndRounds()
    {
        QFETCH(qint64, ticks);
        QFETCH(QString, price);
        QFETCH(QString, net);
        QCOMPARE(priceText(ticks), price);
        QCOMPARE(netAmountText(ticks), net);
    }
};

QTEST_GUILESS_MAIN(RegionalTest)
#include "tst_regional.moc"
