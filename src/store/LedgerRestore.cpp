#include "store/LedgerRestore.h"

#include "text/FailureWords.h"
#include "text/Regional.h"

#include <QDir>
#include <QFileInfo>

namespace tesmo {

LedgerRestore::LedgerRestore(RecordStore &store)
    : store_(store)
{
    store_.readyToWrite();
    ledger_ = QFileInfo(store_.DatabaseName()).absoluteFilePath();
    const QDir folder(backup::folderOf(ledger_));
    for (backup::Copy &copy : backup::copies(folder.path())) {
        Listed listed{std::move(copy), std::nullopt, {}};
        try {
            listed.lots = backup::lotsIn(folder.filePath(listed.copy.name));
        } catch (const Error &e) {
            listed.unreadable = e.description();
        }
        copies_.push_back(std::move(listed));
    }
    if (copies_.empty())
        throw Error(kErrNothingToDo,
                    QStringLiteral("There is no copy of the ledger in \"%1\" to restore.").arg(backup::kFolderName));
}

QString LedgerRestore::restore(std::size_t chosen, const std::function<bool(qint64 done, qint64 total)> &progress)
{
    const backup::Copy &copy = copies_.at(chosen).copy;
    store_.Close(kActClose);
    try {
        return QFileInfo(backup::restoreCopy(ledger_, copy.name, QDateTime::currentDateTime(), progress)).fileName();
    } catch (const backup::NotKept &e) {
        throw Error(e.number(), QStringLiteral("The ledger as it is could not be kept in \"%1\" first. %2")
                                    .arg(backup::kFolderName, reasonText(e, "restore")));
    }
}

QString madeText(const backup::Copy &copy)
{
    const QString number = copy.number > 1 ? QStringLiteral(" (%1)").arg(copy.number) : QString();
    return regional::shortDate(copy.made.date()) + u' ' + copy.made.time().toString(QStringLiteral("h:mm:ss AP"))
           + number;
}

} // namespace tesmo
