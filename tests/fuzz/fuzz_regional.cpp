// Typed dates through readDate, and doubles from raw bytes through numberText.
#include "FuzzCheck.h"
#include "text/FieldRules.h"
#include "text/Regional.h"

#include <QRegularExpression>
#include <cmath>
#include <cstring>

using namespace tesmo;

static void checkNumber(double value)
{
    const QString text = regional::numberText(value);
    if (!std::isfinite(value))
        return;
    // Plain decimal: no exponent, grouping, leading zeros or trailing zeros
    // after the point, and at most fifteen significant digits.
    static const QRegularExpression plain(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]*[1-9])?$"));
    static const QRegularExpression notSignificant(QStringLiteral("^[-0.]+|0+$|\\."));
    FUZZ_CHECK(plain.match(text).hasMatch());
    FUZZ_CHECK(QString(text).remove(notSignificant).size() <= 15);

    // It reads back as the value to fifteen significant digits: half a unit in
    // the fifteenth is at most 5e-15 of the value. Left out are values whose
    // text underflows a double, and those next to the largest double, whose
    // fifteen digits round up past it.
    const auto back = numberFromText(text);
    if (std::fabs(value) >= 1e-300 && std::fabs(value) <= 1e308)
        FUZZ_CHECK(back && std::fabs(*back - value) <= std::fabs(value) * 6e-15);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto typed = regional::readDate(
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    FUZZ_CHECK(!typed || (typed->isValid() && regional::readDate(regional::shortDate(*typed)) == typed));

    std::uint64_t bits;
    if (size >= sizeof bits) {
        std::memcpy(&bits, data, sizeof bits);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        checkNumber(value);
        // Every date from year 1 to 9999 goes through its short form and back.
        const QDate first(1, 1, 1);
        const auto days = static_cast<std::uint64_t>(first.daysTo(QDate(9999, 12, 31)) + 1);
        const QDate date = first.addDays(static_cast<qint64>(bits % days));
        FUZZ_CHECK(regional::readDate(regional::shortDate(date)) == date);
    }
    return 0;
}
