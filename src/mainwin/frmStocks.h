// The main window: the current lot in its edit boxes, the master list of all
// lots, the list of selected lots, and the commands on them. The constructor
// builds and wires the controls; open() sets the window up on the ledger.
// Controls carry object names ("txtFields(4)", "cmdSave", "ListView1") by
// which tests find them.
#pragma once

#include "mainwin/BoxBinding.h"
#include "mainwin/FailureWords.h"
#include "mainwin/LotListModel.h"
#include "platform/Platform.h"
#include "store/Backup.h"
#include "store/RecordStore.h"

#include <QFuture>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QMimeData;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tesmo {

class LotListView;
class Split;

class frmStocks : public QWidget {
    Q_OBJECT
public:
    explicit frmStocks(Platform platform, QWidget *parent = nullptr);
    ~frmStocks() override;

    // Sets the window up on the ledger Tesmo.mdb of the current folder
    // (created when missing): fills the master list, chooses the first current
    // lot and the state of every command. Not yet shown.
    void open();

signals:
    // "&Password Protection" asks for the protection dialog.
    void passwordProtectionRequested();
    // The window was closed: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Whether a navigation routine selects the new lot's rows itself (a
    // command) or leaves that to the key handler that called it.
    enum class Caller { KeyHandler, Command };
    // Keys the handlers act on, by their character or key codes.
    enum KeyCode : int { kKeyEnter = 13, kKeyEscape = 27, kKeyUp = 38, kKeyDown = 40 };
    // The edit state of the window: which of Save and Undo are on, and the
    // caption of Undo, follow from it.
    enum class EditState { Browsing, Changed, NewUntouched, NewTyped, NewFirstLot };

    void buildControls();
    void wireEvents();
    // Runs body under the error trap with the routine's source tag; false
    // when an error ended it. A silent error shows no box.
    bool trap(const char *sourceTag, const std::function<void()> &body,
              const std::function<bool(int)> &silent = {});
    // A command the user started: its routine under the trap, then the
    // commands, the counter and the master list brought into step.
    void command(const char *sourceTag, const std::function<void()> &body,
                 const std::function<bool(int)> &silent = {});
    // The first step of a command that writes the ledger: false, with the
    // message cantWrite, when the file cannot be written here; false when
    // the field rules refused the pending changes (they have shown their
    // message); else the pending changes are handled as leaving the lot
    // handles them, and true.
    bool readyToWrite(const QString &cantWrite);

    // Which commands are enabled, the record counter and the Undo caption,
    // worked out from the store and the selection list, and the current lot's
    // row selected in the master list.
    void updateCommands();
    EditState editState() const;
    void warnAboutUnfitLot();

    // Start-up and closing.
    // Sets the window up on the ledger as the file holds it, at start-up and
    // after a restore: the master list filled, the selection list empty, the
    // first current lot chosen, and what opening set aside told.
    void LoadLedger();
    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void windowActivated(QWindow *now);
    void Data1_Error(int DataErr, const QString &description, int &Response);
    void Data1_Reposition();
    void Data1_Validate(int &Action, bool &Save);
    void Data1_Stored(const StoredLot &lot, bool added);
    void Data1_Vanished(LotId id);
    // Tells the user once about the lots that another program deleted and
    // that left the lists during a command; starts a new lot when none is
    // left, as deleting the last one does.
    void reportVanishedLots();
    void cmdClose_Click();

    // Lists.
    void PopulateList();
    void HighlightLists();
    void HighlightList2();
    // The lot of a list's selected row; raises 91 without one.
    LotId selectedId(const LotListView *list) const;
    // A stored lot's row in the selection list shows it as its row in the
    // master list now does; the store keeps the master list's rows.
    void EditLists(const StoredLot &lot);
    void RefreshList2(LotId lngID);
    // The master list's context menu: the import and the restore of a copy.
    void ListView1_ContextMenu(const QPoint &globalPos);

    // Field rules and currency text.
    void FormatCurrFields();
    // The same for one of the two boxes.
    void FormatCurr(int Index);
    void txtFields_LostFocus(int Index);

    // Navigation.
    void cmdNext_Click();
    void cmdPrev_Click();
    void GoToNext(Caller caller);
    void GoToPrev(Caller caller);
    bool FindByID(LotId lngID, Caller caller);
    void ListView1_Click(int row);
    void ListView2_Click(int row);
    void listClick(LotListView *list, int row, const char *sourceTag);
    void ListView1_KeyDown(int KeyCode);
    void ListView2_KeyDown(int KeyCode);

    // Editing and saving.
    void txtFields_Change(int Index);
    void txtFields_KeyPress(int Index, int KeyAscii);
    void cmdAdd_Click();
    void cmdUndo_Click();
    void cmdSave_Click();

    // Deleting.
    void cmdDelete_Click();
    QString DeleteMessage() const;
    // With no current lot, the lot before the gap where it stood becomes
    // current, else the one after it; with no lot left a new one is started.
    void MoveIntoGap();

    // Finding by ticker.
    void cmdFind_Click();
    bool FindByTicker(const QString &strTicker);
    bool FindNextByTicker(const QString &strTicker);

    // The selection list.
    void cmdSelect_Click();
    void cmddeselect_Click();
    void AddToList();
    void ListView1_DblClick();
    void ListView2_DblClick();

    // The stock split.
    void cmdSplit_Click();
    // Raises 3103 when a result does not fit the lot.
    void applySplit(double ratio);

