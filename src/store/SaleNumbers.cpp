#include "store/SaleNumbers.h"

#include "text/FieldRules.h"

#include <QSet>
#include <cmath>

namespace tesmo {

std::vector<qint64> earlierSaleNumbers(const std::vector<EarlierSalePart> &parts)
{
    std::vector<qint64> numbers;
    numbers.reserve(parts.size());
    QSet<LotId> lots;   // of the sale being gathered
    double shares = 0, proceeds = 0;
    const EarlierSalePart *first = nullptr;
    for (const EarlierSalePart &part : parts) {
        const bool joins = first && part.sold == first->sold && sameTicker(part.ticker, first->ticker)
                           && !lots.contains(part.lot)
                           && std::abs(part.proceeds - part.shares * proceeds / shares)
                                  <= 0.01 * double(lots.size() + 1) + 1e-9;
        if (!joins) {
            first = &part;
            lots.clear();
            shares = proceeds = 0;
        }
        lots.insert(part.lot);
        shares += part.shares;
        proceeds += part.proceeds;
        numbers.push_back(first->id);
    }
    return numbers;
}

} // namespace tesmo
