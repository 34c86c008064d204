#include "export/TextExport.h"

#include "export/ExportRows.h"
#include "platform/Dialogs.h"
#include "text/Limits.h"
#include "text/Regional.h"
#include "text/Utf8.h"

#include <QAbstractItemModel>
#include <QIODevice>
#include <QStringEncoder>
#include <cstring>
#include <vector>

namespace tesmo {

namespace {

// The least width, in characters, of the first five fields of a row line;
// the trade date is not padded.
constexpr int kMinWidth[kExportFieldCount - 1] = {16, 5, 16, 11, 18};
constexpr int kUnderlineLength = 104;
const QString kSeparator = QStringLiteral(" | ");

// Appends field with each control character as a blank, so that a lot an
// older file holds with a line break in its name is still one line.
void appendField(QString &line, const QString &field)
{
    const qsizetype start = line.size();
    line += field;
    for (auto it = line.begin() + start; it != line.end(); ++it) {
        if (isControlCharacter(*it))
            *it = u' ';
    }
}

void appendPadded(QString &line, const QString &field, int width)
{
    appendField(line, field);
    const qsizetype length = characterCount(field);
    if (length < width)
        line.resize(line.size() + (width - length), u' ');
}

// Lines gathered into large writes.
class LineWriter {
public:
    explicit LineWriter(QIODevice &out)
        : out_(out)
    {
    }
    bool write(QString &line)
    {
        line += QLatin1String("\r\n");
        // Encoded straight into the buffer, without a copy of its own.
        const qsizetype used = bytes_.size();
        bytes_.resize(used + encoder_.requiredSpace(line.size()));
        char *end = encoder_.appendToBuffer(bytes_.data() + used, line);
        bytes_.truncate(end - bytes_.constData());
        return bytes_.size() < kChunk || flush();
    }
    // Bytes of a whole line, CR LF included.
    bool writeBytes(const char *data, qsizetype size)
    {
        bytes_.append(data, size);
        return bytes_.size() < kChunk || flush();
    }
    bool flush()
    {
        const bool ok = out_.write(bytes_) == bytes_.size();
        bytes_.resize(0);   // keeps its room for the next lines
        return ok;
    }

private:
    static constexpr qsizetype kChunk = qsizetype{1} << 16;
    QIODevice &out_;
    QStringEncoder encoder_{QStringEncoder::Utf8};
    QByteArray bytes_;
};

// The room a value line takes at most beside its name and ticker: their
// padding, the other fields at their longest, separators and line end.
constexpr std::size_t kValueLineRoom = 16 + 5 + regional::kNumberTextRoom + 2 * regional::kCurrencyTextRoom
                                       + regional::kShortDateRoom + 32;

// Writes text (UTF-8) at out with each control character as a blank, then
// blanks up to width characters; returns the end, or nothing when the text
// is not well-formed UTF-8 (its row then goes the way of its list texts,
// which show such bytes as replacement characters).
std::optional<char *> writePaddedUtf8(char *out, std::string_view text, int width)
{
    int characters = 0;
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
        const char *start = p;
        char32_t c = 0;
        if (!decodeUtf8(p, end, c))
            return std::nullopt;
        if (isControlCodePoint(c)) {
            *out++ = ' ';
        } else {
            std::memcpy(out, start, std::size_t(p - start));
            out += p - start;
        }
        ++characters;
    }
    for (; characters < width; ++characters)
        *out++ = ' ';
    return out;
}

char *writeSeparator(char *out)
{
    std::memcpy(out, " | ", 3);
    return out + 3;
}

template <typename Write>
char *writePadded(char *out, Write write, int width)
{
    char *end = write(out);
    for (std::ptrdiff_t n = end - out; n < width; ++n)
        *end++ = ' ';
    return end;
}

// A row's line made from its values, byte for byte the line its list texts
// give, into line; nothing when its name or ticker is not well-formed UTF-8.
std::optional<std::size_t> valueLine(const RowValues &v, std::vector<char> &bytes)
{
    const std::size_t room = v.name.size() + v.ticker.size() + kValueLineRoom;
    if (bytes.size() < room)
        bytes.resize(room);
    char *const line = bytes.data();
    char *out = line;
    const auto name = writePaddedUtf8(out, v.name, kMinWidth[kExName]);
    if (!name)
        return std::nullopt;
    out = writeSeparator(*name);
    const auto ticker = writePaddedUtf8(out, v.ticker, kMinWidth[kExTicker]);
    if (!ticker)
        return std::nullopt;
    out = writeSeparator(*ticker);
    out = writePadded(out, [&v](char *at) { return regional::writeNumberText(at, v.shares); }, kMinWidth[kExShares]);
    out = writeSeparator(out);
    // Both amounts as the currency cells of the texts: empty when there is none.
    const auto money = [](char *at, const std::optional<Ticks> &ticks, int decimals) {
        return ticks ? regional::writeRegionalCurrencyText(at, *ticks, decimals) : at;
    };
    out = writePadded(out, [&](char *at) { return money(at, v.price, 4); }, kMinWidth[kExPrice]);
    out = writeSeparator(out);
    out = writePadded(out, [&](char *at) { return money(at, v.net, regional::kCurrencyDecimals); },
                      kMinWidth[kExNet]);
    out = writeSeparator(out);
    out = regional::writeShortDate(out, v.tradeDate);
    *out++ = '\r';
    *out++ = '\n';
    return std::size_t(out - line);
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

std::optional<Error> writeTextExport(const QAbstractItemModel &list, QIODevice &out, Progress *progress)
{
    const auto writeFailed = [&out] {
        return Error(kErrCannotWrite, QStringLiteral("The file could not be written: %1").arg(out.errorString()));
    };
    LineWriter writer(out);
    QString line = exportHeadings().join(kSeparator);
    if (!writer.write(line))
        return writeFailed();
    line = QString(kUnderlineLength, u'_');
    if (!writer.write(line))
        return writeFailed();

    const RowValueSource *values = rowValueSource(list);
    RowValues rowValues;
    std::vector<char> bytes(kValueLineRoom + 256);
    const int rows = list.rowCount();
    ProgressSpan writing(progress, 0, 1000, rows);
    for (int row = 0; row < rows; ++row) {
        if (row % kProgressRows == 0 && !writing.advance(row)) {
            writer.flush();
            return Error(kErrCancelled);
        }
        if (values && values->rowValues(row, rowValues)) {
            if (const auto size = valueLine(rowValues, bytes)) {
                if (!writer.writeBytes(bytes.data(), qsizetype(*size)))
                    return writeFailed();
                continue;
            }
        }
        ExportTexts fields = exportTexts(list, row);
        const auto price = currencyCell(fields[kExPrice], 4);
        const auto net = currencyCell(fields[kExNet], regional::kCurrencyDecimals);
        if (!price || !net) {
            writer.flush();
            return Error(kErrTypeMismatch);
        }
        fields[kExPrice] = *price;
        fields[kExNet] = *net;

        line.resize(0);   // keeps its room for the next row
        for (int f = 0; f < kExportFieldCount - 1; ++f) {
            appendPadded(line, fields[std::size_t(f)], kMinWidth[f]);
            line += kSeparator;
        }
        appendField(line, fields[kExDate]);
        if (!writer.write(line))
            return writeFailed();
    }
    if (!writer.flush())
        return writeFailed();
    return std::nullopt;
}

} // namespace tesmo
