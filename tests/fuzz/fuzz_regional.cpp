// Typed dates through readDate, and doubles from raw bytes through numberText.
#include "FuzzCheck.h"
#include "platform/Regional.h"
#include "store/FieldRules.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace tesmo;

namespace {

void checkDateText(const QString &text)
{
    const auto date = regional::readDate(text);
    if (!date)
        return;
    FUZZ_CHECK(date->isValid() && date->year() >= 1 && date->year() <= 9999);
    FUZZ_CHECK(regional::readDate(regional::shortDate(*date)) == date);
}

void checkNumber(double value)
{
    const QString text = regional::numberText(value);
    if (!std::isfinite(value))
        return;
    FUZZ_CHECK(!text.contains(u'e') && !text.contains(u'E') && !text.contains(u','));
    FUZZ_CHECK(!text.contains(u'.') || !text.endsWith(u'0'));

    // At most fifteen digits between the first and last that are not zero.
    QString digits = text;
    digits.remove(u'-').remove(u'.');
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    while (digits.endsWith(u'0'))
        digits.chop(1);
    FUZZ_CHECK(digits.size() <= 15);

    // The text reads back as the value to fifteen significant digits, half a
    // unit in the fifteenth digit being at most 5e-15 of the value. Left out
    // are values whose text underflows a double, and those next to the largest
    // double, whose fifteen digits round up past it.
    const auto back = numberFromText(text);
    if (std::fabs(value) >= 1e-300 && std::fabs(value) <= 1e308) {
        FUZZ_CHECK(back.has_value());
        FUZZ_CHECK(std::fabs(*back - value) <= std::fabs(value) * 6e-15);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkDateText(QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        checkNumber(value);
        std::int64_t day;
        std::memcpy(&day, data, sizeof day);
        const qint64 first = QDate(1, 1, 1).toJulianDay();
        const qint64 last = QDate(9999, 12, 31).toJulianDay();
        const QDate date = QDate::fromJulianDay(first + static_cast<qint64>(
                                                            static_cast<std::uint64_t>(day) %
                                                            static_cast<std::uint64_t>(last - first + 1)));
        FUZZ_CHECK(regional::readDate(regional::shortDate(date)) == date);
    }
    return 0;
}
