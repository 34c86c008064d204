// Moving through the lots: Next and Previous, clicks on either list, and the
// keys of either list. The store never moves past either end, and a list's
// selection changes only with the current lot.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"

namespace tesmo {

void frmStocks::cmdNext_Click()
{
    command("Source : frmStocks cmdNext_Click", [this] { GoToNext(Caller::Command); });
}

void frmStocks::cmdPrev_Click()
{
    command("Source : frmStocks cmdPrev_Click", [this] { GoToPrev(Caller::Command); });
}

void frmStocks::GoToNext(Caller caller)
{
    trap("Source : frmStocks cmdNext_Click", [&] {
        data1_->MoveNext();
        if (caller == Caller::Command)
            HighlightLists();
    });
}

void frmStocks::GoToPrev(Caller caller)
{
    trap("Source : frmStocks cmdPrev_Click", [&] {
        data1_->MovePrevious();
        if (caller == Caller::Command)
            HighlightLists();
    });
}

// Makes the lot of a list row current. A refusal by the field rules has shown
// its message; false when the lot could not be reached.
bool frmStocks::FindByID(LotId lngID, Caller caller)
{
    trap(
        "Source : FindByID",
        [&] {
            data1_->FindFirst(FindCriteria::byId(lngID));
            if (caller == Caller::Command)
                HighlightLists();
        },
        [](int number) { return number == kErrCancelled; });
    return data1_->getBookmark() == Bookmark(lngID);
}

void frmStocks::ListView1_Click(int row)
{
    const char *tag = "Source : frmStocks ListView1_Click";
    command(tag, [&] { listClick(ListView1, row, tag); });
}

void frmStocks::ListView2_Click(int row)
{
    const char *tag = "Source : frmStocks ListView2_Click";
    command(tag, [&] { listClick(ListView2, row, tag); });
}

// The clicked row becomes the list's selected row and its lot current; when
// the lot being left cannot be left, both lists go back to the current lot.
void frmStocks::listClick(LotListView *list, int row, const char *sourceTag)
{
    trap(
        sourceTag,
        [&] {
            list->selectRow(row);
            FindByID(selectedId(list), Caller::Command);
            HighlightLists();
        },
        [](int number) { return number == kErrObjectNotSet; });
}

// Up and Down move to the neighbouring lot of the master list; at either end
// they do nothing. The list's selection follows the lot only when it moved.
void frmStocks::ListView1_KeyDown(int KeyCode)
{
    command("Source : frmStocks ListView1_KeyDown", [&] {
        const int selected = ListView1->selectedRow();
        const int target = KeyCode == kKeyDown ? selected + 1 : selected - 1;
        if (selected < 0 || target < 0 || target >= masterRows_->rows())
            return;
        if (KeyCode == kKeyDown)
            GoToNext(Caller::KeyHandler);
        else
            GoToPrev(Caller::KeyHandler);
        if (data1_->AbsolutePosition() != target)
            return;
        ListView1->selectRow(target, true);
        const int row = selectedRows_->rowOfId(masterRows_->id(target));
        if (row >= 0)
            ListView2->selectRow(row);
    });
}

// Up and Down in the list of selected lots make its neighbouring row's lot
// current, wherever that lot stands in the master list.
void frmStocks::ListView2_KeyDown(int KeyCode)
{
    command("Source : frmStocks ListView2_KeyDown", [&] {
        const int selected = ListView2->selectedRow();
        const int target = KeyCode == kKeyDown ? selected + 1 : selected - 1;
        if (selected < 0 || target < 0 || target >= selectedRows_->rows())
            return;
        if (!FindByID(selectedRows_->id(target), Caller::KeyHandler))
            return;
        ListView1->selectRow(data1_->AbsolutePosition());
        ListView2->selectRow(target, true);
    });
}

} // namespace tesmo
