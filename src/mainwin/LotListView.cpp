#include "mainwin/LotListView.h"

#include "platform/Twips.h"

#include <QHeaderView>
#include <QKeyEvent>
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

void LotListView::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    const int h = horizontalScrollBar()->value();
    const int v = verticalScrollBar()->value();
    selectionModel()->setCurrentIndex(model_->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    horizontalScrollBar()->setValue(h);
    verticalScrollBar()->setValue(v);
}

void LotListView::clearSelectedRow()
{
    selectionModel()->clearSelection();
}

void LotListView::keyPressEvent(QKeyEvent *event)
{
    int code = 0;
    switch (event->key()) {
    case Qt::Key_Up: code = 38; break;
    case Qt::Key_Down: code = 40; break;
    default: break;
    }
    const auto mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (code && mods == Qt::NoModifier && onKeyDown && !onKeyDown(code)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace tesmo
