// What every export writer takes from the lots: six of their seven fields,
// in one order, under one set of headings. The writers take the lots'
// values (a LotTable) and make the texts they write themselves.
#pragma once

#include "text/LotRow.h"
#include "text/Regional.h"

#include <QStringList>
#include <array>
#include <string>
#include <string_view>

namespace tesmo {

// How often, in rows, a writer reports its progress.
inline constexpr int kProgressRows = 256;

// The exported fields, in the order every writer puts them out.
enum ExportField : int { kExName = 0, kExTicker, kExShares, kExPrice, kExNet, kExDate, kExportFieldCount };

// The headings of the six fields, in that order.
const QStringList &exportHeadings();

// A name or ticker as the writers take it: in well-formed UTF-8, bytes that
// are not shown as replacement marks, as the lists show them. The result
// points into text or into scratch.
std::string_view wellFormed(std::string_view text, std::string &scratch);

// The six texts of a lot as the text file and the document write them, in
// UTF-8: the name and ticker as the file holds them (for wellFormed), the
// plain number of shares, the price and net amount in the regional currency
// format (four decimals and two), empty when there is none, and the short
// trade date. A field held as its text is that text; an amount held as a
// text that does not read as an amount raises Error 13 (Type mismatch).
class ExportTexts {
public:
    void read(const LotRow &lot);
    std::string_view operator[](int field) const { return texts_[std::size_t(field)]; }

private:
    std::array<std::string_view, kExportFieldCount> texts_;
    std::array<std::string, kExportFieldCount> scratch_;
    char shares_[regional::kNumberTextRoom], price_[regional::kCurrencyTextRoom], net_[regional::kCurrencyTextRoom],
        date_[regional::kShortDateRoom];
};

} // namespace tesmo
