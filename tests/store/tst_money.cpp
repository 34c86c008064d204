// Money as ticks: parsing with rounding and limits, plain text, the REAL column.
#include "store/Money.h"

#include <QRandomGenerator>
#include <QTest>

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
    void parseTicksRoundsHalfAwayFromZero_data()
    {
        // Rows that are not plain numbers are in tst_fieldrules, against IsNumber.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QString>("plain"); // the amount written back
        auto row = [](const char *name, const QString &text, QVariant expected, const char *plain = "") {
            QTest::newRow(name) << text << expected << QString(plain);
        };
        row("leading point, negative", "-.5", ticks(-5000), "-0.5");
        row("inner zeros kept, trailing dropped", "-1.0010", ticks(-10010), "-1.001");
        row("fifth decimal 5 rounds up", "1.23455", ticks(12346), "1.2346");
        row("only the fifth decimal counts", "1.2345499999", ticks(12345), "1.2345");
        row("negative rounds away, carrying", "-9.99995", ticks(-100000), "-10");
        row("long run of leading zeros", QString(40, u'0') + "12", ticks(120000), "12");
        row("largest", "450000000000", ticks(kMaxTicks), "450000000000");
        row("one tick too large", "450000000000.0001", none);
        row("rounds past largest", "450000000000.00005", none);
        row("beyond int64", "99999999999999999999999", none);
    }
    void parseTicksRoundsHalfAwayFromZero()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, expected);
        QFETCH(QString, plain);
        const auto read = parseTicks(text);
        QCOMPARE(asVariant(read), expected);
        if (read) {
            QCOMPARE(plainTicksText(*read), plain);
            QCOMPARE(parseTicks(plain), read);
        }
    }

    void ticksFromDoubleRoundsAndRejects_data()
    {
        QTest::addColumn<double>("dollars");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("negative rounds away") << -0.00006 << ticks(-1);
        QTest::newRow("largest") << 450000000000.0 << ticks(kMaxTicks);
        QTest::newRow("above largest") << 450000000001.0 << none;
        QTest::newRow("far below int64") << -1e300 << none;
        QTest::newRow("not a number") << qQNaN() << none;
    }
    void ticksFromDoubleRoundsAndRejects()
    {
        QFETCH(double, dollars);
        QFETCH(QVariant, expected);
        QCOMPARE(asVariant(ticksFromDouble(dollars)), expected);
    }

    void amountsSurviveTheRealColumn()
    {
        // Cents, and the top of the range, where the product in ticksFromDouble
        // is itself rounded and can land a tick away from the amount written.
        QRandomGenerator random(20030105);
        for (int i = 0; i < 40000; ++i) {
            const qint64 high = i % 4 < 2 ? 1'000'000 : qint64{kMaxTicks} + 1;
            const Ticks amount = (i % 2 ? -1 : 1) * random.bounded(high / 2, high);
            const auto back = ticksFromDouble(ticksToDouble(amount));
            QVERIFY2(back && *back == amount, qPrintable(plainTicksText(amount)));
        }
    }
};

QTEST_GUILESS_MAIN(MoneyTest)
#include "tst_money.moc"
