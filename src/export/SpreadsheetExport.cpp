#include "export/SpreadsheetExport.h"

#include "export/ExportRows.h"
#include "platform/Office.h"
#include "text/Error.h"
#include "text/LotTable.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace tesmo {

void exportSpreadsheet(const LotTable &lots, Office &office, Progress *progress)
{
    constexpr int lcid = kLocaleUnitedStates;
    // The rows are the first half of the work, the workbook's writing the
    // second, which the application tells itself.
    const std::size_t rows = lots.size();
    ProgressSpan typing(progress, 0, 500, qint64(rows));
    ProgressSpan finishing(progress, 500, 1000, 1000);
    const OfficeProgress told(office, progress ? &finishing : nullptr);
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

    using Reading = SpreadsheetApplication::Reading;
    std::string name, ticker;
    char shares[regional::kNumberTextRoom], price[regional::kCurrencyTextRoom], net[regional::kCurrencyTextRoom],
        date[regional::kShortDateRoom];
    std::int32_t sheetRow = 2;
    // Each cell as the lists show it, typed, with what typing it reads as: a
    // figure or an amount (shown as the boxes show it, or plain) as its
    // number, a date as its day, or a text.
    const auto cell = [&](int column, const char *start, const char *end, const Reading &reading) {
        app->setCellUtf8Value(sheetRow, column, {start, std::size_t(end - start)}, reading);
    };
    const auto text = [&](int column, std::string_view t) { app->setCellUtf8Value(sheetRow, column, t, {}); };
    const auto number = [&](int column, const char *start, const char *end) {
        Reading reading{Reading::Kind::Number, 0, {}};
        std::from_chars(start, end, reading.number);
        cell(column, start, end, reading);
    };
    const auto amount = [&](int column, const char *start, const char *end, Ticks ticks) {
        cell(column, start, end, Reading{Reading::Kind::Number, ticksToDouble(ticks), {}});
    };
    for (std::size_t row = 0; row < rows; ++row, ++sheetRow) {
        if (row % kProgressRows == 0 && !typing.advance(qint64(row)))
            throw Error(kErrUserCancelled);
        const LotRow lot = lots.lot(row);
        text(kExName + 1, wellFormed(lot.name, name));
        text(kExTicker + 1, wellFormed(lot.ticker, ticker));
        if (lot.isText(kNumShares))
            text(kExShares + 1, lot.text[kNumShares]);
        else if (std::isfinite(lot.numShares))
            number(kExShares + 1, shares, regional::writeNumberText(shares, lot.numShares));
        else
            cell(kExShares + 1, shares, regional::writeNumberText(shares, lot.numShares), {});
        for (const auto &[field, pos, ticks, room, shown] :
             {std::tuple{kExPrice, kPrice, lot.price, price, &regional::writePriceText},
              std::tuple{kExNet, kNetAmount, lot.netAmount, net, &regional::writeNetAmountText}}) {
            if (lot.isText(pos))
                text(field + 1, lot.text[std::size_t(pos)]);
            else if (ticks && lot.boxAmounts)
                amount(field + 1, room, shown(room, *ticks), *ticks);
            else if (ticks)
                amount(field + 1, room, writePlainTicksText(room, *ticks), *ticks);
        }
        if (lot.isText(kTradeDate)) {
            text(kExDate + 1, lot.text[kTradeDate]);
        } else {
            const QDate day = QDate::fromJulianDay(lot.tradeDay);
            cell(kExDate + 1, date, regional::writeShortDate(date, day), Reading{Reading::Kind::Date, 0, day});
        }
    }

    for (const char *column : {"A:A", "B:B", "C:C", "D:D", "E:E", "F:F"})
        app->autoFitColumns(QString::fromLatin1(column));
    app->setColumnsNumberFormat(QStringLiteral("E:E"), QStringLiteral("$#,##0.00"));
    app->setColumnsNumberFormat(QStringLiteral("D:D"), QStringLiteral("$#,##0.0000"));
    app->setVisible(lcid, true);
}

} // namespace tesmo
