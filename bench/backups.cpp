// Measures the copies of a large ledger: a copy into "Tesmo backups", the
// lot count that the restore's list reads from a copy, a restore (the copy's
// full check, then its pages written into the ledger), and opening the ledger
// after a crash left a journal beside it, its own or another file's (a
// private copy rolled back and checked whole first), with the most room the
// check's copies took. Prints figures; asserts nothing.
//
//   backups [LOTS...]     (default 100000 and 1000000; each ledger is made in a temporary folder)
#include "BenchLedger.h"
#include "store/Backup.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <sqlite3.h>
#include <thread>

namespace {

using bench::millis;

// Copies the ledger at from to to as a writer that died in the middle of a
// change of every lot leaves it: the file, and beside it the hot journal.
void copyMidChange(const QString &from, const QString &to)
{
    sqlite3 *writer = nullptr;
    sqlite3_open(QFile::encodeName(from).constData(), &writer);
    sqlite3_exec(writer, "PRAGMA cache_size = 2; BEGIN; UPDATE Lots SET NumShares = NumShares + 1", nullptr, nullptr,
                 nullptr);
    for (const char *end : {"", "-journal"}) {
        QFile::remove(to + QLatin1String(end));
        QFile::copy(from + QLatin1String(end), to + QLatin1String(end));
    }
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
}

// The most megabytes that the private folders of the check of an unfinished
// change (in the temporary folder or beside the ledger) held while work ran,
// looked at every few milliseconds.
double peakCheckMegabytes(const QString &ledgerFolder, const std::function<void()> &work)
{
    std::atomic<bool> done{false};
    qint64 peak = 0;
    std::thread watch([&] {
        while (!done) {
            qint64 bytes = 0;
            for (const QString &root : {QDir::tempPath(), ledgerFolder})
                for (const QFileInfo &folder : QDir(root).entryInfoList({QStringLiteral("Tesmo-check-*"),
                                                                         QStringLiteral(".Tesmo check *")},
                                                                        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
                    for (const QFileInfo &file : QDir(folder.filePath()).entryInfoList(QDir::Files | QDir::Hidden))
                        bytes += file.size();
            peak = std::max(peak, bytes);
            QThread::msleep(2);
        }
    });
    work();
    done = true;
    watch.join();
    return double(peak) / 1e6;
}

// The milliseconds the engine's full check of the file takes.
double fullCheck(const QString &path)
{
    tesmo::Database db(path, tesmo::Database::Mode::ReadOnly);
    return millis([&] { db.exec("PRAGMA integrity_check"); });
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {100000, 1000000};
    for (const int lots : sizes) {
        QTemporaryDir dir;
        bench::makeLedger(dir, lots);
        const QString ledger = QFileInfo(QStringLiteral("Tesmo.mdb")).absoluteFilePath();
        std::printf("%d lots, %.1f MB\n", lots, double(QFileInfo(ledger).size()) / 1e6);
        const QDateTime now = QDateTime::currentDateTime();
        QString copy;
        std::printf("  copy                        %8.0f ms\n", millis([&] {
                        copy = tesmo::backup::makeCopy(ledger, tesmo::backup::Kind::Daily, now);
                    }));
        std::printf("  lots of the copy            %8.0f ms\n", millis([&] { tesmo::backup::lotsIn(copy); }));
        std::printf("  restore                     %8.0f ms\n", millis([&] { tesmo::backup::restore(ledger, copy); }));

        std::printf("  the full check of a copy    %8.0f ms\n", fullCheck(copy));

        // After a crash: the ledger's own journal, rolled back, and the
        // journal of the ledger beside an older copy put in its place.
        const QString crashed = dir.filePath(QStringLiteral("crashed.mdb"));
        copyMidChange(ledger, crashed);
        double ms = 0;
        double peak = peakCheckMegabytes(dir.path(), [&] { ms = millis([&] { tesmo::Database db(crashed); }); });
        std::printf("  open after a crash          %8.0f ms, the check's copies %.1f MB at most\n", ms, peak);
        {
            tesmo::Database db(copy);
            db.exec("DELETE FROM Lots WHERE ID % 2 = 0; UPDATE Lots SET Ticker = Ticker || 'X'; VACUUM");
        }
        copyMidChange(ledger, crashed);
        QFile::remove(crashed);
        QFile::copy(copy, crashed);
        QString notice;
        peak = peakCheckMegabytes(dir.path(), [&] { ms = millis([&] { notice = tesmo::Database(crashed).notice(); }); });
        std::printf("  open beside another's journal %6.0f ms%s, the check's copies %.1f MB at most\n", ms,
                    notice.isEmpty() ? " (not set aside)" : "", peak);
    }
}
