#include "store/Money.h"

#include <QRandomGenerator>
#include <QTest>
#include <limits>

using namespace tesmo;

namespace {
// Expected results as QVariant: empty for "nothing", a qint64 for an amount.
QVariant ticks(qint64 value) { return QVariant::fromValue(value); }
QVariant asVariant(std::optional<Ticks> value) { return value ? ticks(*value) : QVariant(); }
const QVariant none;
} // namespace

class MoneyTest : public QObject {
    Q_OBJECT
private slots:
    void parseTicksRoundsHalfAwayFromZero_data();
    void parseTicksRoundsHalfAwayFromZero();
    void plainTextTrimsZerosAndReadsBack_data();
    void plainTextTrimsZerosAndReadsBack();
    void ticksFromDoubleRoundsAndRejects_data();
    void ticksFromDoubleRoundsAndRejects();
    void amountsSurviveTheRealColumn_data();
    void amountsSurviveTheRealColumn();
};

void MoneyTest::parseTicksRoundsHalfAwayFromZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("whole dollars") << "12" << ticks(120000);
    QTest::newRow("trailing point") << "12." << ticks(120000);
    QTest::newRow("leading point") << ".5" << ticks(5000);
    QTest::newRow("negative") << "-3.25" << ticks(-32500);
    QTest::newRow("plus and leading zeros") << "+007" << ticks(70000);
    QTest::newRow("fifth decimal 5 rounds up") << "1.23455" << ticks(12346);
    QTest::newRow("fifth decimal 4 truncates") << "1.2345499999" << ticks(12345);
    QTest::newRow("negative rounds away") << "-1.23455" << ticks(-12346);
    QTest::newRow("rounding carries to dollars") << "-9.99995" << ticks(-100000);
    QTest::newRow("tiny rounds to zero") << "-0.00004" << ticks(0);
    QTest::newRow("long run of leading zeros") << QString(40, u'0') + "12" << ticks(120000);
    QTest::newRow("long fraction") << "0.1" + QString(60, u'9') << ticks(2000);
    QTest::newRow("largest") << "450000000000" << ticks(kMaxTicks);
    QTest::newRow("largest negative") << "-450000000000.0000" << ticks(-kMaxTicks);
    QTest::newRow("one tick too large") << "450000000000.0001" << none;
    QTest::newRow("rounds past largest") << "450000000000.00005" << none;
    QTest::newRow("beyond int64") << "99999999999999999999999" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("point alone") << "." << none;
    QTest::newRow("sign alone") << "-" << none;
    QTest::newRow("two signs") << "+-5" << none;
    QTest::newRow("two points") << "1.2.3" << none;
    QTest::newRow("grouping") << "1,000" << none;
    QTest::newRow("exponent") << "1e5" << none;
    QTest::newRow("blank after") << "5 " << none;
    QTest::newRow("non-ASCII digit") << QString(QChar(0x0663)) << none;
}

void MoneyTest::parseTicksRoundsHalfAwayFromZero()
{
    QFETCH(QString, text);
    QFETCH(QVariant, expected);
    QCOMPARE(asVariant(parseTicks(text)), expected);
}

void MoneyTest::plainTextTrimsZerosAndReadsBack_data()
{
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one decimal") << qint64{125000} << "12.5";
    QTest::newRow("below one") << qint64{5000} << "0.5";
    QTest::newRow("whole") << qint64{70000} << "7";
    QTest::newRow("negative") << qint64{-32500} << "-3.25";
    QTest::newRow("zero") << qint64{0} << "0";
    QTest::newRow("one tick") << qint64{1} << "0.0001";
    QTest::newRow("inner zeros kept") << qint64{-10010} << "-1.001";
    QTest::newRow("largest") << qint64{kMaxTicks} << "450000000000";
    QTest::newRow("int64 minimum")
        << qint64{std::numeric_limits<Ticks>::min()} << "-922337203685477.5808";
}

void MoneyTest::plainTextTrimsZerosAndReadsBack()
{
    QFETCH(qint64, amount);
    QFETCH(QString, expected);
    QCOMPARE(plainTicksText(amount), expected);
    if (amount >= -kMaxTicks && amount <= kMaxTicks)
        QCOMPARE(asVariant(parseTicks(plainTicksText(amount))), ticks(amount));
}

void MoneyTest::ticksFromDoubleRoundsAndRejects_data()
{
    QTest::addColumn<double>("dollars");
    QTest::addColumn<QVariant>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("exact") << 12.5 << ticks(125000);
    QTest::newRow("inexact binary") << 0.1 << ticks(1000);
    QTest::newRow("rounds up") << 0.00006 << ticks(1);
    QTest::newRow("negative rounds down") << -0.00006 << ticks(-1);
    QTest::newRow("largest") << 450000000000.0 << ticks(kMaxTicks);
    QTest::newRow("above largest") << 450000000001.0 << none;
    QTest::newRow("far below int64") << -1e300 << none;
    QTest::newRow("infinite") << inf << none;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << none;
}

void MoneyTest::ticksFromDoubleRoundsAndRejects()
{
    QFETCH(double, dollars);
    QFETCH(QVariant, expected);
    QCOMPARE(asVariant(ticksFromDouble(dollars)), expected);
}

void MoneyTest::amountsSurviveTheRealColumn_data()
{
    // Bands of magnitude, in ticks. Up to 2^52 ticks every amount has a double
    // of its own; the top band is where rounding the product alone goes wrong.
    QTest::addColumn<qint64>("low");
    QTest::addColumn<qint64>("high");
    QTest::newRow("cents") << qint64{0} << qint64{1'000'000};
    QTest::newRow("up to 2^51") << qint64{1'000'000} << (qint64{1} << 51);
    QTest::newRow("2^51 to the largest") << (qint64{1} << 51) << qint64{kMaxTicks};
}

void MoneyTest::amountsSurviveTheRealColumn()
{
    QFETCH(qint64, low);
    QFETCH(qint64, high);
    QRandomGenerator random(20030105);
    for (int i = 0; i < 20000; ++i) {
        const Ticks amount = (i % 2 ? -1 : 1) * random.bounded(low, high);
        const auto back = ticksFromDouble(ticksToDouble(amount));
        QVERIFY2(back && *back == amount, qPrintable(plainTicksText(amount)));
    }
}

QTEST_GUILESS_MAIN(MoneyTest)
#include "tst_money.moc"
