// What the export writers take from a row of a lot list: six of its seven
// columns, addressed by position, read through the list's item model.
#pragma once

#include "text/Money.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <string_view>

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

// A row's fields as the list holds them, for writers that make their texts
// themselves: the list's own texts follow from these exactly (plain number
// text of the shares, the amounts in ticks, the trade date).
struct RowValues {
    std::string_view name;     // UTF-8; empty for none
    std::string_view ticker;   // UTF-8
    double shares = 0;
    std::optional<Ticks> price;
    std::optional<Ticks> net;
    QDate tradeDate;
};

// A list that can offer its rows as values beside its texts. A writer asks
// the item model for it (dynamic_cast) and falls back to the texts for a
// row it does not offer, or for a list without it.
class RowValueSource {
public:
    virtual ~RowValueSource() = default;
    // Fills values for row (from 0) and returns true, or returns false when
    // the row is known by its texts only. The views stay valid until the
    // list changes.
    virtual bool rowValues(int row, RowValues &values) const = 0;
};

// The list's row-value source, if it offers one.
const RowValueSource *rowValueSource(const QAbstractItemModel &list);

// A money text of the list written in the regional currency format with the
// given number of decimals: empty for an empty text, nothing when the text
// does not read as an amount.
std::optional<QString> currencyCell(const QString &listText, int decimals);

} // namespace tesmo
