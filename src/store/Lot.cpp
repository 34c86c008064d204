#include "store/Lot.h"

#include "text/FieldRules.h"
#include "text/IsoDate.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

QString valueText(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

bool isNumeric(int type)
{
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

FieldReading asIs(sqlite3_value *v, bool fits)
{
    const QString t = valueText(v);
    return {t, t, fits};
}

FieldReading readMoney(sqlite3_value *v, QString (*shownText)(Ticks))
{
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL)
        return {};
    if (!isNumeric(type))
        return asIs(v, false);
    const double dollars = sqlite3_value_double(v);
    if (const auto ticks = ticksFromDouble(dollars))
        return {plainTicksText(*ticks), shownText(*ticks), dollarsInRange(dollars)};
    const QString t = regional::numberText(dollars);
    return {t, t, false};
}

const char *const kCaptions[kFieldCount] = {"ID",    "Name/Description", "Ticker Symbol", "Number of Shares",
                                            "Price per Share", "Net Amount", "Trade Date"};

// A number or money text that does not convert: too large, or no number.
[[noreturn]] void notConverted(const QString &text)
{
    throw Error(IsNumber(AwayFromCurrency(text)) ? kErrOutOfRange : kErrTypeMismatch);
}

const char *const kColumns[kFieldCount] = {"ID", "Name1", "Ticker", "NumShares", "Price", "NetAmount", "TradeDate"};

} // namespace

FieldReading readField(int pos, sqlite3_value *v)
{
    const int type = sqlite3_value_type(v);
    switch (pos) {
    case kID:
        return asIs(v, type == SQLITE_INTEGER);
    case kName1:
        if (type == SQLITE_NULL)
            return {};
        return asIs(v, type == SQLITE_TEXT && fitsText(valueText(v), kNameLength));
    case kTicker:
        return asIs(v, type == SQLITE_TEXT && sqlite3_value_bytes(v) > 0 && fitsText(valueText(v), kTickerLength));
    case kNumShares: {
        if (!isNumeric(type))
            return asIs(v, false);
        const double shares = sqlite3_value_double(v);
        const QString t = regional::numberText(shares);
        return {t, t, sharesInRange(shares)};
    }
    case kPrice:
        return readMoney(v, regional::priceText);
    case kNetAmount:
        return readMoney(v, regional::netAmountText);
    case kTradeDate: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
        const auto date =
            type == SQLITE_TEXT && p ? readIsoDate({p, std::size_t(sqlite3_value_bytes(v))}) : std::nullopt;
        if (!date)
            return asIs(v, false);
        const QString t = regional::shortDate(*date);
        return {t, t, true};
    }
    default:
        return {};
    }
}

bool readLotRow(sqlite3_value *const *v, LotRow &r, HeldTexts &held)
{
    const auto text = [](sqlite3_value *value) {
        const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(value));
        return std::string_view(p, p ? std::size_t(sqlite3_value_bytes(value)) : 0);
    };
    r = LotRow{};
    r.id = LotId(sqlite3_value_int64(v[kID]));
    bool ofTheirKinds = true;
    // Types first: reading a number's text may change its type.
    const int nameType = sqlite3_value_type(v[kName1]);
    r.nameIsNull = nameType == SQLITE_NULL;
    ofTheirKinds = (r.nameIsNull || nameType == SQLITE_TEXT) && sqlite3_value_type(v[kTicker]) == SQLITE_TEXT;
    if (!r.nameIsNull)
        r.name = text(v[kName1]);
    r.ticker = text(v[kTicker]);
    const auto hold = [&](int pos) {
        held[std::size_t(pos)] = readField(pos, v[pos]).plain.toStdString();
        r.holdAsText(pos, held[std::size_t(pos)]);
        ofTheirKinds = false;
    };
    if (isNumeric(sqlite3_value_type(v[kNumShares])))
        r.numShares = sqlite3_value_double(v[kNumShares]);
    else
        hold(kNumShares);
    for (const auto &[pos, ticks] : {std::pair{kPrice, &r.price}, std::pair{kNetAmount, &r.netAmount}}) {
        const int type = sqlite3_value_type(v[pos]);
        if (type == SQLITE_NULL)
            continue;
        if (isNumeric(type))
            *ticks = ticksFromDouble(sqlite3_value_double(v[pos]));
        if (!*ticks)
            hold(pos);
    }
    const auto day = sqlite3_value_type(v[kTradeDate]) == SQLITE_TEXT ? readIsoDate(text(v[kTradeDate])) : std::nullopt;
    if (day)
        r.tradeDay = std::int32_t(day->toJulianDay());
    else
        hold(kTradeDate);
    return ofTheirKinds;
}

