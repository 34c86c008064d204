#include "import/LotImport.h"

#include "import/ReadingEvidence.h"
#include "text/Error.h"
#include "text/FieldRules.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <climits>
#include <utility>

namespace tesmo {

namespace {

// How often long work reports its progress, in rows.
constexpr int kProgressRows = 2048;

// The line of the row that cancels each candidate, or 0. Each row that undoes
// a purchase cancels one purchase of the same ticker and shares (and price,
// where both have one) as the file writes them: of the same date if there is
// one, else the nearest in the file.
std::vector<int> cancellations(const RowReader &reader, const std::vector<CandidateLot> &out,
                               const std::vector<RowFacts> &facts)
{
    std::vector<int> cancelledBy(out.size(), 0);
    const auto sameValue = [&](const QString &a, const QString &b) {
        const auto x = reader.valueOf(a), y = reader.valueOf(b);
        return x && y ? numberFromText(x->plain) == numberFromText(y->plain) : a == b;
    };
    QMultiHash<QString, std::size_t> purchases;   // by folded ticker, once a row undoes one
    std::vector<FieldTexts> texts;                // likewise, of every purchase and undoing row
    for (std::size_t u = 0; u < out.size(); ++u) {
        if (facts[u].action != import::Action::PurchaseUndone)
            continue;
        if (texts.empty()) {
            texts.resize(out.size());
            for (std::size_t p = 0; p < out.size(); ++p) {
                if (facts[p].action != import::Action::Purchase && facts[p].action != import::Action::PurchaseUndone)
                    continue;
                texts[p] = reader.fileTexts(out[p].row);
                if (facts[p].action == import::Action::Purchase)
                    purchases.insert(foldTicker(texts[p][kTicker]), p);
            }
        }
        const FieldTexts &undo = texts[u];
        const auto distance = [&](std::size_t i) {
            return (texts[i][kTradeDate] == undo[kTradeDate] ? 0 : 2 * out.size()) + 2 * (i > u ? i - u : u - i)
                   + (i > u);   // of two as near, the earlier
        };
        std::size_t best = out.size();
        for (const std::size_t p : purchases.values(foldTicker(undo[kTicker]))) {
            const FieldTexts &buy = texts[p];
            if (cancelledBy[p] || !sameValue(buy[kNumShares], undo[kNumShares])
                || (!buy[kPrice].isEmpty() && !undo[kPrice].isEmpty() && !sameValue(buy[kPrice], undo[kPrice])))
                continue;
            if (best == out.size() || distance(p) < distance(best))
                best = p;
        }
        if (best < out.size())
            cancelledBy[best] = out[u].line;
    }
    return cancelledBy;
}

// The candidates of the rows after the layout's header, each with its
// status: a row is read alone first, then takes its status among the file's
// other rows, the stored lots and the recorded sales. Raises 3112 when the
// progress cancelled.
std::vector<CandidateLot> candidates(const CsvTable &table, const FileLayout &layout, const ImportChoices &choices,
                                     const std::vector<int> &badLines, const StoredKeys &stored,
                                     const StoredSales &storedSales, Progress *progress)
{
    std::vector<CandidateLot> out;
    if (!layout.hasHeader())
        return out;
    const RowReader reader(table, layout.headers, choices);
    const bool withAction = choices.column(ImportField::Action) != kNoColumn;
    const int rows = table.rowCount();

    // Each row alone: what its action and signs say, and how it reads.
    std::vector<RowFacts> facts;
    std::vector<RowReading::Outcome> outcomes;
    out.reserve(std::size_t(rows - layout.headerRow));
    facts.reserve(out.capacity());
    outcomes.reserve(out.capacity());
    ProgressSpan reading(progress, 0, 900, rows);
    for (int row = layout.headerRow + 1; row < rows; ++row) {
        if ((row - layout.headerRow - 1) % kProgressRows == 0 && !reading.advance(row))
            throw Error(kErrUserCancelled);
        std::optional<RowReading> r = reader.read(row);
        if (!r)
            continue;
        CandidateLot &lot = out.emplace_back();
        lot.line = table.line(row);
        lot.row = row;
        lot.reason = std::move(r->reason);
        lot.key = r->key;
        facts.push_back(r->facts);
        outcomes.push_back(r->outcome);
    }

    // Without actions, the purchases' amounts have the sign of most amounts
    // of the rows with a positive quantity; as many of each sign tell none.
    int negative = 0, positive = 0;
    for (const RowFacts &f : facts) {
        if (!f.negativeShares && f.amountSign != 0)
            ++(f.amountSign < 0 ? negative : positive);
    }
    const int purchaseSign = withAction ? 0 : negative > positive ? -1 : positive > negative ? 1 : 0;
    const bool signsTellNothing = !withAction && negative > 0 && negative == positive;

    const std::vector<int> cancelledBy = cancellations(reader, out, facts);

    // The statuses, in the order that tells the most.
    ProgressSpan statuses(progress, 900, 1000, qint64(out.size()));
    QSet<LotKey> earlier;
    earlier.reserve(qsizetype(out.size()));
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i % kProgressRows == 0 && !statuses.advance(qint64(i)))
            throw Error(kErrUserCancelled);
        CandidateLot &lot = out[i];
        const RowFacts &f = facts[i];
        const int next = lot.row + 1 < rows ? table.line(lot.row + 1) : INT_MAX;
        // The reading's reason: why the row is no lot, or a lot's figures.
        QString why = std::exchange(lot.reason, {});
        if (const auto bad = std::lower_bound(badLines.begin(), badLines.end(), lot.line);
            bad != badLines.end() && *bad < next) {
            lot.status = RowStatus::Refused;
            lot.reason = QStringLiteral("Line %1 holds bytes that are not UTF-8 text; it was not read").arg(*bad);
        } else if (f.action == import::Action::Sale
                   || (!withAction
                       && (f.negativeShares
                           || (f.amountSign != 0 && purchaseSign != 0 && f.amountSign != purchaseSign)))) {
            // A sale: its shares and the money received as the file gives
            // them, whatever their signs.
            lot.sale = true;
            lot.key.hasPrice = false;
            lot.key.price = 0;
            if (outcomes[i] != RowReading::Outcome::Lot) {
                lot.status = outcomes[i] == RowReading::Outcome::Unsettled ? RowStatus::Unsettled : RowStatus::Refused;
                lot.reason = std::move(why);
            } else if (!lot.key.hasNetAmount) {
                lot.status = RowStatus::Sale;
                lot.reason = QStringLiteral("the file gives no amount, so its proceeds are not known");
            } else {
                lot.status = storedSales.contains(lot.key) ? RowStatus::Already : RowStatus::Sale;
            }
        } else if (f.action != import::Action::Purchase) {
            lot.status = RowStatus::NotAPurchase;
        } else if (outcomes[i] != RowReading::Outcome::Lot) {
            lot.status = outcomes[i] == RowReading::Outcome::Unsettled ? RowStatus::Unsettled : RowStatus::Refused;
            lot.reason = std::move(why);
        } else {
            if (stored.contains(lot.key))
                lot.status = RowStatus::Already;
            else if (earlier.contains(lot.key))
                lot.status = RowStatus::Twice;
            earlier.insert(lot.key);
            if (cancelledBy[i]) {
                lot.status = RowStatus::Cancelled;
                lot.reason = QStringLiteral("by line %1").arg(cancelledBy[i]);
            } else if (lot.status == RowStatus::New && signsTellNothing && f.amountSign != 0) {
                lot.status = RowStatus::Check;
                lot.reason = QStringLiteral("as many of the file's amounts are negative as positive, so its "
                                            "purchases are not told from its sales");
            } else if (lot.status == RowStatus::New && !why.isEmpty()) {
                lot.status = RowStatus::Check;
                lot.reason = std::move(why);
            }
        }
    }
    statuses.advance(qint64(out.size()));
    return out;
}

} // namespace

