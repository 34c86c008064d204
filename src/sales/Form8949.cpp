#include "sales/Form8949.h"

#include "sales/TaxFile.h"

#include <QIODevice>
#include <algorithm>

namespace tesmo {

char boxLetter(Form8949Box box, bool longTerm)
{
    return char((longTerm ? 'D' : 'A') + int(box));
}

QString form8949FileName(std::optional<int> year, bool txf)
{
    return QStringLiteral("Tesmo Form 8949 %1.%2")
        .arg(year ? QString::number(*year) : QStringLiteral("all years"),
             txf ? QStringLiteral("txf") : QStringLiteral("csv"));
}

namespace {

// The short-term rows first, each part in the order given.
std::vector<const TaxRow *> inParts(const std::vector<const TaxRow *> &rows)
{
    std::vector<const TaxRow *> ordered = rows;
    std::stable_partition(ordered.begin(), ordered.end(), [](const TaxRow *r) { return !r->longTerm; });
    return ordered;
}

// A date as MM/DD/YYYY.
void appendPaddedDate(QByteArray &line, QDate date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    const char text[] = {char('0' + m / 10), char('0' + m % 10), '/', char('0' + d / 10), char('0' + d % 10), '/',
                         char('0' + y / 1000 % 10), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10)};
    line.append(text, sizeof text);
}

// Text as ASCII: accents dropped, other characters "?", controls a space.
QByteArray ascii(const QByteArray &utf8)
{
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7f; }))
        return utf8;
    QByteArray out;
    for (const QChar c : QString::fromUtf8(utf8).normalized(QString::NormalizationForm_KD)) {
        const char16_t u = c.unicode();
        if (c.category() == QChar::Mark_NonSpacing || QChar::isLowSurrogate(u))
            continue;
        out += u < 0x20 || u == 0x7f ? ' ' : u < 0x80 ? char(u) : '?';
    }
    return out;
}

} // namespace

void writeForm8949Csv(const std::vector<const TaxRow *> &rows, Form8949Box box, QIODevice &out)
{
    QByteArray text =
        "Part,Box,Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Code,Adjustment,Gain or Loss\r\n";
    for (const TaxRow *r : inParts(rows)) {
        text += r->longTerm ? "II," : "I,";
        text += boxLetter(box, r->longTerm);
        text += ',';
        taxfile::appendField(text, taxfile::description(r->shares, r->ticker, r->name, r->capitalReturn));
        text += ',';
        taxfile::appendDate(text, r->acquired);
        text += ',';
        taxfile::appendDate(text, r->sold);
        text += ',';
        taxfile::appendAmount(text, r->proceeds);
        text += ',';
        taxfile::appendAmount(text, r->costBasis);
        text += r->wash() ? ",W," : ",,";
        if (r->wash())
            taxfile::appendAmount(text, r->adjustment);
        text += ',';
        taxfile::appendAmount(text, r->gain());
        text += "\r\n";
        taxfile::writeWhenFull(out, text);
    }
    taxfile::write(out, text);
}

void writeForm8949Txf(const std::vector<const TaxRow *> &rows, Form8949Box box, QDate exported, QIODevice &out)
{
    static const char *const kShortTerm[] = {"321", "711", "712"};
    static const char *const kLongTerm[] = {"323", "713", "714"};
    QByteArray text = "V042\r\nATesmo\r\nD";
    appendPaddedDate(text, exported);
    text += "\r\n^\r\n";
    for (const TaxRow *r : inParts(rows)) {
        text += "TD\r\nN";
        text += (r->longTerm ? kLongTerm : kShortTerm)[int(box)];
        text += "\r\nC1\r\nL1\r\nP";
        text += ascii(taxfile::description(r->shares, r->ticker, r->name, r->capitalReturn));
        text += "\r\nD";
        appendPaddedDate(text, r->acquired);
        text += "\r\nD";
        appendPaddedDate(text, r->sold);
        text += "\r\n$";
        taxfile::appendAmount(text, r->costBasis);
        text += "\r\n$";
        taxfile::appendAmount(text, r->proceeds);
        text += "\r\n$";
        if (r->wash())
            taxfile::appendAmount(text, r->adjustment);
        text += "\r\n^\r\n";
        taxfile::writeWhenFull(out, text);
    }
    taxfile::write(out, text);
}

void saveForm8949(const std::vector<const TaxRow *> &rows, Form8949Box box, bool txf, const QString &path)
{
    taxfile::saveWhole(path, [&](QIODevice &out) {
        if (txf)
            writeForm8949Txf(rows, box, QDate::currentDate(), out);
        else
            writeForm8949Csv(rows, box, out);
    });
}

} // namespace tesmo
