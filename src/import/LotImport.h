// Purchase lots read from a broker's CSV file, before they are imported: the
// header row and its columns, the separator, the decimal separator and the
// date order, each detected from the file and open to change, and one
// candidate lot per data row with its status: new, already in the ledger,
// twice in this file, not a purchase, or refused by the field rules. Widget
// free: it reads a QIODevice and hands back field texts that the record store
// takes as it takes a typed lot.
#pragma once

#include "import/CsvReader.h"
#include "text/Fields.h"
#include "text/Money.h"

#include <QDate>
#include <QIODevice>
#include <QSet>
#include <QStringList>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace tesmo {

// The columns a lot's fields come from, in the order the preview lists them.
enum class ImportField : int { TradeDate, Ticker, Name, Shares, Price, NetAmount, Action };
inline constexpr int kImportFieldCount = 7;
inline constexpr int kNoColumn = -1;

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

struct ImportChoices {
    char separator = ',';                 // ',', ';' or '\t'
    QChar decimal = u'.';                 // '.' or ','
    DateOrder dateOrder = DateOrder::MonthDayYear;
    std::array<int, kImportFieldCount> columns{kNoColumn, kNoColumn, kNoColumn, kNoColumn,
                                               kNoColumn, kNoColumn, kNoColumn};

    int column(ImportField f) const { return columns[std::size_t(f)]; }
    bool operator==(const ImportChoices &) const = default;
};

enum class RowStatus : int { New, Already, Twice, NotAPurchase, Refused };
inline constexpr int kRowStatusCount = 5;

// One data row of the file as a lot.
struct CandidateLot {
    int line = 0;                  // of the file, from 1
    RowStatus status = RowStatus::New;
    QString reason;                // why a refused row was refused
    // The texts of fields 1 to 6 as the lot would be stored (plain numbers,
    // M/D/YYYY dates); a refused or skipped row keeps the file's texts.
    FieldTexts texts;
    bool ticked = false;           // an Already or Twice row the user chose to import

    // An Already or Twice row: the user may choose to import it.
    bool tickable() const { return status == RowStatus::Already || status == RowStatus::Twice; }
    // A row that the import writes.
    bool chosen() const { return status == RowStatus::New || ticked; }
};

// What makes two lots the same: the ticker ignoring case, the trade date, the
// shares, and the price and net amount at four decimals (empty equals empty).
// Small and without a heap text, so that the keys of a million stored lots
// are made in a moment: the case-folded ticker is kept as a number, exact for
// up to nine ASCII characters, else a 64-bit hash of its text (two different
// such tickers of equal hash, on lots equal in every other field, is a
// chance of one in 2^63).
struct LotKey {
    quint64 ticker = 0;
    qint64 tradeDay = 0;
    double shares = 0;
    Ticks price = 0;
    Ticks netAmount = 0;
    bool hasPrice = false;
    bool hasNetAmount = false;

    static LotKey of(QStringView ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                     std::optional<Ticks> netAmount);
    // The same from the ticker's UTF-8 bytes, as the file holds them.
    static LotKey ofUtf8(std::string_view ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                         std::optional<Ticks> netAmount);
    bool operator==(const LotKey &) const = default;
};
size_t qHash(const LotKey &key, size_t seed = 0);

// The keys of the lots already stored.
class StoredKeys {
public:
    void reserve(qsizetype n) { keys_.reserve(n); }
    void add(const LotKey &key) { keys_.insert(key); }
    void add(QStringView ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
             std::optional<Ticks> netAmount)
    {
        add(LotKey::of(ticker, tradeDate, shares, price, netAmount));
    }
    bool contains(const LotKey &key) const { return keys_.contains(key); }

private:
    QSet<LotKey> keys_;
};

class LotImport {
public:
    explicit LotImport(StoredKeys stored = {});

    // Reads the whole device and detects everything from it, reporting to
    // progress, when given, in thousandths of the work. False when the
    // progress was cancelled. Raises Error 3109 when the device cannot be read.
    bool read(QIODevice &device, Progress *progress = nullptr);
    // Reads text already in memory (UTF-8), as read() does after decoding.
    bool readText(QByteArray utf8, Progress *progress = nullptr);

    // Splits the file at another separator and detects the header, the
    // columns, the decimal separator and the date order anew. False, and
    // nothing changed, when the progress cancelled.
    bool setSeparator(char separator, Progress *progress = nullptr);
    // Takes other columns, decimal separator or date order (the separator
    // through setSeparator). False, and nothing changed, when cancelled.
    bool setChoices(const ImportChoices &choices, Progress *progress = nullptr);

    const ImportChoices &choices() const { return choices_; }
    // The header row's texts; empty when no row of the file names a ticker,
    // a quantity and a date column.
    const QStringList &headers() const { return headers_; }
    bool hasHeader() const { return !headers_.isEmpty(); }
    int headerLine() const { return headerLine_; }

    const std::vector<CandidateLot> &lots() const { return lots_; }
    // Ticks or unticks an Already or Twice row; other rows stay as they are.
    void setTicked(int index, bool ticked);
    std::array<int, kRowStatusCount> counts() const;
    // The rows to import, in file order: the new ones and the ticked ones.
    std::vector<FieldTexts> chosen() const;
    qsizetype chosenCount() const;

private:
    void detect();
    bool interpret(const ImportChoices &choices, std::vector<CandidateLot> &out, Progress *progress) const;

    StoredKeys stored_;
    QByteArray text_;
    CsvTable table_;
    int headerRow_ = -1;
    int headerLine_ = 0;
    QStringList headers_;
    ImportChoices choices_;
    std::vector<CandidateLot> lots_;
};

// The separate readings, for the tests and the fuzz target.
namespace import {

// The field a header text names; nothing for any other text. rank: the
// place of the name in the field's list (lower is preferred).
std::optional<ImportField> headerField(QStringView header, int *rank = nullptr);

// A number as a broker writes it (currency symbol or code, grouping, a
// minus or parentheses) as plain decimal text without sign; negative tells
// the sign. Nothing when the text is no number in that form.
struct ReadNumber {
    QString plain;
    bool negative = false;
};
std::optional<ReadNumber> readNumber(QStringView text, QChar decimal);

// A date in the given order (a four-digit first field is always year first;
// month names read as such; a time of day after the date is ignored).
std::optional<QDate> readDate(QStringView text, DateOrder order);

// True for an action that buys: buy, bought, purchase, reinvestment.
bool isPurchase(QStringView action);

} // namespace import

} // namespace tesmo
