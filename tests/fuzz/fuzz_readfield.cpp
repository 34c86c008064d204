// Values of any kind as another tool may have stored them, through the
// readers of the file's columns: every value is shown without a fault, and a
// value that fits its field shows in a form that reads back as that value.
// The ISO date reader takes any bytes.
#include "FuzzCheck.h"
#include "store/Lot.h"
#include "text/FieldRules.h"
#include "text/IsoDate.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <cmath>
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
        FUZZ_CHECK(!firstBrokenRule(lot));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Echo echo;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);

    // Text in any column, the trade date's among them.
    sqlite3_value *text = echo.value([&](sqlite3_stmt *s) {
        sqlite3_bind_text(s, 1, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    });
    for (int pos = 0; pos < kFieldCount; ++pos)
        readField(pos, text);
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

    double number;
    if (size >= sizeof number) {
        std::memcpy(&number, data, sizeof number);
        sqlite3_value *real = echo.value([&](sqlite3_stmt *s) { sqlite3_bind_double(s, 1, number); });
        if (!std::isnan(number)) {   // the engine stores NaN as NULL
            checkMoney(real, number);
            checkShares(real, number);
        }
        std::int64_t whole;
        std::memcpy(&whole, data, sizeof whole);
        sqlite3_value *integer = echo.value([&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 1, whole); });
        checkMoney(integer, double(whole));
        checkShares(integer, double(whole));
    }
    return 0;
}
