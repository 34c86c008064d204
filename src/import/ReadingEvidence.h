// What a broker's file itself says about how to read it, each reading with
// its evidence or the question it leaves: the decimal mark of each number
// column (see DecimalEvidence.h); the date order, by dates that read only
// one way, else by what else the file says (settlement dates a few days
// after the trade dates, dates written day.month.year, amounts in a currency
// of day-first countries, decimal commas, a semicolon separator) when
// nothing in it says otherwise; and the sign of a purchase's money, by the
// rows whose action or quantity says they buy or sell, or the heading of
// the amounts, never by which sign is more common, and not asked when no
// row's reading hangs on it. A reading is told when the file's evidence
// chose its value among others that read its rows differently, and so
// speaks against another value kept for the layout.
#pragma once

#include "import/DecimalEvidence.h"
#include "import/ImportChoices.h"

namespace tesmo {

struct SettledReading {
    std::array<DecimalReading, kNumberColumns> decimals;   // told: matters, with a mark
    CostWays decimalCost;
    std::optional<DateOrder> dateOrder;   // nothing: not settled, and the rows differ with it
    QString dateEvidence;
    bool dateByValues = false;            // settled by a date that reads only one way
    bool dateTold = false;
    std::optional<MoneySign> purchaseSign;   // nothing: not settled
    QString purchaseEvidence;
    bool purchaseTold = false;
};

// The rows after the layout's header row, read through the columns of
// choices, split at its separator.
SettledReading settleReading(const CsvTable &table, const FileLayout &layout, const ImportChoices &choices);

// -1, 0 or 1: the sign a number as the file writes it carries ("-5",
// "(5.00)", "5-", "▲5"); 0 for a text without digits or of zero.
int signOfText(std::string_view utf8);

} // namespace tesmo
