#include "sales/HoldingTerm.h"

namespace tesmo {

QString termOf(QDate acquired, QDate sold)
{
    // addYears gives the last day of February for 29 February.
    return sold > acquired.addYears(1) ? QStringLiteral("Long") : QStringLiteral("Short");
}

} // namespace tesmo
