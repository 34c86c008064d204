#include "sales/window/ReportModel.h"

#include <QFont>

namespace tesmo {

ReportModel::ReportModel(QStringList headings, QList<int> rightAligned, QObject *parent)
    : QAbstractTableModel(parent)
    , headings_(std::move(headings))
    , rightAligned_(std::move(rightAligned))
{
}

void ReportModel::show(int rows, Cell cell, bool boldLast)
{
    beginResetModel();
    rows_ = rows;
    cell_ = std::move(cell);
    boldLast_ = boldLast;
    endResetModel();
}

int ReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int ReportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(headings_.size());
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell_(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter
                                   | (rightAligned_.contains(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::FontRole:
        if (boldLast_ && index.row() == rows_ - 1) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headings_.size())
        return headings_[section];
    return {};
}

} // namespace tesmo
