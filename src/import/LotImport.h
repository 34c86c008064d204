// The rows of a broker's CSV file as candidate lots, before they are
// imported: each reading of the file (its encoding, separator, header line,
// the column of each field, the date order, the decimal mark of each number
// column, the sign of a purchase's money) with its evidence and where it
// came from, open to change; and one candidate lot per data row with its
// status. Nothing the file leaves open is guessed: a reading it does not
// settle, where the rows would read differently either way, is a question
// for the user, and until it is answered nothing is chosen for import. A
// layout's choices remembered from an earlier import apply to the next file
// of the same header line. Widget free: it reads a QIODevice and hands back
// the values of the chosen lots, read from texts as the record store reads a
// typed lot's, with the key of the row each came from.
#pragma once

#include "import/FileLayout.h"
#include "import/LayoutMemory.h"
#include "import/LotKey.h"
#include "import/ReadingEvidence.h"
#include "import/RowReading.h"
#include "platform/Progress.h"

#include <QIODevice>
#include <array>
#include <functional>
#include <vector>

namespace tesmo {

// What a row is. New rows are imported; the rows held back, Already (its lot
// came from this very row of a file before, or equals a lot of the ledger),
// Twice, Check (its shares times its price and its net amount differ by more
// than fees explain), Cancelled (a purchase that a later row of the file
// cancels or reverses) and Deleted (its lot came from this row and the user
// deleted it), are imported only when ticked; the others never. A Sale (a
// row that sells shares) is recorded only when ticked, and can be ticked
// only while the lots held by its date cover it; one the ledger has recorded
// already is Already. Unsettled: the row reads differently under the
// readings not yet settled. Action: a company's action on the shares (a
// split, a merger, ...), recorded only when ticked, and tickable only while
// its figures and the shares held on its day settle what it does.
enum class RowStatus : int {
    New, Already, Twice, Check, Cancelled, Deleted, Sale, NotAPurchase, Refused, Unsettled, Action
};
inline constexpr int kRowStatusCount = 11;

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
    RowKey rowKey{};   // of a row that reads as a lot
    // A row that sells shares (Sale, or Already as one recorded), and, for
    // one that reads, whether the lots held by its date cover it.
    bool sale = false;
    bool covered = false;   // of an Action: its action is settled
    // Of an Action: the company's actions its words name
    // (import::CompanyAction), one when it reads one way.
    unsigned company = 0;

