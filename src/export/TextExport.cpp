#include "export/TextExport.h"

#include "export/ExportRows.h"
#include "platform/Progress.h"
#include "text/Error.h"
#include "text/Limits.h"
#include "text/LotTable.h"
#include "text/Utf8.h"

#include <QIODevice>
#include <cstring>
#include <vector>

namespace tesmo {

namespace {

// The least width, in characters, of the first five fields of a row line;
// the trade date is not padded.
constexpr int kMinWidth[kExportFieldCount - 1] = {16, 5, 16, 11, 18};
constexpr int kUnderlineLength = 104;
constexpr const char kSeparator[] = " | ";

// Lines gathered into large writes; a write that fails raises 3109.
class LineWriter {
public:
    explicit LineWriter(QIODevice &out)
        : out_(out)
    {
    }
    // Bytes of a whole line, CR LF included.
    void write(const char *data, qsizetype size)
    {
        bytes_.append(data, size);
        if (bytes_.size() >= kChunk)
            flush();
    }
    void flush()
    {
        if (out_.write(bytes_) != bytes_.size())
            throw Error(kErrCannotWrite, QStringLiteral("The file could not be written: %1").arg(out_.errorString()));
        bytes_.resize(0);   // keeps its room for the next lines
    }

private:
    static constexpr qsizetype kChunk = qsizetype{1} << 16;
    QIODevice &out_;
    QByteArray bytes_;
};

// Writes text at out with each control character as a blank, so that a lot
// an older file holds with a line break in its name is still one line; then
// blanks up to width characters. Returns the end, or null when the text is
// not well-formed UTF-8 (for wellFormed to mend).
char *writePadded(char *out, std::string_view text, int width)
{
    const auto printableAscii = [](char b) { return std::uint8_t(b) >= 0x20 && std::uint8_t(b) < 0x7f; };
    int characters = 0;
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
        const char *run = p;
        while (run < end && printableAscii(*run))
            ++run;
        std::memcpy(out, p, std::size_t(run - p));
        out += run - p;
        characters += int(run - p);
        if ((p = run) == end)
            break;
        char32_t c = 0;
        if (!decodeUtf8(p, end, c))
            return nullptr;
        if (isControlCodePoint(c)) {
            *out++ = ' ';
        } else {
            std::memcpy(out, run, std::size_t(p - run));
            out += p - run;
        }
        ++characters;
    }
    if (characters < width) {
        std::memset(out, ' ', std::size_t(width - characters));
        out += width - characters;
    }
    return out;
}

// A lot's line into bytes; returns its length.
std::size_t line(const ExportTexts &texts, std::vector<char> &bytes)
{
    // A text that is not well-formed grows by two bytes a byte at most when
    // mended.
    std::size_t room = 64 + 2;
    for (int f = 0; f < kExportFieldCount; ++f)
        room += 3 * texts[f].size() + (f < kExDate ? std::size_t(kMinWidth[f]) : 0);
    if (bytes.size() < room)
        bytes.resize(room);
    char *out = bytes.data();
    std::string scratch;
    for (int f = 0; f < kExportFieldCount; ++f) {
        const int width = f < kExDate ? kMinWidth[f] : 0;
        char *end = writePadded(out, texts[f], width);
        out = end ? end : writePadded(out, wellFormed(texts[f], scratch), width);
        if (f < kExDate) {
            std::memcpy(out, kSeparator, 3);
            out += 3;
        }
    }
    *out++ = '\r';
    *out++ = '\n';
    return std::size_t(out - bytes.data());
}

} // namespace

QString DateFileName(const QString &strDate)
{
    QString name = strDate;
    name.replace(u'/', u'_');
    return name;
}

QString textExportFileName(QDate day)
{
    return QStringLiteral("Tesmo_") + DateFileName(regional::shortDate(day)) + QStringLiteral(".txt");
}

void writeTextExport(const LotTable &lots, QIODevice &out, Progress *progress)
{
    LineWriter writer(out);
    const QByteArray headings =
        exportHeadings().join(QLatin1String(kSeparator)).toUtf8() + "\r\n" + QByteArray(kUnderlineLength, '_') + "\r\n";
    writer.write(headings.constData(), headings.size());

    ExportTexts texts;
    std::vector<char> bytes(256);
    const std::size_t rows = lots.size();
    ProgressSpan writing(progress, 0, 1000, qint64(rows));
    try {
        for (std::size_t row = 0; row < rows; ++row) {
            if (row % kProgressRows == 0 && !writing.advance(qint64(row)))
                throw Error(kErrUserCancelled);
            texts.read(lots.lot(row));
            writer.write(bytes.data(), qsizetype(line(texts, bytes)));
        }
    } catch (const Error &e) {
        // The lines before a lot that cannot be written, or a cancel, are
        // written out; a write that failed is not tried again.
        if (e.number() != kErrCannotWrite)
            writer.flush();
        throw;
    }
    writer.flush();
}

} // namespace tesmo