StoredLot::StoredLot(sqlite3_value *const *values)
{
    for (int pos = 0; pos < kFieldCount; ++pos) {
        columns_[std::size_t(pos)] = SqlValue(values[pos]);
        fits_[std::size_t(pos)] = readField(pos, columns_[std::size_t(pos)].get()).fits;
    }
    readRow();
}

StoredLot &StoredLot::operator=(const StoredLot &other)
{
    if (this != &other) {
        columns_ = other.columns_;
        fits_ = other.fits_;
        readRow();
    }
    return *this;
}

// The row's texts point into the lot's own values and texts, never into
// another's.
void StoredLot::readRow()
{
    sqlite3_value *values[kFieldCount];
    for (int pos = 0; pos < kFieldCount; ++pos)
        values[pos] = columns_[std::size_t(pos)].get();
    readLotRow(values, row_, held_);
    row_.boxAmounts = true;
}

StoredLot readStoredLot(const Statement &row)
{
    sqlite3_value *values[kFieldCount];
    for (int pos = 0; pos < kFieldCount; ++pos)
        values[pos] = sqlite3_column_value(row.handle(), pos);
    return StoredLot(values);
}

std::optional<double> StoredLot::shares() const
{
    if (row_.isText(kNumShares))
        return std::nullopt;
    return row_.numShares;
}

std::optional<QDate> StoredLot::tradeDate() const
{
    if (row_.isText(kTradeDate))
        return std::nullopt;
    return QDate::fromJulianDay(row_.tradeDay);
}

QStringList StoredLot::unfitFields() const
{
    QStringList names;
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        if (!fits_[std::size_t(pos)])
            names << QString::fromUtf8(kCaptions[pos]);
    return names;
}

FieldValue fieldValue(int pos, const QString &text)
{
    switch (pos) {
    case kName1:
        if (text.isEmpty())
            return {};
        if (!fitsText(text, kNameLength))
            throw Error(kErrOutOfRange);
        return text;
    case kTicker:
        if (text.isEmpty())
            throw Error(kErrRequiredField);
        if (!fitsText(text, kTickerLength))
            throw Error(kErrOutOfRange);
        return text;
    case kNumShares: {
        if (text.isEmpty())
            throw Error(kErrRequiredField);
        const auto shares = numberFromText(text);
        if (!shares)
            notConverted(text);
        if (!sharesInRange(*shares) || !sharesExact(*shares))
            throw Error(kErrOutOfRange);
        return *shares;
    }
    case kPrice:
    case kNetAmount: {
        if (text.isEmpty())
            return {};
        const auto ticks = moneyFromText(text);
        if (!ticks)
            notConverted(text);
        if (!moneyInRange(*ticks))
            throw Error(kErrOutOfRange);
        return ticksToDouble(*ticks);
    }
    case kTradeDate: {
        if (text.isEmpty())
            throw Error(kErrRequiredField);
        const auto date = regional::readDate(text);
        if (!date)
            throw Error(kErrTypeMismatch);
        return isoDateText(*date);
    }
    default:
        throw Error(kErrTypeMismatch);
    }
}

void bindFieldValue(Statement &s, int index, const FieldValue &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        s.bind(index, *text);
    else if (const auto *number = std::get_if<double>(&value))
        s.bind(index, *number);
    else
        s.bindNull(index);
}

const char *columnName(int pos)
{
    return kColumns[pos];
}

} // namespace tesmo
