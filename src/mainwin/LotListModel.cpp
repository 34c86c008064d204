#include "mainwin/LotListModel.h"

#include <algorithm>

namespace tesmo {

RowTexts rowFromFields(const FieldTexts &f)
{
    return {f[kName1], f[kTicker], f[kTradeDate], f[kID], f[kNumShares], f[kPrice], f[kNetAmount]};
}

LotListModel::LotListModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent)
    , headers_(std::move(headers))
{
    const auto drop = [this] { cachedRow_ = -1; };
    connect(this, &QAbstractItemModel::dataChanged, this, drop);
    connect(this, &QAbstractItemModel::rowsAboutToBeInserted, this, drop);
    connect(this, &QAbstractItemModel::rowsAboutToBeRemoved, this, drop);
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, drop);
    connect(this, &QAbstractItemModel::rowsInserted, this, drop);
    connect(this, &QAbstractItemModel::rowsRemoved, this, drop);
    connect(this, &QAbstractItemModel::modelReset, this, drop);
}

int LotListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int LotListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LotListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (cachedRow_ != index.row()) {
            cachedTexts_ = rowTexts(index.row());
            cachedRow_ = index.row();
        }
        return cachedTexts_[std::size_t(index.column())];
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant LotListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headers_.size())
        return headers_[section];
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

namespace {

const QStringList kHeaders = {QStringLiteral("Name"),
                              QStringLiteral("Ticker"),
                              QStringLiteral("Date"),
                              QStringLiteral("ID"),
                              QStringLiteral("Number of Shares"),
                              QStringLiteral("Price"),
                              QStringLiteral("Net Amount (Tesmo)")};

std::optional<LotId> idFromText(const QString &text)
{
    bool ok = false;
    const LotId id = text.toLongLong(&ok);
    if (!ok || QString::number(id) != text)
        return std::nullopt;
    return id;
}

} // namespace

MasterListModel::MasterListModel(QObject *parent)
    : LotListModel(kHeaders, parent)
{
}

void MasterListModel::fill(LotTable table)
{
    beginResetModel();
    table_ = std::move(table);
    written_.clear();
    endResetModel();
}

RowTexts MasterListModel::rowTexts(int row) const
{
    if (!written_.isEmpty()) {
        if (const auto it = written_.constFind(table_.id(std::size_t(row))); it != written_.cend())
            return *it;
    }
    return rowFromFields(table_.texts(std::size_t(row)));
}

bool MasterListModel::rowValues(int row, RowValues &values) const
{
    LotRow lot;
    if (!table_.lot(std::size_t(row), lot) || (!written_.isEmpty() && written_.contains(lot.id)))
        return false;
    values.name = lot.name;
    values.ticker = lot.ticker;
    values.shares = lot.numShares;
    values.price = lot.price;
    values.net = lot.netAmount;
    values.tradeDate = QDate::fromJulianDay(lot.tradeDay);
    return true;
}

void MasterListModel::setRowTexts(int row, const RowTexts &texts)
{
    written_.insert(table_.id(std::size_t(row)), texts);
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void MasterListModel::appendRow(const RowTexts &texts)
{
    const LotId id = idFromText(texts[kColID]).value_or(0);
    const int row = count();
    beginInsertRows({}, row, row);
    table_.appendId(id);
    written_.insert(id, texts);
    endInsertRows();
}

void MasterListModel::removeLotRow(int row)
{
    beginRemoveRows({}, row, row);
    written_.remove(table_.id(std::size_t(row)));
    table_.erase(std::size_t(row));
    endRemoveRows();
}

int MasterListModel::rowOfId(const QString &idText) const
{
    const auto id = idFromText(idText);
    if (!id)
        return -1;
    const auto row = table_.rowOf(*id);
    return row ? int(*row) : -1;
}

SelectedListModel::SelectedListModel(QObject *parent)
    : LotListModel(kHeaders, parent)
{
}

void SelectedListModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

RowTexts SelectedListModel::rowTexts(int row) const
{
    return rows_[std::size_t(row)];
}

void SelectedListModel::setRowTexts(int row, const RowTexts &texts)
{
    rows_[std::size_t(row)] = texts;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void SelectedListModel::appendRow(const RowTexts &texts)
{
    const int row = count();
    beginInsertRows({}, row, row);
    rows_.push_back(texts);
    endInsertRows();
}

void SelectedListModel::removeLotRow(int row)
{
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

int SelectedListModel::rowOfId(const QString &idText) const
{
    const auto it = std::find_if(rows_.begin(), rows_.end(),
                                 [&](const RowTexts &r) { return r[kColID] == idText; });
    return it != rows_.end() ? int(it - rows_.begin()) : -1;
}

} // namespace tesmo
