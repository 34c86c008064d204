#include "platform/office/TableFitting.h"

#include <algorithm>
#include <numeric>

namespace tesmo::office {

namespace {

double total(const std::vector<double> &v)
{
    return std::accumulate(v.begin(), v.end(), 0.0);
}

// The widths of the columns on a page of the given width, from what they
// need at the three levels, in twips.
std::vector<int> fittedWidths(const ColumnNeeds &levels, double page)
{
    const std::size_t n = levels[0].size();
    std::vector<int> widths(n);
    for (std::size_t k = levels.size(); k-- > 0;) {
        const double used = total(levels[k]);
        if (used > page)
            continue;
        const bool top = k + 1 == levels.size();
        const double share = top ? 0 : (page - used) / (total(levels[k + 1]) - used);
        for (std::size_t c = 0; c < n; ++c)
            widths[c] = int(levels[k][c] + (top ? 0 : (levels[k + 1][c] - levels[k][c]) * share));
        return widths;
    }
    // No column wider than a cap, the cap chosen so the table fills the page.
    std::vector<double> sorted = levels[0];
    std::sort(sorted.begin(), sorted.end());
    double rest = page, cap = sorted.empty() ? 0 : sorted.back();
    for (std::size_t i = 0; i < n; ++i) {
        if (sorted[i] * double(n - i) > rest) {
            cap = rest / double(n - i);
            break;
        }
        rest -= sorted[i];
    }
    for (std::size_t c = 0; c < n; ++c)
        widths[c] = int(std::min(levels[0][c], cap));
    return widths;
}

// What the columns need in twips, in type of the given size.
ColumnNeeds inTwips(const ColumnNeeds &needs, int size)
{
    ColumnNeeds levels;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        for (const double units : needs[k])
            levels[k].push_back(units * size / 100 + kCellMargins + kSpare);
    }
    return levels;
}

} // namespace

TableLayout fittedLayout(const ColumnNeeds &needs)
{
    const auto words = [&](int size) { return total(inTwips(needs, size)[1]); };
    TableLayout layout;
    layout.landscape = words(kBodySize) > kPageShort - 2 * kMargin;
    const int page = (layout.landscape ? kPageLong : kPageShort) - 2 * kMargin;
    while (layout.size > kSmallestSize && words(layout.size) > page)
        --layout.size;
    layout.widths = fittedWidths(inTwips(needs, layout.size), page);
    return layout;
}

TableLayout evenLayout(int columns)
{
    TableLayout layout;
    layout.widths.assign(std::size_t(std::max(columns, 0)), (kPageShort - 2 * kMargin) / std::max(columns, 1));
    return layout;
}

} // namespace tesmo::office
