#include "sales/GainsCsv.h"

#include "sales/RealizedGains.h"
#include "text/Error.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QSaveFile>
#include <algorithm>

namespace tesmo {

QString gainsFileName(std::optional<int> year)
{
    return QStringLiteral("Tesmo gains %1.csv").arg(year ? QString::number(*year) : QStringLiteral("all years"));
}

namespace {

// An amount to the cent as 1234.50 or -400.00.
void appendAmount(QByteArray &line, Ticks ticks)
{
    const Ticks cents = toCents(ticks) / 100;
    std::uint64_t size = cents < 0 ? 0 - std::uint64_t(cents) : std::uint64_t(cents);
    char text[32];
    char *end = text + sizeof text;
    char *p = end;
    for (int digit = 0; digit < 3 || size > 0; ++digit, size /= 10) {
        if (digit == 2)
            *--p = '.';
        *--p = char('0' + size % 10);
    }
    if (cents < 0)
        *--p = '-';
    line.append(p, end - p);
}

void appendField(QByteArray &line, const QByteArray &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\r') && !text.contains('\n')) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

void appendDate(QByteArray &line, QDate date)
{
    char text[regional::kShortDateRoom];
    line.append(text, regional::writeShortDate(text, date) - text);
}

void write(QIODevice &out, const QByteArray &bytes)
{
    if (out.write(bytes) != bytes.size())
        throw Error(kErrCannotWrite);
}

} // namespace

void writeGainsCsv(const std::vector<const SaleRecord *> &sales, QIODevice &out)
{
    std::vector<const SaleRecord *> rows = sales;
    std::stable_partition(rows.begin(), rows.end(), [](const SaleRecord *s) { return !isLongTerm(*s); });
    QByteArray text = "Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Gain or Loss,Term\r\n";
    QByteArray description;
    for (const SaleRecord *s : rows) {
        char shares[regional::kNumberTextRoom];
        description.resize(0);
        description.append(shares, regional::writeNumberText(shares, s->shares) - shares);
        description += " sh. ";
        description += s->ticker.toUtf8();
        if (!s->name.isEmpty()) {
            description += " (";
            description += s->name.toUtf8();
            description += ')';
        }
        appendField(text, description);
        text += ',';
        appendDate(text, s->acquired);
        text += ',';
        appendDate(text, s->sold);
        text += ',';
        appendAmount(text, s->proceeds);
        text += ',';
        appendAmount(text, s->cost);
        text += ',';
        appendAmount(text, shownGain(*s));
        text += ',';
        text += isLongTerm(*s) ? "Long" : "Short";
        text += "\r\n";
        if (text.size() > (1 << 16)) {
            write(out, text);
            text.clear();
        }
    }
    write(out, text);
}

void saveGainsCsv(const std::vector<const SaleRecord *> &sales, const QString &path)
{
    // A line break typed or pasted into the name is a slip, never a name.
    if (hasControlCharacter(path))
        throw Error(kErrCannotWrite, QStringLiteral("No file was written: a file name holds no line break, tab or "
                                                    "other control character. Please Enter the name again."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(kErrCannotWrite,
                    QStringLiteral("The file %1 could not be created: %2").arg(path, file.errorString()));
    // A write that stopped part way is reported below, with the file's own
    // reason when it has one; the new file is then dropped.
    bool whole = true;
    try {
        writeGainsCsv(sales, file);
    } catch (const Error &) {
        whole = false;
    }
    if (!whole || file.error() != QFileDevice::NoError || !file.commit())
        throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be written: %2")
                                         .arg(path, file.error() != QFileDevice::NoError
                                                        ? file.errorString()
                                                        : QStringLiteral("only part of it could be written; the "
                                                                         "disk may be full")));
}

} // namespace tesmo
