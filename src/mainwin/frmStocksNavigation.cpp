// Moving through the lots: Next and Previous, clicks on either list, and the
// Up and Down keys in either list. Afterwards the counter, the selected rows
// and the Next and Previous buttons follow the current lot.
#include "mainwin/frmStocks.h"

#include "platform/ErrorTrap.h"

#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

namespace {
constexpr int kKeyUp = 38;
constexpr int kKeyDown = 40;
} // namespace

void frmStocks::showRecordNumber()
{
    txtRecNum->setText(QString::number(Data1().AbsolutePosition() + 1));
}

void frmStocks::settleOnCurrentLot(bool selectMasterRow)
{
    if (selectMasterRow) {
        ListView1->clearSelectedRow();
        ListView1->selectRow(Data1().AbsolutePosition());
    }
    FormatCurrFields();
    cmdDelete->setEnabled(true);
    cmdSave->setEnabled(false);
    cmdUndo->setEnabled(false);
}

void frmStocks::cmdNext_Click()
{
    GoToNext(1);
}

void frmStocks::cmdPrev_Click()
{
    GoToPrev(1);
}

void frmStocks::GoToNext(int Caller)
{
    trap("Source : frmStocks cmdNext_Click", [&] {
        RecordStore &rs = Data1();
        rs.MoveNext();
        cmdPrev->setEnabled(true);
        FormatCurrFields();
        cmdDelete->setEnabled(true);
        if (rs.RecordCount() == rs.AbsolutePosition() + 1)
            cmdNext->setEnabled(false);
        cmdSave->setEnabled(false);
        cmdUndo->setEnabled(false);
        showRecordNumber();
        if (Caller == 1)
            HighlightLists();
    });
}

void frmStocks::GoToPrev(int Caller)
{
    trap("Source : frmStocks cmdPrev_Click", [&] {
        RecordStore &rs = Data1();
        rs.MovePrevious();
        cmdNext->setEnabled(true);
        FormatCurrFields();
        cmdDelete->setEnabled(true);
        cmdSave->setEnabled(false);
        cmdUndo->setEnabled(false);
        if (rs.AbsolutePosition() == 0)
            cmdPrev->setEnabled(false);
        showRecordNumber();
        if (Caller == 1)
            HighlightLists();
    });
}

void frmStocks::FindByID(const QString &strID, int Caller)
{
    trap("Source : FindByID", [&] {
        bool ok = false;
        const int id = strID.toInt(&ok);
        if (!ok)
            throw StoreError(kErrTypeMismatch);
        Data1().FindFirst(FindCriteria::byId(id));
        showRecordNumber();
        if (Caller == 1)
            HighlightLists();
        FixNavigation();
    });
}

void frmStocks::FixNavigation()
{
    trap("Source : FixNavigation", [this] {
        cmdNext->setEnabled(txtRecNum->text() != txtCount->text());
        const int number = txtRecNum->text().toInt();
        if (number == 1)
            cmdPrev->setEnabled(false);
        else if (number != 0)
            cmdPrev->setEnabled(true);
        cmdSave->setEnabled(false);
        cmdUndo->setEnabled(false);
    });
}

void frmStocks::ListView1_Click()
{
    listClick(ListView1, "Source : frmStocks ListView1_Click");
}

void frmStocks::ListView2_Click()
{
    listClick(ListView2, "Source : frmStocks ListView2_Click");
}

// A click makes the clicked row's lot current. When the lot being left cannot
// be left (a refused or failed store), the lists go back to the current lot
// and its pending change keeps Save and Undo. A click on a list without a
// selected row ends silently.
void frmStocks::listClick(LotListView *list, const char *sourceTag)
{
    errorTrap(
        dialogs_, QString::fromUtf8(sourceTag),
        [&] {
            const QString id = selectedId(list);
            FindByID(id, 1);
            if (Data1().getBookmark() != std::optional<LotId>(id.toInt())) {
                HighlightLists();
                return;
            }
            settleOnCurrentLot(false);
            if (list == ListView2)
                HighlightLists();
        },
        [](int number) { return number == kErrObjectNotSet; });
}

// Up and Down move the current lot with the master list's selection. When the
// field rules refuse to leave the lot, the list keeps its selection too, so
// that it never parts from the current lot.
bool frmStocks::ListView1_KeyDown(int KeyCode)
{
    bool listMoves = true;
    trap("Source : frmStocks ListView1_KeyDown", [&] {
        if (KeyCode != kKeyDown && KeyCode != kKeyUp)
            return;
        const int selected = ListView1->selectedRow();
        const int target = KeyCode == kKeyDown ? selected + 1 : selected - 1;
        if (selected < 0 || target < 0 || target >= masterRows_->rows())
            return;
        const int before = Data1().AbsolutePosition();
        if (KeyCode == kKeyDown)
            GoToNext(0);
        else
            GoToPrev(0);
        if (Data1().AbsolutePosition() == before) {
            listMoves = false;
            return;
        }
        const QString id = masterRows_->rowTexts(target)[kColID];
        const int row = selectedRows_->rowOfId(id);
        if (row >= 0)
            ListView2->selectRow(row);
    });
    return listMoves;
}

bool frmStocks::ListView2_KeyDown(int KeyCode)
{
    bool listMoves = true;
    trap("Source : frmStocks ListView2_KeyDown", [&] {
        if (KeyCode != kKeyDown && KeyCode != kKeyUp)
            return;
        const int selected = ListView2->selectedRow();
        const int target = KeyCode == kKeyDown ? selected + 1 : selected - 1;
        if (selected < 0 || target < 0 || target >= selectedRows_->rows())
            return;
        const QString id = selectedRows_->rowTexts(target)[kColID];
        FindByID(id, 0);
        if (Data1().getBookmark() != std::optional<LotId>(id.toInt())) {
            listMoves = false;
            return;
        }
        settleOnCurrentLot(true);
    });
    return listMoves;
}

} // namespace tesmo
