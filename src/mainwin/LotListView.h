// A multi-column list in report view over a LotListModel. Its selection is
// the window's to set: one selected row at a time, kept highlighted without
// the focus, never changed by the list itself. What the user does with the
// mouse and keys reaches the window as a pick of a row, Up and Down, or a
// double click, and the window makes a row's lot current or leaves the
// selection as it is. After a key has done its work, the list scrolls its
// selected row into view.
#pragma once

#include "mainwin/LotListModel.h"

#include <QTableView>
#include <functional>

namespace tesmo {

class LotListView : public QTableView {
    Q_OBJECT
public:
    // columnWidths: designed widths in twips, in column order.
    LotListView(LotListModel *model, const std::array<int, kColumnCount> &columnWidths,
                QWidget *parent = nullptr);

    LotListModel *lots() const { return model_; }
    // The selected row, counted from 0; -1 when no row is selected.
    int selectedRow() const;
    // Selects row (from 0) as the only selected row; scrolls it into view
    // only when asked.
    void selectRow(int row, bool scroll = false);
    // Unselects the selected row, if any.
    void clearSelectedRow();
    // Scrolls the selected row, if any, into view, keeping the columns in view
    // as they are.
    void scrollToSelectedRow();

    // A click (press and release on one row) or a move with Home, End, Page
    // Up or Page Down picked this row.
    std::function<void(int row)> onPick;
    // Up (38) or Down (40) was pressed; the window moves the selection.
    std::function<void(int keyCode)> onKeyDown;
    // A row was double-clicked.
    std::function<void()> onDoubleClick;
    // The context menu was asked for (right button, the Menu key, Shift+F10)
    // at this place on the screen: the mouse's, or by the keyboard the
    // selected row's.
    std::function<void(const QPoint &globalPos)> onContextMenu;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyboardSearch(const QString &search) override;

private:
    // Where a context menu asked for by the keyboard opens: below the
    // selected row's start, or at the list's top corner.
    QPoint keyboardMenuPlace() const;

    LotListModel *model_;
    int pressedRow_ = -1;
    int selectedBeforeRemoval_ = -1;
};

} // namespace tesmo
