#include "import/window/ImportRowsModel.h"

#include <QColor>

namespace tesmo {

namespace {

const char *const kColumnTitles[kImportColumnCount] = {"Line", "Status", "Name", "Ticker", "Trade Date", "Shares",
                                                       "Price", "Net Amount"};
constexpr int kFieldOfColumn[kImportColumnCount] = {-1, -1, kName1, kTicker, kTradeDate, kNumShares, kPrice,
                                                    kNetAmount};

} // namespace

ImportRowsModel::ImportRowsModel(LotImport &import, QObject *parent)
    : QAbstractTableModel(parent)
    , import_(import)
{
}

int ImportRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(import_.lots().size());
}

int ImportRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kImportColumnCount;
}

QString ImportRowsModel::statusText(const CandidateLot &lot)
{
    const auto with = [&](const char *status) {
        const QString s = QString::fromUtf8(status);
        return lot.reason.isEmpty() ? s : s + QStringLiteral(": ") + lot.reason;
    };
    switch (lot.status) {
    case RowStatus::New:
        return QStringLiteral("New");
    case RowStatus::Already:
        return QStringLiteral("Already in the ledger");
    case RowStatus::Twice:
        return QStringLiteral("Twice in this file");
    case RowStatus::Check:
        return with("Check");
    case RowStatus::Cancelled:
        return QStringLiteral("Cancelled in this file ") + lot.reason;
    case RowStatus::Deleted:
        return QStringLiteral("Deleted from the ledger");
    case RowStatus::Sale:
        return with("Sale");
    case RowStatus::NotAPurchase:
        return with("Not a purchase");
    case RowStatus::Refused:
        return with("Refused");
    case RowStatus::Unsettled:
        return lot.reason;
    case RowStatus::Action:
        return with("Action");
    }
    return {};
}

QVariant ImportRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const CandidateLot &lot = import_.lots()[std::size_t(index.row())];
    const int column = index.column();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (column == kImportLine)
            return QString::number(lot.line);
        if (column == kImportStatus)
            return statusText(lot);
        if (textsRow_ != index.row()) {
            texts_ = import_.texts(index.row());
            textsRow_ = index.row();
        }
        return texts_[std::size_t(kFieldOfColumn[column])];
    }
    if (role == Qt::CheckStateRole && column == kImportLine) {
        if (lot.status == RowStatus::New)
            return Qt::Checked;
        if (lot.tickable())
            return lot.ticked ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::ForegroundRole) {
        switch (lot.status) {
        case RowStatus::Refused: return QColor(160, 0, 0);
        case RowStatus::Check: return QColor(150, 80, 0);
        case RowStatus::NotAPurchase:
        case RowStatus::Unsettled: return QColor(100, 100, 100);
        default: return {};
        }
    }
    return {};
}

bool ImportRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != kImportLine || !index.isValid())
        return false;
    const CandidateLot &lot = import_.lots()[std::size_t(index.row())];
    if (!lot.tickable())
        return false;
    import_.setTicked(index.row(), value.toInt() == Qt::Checked);
    // A tick may change what the file's sales take, and whether they can be
    // ticked.
    if (import_.hasSales())
        emit dataChanged(this->index(0, kImportLine), this->index(rowCount() - 1, kImportStatus));
    else
        emit dataChanged(index, index, {Qt::CheckStateRole});
    emit tickedChanged();
    return true;
}

Qt::ItemFlags ImportRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.isValid() && index.column() == kImportLine && import_.lots()[std::size_t(index.row())].tickable())
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ImportRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kImportColumnCount)
        return QString::fromLatin1(kColumnTitles[section]);
    return {};
}

void ImportRowsModel::reload()
{
    beginResetModel();
    textsRow_ = -1;
    endResetModel();
}

void ImportRowsModel::toggle(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const CandidateLot &lot = import_.lots()[std::size_t(row)];
    if (lot.tickable())
        setData(index(row, kImportLine), lot.ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

} // namespace tesmo
