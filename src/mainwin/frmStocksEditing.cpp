// Editing the current lot: the key handler of the edit boxes, New, and Undo
// (Cancel while a new lot is untouched).
#include "mainwin/frmStocks.h"

#include <QLineEdit>

namespace tesmo {

// Enter walks name, ticker, number of shares, price, net amount and trade
// date, and in the trade date saves; Esc undoes. Both run their commands
// whether or not the buttons are enabled.
void frmStocks::txtFields_KeyPress(int Index, int KeyAscii)
{
    if (KeyAscii == kKeyEnter) {
        if (Index != kTradeDate)
            txtFields[std::size_t(Index + 1)]->setFocus(Qt::TabFocusReason);
        else
            cmdSave_Click();
    } else if (KeyAscii == kKeyEscape) {
        cmdUndo_Click();
    }
}

void frmStocks::cmdAdd_Click()
{
    command(" Source: frmStocks cmdAdd_Click", [this] {
        RecordStore &rs = *data1_;
        const Bookmark current = rs.getBookmark();
        rs.Edit();
        rs.AddNew();
        if (UpdateFailed)
            return;
        glbCurrRecord = current;
        txtFields[kName1]->setFocus(Qt::OtherFocusReason);
    });
}

// Changes of an existing lot: the stored values come back. A new lot with
// typing: the boxes are emptied. An untouched new lot: the lot that was
// current before New comes back.
void frmStocks::cmdUndo_Click()
{
    command("Source : frmStocks cmdUndo_Click", [this] {
        RecordStore &rs = *data1_;
        if (rs.EditMode() != kEditAdd) {
            rs.Edit();
            rs.CancelUpdate();
        } else if (editState() == EditState::NewUntouched) {
            rs.setBookmark(glbCurrRecord);
            glbCurrRecord.reset();
            txtFields[kName1]->setFocus(Qt::OtherFocusReason);
        } else {
            rs.CancelUpdate();
            rs.AddNew();
        }
    });
}

} // namespace tesmo
