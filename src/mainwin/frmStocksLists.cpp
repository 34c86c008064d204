// Filling the master list and marking the current lot's rows in both lists.
#include "mainwin/frmStocks.h"

#include "store/LotReader.h"
#include "store/StoreError.h"

namespace tesmo {

// Reads every lot on a connection of its own and fills the master list in
// query order; the list, filled from empty, selects its first row. After a
// failure the rows read so far stay in the list.
void frmStocks::PopulateList()
{
    LotTable table;
    trap("Source : PopulateList", [&] { readAllLots(Data1().DatabaseName(), table); });
    masterRows_->fill(std::move(table));
}

void frmStocks::HighlightLists()
{
    trap("Source : frmStocks HighlightLists", [this] {
        ListView1->clearSelectedRow();
        ListView1->selectRow(Data1().AbsolutePosition());
        HighlightList2();
    });
}

// Selects, in the list of selected lots, the row of the lot selected in the
// master list; without such a row its selection stays as it was.
void frmStocks::HighlightList2()
{
    trap("Source : frmStocks HighlightList2", [this] {
        const QString id = selectedId(ListView1);
        const int row = selectedRows_->rowOfId(id);
        if (row >= 0)
            ListView2->selectRow(row);
    });
}

QString frmStocks::selectedId(const LotListView *list) const
{
    const int row = list->selectedRow();
    if (row < 0)
        throw StoreError(kErrObjectNotSet);
    return list->lots()->rowTexts(row)[kColID];
}

} // namespace tesmo
