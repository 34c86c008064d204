// A spreadsheet application that builds a real .xlsx workbook in a private
// folder and hands it to the desktop's spreadsheet program when it is made
// visible. The cells it receives wait in the cell journal until then, so
// that the column formats set after them apply to them; the workbook is
// then written by a WorkbookWriter in a process of its own, which a Cancel
// ends at once.
#pragma once

#include "platform/Progress.h"
#include "platform/Spreadsheet.h"
#include "platform/office/OfficeFile.h"
#include "platform/office/WorkbookWriter.h"

#include <string>

namespace tesmo {
class Shell;
}

namespace tesmo::office {

class XlsxSpreadsheet : public SpreadsheetApplication {
public:
    // progress: where the work of writing the workbook is reported, or null.
    explicit XlsxSpreadsheet(Shell &shell, Progress *progress = nullptr);
    ~XlsxSpreadsheet() override;

    void setVisible(int locale, bool visible) override;
    void addWorkbook(int locale) override;
    void setCaption(const QString &caption) override;
    void setCellValue(int row, int column, const QString &text) override;
    void setCellUtf8Value(int row, int column, std::string_view text, const Reading &reading) override;
    void selectRows(const QString &address) override;
    void setSelectionFontBold(int locale, bool bold) override;
    void setSelectionFontItalic(int locale, bool italic) override;
    void autoFitColumns(const QString &address) override;
    void setColumnsNumberFormat(const QString &address, const QString &format) override;

private:
    // Raises Error unless a cell can be set at row and column.
    void needCell(int row, int column) const;
    SheetColumn &cellColumn(int column);
    RowFont &selectionFont();
    void writeWorkbook(const QString &path);

    OfficeFile book_;
    Progress *progress_;
    SheetLayout sheet_;
    SheetSize size_;
    int selectedFirst_ = 0;
    int selectedLast_ = 0;
    std::string scratch_;   // a typed text with its control characters blanked
};

} // namespace tesmo::office
