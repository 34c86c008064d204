// The copies of the ledger in "Tesmo backups": the daily copy made a moment
// after the window opens, and "Restore from Backup...", which writes a copy
// back into the ledger after keeping the ledger as it is.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"
#include "mainwin/RestoreDialog.h"
#include "store/Backup.h"
#include "text/Regional.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrentRun>

namespace tesmo {

namespace {

// "5/1/2024 2:30:05 PM", and "(2)" after the second copy of that second.
QString madeText(const backup::Copy &copy)
{
    const QString number = copy.number > 1 ? QStringLiteral(" (%1)").arg(copy.number) : QString();
    return regional::shortDate(copy.made.date()) + u' ' + copy.made.time().toString(QStringLiteral("h:mm:ss AP"))
           + number;
}

// Why a restore failed, as the user can act on it, ending its sentence.
QString restoreFailure(const Error &e)
{
    if (e.number() == kErrEngineCorrupt)
        return QStringLiteral("the copy is damaged.");
    if (e.number() == kErrNotALedger)
        return QStringLiteral("the copy is not a Tesmo ledger.");
    QString why = whyNotWritten(e, "restore");
    return why.endsWith(u'.') ? why : why + u'.';
}

} // namespace

// The copy is made off the window's thread, on Qt's pool and connections of
// its own, so that a large ledger's copy does not hold the window up; the
// window reads the clock and the copies' times, and names the copy once it
// is made. A failure is told once, by the window, and a copy stopped because
// the window goes is not.
void frmStocks::MakeDailyBackup()
{
    const RecordStore &rs = *data1_;
    if (!rs.isOpen() || dailyCopy_)
        return;
    const QString ledger = QFileInfo(rs.DatabaseName()).absoluteFilePath();
    const QDateTime now = QDateTime::currentDateTime();
    const bool due = rs.RecordCount() > 0 && backup::dailyDue(ledger, now);
    const auto stop = stopDailyCopy_ = std::make_shared<std::atomic<bool>>(false);
    // The work keeps its Error in what it returns: a future that holds an
    // exception raises it again wherever it is waited for.
    dailyCopy_ = QtConcurrent::run([ledger, due, stop] {
        DailyCopyEnd end;
        try {
            backup::removeLeftovers(ledger);
            if (due)
                end.made = std::make_shared<backup::UnnamedCopy>(backup::copyLedger(ledger, stop.get()));
        } catch (const Error &e) {
            end.failure = e;
        }
        return end;
    });
    // Told on the window's thread through the application, which outlives
    // the work: the window waits for the copy when it goes, but the telling
    // comes just after the copy's end, when the window may be gone already.
    dailyCopy_->then(QCoreApplication::instance(),
                     [window = QPointer<frmStocks>(this), now](QFuture<DailyCopyEnd> copy) {
                         if (!window)
                             return;
                         DailyCopyEnd end = copy.result();
                         try {
                             if (end.made)
                                 backup::keepCopy(std::move(*end.made), backup::Kind::Daily, now);
                         } catch (const Error &e) {
                             end.failure = e;
                         }
                         if (end.failure && end.failure->number() != kErrStopped)
                             window->dialogs_.message(
                                 QStringLiteral("Tesmo could not make its daily copy of the ledger in \"%1\": %2")
                                     .arg(backup::kFolderName, end.failure->description()),
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
                     });
}

void frmStocks::StopDailyBackup()
{
    if (stopDailyCopy_)
        *stopDailyCopy_ = true;
    if (dailyCopy_)
        dailyCopy_->waitForFinished();
}

void frmStocks::RestoreFromBackup()
{
    if (!ImportOffered())
        return;
    command("Source : frmStocks RestoreFromBackup", [&] {
        RecordStore &rs = *data1_;
        if (!readyToWrite(QStringLiteral("No copy can be restored: the ledger file cannot be written here.")))
            return;

        const QString ledger = QFileInfo(rs.DatabaseName()).absoluteFilePath();
        const QDir folder(backup::folderOf(ledger));
        const std::vector<backup::Copy> copies = backup::copies(folder.path());
        if (copies.empty()) {
            dialogs_.message(
                QStringLiteral("There is no copy of the ledger in \"%1\" to restore.").arg(backup::kFolderName),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            return;
        }
        std::vector<RestoreDialog::Row> rows;
        {
            const WaitPointer wait(dialogs_);
            for (const backup::Copy &c : copies) {
                const auto lots = backup::lotsIn(folder.filePath(c.name));
                rows.push_back({madeText(c), backup::kindName(c.kind),
                                lots ? QString::number(*lots) : QStringLiteral("does not open as a ledger"),
                                lots.has_value()});
            }
        }
        RestoreDialog choice(backup::kFolderName, rows, this);
        if (choice.exec() != QDialog::Accepted || choice.chosen() < 0)
            return;
        const backup::Copy &copy = copies[std::size_t(choice.chosen())];
        const RestoreDialog::Row &row = rows[std::size_t(choice.chosen())];
        const QString described = QStringLiteral("the %1 copy of %2").arg(row.kind, row.made);
        if (dialogs_.message(QStringLiteral("Restore %1, which holds %2 lots? They take the place of the lots in the "
                                            "ledger now, which is kept in \"%3\" as a \"before restore\" copy.")
                                 .arg(described, row.lots, backup::kFolderName),
                             Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation)
            != Dialogs::Answer::Yes)
            return;

        // The daily copy would copy the ledger while it is replaced.
        StopDailyBackup();
        rs.Close(kActClose);
        QString kept, failure;
        bool restored = false;
        {
            const WaitPointer wait(dialogs_);
            const auto progress = dialogs_.progress(QStringLiteral("Restoring %1...").arg(described), 1000);
            try {
                kept = backup::restoreCopy(ledger, copy.name, QDateTime::currentDateTime(),
                                           [&](qint64 done, qint64 total) {
                                               return progress->advance(done * 1000 / std::max<qint64>(total, 1));
                                           });
                restored = true;
            } catch (const backup::NotKept &e) {
                failure = QStringLiteral("the ledger as it is could not be kept in \"%1\" first. %2")
                              .arg(backup::kFolderName, inUserWords(e).description());
                if (!failure.endsWith(u'.'))
                    failure += u'.';
            } catch (const Error &e) {
                // A Cancel is told as a restore cancelled, not as a failure.
                if (e.number() != kErrUserCancelled)
                    failure = restoreFailure(e);
            }
        }
        LoadLedger();
        // The window shows the ledger it now holds while the message is up.
        updateCommands();
        ListView1->scrollToSelectedRow();
        if (!failure.isEmpty())
            dialogs_.message(QStringLiteral("Nothing was restored: %1 The ledger is as it was.").arg(failure),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
        else if (!restored)
            dialogs_.message(QStringLiteral("The restore was cancelled; the ledger is as it was."),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        else
            dialogs_.message(QStringLiteral("The ledger now holds the %1 lots of %2. The ledger as it was is kept "
                                            "as \"%3\" in \"%4\".")
                                 .arg(QString::number(rs.RecordCount()), described, QFileInfo(kept).fileName(),
                                      backup::kFolderName),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    });
}

} // namespace tesmo
