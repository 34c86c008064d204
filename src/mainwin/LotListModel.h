// The rows of a lot list behind an item view: the lots of a LotTable, whose
// changes the model follows, or only the lots picked from it (the selection
// list), by their IDs, in the order they were picked. A row has seven texts
// in column order: name (the row text), then sub-items 1 to 6: ticker, date,
// ID, number of shares, price, net amount.
#pragma once

#include "text/LotTable.h"

#include <QAbstractTableModel>
#include <vector>

namespace tesmo {

enum ListColumn : int { kColName = 0, kColTicker, kColDate, kColID, kColShares, kColPrice, kColNet, kColumnCount };

class LotListModel : public QAbstractTableModel, private LotTable::Watcher {
    Q_OBJECT
public:
    // Every lot of the table shown, or only the lots picked from it.
    enum class Rows { All, Picked };

    explicit LotListModel(Rows rows, QObject *parent = nullptr);
    ~LotListModel() override;

    // Shows the lots of table, and follows its changes, until another table
    // (or none) is shown; the table outlives that. Nothing is picked then.
    void show(const LotTable *table);

    int rows() const;
    // The lot of row (from 0).
    LotId id(int row) const;
    // The row (from 0) of the lot; -1 when there is none.
    int rowOfId(LotId id) const;

    // The lots shown, in the order of the rows: the table's own while every
    // lot is shown, else into picked, which is emptied first.
    const LotTable &lots(LotTable &picked) const;

    // A picked list: adds the lot (of the table) as its last row; takes a
    // row away. A lot that leaves the table leaves the list; a lot the
    // table rewrites shows as it now is.
    void pick(LotId id);
    void unpick(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void changing(Change change, std::size_t row) override;
    void changed(Change change, std::size_t row) override;
    // The table's row of the list's row.
    std::size_t tableRow(int row) const;

    static const LotTable kNone;
    const Rows shown_;
    const LotTable *table_ = nullptr;
    std::vector<LotId> picked_;
    bool removing_ = false;   // a picked row is being removed with its lot
    // The texts of the row read last: a view reads a row's cells one after
    // the other, and a row's texts are made all at once. Dropped on every
    // change of the rows.
    mutable int cachedRow_ = -1;
    mutable FieldTexts cachedTexts_;
};

} // namespace tesmo
