#include "import/ImportedActions.h"

#include "import/ActionWords.h"
#include "sales/SalePlan.h"
#include "store/Actions.h"
#include "text/FieldRules.h"
#include "text/Regional.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <bit>
#include <cmath>
#include <tuple>

namespace tesmo {

namespace {

// The terms of a ratio read from a file's figures: a split's are small (3
// for 2, 1 for 20: one of them at most 10), an exchange of shares' may be
// any to three figures (181 for 400).
constexpr int kLargestTerm = 1000;
constexpr int kSmallTerm = 10;

QString sharesText(double shares)
{
    return regional::numberText(shares) + (sameShares(shares, 1) ? " share" : " shares");
}

// The other tickers the words name, held on day: words written in capitals
// (as brokers write tickers), but the row's own ticker.
QStringList namedTickers(const CompanyRow &row, const HeldShares &held)
{
    QStringList named;
    const QString words = row.words;
    for (qsizetype i = 0; i < words.size();) {
        const auto tickerChar = [&](QChar c) { return c.isLetterOrNumber() || c == u'.'; };
        if (!tickerChar(words[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < words.size() && tickerChar(words[end]))
            ++end;
        QString word = words.mid(i, end - i);
        i = end;
        while (word.endsWith(u'.'))
            word.chop(1);
        if (word.isEmpty() || word != word.toUpper() || !std::any_of(word.begin(), word.end(), [](QChar c) { return c.isLetter(); })
            || sameTicker(word, row.ticker))
            continue;
        if (held(word, row.day) > 0
            && std::none_of(named.begin(), named.end(), [&](const QString &t) { return sameTicker(t, word); }))
            named << word;
    }
    return named;
}

quint64 tickerKey(const QString &ticker)
{
    return LotKey::of(ticker, {}, 0, {}, {}).ticker;
}

} // namespace

void sortByDayAndRow(std::vector<qsizetype> &actions, const std::vector<CandidateLot> &lots)
{
    std::sort(actions.begin(), actions.end(), [&](qsizetype a, qsizetype b) {
        const CandidateLot &x = lots[std::size_t(a)], &y = lots[std::size_t(b)];
        return std::tie(x.key.tradeDay, x.row) < std::tie(y.key.tradeDay, y.row);
    });
}

std::optional<QString> wholeRatio(double after, double held, int smaller)
{
    if (!(held > 0) || !(after > 0))
        return std::nullopt;
    for (int old = 1; old <= kLargestTerm; ++old) {
        const double made = std::round(after / held * old);
        if (made < 1 || made > kLargestTerm || std::min(made, double(old)) > smaller)
            continue;
        if (sameShares(held * made / old, after))
            return QStringLiteral("%1 for %2").arg(qint64(made)).arg(old);
    }
    return std::nullopt;
}

Proposal propose(const CompanyRow &row, const HeldShares &held)
{
    using namespace import;
    const QString date = regional::shortDate(row.day);
    const QString what = companyActionText(row.actions);
    Proposal p;
    const auto refuse = [&](const QString &head, const QString &why) {
        p.text = head + QStringLiteral(": ") + why;
        return p;
    };
    const QString head = QStringLiteral("%1 of %2 on %3").arg(what, row.ticker, date);
    if (std::popcount(row.actions) > 1)
        return refuse(head, QStringLiteral("its words read as more than one action; record it with Corporate Action"));
    if (row.tradeWords)
        return refuse(head, QStringLiteral("its words name a purchase or a sale too; record it with Corporate Action"));

    ProposedAction a;
    a.day = row.day;
    switch (row.actions) {
    case kSplitAction:
    case kReverseSplitAction: {
        const bool reverse = row.actions == kReverseSplitAction;
        a.kind = ActionKind::Split;
        a.ticker = row.ticker;
        if (!(row.shares > 0))
            return refuse(head, QStringLiteral("it gives no shares %1").arg(reverse ? "removed" : "added"));
        if (row.sharesSign != 0 && (row.sharesSign < 0) != reverse)
            return refuse(head, reverse ? QStringLiteral("a reverse split removes shares, but its shares are positive")
                                        : QStringLiteral("a split adds shares, but its shares are negative"));
        const double h = held(row.ticker, row.day);
        if (!(h > 0))
            return refuse(head, QStringLiteral("no shares of %1 were held on %2").arg(row.ticker, date));
        const double after = reverse ? h - row.shares : h + row.shares;
        if (!(after > 0) || sameShares(after, 0))
            return refuse(head, QStringLiteral("it removes %1, but only %2 were held")
                                    .arg(sharesText(row.shares), regional::numberText(h)));
        const auto ratio = wholeRatio(after, h, kSmallTerm);
        if (!ratio)
            return refuse(head, QStringLiteral("%1 %2 the %3 held make %4, which is no ratio of small whole numbers")
                                    .arg(sharesText(row.shares), reverse ? "taken from" : "added to",
                                         regional::numberText(h), regional::numberText(after)));
        a.ratio = *ratio;
        p.text = QStringLiteral("%1 %2 of %3 on %4").arg(what, a.ratio, row.ticker, date);
        break;
    }
    case kMergerAction:
    case kSpinOffAction: {
        const bool merger = row.actions == kMergerAction;
        a.kind = merger ? ActionKind::Merger : ActionKind::SpinOff;
        // The row's name may be its description ("OLDCO MERGED INTO NEWCO")
        // rather than the company's: the lots keep their names.
        a.newTicker = row.ticker;
        const QString into = QStringLiteral("%1 %2 %3 on %4").arg(what, merger ? "into" : "of", row.ticker, date);
        if (!(row.shares > 0) || row.sharesSign < 0)
            return refuse(into, QStringLiteral("it gives no shares received; the row of the shares received "
                                               "proposes the %1").arg(what));
        const QStringList named = namedTickers(row, held);
        if (named.isEmpty())
            return refuse(into, QStringLiteral("its words name no other ticker held on %1").arg(date));
        if (named.size() > 1)
            return refuse(into, QStringLiteral("its words name %1, all held on %2").arg(named.join(" and "), date));
        a.ticker = named.front();
        const double h = held(a.ticker, row.day);
        const auto ratio = wholeRatio(row.shares, h);
        const QString of = merger ? QStringLiteral("merger of %1 into %2").arg(a.ticker, row.ticker)
                                  : QStringLiteral("spin-off of %1 from %2").arg(row.ticker, a.ticker);
        if (!ratio)
            return refuse(of + QStringLiteral(" on ") + date,
                          QStringLiteral("%1 received for the %2 held is no ratio of whole numbers")
                              .arg(sharesText(row.shares), regional::numberText(h)));
        a.ratio = *ratio;
        p.text = QStringLiteral("%1, %2, on %3").arg(of, a.ratio, date);
        if (!merger)
            return refuse(p.text, QStringLiteral("the part of %1's cost the new shares take is not in the file; "
                                                 "record it with Corporate Action").arg(a.ticker));
        break;
    }
    case kReturnOfCapitalAction: {
        a.kind = ActionKind::ReturnOfCapital;
        a.ticker = row.ticker;
        if (!row.amount || *row.amount <= 0)
            return refuse(head, QStringLiteral("it gives no amount"));
        const double h = held(row.ticker, row.day);
        if (!(h > 0))
            return refuse(head, QStringLiteral("no shares of %1 were held on %2").arg(row.ticker, date));
        const Ticks perShare = Ticks(std::llround(double(*row.amount) / h));
        // Half a cent, in ticks.
        if (perShare <= 0 || std::abs(double(perShare) * h - double(*row.amount)) >= kTicksPerDollar / 200.0)
            return refuse(head, QStringLiteral("%1 over the %2 held is no amount a share to a hundredth of a cent")
                                    .arg(regional::netAmountText(*row.amount), sharesText(h)));
        a.cash = plainTicksText(perShare);
        p.text = QStringLiteral("%1 of %2 a share of %3 on %4")
                     .arg(what, regional::priceText(perShare), row.ticker, date);
        break;
    }
    default:
        return refuse(head, QStringLiteral("its words name no action"));
    }
    p.action = a;
    return p;
}

CompanyRow companyRow(const LotImport &import, qsizetype index)
{
    const CandidateLot &c = import.lots()[std::size_t(index)];
    const FieldTexts texts = import.reader().fileTexts(c.row);
    const int actionColumn = import.choices().column(ImportField::Action);
    CompanyRow row;
    row.actions = c.company;
    row.ticker = texts[kTicker];
    row.name = texts[kName1];
    row.words = (actionColumn >= 0 ? import.table().field(c.row, actionColumn) : QString()) + u' ' + row.name;
    const RowFacts facts = import.reader().read(c.row)->facts;
    row.tradeWords = facts.action.tradeWords;
    row.shares = std::abs(c.key.shares);
    row.sharesSign = facts.sharesSign;
    row.amount = c.key.hasNetAmount ? std::optional(std::abs(c.key.netAmount)) : std::nullopt;
    row.day = QDate::fromJulianDay(c.key.tradeDay);
    return row;
}

std::vector<RecordedChange> recordedChanges(const QString &databaseName)
{
    std::vector<RecordedChange> recorded;
    for (const LedgerChange &change : readLedgerChanges(databaseName)) {
        RecordedChange &a = recorded.emplace_back();
        a.text = change.title;
        a.day = change.day.toJulianDay();
        a.from = change.from.isValid() ? change.from.toJulianDay() : 0;
        for (const QString &ticker : change.tickers)
            a.tickers.push_back(tickerKey(ticker));
    }
    return recorded;
}

std::vector<SaleMatch> matchActions(const LotImport &import, const LotTable &rows,
                                    const std::vector<RecordedChange> &recorded, std::vector<SaleMatch> &sales)
{
    QSet<qsizetype> covered;
    for (const SaleMatch &m : sales)
        if (m.covered)
            covered.insert(m.index);
    const std::vector<CandidateLot> &lots = import.lots();
    std::vector<qsizetype> actions;
    for (std::size_t i = 0; i < lots.size(); ++i)
        if (lots[i].status == RowStatus::Action && lots[i].key.tradeDay != 0)
            actions.push_back(qsizetype(i));
    if (actions.empty())
        return {};
    sortByDayAndRow(actions, lots);
    // The shares each lot of the ledger and of the file adds, by ticker and
    // day; a ticked sale of the file takes its shares away.
    QHash<quint64, std::vector<std::pair<qint64, double>>> changes;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const LotRow lot = rows.lot(r);
        changes[LotKey::ofUtf8(lot.ticker, {}, 0, {}, {}).ticker].emplace_back(lot.tradeDay, lot.numShares);
    }
    for (const qsizetype i : import.chosen()) {
        const CandidateLot &c = lots[std::size_t(i)];
        if (c.status == RowStatus::Action)
            continue;
        if (!c.sale)
            changes[c.key.ticker].emplace_back(c.key.tradeDay, c.key.shares);
        else if (covered.contains(i))
            changes[c.key.ticker].emplace_back(c.key.tradeDay, -c.key.shares);
    }
    const HeldShares held = [&](const QString &ticker, QDate day) {
        double shares = 0;
        for (const auto &[on, added] : changes.value(tickerKey(ticker)))
            shares += on <= day.toJulianDay() ? added : 0;
        return shares;
    };

    std::vector<SaleMatch> matches;
    // The line and day of a ticked action before, by each ticker it reaches or makes.
    QHash<quint64, std::pair<int, qint64>> reachedBy;
    for (const qsizetype i : actions) {
        const CandidateLot &c = lots[std::size_t(i)];
        const CompanyRow row = companyRow(import, i);
        SaleMatch &m = matches.emplace_back();
        m.index = i;
        // A recorded change of its tickers on or after its day leaves the
        // shares held on it unknown, and may be this very action.
        const Proposal p = propose(row, held);
        const quint64 reached = p.action ? tickerKey(p.action->ticker) : c.key.ticker;
        const auto later = std::find_if(recorded.begin(), recorded.end(), [&](const RecordedChange &a) {
            return a.day >= c.key.tradeDay && a.from <= c.key.tradeDay
                   && std::any_of(a.tickers.begin(), a.tickers.end(),
                                  [&](quint64 t) { return t == c.key.ticker || t == reached; });
        });
        if (later != recorded.end()) {
            m.reason = QStringLiteral("%1 of %2 on %3: the ledger records %4, not before it")
                           .arg(import::companyActionText(row.actions), row.ticker, regional::shortDate(row.day),
                                later->text);
            continue;
        }
        m.reason = p.text;
        m.covered = p.action.has_value();
        if (!p.action)
            continue;
        for (const QString &t : {p.action->ticker, p.action->newTicker}) {
            if (const int line = reachedBy.value(t.isEmpty() ? 0 : tickerKey(t)).first) {
                m.covered = false;
                m.reason += QStringLiteral(": the action on line %1 comes before it; import that one first").arg(line);
                break;
            }
        }
        if (m.covered && c.ticked) {
            for (const QString &t : {p.action->ticker, p.action->newTicker})
                if (!t.isEmpty())
                    reachedBy.insert(tickerKey(t), {c.line, c.key.tradeDay});
        }
    }
    // A sale after a ticked action of its ticker would take from the lots
    // as the action leaves them, which the preview does not work out.
    for (SaleMatch &m : sales) {
        const CandidateLot &c = lots[std::size_t(m.index)];
        const auto before = reachedBy.constFind(c.key.ticker);
        if (m.covered && before != reachedBy.cend() && before->second < c.key.tradeDay) {
            m.covered = false;
            m.reason = QStringLiteral("the action on line %1 comes before it; import that one first").arg(before->first);
        }
    }
    return matches;
}

} // namespace tesmo
