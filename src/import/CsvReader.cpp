#include "import/CsvReader.h"

#include "text/Error.h"

#include <algorithm>
#include <csv.h>

namespace tesmo {

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
