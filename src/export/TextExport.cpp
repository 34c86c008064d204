#include "export/TextExport.h"

#include "export/ExportRows.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QAbstractItemModel>
#include <QIODevice>
#include <QStringEncoder>

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

std::optional<Error> writeTextExport(const QAbstractItemModel &list, QIODevice &out)
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

    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
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
