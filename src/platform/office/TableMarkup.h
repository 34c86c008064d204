// The markup of the document part (word/document.xml): the table's
// properties and grid, its rows made from the text typed into its cells,
// and the page. The rows are made a few hundred kilobytes at a time, as the
// part is deflated, so that the part is never whole in memory.
#pragma once

#include "platform/Progress.h"
#include "platform/WordProcessor.h"
#include "platform/office/CellJournal.h"
#include "platform/office/TableFitting.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo::office {

// The kind of a piece of typed text in the cell journal whose blanks would
// be lost without xml:space="preserve" (blanks at either end, or side by
// side); other pieces are of kind 0.
inline constexpr std::int32_t kBlanksMatter = 1;

// The widths of a typed text, in thousandths of an em: of all of it, and of
// its longest word.
struct TypedWidth {
    std::int64_t whole = 0;
    std::int64_t longestWord = 0;
};

// Appends the markup of a text typed into a cell to markup: control
// characters (which XML cannot hold) as blanks, a stray byte as a
// replacement mark, and &, < and > escaped. Measures the text as it goes, in
// the heading's type or the body's.
TypedWidth appendTypedMarkup(std::string_view text, bool heading, std::string &markup);

// The table as the automation left it.
struct TableShape {
    bool present = false;   // a table was added
    int rows = 0;
    int columns = 0;
    std::optional<TableAutoFormat> format;   // the format applied; none: a plain table
};

class DocumentMarkup {
public:
    // typed: the journal, rewound, of the text typed into the cells, in
    // order, or null when nothing was typed. progress is told the rows made,
    // in thousandths.
    DocumentMarkup(const TableShape &table, const TableLayout &layout, CellJournal *typed, Progress *progress);
    DocumentMarkup(const DocumentMarkup &) = delete;
    DocumentMarkup &operator=(const DocumentMarkup &) = delete;

    // The next piece of the part's markup into markup; false once it is all
    // made. Raises Error kErrUserCancelled once the user cancels, and Error
    // when the typed text cannot be read back.
    bool next(std::string &markup);

private:
    void produceRow();
    bool nextPiece();

    enum class Stage { Head, Rows, Tail, Done };

    ProgressSpan progress_;   // the rows made, of all
    QByteArray head_, tail_;
    CellJournal *typed_;
    JournalCell journalCell_;
    int rows_, columns_;
    bool headingRow_;
    std::vector<std::string> cellStart_;   // per column: the cell's start up to its paragraph
    Stage stage_ = Stage::Head;
    std::string pending_;   // markup made and not yet taken
    int row_ = 1;
    bool havePiece_ = false;
    int pieceRow_ = 0, pieceColumn_ = 0;
    std::string piece_, cellText_;
    bool blanksMatter_ = false;   // of the piece
};

} // namespace tesmo::office
