// The form in which the ledger file holds a trade date: ISO text YYYY-MM-DD,
// years 0001 to 9999.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <string_view>

namespace tesmo {

// Reads exactly ten characters YYYY-MM-DD that name a real calendar date of
// the years 1 to 9999. Returns nothing for anything else.
std::optional<QDate> readIsoDate(std::string_view text);

// The date as YYYY-MM-DD.
QString isoDateText(QDate date);
// The same as ten bytes (ASCII) at out; returns the end. The date lies in
// the years 1 to 9999.
char *writeIsoDate(char *out, QDate date);

} // namespace tesmo
