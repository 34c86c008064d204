// Ledgers for window tests: n lots named "Lot 1" ... with tickers T1 ..., 100
// shares at $10, net amount 1000 * i, or empty where asked.
#pragma once

#include "support/LedgerFolder.h"

#include <QList>

namespace tesmo::test {

inline std::vector<NewLot> numberedLots(int count, const QList<int> &emptyNet = {})
{
    std::vector<NewLot> v;
    for (int i = 1; i <= count; ++i)
        v.push_back({QStringLiteral("Lot %1").arg(i), QStringLiteral("T%1").arg(i), 100, 10,
                     emptyNet.contains(i) ? QVariant() : QVariant(1000 * i), QStringLiteral("2003-01-15")});
    return v;
}

} // namespace tesmo::test
