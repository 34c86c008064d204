#include "import/FileLayout.h"

#include "import/ActionWords.h"
#include "import/HeadingWords.h"
#include "text/Limits.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace tesmo {

namespace {

// How much of the file the separator is found from, how many rows a header
// is looked for in, and how many rows under it tell what its columns hold.
constexpr qsizetype kDetectionBytes = 256 * 1024;
constexpr int kHeaderRows = 5000;
constexpr int kSampleRows = 200;

constexpr ImportField kNeeded[] = {ImportField::Ticker, ImportField::Shares, ImportField::TradeDate};

const char *const kNouns[kImportFieldCount] = {"a trade date", "a ticker", "a name", "a number of shares",
                                               "a price", "an amount", "an action"};

QString quoted(const QString &text)
{
    return u'\'' + text + u'\'';
}

bool isNumber(QStringView t)
{
    return import::readNumber(t, u'.') || import::readNumber(t, u',');
}

bool isDate(QStringView t)
{
    for (const DateOrder order : {DateOrder::MonthDayYear, DateOrder::DayMonthYear, DateOrder::YearMonthDay})
        if (import::readDate(t, order))
            return true;
    return false;
}

// What a heading names: one of the names brokers give a field (rank: its
// place in the field's list), and what its words say.
struct Named {
    std::optional<ImportField> known;
    int rank = INT_MAX;
    import::HeadingReading words;
};

Named namedBy(QStringView heading)
{
    Named n;
    n.known = import::headerField(heading, &n.rank);
    if (!n.known && !heading.trimmed().isEmpty() && !isNumber(heading.trimmed()))
        n.words = import::readHeading(heading);
    return n;
}

// The row names a ticker, a quantity and a date column, by names or words,
// and none of its fields is a number or a date.
bool namesTheNeededColumns(const CsvTable &table, int row)
{
    std::array<bool, kImportFieldCount> named{};
    for (int c = 0; c < table.fieldCount(row); ++c) {
        const QString text = table.field(row, c).trimmed();
        if (text.isEmpty())
            continue;
        if (isNumber(text) || isDate(text))
            return false;
        const Named n = namedBy(text);
        if (n.known)
            named[std::size_t(*n.known)] = true;
        else if (n.words.field && n.words.date != import::DateKind::Other)
            named[std::size_t(*n.words.field)] = true;
    }
    return std::all_of(std::begin(kNeeded), std::end(kNeeded), [&](ImportField f) { return named[std::size_t(f)]; });
}

int nonEmptyFields(const CsvTable &table, int row)
{
    int n = 0;
    for (int c = 0; c < table.fieldCount(row); ++c)
        n += !table.utf8(row, c).empty();
    return n;
}

// A row of three or more headings, none a number or a date, over a row of
// as many fields that holds a number or a date.
bool headsData(const CsvTable &table, int row)
{
    if (nonEmptyFields(table, row) < 3 || row + 1 >= table.rowCount())
        return false;
    bool data = false;
    for (int c = 0; c < table.fieldCount(row); ++c) {
        const QString text = table.field(row, c).trimmed();
        if (!text.isEmpty() && (isNumber(text) || isDate(text)))
            return false;
    }
    const int next = row + 1;
    if (table.fieldCount(next) + 1 < table.fieldCount(row))
        return false;
    for (int c = 0; c < table.fieldCount(next) && !data; ++c) {
        const QString text = table.field(next, c).trimmed();
        data = !text.isEmpty() && (isNumber(text) || isDate(text));
    }
    return data;
}

// How well a column's values under the header fit a field: the share of its
// non-empty values that read as the field's values, or -1 without values.
double fit(const CsvTable &table, int headerRow, int column, ImportField field)
{
    int values = 0, fitting = 0;
    const int end = std::min(table.rowCount(), headerRow + 1 + kSampleRows);
    for (int row = headerRow + 1; row < end; ++row) {
        const QString t = table.field(row, column).trimmed();
        if (t.isEmpty())
            continue;
        ++values;
        switch (field) {
        case ImportField::TradeDate: fitting += isDate(t); break;
        case ImportField::Shares:
        case ImportField::Price:
        case ImportField::NetAmount: fitting += isNumber(t); break;
        case ImportField::Ticker: fitting += t.size() <= kTickerLength && !t.contains(u' '); break;
        case ImportField::Name: fitting += !isNumber(t); break;
        case ImportField::Action: fitting += import::readAction(t).tradeWords || !isNumber(t); break;
        }
    }
    return values == 0 ? -1 : double(fitting) / values;
}

constexpr double kFits = 0.5;

// The first value of the column under the header that says buy or sell,
// and where ("'BUY' on line 2"); empty when none does.
QString buyOrSellValue(const CsvTable &table, int headerRow, int column)
{
    const int end = std::min(table.rowCount(), headerRow + 1 + kSampleRows);
    for (int row = headerRow + 1; row < end; ++row)
        if (import::readAction(table.field(row, column)).tradeWords)
            return QStringLiteral("%1 on line %2").arg(quoted(table.field(row, column).trimmed())).arg(table.line(row));
    return {};
}

bool saysBuyOrSell(const CsvTable &table, int headerRow, int column)
{
    return !buyOrSellValue(table, headerRow, column).isEmpty();
}

// Some value of the column under the header says what a row is: buy or
// sell, or a dividend, a fee and the like.
bool saysWhatRowsAre(const CsvTable &table, int headerRow, int column)
{
    const int end = std::min(table.rowCount(), headerRow + 1 + kSampleRows);
    for (int row = headerRow + 1; row < end; ++row) {
        const import::ActionReading a = import::readAction(table.field(row, column));
        if (a.tradeWords || a.what)
            return true;
    }
    return false;
}

// The column whose values say buy or sell, among those not taken by other
// fields (the name's aside, which may tell the action too).
void actionByValues(const CsvTable &table, FileLayout &l)
{
    std::vector<int> found;
    QString example;
    int exampleLine = 0;
    const int end = std::min(table.rowCount(), l.headerRow + 1 + kSampleRows);
    for (int c = 0; c < l.headers.size(); ++c) {
        if (std::find(l.columns.begin(), l.columns.end(), c) != l.columns.end() && c != l.column(ImportField::Name))
            continue;
        bool trade = false, numbers = false;
        for (int row = l.headerRow + 1; row < end && !numbers; ++row) {
            const QString t = table.field(row, c).trimmed();
            numbers = !t.isEmpty() && isNumber(t);
            if (!trade && import::readAction(t).tradeWords) {
                trade = true;
                if (found.empty()) {
                    example = t;
                    exampleLine = table.line(row);
                }
            }
        }
        if (trade && !numbers)
            found.push_back(c);
    }
    std::array<QString, kImportFieldCount> &why = l.columnEvidence;
    const std::size_t a = std::size_t(ImportField::Action);
    if (found.size() == 1) {
        l.columns[a] = found.front();
        why[a] = QStringLiteral("its values say buy or sell (%1 on line %2)").arg(quoted(example)).arg(exampleLine);
        l.columnBy[a] = FileLayout::By::Values;
    } else if (found.size() > 1) {
        l.columns[a] = kAskedColumn;
        why[a] = QStringLiteral("both %1 and %2 hold words of buying or selling")
                     .arg(quoted(l.headers[found[0]]), quoted(l.headers[found[1]]));
    }
}

} // namespace

