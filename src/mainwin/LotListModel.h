// The rows of a lot list behind an item view: the lots of a LotTable, whose
// changes the model follows. A row has seven texts in column order: name (the
// row text), then sub-items 1 to 6: ticker, date, ID, number of shares,
// price, net amount.
#pragma once

#include "text/LotTable.h"

#include <QAbstractTableModel>

namespace tesmo {

enum ListColumn : int { kColName = 0, kColTicker, kColDate, kColID, kColShares, kColPrice, kColNet, kColumnCount };

class LotListModel : public QAbstractTableModel, private LotTable::Watcher {
    Q_OBJECT
public:
    explicit LotListModel(QObject *parent = nullptr);
    ~LotListModel() override;

    // Shows the lots of table, and follows its changes, until another table
    // (or none) is shown; the table outlives that.
    void show(const LotTable *table);
    // The lots shown; an empty table while none is.
    const LotTable &lots() const { return table_ ? *table_ : kNone; }

    int rows() const { return int(lots().size()); }
    // The lot of row (from 0).
    LotId id(int row) const { return lots().id(std::size_t(row)); }
    // The row (from 0) of the lot; -1 when there is none.
    int rowOfId(LotId id) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void changing(Change change, std::size_t row) override;
    void changed(Change change, std::size_t row) override;

    static const LotTable kNone;
    const LotTable *table_ = nullptr;
    // The texts of the row read last: a view reads a row's cells one after
    // the other, and a row's texts are made all at once. Dropped on every
    // change of the rows.
    mutable int cachedRow_ = -1;
    mutable FieldTexts cachedTexts_;
};

} // namespace tesmo
