#include "export/ExportRows.h"

#include "text/Regional.h"

#include <QAbstractItemModel>

namespace tesmo {

namespace {

// The list column of each exported field: name, ticker, number of shares,
// price, net amount, trade date.
constexpr int kListColumn[kExportFieldCount] = {0, 1, 4, 5, 6, 2};

} // namespace

const QStringList &exportHeadings()
{
    static const QStringList headings = {
        QStringLiteral("Name/Description"), QStringLiteral("Ticker"),
        QStringLiteral("Number of Shares"), QStringLiteral("Price/Share"),
        QStringLiteral("Net Amount (Tesmo)"), QStringLiteral("Trade Date"),
    };
    return headings;
}

ExportTexts exportTexts(const QAbstractItemModel &list, int row)
{
    ExportTexts texts;
    for (int f = 0; f < kExportFieldCount; ++f)
        texts[std::size_t(f)] = list.data(list.index(row, kListColumn[f]), Qt::DisplayRole).toString();
    return texts;
}

const RowValueSource *rowValueSource(const QAbstractItemModel &list)
{
    return dynamic_cast<const RowValueSource *>(&list);
}

std::optional<QString> currencyCell(const QString &listText, int decimals)
{
    if (listText.isEmpty())
        return QString();
    const auto ticks = regional::readAmount(listText);
    if (!ticks)
        return std::nullopt;
    return regional::regionalCurrencyText(*ticks, decimals);
}

} // namespace tesmo
