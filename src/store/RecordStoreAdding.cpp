// The lots of an import written in one transaction, with the sales and the
// records of the file they came from.
#include "store/RecordStore.h"

#include "store/LargeWrite.h"
#include "store/LotReader.h"
#include "text/IsoDate.h"

#include <sqlite3.h>

#include <algorithm>

namespace tesmo {

namespace {

// Binds a lot given as values to the parameters base + 1 to base + 6 of an
// insert, as a typed lot's texts convert: an empty name is none.
void bindLot(Statement &s, int base, const LotRow &lot)
{
    if (lot.name.empty())
        s.bindNull(base + kName1);
    else
        s.bindUtf8(base + kName1, lot.name);
    s.bindUtf8(base + kTicker, lot.ticker);
    s.bind(base + kNumShares, lot.numShares);
    s.bindTicks(base + kPrice, lot.price).bindTicks(base + kNetAmount, lot.netAmount);
    s.bindDate(base + kTradeDate, QDate::fromJulianDay(lot.tradeDay));
}

// Writes the lots 64 to a statement, the last ones by finish(), with the row
// of the file each came from. One statement a lot spent a third of a large
// import's writing on the statement itself (the file's ID counter read and
// written, the statement begun and ended) rather than on the lots. The IDs
// of one statement's lots are consecutive: AUTOINCREMENT gives each lot one
// more than the largest ID the table ever held.
class LotWriter {
public:
    static constexpr int kBatch = 64;

    LotWriter(Database &db, LotsToAdd &lots)
        : db_(db)
        , lots_(lots)
        , records_(db)
        , batch_(db.handle(), insertLots(kBatch).constData())
    {
    }
    // Writes lot i, which lots gave as row.
    void add(qsizetype i, const LotRow &row)
    {
        bindLot(batch_, kLotParams * int(pending_.size()), row);
        pending_.push_back(i);
        if (pending_.size() == kBatch)
            write(batch_);
    }
    // Writes the lots added since the last statement, each asked for again.
    void finish()
    {
        if (!pending_.empty()) {
            Statement last(db_.handle(), insertLots(int(pending_.size())).constData());
            LotRow row;
            for (std::size_t k = 0; k < pending_.size(); ++k) {
                lots_.lot(pending_[k], row);
                bindLot(last, kLotParams * int(k), row);
            }
            write(last);
        }
        records_.finish();
    }
    const std::vector<LotId> &ids() const { return ids_; }
    ImportRecordWriter &records() { return records_; }

private:
    static constexpr int kLotParams = 6;

    static QByteArray insertLots(int count)
    {
        return insertRows("INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES",
                          kLotParams, std::size_t(count));
    }

    void write(Statement &s)
    {
        s.step();
        s.reset();
        const LotId last = LotId(sqlite3_last_insert_rowid(db_.handle()));
        const LotId first = last - LotId(pending_.size()) + 1;
        for (std::size_t k = 0; k < pending_.size(); ++k) {
            ids_.push_back(first + LotId(k));
            if (const std::string_view source = lots_.sourceOf(pending_[k]); !source.empty())
                records_.source(ids_.back(), source);
        }
        pending_.clear();
    }

