#include "mainwin/LotListModel.h"

namespace tesmo {

namespace {

const QStringList kHeaders = {QStringLiteral("Name"),
                              QStringLiteral("Ticker"),
                              QStringLiteral("Date"),
                              QStringLiteral("ID"),
                              QStringLiteral("Number of Shares"),
                              QStringLiteral("Price"),
                              QStringLiteral("Net Amount (Tesmo)")};

// The field each column shows.
constexpr int kFieldOfColumn[kColumnCount] = {kName1, kTicker, kTradeDate, kID, kNumShares, kPrice, kNetAmount};

} // namespace

const LotTable LotListModel::kNone;

LotListModel::LotListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

LotListModel::~LotListModel()
{
    if (table_)
        table_->watch(nullptr);
}

void LotListModel::show(const LotTable *table)
{
    beginResetModel();
    if (table_)
        table_->watch(nullptr);
    table_ = table;
    if (table_)
        table_->watch(this);
    cachedRow_ = -1;
    endResetModel();
}

int LotListModel::rowOfId(LotId id) const
{
    const auto row = lots().rowOf(id);
    return row ? int(*row) : -1;
}

int LotListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows();
}

int LotListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LotListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (cachedRow_ != index.row()) {
            cachedTexts_ = lots().texts(std::size_t(index.row()));
            cachedRow_ = index.row();
        }
        return cachedTexts_[std::size_t(kFieldOfColumn[index.column()])];
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant LotListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < kHeaders.size())
        return kHeaders[section];
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void LotListModel::changing(Change change, std::size_t row)
{
    cachedRow_ = -1;
    switch (change) {
    case Change::Insert:
        beginInsertRows({}, int(row), int(row));
        break;
    case Change::Remove:
        beginRemoveRows({}, int(row), int(row));
        break;
    case Change::Reset:
        beginResetModel();
        break;
    case Change::Replace:
        break;
    }
}

void LotListModel::changed(Change change, std::size_t row)
{
    cachedRow_ = -1;
    switch (change) {
    case Change::Insert:
        endInsertRows();
        break;
    case Change::Remove:
        endRemoveRows();
        break;
    case Change::Reset:
        endResetModel();
        break;
    case Change::Replace:
        emit dataChanged(index(int(row), 0), index(int(row), kColumnCount - 1));
        break;
    }
}

} // namespace tesmo
