// A multi-column list in report view over a LotListModel: one selected row at
// a time, kept highlighted without the focus; rows are picked by mouse and by
// the arrow keys. keyDown reaches the window before the list moves its
// selection for a key.
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
    // Selects row (from 0) as the only selected row, without scrolling.
    void selectRow(int row);
    // Unselects the selected row, if any.
    void clearSelectedRow();

    // Called with the key code (38 Up, 40 Down) before the list moves its
    // selection for that key; returning false keeps the list from moving.
    std::function<bool(int keyCode)> onKeyDown;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LotListModel *model_;
};

} // namespace tesmo
