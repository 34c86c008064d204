#include "sales/GainsCsv.h"

#include "sales/RealizedGains.h"
#include "sales/TaxFile.h"
#include "store/CapitalReturns.h"

#include <QIODevice>
#include <algorithm>

namespace tesmo {

QString gainsFileName(std::optional<int> year)
{
    return QStringLiteral("Tesmo gains %1.csv").arg(year ? QString::number(*year) : QStringLiteral("all years"));
}

void writeGainsCsv(const std::vector<const SalePart *> &sales, QIODevice &out)
{
    std::vector<const SalePart *> rows = sales;
    std::stable_partition(rows.begin(), rows.end(), [](const SalePart *s) { return !isLongTerm(*s); });
    QByteArray text = "Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Gain or Loss,Term\r\n";
    for (const SalePart *s : rows) {
        taxfile::appendField(text, taxfile::description(s->shares, s->ticker, s->name, isCapitalReturn(*s)));
        text += ',';
        taxfile::appendDate(text, s->acquired);
        text += ',';
        taxfile::appendDate(text, s->sold);
        text += ',';
        taxfile::appendAmount(text, s->proceeds);
        text += ',';
        taxfile::appendAmount(text, s->cost);
        text += ',';
        taxfile::appendAmount(text, shownGain(*s));
        text += ',';
        text += isLongTerm(*s) ? "Long" : "Short";
        text += "\r\n";
        taxfile::writeWhenFull(out, text);
    }
    taxfile::write(out, text);
}

void saveGainsCsv(const std::vector<const SalePart *> &sales, const QString &path)
{
    taxfile::saveWhole(path, [&](QIODevice &out) { writeGainsCsv(sales, out); });
}

} // namespace tesmo
