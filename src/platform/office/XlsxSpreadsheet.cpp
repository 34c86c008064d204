#include "platform/office/XlsxSpreadsheet.h"

#include "platform/office/ForkedWork.h"
#include "platform/office/OfficeText.h"
#include "text/Error.h"
#include "text/Limits.h"
#include "text/FieldRules.h"
#include "text/Regional.h"
#include "text/Utf8.h"

#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <array>
#include <charconv>
#include <cmath>
#include <xlsxwriter.h>

namespace tesmo::office {

namespace {

// The kinds a typed text is read as.
enum Kind : std::int32_t { kText, kNumber, kCurrency, kDate };

constexpr int kMaxRow = LXW_ROW_MAX;
constexpr int kMaxColumn = LXW_COL_MAX;
// The format a cell takes when a currency text or a date is typed into it.
constexpr const char *kTypedCurrencyFormat = "$#,##0.00_);($#,##0.00)";
constexpr const char *kTypedDateFormat = "m/d/yyyy";
// The number format of text: what is typed into it stays text.
constexpr const char *kTextFormat = "@";
// Bold type is about a tenth wider; a fitted column gets one character of room.
constexpr double kBoldFactor = 1.1;
constexpr double kFitPadding = 1.0;

[[noreturn]] void notAvailable(const QString &what)
{
    throw Error(kErrNotAvailable, QStringLiteral("The spreadsheet cannot %1.").arg(what));
}

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw Error(kErrCannotWrite, QStringLiteral("The workbook could not be written: %1")
                                         .arg(QString::fromUtf8(lxw_strerror(error))));
}

// "3:7" as rows 3 to 7; "2" alone as row 2.
std::pair<int, int> rowRange(const QString &address)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d+)(?::(\\d+))?\\s*$"));
    const auto m = pattern.match(address);
    if (!m.hasMatch())
        notAvailable(QStringLiteral("find the rows %1").arg(address));
    const int first = m.captured(1).toInt();
    const int last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
    if (first < 1 || last < first || last > kMaxRow)
        notAvailable(QStringLiteral("find the rows %1").arg(address));
    return {first, last};
}

int columnNumber(QStringView letters)
{
    int n = 0;
    for (const QChar c : letters)
        n = n * 26 + (c.toUpper().unicode() - u'A' + 1);
    return n;
}

// "B:D" as columns 2 to 4; "C" alone as column 3.
std::pair<int, int> columnRange(const QString &address)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([A-Za-z]{1,3})(?::([A-Za-z]{1,3}))?\\s*$"));
    const auto m = pattern.match(address);
    if (!m.hasMatch())
        notAvailable(QStringLiteral("find the columns %1").arg(address));
    const int first = columnNumber(m.capturedView(1));
    const int last = m.capturedView(2).isEmpty() ? first : columnNumber(m.capturedView(2));
    if (first < 1 || last < first || last > kMaxColumn)
        notAvailable(QStringLiteral("find the columns %1").arg(address));
    return {first, last};
}

// A plain decimal number (IsNumber) as the nearest double; false when it
// does not fit one.
bool plainNumber(const QString &plain, double &value)
{
    std::array<char, 64> ascii{};
    if (plain.size() >= qsizetype(ascii.size())) {
        bool ok = false;
        value = plain.toDouble(&ok);
        return ok;
    }
    qsizetype n = 0;
    for (const QChar c : plain) {
        if (!(n == 0 && c == u'+'))
            ascii[std::size_t(n++)] = char(c.unicode());
    }
    // "12." reads as 12.
    const char *end = ascii.data() + n - (n > 1 && ascii[std::size_t(n) - 1] == '.' ? 1 : 0);
    const auto [ptr, error] = std::from_chars(ascii.data(), end, value);
    return error == std::errc() && ptr == end && std::isfinite(value);
}

// The first day that every reader of workbooks counts alike: the readers
// disagree on whether the year 1900 had a 29 February, so days before it
// would show a day apart.
const QDate kFirstCommonDay(1900, 3, 1);

