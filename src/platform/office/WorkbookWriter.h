// The writing of a workbook with libxlsxwriter, in constant-memory mode,
// from the sheet as the automation described it and the cells it received:
// the columns' widths and formats, the rows' fonts, each cell with the
// format its row, its column and its kind give it, then the library's
// packing of the file. The library writes the rows and the sheet through
// temporary files whose writes it does not look at, so room for them is
// taken on the disk first, and the file is checked once packed.
#pragma once

#include "platform/Progress.h"
#include "platform/office/CellJournal.h"
#include "platform/office/TypedCell.h"

#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tesmo::office {

struct SheetColumn {
    double maxChars = 0;    // the widest displayed value so far, in characters
    double width = -1;      // fitted width in character units; -1: the default
    QString numberFormat;   // set on the whole column; empty: none
};

struct RowFont {
    int first, last;        // rows, from 1
    bool bold = false;
    bool italic = false;
};

// The sheet as the automation described it.
struct SheetLayout {
    QString title;
    std::vector<SheetColumn> columns;   // index: column from 1 minus 1
    std::vector<RowFont> rowFonts;      // later entries win
};

// Bounds of the bytes that the sheet's XML takes, from the cells put into
// it as the file format writes cells: at most, for the room to take, and at
// least, for the packed file's check. A cell is at most <c r="ADDRESS"
// s="STYLE" t="inlineStr"><is><t xml:space="preserve">TEXT</t></is></c>, its
// text escaped (an "&" takes five), or <c r="ADDRESS" s="STYLE"><v>NUMBER</v></c>
// with a number of at most 24 characters; a row adds its start tag with its
// attributes and its end tag. At least, a cell is <c r="A1"><v>N</v></c>,
// whether its text is inline or shared.
class SheetSize {
public:
    void addCell(int row, CellKind kind, std::string_view text)
    {
        if (row != lastRow_) {
            lastRow_ = row;
            address_ = 4;   // three letters and the row's digits
            for (int r = row; r >= 10; r /= 10)
                ++address_;
            atMost_ += 110;
        }
        atMost_ += kind == kTextCell ? 74 + address_ + 5 * std::int64_t(text.size()) : 53 + address_;
        ++cells_;
    }
    // The bounds of a sheet measured by another process.
    static SheetSize measured(std::int64_t atMost, std::int64_t cells)
    {
        SheetSize size;
        size.atMost_ = atMost;
        size.cells_ = cells;
        return size;
    }
    std::int64_t atMost() const { return atMost_; }
    std::int64_t atLeast() const { return cells_ * 20; }
    std::int64_t cells() const { return cells_; }

private:
    std::int64_t atMost_ = 0;
    std::int64_t cells_ = 0;
    int lastRow_ = 0;
    int address_ = 0;   // the most characters of an address in the last row
};

class WorkbookWriter {
public:
    // cells: the journal, in row order, of the cells of the sheet; tmpdir: a
    // private folder for the library's temporary files and the room taken.
    WorkbookWriter(const SheetLayout &sheet, const SheetSize &size, CellJournal &cells, const QString &tmpdir);

    // Writes the workbook at path, its progress told in thousandths: the
    // cells make the first half, the library's packing, which tells nothing,
    // the second. Raises Error when the disk has no room for it or it could
    // not be written whole.
    void write(const QString &path, Progress &progress);

private:
    RowFont fontOf(int row) const;

    const SheetLayout &sheet_;
    const SheetSize &size_;
    CellJournal &cells_;
    QString tmpdir_;
};

} // namespace tesmo::office
