// The lot record: seven fields in a fixed order. The position of each field is
// also the index of its edit box in the main window.
#pragma once

#include "store/Money.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

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

using LotId = std::int32_t;

// One lot as the file holds it. Empty optionals are nulls.
struct Lot {
    LotId id = 0;
    QString name1;
    QString ticker;
    std::optional<double> numShares;
    std::optional<Ticks> price;
    std::optional<Ticks> netAmount;
    std::optional<QDate> tradeDate;

    friend bool operator==(const Lot &, const Lot &) = default;
};

// The seven texts of a lot, one per field position, in the plain text form in
// which a bound box shows them: decimal ID, numbers without grouping, money as
// plain decimals (12.5), the date in short form, empty text for nulls.
using FieldTexts = std::array<QString, kFieldCount>;
FieldTexts plainTexts(const Lot &lot);

} // namespace tesmo
