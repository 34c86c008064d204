#include "import/LayoutMemory.h"

namespace tesmo {

namespace {

const char *const kOrders[] = {"MDY", "DMY", "YMD"};
const char *const kSigns[] = {"unsigned", "negative", "positive"};

// The user's choice of this file, else what was kept.
template <typename T>
std::optional<T> keptValue(const Reading &r, const std::optional<T> &chosen, const std::optional<T> &kept)
{
    return r.state == ReadingState::Chosen && chosen ? chosen : r.state == ReadingState::Chosen ? std::nullopt : kept;
}

} // namespace

QString layoutKey(const QStringList &headers)
{
    return headers.join(QChar(0x1F));
}

QString layoutText(const ImportChoices &c, const ImportReadings &r, const LayoutChoices &kept)
{
    QStringList parts;
    for (int f = 0; f < kImportFieldCount; ++f) {
        const int chosen = c.columns[std::size_t(f)];
        const auto column = keptValue(r.columns[std::size_t(f)], chosen != kAskedColumn ? std::optional(chosen) : std::nullopt,
                                      kept.columns[std::size_t(f)]);
        if (column)
            parts << QStringLiteral("column.%1=%2").arg(f).arg(*column);
    }
    if (const auto order = keptValue(r.dateOrder, c.dateOrder, kept.dateOrder))
        parts << QStringLiteral("date=%1").arg(QLatin1String(kOrders[int(*order)]));
    for (int n = 0; n < kNumberColumns; ++n)
        if (const auto mark = keptValue(r.decimals[std::size_t(n)], c.decimal(n), kept.decimals[std::size_t(n)]))
            parts << QStringLiteral("decimal.%1=%2").arg(n).arg(*mark);
    if (const auto sign = keptValue(r.purchases, c.purchaseSign, kept.purchaseSign))
        parts << QStringLiteral("sign=%1").arg(QLatin1String(kSigns[int(*sign)]));
    return parts.join(u';');
}

LayoutChoices parseLayout(const QString &text)
{
    LayoutChoices l;
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0), value = part.section(u'=', 1);
        const int index = key.section(u'.', 1).toInt();
        bool number = false;
        const int n = value.toInt(&number);
        if (key.startsWith(u"column.") && index >= 0 && index < kImportFieldCount && number && n >= kNoColumn)
            l.columns[std::size_t(index)] = n;
        else if (key.startsWith(u"decimal.") && index >= 0 && index < kNumberColumns && (value == u"." || value == u","))
            l.decimals[std::size_t(index)] = value.front();
        for (int i = 0; i < 3; ++i) {
            if (key == u"date" && value == QLatin1String(kOrders[i]))
                l.dateOrder = DateOrder(i);
            if (key == u"sign" && value == QLatin1String(kSigns[i]))
                l.purchaseSign = MoneySign(i);
        }
    }
    return l;
}

} // namespace tesmo