    // A held-back row: the user may choose to import it.
    bool tickable() const
    {
        if (status == RowStatus::Action)
            return covered;
        if (sale)
            return covered && (status == RowStatus::Sale || status == RowStatus::Already);
        return status == RowStatus::Already || status == RowStatus::Twice || status == RowStatus::Check
               || status == RowStatus::Cancelled || status == RowStatus::Deleted;
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
// one match for each sale that reads and has its proceeds; and the
// company's actions against the shares held on their days (covered: the
// action is settled; the reason: what it proposes, or why it cannot).
using SaleMatcher = std::function<std::vector<SaleMatch>(const LotImport &import)>;

// A reading as the preview says it: "Dates: day/month/year: the amounts are
// in £, and settlement dates fall 2 days after trade dates"; one not
// settled, "Dates: not settled: '03/04/2024' on line 2 reads either way, and
// nothing else in the file says which; choose one".
struct ReadingLine {
    QString caption;    // "Dates"
    QString value;      // "day/month/year"; empty while asked
    QString evidence;   // after the value, or "not settled: ...; choose one"
    ReadingState state = ReadingState::Settled;
    QString sentence() const;
};

class LotImport {
public:
    explicit LotImport(StoredKeys stored = {}, StoredSales sales = {}, RememberedLayouts layouts = {});

    // Takes the match of the file's sales, made again whenever the rows or
    // their ticks change. Without one, no sale is covered.
    void setSaleMatcher(SaleMatcher matcher);
    // Rows whose matches a tick may change: sales and company actions.
    bool hasSales() const { return sales_ > 0; }

    // Reads the whole device and settles every reading it can from it,
    // reporting to progress, when given, in thousandths of the work. Raises
    // Error 3113 when the device cannot be read, 3112 when the progress was
    // cancelled.
    void read(QIODevice &device, Progress *progress = nullptr);
    // Reads text already in memory (UTF-8), as read() does after decoding.
    void readText(QByteArray utf8, Progress *progress = nullptr);

    // The user's answers in the preview, each read anew from the file. A
    // change raises 3112, and nothing changes, when the progress cancelled.
    // Another encoding, separator or header line settles the readings under
    // it anew (but those the user chose); other columns settle anew the
    // readings that hang on them.
    void setEncoding(TextEncoding encoding, Progress *progress = nullptr);
    void setSeparator(char separator, Progress *progress = nullptr);
    void setHeaderRow(int row, Progress *progress = nullptr);
    void setChoices(const ImportChoices &choices, Progress *progress = nullptr);

    const ImportChoices &choices() const { return choices_; }
    const ImportReadings &readings() const { return readings_; }
    std::optional<TextEncoding> encoding() const { return text_.encoding; }
    // Every reading has a value: rows can be imported.
    bool settled() const { return text_.encoding && choices_.settled(); }
    // Each reading as the preview says it, above the rows, in this order:
    // the encoding, the separator, the header, the columns, the dates, the
    // decimal marks and the purchases' money (the last three only with a
    // header, the last only with an amount column).
    QList<ReadingLine> readingLines() const;

    // The header row's texts; empty when no row of the file heads its data.
    const QStringList &headers() const { return layout_.headers; }
    bool hasHeader() const { return layout_.hasHeader(); }
    int headerLine() const { return layout_.headerLine; }
    int headerRow() const { return layout_.headerRow; }
    // The rows of the table, their lines, and their fields, for the choice
    // of another header line.
    const CsvTable &table() const { return table_; }
    // Why there is no header row.
    ReadProblem problem() const { return layout_.problem; }
    // The layout's key, and the choices to remember for it (empty: none):
    // those the user made in the preview, and those remembered for it
    // before, whether this file's readings agreed with them or not.
    QString layoutKey() const { return tesmo::layoutKey(layout_.headers); }
    QString layoutText() const { return tesmo::layoutText(choices_, readings_, kept_); }

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
    // ticked ones; none while a reading is not settled.
    std::vector<qsizetype> chosen() const;
    qsizetype chosenCount() const;
    // The reader of the file's rows under the choices; it reads them as long
    // as the import stays where it is, unchanged.
    RowReader reader() const { return RowReader(table_, layout_, choices_); }

private:
    // Reads the file anew from text: split at separator (else at the one the
    // text settles), headed by headerRow (else the row it settles), each
    // reading settled anew but those chosen in readings. Changes nothing
    // until it is done.
    void reread(CsvText text, std::optional<char> separator, std::optional<int> headerRow, ImportReadings readings,
                Progress *progress);
    // The file's bytes as they were read.
    QByteArray bytes() const;
    // The sales matched again; a sale no longer covered loses its tick.
    void matchSales();

    StoredKeys stored_;
    StoredSales storedSales_;
    RememberedLayouts layouts_;
    SaleMatcher matcher_;
    qsizetype sales_ = 0;   // candidates that are sales or company actions
    // The file's bytes, for another encoding, where its text is not they;
    // bom_: the bytes are the text after UTF-8's byte-order mark.
    QByteArray bytes_;
    bool bom_ = false;
    CsvText text_;
    CsvTable table_;
    FileLayout layout_;
    ImportChoices choices_;
    ImportReadings readings_;
    LayoutChoices kept_;   // remembered for the layout before this file
    std::vector<CandidateLot> lots_;
};

} // namespace tesmo
