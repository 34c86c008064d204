#include "platform/office/XlsxSpreadsheet.h"

#include "platform/office/PackingProcess.h"
#include "platform/office/OfficeText.h"
#include "platform/office/SheetAddress.h"
#include "platform/office/TypedCell.h"
#include "text/Error.h"
#include "text/Limits.h"

#include <algorithm>
#include <xlsxwriter.h>

namespace tesmo::office {

namespace {

// Bold type is about a tenth wider; a fitted column gets one character of room.
constexpr double kBoldFactor = 1.1;
constexpr double kFitPadding = 1.0;

std::size_t codePoints(std::string_view utf8)
{
    return std::size_t(std::count_if(utf8.begin(), utf8.end(), [](char b) { return (b & 0xC0) != 0x80; }));
}

} // namespace

XlsxSpreadsheet::XlsxSpreadsheet(Shell &shell, Progress *progress)
    : book_(shell, QStringLiteral("workbook"))
    , progress_(progress)
{
}

XlsxSpreadsheet::~XlsxSpreadsheet() = default;

void XlsxSpreadsheet::setVisible(int, bool visible)
{
    if (visible)
        book_.finish(fileNameFrom(sheet_.title, QStringLiteral("Book1")) + QStringLiteral(".xlsx"),
                     [this](const QString &path) { writeWorkbook(path); }, progress_);
}

void XlsxSpreadsheet::addWorkbook(int)
{
    book_.begin();
}

void XlsxSpreadsheet::setCaption(const QString &caption)
{
    sheet_.title = caption;
}

inline void XlsxSpreadsheet::needCell(int row, int column) const
{
    book_.needOpen();
    if (row < 1 || row > int(LXW_ROW_MAX) || column < 1 || column > int(LXW_COL_MAX))
        throw Error(kErrNotAvailable,
                    QStringLiteral("The spreadsheet cannot find the cell (%1, %2).").arg(row).arg(column));
}

inline SheetColumn &XlsxSpreadsheet::cellColumn(int column)
{
    if (std::size_t(column) > sheet_.columns.size())
        sheet_.columns.resize(std::size_t(column));
    return sheet_.columns[std::size_t(column) - 1];
}

void XlsxSpreadsheet::setCellValue(int row, int column, const QString &text)
{
    needCell(row, column);
    if (text.isEmpty())
        return;
    SheetColumn &c = cellColumn(column);
    const QString typed = officeText(text);
    const JournalCell cell = typedCell(row, column, typed, c.numberFormat == QLatin1String(kTextFormat));
    book_.cells().append(cell);
    size_.addCell(row, CellKind(cell.kind), {cell.text.constData(), std::size_t(cell.text.size())});
    // A typed number or date shows about as many characters as were typed.
    c.maxChars = std::max(c.maxChars, double(characterCount(typed)));
}

void XlsxSpreadsheet::setCellUtf8Value(int row, int column, std::string_view text, const Reading &reading)
{
    needCell(row, column);
    if (text.empty())
        return;
    SheetColumn &c = cellColumn(column);
    const std::string_view typed = officeUtf8Text(text, scratch_);
    const CellKind kind = appendTypedCell(book_.cells(), row, column, typed, reading,
                                          c.numberFormat == QLatin1String(kTextFormat));
    size_.addCell(row, kind, typed);
    // A typed number or date shows about as many characters as were typed.
    c.maxChars = std::max(c.maxChars, double(codePoints(typed)));
}

void XlsxSpreadsheet::selectRows(const QString &address)
{
    book_.needOpen();
    std::tie(selectedFirst_, selectedLast_) = rowRange(address);
}

void XlsxSpreadsheet::setSelectionFontBold(int, bool bold)
{
    selectionFont().bold = bold;
}

void XlsxSpreadsheet::setSelectionFontItalic(int, bool italic)
{
    selectionFont().italic = italic;
}

// The font of the selected rows, as the last change to them left it.
RowFont &XlsxSpreadsheet::selectionFont()
{
    book_.needOpen();
    if (selectedFirst_ == 0)
        throw Error(kErrObjectNotSet);
    std::vector<RowFont> &fonts = sheet_.rowFonts;
    if (fonts.empty() || fonts.back().first != selectedFirst_ || fonts.back().last != selectedLast_) {
        RowFont font{selectedFirst_, selectedLast_};
        for (const RowFont &f : fonts) {
            if (f.first <= selectedFirst_ && f.last >= selectedLast_)
                font.bold = f.bold, font.italic = f.italic;
        }
        fonts.push_back(font);
    }
    return fonts.back();
}

// Widths are estimated from the number of characters shown: one unit of
// column width is about one character of the default type.
void XlsxSpreadsheet::autoFitColumns(const QString &address)
{
    book_.needOpen();
    const auto [first, last] = columnRange(address);
    const bool anyBold =
        std::any_of(sheet_.rowFonts.begin(), sheet_.rowFonts.end(), [](const RowFont &f) { return f.bold; });
    for (int column = first; column <= last && std::size_t(column) <= sheet_.columns.size(); ++column) {
        SheetColumn &c = sheet_.columns[std::size_t(column) - 1];
        if (c.maxChars > 0)
            c.width = c.maxChars * (anyBold ? kBoldFactor : 1.0) + kFitPadding;
    }
}

void XlsxSpreadsheet::setColumnsNumberFormat(const QString &address, const QString &format)
{
    book_.needOpen();
    const auto [first, last] = columnRange(address);
    if (std::size_t(last) > sheet_.columns.size())
        sheet_.columns.resize(std::size_t(last));
    for (int column = first; column <= last; ++column)
        sheet_.columns[std::size_t(column) - 1].numberFormat = format;
}

// The library packs the whole workbook in one call that nothing can
// interrupt. So the workbook is written in a process of its own, which a
// Cancel ends at once; it reads the cells from the journal's file.
void XlsxSpreadsheet::writeWorkbook(const QString &file)
{
    book_.cells().rewind();
    packInChild({sheet_, size_, book_.journalPath(), book_.cells().size(), book_.path(QString()), file},
                progress_);
}

} // namespace tesmo::office
