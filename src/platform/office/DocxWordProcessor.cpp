#include "platform/office/DocxWordProcessor.h"

#include "platform/office/StdioDevice.h"
#include "text/Error.h"
#include "text/Limits.h"

#include <QBuffer>
#include <QFile>
#include <QXmlStreamWriter>
#include <functional>
#include <list>
#include <numeric>
#include <zip.h>

namespace tesmo::office {

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kRelationships = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeRelationship = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
const QString kStyleId = QStringLiteral("Table3Deffects2");

// Page: US Letter with one-inch margins, in twips.
constexpr int kPageWidth = 12240;
constexpr int kPageHeight = 15840;
constexpr int kMargin = 1440;
// Estimated width of one character of the 10-point body type, and the cell's
// left and right margins, in twips. A heading's characters are bold, and a
// word that must not break is given room for wide capitals too.
constexpr int kCharTwips = 110;
constexpr double kBold = 1.1;
constexpr double kUnbroken = 1.35;
constexpr int kCellMargins = 2 * 108;

[[noreturn]] void notAvailable(const QString &what)
{
    throw Error(kErrNotAvailable, QStringLiteral("The word processor cannot %1.").arg(what));
}

[[noreturn]] void cannotWrite(const QString &what)
{
    throw Error(kErrCannotWrite, QStringLiteral("The document could not be written: %1").arg(what));
}

// XML 1.0 holds no control characters but tab, line feed and carriage
// return; a line break typed into a cell becomes a blank.
QString cellText(const QString &typed)
{
    QString text;
    text.reserve(typed.size());
    for (const QChar c : typed) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            text += u' ';
        else if (c.unicode() >= 0x20 && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF)
            text += c;
    }
    return text;
}

// The characters of the longest run of text without a blank: the narrowest
// a cell can be without breaking a word.
qsizetype longestWord(const QString &text)
{
    qsizetype longest = 0, run = 0;
    for (const QChar c : text) {
        if (c == u' ')
            run = 0;
        else if (!c.isLowSurrogate())
            longest = std::max(longest, ++run);
    }
    return longest;
}

// Writes an element of the main namespace with a w:val (and more) attributes.
void valElement(QXmlStreamWriter &x, const QString &name, const QString &val)
{
    x.writeEmptyElement(kW, name);
    x.writeAttribute(kW, QStringLiteral("val"), val);
}

void widthElement(QXmlStreamWriter &x, const QString &name, int twips, const QString &type)
{
    x.writeEmptyElement(kW, name);
    x.writeAttribute(kW, QStringLiteral("w"), QString::number(twips));
    x.writeAttribute(kW, QStringLiteral("type"), type);
}

void shading(QXmlStreamWriter &x, const char *fill)
{
    x.writeEmptyElement(kW, QStringLiteral("shd"));
    x.writeAttribute(kW, QStringLiteral("val"), QStringLiteral("clear"));
    x.writeAttribute(kW, QStringLiteral("color"), QStringLiteral("auto"));
    x.writeAttribute(kW, QStringLiteral("fill"), QString::fromLatin1(fill));
}

// The raised look: every border of the table and between its cells drawn
// as an outset line, which shows light above and left, dark below and right.
void raisedBorders(QXmlStreamWriter &x)
{
    x.writeStartElement(kW, QStringLiteral("tblBorders"));
    for (const char *side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        x.writeEmptyElement(kW, QString::fromLatin1(side));
        x.writeAttribute(kW, QStringLiteral("val"), QStringLiteral("outset"));
        x.writeAttribute(kW, QStringLiteral("sz"), QStringLiteral("12"));
        x.writeAttribute(kW, QStringLiteral("space"), QStringLiteral("0"));
        x.writeAttribute(kW, QStringLiteral("color"), QStringLiteral("auto"));
    }
    x.writeEndElement();
}

QByteArray xmlPart(const std::function<void(QXmlStreamWriter &)> &body)
{
    QByteArray bytes;
    QXmlStreamWriter x(&bytes);
    x.writeStartDocument(QStringLiteral("1.0"), true);
    body(x);
    x.writeEndDocument();
    return bytes;
}

