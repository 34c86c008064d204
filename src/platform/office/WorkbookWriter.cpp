#include "platform/office/WorkbookWriter.h"

#include "platform/office/OfficeText.h"
#include "platform/office/WrittenWhole.h"
#include "text/Error.h"

#include <QDate>
#include <QDir>
#include <algorithm>
#include <memory>
#include <xlsxwriter.h>

namespace tesmo::office {

namespace {

constexpr const char *kSheetPart = "xl/worksheets/sheet1.xml";

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw Error(kErrCannotWrite, QStringLiteral("The workbook could not be written: %1")
                                         .arg(QString::fromUtf8(lxw_strerror(error))));
}

// The formats of a workbook, one per combination of font and number format
// that its cells use, made on first use.
class Formats {
public:
    explicit Formats(lxw_workbook *book)
        : book_(book)
    {
    }
    lxw_format *get(bool bold, bool italic, const QString &numberFormat)
    {
        if (!bold && !italic && numberFormat.isEmpty())
            return nullptr;
        for (const Made &m : made_) {
            if (m.bold == bold && m.italic == italic && m.numberFormat == numberFormat)
                return m.format;
        }
        lxw_format *f = workbook_add_format(book_);
        if (!f)
            throw Error(kErrOutOfMemory);
        if (bold)
            format_set_bold(f);
        if (italic)
            format_set_italic(f);
        if (!numberFormat.isEmpty())
            format_set_num_format(f, numberFormat.toUtf8().constData());
        made_.push_back({bold, italic, numberFormat, f});
        return f;
    }

private:
    struct Made {
        bool bold, italic;
        QString numberFormat;
        lxw_format *format;
    };
    lxw_workbook *book_;
    std::vector<Made> made_;
};

} // namespace

WorkbookWriter::WorkbookWriter(const SheetLayout &sheet, const SheetSize &size, CellJournal &cells,
                               const QString &tmpdir)
    : sheet_(sheet)
    , size_(size)
    , cells_(cells)
    , tmpdir_(tmpdir)
{
}

// The font of a row, as the last change to rows holding it left it.
RowFont WorkbookWriter::fontOf(int row) const
{
    RowFont font{row, row};
    for (const RowFont &f : sheet_.rowFonts) {
        if (row >= f.first && row <= f.last)
            font = f;
    }
    return font;
}

