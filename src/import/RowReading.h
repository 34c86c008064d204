// One data row of a broker's file read as a lot, under the choices the
// preview offers: its texts as the file writes them, what its action and
// signs say, and, when it reads as a lot, its texts as the lot would be
// stored and its values; else why it does not read. Every row is read alike,
// whether the whole file is read or one row of the preview is shown again.
#pragma once

#include "import/ActionWords.h"
#include "import/CsvReader.h"
#include "import/ImportChoices.h"
#include "import/LotKey.h"
#include "text/Fields.h"

#include <QChar>
#include <QStringList>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tesmo {

// What a row's action and signs say, before the file's other rows are known.
struct RowFacts {
    import::ActionReading action{import::Action::Purchase};   // a purchase without an action column
    int amountSign = 0;   // of the net amount: -1, 0 or 1
    int sharesSign = 0;   // of the shares: -1, 0 (none, zero, or not a number) or 1
    bool sharesGiven = false;   // the shares field holds a text
    bool sharesRead = false;    // and it reads as a number
    // A field of another column that says the order did not happen
    // ("Cancelled", "Rejected", "Failed", "Expired"), as the file writes it.
    QString undone;
};

struct RowReading {
    enum class Outcome { Lot, Unsettled, Refused };

    // Fields 1 to 6 as the file writes them, without the blanks around them;
    // the name's blanks made single and the name cut to its length.
    FieldTexts file;
    RowFacts facts;
    Outcome outcome = Outcome::Lot;
    // Why the row is unsettled (the choice it waits for) or refused (what
    // was not read, and how: "the net amount '1,23,476.0x' is not a number
    // Tesmo reads"); for a lot, its figures when its shares times its price
    // and its net amount differ by more than fees explain, else empty.
    QString reason;
    // A lot's texts as it would be stored (plain numbers, M/D/YYYY dates),
    // which the record store takes as it takes a typed lot's, and its values.
    FieldTexts typed;
    LotKey key;
};

class RowReader {
public:
    // The layout's headers tell prices in pence by their units, and a table
    // among others in the file.
    RowReader(const CsvTable &table, const FileLayout &layout, const ImportChoices &choices);

    // The row read; nothing for a row that holds no data: not a ticker, nor
    // a quantity, nor (with an action column) an action and a date, the
    // header again, a total, or a row of another table.
    std::optional<RowReading> read(int row) const;
    // Only the row's texts as the file writes them (RowReading::file).
    FieldTexts fileTexts(int row) const;
    // A number as the file writes it, read with the decimal separator, else
    // with the other.
    std::optional<import::ReadNumber> valueOf(QStringView text, ImportField field) const;
    // The name (empty for none) and ticker of a row that reads as a lot, as
    // stored, in UTF-8: views of the table where it holds them so, which it
    // nearly always does, else of held.
    std::pair<std::string_view, std::string_view> storedTexts(int row, std::pair<std::string, std::string> &held) const;

private:
    std::array<QString, kImportFieldCount> trimmedFields(int row) const;
    static FieldTexts textsOf(const std::array<QString, kImportFieldCount> &fields);

    bool isTotal(int row) const;
    QString undone(int row) const;

    const CsvTable &table_;
    ImportChoices choices_;
    std::array<QChar, kNumberColumns> decimals_;   // each number column's mark, or '.' while it is not settled
    bool withAction_;
    bool priceInPence_, netAmountInPence_;
    QString tickerHeading_, sharesHeading_;
    int tableColumn_;
    int creditColumn_;   // money received beside a column of money paid
    QString tableName_;
    mutable import::ActionCache actions_;
};

} // namespace tesmo
