// What the tests of the record store share: a ledger folder with a store on
// it, lots as a sale sees them, digests of a ledger's lots, and an engine's
// file system that kills the process at a chosen write.
#pragma once

#include "sales/Cents.h"
#include "sales/LedgerGains.h"
#include "sales/SalePlan.h"
#include "sales/SalePlanner.h"
#include "store/Backup.h"
#include "store/LedgerRestore.h"
#include "store/RecordStore.h"
#include "store/Schema.h"
#include "support/LedgerFolder.h"
#include "support/TextBinding.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>
#include <array>
#include <atomic>
#include <csignal>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tesmo::test {

using enum SaleMethod;

// A digest of every byte of the file at path; "missing" when there is none.
inline QByteArray checksum(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "missing";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Copies the ledger as a writer killed in the middle of sql leaves it: pages
// already spilled into the file, and the hot journal of their earlier contents;
// in write-ahead mode, the change committed in the -wal, not yet in the file.
inline void copyMidWrite(const QString &from, const QString &to, const char *sql, bool wal = false)
{
    sqlite3 *writer = nullptr;
    sqlite3_open(from.toUtf8().constData(), &writer);
    sqlite3_db_config(writer, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_exec(writer, wal ? "PRAGMA journal_mode = WAL" : "PRAGMA cache_size = 2; BEGIN", nullptr, nullptr, nullptr);
    QCOMPARE(sqlite3_exec(writer, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    QVERIFY(QFile::copy(from, to) && QFile::copy(from + (wal ? "-wal" : "-journal"), to + (wal ? "-wal" : "-journal")));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
}

// Every value of every lot, exactly as the file holds it.
inline const char *const kStocksDump = "SELECT quote(ID), quote(Name1), quote(Ticker), quote(NumShares), quote(Price), "
                                "quote(NetAmount), quote(TradeDate) FROM qryStocks";

// The lots of a ticker among rows, as a sale sees them; views into rows.
inline std::vector<LotRow> lotsOf(const LotTable &rows, const QString &ticker)
{
    std::vector<LotRow> lots;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (sameTicker(QString::fromUtf8(rows.lot(i).ticker), ticker))
            lots.push_back(rows.lot(i));
    return lots;
}

const LotRow *byId(const std::vector<LotRow> &lots, LotId id)
{
    const auto found = std::find_if(lots.begin(), lots.end(), [id](const LotRow &l) { return l.id == id; });
    return found == lots.end() ? nullptr : &*found;
}

inline bool holds(const LotRow &l, QDate sold) { return l.numShares > 0 && acquiredOf(l) <= sold; }

// In ticks, as a sale counts it.
inline double costPer(const LotRow &l) { return l.netAmount ? double(*l.netAmount) / l.numShares : double(l.price.value_or(0)); }

// True when a method takes from lot a before lot b, another lot.
inline bool takenBefore(SaleMethod method, const LotRow &a, const LotRow &b)
{
    const bool firstIn = a.tradeDay != b.tradeDay ? a.tradeDay < b.tradeDay : a.id < b.id;
    const bool costA = a.netAmount || a.price, costB = b.netAmount || b.price;   // lots without come last by cost
    if ((method == HighestCost || method == LowestCost) && (costA != costB || (costA && costPer(a) != costPer(b))))
        return costA != costB ? costA : (costPer(a) > costPer(b)) == (method == HighestCost);
    return method == LastIn ? !firstIn : firstIn;
}

inline const QDateTime kNow(QDate(2024, 5, 20), QTime(14, 30, 5));

// The figures for taxes the file keeps are those worked out afresh from its
// lots, sales, returns of capital and linked tickers as they are now; washed,
// when given, counts the rows with a disallowed loss.
inline bool keptAsWorkedOut(RecordStore &store, int *washed = nullptr)
{
    std::vector<SalePart> sales = store.Sales();
    for (const SalePart &gain : store.CapitalReturns())
        sales.push_back(gain);
    std::stable_sort(sales.begin(), sales.end(), [](const SalePart &a, const SalePart &b) {
        return std::pair(a.sold, a.id) < std::pair(b.sold, b.id);
    });
    const TickerFamilies families = store.Families();
    const GainFigures worked = gainRowsOf(heldOfSold(store.rows(), sales, families), sales, store.LotSplits(), families);
    const std::optional<KeptGains> kept = store.GainsKept(std::nullopt);
    if (washed)
        *washed += int(std::count_if(worked.rows.begin(), worked.rows.end(), [](const GainRow &r) { return r.adjustment > 0; }));
    return kept && kept->rows == worked.rows && kept->held == worked.held;
}

// Undoes the sale with a part of that ID as the store lists it, or one the file does not hold.
inline void undo(RecordStore &store, SaleId id)
{
    const auto sales = store.Sales();
    const auto found = std::find_if(sales.begin(), sales.end(), [id](const SalePart &s) { return s.id == id; });
    std::vector<SalePart> sale;
    std::copy_if(sales.begin(), sales.end(), std::back_inserter(sale),
                 [&](const SalePart &s) { return found != sales.end() && s.saleNo == found->saleNo; });
    if (sale.empty())
        sale.push_back({}), sale.back().id = sale.back().saleNo = id;
    store.UndoSale(sale);
}

// SQLite's own file system, each write, truncation, sync and removal of a file counted:
// the one numbered killAt kills the process, as a crash at that moment would.
namespace killing {
inline sqlite3_vfs *real = nullptr, vfs{};
inline std::array<const sqlite3_io_methods *, 4> kinds{};   // of each kind of file (the ledger, a journal) ...
inline std::array<sqlite3_io_methods, 4> counting{};        // ... and the same, counting
inline int left = 0;

// Counts a write of f, and gives the methods of its kind.
const sqlite3_io_methods *counted(sqlite3_file *f)
{
    if (--left == 0)
        ::raise(SIGKILL);
    return kinds[std::size_t(f->pMethods - counting.data())];
}

inline void install(int killAt)
{
    vfs = *(real = sqlite3_vfs_find(nullptr));
    vfs.zName = "killing";
    vfs.xOpen = [](sqlite3_vfs *, const char *name, sqlite3_file *f, int flags, int *out) {
        const int rc = real->xOpen(real, name, f, flags, out);
        if (rc != SQLITE_OK || !f->pMethods)
            return rc;
        std::size_t i = 0;
        while (kinds[i] && kinds[i] != f->pMethods)
            ++i;
        counting[i] = *(kinds[i] = f->pMethods);
        counting[i].xWrite = [](sqlite3_file *f, const void *p, int n, sqlite3_int64 at) {
            return counted(f)->xWrite(f, p, n, at);
        };
        counting[i].xSync = [](sqlite3_file *f, int flags) { return counted(f)->xSync(f, flags); };
        f->pMethods = &counting[i];
        return rc;
    };
    vfs.xDelete = [](sqlite3_vfs *, const char *name, int sync) {
        return --left ? real->xDelete(real, name, sync) : ::raise(SIGKILL);
    };
    left = killAt;
    sqlite3_vfs_register(&vfs, 1);
}
} // namespace killing

// The lots of a ledger file: how many, and a digest of every field of each.
inline QString lotsDigest(const QString &path)
{
    const QString rows = LedgerFolder::queryFile(path, kStocksDump);
    return QStringLiteral("%1 lots %2").arg(rows.count(u'|') + !rows.isEmpty()).arg(
        QString::fromLatin1(QCryptographicHash::hash(rows.toUtf8(), QCryptographicHash::Sha256).toHex()));
}

// A ledger folder, a store open on it, and the Error events it raised.
class StoreFixture : public QObject {
protected:

    std::unique_ptr<LedgerFolder> folder;
    TextBinding binding;
    std::unique_ptr<RecordStore> store;
    QList<int> dataErrors;   // Error events
    QString told;            // what the last of them said

    // Sells the shares of the ticker, first in, from the lots the store holds; none when it fails.
    std::vector<SaleId> sell(const char *ticker, double shares, QDate on = {2024, 6, 1}, Ticks proceeds = 100000)
    {
        std::vector<SaleId> ids;
        errorOf([&] { ids = store->Sell(planSale(ticker, lotsOf(store->rows(), ticker), on, shares, proceeds, FirstIn)); });
        return ids;
    }

    std::unique_ptr<RecordStore> openStore(TextBinding &b)
    {
        auto s = std::make_unique<RecordStore>(QStringLiteral("Tesmo.mdb"), b);
        s->setEvents({{}, {}, [this](const Error &e) {
                          dataErrors << e.number();
                          told = e.description();
                      }, {}});
        s->Open();
        return s;
    }

    void reset()
    {
        binding = TextBinding{};
        dataErrors.clear();
    }
    void close()
    {
        store.reset();
        folder.reset();
    }
};

} // namespace tesmo::test
