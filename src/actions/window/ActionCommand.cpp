#include "actions/window/ActionCommand.h"

#include "sales/SaleWords.h"
#include "store/RecordStore.h"
#include "text/Regional.h"

#include <numeric>

namespace tesmo {

namespace {

QString money(Ticks ticks)
{
    return regional::regionalCurrencyText(ticks);
}

// Cash paid per share may run to the lot's four decimals.
QString perShare(Ticks ticks)
{
    return regional::regionalCurrencyText(ticks, ticks % 100 == 0 ? 2 : 4) + QStringLiteral(" a share");
}

QString onDay(const CorporateAction &a)
{
    return QStringLiteral(" on ") + regional::shortDate(a.day);
}

class StoreActionCommand : public ActionCommand {
public:
    explicit StoreActionCommand(RecordStore &store)
        : store_(store)
    {
        store_.readyToWrite();
        const int at = store_.AbsolutePosition();
        if (at < 0)
            throw Error(kErrNoCurrentLot);
        ticker_ = QString::fromUtf8(store_.rows().lot(std::size_t(at)).ticker);
    }

    QString ticker() const override { return ticker_; }

    CorporateAction plan(const ActionRequest &request, QDate today) const override
    {
        ActionRequest asked = request;
        asked.ticker = ticker_;
        return planAction(asked, store_.rows(), today);
    }

    CorporateAction record(const CorporateAction &planned, const Progress &progress) override
    {
        store_.readyToWrite();
        return store_.RecordAction(planned, progress);
    }

    std::vector<CorporateAction> actions() override { return store_.Actions(ticker_); }
    void checkUndo(const CorporateAction &action) override { store_.CheckUndoAction(action); }
    void undo(const CorporateAction &action, const Progress &progress) override
    {
        store_.readyToWrite();
        store_.UndoAction(action, progress);
    }

    QString phrase(const CorporateAction &a) const override
    {
        const QString cash = a.cash ? perShare(*a.cash) : QString();
        switch (a.kind) {
        case ActionKind::Split:
            return (a.ratio < 1 ? QStringLiteral("the reverse split ") : QStringLiteral("the split ")) + a.ratioText
                   + QStringLiteral(" of ") + a.ticker + onDay(a);
        case ActionKind::TickerChange:
            return QStringLiteral("the change of ") + a.ticker + QStringLiteral(" to ")
                   + (a.newName.isEmpty() ? a.newTicker : a.newTicker + QStringLiteral(" (") + a.newName + u')')
                   + onDay(a);
        case ActionKind::Merger:
            return QStringLiteral("the merger of ") + a.ticker + QStringLiteral(" into ") + a.newTicker
                   + QStringLiteral(", ") + a.ratioText + u',' + onDay(a);
        case ActionKind::CashMerger:
            return QStringLiteral("the merger of ") + a.ticker + QStringLiteral(" for ") + cash + onDay(a);
        case ActionKind::SpinOff:
            return QStringLiteral("the spin-off of ") + a.newTicker + QStringLiteral(" from ") + a.ticker
                   + QStringLiteral(", ") + a.ratioText + QStringLiteral(" and ")
                   + regional::numberText(a.percent.value_or(0)) + QStringLiteral("% of the cost,") + onDay(a);
        case ActionKind::ReturnOfCapital:
            return QStringLiteral("the return of capital of ") + cash + QStringLiteral(" of ") + a.ticker + onDay(a);
        }
        return {};
    }

    QString doneText(const CorporateAction &a) const override
    {
        qint64 changed = 0, made = 0;
        double before = 0, after = 0;
        Ticks gains = 0;
        qint64 gained = 0;
        for (const ActionLot &lot : a.lots) {
            if (lot.made()) {
                ++made;
                continue;
            }
            ++changed;
            before += lot.before ? lot.before->shares : 0;
            after += lot.after.shares;
            if (lot.gain != 0)
                gains += lot.gain, ++gained;
        }
        QString text = QStringLiteral("Recorded ") + phrase(a) + QStringLiteral(": ")
                       + regional::counted(changed, "lot", "lots");
        if (a.kind == ActionKind::Split || a.kind == ActionKind::Merger)
            text += QStringLiteral(", ") + sharesPhrase(before) + QStringLiteral(" became ")
                    + sharesPhrase(after).section(u' ', 0, 0);
        if (made > 0)
            text += QStringLiteral(", ") + regional::counted(made, "new lot", "new lots") + QStringLiteral(" of ")
                    + a.newTicker;
        text += u'.';
        if (!a.sale.empty()) {
            double shares = 0;
            Ticks proceeds = 0, cost = 0;
            for (const SalePart &p : a.sale)
                shares += p.shares, proceeds += p.proceeds, cost += p.cost;
            const Ticks gain = proceeds - cost;
            text += QStringLiteral(" Sold ") + sharesPhrase(shares) + QStringLiteral(" for ") + money(proceeds)
                    + QStringLiteral(": cost ") + money(cost) + (gain < 0 ? QStringLiteral(", loss ")
                                                                            : QStringLiteral(", gain "))
                    + money(gain < 0 ? -gain : gain) + u'.';
        }
        if (gained > 0)
            text += QStringLiteral(" A gain of ") + money(gains) + QStringLiteral(" where the cash went beyond the cost of ")
                    + regional::counted(gained, "lot", "lots") + u'.';
        return text;
    }

private:
    RecordStore &store_;
    QString ticker_;
};

} // namespace

std::unique_ptr<ActionCommand> makeActionCommand(RecordStore &store)
{
    return std::make_unique<StoreActionCommand>(store);
}

} // namespace tesmo
