#include "mainwin/LotListModel.h"

#include <algorithm>

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

LotListModel::LotListModel(Rows rows, QObject *parent)
    : QAbstractTableModel(parent)
    , shown_(rows)
{
}

LotListModel::~LotListModel()
{
    if (table_)
        table_->unwatch(this);
}

void LotListModel::show(const LotTable *table)
{
    beginResetModel();
    if (table_)
        table_->unwatch(this);
    table_ = table;
    if (table_)
        table_->watch(this);
    picked_.clear();
    cachedRow_ = -1;
    endResetModel();
}

int LotListModel::rows() const
{
    if (shown_ == Rows::Picked)
        return int(picked_.size());
    return table_ ? int(table_->size()) : 0;
}

LotId LotListModel::id(int row) const
{
    return shown_ == Rows::Picked ? picked_[std::size_t(row)] : table_->id(std::size_t(row));
}

std::size_t LotListModel::tableRow(int row) const
{
    return shown_ == Rows::Picked ? *table_->rowOf(picked_[std::size_t(row)]) : std::size_t(row);
}

int LotListModel::rowOfId(LotId id) const
{
    if (shown_ == Rows::Picked) {
        const auto at = std::find(picked_.begin(), picked_.end(), id);
        return at == picked_.end() ? -1 : int(at - picked_.begin());
    }
    const auto row = table_ ? table_->rowOf(id) : std::nullopt;
    return row ? int(*row) : -1;
}

const LotTable &LotListModel::lots(LotTable &picked) const
{
    if (shown_ == Rows::All)
        return table_ ? *table_ : kNone;
    picked.clear();
    for (int row = 0; row < rows(); ++row)
        picked.append(table_->lot(tableRow(row)));
    return picked;
}

void LotListModel::pick(LotId id)
{
    if (shown_ != Rows::Picked || !table_ || !table_->rowOf(id))
        return;
    beginInsertRows({}, rows(), rows());
    picked_.push_back(id);
    endInsertRows();
}

void LotListModel::unpick(int row)
{
    beginRemoveRows({}, row, row);
    picked_.erase(picked_.begin() + row);
    cachedRow_ = -1;
    endRemoveRows();
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
            cachedTexts_ = table_->texts(tableRow(index.row()));
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

// A picked list follows its lots: one that leaves the table leaves the list,
// and after a reset only the lots still in the table stay.
void LotListModel::changing(Change change, std::size_t row)
{
    cachedRow_ = -1;
    if (shown_ == Rows::Picked) {
        if (change == Change::Reset) {
            beginResetModel();
        } else if (change == Change::Remove) {
            const int at = rowOfId(table_->id(row));
            removing_ = at >= 0;
            if (removing_) {
                beginRemoveRows({}, at, at);
                picked_.erase(picked_.begin() + at);
            }
        }
        return;
    }
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
    if (shown_ == Rows::Picked) {
        if (change == Change::Reset) {
            std::erase_if(picked_, [this](LotId id) { return !table_->rowOf(id); });
            endResetModel();
        } else if (change == Change::Remove && removing_) {
            removing_ = false;
            endRemoveRows();
        } else if (change == Change::Replace) {
            if (const int at = rowOfId(table_->id(row)); at >= 0)
                emit dataChanged(index(at, 0), index(at, kColumnCount - 1));
        }
        return;
    }
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
