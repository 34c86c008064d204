// The lot record as the store reads it from the file and writes it back. A
// value that another tool wrote may not fit what the window takes (a trade
// date of the year 0, infinite shares, text in a number column); such a value
// is still shown as well as it can be, and marked as not fitting.
#pragma once

#include "store/Sqlite.h"
#include "text/Fields.h"
#include "text/LotRow.h"

#include <QDate>
#include <QStringList>
#include <array>
#include <optional>
#include <string>
#include <variant>

struct sqlite3_value;

namespace tesmo {

// One field as read from the file: its plain text (as list rows filled from
// the file show it: 12.5, 1/15/2003), its display text (as the edit boxes
// show it: $12.5000), and whether the value fits the field's kind and range.
struct FieldReading {
    QString plain;
    QString shown;
    bool fits = true;
};

FieldReading readField(int pos, sqlite3_value *value);

// Texts of a lot that its values do not hold as such, for a LotRow to point
// into.
using HeldTexts = std::array<std::string, kFieldCount>;

// Reads a lot from its seven values in field order into row, whose texts
// then point into the values and into held. True when every value is of its
// field's kind: a name of text or NULL, a ticker of text, a number of
// shares, amounts that are NULL or within the money type, an ISO date. A
// number, amount or date that is not is held as the text it is shown as.
bool readLotRow(sqlite3_value *const *values, LotRow &row, HeldTexts &held);

// A lot as read from the file: its values as the lists hold them, its
// amounts shown as the boxes show them, whether each fits what the boxes
// take, and the values as the file held them, kept only to tell whether
// another program changed the lot since.
class StoredLot {
public:
    StoredLot() = default;
    // Reads a lot from its seven values in field order.
    explicit StoredLot(sqlite3_value *const *values);
    StoredLot(const StoredLot &other) { *this = other; }
    StoredLot &operator=(const StoredLot &other);

    LotId id() const { return row_.id; }
    // The lot as the lists hold it; its texts point into this lot.
    const LotRow &row() const { return row_; }
    // The value of the field at pos as the file held it.
    const SqlValue &stored(int pos) const { return columns_[std::size_t(pos)]; }
    // The texts of the edit boxes.
    FieldTexts boxTexts() const { return shownTexts(row_); }
    // The number of shares and the trade date as stored, when they read as such.
    std::optional<double> shares() const;
    std::optional<QDate> tradeDate() const;
    // The captions of the fields whose stored values do not fit ("Trade Date").
    QStringList unfitFields() const;

private:
    void readRow();

    std::array<SqlValue, kFieldCount> columns_;
    std::array<bool, kFieldCount> fits_{};
    LotRow row_;
    HeldTexts held_;
};

// Reads a lot from a row of seven columns in field order.
StoredLot readStoredLot(const Statement &row);

// The value a field's text is written as: NULL, text or a number.
using FieldValue = std::variant<std::monostate, QString, double>;

// Converts the text of a field's box into the value stored for it. Raises
// Error 13 for a text that does not convert, 3102 for an empty required
// field and 3103 for a value outside what the ledger holds.
FieldValue fieldValue(int pos, const QString &text);

void bindFieldValue(Statement &s, int index, const FieldValue &value);

// The name of a field's column in the table Lots.
const char *columnName(int pos);

} // namespace tesmo
