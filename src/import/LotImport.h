// The rows of a broker's CSV file as candidate lots, before they are
// imported: the file's layout, separator, decimal separator and date order,
// each detected from the file and open to change, and one candidate lot per
// data row with its status. Nothing the file leaves open is guessed: a
// decimal separator or date order that the file does not settle, where the
// rows would read differently either way, is left for the user to choose,
// and until then nothing is chosen for import. Widget free: it reads a
// QIODevice and hands back the values of the chosen lots, read from texts as
// the record store reads a typed lot's.
#pragma once

#include "import/FileLayout.h"
#include "import/LotKey.h"
#include "import/RowReading.h"
#include "platform/Progress.h"

#include <QIODevice>
#include <array>
#include <functional>
#include <vector>

namespace tesmo {

// What a row is. New rows are imported; the rows held back, Already, Twice,
// Check (its shares times its price and its net amount differ by more than
// fees explain) and Cancelled (a purchase that a later row of the file
// cancels or reverses), are imported only when ticked; the others never.
// A Sale (a row that sells shares) is recorded only when ticked, and can be
// ticked only while the lots held by its date cover it; one the ledger has
// recorded already is Already. Unsettled: the row reads differently under
// the choices not yet made.
enum class RowStatus : int { New, Already, Twice, Check, Cancelled, Sale, NotAPurchase, Refused, Unsettled };
inline constexpr int kRowStatusCount = 9;

// One data row of the file as a lot.
struct CandidateLot {
    int line = 0;   // of the file, from 1
    int row = 0;    // of the file's table
    RowStatus status = RowStatus::New;
    bool ticked = false;   // a held-back row the user chose to import
    // Why: the rule a refused row breaks, the figures of a row to check, the
    // line that cancels a purchase, why a row is no purchase, which choice
    // an unsettled row waits for.
    QString reason;
    // Of a row that reads as a lot (New or held back): its values, all but
    // its name and ticker, which its row of the file gives. Of a sale: the
    // shares sold, the sale date as the trade date, and the proceeds as the
    // net amount (none when the file gives no amount); no price.
    LotKey key;
    // A row that sells shares (Sale, or Already as one recorded), and, for
    // one that reads, whether the lots held by its date cover it.
    bool sale = false;
    bool covered = false;

    // A held-back row: the user may choose to import it.
    bool tickable() const
    {
        if (sale)
            return covered && (status == RowStatus::Sale || status == RowStatus::Already);
        return status == RowStatus::Already || status == RowStatus::Twice || status == RowStatus::Check
               || status == RowStatus::Cancelled;
    }
    // A row that the import writes, once the choices are settled.
    bool chosen() const { return status == RowStatus::New || ticked; }
};

class LotImport;

// What the first-in-first-out match of a sale of the file found: the
// candidate, whether the lots held by its date cover it, and the lots it
// takes from, or why it cannot be recorded, as its status shows it.
struct SaleMatch {
    qsizetype index = 0;
    bool covered = false;
    QString reason;
};
// Matches the sales of an import against the lots they would take from;
// one match for each sale that reads and has its proceeds.
using SaleMatcher = std::function<std::vector<SaleMatch>(const LotImport &import)>;

class LotImport {
public:
    explicit LotImport(StoredKeys stored = {}, StoredSales sales = {});

    // Takes the match of the file's sales, made again whenever the rows or
    // their ticks change. Without one, no sale is covered.
    void setSaleMatcher(SaleMatcher matcher);
    bool hasSales() const { return sales_ > 0; }

    // Reads the whole device and detects everything from it, reporting to
    // progress, when given, in thousandths of the work. Raises Error 3113
    // when the device cannot be read, 3112 when the progress was cancelled.
    void read(QIODevice &device, Progress *progress = nullptr);
    // Reads text already in memory (UTF-8), as read() does after decoding.
    void readText(QByteArray utf8, Progress *progress = nullptr);

    // Splits the file at another separator and detects the header, the
    // columns, the decimal separator and the date order anew. Raises 3112,
    // and nothing changes, when the progress was cancelled.
    void setSeparator(char separator, Progress *progress = nullptr);
    // Takes other columns, decimal separator or date order (the separator
    // through setSeparator). Raises 3112, and nothing changes, when cancelled.
    void setChoices(const ImportChoices &choices, Progress *progress = nullptr);

    const ImportChoices &choices() const { return choices_; }
    // What settled the decimal separator and the date order, or why they
    // are open, as sentences; empty when nothing depends on them.
    const QString &decimalEvidence() const { return decimalEvidence_; }
    const QString &dateEvidence() const { return dateEvidence_; }
    // The header row's texts; empty when no row of the file names a ticker,
    // a quantity and a date column.
    const QStringList &headers() const { return layout_.headers; }
    bool hasHeader() const { return layout_.hasHeader(); }
    int headerLine() const { return layout_.headerLine; }
    // Why there is no header row; with MissingColumns, the line of the row
    // that names the most of the columns, and the ticker, quantity or date
    // columns it lacks.
    ReadProblem problem() const { return layout_.problem; }
    const std::vector<ImportField> &missingColumns() const { return layout_.missing; }

    const std::vector<CandidateLot> &lots() const { return lots_; }
    // The six texts (fields 1 to 6) of a candidate as the preview lists them:
    // as the lot would be stored (plain numbers, M/D/YYYY dates), or as the
    // file writes them for a row refused, unsettled or no purchase.
    FieldTexts texts(qsizetype index) const;
    // Ticks or unticks a held-back row; other rows stay as they are, but
    // for the matches of the sales, which may change with it.
    void setTicked(int index, bool ticked);
    std::array<int, kRowStatusCount> counts() const;
    // The candidates to import, by index, in file order: the new ones and the
    // ticked ones; none while a choice is not settled.
    std::vector<qsizetype> chosen() const;
    qsizetype chosenCount() const;
    // The reader of the file's rows under the choices; it reads them as long
    // as the import stays where it is, unchanged.
    RowReader reader() const { return RowReader(table_, layout_.headers, choices_); }

private:
    // The sales matched again; a sale no longer covered loses its tick.
    void matchSales();

    StoredKeys stored_;
    StoredSales storedSales_;
    SaleMatcher matcher_;
    qsizetype sales_ = 0;   // candidates that are sales
    QByteArray text_;
    bool notText_ = false;
    std::vector<int> badLines_;   // lines holding bytes that are not UTF-8
    CsvTable table_;
    FileLayout layout_;
    ImportChoices choices_;
    QString decimalEvidence_, dateEvidence_;
    std::vector<CandidateLot> lots_;
};

} // namespace tesmo
