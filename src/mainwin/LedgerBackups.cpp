// The copies of the ledger in "Tesmo backups": the daily copy made a moment
// after the window opens, and "Restore from Backup...". The commands below
// the window copy and restore; the window asks, and shows the ledger it then
// holds.
#include "mainwin/LedgerCommands.h"

#include "mainwin/RestoreDialog.h"
#include "store/LedgerRestore.h"
#include "text/Regional.h"

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrentRun>

namespace tesmo {

// The copy is made off the window's thread, on Qt's pool and connections of
// its own, so that a large ledger's copy does not hold the window up; the
// window reads the clock and the copies' times, and names the copy once it
// is made. A failure is told once, and a copy stopped because the window
// goes is not.
void LedgerCommands::startDailyCopy()
{
    if (!store_.isOpen() || dailyCopy_)
        return;
    const auto copy = std::make_shared<backup::DailyCopy>(store_.DatabaseName(), QDateTime::currentDateTime(),
                                                          store_.RecordCount() > 0);
    const auto stop = stopDailyCopy_ = std::make_shared<std::atomic<bool>>(false);
    // The work keeps its Error in what it returns: a future that holds an
    // exception raises it again wherever it is waited for.
    dailyCopy_ = QtConcurrent::run([copy, stop] {
        DailyCopyEnd end;
        try {
            if (std::optional<backup::UnnamedCopy> made = copy->make(stop.get()))
                end.made = std::make_shared<backup::UnnamedCopy>(std::move(*made));
        } catch (const Error &e) {
            end.failure = e;
        }
        return end;
    });
    // Told on the window's thread through the application, which outlives
    // the work: the window waits for the copy when it goes, but the telling
    // comes just after the copy's end, when the window may be gone already.
    dailyCopy_->then(QCoreApplication::instance(),
                     [commands = QPointer<LedgerCommands>(this), copy](QFuture<DailyCopyEnd> made) {
                         if (!commands)
                             return;
                         DailyCopyEnd end = made.result();
                         try {
                             if (end.made)
                                 copy->keep(std::move(*end.made));
                         } catch (const Error &e) {
                             end.failure = e;
                         }
                         if (end.failure && end.failure->number() != kErrStopped)
                             tellFailure(commands->platform_.dialogs, Deed::DailyCopy, *end.failure);
                     });
}

void LedgerCommands::stopDailyCopy()
{
    if (stopDailyCopy_)
        *stopDailyCopy_ = true;
    if (dailyCopy_)
        dailyCopy_->waitForFinished();
}

// The ledger the file holds afterwards is loaded, whatever came of the
// restore once the store was closed for it.
void LedgerCommands::restoreFromBackup()
{
    if (!importOffered())
        return;
    window_.run("Source : frmStocks RestoreFromBackup", Deed::Restore, [&] {
        Dialogs &dialogs = platform_.dialogs;
        LedgerRestore restore(store_);
        std::vector<RestoreDialog::Row> rows;
        for (const LedgerRestore::Listed &c : restore.copies())
            rows.push_back({madeText(c.copy), backup::kindName(c.copy.kind),
                            c.lots ? QString::number(*c.lots) : c.unreadable, c.lots.has_value()});
        RestoreDialog choice(backup::kFolderName, rows, window_.widget);
        if (choice.exec() != QDialog::Accepted || choice.chosen() < 0)
            return;
        const RestoreDialog::Row &row = rows[std::size_t(choice.chosen())];
        const QString described = QStringLiteral("the %1 copy of %2").arg(row.kind, row.made);
        const std::optional<qint64> lots = restore.copies()[std::size_t(choice.chosen())].lots;
        if (dialogs.message(QStringLiteral("Restore %1, which holds %2? They take the place of the lots in the "
                                           "ledger now, which is kept in \"%3\" as a \"before restore\" copy.")
                                .arg(described, regional::counted(lots.value_or(0), "lot", "lots"),
                                     backup::kFolderName),
                            Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation)
            != Dialogs::Answer::Yes)
            return;

        // The daily copy would copy the ledger while it is replaced.
        stopDailyCopy();
        QString kept;
        std::optional<Error> failure;
        {
            const WaitPointer wait(dialogs);
            const auto progress = dialogs.progress(QStringLiteral("Restoring %1...").arg(described), 1000);
            try {
                kept = restore.restore(std::size_t(choice.chosen()), [&](qint64 done, qint64 total) {
                    return progress->advance(done * 1000 / std::max<qint64>(total, 1));
                });
            } catch (const Error &e) {
                failure = e;
            }
        }
        if (!store_.isOpen()) {
            window_.reload();
            window_.showLots();
        }
        if (failure)
            throw *failure;
        const qint64 held = store_.RecordCount();
        dialogs.message(QStringLiteral("The ledger now holds the %1 of %2. The ledger as it was is kept as \"%3\" "
                                       "in \"%4\".")
                            .arg(regional::counted(held, "lot", "lots"), described, kept,
                                 backup::kFolderName),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    });
}

} // namespace tesmo
