// The lots of an import written in one transaction, with the sales and the
// records of the file they came from.
#include "store/RecordStore.h"

#include "store/LotReader.h"
#include "text/IsoDate.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

// Binds a lot given as values to the parameters 1 to 6 of an insert, as a
// typed lot's texts convert: an empty name is none.
void bindLot(Statement &s, const LotRow &lot)
{
    if (lot.name.empty())
        s.bindNull(kName1);
    else
        s.bindUtf8(kName1, lot.name);
    s.bindUtf8(kTicker, lot.ticker);
    s.bind(kNumShares, lot.numShares);
    for (const auto &[pos, ticks] : {std::pair(kPrice, lot.price), std::pair(kNetAmount, lot.netAmount)}) {
        if (ticks)
            s.bind(pos, ticksToDouble(*ticks));
        else
            s.bindNull(pos);
    }
    char date[10];
    s.bindUtf8(kTradeDate, {date, std::size_t(writeIsoDate(date, QDate::fromJulianDay(lot.tradeDay)) - date)});
}

// The page cache of a connection, in kibibytes, as large as asked while it
// lives when it is smaller; as it was afterwards.
class LargerCache {
public:
    LargerCache(sqlite3 *db, qint64 kibibytes)
        : db_(db)
    {
        Statement size(db_, "PRAGMA cache_size");
        size.step();
        was_ = size.int64(0);   // negative: kibibytes; positive: pages
        if (was_ > -kibibytes)
            set(-kibibytes);
    }
    ~LargerCache() { set(was_); }
    LargerCache(const LargerCache &) = delete;
    LargerCache &operator=(const LargerCache &) = delete;

private:
    // A cache that stays as it was only makes the writes slower.
    void set(qint64 size)
    {
        sqlite3_exec(db_, ("PRAGMA cache_size = " + QByteArray::number(size)).constData(), nullptr, nullptr, nullptr);
    }
    sqlite3 *db_;
    qint64 was_;
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
    {
        // The ticker index's pages, about 25 bytes a lot, stay in the cache:
        // otherwise each lot reads and writes them through the file
        // (628,000 lots took 7.2 s of processor time so, 4.4 s with them).
        const LargerCache cache(db_->handle(), count / 40);
        Database::Transaction transaction(*db_);
        if (ledgerVersion() != lots.chosenAt())
            readLotKeys(*db_, [&lots](const LotRow &stored) { lots.stillStored(stored); });
        Statement insert(db_->handle(), "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                                        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        ImportRecordWriter records(*db_);
        LotRow lot;
        for (qsizetype i = 0; i < count; ++i) {
            if (i % 1024 == 0 && !report(4 * qint64(i)))
                throw tesmo::Error(kErrUserCancelled);
            if (!lots.lot(i, lot))
                continue;
            bindLot(insert, lot);
            insert.step();
            insert.reset();
            ids.push_back(LotId(sqlite3_last_insert_rowid(db_->handle())));
            if (const std::string_view source = lots.sourceOf(i); !source.empty())
                records.source(ids.back(), source);
        }
        records.finish();
        if (const KeptLayout layout = lots.layoutToKeep(); !layout.header.isEmpty())
            records.layout(layout);
        // The sales, planned against the lots as the file now holds them.
        sales = lots.sales([this](const QString &ticker, const std::function<void(const LotRow &)> &each) {
            readTickerLots(*db_, ticker, each);
        });
        if (!sales.empty())
            sold = writeSales(sales, true);
        report(written);
        transaction.commit();
    }
    followSales(sales, sold);
    report(committed);
    if (ids.empty())
        return 0;
    // The new rows as the file now holds them, in one pass: the IDs given in
    // one transaction are ascending, and none between them is another's.
    Statement read(db_->handle(), "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots "
                                  "WHERE ID BETWEEN ?1 AND ?2 ORDER BY ID");
    read.bind(1, std::int64_t(ids.front())).bind(2, std::int64_t(ids.back()));
    // New IDs are larger than any before, so each joins the end and the
    // current lot keeps its place.
    for (qint64 done = 0; read.step(); ++done) {
        if (done % 1024 == 0)
            report(committed + done);
        const StoredLot lot = readStoredLot(read);
        stored(lot, true);
        lastModified_ = lot.id;
    }
    read.reset();
    report(total);
    return qsizetype(ids.size());
}

} // namespace tesmo
