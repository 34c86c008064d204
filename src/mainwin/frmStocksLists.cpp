// The master list, marking the current lot's rows in both lists, keeping a
// stored or deleted lot's rows in step, and the master list's context menu.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"

#include <QLineEdit>

namespace tesmo {

// The master list shows the lots that the store read as it opened, in query
// order; the list, filled from empty, has selected its first row. A ledger
// that could not be opened has no lots to show, which is told here too.
void frmStocks::PopulateList()
{
    trap("Source : PopulateList", [&] { data1_->requireOpen(); });
}

void frmStocks::HighlightLists()
{
    trap("Source : frmStocks HighlightLists", [this] {
        ListView1->clearSelectedRow();
        ListView1->selectRow(data1_->AbsolutePosition());
        // The last lot may have vanished from the file: no row to look for.
        if (data1_->AbsolutePosition() >= 0)
            HighlightList2();
    });
}

// Selects, in the list of selected lots, the row of the lot selected in the
// master list; without such a row its selection stays as it was.
void frmStocks::HighlightList2()
{
    trap("Source : frmStocks HighlightList2", [this] {
        const int row = selectedRows_->rowOfId(selectedId(ListView1));
        if (row >= 0)
            ListView2->selectRow(row);
    });
}

LotId frmStocks::selectedId(const LotListView *list) const
{
    const int row = list->selectedRow();
    if (row < 0)
        throw Error(kErrObjectNotSet);
    return list->lots()->id(row);
}

void frmStocks::lotVanished(LotId id)
{
    vanished_.push_back(id);
}

void frmStocks::reportVanishedLots()
{
    if (vanished_.empty())
        return;
    const QString text =
        vanished_.size() == 1
            ? QStringLiteral("The lot with ID %1 is no longer in the ledger file: another program deleted it. It "
                             "was taken out of the lists.")
                  .arg(vanished_.front())
            : QStringLiteral("%1 lots are no longer in the ledger file: another program deleted them. They were "
                             "taken out of the lists.")
                  .arg(vanished_.size());
    vanished_.clear();
    dialogs_.message(text, Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    RecordStore &rs = *data1_;
    if (rs.AbsolutePosition() < 0 && rs.EditMode() != kEditAdd) {
        trap("Source : frmStocks reportVanishedLots", [&] {
            glbCurrRecord.reset();
            rs.AddNew();
            txtFields[kName1]->setFocus(Qt::OtherFocusReason);
        });
    }
}

} // namespace tesmo