    Database &db_;
    LotsToAdd &lots_;
    ImportRecordWriter records_;
    Statement batch_;
    std::vector<qsizetype> pending_;
    std::vector<LotId> ids_;
};

} // namespace

std::uint64_t RecordStore::ledgerVersion()
{
    requireOpen();
    Statement s(db_->handle(), "PRAGMA data_version");
    s.step();
    return std::uint64_t(s.int64(0));
}

qsizetype RecordStore::AddMany(LotsToAdd &lots, const std::function<bool(qint64 done, qint64 total)> &progress)
{
    requireOpen();
    const qsizetype count = lots.count();
    // The steps in units of about equal time: writing a lot takes four,
    // committing them an eighth of a unit a lot, and a lot read back and
    // reported one.
    const qint64 written = 4 * qint64(count), committed = written + count / 8, total = committed + count;
    const auto report = [&](qint64 done) { return !progress || progress(done, total); };
    std::vector<LotId> ids;
    std::vector<SalePart> sales;
    SalesWritten sold;
    std::vector<LotId> touched;   // the lots of the company's actions
    {
        // The ticker index's pages, about 25 bytes a lot, stay in the cache:
        // otherwise each lot reads and writes them through the file
        // (628,000 lots took 7.2 s of processor time so, 4.4 s with them).
        const LargeWrite large(db_->handle(), count / 40);
        Database::Transaction transaction(*db_);
        if (ledgerVersion() != lots.chosenAt())
            readLotKeys(*db_, [&lots](const LotRow &stored) { lots.stillStored(stored); });
        LotWriter writer(*db_, lots);
        LotRow lot;
        for (qsizetype i = 0; i < count; ++i) {
            if (i % 1024 == 0 && !report(4 * qint64(i)))
                throw tesmo::Error(kErrUserCancelled);
            if (lots.lot(i, lot))
                writer.add(i, lot);
        }
        writer.finish();
        ids = writer.ids();
        if (const KeptLayout layout = lots.layoutToKeep(); !layout.header.isEmpty())
            writer.records().layout(layout);
        // The sales, planned against the lots as the file now holds them,
        // and the company's actions, each after the sales up to its day.
        const TickerLots lotsOf = [this](const QString &ticker, const std::function<void(const LotRow &)> &each) {
            readTickerLots(*db_, ticker, each);
        };
        sales = lots.sales(lotsOf);
        if (!sales.empty())
            sold = writeSales(sales, true);
        const TickerLots namedLotsOf = [this](const QString &ticker, const std::function<void(const LotRow &)> &each) {
            readTickerLots(*db_, ticker, each, true);
        };
        while (const std::optional<CorporateAction> action = lots.nextAction(namedLotsOf)) {
            for (const ActionLot &lot : writeAction(*action, true, nullptr).recorded.lots)
                touched.push_back(lot.lot);
            const std::vector<SalePart> after = lots.sales(lotsOf);
            if (!after.empty())
                writeSales(after, true);
            sales.insert(sales.end(), after.begin(), after.end());
        }
        report(written);
        transaction.commit();
    }
    report(committed);
    // The new rows as written: within the transaction no other program
    // wrote, and the file holds the values bound, so each lot is given
    // again rather than read back. The IDs given in one transaction are
    // ascending and larger than any before, so each joins the end and the
    // current lot keeps its place.
    LotRow lot;
    for (qsizetype i = 0, next = 0; i < count && next < qsizetype(ids.size()); ++i) {
        if (i % 1024 == 0)
            report(committed + i);
        if (!lots.lot(i, lot))
            continue;
        lot.id = ids[std::size_t(next++)];
        lot.nameIsNull = lot.name.empty();
        lot.heldAsText = 0;
        lot.boxAmounts = true;
        added(lot);
    }
    // Then the sales, which may have taken from the new lots too; after a
    // company's action, the lots it and the sales after it changed or made
    // as the file holds them.
    if (touched.empty()) {
        followSales(sales, sold);
    } else {
        for (const SalePart &part : sales)
            touched.push_back(part.lot);
        std::sort(touched.begin(), touched.end());
        touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
        for (const LotId id : touched) {
            if (positionOf(id) >= 0)
                continue;
            try {
                added(readLot(id).row());   // a lot an action made
            } catch (const tesmo::Error &e) {
                if (e.number() != kErrLotGone)
                    throw;
            }
        }
        followFile(touched);
    }
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        if (positionOf(*id) >= 0) {
            lastModified_ = *id;
            break;
        }
    }
    report(total);
    return qsizetype(ids.size());
}

} // namespace tesmo
