#include "sales/TaxFile.h"

#include "sales/Cents.h"
#include "text/Error.h"
#include "text/Limits.h"
#include "text/Regional.h"
#include "text/WholeFile.h"

#include <QIODevice>

namespace tesmo::taxfile {

void appendAmount(QByteArray &line, Ticks ticks)
{
    const Ticks cents = roundToCent(ticks) / 100;
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

void appendDate(QByteArray &line, QDate date)
{
    char text[regional::kShortDateRoom];
    line.append(text, regional::writeShortDate(text, date) - text);
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

QByteArray description(double shares, const QString &ticker, const QString &name, bool capitalReturn)
{
    // A return of capital above the cost sells no shares: the tax forms name
    // it a nondividend distribution exceeding basis.
    QByteArray text;
    if (!capitalReturn) {
        char number[regional::kNumberTextRoom];
        text = QByteArray(number, regional::writeNumberText(number, shares) - number) + " sh. ";
    }
    text += ticker.toUtf8();
    if (!name.isEmpty()) {
        text += " (";
        text += name.toUtf8();
        text += ')';
    }
    if (capitalReturn)
        text += " nondividend distribution exceeding basis";
    return text;
}

void write(QIODevice &out, const QByteArray &text)
{
    if (out.write(text) != text.size())
        throw Error(kErrCannotWrite, QStringLiteral("only part of it could be written; the disk may be full"));
}

void writeWhenFull(QIODevice &out, QByteArray &text)
{
    if (text.size() > (1 << 16)) {
        write(out, text);
        text.clear();
    }
}

void saveWhole(const QString &path, const std::function<void(QIODevice &)> &writer)
{
    // A line break typed or pasted into the name is a slip, never a name.
    if (hasControlCharacter(path))
        throw Error(kErrCannotWrite, QStringLiteral("No file was written: a file name holds no line break, tab or "
                                                    "other control character. Please Enter the name again."));
    tesmo::saveWhole(path, writer);
}

} // namespace tesmo::taxfile
