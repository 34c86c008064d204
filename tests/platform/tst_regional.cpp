#include "platform/Regional.h"

#include <QLocale>
#include <QTest>
#include <limits>

using namespace tesmo;
using namespace tesmo::regional;

class RegionalTest : public QObject {
    Q_OBJECT
private slots:
    void shortDateReadsBack_data();
    void shortDateReadsBack();
    void readDateAcceptsOnlyRealDates_data();
    void readDateAcceptsOnlyRealDates();
    void numberTextIsPlainDecimal_data();
    void numberTextIsPlainDecimal();
    void currencyTextGroupsAndRounds_data();
    void currencyTextGroupsAndRounds();
    void formsIgnoreTheUsersLocale();
};

void RegionalTest::shortDateReadsBack_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no leading zeros") << QDate(2003, 1, 5) << "1/5/2003";
    QTest::newRow("two-digit month and day") << QDate(2004, 12, 31) << "12/31/2004";
    QTest::newRow("year that a two-digit form would move") << QDate(1929, 7, 4) << "7/4/1929";
    QTest::newRow("year below 1000 keeps four digits") << QDate(99, 3, 1) << "3/1/0099";
}

void RegionalTest::shortDateReadsBack()
{
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    QCOMPARE(shortDate(date), expected);
    QCOMPARE(readDate(shortDate(date)), std::optional<QDate>(date));
}

void RegionalTest::readDateAcceptsOnlyRealDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected"); // a null date for "nothing"
    QTest::newRow("leap day") << "2/29/2004" << QDate(2004, 2, 29);
    QTest::newRow("leap day of a leap century") << "2/29/2000" << QDate(2000, 2, 29);
    QTest::newRow("two-digit year") << "1/5/03" << QDate(2003, 1, 5);
    QTest::newRow("leading zeros") << "01/05/2003" << QDate(2003, 1, 5);
    QTest::newRow("dashes") << "1-5-2003" << QDate(2003, 1, 5);
    QTest::newRow("blanks around") << " \t1/5/2003  " << QDate(2003, 1, 5);
    QTest::newRow("year 29 is 2029") << "1/5/29" << QDate(2029, 1, 5);
    QTest::newRow("year 30 is 1930") << "1/5/30" << QDate(1930, 1, 5);
    QTest::newRow("year 00 is 2000") << "1/5/00" << QDate(2000, 1, 5);
    QTest::newRow("day past month end") << "2/30/2004" << QDate();
    QTest::newRow("leap day of a plain century") << "2/29/1900" << QDate();
    QTest::newRow("thirty-first of a short month") << "4/31/2004" << QDate();
    QTest::newRow("month 13") << "13/1/2004" << QDate();
    QTest::newRow("month 0") << "0/1/2004" << QDate();
    QTest::newRow("year 0000") << "1/5/0000" << QDate();
    QTest::newRow("trailing letter") << "1/5/2003x" << QDate();
    QTest::newRow("trailing separator") << "1/5/2003/" << QDate();
    QTest::newRow("mixed separators") << "1/5-2003" << QDate();
    QTest::newRow("three-digit year") << "1/5/203" << QDate();
    QTest::newRow("five-digit year") << "1/5/20030" << QDate();
    QTest::newRow("three-digit day") << "1/005/2003" << QDate();
    QTest::newRow("no year") << "1/5" << QDate();
    QTest::newRow("blank inside") << "1/ 5/2003" << QDate();
    QTest::newRow("dots") << "1.5.2003" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("blanks only") << "   " << QDate();
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("\u0661/5/2003") << QDate();
}

void RegionalTest::readDateAcceptsOnlyRealDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    const std::optional<QDate> read = readDate(text);
    QCOMPARE(read.value_or(QDate()), expected);
    QCOMPARE(read.has_value(), expected.isValid());
}

