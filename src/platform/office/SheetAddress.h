// The addresses by which the automation names a sheet's rows and columns:
// rows as "3:7" or "2", columns as "B:D" or "C", as the spreadsheet's
// object model takes them.
#pragma once

#include <QString>
#include <utility>

namespace tesmo::office {

// The rows from and to, from 1; raises Error 3111 for an address that names
// no rows of a sheet.
std::pair<int, int> rowRange(const QString &address);
// The columns from and to, from 1 ("A"); raises Error 3111 for an address
// that names no columns of a sheet.
std::pair<int, int> columnRange(const QString &address);

} // namespace tesmo::office