FileLayout layoutAt(const CsvTable &table, int headerRow)
{
    FileLayout l;
    l.headerRow = headerRow;
    l.headerLine = table.line(headerRow);
    std::vector<Named> named;
    for (int c = 0; c < table.fieldCount(headerRow); ++c) {
        l.headers << table.field(headerRow, c).trimmed();
        named.push_back(namedBy(l.headers.back()));
    }
    const auto taken = [&](int c) { return std::find(l.columns.begin(), l.columns.end(), c) != l.columns.end(); };
    constexpr ImportField kOrder[] = {ImportField::TradeDate, ImportField::Ticker, ImportField::Shares,
                                      ImportField::Price,     ImportField::NetAmount, ImportField::Name,
                                      ImportField::Action};
    for (const ImportField f : kOrder) {
        const std::size_t i = std::size_t(f);
        // The names brokers give the field settle it, the preferred first.
        int best = kNoColumn, rank = INT_MAX;
        for (int c = 0; c < int(named.size()); ++c)
            if (named[std::size_t(c)].known == f && named[std::size_t(c)].rank < rank && !taken(c))
                best = c, rank = named[std::size_t(c)].rank;
        if (best != kNoColumn) {
            l.columns[i] = best;
            l.columnEvidence[i] = QStringLiteral("its heading %1 names it").arg(quoted(l.headers[best]));
            l.columnBy[i] = FileLayout::By::Name;
            continue;
        }
        // Else the words of a heading, where its values fit: of dates, a
        // trade date's before a plain one's, and a date's before a time's;
        // of actions, a column whose values say buy or sell before others.
        std::vector<int> candidates;
        int bestRank = INT_MAX;
        for (int c = 0; c < int(named.size()); ++c) {
            const import::HeadingReading &w = named[std::size_t(c)].words;
            const bool fieldOf = w.tickerOrName ? (f == ImportField::Ticker || f == ImportField::Name) : w.field == f;
            if (!fieldOf || taken(c) || named[std::size_t(c)].known || fit(table, headerRow, c, f) < kFits)
                continue;
            int rank = 0;
            if (f == ImportField::TradeDate) {
                if (w.date != import::DateKind::Trade && w.date != import::DateKind::Plain)
                    continue;
                rank = 2 * (w.date == import::DateKind::Plain) + w.timeOnly;
            } else if (f == ImportField::Action) {
                rank = !saysBuyOrSell(table, headerRow, c);
            }
            if (rank < bestRank)
                candidates.clear(), bestRank = rank;
            if (rank == bestRank)
                candidates.push_back(c);
        }
        const bool needed = std::find(std::begin(kNeeded), std::end(kNeeded), f) != std::end(kNeeded);
        if (candidates.size() == 1) {
            l.columns[i] = candidates.front();
            l.columnEvidence[i] = QStringLiteral("the words of its heading %1 name it, and its values are such")
                                      .arg(quoted(l.headers[candidates.front()]));
            l.columnBy[i] = FileLayout::By::Words;
        } else if (candidates.size() > 1) {
            l.columns[i] = kAskedColumn;
            l.columnEvidence[i] = QStringLiteral("both %1 and %2 could hold %3")
                                      .arg(quoted(l.headers[candidates[0]]), quoted(l.headers[candidates[1]]),
                                           QLatin1String(kNouns[i]));
        } else if (needed) {
            l.columns[i] = kAskedColumn;
            l.columnEvidence[i] = QStringLiteral("no heading names %1").arg(QLatin1String(kNouns[i]));
        } else {
            l.columnEvidence[i] = QStringLiteral("no heading names %1").arg(QLatin1String(kNouns[i]));
        }
    }
    // An action column whose values never say buy or sell gives way to one
    // whose values do ("Type" of ORDER and DIVIDEND beside "Buy / Sell").
    const int action = l.column(ImportField::Action);
    if (action >= 0 && !saysBuyOrSell(table, headerRow, action)) {
        FileLayout other = l;
        other.columns[std::size_t(ImportField::Action)] = kNoColumn;
        actionByValues(table, other);
        if (other.column(ImportField::Action) >= 0)
            l = other;
    }
    // One whose values say nothing of what a row is ("TRD" on every row) is
    // no action column: it would make every row no purchase, whatever the
    // rows' signs say.
    if (const int kept = l.column(ImportField::Action); kept >= 0 && !saysWhatRowsAre(table, headerRow, kept)) {
        l.columns[std::size_t(ImportField::Action)] = kNoColumn;
        l.columnEvidence[std::size_t(ImportField::Action)] =
            QStringLiteral("none of the values of %1 says what a row is").arg(quoted(l.headers[kept]));
        l.columnBy[std::size_t(ImportField::Action)] = FileLayout::By::Nothing;
    }
    if (l.column(ImportField::Action) == kNoColumn)
        actionByValues(table, l);
    if (const int a = l.column(ImportField::Action); a >= 0 && saysBuyOrSell(table, headerRow, a))
        l.actionByValues = QStringLiteral("the values of %1 say buy or sell (%2)")
                               .arg(quoted(l.headers[a]), buyOrSellValue(table, headerRow, a));
    for (int c = 0; c < int(named.size()); ++c) {
        const Named &n = named[std::size_t(c)];
        if (c != l.column(ImportField::TradeDate)
            && (import::isSettlementHeader(l.headers[c]) || (!n.known && n.words.date == import::DateKind::Settlement)))
            l.settlementColumn = c;
    }
    if (const int net = l.column(ImportField::NetAmount); net >= 0)
        l.moneyPaidColumn = named[std::size_t(net)].words.debit;
    for (int c = 0; c < int(named.size()) && l.moneyPaidColumn; ++c)
        if (!taken(c) && import::headingWords(l.headers[c]).contains(u"credit"))
            l.creditColumn = c;
    // The rows of a table among others repeat its name in a column of its own.
    if (!l.headers.isEmpty() && !l.headers[0].isEmpty() && !taken(0) && headerRow + 1 < table.rowCount()
        && table.field(headerRow + 1, 0).trimmed() == l.headers[0]) {
        l.tableColumn = 0;
        l.table = l.headers[0];
    }
    return l;
}

