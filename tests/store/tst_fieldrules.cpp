// The field rules: plain numbers, and currency text back to money and numbers.
#include "store/FieldRules.h"

#include <QTest>

using namespace tesmo;

namespace {
QVariant ticks(qint64 value) { return QVariant::fromValue(value); }
const QVariant none;
} // namespace

class FieldRulesTest : public QObject {
    Q_OBJECT
private slots:
    void isNumberAcceptsOnlyPlainDecimals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        for (const char *yes : {"12", "12.", ".5", "-3.25", "+007"})
            QTest::newRow(yes) << QString(yes) << true;
        for (const char *no : {"", ".", "-", "-.", "+-5", "1.2.3", "1,000", "$5", " 5", "1e5", "\u0665"})
            QTest::newRow(qPrintable("not " + QString(no))) << QString(no) << false;
    }
    void isNumberAcceptsOnlyPlainDecimals()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(IsNumber(text), expected);
        QCOMPARE(parseTicks(text).has_value(), expected); // the money parser agrees
    }

    void currencyTextReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("plain"); // AwayFromCurrency
        QTest::addColumn<QVariant>("money");
        QTest::addColumn<QVariant>("number");
        auto row = [](const char *name, const QString &text, const QString &plain, QVariant money,
                      QVariant number) { QTest::newRow(name) << text << plain << money << number; };
        row("price", "$1,234.5000", "1234.5000", ticks(12345000), 1234.5);
        row("price below one", "$.5000", ".5000", ticks(5000), 0.5);
        row("commas without dollar", "1,000", "1000", ticks(10000000), 1000.0);
        row("no dollar, kept", "abc", "abc", none, none);
        row("money rounds, number does not", "$1.23456", "1.23456", ticks(12346), 1.23456);
        row("first character dropped, even a minus", "-$5.0000", "$5.0000", none, none);
        row("dollar at the end", "5$", "$", none, none);
        row("first character a surrogate pair", "\U0001F600$5", "$5", none, none);
        row("beyond the largest amount", "$900,000,000,001", "900000000001", none, 900000000001.0);
        row("largest price", "$450,000,000,000.0000", "450000000000.0000", ticks(kMaxTicks), 450000000000.0);
        const QString beyondDouble = "1" + QString(400, u'0');
        row("beyond double", beyondDouble, beyondDouble, none, none);
    }
    void currencyTextReadsBack()
    {
        QFETCH(QString, text);
        QFETCH(QString, plain);
        QFETCH(QVariant, money);
        QFETCH(QVariant, number);
        QCOMPARE(AwayFromCurrency(text), plain);
        const auto m = moneyFromText(text);
        const auto n = numberFromText(text);
        QCOMPARE(m ? ticks(*m) : QVariant(), money);
        QCOMPARE(n ? QVariant(*n) : QVariant(), number);
    }
};

QTEST_GUILESS_MAIN(FieldRulesTest)
#include "tst_fieldrules.moc"
