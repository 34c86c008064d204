#include "export/DocumentExport.h"

#include "export/ExportRows.h"
#include "platform/Office.h"
#include "text/Error.h"
#include "text/Regional.h"
#include "text/Utf8.h"

#include <QAbstractItemModel>

namespace tesmo {

namespace {

// The money texts of a row as the document shows them; raises Type mismatch
// for one that does not read as an amount.
QString documentMoney(const QString &listText, int decimals)
{
    const auto cell = currencyCell(listText, decimals);
    if (!cell)
        throw Error(kErrTypeMismatch);
    return *cell;
}

} // namespace

bool exportDocument(const QAbstractItemModel &list, Office &office)
{
    const TableAutoFormat format{kWdTableFormat3DEffects2, true, true, true, true, true, false, false, false, true};
    try {
        const std::unique_ptr<WordProcessorApplication> app = office.newWordProcessor();
        app->setVisible(false);
        app->addDocument();
        const TextRange range = app->selectionRange();
        app->addTable(1, range, 1, kExportFieldCount, kWdWord9TableBehavior, kWdAutoFitFixed);
        app->autoFormatSelectionTable(1, format);

        const QStringList &headings = exportHeadings();
        for (int f = 0; f < kExportFieldCount; ++f) {
            if (f > 0)
                app->moveRight(kWdCell);
            app->typeText(headings[f]);
        }

        const RowValueSource *values = rowValueSource(list);
        RowValues v;
        char shares[regional::kNumberTextRoom], price[regional::kCurrencyTextRoom],
            net[regional::kCurrencyTextRoom], date[regional::kShortDateRoom];
        const auto text = [](const char *start, const char *end) {
            return std::string_view(start, std::size_t(end - start));
        };
        const int rows = list.rowCount();
        for (int row = 0; row < rows; ++row) {
            // The row's values give its texts as the list shows them, and
            // as the texts below type them.
            if (values && values->rowValues(row, v) && isWellFormedUtf8(v.name) && isWellFormedUtf8(v.ticker)) {
                app->insertRowsBelow(1);
                app->typeUtf8Text(v.name);
                app->moveRight(kWdCell);
                app->typeUtf8Text(v.ticker);
                app->moveRight(kWdCell);
                app->typeUtf8Text(text(shares, regional::writeNumberText(shares, v.shares)));
                app->moveRight(kWdCell);
                if (v.price)
                    app->typeUtf8Text(text(price, regional::writeRegionalCurrencyText(price, *v.price, 4)));
                app->moveRight(kWdCell);
                if (v.net)
                    app->typeUtf8Text(text(net, regional::writeRegionalCurrencyText(net, *v.net)));
                app->moveRight(kWdCell);
                app->typeUtf8Text(text(date, regional::writeShortDate(date, v.tradeDate)));
                continue;
            }
            const ExportTexts fields = exportTexts(list, row);
            app->insertRowsBelow(1);
            app->typeText(fields[kExName]);
            app->moveRight(kWdCell);
            app->typeText(fields[kExTicker]);
            app->moveRight(kWdCell);
            app->typeText(fields[kExShares]);
            app->moveRight(kWdCell);
            if (!fields[kExPrice].isEmpty())
                app->typeText(documentMoney(fields[kExPrice], 4));
            app->moveRight(kWdCell);
            if (!fields[kExNet].isEmpty())
                app->typeText(documentMoney(fields[kExNet], regional::kCurrencyDecimals));
            app->moveRight(kWdCell);
            app->typeText(fields[kExDate]);
        }

        app->autoFormatSelectionTable(1, format);
        app->setVisible(true);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace tesmo