FileLayout findLayout(const CsvTable &table, bool notText)
{
    int firstHeadings = -1;
    bool blank = true;
    const int rows = std::min(table.rowCount(), kHeaderRows);
    for (int row = 0; row < rows; ++row) {
        blank = blank && nonEmptyFields(table, row) == 0;
        if (nonEmptyFields(table, row) < 3)
            continue;
        if (namesTheNeededColumns(table, row)) {
            FileLayout l = layoutAt(table, row);
            l.headerEvidence = QStringLiteral("its headings name the columns of the ticker, the shares and the date");
            l.headingsName = true;
            return l;
        }
        if (firstHeadings < 0 && headsData(table, row))
            firstHeadings = row;
    }
    if (firstHeadings >= 0) {
        FileLayout l = layoutAt(table, firstHeadings);
        l.headerEvidence = QStringLiteral("it is the first line of headings alone over lines of data");
        return l;
    }
    FileLayout l;
    for (int row = rows; row < table.rowCount() && blank; ++row)
        blank = nonEmptyFields(table, row) == 0;
    l.problem = notText ? ReadProblem::NotText : blank ? ReadProblem::Empty : ReadProblem::NoHeader;
    return l;
}

char separatorOf(const QByteArray &utf8, QString *evidence)
{
    QByteArray head = utf8.left(kDetectionBytes);
    if (head.size() < utf8.size())
        head.truncate(std::max<qsizetype>(head.lastIndexOf('\n'), 0));
    char best = ',';
    qsizetype bestColumns = 0;
    constexpr qsizetype kNamed = 1 << 20;
    for (const char separator : {',', ';', '\t'}) {
        const FileLayout layout = findLayout(parseCsv(head, separator));
        // Headings that name the columns count before headings alone.
        const qsizetype columns = layout.hasHeader() ? layout.headers.size() + (layout.headingsName ? kNamed : 0) : 0;
        if (columns > bestColumns) {
            best = separator;
            bestColumns = columns;
        }
    }
    bestColumns %= kNamed;
    if (evidence) {
        const char *const names[] = {"commas", "semicolons", "tabs"};
        const char *name = names[best == ',' ? 0 : best == ';' ? 1 : 2];
        *evidence = bestColumns == 0 ? QStringLiteral("no separator splits a line into headings")
                                     : QStringLiteral("the header line splits into %1 columns at %2")
                                           .arg(bestColumns)
                                           .arg(QLatin1String(name));
    }
    return best;
}

} // namespace tesmo
