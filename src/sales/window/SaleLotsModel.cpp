#include "sales/window/SaleLotsModel.h"

#include "text/FieldRules.h"
#include "text/Regional.h"

#include <cmath>
#include <limits>

namespace tesmo {

namespace {

const char *const kColumnTitles[kSaleLotColumnCount] = {"ID",    "Trade Date", "Shares",     "Price",    "Cost",
                                                        "Term",  "Sell",       "Cost Basis", "Proceeds", "Gain"};

} // namespace

SaleLotsModel::SaleLotsModel(const ShareSale &sale, QObject *parent)
    : QAbstractTableModel(parent)
    , sale_(sale)
{
    setLots(sale.lots());
}

void SaleLotsModel::setLots(std::vector<LotRow> lots)
{
    beginResetModel();
    std::vector<QString> typed(lots.size());
    for (std::size_t row = 0; row < lots.size(); ++row) {
        if (const auto was = rows_.find(lots[row].id); was != rows_.end())
            typed[row] = typed_[std::size_t(was->second)];
    }
    lots_ = std::move(lots);
    typed_ = std::move(typed);
    rows_.clear();
    for (std::size_t row = 0; row < lots_.size(); ++row)
        rows_.emplace(lots_[row].id, int(row));
    parts_.clear();
    partOf_.assign(lots_.size(), -1);
    endResetModel();
}

int SaleLotsModel::rowOf(LotId id) const
{
    const auto found = rows_.find(id);
    return found == rows_.end() ? -1 : found->second;
}

void SaleLotsModel::setChoosing(bool choosing)
{
    if (choosing == choosing_)
        return;
    choosing_ = choosing;
    if (!lots_.empty())
        emit dataChanged(index(0, kSaleLotSold), index(rowCount() - 1, kSaleLotSold));
}

ChosenShares SaleLotsModel::chosen() const
{
    ChosenShares shares;
    for (std::size_t row = 0; row < lots_.size(); ++row) {
        const QString &text = typed_[row];
        if (text.isEmpty())
            continue;
        const auto number = IsNumber(text) ? numberFromText(text) : std::nullopt;
        shares[lots_[row].id] = number.value_or(std::numeric_limits<double>::quiet_NaN());
    }
    return shares;
}

void SaleLotsModel::showPlan(QDate sold, const std::vector<SalePart> &parts, const std::vector<TaxRow> &rows)
{
    sold_ = sold;
    parts_.assign(parts.size(), Part());
    for (const TaxRow &row : rows) {
        Part &part = parts_[row.part];
        part.proceeds += row.proceeds;
        part.costBasis += row.costBasis;
        part.gain += row.gain();
        const QString term = row.longTerm ? QStringLiteral("Long") : QStringLiteral("Short");
        part.term = part.term.isEmpty() || part.term == term ? term : QStringLiteral("Mixed");
    }
    std::fill(partOf_.begin(), partOf_.end(), -1);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        parts_[i].shares = parts[i].shares;
        if (const int row = rowOf(parts[i].lot); row >= 0)
            partOf_[std::size_t(row)] = int(i);
    }
    if (!lots_.empty())
        emit dataChanged(index(0, kSaleLotTerm), index(rowCount() - 1, kSaleLotGain));
}

int SaleLotsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(lots_.size());
}

int SaleLotsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kSaleLotColumnCount;
}

QString SaleLotsModel::text(int row, int column) const
{
    const LotRow &lot = lots_[std::size_t(row)];
    const int at = partOf_[std::size_t(row)];
    const Part *part = at < 0 ? nullptr : &parts_[std::size_t(at)];
    switch (column) {
    case kSaleLotId:
        return QString::number(lot.id);
    case kSaleLotDate:
        return regional::shortDate(acquiredOf(lot));
    case kSaleLotShares:
        return regional::numberText(sharesOf(lot));
    case kSaleLotPrice:
        return priceOf(lot) ? regional::priceText(*priceOf(lot)) : QString();
    case kSaleLotCost: {
        const auto adjusted = sale_.adjustedOf(lot.id);
        return netAmountOf(lot) ? regional::netAmountText(*netAmountOf(lot) + (adjusted ? adjusted->adjustment : 0))
                                : QString();
    }
    case kSaleLotTerm: {
        if (part)
            return part->term;
        const auto adjusted = sale_.adjustedOf(lot.id);
        const QDate from = adjusted ? adjusted->heldFrom : acquiredOf(lot);
        return sold_.isValid() && acquiredOf(lot) <= sold_ ? termOf(from, sold_) : QString();
    }
    case kSaleLotSold:
        if (choosing_)
            return typed_[std::size_t(row)];
        return part ? regional::numberText(part->shares) : QString();
    case kSaleLotBasis:
        return part ? regional::netAmountText(part->costBasis) : QString();
    case kSaleLotProceeds:
        return part ? regional::netAmountText(part->proceeds) : QString();
    case kSaleLotGain:
        return part ? regional::netAmountText(part->gain) : QString();
    default:
        return {};
    }
}

QVariant SaleLotsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() != kSaleLotTerm)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool SaleLotsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!choosing_ || role != Qt::EditRole || index.column() != kSaleLotSold || index.row() >= rowCount())
        return false;
    QString &typed = typed_[std::size_t(index.row())];
    const QString text = value.toString().trimmed();
    if (text == typed)
        return true;
    typed = text;
    emit dataChanged(index, index);
    emit this->typed();
    return true;
}

Qt::ItemFlags SaleLotsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (choosing_ && index.column() == kSaleLotSold)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant SaleLotsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kSaleLotColumnCount)
        return QString::fromLatin1(kColumnTitles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace tesmo