QByteArray contentTypes()
{
    return xmlPart([](QXmlStreamWriter &x) {
        const QString ns = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");
        x.writeDefaultNamespace(ns);
        x.writeStartElement(ns, QStringLiteral("Types"));
        const auto item = [&](const char *element, const char *key, const char *value, const char *type) {
            x.writeEmptyElement(ns, QString::fromLatin1(element));
            x.writeAttribute(QString::fromLatin1(key), QString::fromLatin1(value));
            x.writeAttribute(QStringLiteral("ContentType"), QString::fromLatin1(type));
        };
        item("Default", "Extension", "rels", "application/vnd.openxmlformats-package.relationships+xml");
        item("Default", "Extension", "xml", "application/xml");
        item("Override", "PartName", "/word/document.xml",
             "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
        item("Override", "PartName", "/word/styles.xml",
             "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml");
        x.writeEndElement();
    });
}

QByteArray relationships(const char *type, const char *target)
{
    return xmlPart([&](QXmlStreamWriter &x) {
        x.writeDefaultNamespace(kRelationships);
        x.writeStartElement(kRelationships, QStringLiteral("Relationships"));
        x.writeEmptyElement(kRelationships, QStringLiteral("Relationship"));
        x.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId1"));
        x.writeAttribute(QStringLiteral("Type"), kOfficeRelationship + QString::fromLatin1(type));
        x.writeAttribute(QStringLiteral("Target"), QString::fromLatin1(target));
        x.writeEndElement();
    });
}

// The styles: 10-point Arial body type, and the table format "3D effects 2"
// as a table style of its own: silver cells with raised borders, the heading
// row in bold white type on dark grey.
QByteArray styles()
{
    return xmlPart([](QXmlStreamWriter &x) {
        x.writeNamespace(kW, QStringLiteral("w"));
        x.writeStartElement(kW, QStringLiteral("styles"));

        x.writeStartElement(kW, QStringLiteral("docDefaults"));
        x.writeStartElement(kW, QStringLiteral("rPrDefault"));
        x.writeStartElement(kW, QStringLiteral("rPr"));
        x.writeEmptyElement(kW, QStringLiteral("rFonts"));
        for (const char *script : {"ascii", "hAnsi", "eastAsia", "cs"})
            x.writeAttribute(kW, QString::fromLatin1(script), QStringLiteral("Arial"));
        valElement(x, QStringLiteral("sz"), QStringLiteral("20"));
        valElement(x, QStringLiteral("szCs"), QStringLiteral("20"));
        x.writeEndElement();
        x.writeEndElement();
        x.writeEndElement();

        x.writeStartElement(kW, QStringLiteral("style"));
        x.writeAttribute(kW, QStringLiteral("type"), QStringLiteral("paragraph"));
        x.writeAttribute(kW, QStringLiteral("default"), QStringLiteral("1"));
        x.writeAttribute(kW, QStringLiteral("styleId"), QStringLiteral("Normal"));
        valElement(x, QStringLiteral("name"), QStringLiteral("Normal"));
        x.writeEndElement();

        x.writeStartElement(kW, QStringLiteral("style"));
        x.writeAttribute(kW, QStringLiteral("type"), QStringLiteral("table"));
        x.writeAttribute(kW, QStringLiteral("styleId"), kStyleId);
        valElement(x, QStringLiteral("name"), QStringLiteral("Table 3D effects 2"));
        x.writeStartElement(kW, QStringLiteral("tblPr"));
        raisedBorders(x);
        x.writeStartElement(kW, QStringLiteral("tblCellMar"));
        widthElement(x, QStringLiteral("left"), kCellMargins / 2, QStringLiteral("dxa"));
        widthElement(x, QStringLiteral("right"), kCellMargins / 2, QStringLiteral("dxa"));
        x.writeEndElement();
        x.writeEndElement();
        x.writeStartElement(kW, QStringLiteral("tcPr"));
        shading(x, "C0C0C0");
        x.writeEndElement();

        x.writeStartElement(kW, QStringLiteral("tblStylePr"));
        x.writeAttribute(kW, QStringLiteral("type"), QStringLiteral("firstRow"));
        x.writeStartElement(kW, QStringLiteral("rPr"));
        x.writeEmptyElement(kW, QStringLiteral("b"));
        x.writeEmptyElement(kW, QStringLiteral("bCs"));
        valElement(x, QStringLiteral("color"), QStringLiteral("FFFFFF"));
        x.writeEndElement();
        x.writeStartElement(kW, QStringLiteral("tcPr"));
        shading(x, "808080");
        x.writeEndElement();
        x.writeEndElement();

        x.writeEndElement();   // style
        x.writeEndElement();   // styles
    });
}

// A zip archive being written; entries are deflated.
class Zip {
public:
    explicit Zip(const QString &path)
    {
        int error = 0;
        zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!zip_) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            const QString message = QString::fromUtf8(zip_error_strerror(&e));
            zip_error_fini(&e);
            cannotWrite(message);
        }
    }
    ~Zip()
    {
        if (zip_)
            zip_discard(zip_);
    }
    Zip(const Zip &) = delete;
    Zip &operator=(const Zip &) = delete;

    // The bytes stay with the archive until it is closed.
    void add(const char *name, QByteArray bytes)
    {
        const QByteArray &kept = buffers_.emplace_back(std::move(bytes));
        add(name, zip_source_buffer(zip_, kept.constData(), zip_uint64_t(kept.size()), 0));
    }
    // The file is read when the archive is closed, and deflated at the
    // fastest level: it may be large, and markup packs well at any level.
    void addFile(const char *name, const QString &path)
    {
        add(name, zip_source_file(zip_, QFile::encodeName(path).constData(), 0, -1), 1);
    }
    void close()
    {
        if (zip_close(zip_) != 0)
            fail();
        zip_ = nullptr;
    }

