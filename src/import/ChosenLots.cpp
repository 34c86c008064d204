#include "import/ChosenLots.h"

#include "actions/ActionPlan.h"
#include "import/ImportedActions.h"
#include "import/ImportedSales.h"
#include "store/Database.h"
#include "store/ImportRecords.h"
#include "store/LotReader.h"

#include <algorithm>
#include <limits>

namespace tesmo {

LotKey keyOf(const LotRow &lot)
{
    return LotKey::ofUtf8(lot.ticker, QDate::fromJulianDay(lot.tradeDay), lot.numShares, lot.price, lot.netAmount);
}

StoredKeys storedKeys(const QString &databaseName, int lots)
{
    StoredKeys keys;
    keys.reserve(lots);
    Database db(databaseName, Database::Mode::ReadOnly);
    const auto add = [&](const LotRow &r) { keys.add(keyOf(r)); };
    readLotKeys(db, add);
    // A lot sold, whole or in part, is in the ledger as it was bought: the
    // same file read again must not bring its shares back.
    readLotsBeforeSales(db, add);
    readLotSources(db, [&](const QByteArray &bytes, bool inLedger) {
        RowKey key{};
        if (bytes.size() == qsizetype(key.size())) {
            std::copy(bytes.begin(), bytes.end(), key.begin());
            keys.addSource(key, inLedger);
        }
    });
    return keys;
}

RememberedLayouts rememberedLayouts(const QString &databaseName)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    RememberedLayouts layouts;
    for (const KeptLayout &kept : readKeptLayouts(db))
        layouts.insert(kept.header, {kept.choices, kept.on});
    return layouts;
}

ChosenLots::ChosenLots(const LotImport &import, std::uint64_t version)
    : import_(import)
    , reader_(import.reader())
    , version_(version)
{
    const std::vector<qsizetype> chosen = import.chosen();
    for (const qsizetype i : chosen) {
        const CandidateLot &c = import.lots()[std::size_t(i)];
        if (c.status == RowStatus::Action)
            actions_.push_back(i);
        else if (!c.sale)
            rows_.push_back(i);
    }
    sales_ = salesInOrder(import, chosen);
    sortByDayAndRow(actions_, import.lots());
    leftOut_.assign(rows_.size(), false);
}

void ChosenLots::stillStored(const LotRow &stored)
{
    if (!indexed_) {
        indexed_ = true;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const CandidateLot &c = import_.lots()[std::size_t(rows_[i])];
            if (c.status == RowStatus::New)
                newRows_.insert(c.key, i);
        }
    }
    const auto found = newRows_.constFind(keyOf(stored));
    if (found != newRows_.cend() && !leftOut_[*found]) {
        leftOut_[*found] = true;
        ++storedMeanwhile_;
    }
}

bool ChosenLots::lot(qsizetype i, LotRow &row)
{
    if (leftOut_[std::size_t(i)])
        return false;
    const CandidateLot &c = import_.lots()[std::size_t(rows_[std::size_t(i)])];
    const auto [name, ticker] = reader_.storedTexts(c.row, held_);
    row.name = name;
    row.nameIsNull = name.empty();
    row.ticker = ticker;
    row.numShares = c.key.shares;
    row.price = c.key.priceOrNone();
    row.netAmount = c.key.netAmountOrNone();
    row.tradeDay = std::int32_t(c.key.tradeDay);
    return true;
}

std::string_view ChosenLots::sourceOf(qsizetype i) const
{
    const RowKey &key = import_.lots()[std::size_t(rows_[std::size_t(i)])].rowKey;
    return {reinterpret_cast<const char *>(key.data()), key.size()};
}

KeptLayout ChosenLots::layoutToKeep() const
{
    const QString choices = import_.layoutText();
    if (choices.isEmpty())
        return {};
    return {import_.layoutKey(), choices, QDate::currentDate()};
}

std::vector<SalePart> ChosenLots::sales(const TickerLots &lotsOf)
{
    SalePlanner planner;
    std::vector<SalePart> parts;
    // The sales up to the next action: those of its day come before it, as
    // the purchases of its day do.
    const qint64 until = nextAction_ < actions_.size() ? import_.lots()[std::size_t(actions_[nextAction_])].key.tradeDay
                                                       : std::numeric_limits<qint64>::max();
    for (; nextSale_ < sales_.size(); ++nextSale_) {
        const qsizetype i = sales_[nextSale_];
        const CandidateLot &c = import_.lots()[std::size_t(i)];
        if (c.key.tradeDay > until)
            break;
        const QString ticker = reader_.fileTexts(c.row)[kTicker];
        if (!planner.knows(ticker)) {
            planner.know(ticker);
            lotsOf(ticker, [&](const LotRow &row) { planner.add(row); });
        }
        const QDate sold = QDate::fromJulianDay(c.key.tradeDay);
        std::vector<SalePart> sale;
        try {
            sale = planner.plan(ticker, sold, c.key.shares, c.key.netAmount);
        } catch (const SaleRefusal &e) {
            throw Error(kErrLotChanged,
                        QStringLiteral("The sale on line %1 can no longer be recorded as the preview showed it, since "
                                       "another program changed the ledger: %2.")
                            .arg(c.line)
                            .arg(whyNotCovered(e, ticker, sold, c.key.shares)));
        }
        planner.take(sale);
        for (SalePart &part : sale)
            part.saleNo = SaleId(i) + 1;   // each sale of the file is one sale
        parts.insert(parts.end(), sale.begin(), sale.end());
    }
    return parts;
}

std::optional<CorporateAction> ChosenLots::nextAction(const TickerLots &lotsOf)
{
    if (nextAction_ == actions_.size())
        return std::nullopt;
    const CandidateLot &c = import_.lots()[std::size_t(actions_[nextAction_++])];
    // Proposed again on the lots as the file holds them now, it must be the
    // action the preview showed.
    const Proposal p = propose(companyRow(import_, actions_[nextAction_ - 1]), [&](const QString &ticker, QDate day) {
        double held = 0;
        lotsOf(ticker, [&](const LotRow &lot) { held += lot.tradeDay <= day.toJulianDay() ? lot.numShares : 0; });
        return held;
    });
    if (!p.action || p.text != c.reason)
        throw Error(kErrLotChanged, QStringLiteral("The company's action on line %1 can no longer be recorded as the "
                                                   "preview showed it, since the ledger changed: it now reads '%2'.")
                                        .arg(c.line)
                                        .arg(p.text));
    ActionRequest request;
    request.kind = p.action->kind;
    request.ticker = p.action->ticker;
    request.day = p.action->day;
    request.ratio = p.action->ratio;
    request.newTicker = p.action->newTicker;
    request.cash = p.action->cash;
    LotTable lots;
    lotsOf(request.ticker, [&](const LotRow &lot) { lots.append(lot); });
    try {
        return planAction(request, lots, QDate::currentDate());
    } catch (const ActionRefusal &e) {
        throw Error(e.number(), QStringLiteral("The company's action on line %1 cannot be recorded: %2")
                                    .arg(c.line)
                                    .arg(e.description()));
    }
}

} // namespace tesmo
