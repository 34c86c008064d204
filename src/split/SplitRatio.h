// The arithmetic of a stock split: the number of shares times the ratio, to
// the decimals the ledger keeps, the price per share divided by it, both
// written as plain number text.
#pragma once

#include <QString>

namespace tesmo {

struct RescaledLot {
    QString shares;
    QString price;   // empty when the price was empty
};

// Rescales the texts of the shares and price boxes by ratio (From / To).
// Raises Error 13 when a text does not read as a number, and 3103 when a
// result lies outside what the ledger holds, so that it is refused rather
// than written.
RescaledLot rescaleLot(const QString &shares, const QString &price, double ratio);

} // namespace tesmo
