// The main window: the current lot in its edit boxes, the master list of all
// lots, the list of selected lots, and the commands on them. The constructor
// builds and wires the controls; open() sets the window up on the ledger.
// Controls carry object names ("txtFields(4)", "cmdSave", "ListView1") by
// which tests find them.
#pragma once

#include "mainwin/BoxBinding.h"
#include "mainwin/LedgerCommands.h"
#include "mainwin/LotListModel.h"
#include "platform/ErrorTrap.h"
#include "platform/Platform.h"
#include "store/RecordStore.h"

#include <QFuture>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
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
    // A command beyond the designed window, as command() runs it: an Error
    // it raises is told as the failure of deed, but for a refusal by the
    // field rules, which have told it.
    void attempt(const char *sourceTag, Deed deed, const std::function<void()> &body);

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
    void loadLedger();
    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void windowActivated(QWindow *now);
    // The store's own failure (opening the ledger), with its description;
    // the store shows no message of its own, so there is none to suppress.
    void Data1_Error(int DataErr, const QString &description);
    void Data1_Reposition();
    void Data1_Validate(int &Action, bool &Save);
    void lotVanished(LotId id);
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
    void moveIntoGap();

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

    // Protection and help.
    void cmdOptions_Click();
    void cmdHelp_Click();

    // What a command beyond the designed window did, shown while its
    // message is up: the current lot's rows, the commands and the counter.
    void showLots();

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

    // The master list shows the store's lots; the selection list those
    // picked from them, in the order they were picked.
    LotListModel *masterRows_ = nullptr;
    LotListModel *selectedRows_ = nullptr;
    std::unique_ptr<BoxBinding> binding_;
    std::unique_ptr<RecordStore> data1_;
    // The commands beyond the designed window (import, sale, gains, backups).
    LedgerCommands *commands_ = nullptr;
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
    bool activatedOnce_ = false;
    bool opened_ = false;
};

} // namespace tesmo