private:
    void add(const char *name, zip_source_t *source, zip_uint32_t level = 0)
    {
        if (!source)
            fail();
        const zip_int64_t index = zip_file_add(zip_, name, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            fail();
        }
        if (zip_set_file_compression(zip_, zip_uint64_t(index), ZIP_CM_DEFLATE, level) != 0)
            fail();
    }
    [[noreturn]] void fail() const { cannotWrite(QString::fromUtf8(zip_strerror(zip_))); }

    zip_t *zip_ = nullptr;
    std::list<QByteArray> buffers_;
};

} // namespace

DocxWordProcessor::DocxWordProcessor(Shell &shell)
    : document_(shell, QStringLiteral("document"))
{
}

DocxWordProcessor::~DocxWordProcessor() = default;

QString DocxWordProcessor::documentFile() const
{
    return document_.handedOver();
}

void DocxWordProcessor::needTable() const
{
    document_.needOpen();
    if (!hasTable_)
        throw Error(kErrObjectNotSet);
}

void DocxWordProcessor::setVisible(bool visible)
{
    if (visible)
        document_.finish(QStringLiteral("Document1.docx"), [this](const QString &path) { writeDocument(path); });
}

void DocxWordProcessor::addDocument()
{
    document_.begin();
}

TextRange DocxWordProcessor::selectionRange()
{
    document_.needOpen();
    if (hasTable_)
        notAvailable(QStringLiteral("give a range inside a table"));
    return TextRange{1, 0};
}

void DocxWordProcessor::addTable(int document, const TextRange &range, int rows, int columns, int defaultTableBehavior,
                                 int autoFitBehavior)
{
    document_.needOpen();
    if (document != 1 || range.document != 1)
        throw Error(kErrObjectNotSet);
    if (hasTable_ || range.start != 0)
        notAvailable(QStringLiteral("add a second table"));
    if (rows < 1 || columns < 1 || columns > 63 || (defaultTableBehavior != 0 && defaultTableBehavior != 1)
        || autoFitBehavior < 0 || autoFitBehavior > 2)
        notAvailable(QStringLiteral("add a table of %1 rows and %2 columns").arg(rows).arg(columns));
    hasTable_ = true;
    rows_ = rows;
    columns_ = columns;
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
    format_ = format;
    fitToContents_ = format.autoFit;
}

void DocxWordProcessor::typeText(const QString &text)
{
    needTable();
    if (text.isEmpty())
        return;
    JournalCell cell;
    cell.row = row_;
    cell.column = column_;
    cell.text = cellText(text).toUtf8();
    document_.cells().append(cell);
    cellChars_ += characterCount(text);
    auto &widest = row_ == 1 ? headingWidest_ : widest_;
    widest[std::size_t(column_) - 1] = std::max(widest[std::size_t(column_) - 1], cellChars_);
    qsizetype &word = (row_ == 1 ? headingWord_ : word_)[std::size_t(column_) - 1];
    word = std::max(word, longestWord(text));
}

