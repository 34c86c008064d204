#include "sales/HoldingTerm.h"

namespace tesmo {

QDate longTermFrom(QDate acquired)
{
    const QDate start = acquired.addDays(1);
    // addYears gives 28 February for 29 February.
    if (start.month() == 2 && start.day() == 29)
        return QDate(start.year() + 1, 3, 1);
    return start.addYears(1);
}

QString termOf(QDate acquired, QDate sold)
{
    return sold >= longTermFrom(acquired) ? QStringLiteral("Long") : QStringLiteral("Short");
}

bool termIsWrong(QDate acquired, QDate sold, QStringView term)
{
    return term != termOf(acquired, sold);
}

} // namespace tesmo
