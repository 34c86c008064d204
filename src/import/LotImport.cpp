#include "import/LotImport.h"

#include "import/ReadingEvidence.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QHash>
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace tesmo {

namespace {

// How much of the file the separator is detected from.
constexpr qsizetype kDetectionBytes = 256 * 1024;
// How often long work reports its progress, in rows.
constexpr int kProgressRows = 2048;
// How far shares times price may stray from the net amount, as a part of
// the larger of the two, before a row is held back to be checked: more than
// fees explain.
constexpr double kFeesPart = 0.05;

// The field rule's date message, in the date order the file is read in.
QString dateMessage(const QString &message, DateOrder order)
{
    if (order == DateOrder::MonthDayYear)
        return message;
    QString m = message;
    m.replace(QStringLiteral("MM/DD/YY or MM/DD/YYYY"), order == DateOrder::DayMonthYear
                                                             ? QStringLiteral("DD/MM/YY or DD/MM/YYYY")
                                                             : QStringLiteral("YYYY-MM-DD"));
    return m;
}

} // namespace

size_t qHash(const LotKey &key, size_t seed)
{
    return qHashMulti(seed, key.ticker, key.tradeDay, key.shares, key.price, key.netAmount, key.hasPrice,
                      key.hasNetAmount);
}

namespace {

LotKey keyWithout(QDate tradeDate, double shares, std::optional<Ticks> price, std::optional<Ticks> netAmount)
{
    LotKey k;
    k.tradeDay = tradeDate.toJulianDay();
    k.shares = shares == 0 ? 0.0 : shares;   // -0 is 0
    k.hasPrice = price.has_value();
    k.price = price.value_or(0);
    k.hasNetAmount = netAmount.has_value();
    k.netAmount = netAmount.value_or(0);
    return k;
}

// The folded ticker as a number: up to nine ASCII characters, which is
// nearly every ticker, exactly (seven bits each; a ticker holds no NUL);
// others by their 64-bit FNV-1a hash, with the top bit set.
quint64 tickerHash(const char16_t *folded, std::size_t length)
{
    quint64 exact = 0;
    bool ascii = length <= 9;
    for (std::size_t i = 0; i < length && ascii; ++i) {
        ascii = folded[i] < 0x80;
        exact = exact << 7 | folded[i];
    }
    if (ascii)
        return exact;
    quint64 h = 0xcbf29ce484222325ULL;
    for (std::size_t i = 0; i < length; ++i) {
        h = (h ^ (folded[i] & 0xff)) * 0x100000001b3ULL;
        h = (h ^ (folded[i] >> 8)) * 0x100000001b3ULL;
    }
    return h | (quint64(1) << 63);
}

} // namespace

LotKey LotKey::of(QStringView ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                  std::optional<Ticks> netAmount)
{
    LotKey k = keyWithout(tradeDate, shares, price, netAmount);
    const QString folded = foldTicker(ticker.trimmed());
    k.ticker = tickerHash(reinterpret_cast<const char16_t *>(folded.utf16()), std::size_t(folded.size()));
    return k;
}

LotKey LotKey::ofUtf8(std::string_view ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                      std::optional<Ticks> netAmount)
{
    // ASCII, nearly every ticker, folds letter by letter; blanks around it
    // are trimmed as the import trims them.
    char16_t folded[64];
    const auto ascii = std::all_of(ticker.begin(), ticker.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (!ascii || ticker.size() > std::size(folded))
        return of(QString::fromUtf8(ticker.data(), qsizetype(ticker.size())), tradeDate, shares, price, netAmount);
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!ticker.empty() && space(ticker.front()))
        ticker.remove_prefix(1);
    while (!ticker.empty() && space(ticker.back()))
        ticker.remove_suffix(1);
    for (std::size_t i = 0; i < ticker.size(); ++i)
        folded[i] = char16_t(ticker[i] >= 'A' && ticker[i] <= 'Z' ? ticker[i] + ('a' - 'A') : ticker[i]);
    LotKey k = keyWithout(tradeDate, shares, price, netAmount);
    k.ticker = tickerHash(folded, ticker.size());
    return k;
}

LotImport::LotImport(StoredKeys stored)
    : stored_(std::move(stored))
{
}

bool LotImport::read(QIODevice &device, Progress *progress)
{
    // Reading is the first third of the work.
    ProgressSpan reading(progress, 0, 333, std::max<qint64>(device.size(), 1));
    QByteArray bytes;
    const qint64 size = device.size();
    if (!device.isSequential() && size > 0)
        bytes.reserve(qsizetype(size));
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = device.read(buffer, sizeof buffer);
        if (n < 0)
            throw Error(kErrCannotWrite, QStringLiteral("The file could not be read: %1").arg(device.errorString()));
        if (n == 0)
            break;
        bytes.append(buffer, qsizetype(n));
        if (!reading.advance(bytes.size()))
            return false;
    }
    CsvText text = csvText(bytes);
    bytes.clear();
    notText_ = text.notText;
    badLines_ = std::move(text.badLines);
    ProgressSpan rest(progress, 333, 1000, 1000);
    return readText(std::move(text.utf8), &rest);
}

