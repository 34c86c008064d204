// Writes a workbook and a document through the export writers and the office
// files for outside readers to check; prints "xlsx PATH" and "docx PATH", exits
// non-zero when a writer failed. No argument: every kind of cell; N: N numbered
// lots; widest, longword, awkward: the cases below. "tax FOLDER": the Form 8949
// files of a few sales, a wash sale among them, as "csv PATH" and "txf PATH".
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "platform/office/OfficeFiles.h"
#include "platform/office/PackingProcess.h"
#include "sales/Form8949.h"
#include "support/RandomLots.h"
#include "support/RecordingShell.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <functional>

using namespace tesmo;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LotTable list;
    // Rows as a list shows them: name, ticker, date, ID, shares, price, net amount.
    const auto addRow = [](LotTable &list, const QStringList &texts) { test::appendShown(list, texts); };
    const QByteArrayView mode = argc > 1 ? QByteArrayView(argv[1]) : QByteArrayView();
    if (mode == "tax" && argc > 2) {
        const auto on = [](const char *date) { return QDate::fromString(date, "M/d/yyyy"); };
        const WashSales wash = washSales(
            {{1, "ACME", on("1/10/2024"), 100}, {2, "ACME", on("2/15/2024"), 100}, {3, "WDG", on("3/1/2022"), 2.5}},
            {{1, 1, "Acme, \"Best\" Inc.", "ACME", on("1/10/2024"), on("2/1/2024"), 100, 7500000, 10000000},
             {2, 3, QStringLiteral("Zoë Ünïcode 株式会社"), "WDG", on("3/1/2022"), on("5/5/2024"), 2.5, 3000000, 2000000},
             {3, 2, "Acme Corp", "ACME", on("2/15/2024"), on("12/2/2024"), 40, 5000000, 3200000}});
        std::vector<const TaxRow *> rows;
        for (const TaxRow &row : wash.rows)
            rows.push_back(&row);
        for (const bool txf : {false, true}) {
            const QString path = QDir(QString::fromLocal8Bit(argv[2])).filePath(form8949FileName(2024, txf));
            saveForm8949(rows, Form8949Box::BasisNotReported, txf, path);
            std::printf("%s %s\n", txf ? "txf" : "csv", qPrintable(path));
        }
        return 0;
    }
    if (mode == "widest" || mode == "longword") {
        // The widest names, tickers, shares, money and dates the ledger
        // holds, and an older ledger's amount in parentheses.
        const bool oneWord = mode == "longword";
        addRow(list, {oneWord ? QString(50, u'W') : QStringLiteral("MAXIMUM WIDTH WORLDWIDE MOMENTUM WEALTH MANAGEMENT"),
                      "WWWWWWWWWW", "12/28/9999", "1", "-999999999999999", "450000000000", "450000000000"});
        addRow(list, {oneWord ? QStringLiteral("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwx")
                              : QStringLiteral("Consolidated Worldwide Manufacturing Holdings Ltd."),
                      "ABCDEFGHIJ", "12/31/9999", "2", "-99999999999.9999", "$1,234,567.1234", "$1,234,567.12"});
        addRow(list, {"Short", "MMMMMMMMMM", "11/30/2026", "3", "-0.123456789012345", "$.5000",
                      "($450,000,000,000.00)"});
        addRow(list, {QStringLiteral("Zoë 株式会社"), "OQOQOQOQOQ", "2/29/2000", "4", "999999999999999", "", ""});
    } else if (mode == "awkward") {
        // Dates before March 1900, tickers that read as numbers, currency or
        // dates, control characters in names and tickers.
        addRow(list, {"New Year 1900", "0012", "1/1/1900", "1", "1", "1", "1"});
        addRow(list, {"End of February 1900", "00", "2/28/1900", "2", "2", "2", "2"});
        addRow(list, {"March 1900", "1E5", "3/1/1900", "3", "3", "3", "3"});
        addRow(list, {"Before 1900", "12.50", "12/31/1899", "4", "4", "4", "4"});
        addRow(list, {"Money ticker", "$5", "1/15/2003", "5", "5", "5", "5"});
        addRow(list, {"Date ticker", "1/2/2003", "1/15/2003", "6", "6", "6", "6"});
        addRow(list, {QStringLiteral("Line\r\nbreak\tand\u0001C0\u001f"), QStringLiteral("A\u0001B\u007f"),
                      "1/15/2003", "7", "7", "7", "7"});
        addRow(list, {QStringLiteral("C1\u0080\u0085\u009fend"), QStringLiteral("\u001b12"), "1/15/2003", "8", "8",
                      "8", "8"});
    } else if (argc > 1) {
        const int lots = QString::fromLocal8Bit(argv[1]).toInt();
        for (int i = 1; i <= lots; ++i)
            addRow(list, {QStringLiteral("Company number %1").arg(i), QStringLiteral("T%1").arg(i),
                          QStringLiteral("%1/%2/2003").arg(i % 12 + 1).arg(i % 28 + 1), QString::number(i),
                          QString::number(i * 10), i % 7 == 0 ? QString() : QStringLiteral("%1.25").arg(i),
                          QStringLiteral("$%1.50").arg(i * 1000)});
    } else {
        addRow(list, {"Acme Corporation Holdings", "ACME", "1/15/2003", "1", "100", "12.5", "1250"});
        addRow(list, {QStringLiteral("Zoë Ünïcode 株式会社"), "ABCDE", "12/31/1999", "2", "33.3333333333333", "",
                      "$1,234.50"});
        addRow(list, {"Short", "O'NEIL", "2/1/2010", "3", "7", "$.5000", ""});
        addRow(list, {"Negative", "NEG", "3/4/2005", "4", "-2.5", "$1,234.5000", "($5.00)"});
    }

    test::RecordingShell shell;
    office::setPackingProgram(QStringLiteral(TESMO_PROGRAM));
    office::OfficeFiles office(shell);
    const auto written = [](const std::function<void()> &write) {
        try { write(); } catch (const Error &) { return false; }
        return true;
    };
    const bool sheet = written([&] { exportSpreadsheet(list, office); });
    const bool document = written([&] { exportDocument(list, office); });
    for (const QString &call : shell.calls) {
        const QString file = call.section(u' ', 1);
        std::printf("%s %s\n", file.endsWith(QLatin1String(".xlsx")) ? "xlsx" : "docx", qPrintable(file));
    }
    return sheet && document ? 0 : 1;
}
