// One lot as the lists hold it and the exports write it: its values, each of
// its field's kind. A value that an older tool stored outside its field's
// kind (text in a number column, a date of the year 0, an amount too large
// for the money type) is held as the text it is shown as instead.
#pragma once

#include "text/Fields.h"
#include "text/Money.h"

#include <array>
#include <optional>
#include <string_view>

namespace tesmo {

struct LotRow {
    LotId id = 0;
    std::string_view name;     // UTF-8, as the file holds it
    bool nameIsNull = false;
    std::string_view ticker;   // UTF-8
    double numShares = 0;
    std::optional<Ticks> price;
    std::optional<Ticks> netAmount;
    std::int32_t tradeDay = 0;   // Julian day
    // The amounts are shown as the edit boxes show them ($1,250.00), as for
    // a lot written from the boxes; else as plain figures (1250), as for a
    // lot read from the file at start-up.
    bool boxAmounts = false;
    // The fields (of shares, price, net amount and trade date) held as their
    // texts, a bit 1 << position each, and those texts in UTF-8.
    std::uint8_t heldAsText = 0;
    std::array<std::string_view, kFieldCount> text;

    bool isText(int pos) const { return (heldAsText >> pos) & 1; }
    void holdAsText(int pos, std::string_view shown)
    {
        heldAsText = std::uint8_t(heldAsText | 1 << pos);
        text[std::size_t(pos)] = shown;
    }
};

// The texts a list shows for the lot, in field order: the plain number of
// shares, the amounts as its boxAmounts says, the short trade date.
FieldTexts shownTexts(const LotRow &lot);

// True when two rows hold the same values of a lot, however they show them.
bool sameValues(const LotRow &a, const LotRow &b);

} // namespace tesmo
