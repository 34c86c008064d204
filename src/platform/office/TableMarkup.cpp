#include "platform/office/TableMarkup.h"

#include "platform/office/DocumentParts.h"
#include "platform/office/OfficeText.h"
#include "platform/office/TextWidths.h"
#include "text/Utf8.h"

#include <QXmlStreamWriter>
#include <numeric>

namespace tesmo::office {

namespace {

constexpr std::size_t kBatch = std::size_t{1} << 18;

// The document element up to the table's rows: the table's properties and
// its grid of the fitted widths.
QByteArray documentHead(const TableShape &table, const TableLayout &layout)
{
    const QString &w = kWordNamespace;
    QByteArray bytes;
    QXmlStreamWriter x(&bytes);
    x.writeStartDocument(QStringLiteral("1.0"), true);
    x.writeNamespace(w, QStringLiteral("w"));
    x.writeStartElement(w, QStringLiteral("document"));
    x.writeStartElement(w, QStringLiteral("body"));
    if (table.present) {
        const TableAutoFormat look = table.format.value_or(
            TableAutoFormat{0, true, true, true, true, false, false, false, false, false});
        x.writeStartElement(w, QStringLiteral("tbl"));
        x.writeStartElement(w, QStringLiteral("tblPr"));
        if (table.format)
            valElement(x, QStringLiteral("tblStyle"), kTableStyleId);
        // The widths are the writer's own fitting, stated as every reader
        // takes them: a fixed layout, the grid, and each cell's width.
        widthElement(x, QStringLiteral("tblW"), std::accumulate(layout.widths.begin(), layout.widths.end(), 0),
                     QStringLiteral("dxa"));
        x.writeEmptyElement(w, QStringLiteral("tblLayout"));
        x.writeAttribute(w, QStringLiteral("type"), QStringLiteral("fixed"));
        x.writeEmptyElement(w, QStringLiteral("tblLook"));
        const int lookBits = (look.headingRows ? 0x20 : 0) | (look.lastRow ? 0x40 : 0)
                             | (look.firstColumn ? 0x80 : 0) | (look.lastColumn ? 0x100 : 0) | 0x600;
        x.writeAttribute(w, QStringLiteral("val"), QStringLiteral("%1").arg(lookBits, 4, 16, QLatin1Char('0')));
        for (const auto &[name, on] : {std::pair{"firstRow", look.headingRows}, std::pair{"lastRow", look.lastRow},
                                       std::pair{"firstColumn", look.firstColumn},
                                       std::pair{"lastColumn", look.lastColumn}, std::pair{"noHBand", true},
                                       std::pair{"noVBand", true}})
            x.writeAttribute(w, QString::fromLatin1(name), on ? QStringLiteral("1") : QStringLiteral("0"));
        x.writeEndElement();
        x.writeStartElement(w, QStringLiteral("tblGrid"));
        for (const int width : layout.widths) {
            x.writeEmptyElement(w, QStringLiteral("gridCol"));
            x.writeAttribute(w, QStringLiteral("w"), QString::number(width));
        }
        x.writeEndElement();
    }
    // The writer closes the grid's start tag only when more follows.
    x.writeCharacters(QString());
    return bytes;
}

// The rest of the document after the table's rows: the paragraph a document
// ends with, after a table too, and the page.
QByteArray documentTail(const TableShape &table, const TableLayout &layout)
{
    QByteArray bytes = table.present ? QByteArrayLiteral("</w:tbl>") : QByteArray();
    const QByteArray margin = QByteArray::number(kMargin);
    bytes += "<w:p/><w:sectPr><w:pgSz w:w=\"" + QByteArray::number(layout.landscape ? kPageLong : kPageShort)
             + "\" w:h=\"" + QByteArray::number(layout.landscape ? kPageShort : kPageLong) + '"'
             + (layout.landscape ? QByteArrayLiteral(" w:orient=\"landscape\"") : QByteArray())
             + "/><w:pgMar w:top=\"" + margin + "\" w:right=\"" + margin + "\" w:bottom=\"" + margin
             + "\" w:left=\"" + margin + "\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/></w:sectPr>"
             + "</w:body></w:document>";
    return bytes;
}

} // namespace

TypedWidth appendTypedMarkup(std::string_view text, bool heading, std::string &markup)
{
    // Widths add up in whole thousandths of an em.
    TypedWidth width;
    std::int64_t run = 0;
    const char *p = text.data();
    const char *end = p + text.size();
    const auto measure = [&](char32_t c) {
        const std::int64_t units = charUnits(c, heading);
        width.whole += units;
        run = c == u' ' ? 0 : run + units;
        width.longestWord = std::max(width.longestWord, run);
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
    return width;
}

DocumentMarkup::DocumentMarkup(const TableShape &table, const TableLayout &layout, CellJournal *typed,
                               Progress *progress)
    : progress_(progress, 0, 1000, table.rows)
    , head_(documentHead(table, layout))
    , tail_(documentTail(table, layout))
    , typed_(typed)
    , rows_(typed || table.rows > 0 ? table.rows : 0)
    , columns_(table.columns)
    , headingRow_(table.present && table.format.value_or(TableAutoFormat{}).headingRows)
{
    for (const int w : layout.widths)
        cellStart_.push_back("<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(w) + "\"/></w:tcPr>");
    havePiece_ = nextPiece();
}

bool DocumentMarkup::next(std::string &markup)
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
        progress_.report(row_);
        break;
    case Stage::Tail:
        pending_.assign(tail_.constData(), std::size_t(tail_.size()));
        stage_ = Stage::Done;
        break;
    case Stage::Done:
        return false;
    }
    markup.swap(pending_);
    return true;
}

// A row's cells, each with its width and the text typed into it.
void DocumentMarkup::produceRow()
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
bool DocumentMarkup::nextPiece()
{
    if (!typed_ || !typed_->next(journalCell_))
        return false;
    pieceRow_ = journalCell_.row;
    pieceColumn_ = journalCell_.column;
    blanksMatter_ = journalCell_.kind == kBlanksMatter;
    piece_.assign(journalCell_.text.constData(), std::size_t(journalCell_.text.size()));
    return true;
}

} // namespace tesmo::office
