// What the export writers take from a row of a lot list: six of its seven
// columns, addressed by position, read through the list's item model.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class QAbstractItemModel;

namespace tesmo {

// The exported fields, in the order every writer puts them out.
enum ExportField : int { kExName = 0, kExTicker, kExShares, kExPrice, kExNet, kExDate, kExportFieldCount };

using ExportTexts = std::array<QString, kExportFieldCount>;

// The headings of the six fields, in that order.
const QStringList &exportHeadings();

// The six texts of a list row (from 0) as the list shows them: the row text
// and sub-items 1, 4, 5, 6 and 2. The ID (sub-item 3) is never exported.
ExportTexts exportTexts(const QAbstractItemModel &list, int row);

// A money text of the list written in the regional currency format with the
// given number of decimals: empty for an empty text, nothing when the text
// does not read as an amount.
std::optional<QString> currencyCell(const QString &listText, int decimals);

} // namespace tesmo
