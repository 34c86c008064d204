#include "import/LayoutMemory.h"

namespace tesmo {

namespace {

const char *const kOrders[] = {"MDY", "DMY", "YMD"};
const char *const kSigns[] = {"unsigned", "negative", "positive"};

bool kept(ReadingState s)
{
    return s == ReadingState::Chosen || s == ReadingState::Remembered;
}

} // namespace

QString layoutKey(const QStringList &headers)
{
    return headers.join(QChar(0x1F));
}

QString layoutText(const ImportChoices &c, const ImportReadings &r)
{
    QStringList parts;
    for (int f = 0; f < kImportFieldCount; ++f)
        if (kept(r.columns[std::size_t(f)].state) && c.columns[std::size_t(f)] != kAskedColumn)
            parts << QStringLiteral("column.%1=%2").arg(f).arg(c.columns[std::size_t(f)]);
    if (kept(r.dateOrder.state) && c.dateOrder)
        parts << QStringLiteral("date=%1").arg(QLatin1String(kOrders[int(*c.dateOrder)]));
    for (int n = 0; n < kNumberColumns; ++n)
        if (kept(r.decimals[std::size_t(n)].state) && c.decimal(n))
            parts << QStringLiteral("decimal.%1=%2").arg(n).arg(*c.decimal(n));
    if (kept(r.purchases.state) && c.purchaseSign)
        parts << QStringLiteral("sign=%1").arg(QLatin1String(kSigns[int(*c.purchaseSign)]));
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
