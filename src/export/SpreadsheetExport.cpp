#include "export/SpreadsheetExport.h"

#include "export/ExportRows.h"
#include "platform/Office.h"

#include <QAbstractItemModel>
#include <cstdint>

namespace tesmo {

bool exportSpreadsheet(const QAbstractItemModel &list, Office &office)
{
    constexpr int lcid = kLocaleUnitedStates;
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

        std::int32_t sheetRow = 2;
        const int rows = list.rowCount();
        for (int row = 0; row < rows; ++row, ++sheetRow) {
            const ExportTexts fields = exportTexts(list, row);
            for (int f = 0; f < kExportFieldCount; ++f)
                app->setCellValue(sheetRow, f + 1, fields[std::size_t(f)]);
        }

        for (const char *column : {"A:A", "B:B", "C:C", "D:D", "E:E", "F:F"})
            app->autoFitColumns(QString::fromLatin1(column));
        app->setColumnsNumberFormat(QStringLiteral("E:E"), QStringLiteral("$#,##0.00"));
        app->setColumnsNumberFormat(QStringLiteral("D:D"), QStringLiteral("$#,##0.0000"));
        app->setVisible(lcid, true);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace tesmo
