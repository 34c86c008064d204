// The lots of one ticker as the Sell Shares dialog lists them (their texts
// kept by the sale that offers them): each lot with its ID, trade date,
// shares, price, cost with what earlier wash sales added to it, and the term
// a sale on the sale date would have from the date the shares are held from
// (earlier for shares that replaced a loss); then its part of the sale as
// planned, as the list of realized gains will show it: the shares taken
// (typed by the user while the lots are chosen), their cost basis with what
// earlier wash sales added to them, their share of the proceeds, and the
// gain after the loss a wash sale disallows, the term that of the shares
// taken.
#pragma once

#include "sales/ShareSale.h"

#include <QAbstractTableModel>
#include <unordered_map>

namespace tesmo {

// The columns, in order.
enum SaleLotColumn : int { kSaleLotId, kSaleLotDate, kSaleLotShares, kSaleLotPrice, kSaleLotCost, kSaleLotTerm,
                           kSaleLotSold, kSaleLotBasis, kSaleLotProceeds, kSaleLotGain, kSaleLotColumnCount };

class SaleLotsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The lots that sale offers.
    explicit SaleLotsModel(const ShareSale &sale, QObject *parent = nullptr);

    const std::vector<LotRow> &lots() const { return lots_; }
    // Lists lots in place of those listed, each keeping the shares typed for it.
    void setLots(std::vector<LotRow> lots);
    // The row of a lot; -1 when it is not listed.
    int rowOf(LotId id) const;

    // While the lots are chosen, the shares column shows, and takes, the
    // shares typed for each lot; otherwise the shares of its part.
    void setChoosing(bool choosing);
    // The shares typed for each lot, read as the lot's shares box reads its
    // text; a text that is no number is NaN, which the sale refuses as such.
    // Lots with nothing typed are left out.
    ChosenShares chosen() const;

    // Shows the parts of the sale planned for the date sold (each lot's term
    // on that date), with the rows for taxes the sale will have (rows' part
    // indexes parts): a part's cost basis, gain and term are its rows'. No
    // parts when the sale cannot be made as it stands.
    void showPlan(QDate sold, const std::vector<SalePart> &parts, const std::vector<TaxRow> &rows);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The user typed the shares of a lot.
    void typed();

private:
    QString text(int row, int column) const;

    const ShareSale &sale_;
    std::vector<LotRow> lots_;
    std::unordered_map<LotId, int> rows_;   // lot ID to row
    std::vector<QString> typed_;            // by row
    // A part as its rows add up.
    struct Part {
        double shares = 0;
        Ticks proceeds = 0;
        Ticks costBasis = 0;
        Ticks gain = 0;
        QString term;   // "Long", "Short", or "Mixed" for both
    };
    std::vector<Part> parts_;
    std::vector<int> partOf_;               // by row: the index of its part, or -1
    QDate sold_;
    bool choosing_ = false;
};

} // namespace tesmo