void WorkbookWriter::write(const QString &file, Progress &progress)
{
    // Rows whose font was set get it before their first cell, in row order as
    // constant-memory mode needs.
    std::vector<int> fontRows;
    for (const RowFont &f : sheet_.rowFonts) {
        for (int r = f.first; r <= f.last && fontRows.size() < std::size_t(LXW_ROW_MAX); ++r)
            fontRows.push_back(r);
    }
    std::sort(fontRows.begin(), fontRows.end());
    fontRows.erase(std::unique(fontRows.begin(), fontRows.end()), fontRows.end());

    // The library writes the rows through a temporary file of its own, then
    // the sheet through another, and looks at no write to either: a full disk
    // would leave a workbook cut short. So room for the two, and for the zip
    // packed once the first is gone, is taken before the library writes
    // anything, and given back to it; where the disk cannot promise room,
    // the packed file is read back whole.
    const std::int64_t sheetBytes = size_.atMost() + std::int64_t(fontRows.size()) * 110;
    const bool roomKept = keepRoom(QDir(tmpdir_).filePath(QStringLiteral(".room")),
                                   sheetBytes * 5 / 2 + (std::int64_t{1} << 20), QStringLiteral("workbook"));

    const QByteArray path = file.toUtf8();
    const QByteArray tmpdir = tmpdir_.toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tmpdir.constData());
    // Freed unwritten on an error; closing it writes and frees it.
    std::unique_ptr<lxw_workbook, void (*)(lxw_workbook *)> made(workbook_new_opt(path.constData(), &options),
                                                                 &lxw_workbook_free);
    lxw_workbook *book = made.get();
    if (!book)
        throw Error(kErrCannotWrite, QStringLiteral("The workbook %1 could not be made.").arg(file));

    const QByteArray title = officeText(sheet_.title).toUtf8();
    lxw_doc_properties properties{};
    properties.title = const_cast<char *>(title.constData());
    check(workbook_set_properties(book, &properties));
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    if (!sheet)
        throw Error(kErrOutOfMemory);

    Formats formats(book);
    const std::vector<SheetColumn> &columns = sheet_.columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const SheetColumn &c = columns[i];
        if (c.width < 0 && c.numberFormat.isEmpty())
            continue;
        check(worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), c.width < 0 ? LXW_DEF_COL_WIDTH : c.width,
                                   formats.get(false, false, c.numberFormat)));
    }

    auto nextFontRow = fontRows.begin();
    const auto fontRowsUpTo = [&](int row) {
        for (; nextFontRow != fontRows.end() && *nextFontRow <= row; ++nextFontRow) {
            const RowFont f = fontOf(*nextFontRow);
            check(worksheet_set_row(sheet, lxw_row_t(*nextFontRow - 1), LXW_DEF_ROW_HEIGHT,
                                    formats.get(f.bold, f.italic, QString())));
        }
    };

    // A cell's format follows from its row's font, its column's number
    // format and its kind; each combination is looked up once.
    constexpr int kKinds = 4;
    std::vector<lxw_format *> cellFormats;
    std::vector<bool> known;
    const auto cellFormat = [&](const RowFont &font, int column, int kind) {
        const std::size_t key = (std::size_t(font.bold * 2 + font.italic) * kKinds + std::size_t(kind))
                                    * (columns.size() + 1)
                                + std::min(std::size_t(column), columns.size() + 1) - 1;
        if (key >= known.size()) {
            known.resize(key + 1, false);
            cellFormats.resize(key + 1, nullptr);
        }
        if (!known[key]) {
            const QString &columnFormat =
                std::size_t(column) <= columns.size() ? columns[std::size_t(column) - 1].numberFormat : QString();
            cellFormats[key] = formats.get(font.bold, font.italic,
                                           columnFormat.isEmpty() ? QString::fromLatin1(typedFormat(CellKind(kind)))
                                                                  : columnFormat);
            known[key] = true;
        }
        return cellFormats[key];
    };

    ProgressSpan writing(&progress, 0, 500, std::max<std::int64_t>(cells_.size(), 1));
    std::int64_t written = 0;
    int lastRow = 0;
    RowFont font{0, 0};
    JournalCell cell;
    while (cells_.next(cell)) {
        if ((++written & 4095) == 0)
            writing.report(written);
        if (cell.row != lastRow) {
            fontRowsUpTo(cell.row);
            font = fontOf(cell.row);
            lastRow = cell.row;
        }
        const auto r = lxw_row_t(cell.row - 1);
        const auto c = lxw_col_t(cell.column - 1);
        lxw_format *format = cellFormat(font, cell.column, cell.kind);
        switch (cell.kind) {
        case kNumberCell:
        case kCurrencyCell:
            check(worksheet_write_number(sheet, r, c, cell.number, format));
            break;
        case kDateCell: {
            const QDate date = QDate::fromJulianDay(qint64(cell.number));
            lxw_datetime when{date.year(), date.month(), date.day(), 0, 0, 0};
            check(worksheet_write_datetime(sheet, r, c, &when, format));
            break;
        }
        default:
            check(worksheet_write_string(sheet, r, c, cell.text.constData(), format));
            break;
        }
    }
    fontRowsUpTo(LXW_ROW_MAX);

    progress.report(500);
    check(workbook_close(made.release()));
    if (roomKept)
        checkZipDirectory(file, QStringLiteral("workbook"), kSheetPart, size_.atLeast());
    else
        checkWholeZip(file, QStringLiteral("workbook"), ZipPartCount{kSheetPart, "</c>", size_.cells()});
    progress.report(1000);
}

} // namespace tesmo::office
