#include "platform/office/DocxWordProcessor.h"

#include "platform/office/BlockDeflater.h"

#include "text/Error.h"
#include "text/Limits.h"
#include "text/Utf8.h"

#include <QFile>
#include <QXmlStreamWriter>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <numeric>
#include <zip.h>

namespace tesmo::office {

// The type of the table, in half-points: 10-point at most, and never smaller
// than 7-point; it shrinks only when the landscape page is too narrow.
constexpr int kBodySize = 20;
constexpr int kSmallestSize = 14;

// How the table lies on the page.
struct TableLayout {
    std::vector<int> widths;    // of the columns, in twips
    bool landscape = false;
    int size = kBodySize;       // of the type, in half-points
};

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kRelationships = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeRelationship = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
const QString kStyleId = QStringLiteral("Table3Deffects2");

// Page: US Letter with one-inch margins, in twips; turned to landscape when
// the table needs more than the portrait page's width.
constexpr int kPageShort = 12240;
constexpr int kPageLong = 15840;
constexpr int kMargin = 1440;
// The cell's left and right margins, and a column's spare room for its
// borders and the reader's rounding, in twips.
constexpr int kCellMargins = 2 * 108;
constexpr int kSpare = 110;

[[noreturn]] void notAvailable(const QString &what)
{
    throw Error(kErrNotAvailable, QStringLiteral("The word processor cannot %1.").arg(what));
}

[[noreturn]] void cannotWrite(const QString &what)
{
    throw Error(kErrCannotWrite, QStringLiteral("The document could not be written: %1").arg(what));
}

// The advance widths of the printable ASCII characters, from the blank to
// "~", in thousandths of an em: of the body type (Arial, and Liberation Sans
// that stands in for it) and of its bold.
constexpr std::array<std::uint16_t, 95> kRegular = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,  556,
    556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778,
    722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278,
    278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
constexpr std::array<std::uint16_t, 95> kBold = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667, 611, 778,
    722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333,
    278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};

// The width of a character in thousandths of an em, in the body type or,
// for a heading, the wider of it and its bold. Beyond ASCII a bound: the
// accented Latin letters are no wider than "O", other characters than 1.1 em.
double charUnits(char32_t c, bool heading)
{
    if (c >= 0x20 && c < 0x7F)
        return heading ? std::max(kRegular[c - 0x20], kBold[c - 0x20]) : kRegular[c - 0x20];
    if (c >= 0x300 && c < 0x370)
        return 0;   // combining marks add nothing
    if (c >= 0xC0 && c <= 0xFF && c != 0xC6 && c != 0xE6)
        return 778;
    return 1100;
}

// The widths of a table's columns on a page of the given width, from the
// room each column needs at three levels: its longest word in the body, that
// or its heading's longest word, and its widest text. A table is laid out as
// one that fits its contents: at the highest level that fits the page, with
// the rest of the page shared out towards the next level in proportion to
// what each column would still like. So headings wrap before any body text,
// and then only between words. When even the body's words do not fit, the
// widest columns give way first and the narrow ones (tickers, dates, shares)
// keep their room.
std::vector<int> fittedWidths(const std::array<std::vector<double>, 3> &levels, double page)
{
    const auto total = [](const std::vector<double> &v) { return std::accumulate(v.begin(), v.end(), 0.0); };
    const std::size_t n = levels[0].size();
    std::vector<int> widths(n);
    for (std::size_t k = levels.size(); k-- > 0;) {
        const double used = total(levels[k]);
        if (used > page)
            continue;
        const double share = k + 1 < levels.size() ? (page - used) / (total(levels[k + 1]) - used) : 0;
        for (std::size_t c = 0; c < n; ++c)
            widths[c] = int(levels[k][c] + (k + 1 < levels.size() ? (levels[k + 1][c] - levels[k][c]) * share : 0));
        return widths;
    }
    // No column wider than a cap, the cap chosen so the table fills the page.
    std::vector<double> sorted = levels[0];
    std::sort(sorted.begin(), sorted.end());
    double rest = page, cap = sorted.empty() ? 0 : sorted.back();
    for (std::size_t i = 0; i < n; ++i) {
        if (sorted[i] * double(n - i) > rest) {
            cap = rest / double(n - i);
            break;
        }
        rest -= sorted[i];
    }
    for (std::size_t c = 0; c < n; ++c)
        widths[c] = int(std::min(levels[0][c], cap));
    return widths;
}

