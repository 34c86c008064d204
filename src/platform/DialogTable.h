// The look of a table of rows in a dialog: one line a row at a fixed height,
// no row numbers, the last column taking the room left, and Tab leaving the
// table for the next control.
#pragma once

#include <initializer_list>

class QTableView;

namespace tesmo {

// Sets the table up so, its columns from the first as wide as widths (pixels).
void setUpDialogTable(QTableView *table, std::initializer_list<int> widths);

} // namespace tesmo
