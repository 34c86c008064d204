#include "actions/ActionWords.h"

#include "sales/Cents.h"
#include "sales/HoldingTerm.h"
#include "sales/SaleWords.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <map>

namespace tesmo {

namespace {

// A count of shares with its whole digits grouped, without the word.
QString grouped(double shares)
{
    QString text = sharesPhrase(shares);
    return text.left(text.indexOf(u' '));
}

QString money(Ticks ticks)
{
    return regional::regionalCurrencyText(ticks);
}


// Gains by term, the long first: "gain $5.00 Long, loss $1.25 Short".
QString byTerm(const std::map<QString, Ticks> &gains)
{
    QStringList words;
    for (auto at = gains.begin(); at != gains.end(); ++at)
        words << QStringLiteral("%1 %2 %3")
                     .arg(at->second < 0 ? QStringLiteral("loss") : QStringLiteral("gain"),
                          money(at->second < 0 ? -at->second : at->second), at->first);
    return words.join(QStringLiteral(", "));
}

// The gains of the action's sale by term, and a wash sale's adjustment of
// them: as the figures for taxes count them when rows are given (a washed
// loss's adjustment carried into the shares sold among them), else as sold.
QString saleGains(const CorporateAction &action, const std::vector<GainRow> *rows)
{
    std::map<QString, Ticks> gains;
    Ticks adjustment = 0;
    if (rows) {
        for (const GainRow &r : *rows) {
            gains[r.longTerm ? QStringLiteral("Long") : QStringLiteral("Short")] += r.proceeds - r.costBasis + r.adjustment;
            adjustment += r.adjustment;
        }
    } else {
        for (const SalePart &part : action.sale)
            gains[part.term] += part.gain();
    }
    const QString words = byTerm(gains);
    return adjustment > 0 ? words + QStringLiteral(" after a wash-sale adjustment of %1").arg(money(adjustment))
                          : words;
}

QString saleWords(const CorporateAction &action, const std::vector<GainRow> *rows)
{
    double shares = 0;
    Ticks proceeds = 0;
    for (const SalePart &part : action.sale) {
        shares += part.shares;
        proceeds += part.proceeds;
    }
    return QStringLiteral("cash for %1: %2, %3")
        .arg(sharesPhrase(roundShares(shares)), money(proceeds), saleGains(action, rows));
}

QString lots(qint64 n)
{
    return regional::counted(n, "lot", "lots");
}

} // namespace

QString perShareText(Ticks ticks)
{
    return regional::regionalCurrencyText(ticks, ticks % 100 == 0 ? regional::kCurrencyDecimals : 4);
}

QString actionTitle(const CorporateAction &a)
{
    const QString day = regional::shortDate(a.day);
    const QString named = a.newName.isEmpty() ? a.newTicker : QStringLiteral("%1, %2,").arg(a.newTicker, a.newName);
    switch (a.kind) {
    case ActionKind::Split:
        return QStringLiteral("Split %1 on %2").arg(a.ratioText, day);
    case ActionKind::TickerChange:
        return QStringLiteral("Ticker change to %1 on %2").arg(named, day);
    case ActionKind::Merger:
        return QStringLiteral("Merger into %1 %2 on %3").arg(named, a.ratioText, day);
    case ActionKind::CashMerger:
        return QStringLiteral("Cash merger at %1 a share on %2").arg(perShareText(a.cash.value_or(0)), day);
    case ActionKind::SpinOff:
        return QStringLiteral("Spin-off of %1 %2, %3% of the cost, on %4")
            .arg(named, a.ratioText, regional::numberText(a.percent.value_or(0)), day);
    case ActionKind::ReturnOfCapital:
        return QStringLiteral("Return of capital of %1 a share on %2").arg(perShareText(a.cash.value_or(0)), day);
    }
    return {};
}

QString actionSummary(const CorporateAction &a, const std::vector<GainRow> *saleRows)
{
    qint64 changed = 0, made = 0;
    double before = 0, after = 0, madeShares = 0;
    Ticks madeCost = 0, paid = 0;
    std::map<QString, Ticks> gains;
    for (const ActionLot &lot : a.lots) {
        if (lot.made()) {
            ++made;
            madeShares += lot.after.shares;
            madeCost += lot.after.netAmount.value_or(0);
            continue;
        }
        ++changed;
        before += lot.before->shares;
        after += lot.after.shares;
        if (a.kind == ActionKind::ReturnOfCapital) {
            paid += roundToCent((long double)a.cash.value_or(0) * lot.before->shares);
            if (lot.gain)
                gains[termOf(lot.before->tradeDate, a.day)] += lot.gain;
        }
    }
    before = roundShares(before);
    after = roundShares(after);
    QString words = actionTitle(a) + QStringLiteral(": ") + lots(changed);
    switch (a.kind) {
    case ActionKind::Split:
    case ActionKind::Merger:
        words += QStringLiteral(", %1 become %2").arg(sharesPhrase(before), grouped(after));
        break;
    case ActionKind::TickerChange:
        break;
    case ActionKind::CashMerger: {
        Ticks proceeds = 0;
        for (const SalePart &part : a.sale)
            proceeds += part.proceeds;
        return words + QStringLiteral(", %1 sold for %2, %3.")
                           .arg(sharesPhrase(before), money(proceeds), saleGains(a, saleRows));
    }
    case ActionKind::SpinOff:
        words += QStringLiteral(" make %1 of %2, %3 costing %4")
                     .arg(lots(made), a.newTicker, sharesPhrase(roundShares(madeShares)), money(madeCost));
        break;
    case ActionKind::ReturnOfCapital:
    {
        // What is paid above a lot's cost is its gain, not a cost taken off.
        Ticks gained = 0;
        for (const auto &[term, gain] : gains)
            gained += gain;
        words += QStringLiteral(", %1 returned, cost down %2").arg(money(paid), money(paid - gained));
    }
        if (!gains.empty())
            words += QStringLiteral(", ") + byTerm(gains);
        break;
    }
    if (!a.sale.empty())
        words += QStringLiteral("; ") + saleWords(a, saleRows);
    return words + u'.';
}

} // namespace tesmo
