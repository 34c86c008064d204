#include "import/FileLayout.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace tesmo {

namespace {

// How much of the file the separator is found from.
constexpr qsizetype kDetectionBytes = 256 * 1024;

} // namespace

FileLayout findLayout(const CsvTable &table, bool notText)
{
    FileLayout layout;
    constexpr ImportField kNeeded[] = {ImportField::Ticker, ImportField::Shares, ImportField::TradeDate};
    int mostNamed = 1;   // a row that names one column is no header
    bool blank = true;
    for (int row = 0; row < table.rowCount(); ++row) {
        std::array<int, kImportFieldCount> rank;
        rank.fill(INT_MAX);
        std::array<int, kImportFieldCount> column;
        column.fill(kNoColumn);
        for (int c = 0; c < table.fieldCount(row); ++c) {
            int r = 0;
            const QString text = table.field(row, c);
            blank = blank && text.trimmed().isEmpty();
            const auto f = import::headerField(text, &r);
            if (f && r < rank[std::size_t(*f)]) {
                rank[std::size_t(*f)] = r;
                column[std::size_t(*f)] = c;
            }
        }
        const auto named = int(std::count_if(column.begin(), column.end(), [](int c) { return c != kNoColumn; }));
        const auto lacking = [&](ImportField f) { return column[std::size_t(f)] == kNoColumn; };
        if (std::none_of(std::begin(kNeeded), std::end(kNeeded), lacking)) {
            layout.headerRow = row;
            layout.headerLine = table.line(row);
            for (int c = 0; c < table.fieldCount(row); ++c) {
                layout.headers << table.field(row, c).trimmed();
                if (import::isSettlementHeader(layout.headers.back())
                    && c != column[std::size_t(ImportField::TradeDate)])
                    layout.settlementColumn = c;
            }
            layout.columns = column;
            layout.missing.clear();
            return layout;
        }
        if (named > mostNamed) {
            mostNamed = named;
            layout.headerLine = table.line(row);
            layout.missing.clear();
            std::copy_if(std::begin(kNeeded), std::end(kNeeded), std::back_inserter(layout.missing), lacking);
        }
    }
    layout.problem = notText                 ? ReadProblem::NotText
                     : blank                  ? ReadProblem::Empty
                     : layout.missing.empty() ? ReadProblem::NoHeader
                                              : ReadProblem::MissingColumns;
    return layout;
}

char separatorOf(const QByteArray &utf8)
{
    QByteArray head = utf8.left(kDetectionBytes);
    if (head.size() < utf8.size())
        head.truncate(std::max<qsizetype>(head.lastIndexOf('\n'), 0));
    char best = ',';
    qsizetype bestColumns = 0;
    for (const char separator : {',', ';', '\t'}) {
        const FileLayout layout = findLayout(parseCsv(head, separator));
        if (layout.hasHeader() && layout.headers.size() > bestColumns) {
            best = separator;
            bestColumns = layout.headers.size();
        }
    }
    return best;
}

} // namespace tesmo
