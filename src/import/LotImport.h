// Purchase lots read from a broker's CSV file, before they are imported: the
// header row and its columns, the separator, the decimal separator and the
// date order, each detected from the file and open to change, and one
// candidate lot per data row with its status. Nothing the file leaves open is
// guessed: a decimal separator or date order that the file does not settle,
// where the rows would read differently either way, is left for the user to
// choose, and until then nothing is chosen for import. Widget free: it reads
// a QIODevice and hands back field texts that the record store takes as it
// takes a typed lot.
#pragma once

#include "import/CsvReader.h"
#include "import/FieldReading.h"
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

// What a row is. New rows are imported; the rows held back, Already, Twice,
// Check (its shares times its price and its net amount differ by more than
// fees explain) and Cancelled (a purchase that a later row of the file
// cancels or reverses), are imported only when ticked; the others never.
// Unsettled: the row reads differently under the choices not yet made.
enum class RowStatus : int { New, Already, Twice, Check, Cancelled, NotAPurchase, Refused, Unsettled };
inline constexpr int kRowStatusCount = 8;

// One data row of the file as a lot.
struct CandidateLot {
    int line = 0;                  // of the file, from 1
    RowStatus status = RowStatus::New;
    // Why: the rule a refused row breaks, the figures of a row to check, the
    // line that cancels a purchase, why a row is no purchase, which choice
    // an unsettled row waits for.
    QString reason;
    // The texts of fields 1 to 6 as the lot would be stored (plain numbers,
    // M/D/YYYY dates); a refused, unsettled or skipped row keeps the file's
    // texts.
    FieldTexts texts;
    bool ticked = false;           // a held-back row the user chose to import

    // A held-back row: the user may choose to import it.
    bool tickable() const
    {
        return status == RowStatus::Already || status == RowStatus::Twice || status == RowStatus::Check
               || status == RowStatus::Cancelled;
    }
    // A row that the import writes, once the choices are settled.
    bool chosen() const { return status == RowStatus::New || ticked; }
};

// Why a file gave no header row.
enum class ReadProblem {
    None,
    Empty,            // no bytes, or only blank lines
    NotText,          // an image, an archive, a program: bytes that are no text
    MissingColumns,   // a row names some of the columns, not all: missingColumns() says which
    NoHeader,         // no row names the columns in words the import knows
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
    // What settled the decimal separator and the date order, or why they
    // are open, as sentences; empty when nothing depends on them.
    const QString &decimalEvidence() const { return decimalEvidence_; }
    const QString &dateEvidence() const { return dateEvidence_; }
    // The header row's texts; empty when no row of the file names a ticker,
    // a quantity and a date column.
    const QStringList &headers() const { return headers_; }
    bool hasHeader() const { return !headers_.isEmpty(); }
    int headerLine() const { return headerLine_; }
    // Why there is no header row; with MissingColumns, the line of the row
    // that names the most of the columns, and the ticker, quantity or date
    // columns it lacks.
    ReadProblem problem() const { return problem_; }
    const std::vector<ImportField> &missingColumns() const { return missing_; }

    const std::vector<CandidateLot> &lots() const { return lots_; }
    // Ticks or unticks a held-back row; other rows stay as they are.
    void setTicked(int index, bool ticked);
    std::array<int, kRowStatusCount> counts() const;
    // The rows to import, in file order: the new ones and the ticked ones;
    // none while a choice is not settled.
    std::vector<FieldTexts> chosen() const;
    qsizetype chosenCount() const;

private:
    void findHeader();
    bool interpret(const ImportChoices &choices, std::vector<CandidateLot> &out, Progress *progress) const;

    StoredKeys stored_;
    QByteArray text_;
    bool notText_ = false;
    std::vector<int> badLines_;   // lines holding bytes that are not UTF-8
    CsvTable table_;
    int headerRow_ = -1;
    int headerLine_ = 0;
    int settlementColumn_ = kNoColumn;
    QStringList headers_;
    ReadProblem problem_ = ReadProblem::None;
    std::vector<ImportField> missing_;
    ImportChoices choices_;
    QString decimalEvidence_, dateEvidence_;
    std::vector<CandidateLot> lots_;
};

} // namespace tesmo
