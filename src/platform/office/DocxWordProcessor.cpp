#include "platform/office/DocxWordProcessor.h"

#include "platform/office/BlockDeflater.h"
#include "platform/office/DocumentParts.h"
#include "platform/office/ZipWriter.h"
#include "text/Error.h"

#include <algorithm>

namespace tesmo::office {

namespace {

[[noreturn]] void notAvailable(const QString &what)
{
    throw Error(kErrNotAvailable, QStringLiteral("The word processor cannot %1.").arg(what));
}

} // namespace

DocxWordProcessor::DocxWordProcessor(Shell &shell, Progress *progress)
    : document_(shell, QStringLiteral("document"))
    , progress_(progress)
{
}

DocxWordProcessor::~DocxWordProcessor() = default;

void DocxWordProcessor::needTable() const
{
    document_.needOpen();
    if (!table_.present)
        throw Error(kErrObjectNotSet);
}

void DocxWordProcessor::setVisible(bool visible)
{
    if (visible)
        document_.finish(QStringLiteral("Document1.docx"), [this](const QString &path) { writeDocument(path); },
                         progress_);
}

void DocxWordProcessor::addDocument()
{
    document_.begin();
}

TextRange DocxWordProcessor::selectionRange()
{
    document_.needOpen();
    if (table_.present)
        notAvailable(QStringLiteral("give a range inside a table"));
    return TextRange{1, 0};
}

void DocxWordProcessor::addTable(int document, const TextRange &range, int rows, int columns, int defaultTableBehavior,
                                 int autoFitBehavior)
{
    document_.needOpen();
    if (document != 1 || range.document != 1)
        throw Error(kErrObjectNotSet);
    if (table_.present || range.start != 0)
        notAvailable(QStringLiteral("add a second table"));
    if (rows < 1 || columns < 1 || columns > 63 || (defaultTableBehavior != 0 && defaultTableBehavior != 1)
        || autoFitBehavior < 0 || autoFitBehavior > 2)
        notAvailable(QStringLiteral("add a table of %1 rows and %2 columns").arg(rows).arg(columns));
    table_.present = true;
    table_.rows = rows;
    table_.columns = columns;
    row_ = 1;
    column_ = 1;
    fitToContents_ = autoFitBehavior == 1;
    widest_.assign(std::size_t(columns), 0);
    headingWidest_.assign(std::size_t(columns), 0);
    word_.assign(std::size_t(columns), 0);
    headingWord_.assign(std::size_t(columns), 0);
}

// Only the format "3D effects 2" is at hand, and only with its borders,
// shading, type and colours; which rows and columns stand apart, and the
// fitting, follow the arguments.
void DocxWordProcessor::autoFormatSelectionTable(int table, const TableAutoFormat &format)
{
    needTable();
    if (table != 1)
        throw Error(kErrObjectNotSet);
    if (format.format != kWdTableFormat3DEffects2 || !format.borders || !format.shading || !format.font
        || !format.color)
        notAvailable(QStringLiteral("apply the table format %1 with these choices").arg(format.format));
    table_.format = format;
    fitToContents_ = format.autoFit;
}

void DocxWordProcessor::typeText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    typeUtf8Text({utf8.constData(), std::size_t(utf8.size())});
}

// The text goes to the cell journal as the markup of its run; the widths of
// its column grow by it.
void DocxWordProcessor::typeUtf8Text(std::string_view text)
{
    needTable();
    if (text.empty())
        return;
    markup_.clear();
    // The heading row is measured as bold, which it is in the table format.
    const bool heading = row_ == 1;
    const TypedWidth width = appendTypedMarkup(text, heading, markup_);
    const bool blanksMatter =
        markup_.front() == ' ' || markup_.back() == ' ' || markup_.find("  ") != std::string::npos;
    document_.cells().append(row_, column_, blanksMatter ? kBlanksMatter : 0, 0, markup_);
    cellUnits_ += double(width.whole);
    const auto column = std::size_t(column_) - 1;
    auto &widest = heading ? headingWidest_ : widest_;
    widest[column] = std::max(widest[column], cellUnits_);
    auto &longestWord = heading ? headingWord_ : word_;
    longestWord[column] = std::max(longestWord[column], double(width.longestWord));
}

void DocxWordProcessor::moveRight(int unit)
{
    needTable();
    if (unit != kWdCell)
        notAvailable(QStringLiteral("move by the unit %1").arg(unit));
    if (column_ < table_.columns) {
        ++column_;
    } else if (row_ < table_.rows) {
        ++row_;
        column_ = 1;
    } else {
        notAvailable(QStringLiteral("move right from the last cell"));
    }
    cellUnits_ = 0;
}

// Rows are typed in order: new rows can only go below the last row.
void DocxWordProcessor::insertRowsBelow(int count)
{
    needTable();
    if (count < 1 || row_ != table_.rows)
        notAvailable(QStringLiteral("insert rows inside a table"));
    table_.rows += count;
    ++row_;
    column_ = 1;
    cellUnits_ = 0;
}

void DocxWordProcessor::writeDocument(const QString &file)
{
    const TableLayout layout = [this] {
        if (!fitToContents_)
            return evenLayout(table_.columns);
        ColumnNeeds needs;
        for (std::size_t c = 0; c < std::size_t(table_.columns); ++c) {
            needs[0].push_back(word_[c]);
            needs[1].push_back(std::max(word_[c], headingWord_[c]));
            needs[2].push_back(std::max({needs[1][c], widest_[c], headingWidest_[c]}));
        }
        return fittedLayout(needs);
    }();
    CellJournal *typed = document_.cells().size() > 0 ? &document_.cells() : nullptr;
    if (typed)
        typed->rewind();
    // The part's markup is made and deflated into a file of the private
    // folder: that is the work whose progress is told, and where a cancel
    // stops it. The zip then takes the deflated part as it is.
    DocumentMarkup markup(table_, layout, typed, progress_);
    BlockDeflater deflater(document_.path(QStringLiteral(".document.xml.deflated")), 1);
    std::string piece;
    while (markup.next(piece))
        deflater.write(piece);
    const DeflatedFile deflated = deflater.finish();

    ZipWriter zip(file, QStringLiteral("document"));
    zip.add("[Content_Types].xml", contentTypes());
    zip.add("_rels/.rels", relationships("officeDocument", "word/document.xml"));
    zip.add("word/_rels/document.xml.rels", relationships("styles", "styles.xml"));
    zip.addDeflated("word/document.xml", deflated);
    zip.add("word/styles.xml", styles(layout.size));
    zip.close();
}

} // namespace tesmo::office
