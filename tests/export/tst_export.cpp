// The export writers on a list model: the text file byte for byte, and the
// office operations that the spreadsheet and document writers call, in order
// and with their values, also when any one of them fails.
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/TextExport.h"
#include "support/RecordingOffice.h"

#include <QBuffer>
#include <QStandardItemModel>
#include <QtTest>

using namespace tesmo;
using namespace tesmo::test;

namespace {

// A list as the window shows it: name, ticker, date, ID, shares, price, net.
std::unique_ptr<QStandardItemModel> list(const QList<QStringList> &rows)
{
    auto model = std::make_unique<QStandardItemModel>(0, 7);
    for (const QStringList &texts : rows) {
        QList<QStandardItem *> items;
        for (const QString &t : texts)
            items << new QStandardItem(t);
        model->appendRow(items);
    }
    return model;
}

const QStringList kPlainRow = {"Acme Corporation Holdings", "ACME", "1/15/2003", "1", "100", "12.5", "1250"};
const QStringList kShortRow = {"Short", "O'NEIL", "2/1/2010", "3", "7", "$.5000", ""};

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void textFileByteForByte()
    {
        QCOMPARE(textExportFileName(QDate(2026, 12, 5)), QStringLiteral("Tesmo_12_5_2026.txt"));
        const auto rows = list({kPlainRow,
                                {QStringLiteral("Zoë 株式会社 𝄞"), "ABCDE", "12/31/1999", "2", "33.3333333333333", "",
                                 "$1,234.50"},
                                kShortRow,
                                {"Negative", "NEG", "3/4/2005", "4", "-2.5", "$1,234.5000", "($5.00)"},
                                {"Two\r\nT | 1 | lines", "C\tD\u0085", "3/4/2005", "5", "1", "", ""}});
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(!writeTextExport(*rows, out));
        const QByteArray expected =
            "Name/Description | Ticker | Number of Shares | Price/Share | Net Amount (Tesmo) | Trade Date\r\n"
            + QByteArray(104, '_') + "\r\n"
            "Acme Corporation Holdings | ACME  | 100              | $12.5000    | $1,250.00          | 1/15/2003\r\n"
            + QStringLiteral("Zoë 株式会社 𝄞       | ABCDE | 33.3333333333333 |             | $1,234.50          | "
                             "12/31/1999\r\n").toUtf8()
            + "Short            | O'NEIL | 7                | $0.5000     |                    | 2/1/2010\r\n"
              "Negative         | NEG   | -2.5             | $1,234.5000 | ($5.00)            | 3/4/2005\r\n"
              "Two  T | 1 | lines | C D   | 1                |             |                    | 3/4/2005\r\n";
        QCOMPARE(out.data(), expected);

        // A money text that reads as no amount ends the file after the rows before it.
        const auto bad = list({kPlainRow, {"Bad", "BAD", "1/1/2003", "9", "1", "12.5.1", "1"}, kShortRow});
        QBuffer partial;
        partial.open(QIODevice::WriteOnly);
        const auto error = writeTextExport(*bad, partial);
        QVERIFY(error);
        QCOMPARE(error->number(), int(kErrTypeMismatch));
        QCOMPARE(partial.data().count("\r\n"), 3);
    }