bool LotImport::readText(QByteArray utf8, Progress *progress)
{
    text_ = std::move(utf8);
    // The separator whose head of the file holds a header row; of several,
    // the one that splits the header into the most columns.
    QByteArray head = text_.left(kDetectionBytes);
    if (head.size() < text_.size())
        head.truncate(std::max<qsizetype>(head.lastIndexOf('\n'), 0));
    char best = ',';
    int bestColumns = 0;
    for (const char sep : {',', ';', '\t'}) {
        LotImport probe;
        probe.table_ = *parseCsv(head, sep);
        probe.findHeader();
        if (probe.hasHeader() && probe.headers_.size() > bestColumns) {
            best = sep;
            bestColumns = int(probe.headers_.size());
        }
    }
    return setSeparator(best, progress);
}

bool LotImport::setSeparator(char separator, Progress *progress)
{
    // Splitting is half the work, reading the rows the other half.
    ProgressSpan splitting(progress, 0, 500, std::max<qint64>(text_.size(), 1));
    auto table = parseCsv(text_, separator, &splitting);
    if (!table)
        return false;
    LotImport next(stored_);
    next.table_ = std::move(*table);
    next.notText_ = notText_;
    next.badLines_ = badLines_;
    next.choices_.separator = separator;
    next.findHeader();
    if (next.hasHeader()) {
        const SettledReading r = settleReading(next.table_, next.headerRow_, next.choices_.columns,
                                               next.settlementColumn_, separator);
        next.choices_.decimal = r.decimal;
        next.choices_.dateOrder = r.dateOrder;
        next.decimalEvidence_ = r.decimalEvidence;
        next.dateEvidence_ = r.dateEvidence;
    }
    std::vector<CandidateLot> lots;
    ProgressSpan rows(progress, 500, 1000, 1000);
    if (!next.interpret(next.choices_, lots, &rows))
        return false;
    next.text_ = std::move(text_);
    next.lots_ = std::move(lots);
    *this = std::move(next);
    return true;
}

bool LotImport::setChoices(const ImportChoices &choices, Progress *progress)
{
    ImportChoices c = choices;
    c.separator = choices_.separator;
    std::vector<CandidateLot> lots;
    if (!interpret(c, lots, progress))
        return false;
    // Ticks stay with their lines of the file.
    QSet<int> ticked;
    for (const CandidateLot &l : lots_)
        if (l.ticked)
            ticked.insert(l.line);
    for (CandidateLot &l : lots)
        l.ticked = ticked.contains(l.line) && l.tickable();
    choices_ = c;
    lots_ = std::move(lots);
    return true;
}

// The header row and its columns: the first row that names a ticker, a
// quantity and a date column. Without one, why: no text, no row, or the row
// that names the most columns and the ones it lacks.
void LotImport::findHeader()
{
    headerRow_ = -1;
    headerLine_ = 0;
    headers_.clear();
    missing_.clear();
    settlementColumn_ = kNoColumn;
    constexpr ImportField kNeeded[] = {ImportField::Ticker, ImportField::Shares, ImportField::TradeDate};
    int mostNamed = 1;   // a row that names one column is no header
    bool blank = true;
    for (int row = 0; row < table_.rowCount() && headerRow_ < 0; ++row) {
        std::array<int, kImportFieldCount> rank;
        rank.fill(INT_MAX);
        std::array<int, kImportFieldCount> column;
        column.fill(kNoColumn);
        for (int c = 0; c < table_.fieldCount(row); ++c) {
            int r = 0;
            const QString text = table_.field(row, c);
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
            headerRow_ = row;
            headerLine_ = table_.line(row);
            for (int c = 0; c < table_.fieldCount(row); ++c) {
                headers_ << table_.field(row, c).trimmed();
                if (import::isSettlementHeader(headers_.back()) && c != column[std::size_t(ImportField::TradeDate)])
                    settlementColumn_ = c;
            }
            choices_.columns = column;
            problem_ = ReadProblem::None;
            return;
        }
        if (named > mostNamed) {
            mostNamed = named;
            headerLine_ = table_.line(row);
            missing_.clear();
            std::copy_if(std::begin(kNeeded), std::end(kNeeded), std::back_inserter(missing_), lacking);
        }
    }
    choices_.columns.fill(kNoColumn);
    problem_ = notText_ ? ReadProblem::NotText
               : blank  ? ReadProblem::Empty
               : missing_.empty() ? ReadProblem::NoHeader
                                  : ReadProblem::MissingColumns;
}

