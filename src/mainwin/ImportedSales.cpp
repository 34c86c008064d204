#include "mainwin/ImportedSales.h"

#include "import/RowReading.h"
#include "store/Database.h"
#include "text/Regional.h"

#include <QSet>
#include <algorithm>
#include <memory>
#include <tuple>

namespace tesmo {

std::vector<SalePart> SaleBook::plan(quint64 ticker, const QString &tickerText, QDate sold, double shares,
                                     Ticks proceeds) const
{
    if (!(shares > 0) || sameShares(shares, 0))
        throw SaleRefusal(SaleField::Shares, QStringLiteral("it sells no shares"));
    static const std::vector<SaleLot> none;
    const auto found = lots_.constFind(ticker);
    const std::vector<SaleLot> &lots = found == lots_.cend() ? none : *found;
    double held = 0;
    for (const SaleLot &lot : lots)
        if (lot.shares > 0 && lot.acquired <= sold)
            held += lot.shares;
    if (shares > held && !sameShares(shares, held))
        throw SaleRefusal(SaleField::Shares,
                          held <= 0 ? QStringLiteral("no shares of %1 were held on %2")
                                          .arg(tickerText, regional::shortDate(sold))
                                    : QStringLiteral("only %1 of %2 %3 held on %4")
                                          .arg(regional::numberText(held) + (sameShares(held, 1) ? " share" : " shares"),
                                               tickerText, sameShares(held, 1) ? "was" : "were",
                                               regional::shortDate(sold)));
    return planSale(lots, sold, shares, proceeds, SaleMethod::FirstIn);
}

void SaleBook::take(quint64 ticker, const std::vector<SalePart> &parts)
{
    std::vector<SaleLot> &lots = lots_[ticker];
    for (const SalePart &part : parts) {
        for (SaleLot &lot : lots) {
            if (lot.id == part.lot) {
                lot.shares = part.sharesLeft;
                lot.netAmount = part.netLeft;
                break;
            }
        }
    }
}

std::optional<SaleLot> saleLotOf(const LotRow &lot)
{
    if (lot.isText(kNumShares) || lot.isText(kTradeDate))
        return std::nullopt;
    SaleLot s;
    s.id = lot.id;
    s.name = QString::fromUtf8(lot.name.data(), qsizetype(lot.name.size()));
    s.ticker = QString::fromUtf8(lot.ticker.data(), qsizetype(lot.ticker.size()));
    s.acquired = QDate::fromJulianDay(lot.tradeDay);
    s.shares = lot.numShares;
    if (!lot.isText(kPrice))
        s.price = lot.price;
    if (!lot.isText(kNetAmount))
        s.netAmount = lot.netAmount;
    return s;
}

SaleToRecord recordOf(const SalePart &part)
{
    SaleToRecord r;
    r.lot = part.lot;
    r.sold = part.sold;
    r.shares = part.shares;
    r.proceeds = part.proceeds;
    r.cost = part.cost;
    r.term = part.term();
    r.sharesLeft = part.sharesLeft;
    r.netLeft = part.netLeft;
    r.wholeLot = part.wholeLot;
    return r;
}

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
    for (const SaleRecord &r : readSales(db))
        sales.add(LotKey::of(r.ticker, r.sold, r.shares, std::nullopt, r.proceeds));
    return sales;
}

namespace {

// "lots 3, 4 and 12", "lot 12": the items after the noun, one or many.
QString named(const char *one, const char *many, const QStringList &items)
{
    QStringList head = items;
    const QString last = head.takeLast();
    return QString::fromUtf8(items.size() == 1 ? one : many) + u' '
           + (head.isEmpty() ? last : head.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last);
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

// Why a sale is not covered, to follow "Sale: ".
QString whyNotCovered(const SaleRefusal &e, const QHash<LotId, int> &lineOf)
{
    if (e.field() == SaleField::LotCost && e.lot()) {
        const auto line = lineOf.constFind(*e.lot());
        return (line == lineOf.cend() ? QStringLiteral("lot %1").arg(*e.lot())
                                      : QStringLiteral("this file's line %1").arg(*line))
               + QStringLiteral(" has no net amount and no price, so the cost of its shares is not known");
    }
    return e.description();
}

} // namespace

SaleMatcher saleMatcher(const LotTable &rows)
{
    // The ledger's lots of each ticker asked for so far.
    auto ledger = std::make_shared<QHash<quint64, std::vector<SaleLot>>>();
    return [&rows, ledger](const LotImport &import) {
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
                (*ledger)[t];
            for (std::size_t r = 0; r < rows.size(); ++r) {
                const LotRow row = rows.lot(r);
                const quint64 t = LotKey::ofUtf8(row.ticker, {}, 0, std::nullopt, std::nullopt).ticker;
                if (missing.contains(t))
                    if (const auto lot = saleLotOf(row))
                        (*ledger)[t].push_back(*lot);
            }
        }

        SaleBook book;
        for (const quint64 t : std::as_const(tickers)) {
            book.know(t);
            for (const SaleLot &lot : ledger->value(t))
                book.add(t, lot);
        }
        // The file's purchases, after every lot of the ledger, in file order.
        const RowReader reader = import.reader();
        LotId next = rows.size() > 0 ? rows.id(rows.size() - 1) + 1 : 1;
        QHash<LotId, int> lineOf;
        for (const qsizetype i : chosen) {
            const CandidateLot &c = lots[std::size_t(i)];
            if (c.sale || !tickers.contains(c.key.ticker))
                continue;
            SaleLot lot;
            lot.id = next++;
            lot.ticker = reader.fileTexts(c.row)[kTicker];
            lot.acquired = QDate::fromJulianDay(c.key.tradeDay);
            lot.shares = c.key.shares;
            lot.price = c.key.priceOrNone();
            lot.netAmount = c.key.netAmountOrNone();
            book.add(c.key.ticker, lot);
            lineOf.insert(lot.id, c.line);
        }

        std::vector<SaleMatch> matches;
        for (const qsizetype i : sales) {
            const CandidateLot &c = lots[std::size_t(i)];
            SaleMatch &m = matches.emplace_back();
            m.index = i;
            try {
                const std::vector<SalePart> parts =
                    book.plan(c.key.ticker, reader.fileTexts(c.row)[kTicker], QDate::fromJulianDay(c.key.tradeDay),
                              c.key.shares, c.key.netAmount);
                m.covered = true;
                m.reason = fromText(parts, lineOf);
                if (c.ticked)
                    book.take(c.key.ticker, parts);
            } catch (const SaleRefusal &e) {
                m.reason = whyNotCovered(e, lineOf);
            }
        }
        return matches;
    };
}

} // namespace tesmo
