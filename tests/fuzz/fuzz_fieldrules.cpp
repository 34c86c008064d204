// Field text as the user could type it, through the field rules and the money
// parser, and amounts from raw bytes through the shown forms and back. A lot
// that passes the field rules always converts for the store.
#include "FuzzCheck.h"
#include "store/Lot.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <cmath>
#include <cstring>

using namespace tesmo;

static void checkText(const QString &text)
{
    FUZZ_CHECK(!AwayFromCurrency(text).contains(u','));
    // The money parser accepts exactly the plain numbers within the size limit.
    const auto direct = parseTicks(text);
    FUZZ_CHECK(!direct || (IsNumber(text) && *direct >= -kMaxTicks && *direct <= kMaxTicks));

    const bool plainIsNumber = IsNumber(AwayFromCurrency(text));
    const auto money = moneyFromText(text);
    const auto number = numberFromText(text);
    FUZZ_CHECK(!money || plainIsNumber);
    FUZZ_CHECK(!number || (plainIsNumber && std::isfinite(*number)));
    // Money is the number rounded to four decimals, and refuses a plain number
    // only for its size.
    if (money && number)
        FUZZ_CHECK(std::fabs(*number - ticksToDouble(*money)) <= 0.00005 + std::fabs(*number) * 1e-15);
    if (plainIsNumber && !money)
        FUZZ_CHECK(!number || std::fabs(*number) >= double(kMaxTicks) / kTicksPerDollar - 1);
}

// The texts split at "|" into the six visible fields: what the rules let
// through, the store converts without an error.
static void checkLot(const QString &text)
{
    const QStringList parts = text.split(u'|');
    FieldTexts fields;
    for (int pos = kName1; pos <= kTradeDate && pos - 1 < parts.size(); ++pos)
        fields[std::size_t(pos)] = parts[pos - 1];
    // The boxes keep names and tickers within their lengths.
    if (!fitsText(fields[kName1], kNameLength) || !fitsText(fields[kTicker], kTickerLength))
        return;
    if (firstBrokenRule(fields))
        return;
    for (int pos = kName1; pos <= kTradeDate; ++pos) {
        try {
            fieldValue(pos, fields[std::size_t(pos)]);
        } catch (const Error &) {
            FUZZ_CHECK(!"a lot the rules let through does not convert");
        }
    }
}

static void checkAmount(Ticks amount)
{
    const QString price = regional::priceText(amount);
    const QString net = regional::netAmountText(amount);
    if (amount < -kMaxTicks || amount > kMaxTicks) {
        FUZZ_CHECK(!moneyFromText(price));
        return;
    }
    FUZZ_CHECK(parseTicks(plainTicksText(amount)) == amount);
    FUZZ_CHECK(ticksFromDouble(ticksToDouble(amount)) == amount);
    if (amount >= 0) {
        FUZZ_CHECK(moneyFromText(price) == amount);
        const Ticks cents = (amount + 50) / 100 * 100;
        FUZZ_CHECK(cents > kMaxTicks || moneyFromText(net) == cents);
    } else {
        // A negative amount is shown signed unless it rounds to nothing, and its
        // price text does not read back as money.
        FUZZ_CHECK(price.startsWith(u"-$") && !moneyFromText(price));
        FUZZ_CHECK(net.startsWith(u"($") || net == u"$0.00");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkText(text);
    checkLot(text);
    Ticks amount;
    if (size >= sizeof amount) {
        std::memcpy(&amount, data, sizeof amount);
        checkAmount(amount);
        checkAmount(amount % (kMaxTicks + 1));
    }
    return 0;
}