void RegionalTest::numberTextIsPlainDecimal_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 200.0 << "200";
    QTest::newRow("fifteen digits of a third") << 100.0 / 3 << "33.3333333333333";
    QTest::newRow("fifteenth digit rounds") << 2.0 / 3 << "0.666666666666667";
    QTest::newRow("rounding carries to a new digit") << 9.9999999999999991 << "10";
    QTest::newRow("binary noise dropped") << 0.1 + 0.2 << "0.3";
    QTest::newRow("below one") << 0.5 << "0.5";
    QTest::newRow("negative") << -2.5 << "-2.5";
    QTest::newRow("small without exponent") << -1e-7 << "-0.0000001";
    QTest::newRow("large without exponent") << 1e20 << "100000000000000000000";
    QTest::newRow("large beyond fifteen digits") << 123456789012345678.0 << "123456789012346000";
    QTest::newRow("negative zero") << -0.0 << "0";
}

void RegionalTest::numberTextIsPlainDecimal()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(numberText(value), expected);
}

void RegionalTest::currencyTextGroupsAndRounds_data()
{
    QTest::addColumn<qint64>("ticks");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<bool>("parentheses");
    QTest::addColumn<QString>("expected");
    auto price = [](const char *name, qint64 ticks, const char *expected) {
        QTest::newRow(name) << ticks << 4 << false << false << QString(expected);
    };
    auto net = [](const char *name, qint64 ticks, const char *expected) {
        QTest::newRow(name) << ticks << 2 << true << true << QString(expected);
    };
    price("price grouped", 12345000, "$1,234.5000");
    price("price below one", 5000, "$.5000");
    price("price whole", 70000, "$7.0000");
    price("price negative", -12345000, "-$1,234.5000");
    price("price zero", 0, "$.0000");
    price("price billions", 90000000001234, "$9,000,000,000.1234");
    price("price int64 minimum", std::numeric_limits<qint64>::min(), "-$922,337,203,685,477.5808");
    net("net grouped", 12345000, "$1,234.50");
    net("net below one", 5000, "$0.50");
    net("net negative", -12345000, "($1,234.50)");
    net("net zero", 0, "$0.00");
    net("net rounds down", 12345, "$1.23");
    net("net half rounds up", 12350, "$1.24");
    net("net negative half rounds away", -12350, "($1.24)");
    net("net rounding opens a group", 9999999950, "$1,000,000.00");
    net("net billions", 90000000001234, "$9,000,000,000.12");
    net("net negative rounding to zero", -49, "$0.00");
    QTest::newRow("whole dollars, half up") << qint64{12345000 + 5000} << 0 << false << false << "$1,235";
    QTest::newRow("whole dollars, zero") << qint64{4999} << 0 << false << false << "$0";
    QTest::newRow("three decimals, minus") << qint64{-5} << 3 << true << false << "-$0.001";
}

void RegionalTest::currencyTextGroupsAndRounds()
{
    QFETCH(qint64, ticks);
    QFETCH(int, decimals);
    QFETCH(bool, leadingZero);
    QFETCH(bool, parentheses);
    QFETCH(QString, expected);
    QCOMPARE(currencyText(ticks, decimals, leadingZero, parentheses), expected);
    if (decimals == 4 && !leadingZero && !parentheses)
        QCOMPARE(priceText(ticks), expected);
    if (decimals == 2 && leadingZero && parentheses)
        QCOMPARE(netAmountText(ticks), expected);
}

void RegionalTest::formsIgnoreTheUsersLocale()
{
    // The forms are fixed; a German default locale (comma decimal point,
    // dot grouping, day-first dates) must change none of them.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
    QCOMPARE(numberText(1234.5), QString("1234.5"));
    QCOMPARE(priceText(12345000), QString("$1,234.5000"));
    QCOMPARE(shortDate(QDate(2003, 1, 5)), QString("1/5/2003"));
    QCOMPARE(readDate(u"1/5/2003"), std::optional<QDate>(QDate(2003, 1, 5)));
}

QTEST_GUILESS_MAIN(RegionalTest)
#include "tst_regional.moc"
