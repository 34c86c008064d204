// The spreadsheet application as the spreadsheet writers drive it: the
// operations of its automation object model that they use, one function each,
// named after the object model. Every operation may raise Error; the object's
// destruction releases the application, which stays open for the user.
#pragma once

#include <QDate>
#include <QString>
#include <string_view>

namespace tesmo {

// The locale that every call taking one passes: English, United States.
inline constexpr int kLocaleUnitedStates = 1033;

class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;

    // Visible: whether the application and its workbooks are shown.
    virtual void setVisible(int locale, bool visible) = 0;
    // Workbooks.Add with the template omitted: a new empty workbook whose
    // first sheet becomes the active sheet.
    virtual void addWorkbook(int locale) = 0;
    // Caption: the application's window caption.
    virtual void setCaption(const QString &caption) = 0;
    // Cells(row, column).Value on the active sheet, rows and columns from 1:
    // the cell takes the text as if it had been typed: into a column whose
    // number format is text ("@") it goes as text, whatever it looks like.
    virtual void setCellValue(int row, int column, const QString &text) = 0;
    // The same for a text in well-formed UTF-8, as the writers have names and
    // figures at hand. When the writer knows what typing the text reads as
    // (a number, a date), it gives that reading too, so that the text need
    // not be read again; the cell then is what typing the text makes it.
    struct Reading {
        enum class Kind { Unread, Number, Date } kind = Kind::Unread;
        double number = 0;
        QDate date;
    };
    virtual void setCellUtf8Value(int row, int column, std::string_view text, const Reading &reading) = 0;
    // Rows(address).Select, with a row address such as "1:1".
    virtual void selectRows(const QString &address) = 0;
    // Selection.Font.Bold and Selection.Font.Italic.
    virtual void setSelectionFontBold(int locale, bool bold) = 0;
    virtual void setSelectionFontItalic(int locale, bool italic) = 0;
    // Columns(address).EntireColumn.AutoFit, with a column address such as "A:A".
    virtual void autoFitColumns(const QString &address) = 0;
    // Columns(address).NumberFormat.
    virtual void setColumnsNumberFormat(const QString &address, const QString &format) = 0;
};

} // namespace tesmo
