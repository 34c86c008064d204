#include "import/CsvReader.h"

#include "text/Error.h"
#include "text/Utf8.h"

#include <QStringDecoder>
#include <algorithm>
#include <csv.h>
#include <optional>

namespace tesmo {

namespace {

// How much of the file tells whether it is text.
constexpr qsizetype kSniffBytes = 64 * 1024;

QByteArray fromUtf16(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder decode(encoding, QStringDecoder::Flag::Stateless);
    return QString(decode(bytes)).toUtf8();
}

// The UTF-16 of a file without a byte-order mark: nearly every byte on one
// side of each pair NUL, none on the other, as text of mostly Latin letters
// has it.
std::optional<QStringDecoder::Encoding> utf16WithoutMark(QByteArrayView head)
{
    qsizetype nul[2] = {0, 0};
    for (qsizetype i = 0; i < head.size(); ++i)
        nul[i % 2] += head[i] == 0;
    const qsizetype pairs = head.size() / 2;
    if (pairs < 2)
        return std::nullopt;
    if (nul[0] == 0 && nul[1] * 4 > pairs * 3)
        return QStringDecoder::Utf16LE;
    if (nul[1] == 0 && nul[0] * 4 > pairs * 3)
        return QStringDecoder::Utf16BE;
    return std::nullopt;
}

// An image's, an archive's (a workbook is one) or a PDF's signature, or more
// than one byte in a hundred a control byte other than a tab, a line end or
// a form feed.
bool isNotText(QByteArrayView head)
{
    for (const char *magic : {"\x89PNG", "\xFF\xD8\xFF", "GIF8", "%PDF", "PK\x03\x04", "\x1F\x8B"}) {
        if (head.startsWith(magic))
            return true;
    }
    const auto control = std::count_if(head.begin(), head.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F;
    });
    return control * 100 > head.size();
}

// Bytes that are UTF-8 but for a few: marked as UTF-8, or at least one
// character of several bytes reads as UTF-8 and no more bytes fail than there
// are such characters, or eight. Windows-1252 text of accented letters nearly
// never holds such a character, while a UTF-8 file spoilt by a copy holds many.
std::optional<CsvText> utf8ButForAFew(const QByteArray &bytes, bool marked)
{
    const char *const begin = bytes.constData(), *const end = begin + bytes.size();
    qsizetype wide = 0, bad = 0;
    char32_t c = 0;
    for (const char *p = begin; p < end;) {
        const char *at = p;
        if (!decodeUtf8(p, end, c)) {
            ++bad;
            ++p;
        } else {
            wide += p - at > 1;
        }
    }
    if (bad > 0 && !marked && (wide == 0 || bad > std::max<qsizetype>(wide, 8)))
        return std::nullopt;
    CsvText text;
    if (bad == 0) {
        text.utf8 = bytes;
        return text;
    }
    // Each bad byte as U+FFFD, its line noted; lines are counted as the
    // records count them.
    text.utf8.reserve(bytes.size() + 2 * bad);
    int line = 1;
    for (const char *p = begin; p < end;) {
        const char *at = p;
        if (decodeUtf8(p, end, c)) {
            text.utf8.append(at, p - at);
            if (c == '\n' || (c == '\r' && (p == end || *p != '\n')))
                ++line;
        } else {
            text.utf8.append("\xEF\xBF\xBD");
            if (text.badLines.empty() || text.badLines.back() != line)
                text.badLines.push_back(line);
            ++p;
        }
    }
    return text;
}

} // namespace

CsvText csvText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return *utf8ButForAFew(bytes.mid(3), true);
    if (bytes.startsWith("\xFF\xFE"))
        return {fromUtf16(QByteArrayView(bytes).sliced(2), QStringDecoder::Utf16LE), false, {}};
    if (bytes.startsWith("\xFE\xFF"))
        return {fromUtf16(QByteArrayView(bytes).sliced(2), QStringDecoder::Utf16BE), false, {}};
    const QByteArrayView head = QByteArrayView(bytes).first(std::min(bytes.size(), kSniffBytes));
    if (const auto utf16 = utf16WithoutMark(head))
        return {fromUtf16(bytes, *utf16), false, {}};
    if (isNotText(head))
        return {{}, true, {}};
    if (auto utf8 = utf8ButForAFew(bytes, false))
        return std::move(*utf8);
    // Windows-1252 where the platform's converter knows it; its printable
    // range otherwise maps as Latin-1 does.
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return {QString(cp1252(bytes)).toUtf8(), false, {}};
    return {QString::fromLatin1(bytes).toUtf8(), false, {}};
}

