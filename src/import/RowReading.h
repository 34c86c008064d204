// One data row of a broker's file read as a lot, under the choices the
// preview offers: its texts as the file writes them, what its action and
// signs say, and, when it reads as a lot, its texts as the lot would be
// stored and its values; else why it does not read. Every row is read alike,
// whether the whole file is read or one row of the preview is shown again.
#pragma once

#include "import/BrokerTexts.h"
#include "import/CsvReader.h"
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

// How the file is read: the separator, the decimal separator, the date order
// and the column of each field.
struct ImportChoices {
    char separator = ',';                                           // ',', ';' or '\t'
    std::optional<QChar> decimal = u'.';                            // '.' or ','; nothing: not settled
    std::optional<DateOrder> dateOrder = DateOrder::MonthDayYear;   // nothing: not settled
    std::array<int, kImportFieldCount> columns{kNoColumn, kNoColumn, kNoColumn, kNoColumn,
                                               kNoColumn, kNoColumn, kNoColumn};

    int column(ImportField f) const { return columns[std::size_t(f)]; }
    bool settled() const { return decimal && dateOrder; }
    bool operator==(const ImportChoices &) const = default;
};

// What a row's action and signs say, before the file's other rows are known.
struct RowFacts {
    import::Action action = import::Action::Purchase;
    int amountSign = 0;   // of the net amount: -1, 0 or 1
    bool negativeShares = false;
};

struct RowReading {
    enum class Outcome { Lot, Unsettled, Refused };

    // Fields 1 to 6 as the file writes them, without the blanks around them;
    // the name's blanks made single and the name cut to its length.
    FieldTexts file;
    RowFacts facts;
    Outcome outcome = Outcome::Lot;
    // Why the row is unsettled (the choice it waits for) or refused (the
    // rule it breaks); for a lot, its figures when its shares times its price
    // and its net amount differ by more than fees explain, else empty.
    QString reason;
    // A lot's texts as it would be stored (plain numbers, M/D/YYYY dates),
    // which the record store takes as it takes a typed lot's, and its values.
    FieldTexts typed;
    LotKey key;
};

class RowReader {
public:
    // headers: the header row's texts, whose units tell prices in pence.
    RowReader(const CsvTable &table, const QStringList &headers, const ImportChoices &choices);

    // The row read; nothing for a row that holds no data: not a ticker, nor
    // a quantity, nor (with an action column) an action and a date, or the
    // header again.
    std::optional<RowReading> read(int row) const;
    // Only the row's texts as the file writes them (RowReading::file).
    FieldTexts fileTexts(int row) const;
    // A number as the file writes it, read with the decimal separator, else
    // with the other.
    std::optional<import::ReadNumber> valueOf(QStringView text) const;
    // The name (empty for none) and ticker of a row that reads as a lot, as
    // stored, in UTF-8: views of the table where it holds them so, which it
    // nearly always does, else of held.
    std::pair<std::string_view, std::string_view> storedTexts(int row, std::pair<std::string, std::string> &held) const;

private:
    std::array<QString, kImportFieldCount> trimmedFields(int row) const;
    static FieldTexts textsOf(const std::array<QString, kImportFieldCount> &fields);

    const CsvTable &table_;
    ImportChoices choices_;
    QChar decimal_;   // the decimal separator, or '.' while it is not settled
    bool withAction_;
    bool priceInPence_, netAmountInPence_;
};

} // namespace tesmo
