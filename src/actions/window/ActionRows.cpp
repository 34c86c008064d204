#include "actions/window/ActionRows.h"

#include "actions/ActionWords.h"
#include "text/Regional.h"

#include <algorithm>

namespace tesmo {

namespace {

QString costText(const std::optional<ActionLotValues> &values)
{
    return values && values->netAmount ? regional::netAmountText(*values->netAmount) : QString();
}

// What the list shows of an action besides its day, kind and lots.
QString figuresOf(const CorporateAction &a)
{
    QStringList parts;
    switch (a.kind) {
    case ActionKind::Split:
        parts << a.ratioText;
        break;
    case ActionKind::TickerChange:
        parts << (QStringLiteral("to ") + a.newTicker + (a.newName.isEmpty() ? QString() : u' ' + a.newName));
        break;
    case ActionKind::Merger:
        parts << a.ratioText + QStringLiteral(" into ") + a.newTicker;
        break;
    case ActionKind::SpinOff:
        parts << a.ratioText + QStringLiteral(" of ") + a.newTicker
                     + QStringLiteral(", %1% of the cost").arg(regional::numberText(a.percent.value_or(0)));
        break;
    case ActionKind::CashMerger:
    case ActionKind::ReturnOfCapital:
        break;
    }
    if (a.cash) {
        const bool perShare = a.kind == ActionKind::CashMerger || a.kind == ActionKind::ReturnOfCapital;
        parts << (perShare ? perShareText(*a.cash) + QStringLiteral(" a share")
                           : QStringLiteral("cash for the fraction ") + perShareText(*a.cash));
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

QStringList actionHeadings()
{
    return {QStringLiteral("Date"), QStringLiteral("Kind"), QStringLiteral("Figures"), QStringLiteral("Lots")};
}

QStringList actionLotHeadings()
{
    return {QStringLiteral("Lot"),         QStringLiteral("Ticker"), QStringLiteral("Bought"),
            QStringLiteral("Shares before"), QStringLiteral("Shares"), QStringLiteral("Cost before"),
            QStringLiteral("Cost"),        QStringLiteral("Gain")};
}

QString actionCell(const CorporateAction &a, int column)
{
    switch (column) {
    case kActionDay:
        return regional::shortDate(a.day);
    case kActionKind:
        return actionKindText(a.kind);
    case kActionFigures:
        return figuresOf(a);
    case kActionLots:
        return QString::number(lotsReached(a));
    }
    return {};
}

QString actionLotCell(const ActionLot &lot, int column)
{
    switch (column) {
    case kLotId:
        return lot.made() ? QStringLiteral("%1 from %2").arg(lot.lot).arg(lot.fromLot) : QString::number(lot.lot);
    case kLotTicker:
        return lot.after.ticker;
    case kLotBought:
        return regional::shortDate(lot.after.tradeDate);
    case kLotSharesBefore:
        return lot.before ? regional::numberText(lot.before->shares) : QString();
    case kLotShares:
        return regional::numberText(lot.after.shares);
    case kLotCostBefore:
        return costText(lot.before);
    case kLotCost:
        return costText(lot.after);
    case kLotGain:
        return lot.gain != 0 ? regional::netAmountText(lot.gain) : QString();
    }
    return {};
}

qint64 lotsReached(const CorporateAction &a)
{
    return std::count_if(a.lots.begin(), a.lots.end(), [](const ActionLot &l) { return !l.made(); });
}

// The action in a phrase: "the split 4 for 1 of ACME on 6/3/2024".
QString actionPhrase(const CorporateAction &a)
{
    const QString day = QStringLiteral(" on ") + regional::shortDate(a.day);
    const QString cash = perShareText(a.cash.value_or(0)) + QStringLiteral(" a share");
    const QString named = a.newName.isEmpty() ? a.newTicker : QStringLiteral("%1 (%2)").arg(a.newTicker, a.newName);
    switch (a.kind) {
    case ActionKind::Split:
        return QStringLiteral("the %1 %2 of %3").arg(a.ratio < 1 ? "reverse split" : "split", a.ratioText, a.ticker) + day;
    case ActionKind::TickerChange:
        return QStringLiteral("the change of %1 to %2").arg(a.ticker, named) + day;
    case ActionKind::Merger:
        return QStringLiteral("the merger of %1 into %2, %3,").arg(a.ticker, named, a.ratioText) + day;
    case ActionKind::CashMerger:
        return QStringLiteral("the merger of %1 for %2").arg(a.ticker, cash) + day;
    case ActionKind::SpinOff:
        return QStringLiteral("the spin-off of %1 from %2, %3,").arg(named, a.ticker, a.ratioText) + day;
    case ActionKind::ReturnOfCapital:
        return QStringLiteral("the return of capital of %1 of %2").arg(cash, a.ticker) + day;
    }
    return {};
}

} // namespace tesmo
