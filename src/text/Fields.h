// The seven fields of a lot, by their position in the query qryStocks. The
// position of each field is also the index of its edit box in the main window.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace tesmo {

enum FieldPos : int {
    kID = 0,
    kName1 = 1,
    kTicker = 2,
    kNumShares = 3,
    kPrice = 4,
    kNetAmount = 5,
    kTradeDate = 6,
};
inline constexpr int kFieldCount = 7;

// A lot's ID as the file stores it: any 64-bit whole number.
using LotId = std::int64_t;

// One text per field position.
using FieldTexts = std::array<QString, kFieldCount>;

} // namespace tesmo
