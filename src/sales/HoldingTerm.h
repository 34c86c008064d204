// How long shares were held when they were sold, as a sale row states it
// for taxes.
#pragma once

#include <QDate>
#include <QString>

namespace tesmo {

// "Long" when sold is later than one year after acquired, else "Short". The
// day one year after 29 February is 28 February of the next year, so shares
// bought on 29 February 2020 are held long from 1 March 2021.
QString termOf(QDate acquired, QDate sold);

} // namespace tesmo
