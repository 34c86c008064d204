#include "import/RowStatuses.h"

#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Regional.h"

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
    const auto sameValue = [&](const QString &a, const QString &b, ImportField field) {
        const auto x = reader.valueOf(a, field), y = reader.valueOf(b, field);
        return x && y ? numberFromText(x->plain) == numberFromText(y->plain) : a == b;
    };
    QMultiHash<QString, std::size_t> purchases;   // by folded ticker, once a row undoes one
    std::vector<FieldTexts> texts;                // likewise, of every purchase and undoing row
    for (std::size_t u = 0; u < out.size(); ++u) {
        if (facts[u].action.kind != import::Action::PurchaseUndone)
            continue;
        if (texts.empty()) {
            texts.resize(out.size());
            for (std::size_t p = 0; p < out.size(); ++p) {
                if (facts[p].action.kind != import::Action::Purchase && facts[p].action.kind != import::Action::PurchaseUndone)
                    continue;
                texts[p] = reader.fileTexts(out[p].row);
                if (facts[p].action.kind == import::Action::Purchase)
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
            if (cancelledBy[p] || !sameValue(buy[kNumShares], undo[kNumShares], ImportField::Shares)
                || (!buy[kPrice].isEmpty() && !undo[kPrice].isEmpty()
                    && !sameValue(buy[kPrice], undo[kPrice], ImportField::Price)))
                continue;
            if (best == out.size() || distance(p) < distance(best))
                best = p;
        }
        if (best < out.size())
            cancelledBy[best] = out[u].line;
    }
    return cancelledBy;
}

// Which way a row's money goes, under the sign of a purchase's money.
enum class Money { None, Paid, Received, Open };

Money moneyOf(const RowFacts &f, const ImportChoices &choices)
{
    if (f.amountSign == 0 || choices.purchaseSign == MoneySign::Unsigned)
        return Money::None;
    if (!choices.purchaseSign)
        return Money::Open;
    const int paid = choices.purchaseSign == MoneySign::PaidNegative ? -1 : 1;
    return f.amountSign == paid ? Money::Paid : Money::Received;
}

// What a row is by its words and the signs of its shares and its money.
enum class Kind { Purchase, Sale, NotAPurchase, Refused, WaitsForSign, Company };
struct Told {
    Kind kind;
    QString why;
};

Told tell(const RowFacts &f, Money money, bool withAction, bool negativeQuantity, const QString &actionText)
{
    const import::Action words = f.action.kind;
    const QString said = QStringLiteral("it says '%1', but ").arg(actionText);
    const auto but = [&](const QString &a, const QString &b) {
        return a.isEmpty() ? b : b.isEmpty() ? a : a + QStringLiteral(" and ") + b;
    };
    if (!f.undone.isEmpty())
        return {Kind::NotAPurchase, QStringLiteral("its status says '%1'").arg(f.undone)};
    // A company's action; an exchange or a distribution only of shares received.
    if (import::isCompanyRow(f.action, f.sharesSign))
        return {Kind::Company, {}};
    if (words == import::Action::Other)
        return {Kind::NotAPurchase, f.action.what ? QString::fromUtf8(f.action.what)
                                                  : QStringLiteral("its action '%1' is not a purchase").arg(actionText)};
    if (words == import::Action::PurchaseUndone)
        return {Kind::NotAPurchase, QString::fromUtf8(f.action.what)};
    if (!f.sharesGiven || (f.sharesRead && f.sharesSign == 0)) {
        if (f.action.what)
            return {Kind::NotAPurchase, QString::fromUtf8(f.action.what)};
        if (!f.sharesGiven && withAction && words == import::Action::Purchase)
            return {Kind::Refused, said + QStringLiteral("gives no number of shares")};
        if (!f.sharesGiven)
            return {Kind::NotAPurchase, QStringLiteral("it gives no shares")};
        return {Kind::NotAPurchase, words == import::Action::Sale ? QStringLiteral("it sells no shares")
                                                                   : QStringLiteral("it buys no shares")};
    }
    if (withAction && words == import::Action::Purchase) {
        const QString against = but(f.sharesSign < 0 ? QStringLiteral("its shares are negative") : QString(),
                                    money == Money::Received ? QStringLiteral("money is received") : QString());
        if (!against.isEmpty())
            return {Kind::NotAPurchase, said + against + QStringLiteral(", as a reversed trade has them")};
        return {money == Money::Open ? Kind::WaitsForSign : Kind::Purchase, {}};
    }
    if (words == import::Action::Sale) {
        // Brokers write a sale's shares with either sign; its money tells.
        if (money == Money::Paid)
            return {Kind::NotAPurchase, said + QStringLiteral("money is paid, as a reversed trade has it")};
        return {Kind::Sale, {}};
    }
    // Without an action column: the signs of the shares, where they differ
    // in the file, else of the money.
    if (f.sharesSign < 0)
        return money == Money::Paid ? Told{Kind::NotAPurchase, QStringLiteral("its shares are negative, but money is paid")}
                                    : Told{Kind::Sale, {}};
    if (negativeQuantity && money == Money::Received)
        return {Kind::NotAPurchase, QStringLiteral("its shares are positive, but money is received")};
    if (money == Money::Open)
        return {Kind::WaitsForSign, {}};
    return {money == Money::Received ? Kind::Sale : Kind::Purchase, {}};
}

