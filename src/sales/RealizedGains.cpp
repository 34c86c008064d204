#include "sales/RealizedGains.h"

#include "sales/Cents.h"

#include <algorithm>

namespace tesmo {

Ticks toCents(Ticks ticks)
{
    return roundToCent(ticks);
}

Ticks shownGain(const SalePart &sale)
{
    return toCents(sale.proceeds) - toCents(sale.cost);
}

bool isLongTerm(const SalePart &sale)
{
    return sale.term == u"Long";
}

std::vector<int> saleYears(const std::vector<SalePart> &sales)
{
    std::vector<int> years;
    for (const SalePart &s : sales) {
        if (years.empty() || years.back() != s.sold.year())
            years.push_back(s.sold.year());
    }
    std::sort(years.begin(), years.end(), std::greater<>());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

std::vector<const SalePart *> salesIn(const std::vector<SalePart> &sales, std::optional<int> year)
{
    std::vector<const SalePart *> shown;
    shown.reserve(year ? 0 : sales.size());
    for (const SalePart &s : sales) {
        if (!year || s.sold.year() == *year)
            shown.push_back(&s);
    }
    return shown;
}

GainTotals gainTotals(const std::vector<const SalePart *> &sales)
{
    GainTotals totals;
    for (const SalePart *s : sales)
        (isLongTerm(*s) ? totals.longTerm : totals.shortTerm) += shownGain(*s);
    return totals;
}

} // namespace tesmo
