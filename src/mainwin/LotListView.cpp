#include "mainwin/LotListView.h"

#include "platform/Twips.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace tesmo {

LotListView::LotListView(LotListModel *model, const std::array<int, kColumnCount> &columnWidths,
                         QWidget *parent)
    : QTableView(parent)
    , model_(model)
{
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setMinimumSectionSize(0);
    for (int c = 0; c < kColumnCount; ++c) {
        if (columnWidths[std::size_t(c)] == 0)
            setColumnHidden(c, true);
        else
            setColumnWidth(c, twipsToPixels(columnWidths[std::size_t(c)]));
    }
    // A list filled from empty selects its first row.
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        if (first == 0 && last + 1 == model_->rowCount())
            selectRow(0);
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (model_->rowCount() > 0)
            selectRow(0);
    });
    // Removing a row selects no other row in its place.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int, int) { selectedBeforeRemoval_ = selectedRow(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
        const int before = selectedBeforeRemoval_;
        clearSelectedRow();
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        if (before > last)
            selectRow(before - (last - first + 1));
        else if (before >= 0 && before < first)
            selectRow(before);
    });

    // The selected row stays highlighted while another control has the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

int LotListView::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LotListView::selectRow(int row, bool scroll)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    const int h = horizontalScrollBar()->value();
    const int v = verticalScrollBar()->value();
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    horizontalScrollBar()->setValue(h);
    verticalScrollBar()->setValue(v);
    if (scroll)
        scrollToSelectedRow();
}

void LotListView::clearSelectedRow()
{
    selectionModel()->clearSelection();
}

void LotListView::scrollToSelectedRow()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // Rows that came in the same command (a lot put back before the selected
    // one) are laid out first, so that the scroll bar reaches them.
    executeDelayedItemsLayout();
    const int h = horizontalScrollBar()->value();
    scrollTo(model_->index(row, 0));
    horizontalScrollBar()->setValue(h);
}

QItemSelectionModel::SelectionFlags LotListView::selectionCommand(const QModelIndex &, const QEvent *) const
{
    return QItemSelectionModel::NoUpdate;
}

void LotListView::keyPressEvent(QKeyEvent *event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods & Qt::AltModifier) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier && onContextMenu) {
        onContextMenu(keyboardMenuPlace());
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (onKeyDown)
            onKeyDown(event->key() == Qt::Key_Up ? 38 : 40);
        scrollToSelectedRow();
        event->accept();
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // Home and End go to the first and last row, as in a list; the
        // table's own Home and End would move between columns.
        const int row = event->key() == Qt::Key_Home ? 0
                        : event->key() == Qt::Key_End ? model_->rowCount() - 1
                                                      : moveCursor(event->key() == Qt::Key_PageUp ? MovePageUp
                                                                                                  : MovePageDown,
                                                                   event->modifiers())
                                                            .row();
        if (row >= 0 && row != selectedRow() && onPick)
            onPick(row);
        // Whatever the command made of the pick (the row's lot, or the lot
        // that could not be left), the user sees the row selected.
        scrollToSelectedRow();
        event->accept();
        return;
    }
    default:
        QTableView::keyPressEvent(event);
    }
}

void LotListView::mousePressEvent(QMouseEvent *event)
{
    pressedRow_ = event->button() == Qt::LeftButton ? rowAt(int(event->position().y())) : -1;
    QTableView::mousePressEvent(event);
}

void LotListView::mouseReleaseEvent(QMouseEvent *event)
{
    const int row = rowAt(int(event->position().y()));
    const bool click = event->button() == Qt::LeftButton && row >= 0 && row == pressedRow_;
    pressedRow_ = -1;
    QTableView::mouseReleaseEvent(event);
    if (click && onPick)
        onPick(row);
}

void LotListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    pressedRow_ = -1;
    if (event->button() == Qt::LeftButton && rowAt(int(event->position().y())) >= 0 && onDoubleClick)
        onDoubleClick();
}

void LotListView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!onContextMenu) {
        QTableView::contextMenuEvent(event);
        return;
    }
    event->accept();
    onContextMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : keyboardMenuPlace());
}

QPoint LotListView::keyboardMenuPlace() const
{
    const int row = selectedRow();
    const QRect r = row >= 0 ? visualRect(model_->index(row, 0)) : QRect();
    const QPoint at = r.isValid() && viewport()->rect().intersects(r) ? r.bottomLeft() + QPoint(8, 0) : QPoint(4, 4);
    return viewport()->mapToGlobal(at);
}

void LotListView::keyboardSearch(const QString &)
{
    // Typing letters does not move the selection: only the commands do.
}

} // namespace tesmo
