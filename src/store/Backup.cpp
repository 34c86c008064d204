#include "store/Backup.h"

#include "store/Database.h"
#include "store/PageCopy.h"
#include "store/Sqlite.h"
#include "text/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <dirent.h>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace tesmo::backup {

namespace {

const char *const kStampFormat = "yyyy-MM-dd HH.mm.ss";
const char *const kTempPrefix = ".Tesmo copy ";

constexpr Kind kKinds[] = {Kind::Daily, Kind::BeforeImport, Kind::BeforeRestore};

// The copy that name stands for, when it is one of the names fileName gives.
std::optional<Copy> copyNamed(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^Tesmo (\\d{4}-\\d{2}-\\d{2} \\d{2}\\.\\d{2}\\.\\d{2}) ([a-z ]+?)(?: \\((\\d+)\\))?\\.mdb$"));
    const auto m = pattern.match(name);
    if (!m.hasMatch())
        return {};
    const QDateTime made = QDateTime::fromString(m.captured(1), QString::fromLatin1(kStampFormat));
    const int number = m.hasCaptured(3) ? m.captured(3).toInt() : 1;
    for (const Kind kind : kKinds) {
        // Made again from its parts, the name must come out the same: no
        // "(1)", no "(02)", no time that the clock never shows.
        if (made.isValid() && m.captured(2) == kindName(kind) && fileName(kind, made, number) == name)
            return Copy{name, kind, made, number};
    }
    return {};
}

[[noreturn]] void cannotWrite(const QString &what)
{
    throw Error(kErrCannotWrite, what);
}

// Copies the open ledger into a new file at path; on any failure the file
// is removed.
void copyInto(sqlite3 *source, const QString &path, LockWait &wait)
{
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc == SQLITE_OK) {
            defend(target);
            rc = sqlite3_exec(target, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK)
            cannotWrite(QStringLiteral("The backup copy could not be written: %1")
                            .arg(QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc))));
        copyPages(target, source, wait);
    } catch (const Error &e) {
        sqlite3_close(target);   // a failed copy is removed, whatever closing it says
        QFile::remove(path);     // a file left over is removed with the next copy's leftovers
        if (e.number() == kErrStopped || e.number() == kErrEngineBusy || e.number() == kErrCannotWrite)
            throw;
        cannotWrite(QStringLiteral("The backup copy could not be written: %1").arg(e.description()));
    }
    if (sqlite3_close(target) != SQLITE_OK) {
        QFile::remove(path);   // as above
        cannotWrite(QStringLiteral("The backup copy could not be finished."));
    }
}

} // namespace

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Daily:
        return QStringLiteral("daily");
    case Kind::BeforeImport:
        return QStringLiteral("before import");
    case Kind::BeforeRestore:
        return QStringLiteral("before restore");
    }
    return {};
}

QString folderOf(const QString &ledgerPath)
{
    return QFileInfo(ledgerPath).absoluteDir().filePath(kFolderName);
}

QString fileName(Kind kind, const QDateTime &at, int number)
{
    const QString numbered = number == 1 ? QString() : QStringLiteral(" (%1)").arg(number);
    const QString stamp = at.toString(QString::fromLatin1(kStampFormat));
    return QStringLiteral("Tesmo %1 %2%3.mdb").arg(stamp, kindName(kind), numbered);
}

std::vector<Copy> copies(const QString &folder)
{
    if (DIR *listed = ::opendir(QFile::encodeName(folder).constData()))
        ::closedir(listed);
    else if (errno != ENOENT)
        throw Error(kErrCannotRead, QStringLiteral("The folder \"%1\" cannot be read here (%2), so its copies "
                                                   "cannot be listed.")
                                        .arg(kFolderName, QString::fromLocal8Bit(std::strerror(errno))));
    std::vector<Copy> found;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("Tesmo *.mdb")}, QDir::Files)) {
        const QFileInfo info(dir.filePath(name));
        if (info.isSymLink() || !info.isFile())
            continue;
        if (auto copy = copyNamed(name))
            found.push_back(std::move(*copy));
    }
    std::sort(found.begin(), found.end(), [](const Copy &a, const Copy &b) {
        return std::tie(a.made, a.number, a.name) > std::tie(b.made, b.number, b.name);
    });
    return found;
}

QStringList backups(const QString &folder, Kind kind, const QDateTime &now)
{
    QStringList names, future;
    for (const Copy &c : copies(folder)) {
        if (c.kind == kind)
            (c.made > now ? future : names) << c.name;
    }
    return names + future;
}

