// A stand-in for the office programs: records each operation a writer calls, with its values, as
// one line ("Cells(2, 4) = \"12.5\""), and raises an error at a chosen call to try every way out.
#pragma once

#include "platform/Office.h"
#include "text/Error.h"

#include <QStringList>

namespace tesmo::test {

class RecordingOffice : public Office {
public:
    QStringList calls;   // oldest first; "release" when an application object goes
    int failAt = -1;     // the call (from 0) that raises an error; -1: none
    Error failure{kErrCannotStart};   // the error it raises

    std::unique_ptr<SpreadsheetApplication> newSpreadsheet() override
    {
        record(QStringLiteral("new Excel.Application"));
        return std::make_unique<Sheet>(*this);
    }
    void setProgress(Progress *) override {}
    std::unique_ptr<WordProcessorApplication> newWordProcessor() override
    {
        record(QStringLiteral("new Word.Application"));
        return std::make_unique<Word>(*this);
    }

    void record(const QString &call)
    {
        if (calls.size() == failAt) {
            calls << call + QStringLiteral(" failed");
            throw failure;
        }
        calls << call;
    }

private:
    static QString b(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }
    static QString q(const QString &s) { return u'"' + s + u'"'; }

    struct Sheet : SpreadsheetApplication {
        explicit Sheet(RecordingOffice &o) : office(o) {}
        ~Sheet() override { office.calls << QStringLiteral("release"); }
        void setVisible(int lcid, bool v) override { office.record(QStringLiteral("Visible(%1) = %2").arg(lcid).arg(b(v))); }
        void addWorkbook(int lcid) override { office.record(QStringLiteral("Workbooks.Add(, %1)").arg(lcid)); }
        void setCaption(const QString &c) override { office.record(QStringLiteral("Caption = ") + q(c)); }
        void setCellValue(int r, int c, const QString &t) override
        {
            office.record(QStringLiteral("Cells(%1, %2) = %3").arg(r).arg(c).arg(q(t)));
        }
        // As typing the text: what it reads as is checked on the files themselves.
        void setCellUtf8Value(int r, int c, std::string_view t, const Reading &) override
        {
            setCellValue(r, c, QString::fromUtf8(t.data(), qsizetype(t.size())));
        }
        void selectRows(const QString &a) override { office.record(QStringLiteral("Rows(%1).Select").arg(q(a))); }
        void setSelectionFontBold(int lcid, bool v) override
        {
            office.record(QStringLiteral("Selection(%1).Font.Bold = %2").arg(lcid).arg(b(v)));
        }
        void setSelectionFontItalic(int lcid, bool v) override
        {
            office.record(QStringLiteral("Selection(%1).Font.Italic = %2").arg(lcid).arg(b(v)));
        }
        void autoFitColumns(const QString &a) override
        {
            office.record(QStringLiteral("Columns(%1).EntireColumn.AutoFit").arg(q(a)));
        }
        void setColumnsNumberFormat(const QString &a, const QString &f) override
        {
            office.record(QStringLiteral("Columns(%1).NumberFormat = %2").arg(q(a), q(f)));
        }
        RecordingOffice &office;
    };

    struct Word : WordProcessorApplication {
        explicit Word(RecordingOffice &o) : office(o) {}
        ~Word() override { office.calls << QStringLiteral("release"); }
        void setVisible(bool v) override { office.record(QStringLiteral("Visible = ") + b(v)); }
        void addDocument() override { office.record(QStringLiteral("Documents.Add")); }
        TextRange selectionRange() override
        {
            office.record(QStringLiteral("Selection.Range"));
            return {1, 0};
        }
        void addTable(int d, const TextRange &r, int rows, int cols, int behavior, int autoFit) override
        {
            office.record(QStringLiteral("Documents(%1).Tables.Add(Range(%2, %3), %4, %5, %6, %7)")
                              .arg(d).arg(r.document).arg(r.start).arg(rows).arg(cols).arg(behavior).arg(autoFit));
        }
        void autoFormatSelectionTable(int t, const TableAutoFormat &f) override
        {
            office.record(QStringLiteral("Selection.Tables(%1).AutoFormat(%2, %3, %4, %5, %6, %7, %8, %9, %10, %11)")
                              .arg(t).arg(f.format)
                              .arg(b(f.borders), b(f.shading), b(f.font), b(f.color), b(f.headingRows),
                                   b(f.lastRow), b(f.firstColumn), b(f.lastColumn))
                              .arg(b(f.autoFit)));
        }
        void typeText(const QString &t) override { office.record(QStringLiteral("Selection.TypeText ") + q(t)); }
        void typeUtf8Text(std::string_view t) override { typeText(QString::fromUtf8(t.data(), qsizetype(t.size()))); }
        void moveRight(int unit) override { office.record(QStringLiteral("Selection.MoveRight %1").arg(unit)); }
        void insertRowsBelow(int n) override { office.record(QStringLiteral("Selection.InsertRowsBelow %1").arg(n)); }
        RecordingOffice &office;
    };
};

} // namespace tesmo::test
