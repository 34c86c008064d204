// Field text as the user could type it, through the field rules and the money
// parser, and amounts from raw bytes through the shown forms and back.
#include "FuzzCheck.h"
#include "platform/Regional.h"
#include "store/FieldRules.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace tesmo;

namespace {

void checkText(const QString &text)
{
    const QString plain = AwayFromCurrency(text);
    FUZZ_CHECK(!plain.contains(u','));
    FUZZ_CHECK(plain.size() <= text.size());

    // parseTicks accepts exactly the plain numbers within the size limit.
    const auto direct = parseTicks(text);
    if (direct) {
        FUZZ_CHECK(IsNumber(text));
        FUZZ_CHECK(*direct >= -kMaxTicks && *direct <= kMaxTicks);
        FUZZ_CHECK(parseTicks(plainTicksText(*direct)) == direct);
    }

    const bool plainIsNumber = IsNumber(plain);
    const auto money = moneyFromText(text);
    const auto number = numberFromText(text);
    FUZZ_CHECK(!money || plainIsNumber);
    FUZZ_CHECK(!number || (plainIsNumber && std::isfinite(*number)));
    if (money && number) {
        // Money is the number rounded to four decimals.
        const double gap = std::fabs(*number - ticksToDouble(*money));
        FUZZ_CHECK(gap <= 0.00005 + std::fabs(*number) * 1e-15);
    }
    if (plainIsNumber && !money) {
        // A plain number is refused as money only for its size.
        FUZZ_CHECK(!number || std::fabs(*number) >= 450000000000.0);
    }
}

void checkAmount(Ticks amount)
{
    const QString price = regional::priceText(amount);
    const QString net = regional::netAmountText(amount);
    if (amount < -kMaxTicks || amount > kMaxTicks) {
        FUZZ_CHECK(!moneyFromText(price));
        return;
    }
    FUZZ_CHECK(parseTicks(plainTicksText(amount)) == amount);
    if (amount >= 0) {
        FUZZ_CHECK(moneyFromText(price) == amount);
        const Ticks cents = amount / 100 * 100 + (amount % 100 >= 50 ? 100 : 0);
        if (cents <= kMaxTicks)
            FUZZ_CHECK(moneyFromText(net) == cents);
    } else {
        // The shown forms of a negative amount carry a sign before the "$",
        // unless it rounds to nothing in the shown decimals.
        FUZZ_CHECK(price.startsWith(u"-$"));
        FUZZ_CHECK(net.startsWith(u"($") || net == u"$0.00");
        FUZZ_CHECK(!moneyFromText(price));
    }
    if (amount > -(Ticks{1} << 52) && amount < (Ticks{1} << 52))
        FUZZ_CHECK(ticksFromDouble(ticksToDouble(amount)) == amount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkText(QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    if (size >= sizeof(Ticks)) {
        Ticks amount;
        std::memcpy(&amount, data, sizeof amount);
        checkAmount(amount);
        checkAmount(amount % (kMaxTicks + 1));
    }
    return 0;
}
