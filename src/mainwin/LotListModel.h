// The rows of a lot list, held in memory behind an item view. A row has seven
// texts in column order: name (the row text), then sub-items 1 to 6: ticker,
// date, ID, number of shares, price, net amount. A lot is found in a list only
// by the ID text of sub-item 3.
#pragma once

#include "export/ExportRows.h"
#include "store/LotReader.h"

#include <QAbstractTableModel>
#include <QHash>
#include <array>
#include <vector>

namespace tesmo {

enum ListColumn : int { kColName = 0, kColTicker, kColDate, kColID, kColShares, kColPrice, kColNet, kColumnCount };

using RowTexts = std::array<QString, kColumnCount>;

// The texts of a row in column order, from texts in field order.
RowTexts rowFromFields(const FieldTexts &fields);

class LotListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LotListModel(QStringList headers, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The seven texts of row (counted from 0).
    virtual RowTexts rowTexts(int row) const = 0;
    virtual void setRowTexts(int row, const RowTexts &texts) = 0;
    virtual void appendRow(const RowTexts &texts) = 0;
    virtual void removeLotRow(int row) = 0;
    // The row (from 0) whose ID text equals idText; -1 when there is none.
    virtual int rowOfId(const QString &idText) const = 0;
    int rows() const { return rowCount(); }

protected:
    virtual int count() const = 0;

private:
    QStringList headers_;
    // The texts of the row read last: a view or a writer reads a row's cells
    // one after the other, and a row's texts are made all at once. Dropped on
    // every change of the rows.
    mutable int cachedRow_ = -1;
    mutable RowTexts cachedTexts_;
};

// The master list: every lot, in query order. Rows read from the file stay in
// their packed form; a row written from the edit boxes keeps those texts.
// Rows are in ascending ID order, so a lot's row is found by binary search.
class MasterListModel : public LotListModel, public RowValueSource {
    Q_OBJECT
public:
    explicit MasterListModel(QObject *parent = nullptr);

    // The values of a row read from the file; none for a row written from
    // the edit boxes or one whose values do not fit the compact form.
    bool rowValues(int row, RowValues &values) const override;

    // Replaces the rows with those of table (the list is filled once).
    void fill(LotTable table);

    RowTexts rowTexts(int row) const override;
    void setRowTexts(int row, const RowTexts &texts) override;
    void appendRow(const RowTexts &texts) override;
    void removeLotRow(int row) override;
    int rowOfId(const QString &idText) const override;

protected:
    int count() const override { return int(table_.size()); }

private:
    LotTable table_;
    QHash<LotId, RowTexts> written_;   // rows written from the edit boxes, by ID
};

// The list of selected lots: a short list of copied rows.
class SelectedListModel : public LotListModel {
    Q_OBJECT
public:
    explicit SelectedListModel(QObject *parent = nullptr);

    void clear();

    RowTexts rowTexts(int row) const override;
    void setRowTexts(int row, const RowTexts &texts) override;
    void appendRow(const RowTexts &texts) override;
    void removeLotRow(int row) override;
    int rowOfId(const QString &idText) const override;

protected:
    int count() const override { return int(rows_.size()); }

private:
    std::vector<RowTexts> rows_;
};

} // namespace tesmo