    void officeCallsInOrderWithTheirValues()
    {
        const auto rows = list({kPlainRow, kShortRow});
        RecordingOffice office;
        QCOMPARE(exportSpreadsheet(*rows, office), ExportOutcome::Done);
        QStringList expected = {"new Excel.Application", "Visible(1033) = false", "Workbooks.Add(, 1033)",
                                "Caption = \"Stocks\""};
        const QStringList headings = {"Name/Description", "Ticker", "Number of Shares", "Price/Share",
                                      "Net Amount (Tesmo)", "Trade Date"};
        for (int c = 1; c <= 6; ++c)
            expected << QStringLiteral("Cells(1, %1) = \"%2\"").arg(c).arg(headings[c - 1]);
        expected << "Rows(\"1:1\").Select" << "Selection(1033).Font.Bold = true"
                 << "Selection(1033).Font.Italic = true" << "Columns(\"B:B\").NumberFormat = \"@\""
                 << "Cells(2, 1) = \"Acme Corporation Holdings\"" << "Cells(2, 2) = \"ACME\"" << "Cells(2, 3) = \"100\""
                 << "Cells(2, 4) = \"12.5\"" << "Cells(2, 5) = \"1250\"" << "Cells(2, 6) = \"1/15/2003\""
                 << "Cells(3, 1) = \"Short\"" << "Cells(3, 2) = \"O'NEIL\"" << "Cells(3, 3) = \"7\""
                 << "Cells(3, 4) = \"$.5000\"" << "Cells(3, 5) = \"\"" << "Cells(3, 6) = \"2/1/2010\"";
        for (const char *column : {"A:A", "B:B", "C:C", "D:D", "E:E", "F:F"})
            expected << QStringLiteral("Columns(\"%1\").EntireColumn.AutoFit").arg(column);
        expected << "Columns(\"E:E\").NumberFormat = \"$#,##0.00\"" << "Columns(\"D:D\").NumberFormat = \"$#,##0.0000\""
                 << "Visible(1033) = true" << "release";
        QCOMPARE(office.calls, expected);

        office.calls.clear();
        QCOMPARE(exportDocument(*rows, office), ExportOutcome::Done);
        const QString format = "Selection.Tables(1).AutoFormat(33, true, true, true, true, true, false, false, false, true)";
        expected = QStringList{"new Word.Application", "Visible = false", "Documents.Add", "Selection.Range",
                               "Documents(1).Tables.Add(Range(1, 0), 1, 6, 1, 0)", format};
        for (int c = 0; c < 6; ++c) {
            if (c > 0)
                expected << "Selection.MoveRight 12";
            expected << "Selection.TypeText \"" + headings[c] + "\"";
        }
        expected << "Selection.InsertRowsBelow 1" << "Selection.TypeText \"Acme Corporation Holdings\""
                 << "Selection.MoveRight 12" << "Selection.TypeText \"ACME\"" << "Selection.MoveRight 12"
                 << "Selection.TypeText \"100\"" << "Selection.MoveRight 12" << "Selection.TypeText \"$12.5000\""
                 << "Selection.MoveRight 12" << "Selection.TypeText \"$1,250.00\"" << "Selection.MoveRight 12"
                 << "Selection.TypeText \"1/15/2003\""
                 << "Selection.InsertRowsBelow 1" << "Selection.TypeText \"Short\"" << "Selection.MoveRight 12"
                 << "Selection.TypeText \"O'NEIL\"" << "Selection.MoveRight 12" << "Selection.TypeText \"7\""
                 << "Selection.MoveRight 12" << "Selection.TypeText \"$0.5000\"" << "Selection.MoveRight 12"
                 << "Selection.MoveRight 12" << "Selection.TypeText \"2/1/2010\"" << format << "Visible = true"
                 << "release";
        QCOMPARE(office.calls, expected);
    }

    // Whichever operation fails, the writer stops there, releases the
    // application it holds, and reports the failure.
    void aFailureAtAnyStepEndsTheWriter()
    {
        const auto rows = list({kPlainRow, kShortRow});
        for (const auto writer : {&exportSpreadsheet, &exportDocument}) {
            RecordingOffice office;
            QCOMPARE(writer(*rows, office, nullptr), ExportOutcome::Done);
            const QStringList all = office.calls;
            for (int n = 0; n < all.size() - 1; ++n) {
                RecordingOffice failing;
                failing.failAt = n;
                QCOMPARE(writer(*rows, failing, nullptr), ExportOutcome::Failed);
                QStringList expected = all.mid(0, n) << all[n] + " failed";
                if (n > 0)
                    expected << "release";
                QCOMPARE(failing.calls, expected);
            }
        }

        RecordingOffice office;
        QCOMPARE(exportDocument(*list({kPlainRow, {"Bad", "BAD", "1/1/2003", "9", "1", "1", "12,5.0.0"}}), office),
                 ExportOutcome::Failed);
        QCOMPARE(office.calls.mid(office.calls.size() - 3),
                 QStringList({"Selection.TypeText \"$1.0000\"", "Selection.MoveRight 12", "release"}));
    }
};

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