// A text typed into a cell, read as the spreadsheet reads typing: a plain
// number, a currency text, a short date on or after kFirstCommonDay, or
// text. Into a column of the text format everything stays text.
JournalCell typedCell(int row, int column, const QString &text, bool textColumn)
{
    JournalCell cell;
    cell.row = row;
    cell.column = column;
    const QString trimmed = text.trimmed();
    if (textColumn) {
        cell.kind = kText;
        cell.text = text.toUtf8();
    } else if (IsNumber(trimmed) && plainNumber(trimmed, cell.number)) {
        cell.kind = kNumber;
    } else if (const auto amount = trimmed.contains(u'$') ? regional::readAmount(trimmed) : std::nullopt) {
        cell.kind = kCurrency;
        cell.number = ticksToDouble(*amount);
    } else if (const auto date = regional::readDate(trimmed); date && *date >= kFirstCommonDay) {
        cell.kind = kDate;
        cell.number = double(date->toJulianDay());
    } else {
        cell.kind = kText;
        cell.text = text.toUtf8();
    }
    return cell;
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

XlsxSpreadsheet::XlsxSpreadsheet(Shell &shell, Progress *progress)
    : book_(shell, QStringLiteral("workbook"))
    , progress_(progress)
{
}

XlsxSpreadsheet::~XlsxSpreadsheet() = default;

void XlsxSpreadsheet::setVisible(int, bool visible)
{
    if (visible)
        book_.finish(fileNameFrom(caption_, QStringLiteral("Book1")) + QStringLiteral(".xlsx"),
                     [this](const QString &path) { writeWorkbook(path); }, progress_);
}

void XlsxSpreadsheet::addWorkbook(int)
{
    book_.begin();
}

void XlsxSpreadsheet::setCaption(const QString &caption)
{
    caption_ = caption;
}

void XlsxSpreadsheet::setCellValue(int row, int column, const QString &text)
{
    book_.needOpen();
    if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn)
        notAvailable(QStringLiteral("find the cell (%1, %2)").arg(row).arg(column));
    if (text.isEmpty())
        return;
    if (std::size_t(column) > columns_.size())
        columns_.resize(std::size_t(column));
    Column &c = columns_[std::size_t(column) - 1];
    const QString typed = officeText(text);
    book_.cells().append(typedCell(row, column, typed, c.numberFormat == QLatin1String(kTextFormat)));
    // A typed number or date shows about as many characters as were typed.
    c.maxChars = std::max(c.maxChars, double(characterCount(typed)));
}

namespace {

// A text that typing can read only as text: it has no "$" and starts with
// an ASCII character that no number, amount or date starts with.
bool onlyText(std::string_view text)
{
    if (text.empty() || text.find('$') != std::string_view::npos)
        return false;
    const auto first = std::uint8_t(text.front());
    return first < 0x80 && first > 0x20 && !(first >= '0' && first <= '9') && first != '+' && first != '-'
           && first != '.' && first != '(';
}

std::size_t codePoints(std::string_view utf8)
{
    return std::size_t(std::count_if(utf8.begin(), utf8.end(), [](char b) { return (b & 0xC0) != 0x80; }));
}

} // namespace

void XlsxSpreadsheet::setCellUtf8Value(int row, int column, std::string_view text, const Reading &reading)
{
    book_.needOpen();
    if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn)
        notAvailable(QStringLiteral("find the cell (%1, %2)").arg(row).arg(column));
    if (text.empty())
        return;
    if (std::size_t(column) > columns_.size())
        columns_.resize(std::size_t(column));
    Column &c = columns_[std::size_t(column) - 1];
    const bool textColumn = c.numberFormat == QLatin1String(kTextFormat);
    const std::string_view typed = officeUtf8Text(text, scratch_);
    CellJournal &cells = book_.cells();
    if (!textColumn && reading.kind == Reading::Kind::Number) {
        cells.append(row, column, kNumber, reading.number, {});
    } else if (!textColumn && reading.kind == Reading::Kind::Date && reading.date >= kFirstCommonDay) {
        cells.append(row, column, kDate, double(reading.date.toJulianDay()), {});
    } else if (textColumn || reading.kind == Reading::Kind::Date || onlyText(typed)) {
        cells.append(row, column, kText, 0, typed);
    } else {
        cells.append(typedCell(row, column, QString::fromUtf8(typed.data(), qsizetype(typed.size())), false));
    }
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
XlsxSpreadsheet::RowFont &XlsxSpreadsheet::selectionFont()
{
    book_.needOpen();
    if (selectedFirst_ == 0)
        throw Error(kErrObjectNotSet);
    if (rowFonts_.empty() || rowFonts_.back().first != selectedFirst_ || rowFonts_.back().last != selectedLast_) {
        RowFont font{selectedFirst_, selectedLast_};
        for (const RowFont &f : rowFonts_) {
            if (f.first <= selectedFirst_ && f.last >= selectedLast_)
                font.bold = f.bold, font.italic = f.italic;
        }
        rowFonts_.push_back(font);
    }
    return rowFonts_.back();
}

// Widths are estimated from the number of characters shown: one unit of
// column width is about one character of the default type.
void XlsxSpreadsheet::autoFitColumns(const QString &address)
{
    book_.needOpen();
    const auto [first, last] = columnRange(address);
    const bool anyBold = std::any_of(rowFonts_.begin(), rowFonts_.end(), [](const RowFont &f) { return f.bold; });
    for (int column = first; column <= last && std::size_t(column) <= columns_.size(); ++column) {
        Column &c = columns_[std::size_t(column) - 1];
        if (c.maxChars > 0)
            c.width = c.maxChars * (anyBold ? kBoldFactor : 1.0) + kFitPadding;
    }
}

void XlsxSpreadsheet::setColumnsNumberFormat(const QString &address, const QString &format)
{
    book_.needOpen();
    const auto [first, last] = columnRange(address);
    if (std::size_t(last) > columns_.size())
        columns_.resize(std::size_t(last));
    for (int column = first; column <= last; ++column)
        columns_[std::size_t(column) - 1].numberFormat = format;
}

