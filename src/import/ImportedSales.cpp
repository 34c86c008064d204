#include "import/ImportedSales.h"

#include "import/RowReading.h"
#include "store/Database.h"
#include "text/Regional.h"

#include <QSet>
#include <algorithm>
#include <memory>
#include <tuple>

namespace tesmo {

std::vector<qsizetype> salesInOrder(const LotImport &import, const std::vector<qsizetype> &candidates)
{
    const std::vector<CandidateLot> &lots = import.lots();
    std::vector<qsizetype> sales;
    for (const qsizetype i : candidates)
        if (lots[std::size_t(i)].sale)
            sales.push_back(i);
    std::sort(sales.begin(), sales.end(), [&](qsizetype a, qsizetype b) {
        const CandidateLot &x = lots[std::size_t(a)], &y = lots[std::size_t(b)];
        return std::tie(x.key.tradeDay, x.row) < std::tie(y.key.tradeDay, y.row);
    });
    return sales;
}

StoredSales storedSales(const QString &databaseName)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    StoredSales sales;
    for (const SalePart &r : readSales(db))
        sales.add(LotKey::of(r.ticker, r.sold, r.shares, std::nullopt, r.proceeds));
    return sales;
}

namespace {

// "lots 3, 4 and 12", "lot 12": the items after the noun, one or many.
QString named(const char *one, const char *many, const QStringList &items)
{
    return QString::fromUtf8(items.size() == 1 ? one : many) + u' ' + regional::listed(items);
}

// The lots a sale takes from, as its status shows them: "from lot 12 and
// this file's line 7"; the file's lots are named by their lines.
QString fromText(const std::vector<SalePart> &parts, const QHash<LotId, int> &lineOf)
{
    QStringList stored, file;
    for (const SalePart &part : parts) {
        const auto line = lineOf.constFind(part.lot);
        if (line == lineOf.cend())
            stored << QString::number(part.lot);
        else
            file << QString::number(*line);
    }
    QStringList from;
    if (!stored.isEmpty())
        from << named("lot", "lots", stored);
    if (!file.isEmpty())
        from << named("this file's line", "this file's lines", file);
    return QStringLiteral("from ") + from.join(QStringLiteral(" and "));
}

} // namespace

QString whyNotCovered(const SaleRefusal &e, const QString &ticker, QDate sold, double shares,
                      const QHash<LotId, int> &lineOf)
{
    if (e.field() == SaleField::Shares && !e.held() && !(shares > 0 && !sameShares(shares, 0)))
        return QStringLiteral("it sells no shares");
    if (e.field() == SaleField::LotCost && e.lot()) {
        const auto line = lineOf.constFind(*e.lot());
        return (line == lineOf.cend() ? QStringLiteral("lot %1").arg(*e.lot())
                                      : QStringLiteral("this file's line %1").arg(*line))
               + QStringLiteral(" has no net amount and no price, so the cost of its shares is not known");
    }
    if (const auto held = e.held()) {
        if (*held <= 0)
            return QStringLiteral("no shares of %1 were held on %2").arg(ticker, regional::shortDate(sold));
        const bool one = sameShares(*held, 1);
        return QStringLiteral("only %1 of %2 %3 held on %4")
            .arg(regional::numberText(*held) + (one ? " share" : " shares"), ticker, one ? "was" : "were",
                 regional::shortDate(sold));
    }
    return e.description();
}

SaleMatcher saleMatcher(const LotTable &rows, std::vector<RecordedChange> recorded)
{
    // The ledger's lots of each ticker asked for so far, by their keys.
    auto ledger = std::make_shared<QHash<quint64, std::shared_ptr<LotTable>>>();
    return [&rows, ledger, recorded = std::move(recorded)](const LotImport &import) {
        const std::vector<CandidateLot> &lots = import.lots();
        const std::vector<qsizetype> chosen = import.chosen();
        std::vector<qsizetype> all;
        for (std::size_t i = 0; i < lots.size(); ++i) {
            const CandidateLot &c = lots[i];
            if (c.sale && c.key.hasNetAmount && (c.status == RowStatus::Sale || c.status == RowStatus::Already))
                all.push_back(qsizetype(i));
        }
        const std::vector<qsizetype> sales = salesInOrder(import, all);
        QSet<quint64> tickers, missing;
        for (const qsizetype i : sales) {
            tickers.insert(lots[std::size_t(i)].key.ticker);
            if (!ledger->contains(lots[std::size_t(i)].key.ticker))
                missing.insert(lots[std::size_t(i)].key.ticker);
        }
        if (!missing.isEmpty()) {
            for (const quint64 t : std::as_const(missing))
                ledger->insert(t, std::make_shared<LotTable>());
            for (std::size_t r = 0; r < rows.size(); ++r) {
                const LotRow row = rows.lot(r);
                const quint64 t = LotKey::ofUtf8(row.ticker, {}, 0, std::nullopt, std::nullopt).ticker;
                if (missing.contains(t))
                    ledger->value(t)->append(row);
            }
        }

        SalePlanner planner;
        for (const quint64 t : std::as_const(tickers)) {
            const LotTable &stored = *ledger->value(t);
            for (std::size_t r = 0; r < stored.size(); ++r)
                planner.add(stored.lot(r));
        }
        // The file's purchases, after every lot of the ledger, in file order.
        const RowReader reader = import.reader();
        LotId next = rows.size() > 0 ? rows.id(rows.size() - 1) + 1 : 1;
        QHash<LotId, int> lineOf;
        for (const qsizetype i : chosen) {
            const CandidateLot &c = lots[std::size_t(i)];
            if (c.sale || !tickers.contains(c.key.ticker))
                continue;
            const QByteArray ticker = reader.fileTexts(c.row)[kTicker].toUtf8();
            LotRow lot;
            lot.id = next++;
            lot.ticker = {ticker.constData(), std::size_t(ticker.size())};
            lot.tradeDay = std::int32_t(c.key.tradeDay);
            lot.numShares = c.key.shares;
            lot.price = c.key.priceOrNone();
            lot.netAmount = c.key.netAmountOrNone();
            if (planner.add(lot))
                lineOf.insert(lot.id, c.line);
        }

        std::vector<SaleMatch> matches;
        for (const qsizetype i : sales) {
            const CandidateLot &c = lots[std::size_t(i)];
            SaleMatch &m = matches.emplace_back();
            m.index = i;
            const QString ticker = reader.fileTexts(c.row)[kTicker];
            const QDate sold = QDate::fromJulianDay(c.key.tradeDay);
            try {
                const std::vector<SalePart> parts = planner.plan(ticker, sold, c.key.shares, c.key.netAmount);
                m.covered = true;
                m.reason = fromText(parts, lineOf);
                if (c.ticked)
                    planner.take(parts);
            } catch (const SaleRefusal &e) {
                m.reason = whyNotCovered(e, ticker, sold, c.key.shares, lineOf);
            }
        }
        for (SaleMatch &m : matchActions(import, rows, recorded, matches))
            matches.push_back(std::move(m));
        return matches;
    };
}

} // namespace tesmo