// The short sales of a file that its later purchases of the same ticker
// cover: for each purchase, the line of the short sale it covers and how
// many of its shares do, else 0.
struct Cover {
    int line = 0;
    double shares = 0;
};
std::vector<Cover> covers(const std::vector<CandidateLot> &out, const std::vector<RowFacts> &facts,
                          const std::vector<RowReading::Outcome> &outcomes)
{
    struct Short {
        qint64 day;
        double left;
        int line;
    };
    QHash<quint64, std::vector<Short>> shorts;
    std::vector<std::size_t> purchases;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (outcomes[i] != RowReading::Outcome::Lot)
            continue;
        const import::ActionReading &a = facts[i].action;
        if (a.kind == import::Action::Other && a.what && QLatin1String(a.what) == QLatin1String("short sale"))
            shorts[out[i].key.ticker].push_back({out[i].key.tradeDay, out[i].key.shares, out[i].line});
        else if (a.kind == import::Action::Purchase && facts[i].sharesSign > 0)
            purchases.push_back(i);
    }
    std::vector<Cover> cover(out.size());
    if (shorts.isEmpty())
        return cover;
    std::stable_sort(purchases.begin(), purchases.end(),
                     [&](std::size_t a, std::size_t b) { return out[a].key.tradeDay < out[b].key.tradeDay; });
    for (const std::size_t p : purchases) {
        double want = out[p].key.shares;
        for (Short &s : shorts[out[p].key.ticker]) {
            if (s.day > out[p].key.tradeDay || s.left <= 0 || want <= 0)
                continue;
            const double taken = std::min(want, s.left);
            s.left -= taken;
            want -= taken;
            cover[p].line = cover[p].line ? cover[p].line : s.line;
            cover[p].shares += taken;
        }
    }
    return cover;
}

} // namespace

