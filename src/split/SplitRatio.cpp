#include "split/SplitRatio.h"

#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

namespace tesmo {

RescaledLot rescaleLot(const QString &shares, const QString &price, double ratio)
{
    const auto oldShares = numberFromText(shares);
    if (!oldShares)
        throw Error(kErrTypeMismatch);
    const double newShares = roundShares(*oldShares * ratio);
    if (!sharesInRange(newShares))
        throw Error(kErrOutOfRange);
    RescaledLot result{regional::numberText(newShares), {}};
    if (!price.isEmpty()) {
        const auto oldPrice = numberFromText(price);
        if (!oldPrice)
            throw Error(kErrTypeMismatch);
        const auto ticks = splitPrice(*oldPrice, ratio);
        if (!ticks || !moneyInRange(*ticks))
            throw Error(kErrOutOfRange);
        result.price = regional::numberText(*oldPrice / ratio);
    }
    return result;
}

} // namespace tesmo