LotImport::LotImport(StoredKeys stored, StoredSales sales)
    : stored_(std::move(stored))
    , storedSales_(std::move(sales))
{
}

void LotImport::setSaleMatcher(SaleMatcher matcher)
{
    matcher_ = std::move(matcher);
    matchSales();
}

void LotImport::matchSales()
{
    sales_ = std::count_if(lots_.begin(), lots_.end(), [](const CandidateLot &l) { return l.sale; });
    if (sales_ == 0)
        return;
    for (CandidateLot &l : lots_)
        l.covered = false;
    if (matcher_ && choices_.settled()) {
        for (const SaleMatch &m : matcher_(*this)) {
            CandidateLot &l = lots_[std::size_t(m.index)];
            l.covered = m.covered;
            l.reason = m.reason;
        }
    }
    for (CandidateLot &l : lots_)
        l.ticked = l.ticked && (!l.sale || l.covered);
}

void LotImport::read(QIODevice &device, Progress *progress)
{
    // Reading the bytes is a small part of the work, splitting them and
    // reading the rows the rest.
    ProgressSpan reading(progress, 0, 50, std::max<qint64>(device.size(), 1));
    QByteArray bytes;
    const qint64 size = device.size();
    if (!device.isSequential() && size > 0)
        bytes.reserve(qsizetype(size));
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = device.read(buffer, sizeof buffer);
        if (n < 0)
            throw Error(kErrCannotRead, QStringLiteral("The file could not be read: %1").arg(device.errorString()));
        if (n == 0)
            break;
        bytes.append(buffer, qsizetype(n));
        if (!reading.advance(bytes.size()))
            throw Error(kErrUserCancelled);
    }
    CsvText text = csvText(bytes);
    bytes.clear();
    notText_ = text.notText;
    badLines_ = std::move(text.badLines);
    ProgressSpan rest(progress, 50, 1000, 1000);
    readText(std::move(text.utf8), &rest);
}