std::string_view CsvTable::utf8(int row, int column) const
{
    const Row &r = rows_[std::size_t(row)];
    if (column < 0 || std::uint32_t(column) >= r.fields)
        return {};
    const std::size_t i = r.firstField + std::size_t(column);
    const std::uint32_t start = i == 0 ? 0 : ends_[i - 1];
    return {pool_.data() + start, ends_[i] - start};
}

QString CsvTable::field(int row, int column) const
{
    const std::string_view bytes = utf8(row, column);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// The state of one parse, handed to libcsv's callbacks.
class CsvParse {
public:
    // text: how many bytes are split, more than the fields will take.
    explicit CsvParse(qsizetype text) { table.pool_.reserve(std::size_t(std::min<qsizetype>(text, UINT32_MAX))); }

    CsvTable table;
    int line = 1;            // the line being read
    bool inRecord = false;   // fields of a record have been read since its start
    int lastEnd = 0;         // the character that ended the last record event
    bool tooLarge = false;

    static void onField(void *data, std::size_t length, void *self)
    {
        static_cast<CsvParse *>(self)->field(static_cast<const char *>(data), length);
    }
    static void onRecordEnd(int c, void *self) { static_cast<CsvParse *>(self)->recordEnd(c); }

private:
    void field(const char *data, std::size_t length)
    {
        if (!inRecord) {
            inRecord = true;
            table.rows_.push_back({line, std::uint32_t(table.ends_.size()), 0});
        }
        if (table.pool_.size() + length > UINT32_MAX) {
            tooLarge = true;
            return;
        }
        table.pool_.append(data ? data : "", length);
        table.ends_.push_back(std::uint32_t(table.pool_.size()));
        ++table.rows_.back().fields;
        // Line breaks inside a quoted field: CR LF, LF or CR is one each.
        for (std::size_t i = 0; i < length; ++i) {
            if (data[i] == '\n' || (data[i] == '\r' && (i + 1 == length || data[i + 1] != '\n')))
                ++line;
        }
        lastEnd = 0;
    }

    // With CSV_REPALL_NL every CR and LF outside a field ends a record
    // (most of them empty ones): an LF right after a CR ends no new line.
    void recordEnd(int c)
    {
        inRecord = false;
        if (c == '\r' || (c == '\n' && lastEnd != '\r'))
            ++line;
        lastEnd = c;
    }
};

CsvTable parseCsv(const QByteArray &utf8, char separator, Progress *progress)
{
    csv_parser parser;
    if (csv_init(&parser, CSV_REPALL_NL) != 0)
        throw Error(kErrOutOfMemory);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    CsvParse state(utf8.size());
    constexpr qsizetype kChunk = 1 << 20;
    bool stopped = false;
    for (qsizetype at = 0; at < utf8.size() && !stopped; at += kChunk) {
        const qsizetype n = std::min(kChunk, utf8.size() - at);
        if (csv_parse(&parser, utf8.constData() + at, std::size_t(n), CsvParse::onField, CsvParse::onRecordEnd,
                      &state) != std::size_t(n)) {
            const int error = csv_error(&parser);
            csv_free(&parser);
            throw Error(kErrOutOfMemory, QString::fromUtf8(csv_strerror(error)));
        }
        stopped = state.tooLarge || (progress && !progress->advance(at + n));
    }
    csv_fini(&parser, CsvParse::onField, CsvParse::onRecordEnd, &state);
    csv_free(&parser);
    if (state.tooLarge)
        throw Error(kErrOutOfMemory, QStringLiteral("The file is too large to be read."));
    if (stopped)
        throw Error(kErrUserCancelled);
    return std::move(state.table);
}

} // namespace tesmo
