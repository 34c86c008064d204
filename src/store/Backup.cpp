#include "store/Backup.h"

#include "store/Database.h"
#include "text/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <sqlite3.h>
#include <unistd.h>

namespace tesmo::backup {

namespace {

const char *const kStampFormat = "yyyy-MM-dd HH.mm.ss";

QString kindWord(Kind kind)
{
    return kind == Kind::Daily ? QStringLiteral("daily") : QStringLiteral("before import");
}

// The time in a copy's name, and its number among the copies of that second
// ("... daily (2).mdb"; 1 without one); an invalid time for other names.
std::pair<QDateTime, int> stampOf(const QString &name, Kind kind)
{
    static const QRegularExpression pattern(
        QStringLiteral("^Tesmo (\\d{4}-\\d{2}-\\d{2} \\d{2}\\.\\d{2}\\.\\d{2}) (daily|before import)(?: \\((\\d+)\\))?\\.mdb$"));
    const auto m = pattern.match(name);
    if (!m.hasMatch() || m.captured(2) != kindWord(kind))
        return {};
    return {QDateTime::fromString(m.captured(1), QString::fromLatin1(kStampFormat)),
            m.hasCaptured(3) ? m.captured(3).toInt() : 1};
}

[[noreturn]] void cannotWrite(const QString &what)
{
    throw Error(kErrCannotWrite, what);
}

// Copies the open ledger into a new file at path with the online backup API.
void copyInto(sqlite3 *source, const QString &path)
{
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_exec(target, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        sqlite3_backup *copy = sqlite3_backup_init(target, "main", source, "main");
        if (!copy) {
            rc = sqlite3_errcode(target);
        } else {
            // The ledger is read a few pages at a time, so that a program
            // writing to it meanwhile waits only briefly; a change it makes
            // starts the copy over.
            do {
                rc = sqlite3_backup_step(copy, 1024);
                if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                    sqlite3_sleep(20);
            } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
            sqlite3_backup_finish(copy);
            if (rc == SQLITE_DONE)
                rc = sqlite3_errcode(target);
        }
    }
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc));
        sqlite3_close(target);
        QFile::remove(path);
        cannotWrite(QStringLiteral("The backup copy could not be written: %1").arg(message));
    }
    if (sqlite3_close(target) != SQLITE_OK) {
        QFile::remove(path);
        cannotWrite(QStringLiteral("The backup copy could not be finished."));
    }
}

} // namespace

QString folderOf(const QString &ledgerPath)
{
    return QFileInfo(ledgerPath).absoluteDir().filePath(kFolderName);
}

QString fileName(Kind kind, const QDateTime &at)
{
    return QStringLiteral("Tesmo %1 %2.mdb").arg(at.toString(QString::fromLatin1(kStampFormat)), kindWord(kind));
}

QStringList backups(const QString &folder, Kind kind)
{
    std::vector<std::pair<std::pair<QDateTime, int>, QString>> found;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("Tesmo *.mdb")}, QDir::Files)) {
        const auto at = stampOf(name, kind);
        if (at.first.isValid())
            found.emplace_back(at, name);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList names;
    for (const auto &f : found)
        names << f.second;
    return names;
}

bool dailyDue(const QString &ledgerPath, const QDateTime &now)
{
    const QString folder = folderOf(ledgerPath);
    for (const Kind kind : {Kind::Daily, Kind::BeforeImport}) {
        const QStringList names = backups(folder, kind);
        if (!names.isEmpty() && stampOf(names.first(), kind).first.secsTo(now) < 24 * 60 * 60)
            return false;
    }
    return true;
}

QString makeCopy(const QString &ledgerPath, Kind kind, const QDateTime &now)
{
    // Opening read-only checks that the file is a Tesmo ledger, without
    // writing to it.
    Database ledger(ledgerPath, Database::Mode::ReadOnly);

    const QString folder = folderOf(ledgerPath);
    if (!QDir().mkpath(folder))
        cannotWrite(QStringLiteral("The folder %1 could not be created.").arg(folder));
    // A name of its own for every copy of the process: the daily copy and a
    // copy before an import can be under way at once.
    static std::atomic<int> copies{0};
    const QString temp = QDir(folder).filePath(
        QStringLiteral(".Tesmo copy %1-%2.tmp").arg(qint64(::getpid())).arg(++copies));
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
    copyInto(ledger.handle(), temp);

    // Named only once whole; a copy made within the same second gets a number.
    QString name = fileName(kind, now);
    for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name)); ++n)
        name = fileName(kind, now).replace(QStringLiteral(".mdb"), QStringLiteral(" (%1).mdb").arg(n));
    const QString path = QDir(folder).filePath(name);
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temp);
        cannotWrite(QStringLiteral("The backup copy %1 could not be named.").arg(path));
    }
    syncFolder(QFile::encodeName(folder));

    const QStringList names = backups(folder, kind);
    for (qsizetype i = kKeep; i < names.size(); ++i)
        QFile::remove(QDir(folder).filePath(names[i]));
    return path;
}

} // namespace tesmo::backup
