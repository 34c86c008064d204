// How a broker's file is read, and why: each reading (the separator, the
// header line, the column of each field, the date order, the decimal mark of
// each number column, the sign of a purchase's money) as a value, with the
// evidence that settled it or the question it leaves, and where the value
// came from: the file, the user, or the user's choice for the same layout
// remembered from an earlier import.
#pragma once

#include "import/BrokerTexts.h"
#include "import/FileLayout.h"

#include <QChar>
#include <QString>
#include <array>
#include <optional>

namespace tesmo {

// What a purchase's money looks like in the file: amounts without a sign
// that tells anything, or money paid negative (and received positive), or
// the other way round.
enum class MoneySign { Unsigned, PaidNegative, PaidPositive };

// The number columns, in this order, each with its own decimal mark.
inline constexpr int kNumberColumns = 3;
inline constexpr ImportField kNumberFields[kNumberColumns] = {ImportField::Shares, ImportField::Price,
                                                              ImportField::NetAmount};

struct ImportChoices {
    char separator = ',';   // ',', ';' or '\t'
    // Of the shares, the price and the net amount: '.' or ','; nothing: not settled.
    std::array<std::optional<QChar>, kNumberColumns> decimals{QChar(u'.'), QChar(u'.'), QChar(u'.')};
    std::optional<DateOrder> dateOrder = DateOrder::MonthDayYear;   // nothing: not settled
    std::optional<MoneySign> purchaseSign = MoneySign::Unsigned;    // nothing: not settled
    // A column, kNoColumn, or kAskedColumn while the file leaves it open.
    std::array<int, kImportFieldCount> columns{kNoColumn, kNoColumn, kNoColumn, kNoColumn,
                                               kNoColumn, kNoColumn, kNoColumn};

    int column(ImportField f) const { return columns[std::size_t(f)]; }
    std::optional<QChar> decimal(int number) const { return decimals[std::size_t(number)]; }
    // Every reading has a value, and the ticker, shares and date have columns.
    bool settled() const;
    bool operator==(const ImportChoices &) const = default;
};

// Where a reading's value came from.
enum class ReadingState {
    Settled,      // the file's evidence, which nothing in it contradicts
    Asked,        // the file does not settle it: a question, until answered
    Chosen,       // the user chose it in the preview
    Remembered,   // the user chose it for a file of the same layout before
};

struct Reading {
    ReadingState state = ReadingState::Settled;
    // What settled it, or why it is asked, as the end of a sentence
    // ("the amounts are in £, and settlement dates fall 2 days after trade
    // dates"); empty when nothing in the file depends on it.
    QString evidence;
};

// A reading's value as the preview names it: "day/month/year", "comma",
// "money paid is negative".
QString valueName(DateOrder order);
QString valueName(QChar mark);
QString valueName(MoneySign sign);

struct ImportReadings {
    Reading encoding, separator, header, dateOrder, purchases;
    std::array<Reading, kImportFieldCount> columns;
    std::array<Reading, kNumberColumns> decimals;
};

} // namespace tesmo