    // Exporting: the command runs the writer of the chosen kind for the
    // master list (All) or the selection list (Selected).
    void cmdExport_Click();
    void ToTextFile();
    void ToTextFile1();
    void CreateSpreadsheet();
    void CreateSpreadsheet1();
    void CreateDocument();
    void CreateDocument1();
    void textFile(const LotTable &lots, const char *sourceTag);
    void spreadsheet(const LotTable &lots);
    void document(const LotTable &lots);
    // An office writer with the label of its progress and the message, and
    // its icon, that tells of any failure of it.
    struct OfficeWriter {
        void (*write)(const LotTable &lots, Office &office, Progress *progress);
        const char *progress;
        const char *failed;
        Dialogs::Icon icon;
    };
    // Runs the writer on lots: a Cancel ends it without a word.
    void officeExport(const LotTable &lots, const OfficeWriter &writer);

    // Selling shares of the current lot's ticker (Ctrl+L, the master list's
    // context menu): offered on a lot being browsed.
    bool SellOffered() const;
    void SellShares();

    // The Holdings and Gains window (Ctrl+G, the master list's context
    // menu), and the undo of a sale from it, after the pending changes are
    // handled: false when it stopped with a message (a file that cannot be
    // written, a refused change); raises Error in the user's words when the
    // undo failed.
    void HoldingsAndGains();
    bool UndoSale(const SaleRecord &sale);

    // Protection and help.
    void cmdOptions_Click();
    void cmdHelp_Click();

    // Importing lots from a broker's CSV file (Ctrl+I, the master list's
    // context menu, a file dropped on the window), and the ledger's backups.
    bool ImportOffered() const;
    // Runs the import of the file at strPath; asks for the file when empty.
    void ImportLots(const QString &strPath = {});
    // The one CSV file that a drag carries, when the import is offered; the
    // empty text otherwise.
    QString DroppedFile(const QMimeData *mime) const;
    // Whether a drag or drop event on the window or a box is an import.
    bool ImportDrop(QEvent *event);

    // The ledger's copies. MakeDailyBackup starts the daily copy when one is
    // due: the newest copy is older than a day and the ledger holds lots;
    // the leftovers of copies that were cut short go first.
    void MakeDailyBackup();
    // Tells the daily copy to stop, and waits for it: a step at most.
    void StopDailyBackup();
    // "Restore from Backup...": the copies listed, the one chosen confirmed,
    // the ledger kept as a "before restore" copy, then the chosen copy
    // written into the ledger, which the window loads as at start-up.
    void RestoreFromBackup();

    Platform platform_;
    Dialogs &dialogs_;

    // Controls, named as the commands name them. txtFields[i] is bound to the
    // lot field at position i.
    std::array<QLineEdit *, kFieldCount> txtFields{};
    std::array<QLabel *, 11> Text1{};
    QWidget *txtRectangle = nullptr;
    QLineEdit *txtRecNum = nullptr;
    QLineEdit *txtCount = nullptr;
    QPushButton *cmdClose = nullptr;
    QPushButton *cmdSplit = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdUndo = nullptr;
    QPushButton *cmdFind = nullptr;
    QPushButton *cmdPrev = nullptr;
    QPushButton *cmdNext = nullptr;
    QGroupBox *FrameExport = nullptr;
    QPushButton *cmdSelect = nullptr;
    QPushButton *cmddeselect = nullptr;
    QRadioButton *OptionAll = nullptr;
    QRadioButton *OptionSelected = nullptr;
    QComboBox *cmbExport = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdOptions = nullptr;
    QPushButton *cmdHelp = nullptr;
    LotListView *ListView1 = nullptr;
    LotListView *ListView2 = nullptr;

    // The master list shows the store's lots; the selection list its own,
    // in the order they were picked.
    LotListModel *masterRows_ = nullptr;
    LotListModel *selectedRows_ = nullptr;
    LotTable selectedLots_;
    std::unique_ptr<BoxBinding> binding_;
    std::unique_ptr<RecordStore> data1_;
    QPointer<Split> split_;

    // True while a lot with an empty net amount was made current at start-up.
    bool NetAmountBlank = false;
    // The last validated store operation was refused.
    bool UpdateFailed = false;
    // The lot that was current when New was pressed; none while no new lot
    // is pending, or when the window started the new lot itself on an empty
    // ledger.
    Bookmark glbCurrRecord;
    // The unfit lot the user was last told about.
    std::optional<LotId> warnedLot_;
    // Lots found deleted by another program, not yet reported.
    std::vector<LotId> vanished_;
    // Whether the window that was active last was another form of the
    // program (not a message or input box), for Form_Activate.
    bool cameFromForm_ = false;
    // How the daily copy ended: the copy made, not named yet, or none when
    // none was due, or the Error that ended it. Read where it is told, not
    // taken: a future whose result was taken is no longer finished.
    struct DailyCopyEnd {
        std::shared_ptr<backup::UnnamedCopy> made;
        std::optional<Error> failure;
    };
    // The daily copy being made off the window's thread, and its stop flag,
    // set on the window's thread and read on the copy's.
    std::optional<QFuture<DailyCopyEnd>> dailyCopy_;
    std::shared_ptr<std::atomic<bool>> stopDailyCopy_;
    bool activatedOnce_ = false;
    bool opened_ = false;
    // The folder the file dialog of the import opens in: the last one a
    // file was imported from.
    QString importFolder_;
};

} // namespace tesmo