void LotImport::readText(QByteArray utf8, Progress *progress)
{
    text_ = std::move(utf8);
    setSeparator(separatorOf(text_), progress);
}

void LotImport::setSeparator(char separator, Progress *progress)
{
    // Splitting takes about a third of the work, reading the rows the rest.
    ProgressSpan splitting(progress, 0, 300, std::max<qint64>(text_.size(), 1));
    CsvTable table = parseCsv(text_, separator, &splitting);
    FileLayout layout = findLayout(table, notText_);
    ImportChoices choices;
    choices.separator = separator;
    choices.columns = layout.columns;
    SettledReading settled;
    if (layout.hasHeader()) {
        settled = settleReading(table, layout, separator);
        choices.decimal = settled.decimal;
        choices.dateOrder = settled.dateOrder;
    }
    ProgressSpan rows(progress, 300, 1000, 1000);
    std::vector<CandidateLot> lots = candidates(table, layout, choices, badLines_, stored_, storedSales_, &rows);
    table_ = std::move(table);
    layout_ = std::move(layout);
    choices_ = choices;
    decimalEvidence_ = settled.decimalEvidence;
    dateEvidence_ = settled.dateEvidence;
    lots_ = std::move(lots);
    matchSales();
}

void LotImport::setChoices(const ImportChoices &choices, Progress *progress)
{
    ImportChoices c = choices;
    c.separator = choices_.separator;
    std::vector<CandidateLot> lots = candidates(table_, layout_, c, badLines_, stored_, storedSales_, progress);
    // Ticks stay with their lines of the file.
    QSet<int> ticked;
    for (const CandidateLot &l : lots_)
        if (l.ticked)
            ticked.insert(l.line);
    for (CandidateLot &l : lots)
        l.ticked = ticked.contains(l.line) && (l.tickable() || l.sale);
    choices_ = c;
    lots_ = std::move(lots);
    matchSales();
}

FieldTexts LotImport::texts(qsizetype index) const
{
    const CandidateLot &lot = lots_[std::size_t(index)];
    const bool readsAsSale = lot.sale && (lot.status == RowStatus::Sale || lot.status == RowStatus::Already);
    if (lot.status != RowStatus::New && !lot.tickable() && !readsAsSale)
        return reader().fileTexts(lot.row);
    return reader().read(lot.row)->typed;
}

void LotImport::setTicked(int index, bool ticked)
{
    CandidateLot &l = lots_[std::size_t(index)];
    if (l.tickable() && l.ticked != ticked) {
        l.ticked = ticked;
        matchSales();
    }
}

std::array<int, kRowStatusCount> LotImport::counts() const
{
    std::array<int, kRowStatusCount> n{};
    for (const CandidateLot &l : lots_)
        ++n[std::size_t(l.status)];
    return n;
}

std::vector<qsizetype> LotImport::chosen() const
{
    std::vector<qsizetype> v;
    v.reserve(std::size_t(chosenCount()));
    for (std::size_t i = 0; i < lots_.size() && choices_.settled(); ++i)
        if (lots_[i].chosen())
            v.push_back(qsizetype(i));
    return v;
}

qsizetype LotImport::chosenCount() const
{
    if (!choices_.settled())
        return 0;
    return std::count_if(lots_.begin(), lots_.end(), [](const CandidateLot &l) { return l.chosen(); });
}

} // namespace tesmo