std::vector<CandidateLot> candidates(const RowsOfFile &file, Progress *progress)
{
    std::vector<CandidateLot> out;
    const CsvTable &table = file.table;
    const FileLayout &layout = file.layout;
    if (!layout.hasHeader())
        return out;
    const RowReader reader(table, layout, file.choices);
    const int actionColumn = file.choices.column(ImportField::Action);
    const bool withAction = actionColumn >= 0;
    const int rows = table.rowCount();
    const bool columnsOpen = std::find(file.choices.columns.begin(), file.choices.columns.end(), kAskedColumn)
                             != file.choices.columns.end();

    // Each row alone: what its action and signs say, and how it reads.
    std::vector<RowFacts> facts;
    std::vector<RowReading::Outcome> outcomes;
    out.reserve(std::size_t(rows - layout.headerRow));
    facts.reserve(out.capacity());
    outcomes.reserve(out.capacity());
    ProgressSpan reading(progress, 0, 850, rows);
    bool negativeQuantity = false;
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
        negativeQuantity = negativeQuantity || r->facts.sharesSign < 0;
        facts.push_back(r->facts);
        outcomes.push_back(r->outcome);
    }
    const std::vector<int> cancelledBy = cancellations(reader, out, facts);
    const std::vector<Cover> covered = covers(out, facts, outcomes);

    // The statuses, in the order that tells the most.
    ProgressSpan statuses(progress, 850, 1000, qint64(out.size()));
    // The key of the first row of each lot, and, of rows whose lots came
    // before, how many of the same fields: rows alike are lots alike.
    QHash<LotKey, RowKey> earlier;
    earlier.reserve(qsizetype(out.size()));
    QHash<RowKey, int> alike;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i % kProgressRows == 0 && !statuses.advance(qint64(i)))
            throw Error(kErrUserCancelled);
        CandidateLot &lot = out[i];
        const RowFacts &f = facts[i];
        const int next = lot.row + 1 < rows ? table.line(lot.row + 1) : INT_MAX;
        const auto onLine = [&](const std::vector<int> &lines) {
            const auto at = std::lower_bound(lines.begin(), lines.end(), lot.line);
            return at != lines.end() && *at < next ? *at : 0;
        };
        // The reading's reason: why the row is no lot, or a lot's figures.
        QString why = std::exchange(lot.reason, {});
        const RowReading::Outcome outcome = outcomes[i];
        const auto unread = [&] {
            lot.status = outcome == RowReading::Outcome::Unsettled ? RowStatus::Unsettled : RowStatus::Refused;
            lot.reason = std::move(why);
        };
        if (const int bad = onLine(file.badLines)) {
            lot.status = RowStatus::Refused;
            lot.reason = QStringLiteral("Line %1 holds bytes that are not UTF-8 text; it was not read").arg(bad);
            continue;
        }
        if (file.encodingOpen && onLine(file.wideLines)) {
            lot.status = RowStatus::Unsettled;
            lot.reason = QStringLiteral("Encoding not settled");
            continue;
        }
        if (columnsOpen) {
            lot.status = RowStatus::Unsettled;
            lot.reason = QStringLiteral("Columns not settled");
            continue;
        }
        const Told told = tell(f, moneyOf(f, file.choices), withAction, negativeQuantity,
                               withAction ? table.field(lot.row, actionColumn).trimmed() : QString());
        switch (told.kind) {
        case Kind::Company:
            lot.status = RowStatus::Action;
            lot.company = f.action.company ? f.action.company : f.action.companyWithShares;
            if (outcome == RowReading::Outcome::Unsettled) {
                unread();
            } else if (outcome == RowReading::Outcome::Refused) {
                lot.reason = import::companyActionText(lot.company) + QStringLiteral(": ") + why;
            } else {
                // Until the shares held are known: what it names.
                const FieldTexts texts = reader.fileTexts(lot.row);
                lot.reason = QStringLiteral("%1 of %2 on %3")
                                 .arg(import::companyActionText(lot.company), texts[kTicker], texts[kTradeDate]);
            }
            continue;
        case Kind::NotAPurchase:
        case Kind::Refused:
            lot.status = told.kind == Kind::Refused ? RowStatus::Refused : RowStatus::NotAPurchase;
            lot.reason = told.why;
            continue;
        case Kind::WaitsForSign:
            lot.status = RowStatus::Unsettled;
            lot.reason = QStringLiteral("Purchases not settled");
            continue;
        case Kind::Sale:
            // A sale: its shares and the money received as the file gives
            // them, whatever their signs.
            lot.sale = true;
            lot.key.hasPrice = false;
            lot.key.price = 0;
            if (outcome != RowReading::Outcome::Lot) {
                unread();
            } else if (!lot.key.hasNetAmount) {
                lot.status = RowStatus::Sale;
                lot.reason = QStringLiteral("the file gives no amount, so its proceeds are not known");
            } else {
                lot.status = file.storedSales.contains(lot.key) ? RowStatus::Already : RowStatus::Sale;
            }
            continue;
        case Kind::Purchase:
            break;
        }
        if (outcome != RowReading::Outcome::Lot) {
            unread();
            continue;
        }
        // A purchase after a short sale of its ticker in the file covers it.
        if (const Cover &c = covered[i]; c.line > 0) {
            if (c.shares >= lot.key.shares) {
                lot.status = RowStatus::NotAPurchase;
                lot.reason = QStringLiteral("it covers the short sale on line %1").arg(c.line);
                continue;
            }
            why = QStringLiteral("%1 of its shares cover the short sale on line %2")
                      .arg(regional::numberText(c.shares))
                      .arg(c.line);
        }
        // The row's key: a lot that came from it is in the ledger, or was
        // deleted, whatever was done to it since.
        const RowKey first = rowKeyOf(table, lot.row);
        const auto before = earlier.constFind(lot.key);
        const int occurrence = before == earlier.cend() ? 0 : alike[first]++ + (*before == first);
        lot.rowKey = occurrence == 0 ? first : rowKeyOf(table, lot.row, occurrence);
        if (const auto source = file.stored.source(lot.rowKey))
            lot.status = *source ? RowStatus::Already : RowStatus::Deleted;
        else if (file.stored.contains(lot.key))
            lot.status = RowStatus::Already;
        else if (before != earlier.cend())
            lot.status = RowStatus::Twice;
        if (before == earlier.cend())
            earlier.insert(lot.key, first);
        if (cancelledBy[i]) {
            lot.status = RowStatus::Cancelled;
            lot.reason = QStringLiteral("by line %1").arg(cancelledBy[i]);
        } else if (lot.status == RowStatus::New && !why.isEmpty()) {
            lot.status = RowStatus::Check;
            lot.reason = std::move(why);
        }
    }
    statuses.advance(qint64(out.size()));
    return out;
}

} // namespace tesmo
