// Copies of the ledger in the folder "Tesmo backups" beside it, made with
// SQLite's online backup API: a daily copy, a copy before each import and
// one before each restore, the newest ten of each kind kept; and the restore
// of a copy into the ledger the same way. Only a file that opens as a Tesmo
// ledger is ever copied, and a copy appears under its name only once it is
// whole. Files of the folder that Tesmo did not make, by the exact names it
// gives, are the user's and stay.
//
// What may run at once: every function may run on any thread, and two
// copies may be made at once. The daily copy runs copyLedger() off the
// window's thread; the functions that read or make the times in the copies'
// names are called on the window's thread.
#pragma once

#include "text/Error.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tesmo::backup {

inline const QString kFolderName = QStringLiteral("Tesmo backups");
inline constexpr int kKeep = 10;

enum class Kind { Daily, BeforeImport, BeforeRestore };

// "daily", "before import", "before restore".
QString kindName(Kind kind);

// The folder of the backups of the ledger at ledgerPath.
QString folderOf(const QString &ledgerPath);

// The name of a copy made at the given time: "Tesmo 2024-05-01 14.30.05
// daily.mdb"; the second copy of that second is "... daily (2).mdb".
QString fileName(Kind kind, const QDateTime &at, int number = 1);

// A copy of the ledger in the folder: a regular file (not a link) whose name
// is one that fileName gives.
struct Copy {
    QString name;
    Kind kind;
    QDateTime made;   // the time in its name
    int number;       // among the copies of that second, from 1
};

// Every copy in the folder, newest first by the time in its name (of the same
// time, by name, backwards); none when
// there is no folder. Raises Error 3113 when the folder is there but cannot
// be listed.
std::vector<Copy> copies(const QString &folder);

// The names of the copies of a kind in the order pruning keeps them: newest
// first, then those stamped later than now (made while the clock was wrong),
// which thus go first once there are more than kKeep.
QStringList backups(const QString &folder, Kind kind, const QDateTime &now = QDateTime::currentDateTime());

// True when the folder holds no copy of any kind made in the day up to now;
// a copy stamped later than now does not count. True as well when the
// folder cannot be listed, so that the copy tells why it cannot be made.
bool dailyDue(const QString &ledgerPath, const QDateTime &now);

// A copy of the ledger made and not yet named: a temporary file in the
// backup folder, removed with this object unless it was kept.
class UnnamedCopy {
public:
    explicit UnnamedCopy(const QString &path)
        : path_(path)
    {
    }
    UnnamedCopy(UnnamedCopy &&other) noexcept
        : path_(std::exchange(other.path_, QString()))
    {
    }
    UnnamedCopy &operator=(UnnamedCopy &&other) noexcept;
    ~UnnamedCopy();
    // The path, which is then no longer removed.
    QString take() { return std::exchange(path_, QString()); }

private:
    QString path_;
};

// Copies the ledger into a temporary file of its backup folder (made when
// missing). Locks of other programs are waited for five seconds in all;
// stop, once set, ends the copy within a step. Raises Error: 3105 for a file
// that is not a Tesmo ledger (nothing is copied), 3109 when the folder or
// the copy cannot be written, or the folder cannot be listed (its copies
// could never be pruned), 3005 when another program held the ledger
// locked, 3114 when stopped, an engine error when the ledger cannot be read;
// no half-made copy is left behind.
UnnamedCopy copyLedger(const QString &ledgerPath, const std::atomic<bool> *stop = nullptr);

// Names the copy after now and its kind, and, with prune, removes all but
// the first kKeep copies of that kind as prune() does. Returns the copy's
// path; raises Error 3109 when it cannot be named.
QString keepCopy(UnnamedCopy copy, Kind kind, const QDateTime &now, const QString &spare = {}, bool prune = true);

// Removes all but the first kKeep copies of the kind in the order of
// backups(), sparing the file named spare.
void prune(const QString &folder, Kind kind, const QDateTime &now, const QString &spare = {});

// The two at once.
QString makeCopy(const QString &ledgerPath, Kind kind, const QDateTime &now, const std::atomic<bool> *stop = nullptr,
                 const QString &spare = {});

// The number of lots of the copy at path, read without writing to it.
// Raises Error why it does not open as a ledger: 3105 when it is not a
// Tesmo ledger, 3011 when it is damaged, an engine error otherwise.
qint64 lotsIn(const QString &path);

// Writes the copy at copyPath into the ledger at ledgerPath in one
// transaction of the ledger's own, so that the ledger is the copy whole or,
// after a failure, a cancel or a crash, as it was. The copy is first copied
// beside the ledger and checked whole there, and that private copy is what
// is written in: in the ledger's journal mode (the ledger, when it is in
// write-ahead mode and no other connection has it open, goes back to its
// rollback journal), and with the ledger's counters of the IDs it has given,
// where they are higher, in the same transaction, so that no lot or sale ID
// given before the restore is given again. The counters are read while no
// other connection can write in between. keep, when given, is called once the
// copy is found whole, before the ledger is touched; an error it raises ends
// the restore. progress(done, total) reports pages copied, 0 while the check
// runs; false from it is the user's Cancel. Raises Error, the ledger
// unchanged: 3112 when the user cancelled, 3105 when either file is not a
// ledger, 3011 when the copy is damaged, 3113 when the copy is the ledger
// itself under another name, 3108 when the ledger cannot be written here,
// 3005 when another program held it locked for five seconds, an engine
// error otherwise; a copy that is not a ledger, or damaged, is named so.
void restore(const QString &ledgerPath, const QString &copyPath,
             const std::function<bool(qint64 done, qint64 total)> &progress = {},
             const std::function<void()> &keep = {});

// The error of a restore that did not begin because the ledger as it was
// could not be kept first.
class NotKept : public Error {
public:
    using Error::Error;
};

// A restore as the user asks for it: the copy named copyName of the backups
// folder is checked, the ledger as it is kept as a "before restore" copy,
// the copy written in, and only then are the "before restore" copies pruned,
// the restored one spared. A restore that fails adds no copy: the one made for
// it is removed. Returns the path of the "before restore" copy; raises
// NotKept when it could not be made, else as restore() does.
QString restoreCopy(const QString &ledgerPath, const QString &copyName, const QDateTime &now,
                    const std::function<bool(qint64 done, qint64 total)> &progress = {});

// Removes the temporary files of copies whose process no longer runs.
void removeLeftovers(const QString &ledgerPath);

// The daily copy of the ledger at ledgerPath: due when the ledger holds lots
// and the folder holds no copy made in the day up to now. make() runs off the
// window's thread, keep() on it.
class DailyCopy {
public:
    // Reads whether a copy is due at now.
    DailyCopy(const QString &ledgerPath, const QDateTime &now, bool holdsLots);

    // Removes the leftovers of copies cut short, then copies the ledger when
    // a copy is due; none when it is not. Raises Error as copyLedger does.
    std::optional<UnnamedCopy> make(const std::atomic<bool> *stop) const;
    // Names the copy made as a daily copy of now. Raises Error as keepCopy.
    void keep(UnnamedCopy copy) const;

private:
    QString ledger_;
    QDateTime now_;
    bool due_;
};

} // namespace tesmo::backup
