#include "export/DocumentExport.h"

#include "export/ExportRows.h"
#include "platform/Office.h"
#include "text/Error.h"
#include "text/LotTable.h"

namespace tesmo {

void exportDocument(const LotTable &lots, Office &office, Progress *progress)
{
    const TableAutoFormat format{kWdTableFormat3DEffects2, true, true, true, true, true, false, false, false, true};
    // The rows are the first half of the work, the document's writing the
    // second, which the word processor tells itself.
    const std::size_t rows = lots.size();
    ProgressSpan typing(progress, 0, 500, qint64(rows));
    ProgressSpan finishing(progress, 500, 1000, 1000);
    const OfficeProgress told(office, progress ? &finishing : nullptr);
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

    ExportTexts texts;
    std::string scratch;
    for (std::size_t row = 0; row < rows; ++row) {
        if (row % kProgressRows == 0 && !typing.advance(qint64(row)))
            throw Error(kErrUserCancelled);
        texts.read(lots.lot(row));
        app->insertRowsBelow(1);
        for (int f = 0; f < kExportFieldCount; ++f) {
            if (f > 0)
                app->moveRight(kWdCell);
            // An empty amount leaves its cell as it is.
            if (f <= kExTicker)
                app->typeUtf8Text(wellFormed(texts[f], scratch));
            else if (!texts[f].empty() || (f != kExPrice && f != kExNet))
                app->typeUtf8Text(texts[f]);
        }
    }

    app->autoFormatSelectionTable(1, format);
    app->setVisible(true);
}

} // namespace tesmo
