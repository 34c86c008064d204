#include "export/SpreadsheetExport.h"

#include "export/ExportRows.h"
#include "platform/Office.h"
#include "text/Error.h"
#include "text/Regional.h"
#include "text/Utf8.h"

#include <QAbstractItemModel>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace tesmo {

ExportOutcome exportSpreadsheet(const QAbstractItemModel &list, Office &office, Progress *progress)
{
    constexpr int lcid = kLocaleUnitedStates;
    // The rows are the first half of the work, the workbook's writing the
    // second, which the application tells itself.
    const int rows = list.rowCount();
    ProgressSpan typing(progress, 0, 500, rows);
    ProgressSpan finishing(progress, 500, 1000, 1000);
    const OfficeProgress told(office, progress ? &finishing : nullptr);
    try {
        const std::unique_ptr<SpreadsheetApplication> app = office.newSpreadsheet();
        app->setVisible(lcid, false);
        app->addWorkbook(lcid);
        app->setCaption(QStringLiteral("Stocks"));

        const QStringList &headings = exportHeadings();
        for (int column = 1; column <= kExportFieldCount; ++column)
            app->setCellValue(1, column, headings[column - 1]);
        app->selectRows(QStringLiteral("1:1"));
        app->setSelectionFontBold(lcid, true);
        app->setSelectionFontItalic(lcid, true);
        // Tickers are text, whatever they look like: "0012" keeps its zeros.
        app->setColumnsNumberFormat(QStringLiteral("B:B"), QStringLiteral("@"));

        const RowValueSource *values = rowValueSource(list);
        RowValues v;
        char shares[regional::kNumberTextRoom], price[kPlainTicksRoom], net[kPlainTicksRoom],
            date[regional::kShortDateRoom];
        using Reading = SpreadsheetApplication::Reading;
        // A figure's text as the list shows it, and what typing it reads as.
        const auto number = [&](int sheetRow, int column, const char *start, const char *end) {
            Reading reading{Reading::Kind::Number, 0, {}};
            std::from_chars(start, end, reading.number);
            app->setCellUtf8Value(sheetRow, column, {start, std::size_t(end - start)}, reading);
        };
        std::int32_t sheetRow = 2;
        for (int row = 0; row < rows; ++row, ++sheetRow) {
            if (row % kProgressRows == 0 && !typing.advance(row))
                return ExportOutcome::Cancelled;
            if (values && values->rowValues(row, v) && isWellFormedUtf8(v.name) && isWellFormedUtf8(v.ticker)
                && std::isfinite(v.shares)) {
                app->setCellUtf8Value(sheetRow, kExName + 1, v.name, {});
                app->setCellUtf8Value(sheetRow, kExTicker + 1, v.ticker, {});
                number(sheetRow, kExShares + 1, shares, regional::writeNumberText(shares, v.shares));
                if (v.price)
                    number(sheetRow, kExPrice + 1, price, writePlainTicksText(price, *v.price));
                if (v.net)
                    number(sheetRow, kExNet + 1, net, writePlainTicksText(net, *v.net));
                const char *dateEnd = regional::writeShortDate(date, v.tradeDate);
                app->setCellUtf8Value(sheetRow, kExDate + 1, {date, std::size_t(dateEnd - date)},
                                      Reading{Reading::Kind::Date, 0, v.tradeDate});
                continue;
            }
            const ExportTexts fields = exportTexts(list, row);
            for (int f = 0; f < kExportFieldCount; ++f)
                app->setCellValue(sheetRow, f + 1, fields[std::size_t(f)]);
        }

        for (const char *column : {"A:A", "B:B", "C:C", "D:D", "E:E", "F:F"})
            app->autoFitColumns(QString::fromLatin1(column));
        app->setColumnsNumberFormat(QStringLiteral("E:E"), QStringLiteral("$#,##0.00"));
        app->setColumnsNumberFormat(QStringLiteral("D:D"), QStringLiteral("$#,##0.0000"));
        app->setVisible(lcid, true);
        return ExportOutcome::Done;
    } catch (const Error &e) {
        return e.number() == kErrUserCancelled ? ExportOutcome::Cancelled : ExportOutcome::Failed;
    } catch (...) {
        return ExportOutcome::Failed;
    }
}

} // namespace tesmo