// The layout of a table from the widths its columns need, in thousandths of
// an em, at three levels (see fittedWidths). The words of every cell, the
// headings' included, are kept whole: on a portrait page if they fit there,
// else on a landscape page, else in type as much smaller as they need, down
// to the smallest size, where the widest columns give way.
TableLayout tableLayout(const std::array<std::vector<double>, 3> &units)
{
    const std::size_t n = units[0].size();
    const auto twips = [&](int size) {
        std::array<std::vector<double>, 3> levels;
        for (std::size_t k = 0; k < levels.size(); ++k) {
            for (std::size_t c = 0; c < n; ++c)
                levels[k].push_back(units[k][c] * size / 100 + kCellMargins + kSpare);
        }
        return levels;
    };
    const auto words = [&](int size) {
        const auto levels = twips(size);
        return std::accumulate(levels[1].begin(), levels[1].end(), 0.0);
    };
    TableLayout layout;
    layout.landscape = words(kBodySize) > kPageShort - 2 * kMargin;
    const int page = (layout.landscape ? kPageLong : kPageShort) - 2 * kMargin;
    while (layout.size > kSmallestSize && words(layout.size) > page)
        --layout.size;
    layout.widths = fittedWidths(twips(layout.size), page);
    return layout;
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
// as a table style of its own: type of the given size in half-points, silver
// cells with raised borders, the heading row in bold white type on dark grey.
QByteArray styles(int tableSize)
{
    return xmlPart([tableSize](QXmlStreamWriter &x) {
        x.writeNamespace(kW, QStringLiteral("w"));
        x.writeStartElement(kW, QStringLiteral("styles"));

        x.writeStartElement(kW, QStringLiteral("docDefaults"));
        x.writeStartElement(kW, QStringLiteral("rPrDefault"));
        x.writeStartElement(kW, QStringLiteral("rPr"));
        x.writeEmptyElement(kW, QStringLiteral("rFonts"));
        for (const char *script : {"ascii", "hAnsi", "eastAsia", "cs"})
            x.writeAttribute(kW, QString::fromLatin1(script), QStringLiteral("Arial"));
        valElement(x, QStringLiteral("sz"), QString::number(kBodySize));
        valElement(x, QStringLiteral("szCs"), QString::number(kBodySize));
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
        x.writeStartElement(kW, QStringLiteral("rPr"));
        valElement(x, QStringLiteral("sz"), QString::number(tableSize));
        valElement(x, QStringLiteral("szCs"), QString::number(tableSize));
        x.writeEndElement();
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
    // A part deflated already: the archive copies it as it is.
    void addDeflated(const char *name, const BlockDeflater &deflated)
    {
        auto &part = deflatedParts_.emplace_back(std::make_unique<DeflatedPart>(deflated));
        add(name, zip_source_function(zip_, &DeflatedPart::callback, part.get()), 1);
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

    // The state of a source over a deflated part's file, as libzip reads it.
    struct DeflatedPart {
        explicit DeflatedPart(const BlockDeflater &d)
            : deflated(d)
        {
            zip_error_init(&error);
        }
        ~DeflatedPart()
        {
            if (file)
                std::fclose(file);
            zip_error_fini(&error);
        }
        static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
        {
            auto *part = static_cast<DeflatedPart *>(state);
            switch (command) {
            case ZIP_SOURCE_OPEN:
                part->file = std::fopen(QFile::encodeName(part->deflated.path()).constData(), "rb");
                return part->file ? 0 : part->fail();
            case ZIP_SOURCE_READ: {
                const std::size_t n = fread_unlocked(data, 1, std::size_t(length), part->file);
                return n < length && std::ferror(part->file) ? part->fail() : zip_int64_t(n);
            }
            case ZIP_SOURCE_CLOSE:
                std::fclose(part->file);
                part->file = nullptr;
                return 0;
            case ZIP_SOURCE_STAT: {
                // Its own deflated bytes, with the size and checksum of what
                // they hold: the archive does not deflate them again.
                auto *stat = static_cast<zip_stat_t *>(data);
                zip_stat_init(stat);
                stat->size = part->deflated.size();
                stat->comp_size = part->deflated.deflatedSize();
                stat->crc = part->deflated.crc();
                stat->comp_method = ZIP_CM_DEFLATE;
                stat->mtime = std::time(nullptr);
                stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_MTIME;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&part->error, data, length);
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                      ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
            default:
                return 0;
            }
        }
        zip_int64_t fail()
        {
            zip_error_set(&error, ZIP_ER_READ, errno);
            return -1;
        }
        const BlockDeflater &deflated;
        std::FILE *file = nullptr;
        zip_error_t error;
    };

    zip_t *zip_ = nullptr;
    std::list<QByteArray> buffers_;
    std::list<std::unique_ptr<DeflatedPart>> deflatedParts_;
};

} // namespace

namespace {

// The markup of the document part, made as it is deflated: the head, the
// table's rows from the text typed into its cells (the document's cell
// journal: a record a piece, its kind 1 where blanks matter), and the tail.
// Rows are made some hundred kilobytes at a time, in large pieces of markup,
// so the part is never whole in memory.
class DocumentPart {
public:
    // typed: the journal, rewound, of the text typed into the cells; null
    // when nothing was typed.
    DocumentPart(QByteArray head, QByteArray tail, CellJournal *typed, int rows, int columns,
                 const std::vector<int> &widths, bool headingRow, Progress *progress)
        : progress_(progress, 0, 1000, rows)
        , head_(std::move(head))
        , tail_(std::move(tail))
        , typed_(typed)
        , rows_(typed || rows > 0 ? rows : 0)
        , columns_(columns)
        , headingRow_(headingRow)
    {
        for (const int w : widths)
            cellStart_.push_back("<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(w) + "\"/></w:tcPr>");
        havePiece_ = nextPiece();
    }
    DocumentPart(const DocumentPart &) = delete;
    DocumentPart &operator=(const DocumentPart &) = delete;

    // The next piece of the part's markup; false once it is all made, or
    // when the user cancelled (cancelled()). Raises Error when the typed
    // text cannot be read back.
    bool next(std::string &markup)
    {
        if (stage_ == Stage::Done || cancelled_)
            return false;
        produce();
        markup.swap(pending_);
        return !cancelled_;
    }
    // The user cancelled the writing.
    bool cancelled() const { return cancelled_; }

private:
    void produce()
    {
        pending_.clear();
        switch (stage_) {
        case Stage::Head:
            pending_.assign(head_.constData(), std::size_t(head_.size()));
            stage_ = Stage::Rows;
            break;
        case Stage::Rows:
            while (row_ <= rows_ && pending_.size() < kBatch)
                produceRow();
            if (row_ > rows_)
                stage_ = Stage::Tail;
            if (!progress_.advance(row_))
                cancelled_ = true;
            break;
        case Stage::Tail:
            pending_.assign(tail_.constData(), std::size_t(tail_.size()));
            stage_ = Stage::Done;
            break;
        case Stage::Done:
            break;
        }
    }

    // A row's cells, each with its width and the text typed into it.
    void produceRow()
    {
        pending_ += "<w:tr>";
        if (row_ == 1 && headingRow_)
            pending_ += "<w:trPr><w:tblHeader/></w:trPr>";
        for (int column = 1; column <= columns_; ++column) {
            pending_ += cellStart_[std::size_t(column) - 1];
            const bool typed = havePiece_ && pieceRow_ == row_ && pieceColumn_ == column;
            if (typed) {
                // The pieces typed into one cell make one run. Blanks at
                // either end, or side by side, are kept only when the text
                // says so.
                std::swap(cellText_, piece_);
                bool blanksMatter = blanksMatter_;
                havePiece_ = nextPiece();
                while (havePiece_ && pieceRow_ == row_ && pieceColumn_ == column) {
                    cellText_ += piece_;
                    blanksMatter = true;
                    havePiece_ = nextPiece();
                }
                pending_ += blanksMatter ? "<w:p><w:r><w:t xml:space=\"preserve\">" : "<w:p><w:r><w:t>";
                pending_ += cellText_;
            }
            pending_ += typed ? "</w:t></w:r></w:p></w:tc>" : "<w:p/></w:tc>";
        }
        pending_ += "</w:tr>";
        ++row_;
    }

    // The next piece typed, into piece_ and its place; false after the last.
    // Raises Error when the journal cannot be read back.
    bool nextPiece()
    {
        if (!typed_ || !typed_->next(journalCell_))
            return false;
        pieceRow_ = journalCell_.row;
        pieceColumn_ = journalCell_.column;
        blanksMatter_ = journalCell_.kind == 1;
        piece_.assign(journalCell_.text.constData(), std::size_t(journalCell_.text.size()));
        return true;
    }

    static constexpr std::size_t kBatch = std::size_t{1} << 18;
    enum class Stage { Head, Rows, Tail, Done };

    ProgressSpan progress_;   // the rows made, of all
    bool cancelled_ = false;
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
    bool blanksMatter_ = false;   // the piece's blanks would be lost without xml:space
};

} // namespace

DocxWordProcessor::DocxWordProcessor(Shell &shell, Progress *progress)
    : document_(shell, QStringLiteral("document"))
    , progress_(progress)
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
    const QByteArray utf8 = text.toUtf8();
    typeUtf8Text({utf8.constData(), std::size_t(utf8.size())});
}

// The text goes to the typing stream as the markup of its run: control
// characters (which XML cannot hold) as blanks, and &, < and > escaped. The
// widths of its column grow by it as it is typed.
void DocxWordProcessor::typeUtf8Text(std::string_view text)
{
    needTable();
    if (text.empty())
        return;
    std::string &markup = markup_;
    markup.clear();
    // The heading row is measured as bold, which it is in the table format.
    const bool heading = row_ == 1;
    // Widths add up in whole thousandths of an em.
    std::int64_t whole = 0, run = 0, word = 0;
    const char *p = text.data();
    const char *end = p + text.size();
    const auto measure = [&](char32_t c) {
        const auto w = std::int64_t(charUnits(c, heading));
        whole += w;
        run = c == u' ' ? 0 : run + w;
        word = std::max(word, run);
    };
    while (p < end) {
        // A run of printable ASCII that needs no escape goes over as it is.
        const char *start = p;
        while (p < end && std::uint8_t(*p) >= 0x20 && std::uint8_t(*p) < 0x7F && *p != '&' && *p != '<' && *p != '>')
            measure(char32_t(*p++));
        markup.append(start, std::size_t(p - start));
        if (p == end)
            break;
        start = p;
        char32_t c = 0;
        if (!decodeUtf8(p, end, c)) {
            ++p;   // a stray byte: a replacement mark, as QString shows it
            c = 0xFFFD;
            markup += "\xEF\xBF\xBD";
        } else if (isOfficeBlank(c)) {
            c = u' ';
            markup += ' ';
        } else if (c == u'&') {
            markup += "&amp;";
        } else if (c == u'<') {
            markup += "&lt;";
        } else if (c == u'>') {
            markup += "&gt;";
        } else {
            markup.append(start, std::size_t(p - start));
        }
        measure(c);
    }
    const bool blanksMatter = markup.front() == ' ' || markup.back() == ' ' || markup.find("  ") != std::string::npos;
    document_.cells().append(row_, column_, blanksMatter ? 1 : 0, 0, markup);
    cellUnits_ += double(whole);
    const auto column = std::size_t(column_) - 1;
    auto &widest = heading ? headingWidest_ : widest_;
    widest[column] = std::max(widest[column], cellUnits_);
    auto &longestWord = heading ? headingWord_ : word_;
    longestWord[column] = std::max(longestWord[column], double(word));
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
    cellUnits_ = 0;
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
    cellUnits_ = 0;
}

void DocxWordProcessor::writeDocument(const QString &file)
{
    // The columns' widths at the three levels of fitting: the widest word of
    // the body, that or of the heading, and the widest text.
    std::array<std::vector<double>, 3> units;
    for (std::size_t c = 0; c < std::size_t(columns_); ++c) {
        units[0].push_back(word_[c]);
        units[1].push_back(std::max(word_[c], headingWord_[c]));
        units[2].push_back(std::max({units[1][c], widest_[c], headingWidest_[c]}));
    }
    // A table that is not fitted to its contents shares the portrait page's
    // width out evenly.
    TableLayout layout = tableLayout(units);
    if (!fitToContents_) {
        layout = TableLayout{};
        layout.widths.assign(units[0].size(), (kPageShort - 2 * kMargin) / std::max(columns_, 1));
    }
    CellJournal *typed = document_.cells().size() > 0 ? &document_.cells() : nullptr;
    if (typed)
        typed->rewind();
    // The part's markup is made and deflated on every core into a file of
    // the private folder: that is the work whose progress is told, and where
    // a cancel stops it. The zip then takes the deflated part as it is.
    DocumentPart part(documentHead(layout), documentTail(layout), typed, rows_, columns_, layout.widths,
                      hasTable_ && format_.value_or(TableAutoFormat{}).headingRows, progress_);
    BlockDeflater deflated(document_.path(QStringLiteral(".document.xml.deflated")), 1);
    std::string markup;
    while (part.next(markup))
        deflated.write(markup);
    if (part.cancelled())
        throw Error(kErrUserCancelled);
    deflated.finish();

    Zip zip(file);
    zip.add("[Content_Types].xml", contentTypes());
    zip.add("_rels/.rels", relationships("officeDocument", "word/document.xml"));
    zip.add("word/_rels/document.xml.rels", relationships("styles", "styles.xml"));
    zip.addDeflated("word/document.xml", deflated);
    zip.add("word/styles.xml", styles(layout.size));
    zip.close();
}

// The document element up to the table's rows: the table's properties and
// its grid of the fitted widths.
QByteArray DocxWordProcessor::documentHead(const TableLayout &layout) const
{
    QByteArray bytes;
    QXmlStreamWriter x(&bytes);
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
        // The widths are the writer's own fitting, stated as every reader
        // takes them: a fixed layout, the grid, and each cell's width.
        widthElement(x, QStringLiteral("tblW"), std::accumulate(layout.widths.begin(), layout.widths.end(), 0),
                     QStringLiteral("dxa"));
        x.writeEmptyElement(kW, QStringLiteral("tblLayout"));
        x.writeAttribute(kW, QStringLiteral("type"), QStringLiteral("fixed"));
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
        x.writeStartElement(kW, QStringLiteral("tblGrid"));
        for (const int w : layout.widths) {
            x.writeEmptyElement(kW, QStringLiteral("gridCol"));
            x.writeAttribute(kW, QStringLiteral("w"), QString::number(w));
        }
        x.writeEndElement();
    }
    // The writer closes the grid's start tag only when more follows.
    x.writeCharacters(QString());
    return bytes;
}

// The rest of the document after the table's rows: the paragraph a document
// ends with, after a table too, and the page.
QByteArray DocxWordProcessor::documentTail(const TableLayout &layout) const
{
    QByteArray bytes = hasTable_ ? QByteArrayLiteral("</w:tbl>") : QByteArray();
    const QByteArray margin = QByteArray::number(kMargin);
    bytes += "<w:p/><w:sectPr><w:pgSz w:w=\"" + QByteArray::number(layout.landscape ? kPageLong : kPageShort)
             + "\" w:h=\"" + QByteArray::number(layout.landscape ? kPageShort : kPageLong) + '"'
             + (layout.landscape ? QByteArrayLiteral(" w:orient=\"landscape\"") : QByteArray())
             + "/><w:pgMar w:top=\"" + margin + "\" w:right=\"" + margin + "\" w:bottom=\"" + margin
             + "\" w:left=\"" + margin + "\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/></w:sectPr>"
             + "</w:body></w:document>";
    return bytes;
}

} // namespace tesmo::office
