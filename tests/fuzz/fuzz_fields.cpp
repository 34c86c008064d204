// Any bytes as field texts and as values another tool stored. Typed: a lot the
// field rules and the money parser pass converts for the store. Stored, in any
// column: shown without a fault, and as a form that reads back as the value when
// it fits. Amounts from raw bytes go through the shown forms and back.
#include "FuzzCheck.h"
#include "store/Lot.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/IsoDate.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>
#include <sqlite3.h>

using namespace tesmo;

namespace {

// A one-row statement that hands back the value it was given, as a column
// value of the engine.
class Echo {
public:
    Echo()
    {
        sqlite3_open(":memory:", &db_);
        sqlite3_prepare_v2(db_, "SELECT ?1", -1, &stmt_, nullptr);
    }
    ~Echo()
    {
        sqlite3_finalize(stmt_);
        sqlite3_close(db_);
    }
    template <typename Bind>
    sqlite3_value *value(Bind bind)
    {
        sqlite3_reset(stmt_);
        bind(stmt_);
        sqlite3_step(stmt_);
        return sqlite3_column_value(stmt_, 0);
    }

private:
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
};

void checkText(const QString &text)
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
void checkLot(const QString &text)
{
    const QStringList parts = text.split(u'|');
    FieldTexts fields;
    for (int pos = kName1; pos <= kTradeDate && pos - 1 < parts.size(); ++pos)
        fields[std::size_t(pos)] = parts[pos - 1];
    // The boxes keep names and tickers within their lengths.
    if (!fitsText(fields[kName1], kNameLength) || !fitsText(fields[kTicker], kTickerLength) || firstBrokenRule(fields))
        return;
    for (int pos = kName1; pos <= kTradeDate; ++pos) {
        try {
            fieldValue(pos, fields[std::size_t(pos)]);
        } catch (const Error &) {
            FUZZ_CHECK(!"a lot the rules let through does not convert");
        }
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

void checkMoney(sqlite3_value *v, double dollars)
{
    const FieldReading price = readField(kPrice, v);
    const FieldReading net = readField(kNetAmount, v);
    FUZZ_CHECK(price.fits == net.fits);
    if (!price.fits)
        return;
    FUZZ_CHECK(dollars >= 0 && dollars <= double(kMaxMoneyTicks) / kTicksPerDollar);
    // The price shows all four decimals: it reads back as the stored amount
    // rounded to the tick, and so does the plain text of the list.
    const auto ticks = ticksFromDouble(dollars);
    FUZZ_CHECK(ticks && moneyFromText(price.shown) == ticks && moneyFromText(price.plain) == ticks);
    FUZZ_CHECK(moneyFromText(net.shown).has_value());
}

void checkShares(sqlite3_value *v, double shares)
{
    const FieldReading r = readField(kNumShares, v);
    FUZZ_CHECK(r.fits == sharesInRange(shares));
    if (r.fits) {
        const auto back = numberFromText(r.shown);
        FUZZ_CHECK(back && std::fabs(*back - shares) <= std::fabs(shares) * 6e-15 + 1e-300);
        FieldTexts lot;
        lot[kTicker] = QStringLiteral("T");
        lot[kNumShares] = r.shown;
        lot[kTradeDate] = QStringLiteral("1/1/2000");
        // A count finer than the ledger keeps, stored by another tool, is
        // shown as it is; saving it again is refused for its decimals.
        const auto broken = firstBrokenRule(lot);
        FUZZ_CHECK(sharesExact(*back) ? !broken : broken && broken->field == kNumShares);
    }
}

// A lot read with the value in every field shows in each box what that
// field's own reading shows.
void checkBoxes(sqlite3_value *v)
{
    sqlite3_value *values[kFieldCount];
    std::fill(std::begin(values), std::end(values), v);
    const StoredLot lot(values);
    const StoredLot copy = lot;   // its texts are its own
    const FieldTexts boxes = copy.boxTexts();
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        FUZZ_CHECK(boxes[std::size_t(pos)] == readField(pos, SqlValue(v).get()).shown);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Echo echo;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const QString typed = QString::fromUtf8(bytes.data(), qsizetype(size));
    checkText(typed);
    checkLot(typed);

    // Text in any column, the trade date's among them.
    sqlite3_value *text = echo.value([&](sqlite3_stmt *s) {
        sqlite3_bind_text(s, 1, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    });
    for (int pos = 0; pos < kFieldCount; ++pos)
        readField(pos, text);
    checkBoxes(text);
    const auto iso = readIsoDate(bytes);
    const FieldReading date = readField(kTradeDate, text);
    FUZZ_CHECK(date.fits == iso.has_value());
    if (iso) {
        FUZZ_CHECK(iso->year() >= kFirstYear && iso->year() <= kLastYear);
        FUZZ_CHECK(isoDateText(*iso).toStdString() == bytes);
        FUZZ_CHECK(regional::readDate(date.shown) == iso);
    }
    const FieldReading name = readField(kName1, text);
    FUZZ_CHECK(!name.fits || fitsText(name.shown, kNameLength));

    if (size < sizeof(double))
        return 0;
    double number;
    std::int64_t whole;
    std::memcpy(&number, data, sizeof number);
    std::memcpy(&whole, data, sizeof whole);
    checkAmount(whole);
    checkAmount(whole % (kMaxTicks + 1));
    sqlite3_value *real = echo.value([&](sqlite3_stmt *s) { sqlite3_bind_double(s, 1, number); });
    if (!std::isnan(number)) {   // the engine stores NaN as NULL
        checkMoney(real, number);
        checkShares(real, number);
        checkBoxes(real);
    }
    sqlite3_value *integer = echo.value([&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 1, whole); });
    checkMoney(integer, double(whole));
    checkShares(integer, double(whole));
    checkBoxes(integer);
    return 0;
}
