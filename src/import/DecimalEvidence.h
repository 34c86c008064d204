// The decimal mark of each number column of a broker's file (the shares,
// the price, the net amount), settled only by evidence: a value of the
// column that reads only one way ("1,234.56", "12.5"), else the marks of the
// file's other number columns, else shares times price against the amounts,
// read with each mark. Three digits after a single mark ("172.625", "1.000")
// settle nothing alone.
#pragma once

#include "import/CsvReader.h"
#include "import/ImportChoices.h"

#include <QString>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace tesmo {

// The first line that shows a thing, and its text.
struct Seen {
    int count = 0;
    int line = 0;
    QString text;
    void add(int atLine, std::string_view utf8);
    void add(int atLine, const QString &t);
    explicit operator bool() const { return count > 0; }
    // "'1,234.56' on line 4"
    QString where() const;
};

// What one number's marks say: the point or the comma is its decimal mark,
// or a single mark with three digits after it, which reads either way
// ("1.000", "255,123"), or nothing. Of UTF-8 text in plain digits.
enum class Mark { None, Point, Comma, Either };
Mark markOf(std::string_view t);

// The marks seen in one number column, and the rows where it read either way.
struct MarkTally {
    Seen point, comma, either;
    std::vector<int> eitherRows;
    void add(int row, int line, std::string_view t);
};

struct DecimalReading {
    std::optional<QChar> mark;   // nothing: not settled
    QString evidence;
    bool byValues = false;       // settled by a value of the column that reads only one way
    bool matters = false;        // some value of the column reads differently either way
};

// What shares times price against the amounts says of the marks of the
// columns that the file's values leave open: of each way of reading them
// (bit i of a way: open[i] read with a comma), the figures of the first row
// that agree under another way but not under this one ("line 2: 100 × 1,250,
// 125,000"), or nothing.
struct CostWays {
    std::vector<int> open;
    std::vector<QString> deniedBy;
};

// The decimal mark of each number column. columns: the columns of the
// shares, the price and the net amount (kNoColumn for none); inPence: whether
// the price column's heading says pence; cost, when given: what shares times
// price said of the columns it was asked about.
std::array<DecimalReading, kNumberColumns> settleDecimals(const CsvTable &table,
                                                          const std::array<int, kNumberColumns> &columns,
                                                          const std::array<MarkTally, kNumberColumns> &tally,
                                                          bool priceInPence, CostWays *cost = nullptr);

} // namespace tesmo
