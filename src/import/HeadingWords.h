// What the words of a heading say its column holds, for headings other than
// the names the import knows: "trade_date", "TransactionDate", "Date/Time",
// "No. of shares", "Kurswert", "約定単価［円］". A heading is split into
// words (at blanks, marks, underscores and changes from small to capital
// letters, its unit in brackets set apart) and read by the words of each
// field in English, German, Dutch, French, Italian, Spanish and Japanese.
// What the words say is evidence only with the column's values beside it.
#pragma once

#include "import/BrokerTexts.h"

#include <QStringList>
#include <QStringView>
#include <optional>

namespace tesmo::import {

// Which date a heading names.
enum class DateKind { None, Trade, Plain, Settlement, Other };

struct HeadingReading {
    std::optional<ImportField> field;   // the field its words name
    DateKind date = DateKind::None;     // of a date's heading: which date
    bool timeOnly = false;              // of a date's heading: it names a time ("Timestamp"), not a date
    bool tickerOrName = false;          // "Instrument", "Stock": the values tell which
    bool debit = false;                 // an amount of money paid ("Debit")
};

// The words of a heading in lower case, without its unit.
QStringList headingWords(QStringView heading);

HeadingReading readHeading(QStringView heading);

} // namespace tesmo::import
