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

ExportOutcome exportDocument(const QAbstractItemModel &list, Office &office, Progress *progress)
{
    const TableAutoFormat format{kWdTableFormat3DEffects2, true, true, true, true, true, false, false, false, true};
    // The rows are the first half of the work, the document's writing the
    // second, which the word processor tells itself.
    const int rows = list.rowCount();
    ProgressSpan typing(progress, 0, 500, rows);
    ProgressSpan finishing(progress, 500, 1000, 1000);
    const OfficeProgress told(office, progress ? &finishing : nullptr);
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
        for (int row = 0; row < rows; ++row) {
            if (row % kProgressRows == 0 && !typing.advance(row))
                return ExportOutcome::Cancelled;
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
        return ExportOutcome::Done;
    } catch (const Error &e) {
        return e.number() == kErrUserCancelled ? ExportOutcome::Cancelled : ExportOutcome::Failed;
    } catch (...) {
        return ExportOutcome::Failed;
    }
}

} // namespace tesmo
