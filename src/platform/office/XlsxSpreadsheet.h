// A spreadsheet application that builds a real .xlsx workbook with
// libxlsxwriter in a private folder and hands it to the desktop's
// spreadsheet program when it is made visible. The cells it receives wait in
// a journal file until then, so that the column formats set after them apply
// to them, and the workbook is written row by row in constant-memory mode,
// in a process of its own that a cancel ends at once.
#pragma once

#include "platform/Dialogs.h"
#include "platform/Spreadsheet.h"
#include "platform/office/OfficeFile.h"

#include <memory>
#include <string>
#include <vector>

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

    struct Column {
        double maxChars = 0;    // the widest displayed value so far, in characters
        double width = -1;      // fitted width in character units; -1: the default
        QString numberFormat;   // set on the whole column; empty: none
    };
    struct RowFont {
        int first, last;        // rows, from 1
        bool bold = false;
        bool italic = false;
    };

private:
    RowFont &selectionFont();
    void writeWorkbook(const QString &path);
    // In the process that writeWorkbook() makes: the workbook at path, its
    // progress told in thousandths.
    void makeWorkbook(const QString &path, Progress &progress);

    OfficeFile book_;
    Progress *progress_;
    QString caption_;
    std::vector<Column> columns_;     // index: column from 1 minus 1
    std::vector<RowFont> rowFonts_;   // later entries win
    int selectedFirst_ = 0;
    int selectedLast_ = 0;
    std::string scratch_;   // a typed text with its control characters blanked
};

} // namespace tesmo::office
