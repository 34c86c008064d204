// The list of selected lots: Select and a double click on the master list add
// the current lot once; Deselect and a double click on the list remove rows.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"

namespace tesmo {

void frmStocks::AddToList()
{
    trap("Source : AddToList", [this] {
        if (selectedRows_->rows() > 0) {
            const int existing = selectedRows_->rowOfId(selectedId(ListView1));
            if (existing >= 0) {
                ListView2->selectRow(existing);
                return;
            }
        }
        const int row = ListView1->selectedRow();
        if (row >= 0)
            selectedRows_->pick(masterRows_->id(row));
    });
}

void frmStocks::cmdSelect_Click()
{
    command("Source : AddToList", [this] { AddToList(); });
}

void frmStocks::cmddeselect_Click()
{
    command(" Source : frmStocks cmddeselect_Click", [this] {
        for (int row = 0; row < selectedRows_->rows(); ++row) {
            if (ListView2->selectedRow() == row) {
                selectedRows_->unpick(row);
                --row;
            }
        }
    });
}

void frmStocks::ListView1_DblClick()
{
    cmdSelect_Click();
}

void frmStocks::ListView2_DblClick()
{
    cmddeselect_Click();
}

} // namespace tesmo
