#include "platform/Regional.h"
#include "store/FieldRules.h"

#include <QTest>
#include <limits>

using namespace tesmo;

namespace {
QVariant ticks(qint64 value) { return QVariant::fromValue(value); }
const QVariant none;
} // namespace

class FieldRulesTest : public QObject {
    Q_OBJECT
private slots:
    void isNumberAcceptsOnlyPlainDecimals_data();
    void isNumberAcceptsOnlyPlainDecimals();
    void awayFromCurrencyDropsFirstCharacterAndCommas_data();
    void awayFromCurrencyDropsFirstCharacterAndCommas();
    void fieldTextReadsAsMoneyAndNumber_data();
    void fieldTextReadsAsMoneyAndNumber();
    void shownPriceReadsBack_data();
    void shownPriceReadsBack();
};

void FieldRulesTest::isNumberAcceptsOnlyPlainDecimals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    for (const char *yes : {"12", "12.", ".5", "-3.25", "+007", "-.5", "0"})
        QTest::newRow(yes) << yes << true;
    for (const char *no : {"", ".", "-", "+", "-.", "+-5", "--5", "5-", "1.2.3", "..5", "1,000",
                           "$5", " 5", "5 ", "1e5", "0x10", "inf", "nan"})
        QTest::newRow(qPrintable("not " + QString(no))) << no << false;
    QTest::newRow("not Arabic-Indic digit") << QString(QChar(0x0665)) << false;
    QTest::newRow("not fullwidth digit") << QString(QChar(0xFF15)) << false;
}

void FieldRulesTest::isNumberAcceptsOnlyPlainDecimals()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(IsNumber(text), expected);
}

void FieldRulesTest::awayFromCurrencyDropsFirstCharacterAndCommas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("price") << "$1,234.5000" << "1234.5000";
    QTest::newRow("price below one") << "$.5000" << ".5000";
    QTest::newRow("commas without dollar") << "1,000" << "1000";
    QTest::newRow("no dollar, kept") << "abc" << "abc";
    QTest::newRow("minus is the first character") << "-$5.0000" << "$5.0000";
    QTest::newRow("parenthesis is the first character") << "($1,234.50)" << "$1234.50)";
    QTest::newRow("dollar at the end") << "5$" << "$";
    QTest::newRow("dollar alone") << "$" << "";
    QTest::newRow("first character outside the basic plane")
        << QString::fromUtf8("\U0001F600$5") << "$5";
}

void FieldRulesTest::awayFromCurrencyDropsFirstCharacterAndCommas()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(AwayFromCurrency(text), expected);
}

void FieldRulesTest::fieldTextReadsAsMoneyAndNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("money");
    QTest::addColumn<QVariant>("number");
    QTest::newRow("price") << "$1,234.5000" << ticks(12345000) << QVariant(1234.5);
    QTest::newRow("plain") << "+007" << ticks(70000) << QVariant(7.0);
    QTest::newRow("grouped without dollar") << "1,000" << ticks(10000000) << QVariant(1000.0);
    QTest::newRow("money rounds, number does not") << "$1.23456" << ticks(12346) << QVariant(1.23456);
    QTest::newRow("negative price loses its sign") << "-$5.0000" << none << none;
    QTest::newRow("net amount in parentheses") << "($1,234.50)" << none << none;
    QTest::newRow("exponent") << "1e5" << none << none;
    QTest::newRow("infinity word") << "inf" << none << none;
    QTest::newRow("money beyond the largest amount") << "$900,000,000,001" << none << QVariant(900000000001.0);
    QTest::newRow("number beyond double") << "1" + QString(400, u'0') << none << none;
}

void FieldRulesTest::fieldTextReadsAsMoneyAndNumber()
{
    QFETCH(QString, text);
    QFETCH(QVariant, money);
    QFETCH(QVariant, number);
    const auto m = moneyFromText(text);
    const auto n = numberFromText(text);
    QCOMPARE(m ? ticks(*m) : QVariant(), money);
    QCOMPARE(n ? QVariant(*n) : QVariant(), number);
}

void FieldRulesTest::shownPriceReadsBack_data()
{
    QTest::addColumn<qint64>("amount");
    QTest::newRow("zero") << qint64{0};
    QTest::newRow("below one") << qint64{5000};
    QTest::newRow("grouped with decimals") << qint64{12345678};
    QTest::newRow("largest") << qint64{kMaxTicks};
}

void FieldRulesTest::shownPriceReadsBack()
{
    QFETCH(qint64, amount);
    QCOMPARE(moneyFromText(regional::priceText(amount)), std::optional<Ticks>(amount));
    QCOMPARE(moneyFromText(regional::netAmountText(amount - amount % 100)),
             std::optional<Ticks>(amount - amount % 100));
}

QTEST_GUILESS_MAIN(FieldRulesTest)
#include "tst_fieldrules.moc"
