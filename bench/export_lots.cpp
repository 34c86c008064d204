// Measures the exports of a large master list, each beside a floor: the text
// export against the same lines formatted by hand from lots already in
// memory, the spreadsheet export against the same workbook written directly
// with libxlsxwriter in constant-memory mode, and the document export; with
// the peak memory before and after each. Prints figures; asserts nothing.
//
//   export_lots [LOTS]     (default 1000000; everything is made in a temporary folder)
#include "BenchLedger.h"
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/TextExport.h"
#include "mainwin/frmStocks.h"
#include "platform/Shell.h"
#include "platform/office/OfficeFiles.h"
#include "store/LotReader.h"
#include "text/Regional.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <xlsxwriter.h>

namespace {

using bench::millis;

// A desktop that takes every file without starting anything.
class QuietShell : public tesmo::Shell {
public:
    int open(const QString &file) override
    {
        opened = file;
        return kOpened;
    }
    bool startViewer(const QString &) override { return true; }
    QString desktopFolder() const override { return folder; }
    QString folder;
    QString opened;
};

// VmHWM, the peak resident memory, in MB; reset() starts a new peak.
long peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    }
    return -1;
}
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

QString poolText(const tesmo::LotTable &t, std::uint32_t offset, std::uint32_t length)
{
    return QString::fromUtf8(t.pool.data() + offset, qsizetype(length));
}

void pad(QString &line, const QString &text, int width)
{
    line += text;
    if (text.size() < width)
        line += QString(width - text.size(), u' ');
    line += QLatin1String(" | ");
}

// The text export's lines formatted directly from the compact rows.
void textFloor(const tesmo::LotTable &table, const QString &path)
{
    using namespace tesmo;
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write("Name/Description | Ticker | Number of Shares | Price/Share | Net Amount (Tesmo) | Trade Date\r\n");
    out.write(QByteArray(104, '_') + "\r\n");
    QString line;
    for (const LotRow &r : table.rows) {
        line.clear();
        pad(line, poolText(table, r.nameOffset, r.nameLength), 16);
        pad(line, poolText(table, r.tickerOffset, r.tickerLength), 5);
        pad(line, regional::numberText(r.numShares), 16);
        pad(line, r.nulls & (1 << kPrice) ? QString() : regional::regionalCurrencyText(r.price, 4), 11);
        pad(line, r.nulls & (1 << kNetAmount) ? QString() : regional::regionalCurrencyText(r.netAmount), 18);
        line += regional::shortDate(QDate::fromJulianDay(r.tradeDay));
        out.write(line.toUtf8() + "\r\n");
    }
}

// The spreadsheet export's workbook written directly with libxlsxwriter.
void spreadsheetFloor(const tesmo::LotTable &table, const QString &folder)
{
    using namespace tesmo;
    const QByteArray path = (folder + QStringLiteral("/floor.xlsx")).toUtf8();
    const QByteArray tmp = folder.toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tmp.constData());
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    lxw_doc_properties properties{};
    properties.title = const_cast<char *>("Stocks");
    workbook_set_properties(book, &properties);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *heading = workbook_add_format(book);
    format_set_bold(heading);
    format_set_italic(heading);
    lxw_format *price = workbook_add_format(book);
    format_set_num_format(price, "$#,##0.0000");
    lxw_format *net = workbook_add_format(book);
    format_set_num_format(net, "$#,##0.00");
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "m/d/yyyy");
    const double widths[] = {25, 7, 18, 14, 21, 12};
    for (lxw_col_t c = 0; c < 6; ++c)
        worksheet_set_column(sheet, c, c, widths[c], c == 3 ? price : c == 4 ? net : nullptr);
    worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT, heading);
    const char *headings[] = {"Name/Description", "Ticker", "Number of Shares", "Price/Share",
                              "Net Amount (Tesmo)", "Trade Date"};
    for (lxw_col_t c = 0; c < 6; ++c)
        worksheet_write_string(sheet, 0, c, headings[c], heading);
    std::string text;
    lxw_row_t row = 1;
    for (const LotRow &r : table.rows) {
        text.assign(table.pool.data() + r.nameOffset, r.nameLength);
        worksheet_write_string(sheet, row, 0, text.c_str(), nullptr);
        text.assign(table.pool.data() + r.tickerOffset, r.tickerLength);
        worksheet_write_string(sheet, row, 1, text.c_str(), nullptr);
        worksheet_write_number(sheet, row, 2, r.numShares, nullptr);
        if (!(r.nulls & (1 << kPrice)))
            worksheet_write_number(sheet, row, 3, ticksToDouble(r.price), price);
        if (!(r.nulls & (1 << kNetAmount)))
            worksheet_write_number(sheet, row, 4, ticksToDouble(r.netAmount), net);
        const QDate d = QDate::fromJulianDay(r.tradeDay);
        lxw_datetime when{d.year(), d.month(), d.day(), 0, 0, 0};
        worksheet_write_datetime(sheet, row, 5, &when, date);
        ++row;
    }
    workbook_close(book);
}

// Runs an export between two peak readings and prints its line.
template <typename F>
void measure(const char *what, F &&f, double floorMs = 0)
{
    resetPeak();
    const long before = peakMegabytes();
    const double ms = millis(f);
    const long after = peakMegabytes();
    if (floorMs > 0)
        std::printf("%-22s %9.0f ms  %5.2fx floor   peak %5ld MB -> %5ld MB (+%ld)\n", what, ms, ms / floorMs,
                    before, after, after - before);
    else
        std::printf("%-22s %9.0f ms                 peak %5ld MB -> %5ld MB (+%ld)\n", what, ms, before, after,
                    after - before);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lots = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    std::printf("lots %d, ledger made in %.0f ms\n", lots, bench::makeLedger(dir, lots));
    QTemporaryDir out;
    qputenv("TMPDIR", out.path().toUtf8());

    bench::SilentDialogs dialogs;
    QuietShell shell;
    shell.folder = out.path();
    tesmo::office::OfficeFiles office(shell);
    tesmo::frmStocks window(tesmo::Platform{dialogs, shell, office});
    window.open();
    const QAbstractItemModel &list = *window.findChild<QAbstractItemView *>(QStringLiteral("ListView1"))->model();
    tesmo::LotTable table;
    tesmo::readAllLots(QStringLiteral("Tesmo.mdb"), table);
    const auto size = [](const QString &file) { return double(QFileInfo(file).size()) / 1e6; };

    double floor = 0;
    measure("text floor", [&] { floor = millis([&] { textFloor(table, out.filePath("floor.txt")); }); });
    measure("text export", [&] {
        QFile file(out.filePath("Tesmo.txt"));
        file.open(QIODevice::WriteOnly);
        tesmo::writeTextExport(list, file);
    }, floor);
    std::printf("%-22s %9.1f MB\n", "  text file", size(out.filePath("Tesmo.txt")));

    measure("spreadsheet floor", [&] { floor = millis([&] { spreadsheetFloor(table, out.path()); }); });
    measure("spreadsheet export", [&] { tesmo::exportSpreadsheet(list, office); }, floor);
    std::printf("%-22s %9.1f MB\n", "  workbook", size(shell.opened));
    measure("document export", [&] { tesmo::exportDocument(list, office); });
    std::printf("%-22s %9.1f MB\n", "  document", size(shell.opened));
    return 0;
}
