// The ways a sale chooses the lots it takes shares from, each with the
// caption the user picks it by.
#pragma once

#include <QString>
#include <array>

namespace tesmo {

enum class SaleMethod {
    FirstIn,     // the oldest lots first
    LastIn,      // the newest lots first
    HighestCost, // the lots with the highest cost per share first
    LowestCost,  // the lots with the lowest cost per share first
    Chosen,      // the shares the user types for each lot
};

struct SaleMethodCaption {
    SaleMethod method;
    const char *caption;
};

// Every method in the order it is offered; the first is the default.
inline constexpr std::array<SaleMethodCaption, 5> kSaleMethods{{
    {SaleMethod::FirstIn, "First in, first out"},
    {SaleMethod::LastIn, "Last in, first out"},
    {SaleMethod::HighestCost, "Highest cost first"},
    {SaleMethod::LowestCost, "Lowest cost first"},
    {SaleMethod::Chosen, "Chosen lots"},
}};

inline QString saleMethodCaption(SaleMethod method)
{
    for (const auto &entry : kSaleMethods)
        if (entry.method == method)
            return QString::fromLatin1(entry.caption);
    return {};
}

} // namespace tesmo
