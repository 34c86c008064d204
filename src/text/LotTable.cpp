#include "text/LotTable.h"

#include "text/Regional.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace tesmo {

namespace {

// A record: a byte of flags (and a second one of the fields held as texts,
// when there are any), the ID, the name and ticker with their lengths, the
// number of shares (a whole number as such, else the double's eight bytes),
// the amounts that are there, and the trade date in three bytes; a field
// held as its text has that text with its length instead. Whole numbers are
// written in as few bytes as they need (LEB128, signed ones zigzag first).
enum Flag : std::uint8_t {
    kNameNull = 1,
    kPriceNull = 2,
    kNetNull = 4,
    kWholeShares = 8,
    kBoxAmounts = 16,
    kTexts = 32,
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

void putText(std::string &out, std::string_view text)
{
    putUnsigned(out, text.size());
    out += text;
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

std::string_view getText(const char *&p)
{
    const auto length = std::size_t(getUnsigned(p));
    const std::string_view text(p, length);
    p += length;
    return text;
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

bool sameValues(const LotRow &a, const LotRow &b)
{
    if (a.id != b.id || a.name != b.name || a.nameIsNull != b.nameIsNull || a.ticker != b.ticker
        || a.heldAsText != b.heldAsText || a.price != b.price || a.netAmount != b.netAmount)
        return false;
    for (int pos = kNumShares; pos <= kTradeDate; ++pos)
        if (a.isText(pos) && a.text[std::size_t(pos)] != b.text[std::size_t(pos)])
            return false;
    return (a.isText(kNumShares) || a.numShares == b.numShares) && (a.isText(kTradeDate) || a.tradeDay == b.tradeDay);
}

FieldTexts shownTexts(const LotRow &lot)
{
    FieldTexts t;
    t[kID] = QString::number(lot.id);
    t[kName1] = fromUtf8(lot.name);
    t[kTicker] = fromUtf8(lot.ticker);
    const auto money = [&](int pos, const std::optional<Ticks> &ticks, QString (*boxText)(Ticks)) {
        if (lot.isText(pos))
            t[std::size_t(pos)] = fromUtf8(lot.text[std::size_t(pos)]);
        else if (ticks)
            t[std::size_t(pos)] = lot.boxAmounts ? boxText(*ticks) : plainTicksText(*ticks);
    };
    t[kNumShares] = lot.isText(kNumShares) ? fromUtf8(lot.text[kNumShares]) : regional::numberText(lot.numShares);
    money(kPrice, lot.price, regional::priceText);
    money(kNetAmount, lot.netAmount, regional::netAmountText);
    t[kTradeDate] = lot.isText(kTradeDate) ? fromUtf8(lot.text[kTradeDate])
                                           : regional::shortDate(QDate::fromJulianDay(lot.tradeDay));
    return t;
}

std::uint32_t LotTable::pack(const LotRow &lot)
{
    thread_local std::string r;
    r.clear();
    const bool whole = isWhole(lot.numShares);
    const std::uint8_t texts = lot.heldAsText & (1 << kNumShares | 1 << kPrice | 1 << kNetAmount | 1 << kTradeDate);
    r += char((lot.nameIsNull ? kNameNull : 0) | (lot.price ? 0 : kPriceNull) | (lot.netAmount ? 0 : kNetNull)
              | (whole ? kWholeShares : 0) | (lot.boxAmounts ? kBoxAmounts : 0) | (texts ? kTexts : 0));
    if (texts)
        r += char(texts);
    putSigned(r, lot.id);
    putText(r, lot.name);
    putText(r, lot.ticker);
    if (lot.isText(kNumShares)) {
        putText(r, lot.text[kNumShares]);
    } else if (whole) {
        putSigned(r, std::int64_t(lot.numShares));
    } else {
        char bytes[sizeof(double)];
        std::memcpy(bytes, &lot.numShares, sizeof bytes);
        r.append(bytes, sizeof bytes);
    }
    for (const auto &[pos, ticks] : {std::pair{kPrice, lot.price}, std::pair{kNetAmount, lot.netAmount}}) {
        if (lot.isText(pos))
            putText(r, lot.text[std::size_t(pos)]);
        else if (ticks)
            putSigned(r, *ticks);
    }
    if (lot.isText(kTradeDate)) {
        putText(r, lot.text[kTradeDate]);
    } else {
        const auto day = std::uint32_t(std::clamp(lot.tradeDay - kFirstDay, 0, kDays - 1));
        r += char(day);
        r += char(day >> 8);
        r += char(day >> 16);
    }
    return rows_.arena.add(r);
}

void LotTable::tell(bool before, Watcher::Change change, std::size_t row)
{
    for (Watcher *watcher : watchers_) {
        if (before)
            watcher->changing(change, row);
        else
            watcher->changed(change, row);
    }
}

void LotTable::append(const LotRow &lot)
{
    const std::size_t row = size();
    if (row > 0 && lot.id <= id(row - 1))
        rows_.ascending = false;
    const std::uint32_t record = pack(lot);
    tell(true, Watcher::Change::Insert, row);
    rows_.records.push_back(record);
    tell(false, Watcher::Change::Insert, row);
}

std::size_t LotTable::insert(const LotRow &lot)
{
    std::size_t row = size();
    if (rows_.ascending && row > 0 && lot.id < id(row - 1)) {
        std::size_t low = 0;
        while (low < row) {
            const std::size_t middle = low + (row - low) / 2;
            if (id(middle) <= lot.id)
                low = middle + 1;
            else
                row = middle;
        }
    }
    if (row == size()) {
        append(lot);
        return row;
    }
    const std::uint32_t record = pack(lot);
    tell(true, Watcher::Change::Insert, row);
    rows_.records.insert(rows_.records.begin() + std::ptrdiff_t(row), record);
    tell(false, Watcher::Change::Insert, row);
    return row;
}

void LotTable::insert(const LotTable &rows)
{
    if (rows.size() <= 1 || !rows_.ascending) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            insert(rows.lot(i));
        return;
    }
    tell(true, Watcher::Change::Reset, 0);
    std::vector<std::uint32_t> merged;
    merged.reserve(size() + rows.size());
    std::size_t next = 0;
    for (std::size_t row = 0; row < size(); ++row) {
        for (const LotId at = id(row); next < rows.size() && rows.id(next) < at; ++next)
            merged.push_back(pack(rows.lot(next)));
        merged.push_back(rows_.records[row]);
    }
    for (; next < rows.size(); ++next)
        merged.push_back(pack(rows.lot(next)));
    rows_.records = std::move(merged);
    tell(false, Watcher::Change::Reset, 0);
}

// The old record stays in the arena, unused: a lot is replaced when it is
// saved, which a user does a few times, not a million.
void LotTable::replace(std::size_t row, const LotRow &lot)
{
    const std::uint32_t record = pack(lot);
    tell(true, Watcher::Change::Replace, row);
    rows_.records[row] = record;
    if ((row > 0 && lot.id <= id(row - 1)) || (row + 1 < size() && lot.id >= id(row + 1)))
        rows_.ascending = false;
    tell(false, Watcher::Change::Replace, row);
}

void LotTable::erase(std::size_t row)
{
    tell(true, Watcher::Change::Remove, row);
    rows_.records.erase(rows_.records.begin() + std::ptrdiff_t(row));
    tell(false, Watcher::Change::Remove, row);
}

void LotTable::erase(const std::vector<std::size_t> &rows)
{
    if (rows.size() <= 1) {
        if (!rows.empty())
            erase(rows.front());
        return;
    }
    tell(true, Watcher::Change::Reset, 0);
    std::size_t kept = rows.front(), next = 0;
    for (std::size_t row = rows.front(); row < rows_.records.size(); ++row) {
        if (next < rows.size() && rows[next] == row)
            ++next;
        else
            rows_.records[kept++] = rows_.records[row];
    }
    rows_.records.resize(kept);
    tell(false, Watcher::Change::Reset, 0);
}

void LotTable::clear()
{
    tell(true, Watcher::Change::Reset, 0);
    rows_ = {};
    tell(false, Watcher::Change::Reset, 0);
}

void LotTable::assign(LotTable &other)
{
    tell(true, Watcher::Change::Reset, 0);
    rows_ = std::move(other.rows_);
    other.rows_ = {};
    tell(false, Watcher::Change::Reset, 0);
}

LotId LotTable::id(std::size_t row) const
{
    const char *p = rows_.arena.at(rows_.records[row]);
    p += *p & kTexts ? 2 : 1;
    return getSigned(p);
}

LotRow LotTable::lot(std::size_t row) const
{
    LotRow out;
    const char *p = rows_.arena.at(rows_.records[row]);
    const auto flags = std::uint8_t(*p++);
    if (flags & kTexts)
        out.heldAsText = std::uint8_t(*p++);
    out.id = getSigned(p);
    out.name = getText(p);
    out.nameIsNull = flags & kNameNull;
    out.ticker = getText(p);
    if (out.isText(kNumShares)) {
        out.text[kNumShares] = getText(p);
    } else if (flags & kWholeShares) {
        out.numShares = double(getSigned(p));
    } else {
        std::memcpy(&out.numShares, p, sizeof(double));
        p += sizeof(double);
    }
    for (const auto &[pos, isNull, ticks] :
         {std::tuple{kPrice, flags & kPriceNull, &out.price}, std::tuple{kNetAmount, flags & kNetNull, &out.netAmount}}) {
        if (out.isText(pos))
            out.text[std::size_t(pos)] = getText(p);
        else if (!isNull)
            *ticks = getSigned(p);
    }
    if (out.isText(kTradeDate)) {
        out.text[kTradeDate] = getText(p);
    } else {
        const auto *d = reinterpret_cast<const std::uint8_t *>(p);
        out.tradeDay = kFirstDay + std::int32_t(d[0] | d[1] << 8 | d[2] << 16);
    }
    out.boxAmounts = flags & kBoxAmounts;
    return out;
}

std::optional<std::size_t> LotTable::rowOf(LotId id) const
{
    const std::size_t rows = size();
    if (rows_.ascending) {
        std::size_t low = 0, high = rows;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (this->id(middle) < id)
                low = middle + 1;
            else
                high = middle;
        }
        return low < rows && this->id(low) == id ? std::optional(low) : std::nullopt;
    }
    for (std::size_t row = 0; row < rows; ++row) {
        if (this->id(row) == id)
            return row;
    }
    return std::nullopt;
}

} // namespace tesmo