void DocxWordProcessor::moveRight(int unit)
{
    needTable();
    if (unit != kWdCell)
        notAvailable(QStringLiteral("move by the unit %1").arg(unit));
    if (column_ < columns_) {
        ++column_;
    } else if (row_ < rows_) {
        ++row_;
        column_ = 1;
    } else {
        notAvailable(QStringLiteral("move right from the last cell"));
    }
    cellChars_ = 0;
}

// Rows are typed in order: new rows can only go below the last row.
void DocxWordProcessor::insertRowsBelow(int count)
{
    needTable();
    if (count < 1 || row_ != rows_)
        notAvailable(QStringLiteral("insert rows inside a table"));
    rows_ += count;
    ++row_;
    column_ = 1;
    cellChars_ = 0;
}

void DocxWordProcessor::writeDocument(const QString &file)
{
    const QString part = document_.path(QStringLiteral(".document.xml"));
    struct Remover {
        QString path;
        ~Remover() { QFile::remove(path); }
    } removePart{part};
    writeDocumentPart(part);

    Zip zip(file);
    zip.add("[Content_Types].xml", contentTypes());
    zip.add("_rels/.rels", relationships("officeDocument", "word/document.xml"));
    zip.add("word/_rels/document.xml.rels", relationships("styles", "styles.xml"));
    zip.addFile("word/document.xml", part);
    zip.add("word/styles.xml", styles());
    zip.close();
}

