// The commands on the ledger beyond the designed window, as the main window
// offers them (Ctrl+L, Ctrl+K, Ctrl+G, the master list's context menu, the daily
// copy a moment after start-up): each asks what its command below the
// window needs, calls it, and shows what it did. The main window hands in
// the few steps of its own that follow a command.
#pragma once

#include "platform/ErrorTrap.h"
#include "platform/Platform.h"
#include "store/Backup.h"
#include "store/RecordStore.h"

#include <QFuture>
#include <QObject>
#include <QPoint>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;
class QWidget;

namespace tesmo {

class LedgerCommands : public QObject {
    Q_OBJECT
public:
    // What the commands need of the main window.
    struct Window {
        QWidget *widget = nullptr;   // the parent of the dialogs
        // Runs body as the window runs a command of its own, an Error it
        // raises told as the failure of deed.
        std::function<void(const char *sourceTag, Deed deed, const std::function<void()> &body)> run;
        // Shows the lots as the store now holds them while a message is up:
        // the current lot's rows selected, the commands and counter in step.
        std::function<void()> showLots;
        // With no current lot, makes the lot before the gap, else after it,
        // current, or starts a new lot.
        std::function<void()> moveIntoGap;
        // Loads the ledger the file now holds, as at start-up.
        std::function<void()> reload;
    };

    LedgerCommands(Platform platform, RecordStore &store, Window window, QObject *parent = nullptr);
    ~LedgerCommands() override;

    // Offers the commands on the window: Ctrl+I, Ctrl+L, Ctrl+K and Ctrl+G, and the
    // import of a CSV file dropped on it or any of its boxes. Once its
    // boxes are made.
    void attach();

    // Offered on a lot being browsed; the import and the restore also on an
    // empty ledger.
    bool sellOffered() const;
    bool importOffered() const;

    // Importing lots from a broker's CSV file at path; asks for the file
    // when path is empty.
    void importLots(const QString &path);
    void importLotsChosen() { importLots({}); }
    // Selling shares of the current lot's ticker; the lists, the counter
    // and the current lot follow the lots as the sale left them, and one
    // message says what was sold.
    void sellShares();
    // "Corporate Action..." on the current lot's ticker: the lists follow the
    // lots as the actions recorded and undone left them, and an action
    // recorded is told in one message.
    void corporateAction();
    // The Holdings and Gains window.
    void holdingsAndGains();
    // "Restore from Backup...": the copies listed, the one chosen confirmed
    // and restored, and the ledger the file then holds loaded.
    void restoreFromBackup();
    // The master list's context menu at a place on the screen.
    void contextMenu(const QPoint &globalPos);

    // Starts the daily copy of the ledger off the window's thread when one is
    // due; the leftovers of copies that were cut short go first.
    void startDailyCopy();
    // Tells the daily copy to stop, and waits for it: a step at most.
    void stopDailyCopy();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The one CSV file that a drag carries, when the import is offered; the
    // empty text otherwise.
    QString droppedFile(const QMimeData *mime) const;

    Platform platform_;
    RecordStore &store_;
    Window window_;
    // The daily copy being made off the window's thread, and its stop flag,
    // set on the window's thread and read on the copy's.
    // How the daily copy ended: the copy made, not named yet, or none when
    // none was due, or the Error that ended it. Read where it is told, not
    // taken: a future whose result was taken is no longer finished.
    struct DailyCopyEnd {
        std::shared_ptr<backup::UnnamedCopy> made;
        std::optional<Error> failure;
    };
    std::optional<QFuture<DailyCopyEnd>> dailyCopy_;
    std::shared_ptr<std::atomic<bool>> stopDailyCopy_;
    // The folder the file dialog of the import opens in: the last one a
    // file was imported from.
    QString importFolder_;
};

} // namespace tesmo
