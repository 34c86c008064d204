// Editing the current lot: the change and key handlers of the edit boxes, New,
// and Undo (Cancel while a new lot is untouched).
#include "mainwin/frmStocks.h"

#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

namespace {
const QString kUndoCaption = QStringLiteral("&Undo");
const QString kCancelCaption = QStringLiteral("&Cancel");
} // namespace

void frmStocks::txtFields_Change(int Index)
{
    Q_UNUSED(Index);
    cmdSave->setEnabled(true);
    cmdUndo->setEnabled(true);
    glbBrandNew = false;
    cmdUndo->setText(kUndoCaption);
}

void frmStocks::txtFields_KeyPress(int Index, int KeyAscii)
{
    if (KeyAscii == 13) {
        if (Index != kTradeDate)
            txtFields[std::size_t(Index + 1)]->setFocus(Qt::TabFocusReason);
        else
            cmdSave_Click();
    } else if (KeyAscii == 27) {
        cmdUndo_Click();
    }
}

void frmStocks::cmdAdd_Click()
{
    trap(" Source: frmStocks cmdAdd_Click", [this] {
        RecordStore &rs = Data1();
        rs.Edit();
        rs.AddNew();
        if (UpdateFailed)
            return;
        glbBrandNew = true;
        glbCurrRecord = rs.getBookmark();
        glbNextButtonState = cmdNext->isEnabled();
        glbPrevButtonState = cmdPrev->isEnabled();
        glbFindButtonState = cmdFind->isEnabled();
        glbDeselectButtonState = cmddeselect->isEnabled();
        txtFields[kName1]->setFocus(Qt::OtherFocusReason);
        for (QPushButton *b : {cmdDelete, cmdSave, cmdNext, cmdAdd, cmdPrev, cmdSplit, cmdFind})
            b->setEnabled(false);
        setListsAvailable(false);
        cmdSelect->setEnabled(false);
        cmddeselect->setEnabled(false);
        cmdUndo->setText(kCancelCaption);
    });
}

void frmStocks::cmdUndo_Click()
{
    trap("Source : frmStocks cmdUndo_Click", [this] {
        RecordStore &rs = Data1();
        if (rs.EditMode() == kEditAdd) {
            if (glbBrandNew) {
                rs.setBookmark(glbCurrRecord);
                FormatCurrFields();
                cmdNext->setEnabled(glbNextButtonState);
                cmdPrev->setEnabled(glbPrevButtonState);
                cmdFind->setEnabled(glbFindButtonState);
                cmddeselect->setEnabled(glbDeselectButtonState);
                cmdDelete->setEnabled(true);
                cmdSplit->setEnabled(true);
                cmdAdd->setEnabled(true);
                setListsAvailable(true);
                cmdSelect->setEnabled(true);
                if (selectedRows_->rows() > 0)
                    cmddeselect->setEnabled(true);
                cmdUndo->setEnabled(false);
                txtFields[kName1]->setFocus(Qt::OtherFocusReason);
            } else {
                rs.CancelUpdate();
                rs.AddNew();
                if (rs.RecordCount() != 0) {
                    glbBrandNew = true;
                    cmdUndo->setText(kCancelCaption);
                } else {
                    cmdUndo->setEnabled(false);
                }
            }
        } else {
            rs.Edit();
            rs.CancelUpdate();
            FormatCurrFields();
            cmdUndo->setEnabled(false);
        }
        cmdSave->setEnabled(false);
    });
}

} // namespace tesmo
