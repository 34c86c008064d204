#include "store/Lot.h"

#include "platform/Regional.h"

namespace tesmo {

FieldTexts plainTexts(const Lot &lot)
{
    FieldTexts t;
    t[kID] = lot.id ? QString::number(lot.id) : QString();
    t[kName1] = lot.name1;
    t[kTicker] = lot.ticker;
    if (lot.numShares)
        t[kNumShares] = regional::numberText(*lot.numShares);
    if (lot.price)
        t[kPrice] = plainTicksText(*lot.price);
    if (lot.netAmount)
        t[kNetAmount] = plainTicksText(*lot.netAmount);
    if (lot.tradeDate)
        t[kTradeDate] = regional::shortDate(*lot.tradeDate);
    return t;
}

} // namespace tesmo
