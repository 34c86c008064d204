// The lots of the master list, held in memory in a packed form of about
// fifty bytes a lot: each row's fields as one record of variable length in a
// byte arena (small numbers take few bytes), found by where it starts. Rows
// that do not fit the packed form (values of an unusual kind an older tool
// wrote) keep their plain texts instead.
#pragma once

#include "store/ByteArena.h"
#include "text/Fields.h"
#include "text/Money.h"

#include <QHash>
#include <optional>
#include <string_view>
#include <vector>

namespace tesmo {

// One lot as the table holds it; the texts are views into the table, valid
// until it changes.
struct LotRow {
    LotId id = 0;
    std::string_view name;   // UTF-8
    bool nameIsNull = false;
    std::string_view ticker;   // UTF-8
    double numShares = 0;
    std::optional<Ticks> price;
    std::optional<Ticks> netAmount;
    std::int32_t tradeDay = 0;   // Julian day, of the years 1 to 9999
};

class LotTable {
public:
    // The longest name, in bytes, of a packed row.
    static constexpr std::size_t kLongestName = 0xffff;
    static constexpr std::size_t kLongestTicker = 0xff;

    std::size_t size() const { return records_.size(); }
    void reserve(std::size_t rows) { records_.reserve(rows); }

    // Appends a lot; its texts are copied. A name or ticker longer than the
    // packed form takes, or a trade date outside the years 1 to 9999, is the
    // caller's to keep as texts (appendTexts).
    void append(const LotRow &lot);
    // Appends a lot known by its plain texts (12.5, 1/15/2003; empty for nulls).
    void appendTexts(LotId id, const FieldTexts &texts);
    // Appends a lot whose texts the caller keeps itself.
    void appendId(LotId id);
    void erase(std::size_t row);

    LotId id(std::size_t row) const;
    // The lot of a packed row; false for one known by texts or by ID only.
    bool lot(std::size_t row, LotRow &out) const;
    // The seven plain texts of a row; only the ID for a row known by it only.
    FieldTexts texts(std::size_t row) const;
    // The row of a lot; nothing when there is none. A binary search while the
    // rows are in ascending ID order, as a ledger read from the file is.
    std::optional<std::size_t> rowOf(LotId id) const;

private:
    void add(std::string_view record, LotId id);

    std::vector<std::uint32_t> records_;   // where each row's record starts
    ByteArena arena_;
    QHash<LotId, FieldTexts> texts_;       // the rows known by their texts
    bool ascending_ = true;
};

} // namespace tesmo
