// How the document's one table lies on the page: the widths of its columns,
// the page's orientation and the size of the type, fitted to the widths of
// what was typed into its columns. Pure arithmetic.
#pragma once

#include <array>
#include <vector>

namespace tesmo::office {

// The type, in half-points: 10-point at most, and never smaller than 7-point.
inline constexpr int kBodySize = 20;
inline constexpr int kSmallestSize = 14;
// The page, in twips: US Letter with one-inch margins.
inline constexpr int kPageShort = 12240;
inline constexpr int kPageLong = 15840;
inline constexpr int kMargin = 1440;
// A cell's left and right margins together, and a column's spare room for
// its borders and the reader's rounding, in twips.
inline constexpr int kCellMargins = 2 * 108;
inline constexpr int kSpare = 110;

struct TableLayout {
    std::vector<int> widths;   // of the columns, in twips
    bool landscape = false;
    int size = kBodySize;      // of the type, in half-points
    bool operator==(const TableLayout &) const = default;
};

// The room each column needs, in thousandths of an em of the type, at three
// levels: [0] its longest word in the body, [1] that or its heading's
// longest word, [2] its widest text.
using ColumnNeeds = std::array<std::vector<double>, 3>;

// A table that fits its contents. Every word, the headings' included, is
// kept whole: on a portrait page if the words fit there, else on a
// landscape page, else in type as much smaller as they need, down to the
// smallest size, where the widest columns give way first and the narrow
// ones (tickers, dates, shares) keep their room. Within the page, the
// columns take the highest level that fits, with the rest of the page
// shared out towards the next level in proportion to what each would still
// like: headings wrap before any body text, and then only between words.
TableLayout fittedLayout(const ColumnNeeds &needs);

// A table that is not fitted: the portrait page's width shared out evenly.
TableLayout evenLayout(int columns);

} // namespace tesmo::office