// Every data row after the header as a candidate lot. A data row has a
// ticker or a quantity, or (with an action column) an action and a date;
// other rows (totals, disclaimers, a repeated header) are passed over.
bool LotImport::interpret(const ImportChoices &choices, std::vector<CandidateLot> &out,
                          Progress *progress) const
{
    out.clear();
    if (headerRow_ < 0)
        return true;
    const int rows = table_.rowCount();
    const auto col = [&](ImportField f) { return choices.column(f); };
    const bool withAction = col(ImportField::Action) != kNoColumn;
    const auto inPence = [&](ImportField f) { return import::headerInPence(headers_.value(col(f))); };
    const bool pricePence = inPence(ImportField::Price), netPence = inPence(ImportField::NetAmount);
    const QChar decimal = choices.decimal.value_or(u'.');
    // A number read with the decimal separator, else with the other: its
    // sign, and whether two rows hold the same, read either way alike.
    const auto valueOf = [&](const QString &text) -> std::optional<import::ReadNumber> {
        if (auto n = import::readNumber(text, decimal))
            return n;
        return import::readNumber(text, decimal == u'.' ? u',' : u'.');
    };
    const auto signOf = [&](const QString &text) {   // -1, 0 or 1
        const auto n = valueOf(text);
        if (!n || std::all_of(n->plain.begin(), n->plain.end(), [](QChar c) { return c == u'0' || c == u'.'; }))
            return 0;
        return n->negative ? -1 : 1;
    };

    // First the data rows as the file writes them, with what their actions
    // and signs say.
    struct Facts {
        int row;
        import::Action action;
        int amountSign;
        bool negativeShares;
    };
    std::vector<Facts> facts;
    ProgressSpan reading(progress, 0, 500, rows);
    for (int row = headerRow_ + 1; row < rows; ++row) {
        if ((row - headerRow_ - 1) % kProgressRows == 0 && !reading.advance(row))
            return false;
        std::array<QString, kImportFieldCount> raw;
        for (int f = 0; f < kImportFieldCount; ++f)
            raw[std::size_t(f)] = table_.field(row, choices.columns[std::size_t(f)]).trimmed();
        const auto get = [&](ImportField f) -> const QString & { return raw[std::size_t(f)]; };
        const bool data = !get(ImportField::Ticker).isEmpty() || !get(ImportField::Shares).isEmpty()
                          || (withAction && !get(ImportField::Action).isEmpty()
                              && !get(ImportField::TradeDate).isEmpty());
        if (!data || (import::headerField(get(ImportField::Ticker)) == ImportField::Ticker
                      && import::headerField(get(ImportField::Shares)) == ImportField::Shares))
            continue;

        CandidateLot lot;
        lot.line = table_.line(row);
        QString name = get(ImportField::Name).simplified();
        if (characterCount(name) > kNameLength) {
            // Cut at a whole character, as the name box holds it.
            qsizetype units = 0;
            for (int n = 0; n < kNameLength; ++n)
                units += name[units].isHighSurrogate() && units + 1 < name.size() ? 2 : 1;
            name.truncate(units);
        }
        FieldTexts &t = lot.texts;
        t[kName1] = name;
        t[kTicker] = get(ImportField::Ticker);
        t[kNumShares] = get(ImportField::Shares);
        t[kPrice] = get(ImportField::Price);
        t[kNetAmount] = get(ImportField::NetAmount);
        t[kTradeDate] = get(ImportField::TradeDate);
        facts.push_back({row, withAction ? import::actionOf(get(ImportField::Action)) : import::Action::Purchase,
                         signOf(t[kNetAmount]), signOf(t[kNumShares]) < 0});
        out.push_back(std::move(lot));
    }

    // Without actions, the purchases' amounts have the sign of most amounts
    // of the rows with a positive quantity; as many of each sign tell none.
    int negative = 0, positive = 0;
    for (const Facts &f : facts) {
        if (!f.negativeShares && f.amountSign != 0)
            ++(f.amountSign < 0 ? negative : positive);
    }
    const int purchaseSign = withAction ? 0 : negative > positive ? -1 : positive > negative ? 1 : 0;
    const bool signsTellNothing = !withAction && negative > 0 && negative == positive;

    // Each row that undoes a purchase cancels one purchase of the same ticker
    // and shares (and price, where both have one): of the same date if there
    // is one, else the nearest in the file.
    std::vector<int> cancelledBy(out.size(), 0);
    const auto sameValue = [&](const QString &a, const QString &b) {
        const auto x = valueOf(a), y = valueOf(b);
        return x && y ? numberFromText(x->plain) == numberFromText(y->plain) : a == b;
    };
    QMultiHash<QString, std::size_t> purchases;   // by folded ticker, once a row undoes one
    for (std::size_t u = 0; u < out.size(); ++u) {
        if (facts[u].action != import::Action::PurchaseUndone)
            continue;
        if (purchases.isEmpty()) {
            for (std::size_t p = 0; p < out.size(); ++p)
                if (facts[p].action == import::Action::Purchase)
                    purchases.insert(foldTicker(out[p].texts[kTicker]), p);
        }
        const FieldTexts &undo = out[u].texts;
        const auto distance = [&](std::size_t i) {
            return (out[i].texts[kTradeDate] == undo[kTradeDate] ? 0 : 2 * out.size()) + 2 * (i > u ? i - u : u - i)
                   + (i > u);   // of two as near, the earlier
        };
        std::size_t best = out.size();
        for (const std::size_t p : purchases.values(foldTicker(undo[kTicker]))) {
            const FieldTexts &buy = out[p].texts;
            if (cancelledBy[p] || !sameValue(buy[kNumShares], undo[kNumShares])
                || (!buy[kPrice].isEmpty() && !undo[kPrice].isEmpty() && !sameValue(buy[kPrice], undo[kPrice])))
                continue;
            if (best == out.size() || distance(p) < distance(best))
                best = p;
        }
        if (best < out.size())
            cancelledBy[best] = out[u].line;
    }

    ProgressSpan statuses(progress, 500, 1000, qint64(out.size()));
    QSet<LotKey> earlier;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i % kProgressRows == 0 && !statuses.advance(qint64(i)))
            return false;
        CandidateLot &lot = out[i];
        const Facts &f = facts[i];
        const FieldTexts &t = lot.texts;
        const int next = f.row + 1 < rows ? table_.line(f.row + 1) : INT_MAX;
        if (const auto bad = std::lower_bound(badLines_.begin(), badLines_.end(), lot.line);
            bad != badLines_.end() && *bad < next) {
            lot.status = RowStatus::Refused;
            lot.reason = QStringLiteral("Line %1 holds bytes that are not UTF-8 text; it was not read").arg(*bad);
            continue;
        }
        if (f.action != import::Action::Purchase) {
            lot.status = RowStatus::NotAPurchase;
            continue;
        }
        if (!withAction && (f.negativeShares || (f.amountSign != 0 && purchaseSign != 0 && f.amountSign != purchaseSign))) {
            lot.status = RowStatus::NotAPurchase;
            lot.reason = f.negativeShares ? QStringLiteral("its quantity is negative")
                                          : QStringLiteral("its amount's sign is not that of the file's purchases");
            continue;
        }

        // The texts as a user would type them; a text that does not read
        // is handed to the rules in a form that breaks its field's rule. A
        // text that reads differently under a choice not made waits for it.
        FieldTexts typed = t;
        bool decimalOpen = false, dateOpen = false;
        const auto number = [&](int pos, bool columnInPence) {
            const QString &text = t[std::size_t(pos)];
            if (text.isEmpty())
                return;
            const auto n = import::readNumber(text, decimal);
            if (!choices.decimal) {
                const auto other = import::readNumber(text, u',');
                if (n.has_value() != other.has_value() || (n && n->plain != other->plain))
                    decimalOpen = true;
            }
            if (!n || (n->pence && pos == kNumShares))   // shares are never in pence
                typed[std::size_t(pos)] = u'?' + text;
            else   // a purchase's values are positive
                typed[std::size_t(pos)] = n->pence || columnInPence ? import::poundsOfPence(n->plain) : n->plain;
        };
        number(kNumShares, false);
        number(kPrice, pricePence);
        number(kNetAmount, netPence);
        std::optional<QDate> date;
        if (!t[kTradeDate].isEmpty()) {
            date = import::readDate(t[kTradeDate], choices.dateOrder.value_or(DateOrder::MonthDayYear));
            dateOpen = !choices.dateOrder && date != import::readDate(t[kTradeDate], DateOrder::DayMonthYear);
            typed[kTradeDate] = date ? regional::shortDate(*date) : u'?' + t[kTradeDate];
        }
        if (decimalOpen || dateOpen) {
            lot.status = RowStatus::Unsettled;
            lot.reason = decimalOpen && dateOpen ? QStringLiteral("Date order and decimal separator not settled")
                         : dateOpen             ? QStringLiteral("Date order not settled")
                                                : QStringLiteral("Decimal separator not settled");
            continue;
        }
        if (auto broken = firstBrokenRule(typed)) {
            lot.status = RowStatus::Refused;
            lot.reason = broken->field == kTradeDate
                             ? dateMessage(broken->message, choices.dateOrder.value_or(DateOrder::MonthDayYear))
                             : broken->message;
            continue;
        }
        if (characterCount(typed[kTicker]) > kTickerLength) {
            lot.status = RowStatus::Refused;
            lot.reason = QStringLiteral("Please Enter the Ticker Symbol with at most %1 characters").arg(kTickerLength);
            continue;
        }
        lot.texts = typed;
        const double shares = *numberFromText(typed[kNumShares]);
        const auto price = typed[kPrice].isEmpty() ? std::nullopt : moneyFromText(typed[kPrice]);
        const auto netAmount = typed[kNetAmount].isEmpty() ? std::nullopt : moneyFromText(typed[kNetAmount]);
        const LotKey key = LotKey::of(typed[kTicker], *date, shares, price, netAmount);
        if (stored_.contains(key))
            lot.status = RowStatus::Already;
        else if (earlier.contains(key))
            lot.status = RowStatus::Twice;
        earlier.insert(key);
        if (cancelledBy[i]) {
            lot.status = RowStatus::Cancelled;
            lot.reason = QStringLiteral("by line %1").arg(cancelledBy[i]);
        } else if (lot.status == RowStatus::New && signsTellNothing && f.amountSign != 0) {
            lot.status = RowStatus::Check;
            lot.reason = QStringLiteral("as many of the file's amounts are negative as positive, so its purchases "
                                        "are not told from its sales");
        } else if (lot.status == RowStatus::New && price && netAmount) {
            const double cost = shares * ticksToDouble(*price), net = ticksToDouble(*netAmount);
            if (std::abs(cost - net) > kFeesPart * std::max(cost, net)) {
                lot.status = RowStatus::Check;
                lot.reason = QStringLiteral("%1 \u00d7 %2 = %3, net amount %4")
                                 .arg(typed[kNumShares], typed[kPrice], QString::number(cost, 'f', 2),
                                      QString::number(net, 'f', 2));
            }
        }
    }
    statuses.advance(qint64(out.size()));
    return true;
}

void LotImport::setTicked(int index, bool ticked)
{
    CandidateLot &l = lots_[std::size_t(index)];
    if (l.tickable())
        l.ticked = ticked;
}

std::array<int, kRowStatusCount> LotImport::counts() const
{
    std::array<int, kRowStatusCount> n{};
    for (const CandidateLot &l : lots_)
        ++n[std::size_t(l.status)];
    return n;
}

std::vector<FieldTexts> LotImport::chosen() const
{
    std::vector<FieldTexts> v;
    v.reserve(std::size_t(chosenCount()));
    for (const CandidateLot &l : lots_)
        if (choices_.settled() && l.chosen())
            v.push_back(l.texts);
    return v;
}

qsizetype LotImport::chosenCount() const
{
    if (!choices_.settled())
        return 0;
    return std::count_if(lots_.begin(), lots_.end(), [](const CandidateLot &l) { return l.chosen(); });
}

} // namespace tesmo
