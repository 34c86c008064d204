// How long shares were held when they were sold, as a sale row states it
// for taxes.
#pragma once

#include <QDate>
#include <QString>

namespace tesmo {

// The first day on which a sale of shares bought on acquired is long-term.
// The holding period starts on the day after the trade date and counts in
// calendar months from it; shares are held long when they were held more
// than one year. So a lot bought on 5 February 2023 is long from 6 February
// 2024, and one bought on 28 February 2023 from 1 March 2024: its holding
// started on 1 March. When the holding starts on 29 February (a lot bought
// on 28 February of a leap year), the year after it has no 29 February and
// ends on the last day of that February, so the lot is long from 1 March.
QDate longTermFrom(QDate acquired);

// "Long" when sold lies on or after longTermFrom(acquired), else "Short".
QString termOf(QDate acquired, QDate sold);

// True when a sale row's term is not the one its dates give: a row written
// under an earlier rule, or one another program changed.
bool termIsWrong(QDate acquired, QDate sold, QStringView term);

} // namespace tesmo
