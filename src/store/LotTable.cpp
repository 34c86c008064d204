#include "store/LotTable.h"

#include "text/Regional.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace tesmo {

namespace {

// A record: a byte of flags, the ID, and unless the row is known otherwise,
// the name and ticker with their lengths, the number of shares (a whole
// number as such, else the double's eight bytes), the amounts that are
// there, and the trade date in three bytes. Whole numbers are written in as
// few bytes as they need (LEB128, signed ones zigzag first).
enum Flag : std::uint8_t {
    kNameNull = 1,
    kPriceNull = 2,
    kNetNull = 4,
    kWholeShares = 8,
    kIdOnly = 16,
};

// The trade date's days are counted from 1 January of the year 1.
const std::int32_t kFirstDay = std::int32_t(QDate(1, 1, 1).toJulianDay());
constexpr std::int32_t kDays = 1 << 24;

void putUnsigned(std::string &out, std::uint64_t v)
{
    while (v >= 0x80) {
        out += char(v | 0x80);
        v >>= 7;
    }
    out += char(v);
}

void putSigned(std::string &out, std::int64_t v)
{
    putUnsigned(out, (std::uint64_t(v) << 1) ^ std::uint64_t(v >> 63));
}

std::uint64_t getUnsigned(const char *&p)
{
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = std::uint8_t(*p++);
        v |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return v;
    }
}

std::int64_t getSigned(const char *&p)
{
    const std::uint64_t v = getUnsigned(p);
    return std::int64_t(v >> 1) ^ -std::int64_t(v & 1);
}

bool isWhole(double v)
{
    return v == std::trunc(v) && std::fabs(v) < 0x1p62 && !(v == 0 && std::signbit(v));
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

void LotTable::add(std::string_view record, LotId id)
{
    if (!records_.empty() && id <= this->id(records_.size() - 1))
        ascending_ = false;
    records_.push_back(arena_.add(record));
}

void LotTable::append(const LotRow &lot)
{
    thread_local std::string r;
    r.clear();
    const bool whole = isWhole(lot.numShares);
    r += char((lot.nameIsNull ? kNameNull : 0) | (lot.price ? 0 : kPriceNull) | (lot.netAmount ? 0 : kNetNull)
              | (whole ? kWholeShares : 0));
    putSigned(r, lot.id);
    const std::string_view name = lot.name.substr(0, kLongestName);
    putUnsigned(r, name.size());
    r += name;
    const std::string_view ticker = lot.ticker.substr(0, kLongestTicker);
    r += char(ticker.size());
    r += ticker;
    if (whole) {
        putSigned(r, std::int64_t(lot.numShares));
    } else {
        char bytes[sizeof(double)];
        std::memcpy(bytes, &lot.numShares, sizeof bytes);
        r.append(bytes, sizeof bytes);
    }
    if (lot.price)
        putSigned(r, *lot.price);
    if (lot.netAmount)
        putSigned(r, *lot.netAmount);
    const auto day = std::uint32_t(std::clamp(lot.tradeDay - kFirstDay, 0, kDays - 1));
    r += char(day);
    r += char(day >> 8);
    r += char(day >> 16);
    add(r, lot.id);
}

void LotTable::appendTexts(LotId id, const FieldTexts &texts)
{
    texts_.insert(id, texts);
    appendId(id);
}

void LotTable::appendId(LotId id)
{
    std::string r(1, char(kIdOnly));
    putSigned(r, id);
    add(r, id);
}

void LotTable::erase(std::size_t row)
{
    if (!texts_.isEmpty())
        texts_.remove(id(row));
    records_.erase(records_.begin() + std::ptrdiff_t(row));
}

LotId LotTable::id(std::size_t row) const
{
    const char *p = arena_.at(records_[row]) + 1;
    return getSigned(p);
}

bool LotTable::lot(std::size_t row, LotRow &out) const
{
    const char *p = arena_.at(records_[row]);
    const auto flags = std::uint8_t(*p++);
    out.id = getSigned(p);
    if (flags & kIdOnly)
        return false;
    const auto nameLength = std::size_t(getUnsigned(p));
    out.name = {p, nameLength};
    p += nameLength;
    out.nameIsNull = flags & kNameNull;
    const auto tickerLength = std::size_t(std::uint8_t(*p++));
    out.ticker = {p, tickerLength};
    p += tickerLength;
    if (flags & kWholeShares) {
        out.numShares = double(getSigned(p));
    } else {
        std::memcpy(&out.numShares, p, sizeof(double));
        p += sizeof(double);
    }
    out.price = flags & kPriceNull ? std::nullopt : std::optional<Ticks>(getSigned(p));
    out.netAmount = flags & kNetNull ? std::nullopt : std::optional<Ticks>(getSigned(p));
    const auto *d = reinterpret_cast<const std::uint8_t *>(p);
    out.tradeDay = kFirstDay + std::int32_t(d[0] | d[1] << 8 | d[2] << 16);
    return true;
}

FieldTexts LotTable::texts(std::size_t row) const
{
    LotRow r;
    FieldTexts t;
    if (!lot(row, r)) {
        if (const auto it = texts_.constFind(r.id); it != texts_.cend())
            return *it;
        t[kID] = QString::number(r.id);
        return t;
    }
    t[kID] = QString::number(r.id);
    t[kName1] = fromUtf8(r.name);
    t[kTicker] = fromUtf8(r.ticker);
    t[kNumShares] = regional::numberText(r.numShares);
    if (r.price)
        t[kPrice] = plainTicksText(*r.price);
    if (r.netAmount)
        t[kNetAmount] = plainTicksText(*r.netAmount);
    t[kTradeDate] = regional::shortDate(QDate::fromJulianDay(r.tradeDay));
    return t;
}

std::optional<std::size_t> LotTable::rowOf(LotId id) const
{
    if (ascending_) {
        std::size_t low = 0, high = records_.size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (this->id(middle) < id)
                low = middle + 1;
            else
                high = middle;
        }
        return low < records_.size() && this->id(low) == id ? std::optional(low) : std::nullopt;
    }
    for (std::size_t row = 0; row < records_.size(); ++row) {
        if (this->id(row) == id)
            return row;
    }
    return std::nullopt;
}

} // namespace tesmo
