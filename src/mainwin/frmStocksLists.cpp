// The master list, marking the current lot's rows in both lists, keeping a
// stored or deleted lot's rows in step, and the master list's context menu.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"

#include <QLineEdit>
#include <QMenu>

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

void frmStocks::Data1_Vanished(LotId id)
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

// The import and the restore are offered alike: on a lot being browsed, and
// on an empty ledger; the sale on a lot being browsed.
void frmStocks::ListView1_ContextMenu(const QPoint &globalPos)
{
    QMenu menu(this);
    QAction *import = menu.addAction(QStringLiteral("Import Lots from File..."));
    import->setObjectName(QStringLiteral("importLots"));
    import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    QAction *restore = menu.addAction(QStringLiteral("Restore from Backup..."));
    restore->setObjectName(QStringLiteral("restoreFromBackup"));
    for (QAction *entry : {import, restore})
        entry->setEnabled(ImportOffered());
    QAction *sell = menu.addAction(QStringLiteral("Sell Shares..."));
    sell->setObjectName(QStringLiteral("sellShares"));
    sell->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    sell->setEnabled(SellOffered());
    QAction *gains = menu.addAction(QStringLiteral("Holdings and Gains..."));
    gains->setObjectName(QStringLiteral("holdingsAndGains"));
    gains->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    gains->setEnabled(data1_->isOpen());
    QAction *chosen = menu.exec(globalPos);
    if (chosen == import)
        ImportLots();
    else if (chosen == restore)
        RestoreFromBackup();
    else if (chosen == sell)
        SellShares();
    else if (chosen == gains)
        HoldingsAndGains();
}

} // namespace tesmo
