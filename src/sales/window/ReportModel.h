// A read-only table behind a report's item view: a fixed heading, and cells
// whose texts are made when the view asks for them, so that a long report
// costs nothing for the rows out of sight.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace tesmo {

class ReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Cell = std::function<QString(int row, int column)>;

    // headings in column order; the columns in rightAligned show figures.
    ReportModel(QStringList headings, QList<int> rightAligned, QObject *parent = nullptr);

    // Shows rows rows whose texts cell gives; the last one in bold when
    // boldLast (a line of totals).
    void show(int rows, Cell cell, bool boldLast = false);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList headings_;
    QList<int> rightAligned_;
    int rows_ = 0;
    Cell cell_;
    bool boldLast_ = false;
};

} // namespace tesmo