void DocxWordProcessor::writeDocumentPart(const QString &path)
{
    // The writer appends to a text that goes to the file, encoded, whenever
    // it has grown large: one write per row at most, not one per token.
    StdioDevice out;
    if (!out.create(path))
        cannotWrite(path);
    QString pending;
    QXmlStreamWriter x(&pending);
    const auto flush = [&](qsizetype atLeast) {
        if (pending.size() >= atLeast) {
            out.write(pending.toUtf8());
            pending.resize(0);
        }
    };
    x.writeStartDocument(QStringLiteral("1.0"), true);
    x.writeNamespace(kW, QStringLiteral("w"));
    x.writeStartElement(kW, QStringLiteral("document"));
    x.writeStartElement(kW, QStringLiteral("body"));

    if (hasTable_) {
        const TableAutoFormat look = format_.value_or(TableAutoFormat{0, true, true, true, true, false, false,
                                                                      false, false, fitToContents_});
        x.writeStartElement(kW, QStringLiteral("tbl"));
        x.writeStartElement(kW, QStringLiteral("tblPr"));
        if (format_)
            valElement(x, QStringLiteral("tblStyle"), kStyleId);
        widthElement(x, QStringLiteral("tblW"), 0, QStringLiteral("auto"));
        x.writeEmptyElement(kW, QStringLiteral("tblLayout"));
        x.writeAttribute(kW, QStringLiteral("type"), fitToContents_ ? QStringLiteral("autofit") : QStringLiteral("fixed"));
        x.writeEmptyElement(kW, QStringLiteral("tblLook"));
        const int lookBits = (look.headingRows ? 0x20 : 0) | (look.lastRow ? 0x40 : 0)
                             | (look.firstColumn ? 0x80 : 0) | (look.lastColumn ? 0x100 : 0) | 0x600;
        x.writeAttribute(kW, QStringLiteral("val"), QStringLiteral("%1").arg(lookBits, 4, 16, QLatin1Char('0')));
        for (const auto &[name, on] : {std::pair{"firstRow", look.headingRows}, std::pair{"lastRow", look.lastRow},
                                       std::pair{"firstColumn", look.firstColumn},
                                       std::pair{"lastColumn", look.lastColumn}, std::pair{"noHBand", true},
                                       std::pair{"noVBand", true}})
            x.writeAttribute(kW, QString::fromLatin1(name), on ? QStringLiteral("1") : QStringLiteral("0"));
        x.writeEndElement();

        // Column widths fitted to the contents, as a table that fits its
        // contents is laid out: each column as wide as its widest text, the
        // heading's type being bold. On a page too narrow for that, every
        // column keeps at least the room of its longest word and the rest of
        // the page is shared out in proportion to what each would still
        // like; only when the words alone do not fit is the table narrowed.
        const auto twips = [](double chars) { return chars * kCharTwips + kCellMargins + kCharTwips; };
        std::vector<double> least(static_cast<std::size_t>(columns_));
        std::vector<double> want(least.size());
        for (std::size_t c = 0; c < least.size(); ++c) {
            least[c] = std::max(twips(double(word_[c])), twips(double(headingWord_[c]) * kUnbroken));
            want[c] = std::max({least[c], twips(double(widest_[c])), twips(double(headingWidest_[c]) * kBold)});
        }
        const double usable = kPageWidth - 2 * kMargin;
        const double leastTotal = std::accumulate(least.begin(), least.end(), 0.0);
        const double wantTotal = std::accumulate(want.begin(), want.end(), 0.0);
        std::vector<int> widths(least.size());
        for (std::size_t c = 0; c < least.size(); ++c) {
            if (wantTotal <= usable)
                widths[c] = int(want[c]);
            else if (leastTotal <= usable)
                widths[c] = int(least[c] + (want[c] - least[c]) * (usable - leastTotal) / (wantTotal - leastTotal));
            else
                widths[c] = int(least[c] * usable / leastTotal);
        }
        x.writeStartElement(kW, QStringLiteral("tblGrid"));
        for (const int w : widths) {
            x.writeEmptyElement(kW, QStringLiteral("gridCol"));
            x.writeAttribute(kW, QStringLiteral("w"), QString::number(w));
        }
        x.writeEndElement();

        // The journal holds the typing in cell order.
        JournalCell cell;
        CellJournal &cells = document_.cells();
        cells.rewind();
        bool pending = cells.next(cell);
        QString text;
        for (int row = 1; row <= rows_; ++row) {
            x.writeStartElement(kW, QStringLiteral("tr"));
            if (row == 1 && look.headingRows) {
                x.writeStartElement(kW, QStringLiteral("trPr"));
                x.writeEmptyElement(kW, QStringLiteral("tblHeader"));
                x.writeEndElement();
            }
            for (int column = 1; column <= columns_; ++column) {
                text.clear();
                while (pending && cell.row == row && cell.column == column) {
                    text += QString::fromUtf8(cell.text);
                    pending = cells.next(cell);
                }
                x.writeStartElement(kW, QStringLiteral("tc"));
                x.writeStartElement(kW, QStringLiteral("p"));
                if (!text.isEmpty()) {
                    x.writeStartElement(kW, QStringLiteral("r"));
                    x.writeStartElement(kW, QStringLiteral("t"));
                    x.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                    x.writeCharacters(text);
                    x.writeEndElement();
                    x.writeEndElement();
                }
                x.writeEndElement();   // p
                x.writeEndElement();   // tc
            }
            x.writeEndElement();   // tr
            flush(qsizetype{1} << 18);
        }
        x.writeEndElement();   // tbl
    }

    // A document ends with a paragraph, after a table too.
    x.writeEmptyElement(kW, QStringLiteral("p"));
    x.writeStartElement(kW, QStringLiteral("sectPr"));
    x.writeEmptyElement(kW, QStringLiteral("pgSz"));
    x.writeAttribute(kW, QStringLiteral("w"), QString::number(kPageWidth));
    x.writeAttribute(kW, QStringLiteral("h"), QString::number(kPageHeight));
    x.writeEmptyElement(kW, QStringLiteral("pgMar"));
    for (const char *side : {"top", "right", "bottom", "left"})
        x.writeAttribute(kW, QString::fromLatin1(side), QString::number(kMargin));
    for (const char *edge : {"header", "footer"})
        x.writeAttribute(kW, QString::fromLatin1(edge), QStringLiteral("720"));
    x.writeAttribute(kW, QStringLiteral("gutter"), QStringLiteral("0"));
    x.writeEndElement();   // sectPr
    x.writeEndElement();   // body
    x.writeEndElement();   // document
    x.writeEndDocument();
    flush(0);
    if (!out.finish() || x.hasError())
        cannotWrite(path);
}

} // namespace tesmo::office