bool dailyDue(const QString &ledgerPath, const QDateTime &now)
{
    std::vector<Copy> made;
    try {
        made = copies(folderOf(ledgerPath));
    } catch (const Error &) {
        return true;
    }
    for (const Copy &c : made) {
        if (c.made <= now && c.made.secsTo(now) < 24 * 60 * 60)
            return false;
    }
    return true;
}

UnnamedCopy &UnnamedCopy::operator=(UnnamedCopy &&other) noexcept
{
    if (this != &other) {
        if (!path_.isEmpty())
            QFile::remove(path_);   // one left is removed with the next copy's leftovers
        path_ = std::exchange(other.path_, QString());
    }
    return *this;
}

UnnamedCopy::~UnnamedCopy()
{
    if (!path_.isEmpty())
        QFile::remove(path_);   // as above
}

UnnamedCopy copyLedger(const QString &ledgerPath, const std::atomic<bool> *stop)
{
    LockWait wait(stop);
    try {
        // Opening read-only checks that the file is a Tesmo ledger, without
        // writing to it.
        Database ledger(ledgerPath, Database::Mode::ReadOnly, &wait);

        const QString folder = folderOf(ledgerPath);
        std::error_code why;
        std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), why);
        if (why)
            cannotWrite(QStringLiteral("The folder %1 could not be created: %2.")
                            .arg(folder, QString::fromLocal8Bit(why.message())));
        copies(folder);   // a folder whose copies could never be pruned gets none
        // A name of its own for every copy of the process: the daily copy and
        // a copy before an import can be under way at once.
        static std::atomic<int> made{0};
        const QString temp = QDir(folder).filePath(
            QStringLiteral("%1%2-%3.tmp").arg(QString::fromLatin1(kTempPrefix)).arg(qint64(::getpid())).arg(++made));
        // Files of this name are a dead copy's; one that stays makes the copy fail.
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        // The file made first, so that a folder that takes no file says why
        // in the system's words, which the engine's open does not keep.
        if (QFile made(temp); !made.open(QIODevice::WriteOnly))
            cannotWrite(QStringLiteral("The backup copy could not be made in %1: %2.").arg(folder, made.errorString()));
        copyInto(ledger.handle(), temp, wait);
        return UnnamedCopy(temp);
    } catch (const Error &e) {
        throw plainError(e, wait);
    }
}

QString keepCopy(UnnamedCopy copy, Kind kind, const QDateTime &now, const QString &spare, bool prune)
{
    const QString temp = copy.take();
    const QString folder = QFileInfo(temp).path();
    // Named only once whole; a copy made within the same second gets a number.
    QString name = fileName(kind, now);
    for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name)); ++n)
        name = fileName(kind, now, n);
    const QString path = QDir(folder).filePath(name);
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temp);   // a temporary file left is removed with the next copy's leftovers
        cannotWrite(QStringLiteral("The backup copy %1 could not be named: %2.").arg(path, why));
    }
    syncFolder(QFile::encodeName(folder));
    if (prune)
        backup::prune(folder, kind, now, spare);
    return path;
}

void prune(const QString &folder, Kind kind, const QDateTime &now, const QString &spare)
{
    const QStringList names = backups(folder, kind, now);
    for (qsizetype i = kKeep; i < names.size(); ++i) {
        if (names[i] != spare)
            QFile::remove(QDir(folder).filePath(names[i]));   // one that stays goes with the next copy's pruning
    }
}

QString makeCopy(const QString &ledgerPath, Kind kind, const QDateTime &now, const std::atomic<bool> *stop,
                 const QString &spare)
{
    return keepCopy(copyLedger(ledgerPath, stop), kind, now, spare);
}

qint64 lotsIn(const QString &path)
{
    const std::unique_ptr<Database> copy = openCopy(path);
    Statement count(copy->handle(), "SELECT count(*) FROM Lots");
    count.step();
    return count.int64(0);
}

void removeLeftovers(const QString &ledgerPath)
{
    tesmo::removeLeftovers(folderOf(ledgerPath), QString::fromLatin1(kTempPrefix));
}

DailyCopy::DailyCopy(const QString &ledgerPath, const QDateTime &now, bool holdsLots)
    : ledger_(QFileInfo(ledgerPath).absoluteFilePath())
    , now_(now)
    , due_(holdsLots && dailyDue(ledger_, now))
{
}

std::optional<UnnamedCopy> DailyCopy::make(const std::atomic<bool> *stop) const
{
    removeLeftovers(ledger_);
    if (!due_)
        return std::nullopt;
    return copyLedger(ledger_, stop);
}

void DailyCopy::keep(UnnamedCopy copy) const
{
    keepCopy(std::move(copy), Kind::Daily, now_);
}

} // namespace tesmo::backup