// The library packs the whole workbook in one call that nothing can
// interrupt. So the workbook is made, packed and checked in a process of its
// own, which a cancel ends at once.
void XlsxSpreadsheet::writeWorkbook(const QString &file)
{
    book_.cells().rewind();
    runForked(QStringLiteral("workbook"), [&](Progress &progress) { makeWorkbook(file, progress); }, progress_);
}

void XlsxSpreadsheet::makeWorkbook(const QString &file, Progress &progress)
{
    const QByteArray path = file.toUtf8();
    const QByteArray tmpdir = book_.path(QString()).toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tmpdir.constData());
    // Left unclosed on an error: the process ends with it.
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    if (!book)
        throw Error(kErrCannotWrite, QStringLiteral("The workbook %1 could not be made.").arg(file));

    const QByteArray title = officeText(caption_).toUtf8();
    lxw_doc_properties properties{};
    properties.title = const_cast<char *>(title.constData());
    check(workbook_set_properties(book, &properties));
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    if (!sheet)
        throw Error(kErrOutOfMemory);

    Formats formats(book);
    const auto fontOf = [this](int row) {
        RowFont font{row, row};
        for (const RowFont &f : rowFonts_) {
            if (row >= f.first && row <= f.last)
                font = f;
        }
        return font;
    };
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const Column &c = columns_[i];
        if (c.width < 0 && c.numberFormat.isEmpty())
            continue;
        check(worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), c.width < 0 ? LXW_DEF_COL_WIDTH : c.width,
                                   formats.get(false, false, c.numberFormat)));
    }

    // Rows whose font was set get it before their first cell, in row order as
    // constant-memory mode needs.
    std::vector<int> fontRows;
    for (const RowFont &f : rowFonts_) {
        for (int r = f.first; r <= f.last && fontRows.size() < std::size_t(kMaxRow); ++r)
            fontRows.push_back(r);
    }
    std::sort(fontRows.begin(), fontRows.end());
    fontRows.erase(std::unique(fontRows.begin(), fontRows.end()), fontRows.end());
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
                                    * (columns_.size() + 1)
                                + std::min(std::size_t(column), columns_.size() + 1) - 1;
        if (key >= known.size()) {
            known.resize(key + 1, false);
            cellFormats.resize(key + 1, nullptr);
        }
        if (!known[key]) {
            const QString &columnFormat = std::size_t(column) <= columns_.size()
                                              ? columns_[std::size_t(column) - 1].numberFormat
                                              : QString();
            const char *typed = kind == kCurrency ? kTypedCurrencyFormat : kind == kDate ? kTypedDateFormat : "";
            cellFormats[key] = formats.get(font.bold, font.italic,
                                           columnFormat.isEmpty() ? QString::fromLatin1(typed) : columnFormat);
            known[key] = true;
        }
        return cellFormats[key];
    };

    // Half the work is writing the cells, the other half the library's
    // packing of the workbook, which tells nothing of its progress.
    ProgressSpan writing(&progress, 0, 500, std::max<std::int64_t>(book_.cells().size(), 1));
    std::int64_t written = 0;
    int lastRow = 0;
    RowFont font{0, 0};
    JournalCell cell;
    CellJournal &cells = book_.cells();
    while (cells.next(cell)) {
        if ((++written & 4095) == 0)
            writing.advance(written);
        if (cell.row != lastRow) {
            fontRowsUpTo(cell.row);
            font = fontOf(cell.row);
            lastRow = cell.row;
        }
        const auto r = lxw_row_t(cell.row - 1);
        const auto c = lxw_col_t(cell.column - 1);
        lxw_format *format = cellFormat(font, cell.column, cell.kind);
        switch (cell.kind) {
        case kNumber:
        case kCurrency:
            check(worksheet_write_number(sheet, r, c, cell.number, format));
            break;
        case kDate: {
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
    fontRowsUpTo(kMaxRow);

    // The library writes the rows through a temporary file of its own, then
    // packs the sheet through another, and looks at no write to either: a
    // full disk would leave a workbook cut short. So the rows' file is
    // looked at here, and room for the packing (the sheet once more, and
    // the zip) is taken before it starts and given back to it; where the
    // disk cannot promise room, the finished file is read back whole.
    std::FILE *rows = sheet->optimize_tmpfile;
    if (rows && (std::fflush(rows) != 0 || std::ferror(rows)))
        throw Error(kErrCannotWrite, QStringLiteral("The workbook could not be written: %1")
                                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
    const std::int64_t rowBytes = rows ? std::int64_t(ftello(rows)) : 0;
    const bool roomKept = keepRoom(book_.path(QStringLiteral(".room")), rowBytes * 3 / 2 + (std::int64_t{1} << 20),
                                   QStringLiteral("workbook"));
    progress.advance(500);
    check(workbook_close(book));
    if (roomKept)
        checkZipDirectory(file, QStringLiteral("workbook"), "xl/worksheets/sheet1.xml", rowBytes);
    else
        checkWholeZip(file, QStringLiteral("workbook"));
    progress.advance(1000);
}

} // namespace tesmo::office
