// The main window: the current lot in its edit boxes, the master list of all
// lots, the list of selected lots, and the commands on them.
#pragma once

#include "mainwin/FieldBox.h"
#include "mainwin/LotListModel.h"
#include "mainwin/LotListView.h"
#include "platform/Platform.h"
#include "store/RecordStore.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tesmo {

class Split;

class frmStocks : public QWidget {
    Q_OBJECT
public:
    // Builds the window and sets it up on the ledger Tesmo.mdb in the current
    // folder (created when missing). Not yet shown.
    explicit frmStocks(Platform platform, QWidget *parent = nullptr);
    ~frmStocks() override;

    // Controls, named as the commands name them. txtFields[i] is bound to the
    // lot field at position i.
    std::array<QLineEdit *, kFieldCount> txtFields{};
    std::array<QLabel *, 11> Text1{};
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
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

    RecordStore &Data1() { return *data1_; }
    // The split dialog while it is open; none once OK or Cancel unloaded it.
    Split *splitDialog() const;

    // Commands, each run by its control's event.
    void cmdClose_Click();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdAdd_Click();
    void cmdUndo_Click();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdFind_Click();
    void cmdSelect_Click();
    void cmddeselect_Click();
    void cmdSplit_Click();
    void ListView1_Click();
    void ListView2_Click();
    void ListView1_DblClick();
    void ListView2_DblClick();
    bool ListView1_KeyDown(int KeyCode);
    bool ListView2_KeyDown(int KeyCode);
    void txtFields_Change(int Index);
    void txtFields_KeyPress(int Index, int KeyAscii);
    void txtFields_LostFocus(int Index);

    // Shows the price and net amount boxes as currency text; a box whose text
    // is not a plain number (empty, or already currency text) is left alone.
    void FormatCurrFields();
    // The same for the price box alone.
    void FormatPriceBox();

    // True while a lot with an empty net amount was made current at start-up.
    bool NetAmountBlank = false;
    // The last validated store operation was refused.
    bool UpdateFailed = false;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void wireEvents();

    // Start-up.
    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void Data1_Error(int DataErr, const QString &description, int &Response);
    void Data1_Reposition();
    void Data1_Validate(int &Action, bool &Save);

    // Lists.
    void PopulateList();
    void HighlightLists();
    void HighlightList2();
    // The ID text (sub-item 3) of a list's selected row; raises 91 without one.
    QString selectedId(const LotListView *list) const;

    // Navigation.
    void GoToNext(int Caller);
    void GoToPrev(int Caller);
    void FindByID(const QString &strID, int Caller);
    void FixNavigation();
    void showRecordNumber();
    void listClick(LotListView *list, const char *sourceTag);
    // After a command made another lot current: its master row selected (when
    // asked), money as currency text, Delete on, Save and Undo off.
    void settleOnCurrentLot(bool selectMasterRow);

    // Saving and deleting.
    void EditLists(LotId lngID);
    void AddToLists(LotId lngID);
    RowTexts rowFromBoxes() const;
    QString DeleteMessage() const;
    void RefreshList(LotId lngID);
    void RefreshList2(LotId lngID);

    // Finding and selecting.
    // Both return false when an error ended them (after its error box).
    bool FindByTicker(const QString &strTicker);
    bool FindNextByTicker(const QString &strTicker);
    void AddToList();

    void setListsAvailable(bool available);
    // Runs body under the error trap with the routine's source tag; false
    // when an error ended it.
    bool trap(const char *sourceTag, const std::function<void()> &body);

    Platform platform_;
    Dialogs &dialogs_;
    MasterListModel *masterRows_ = nullptr;
    SelectedListModel *selectedRows_ = nullptr;
    std::unique_ptr<BoxBinding> binding_;
    std::unique_ptr<RecordStore> data1_;
    QPointer<Split> split_;

    // Edit state kept while a new lot is pending.
    bool glbBrandNew = false;
    Bookmark glbCurrRecord;
    bool glbNextButtonState = false;
    bool glbPrevButtonState = false;
    bool glbFindButtonState = false;
    bool glbDeselectButtonState = false;
};

} // namespace tesmo
